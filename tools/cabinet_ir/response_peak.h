// Where and how high the magnitude response of a set of taps peaks.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/cabinet_ir/complex.h"

namespace cabinet_ir {

struct ResponsePeak {
    double magnitude;
    double hz;
};

// DTFT of the taps at `hz`.
Cx responseAt(const std::vector<double>& h, double hz, double sampleRate);

// Golden-section search for the maximum of |H| between the neighbours of
// grid bin `bin` (of `gridSize` bins over 0..fs).
ResponsePeak refinePeak(const std::vector<double>& h, double sampleRate, std::size_t bin, std::size_t gridSize);

// Largest |H| over 0..fs/2: a 65536-point grid, then refined.
ResponsePeak responsePeak(const std::vector<double>& h, double sampleRate);

} // namespace cabinet_ir
