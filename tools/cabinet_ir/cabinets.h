// The seven cabinets: their physical models and the figures each of their
// tables is anchored to.
#pragma once

#include <array>

#include "tools/cabinet_ir/cabinet_model.h"

namespace cabinet_ir {

// Figures a table must reproduce to six significant digits: its first three
// taps, its largest tap (index and value), its energy (sum of squared taps)
// and its last tap.
struct Anchors {
    double first[3];
    int peakIndex;
    double peakValue;
    double energy;
    double last;
};

struct Cabinet {
    int number;
    const char* name;
    CabinetModel model;
    Anchors at44k;
    Anchors at48k;
};

const std::array<Cabinet, 7>& cabinets();  // cabinet 1 first

} // namespace cabinet_ir
