// The engine's table source, engine/cabinet_tables.cpp.
#pragma once

#include <array>
#include <string>

#include "tools/cabinet_ir/cabinet_tables.h"

namespace cabinet_ir {

// `fitted[i]` belongs to cabinet i + 1. Every tap is written with 17
// significant digits, which reads back as the same double.
std::string tableSource(const std::array<CabinetTables, 7>& fitted);

} // namespace cabinet_ir
