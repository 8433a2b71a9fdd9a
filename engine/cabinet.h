// Loudspeaker-cabinet selection and convolution.
//
// The convolution always runs at 44.1 or 48 kHz: inline in the per-sample
// chain at those host rates, and as a post-pass over the block at 2x and 4x
// the rate, through the engine's cabinetResampler.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/halfband.h"
#include "engine/preamp_engine.h"

namespace korvane {

// Cabinet number 0..7 of a parameter-9 value; each eighth includes its
// lower bound, anything below 0.125 is "no cabinet".
uint32_t cabinetForValue(float value);

// Chooses the cabinet named by the parameter copy. Engaging a cabinet (or
// changing to another) picks the table of the current rate family and
// clears the history; with force this happens even for the same cabinet.
// Disengaging only sets the number to 0.
void selectCabinet(PreampEngine& e, bool force);

// Cabinet-rate samples per convolveBlock call; callers split longer runs.
inline constexpr int32_t kCabinetChunk = 256;

// One cabinet-rate sample through the 512-tap response. The history ring
// runs backwards: the sample written j steps ago sits at
// (cabinetWriteIndex + 1 + j) mod 512. Indices are masked, so a selection
// made on another thread mid-block can never send a read out of range.
inline double cabinetConvolve(PreampEngine& e, double x)
{
    constexpr int32_t kMask = kCabinetTaps - 1;
    static_assert((kCabinetTaps & kMask) == 0, "ring indexing relies on a power of two");
    const int32_t w = e.cabinetWriteIndex & kMask;
    const double* h = e.cabinetIr;
    e.cabinetHistory[static_cast<std::size_t>(w)] = x;
    double y = 0.0;
    for (int32_t k = 0; k < kCabinetTaps; ++k)
        y = y + e.cabinetHistory[static_cast<std::size_t>((w + k) & kMask)] * h[k];
    e.cabinetWriteIndex = (w - 1) & kMask;
    return y;
}

// count (at most kCabinetChunk) consecutive cabinet-rate samples through
// the response, in place. Gives exactly what count cabinetConvolve steps
// give, and leaves the ring and write index where they would: each output
// is still its own sum over the taps in ascending order, but neighbouring
// outputs are summed side by side in vector lanes.
//
// The kernel is the fastest that the CPU runs (AVX-512 where it has it);
// every kernel gives the same bits. Tests ask for the portable one too.
enum class ConvolveKernel { fastest, portable };
void convolveBlock(PreampEngine& e, double* samples, int32_t count,
                   ConvolveKernel kernel = ConvolveKernel::fastest);

// The cabinet at 2x and 4x the cabinet rate, over a block that the chain
// has already written: each group of F output samples goes down to one
// cabinet-rate sample, through the response, and back up. A block whose
// length F does not divide goes out without the cabinet and raises
// blockSizeIncompatible; the ring is then left as it was.
template <int F, class Sample>
void cabinetPostPass(PreampEngine& e, Sample* output, int32_t frames)
{
    if (frames % F != 0) {
        e.blockSizeIncompatible = true;
        return;
    }
    // The down and up directions of the resampler keep separate states, so
    // a run of groups can go down first, through the response together,
    // then up.
    constexpr int32_t kGroups = 64;
    double wide[kGroups * F];
    double chunk[kGroups];
    double scratch[6 * kGroups];
    for (int32_t start = 0; start < frames; start += kGroups * F) {
        const int32_t groups = std::min(kGroups, (frames - start) / F);
        Sample* out = output + start;
        for (int32_t i = 0; i < groups * F; ++i)
            wide[i] = static_cast<double>(out[i]);
        downsampleRun<F>(e.cabinetResampler, wide, chunk, groups, scratch);
        convolveBlock(e, chunk, groups);
        upsampleRun<F>(e.cabinetResampler, chunk, wide, groups, scratch);
        for (int32_t i = 0; i < groups * F; ++i)
            out[i] = static_cast<Sample>(wide[i]);
    }
    e.blockSizeIncompatible = false;
}

} // namespace korvane
