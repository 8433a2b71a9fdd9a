// A picture of the seven cabinets' 48 kHz magnitude responses, for the docs.
#pragma once

#include <array>
#include <string>

#include "tools/cabinet_ir/cabinet_tables.h"

namespace cabinet_ir {

// Writes a PNG; throws if cairo cannot.
void plotResponses(const std::array<CabinetTables, 7>& fitted, const std::string& pngPath);

} // namespace cabinet_ir
