// The fourteen loudspeaker-cabinet impulse responses: seven cabinets, each
// for the 44.1 kHz and the 48 kHz rate family, 512 taps, h[0] applied to
// the newest sample.
#pragma once

#include <array>
#include <cstddef>

namespace korvane {

inline constexpr int kCabinetCount = 7;
inline constexpr int kCabinetTableTaps = 512;

using CabinetTable = std::array<double, kCabinetTableTaps>;

// Stored from cabinet 7 down to cabinet 1, the 48 kHz table of each cabinet
// before its 44.1 kHz table.
extern const std::array<CabinetTable, 2 * kCabinetCount> kCabinetTables;

// Table of cabinet 1..7 for one rate family.
inline const CabinetTable& cabinetTable(int cabinet, bool family48k)
{
    return kCabinetTables[static_cast<std::size_t>(2 * (kCabinetCount - cabinet) + (family48k ? 0 : 1))];
}

} // namespace korvane
