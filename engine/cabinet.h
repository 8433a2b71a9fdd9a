// Loudspeaker-cabinet selection and convolution.
#pragma once

#include <cstdint>

namespace korvane {

struct PreampEngine;

// Cabinet number 0..7 of a parameter-9 value; each eighth includes its
// lower bound, anything below 0.125 is "no cabinet".
uint32_t cabinetForValue(float value);

// Chooses the cabinet named by the parameter copy. With force, the table is
// re-selected for the current rate family even when the number is unchanged.
void selectCabinet(PreampEngine& e, bool force);

} // namespace korvane
