// The eleven automatable parameters as the host sees them: names, unit
// labels and display texts. Index 50 of getParameter is a status, not a
// parameter, and has none of these.
#pragma once

#include <cstdint>

namespace korvane {

// getParameter index that reports the cabinet's block-size status.
inline constexpr int32_t kBlockSizeStatusIndex = 50;

// Display name of cabinet number 0..7 ("Disengaged" for 0).
const char* cabinetName(uint32_t cabinet);

// Each writes its text, at most 23 characters and a terminator, for an
// index in 0..10; other indices and null buffers are left untouched.
void parameterName(int32_t index, char* text);
void parameterLabel(int32_t index, char* text);
void parameterDisplay(int32_t index, float value, char* text);

} // namespace korvane
