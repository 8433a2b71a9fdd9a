// Both tables of one cabinet, fitted to its model and to its anchors.
#pragma once

#include <vector>

#include "tools/cabinet_ir/cabinets.h"

namespace cabinet_ir {

struct CabinetTables {
    std::vector<double> at44k, at48k;
    double shapeDb;      // correction applied to the model's adjustable section
    double fill44k, fill48k;
};

// One shared shape correction makes the energy of one family come out
// right; the other family reaches its own energy with the filler above the
// compared band. Throws if a table misses an anchor.
CabinetTables fitCabinet(const Cabinet& cabinet);

double tableEnergy(const std::vector<double>& h);

} // namespace cabinet_ir
