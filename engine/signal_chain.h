// processBlock: one block of the mono amplifier chain, in the 32-bit and the
// 64-bit form, written once over the sample type.
//
// Signal order: input DC blocker and gain; up to the oversampled rate;
// preamplifier voicing; down; DC blocker; Bass, Middle, Treble; power drive;
// up; power saturation; down; output DC blocker; cabinet; output gain. At
// 2x and 4x the cabinet rate the cabinet runs after the gain, over the block.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/cabinet.h"
#include "engine/halfband.h"
#include "engine/preamp_engine.h"
#include "engine/preamp_voicing.h"
#include "engine/shaping.h"

namespace korvane {

// Inputs are clamped here (120 dB above full scale) so that no finite
// input, however large, can overflow the chain's recursive states; ordinary
// audio never reaches the limit and passes exactly as it came.
inline constexpr double kInputLimit = 1.0e6;

// A NaN or infinity would stay in the recursive states until the next
// reset, silencing the instance for good; treat it as a silent sample.
inline double sanitizeInput(double x)
{
    if (std::fabs(x) <= kInputLimit)
        return x;
    if (!std::isfinite(x))
        return 0.0;
    return x < 0.0 ? -kInputLimit : kInputLimit;
}

namespace detail {

template <Voicing V, class Sample, int N>
void runChain(PreampEngine& e, const Sample* input, Sample* output, int32_t frames, uint32_t cabinet)
{
    double over[N];
    for (int32_t i = 0; i < frames; ++i) {
        const double x = sanitizeInput(static_cast<double>(input[i]));

        const double y = onePoleHighPass(e.dcBlockCoef, e.inputDcState, x + kEpsilon);
        const double a = (y + kEpsilon) * e.inputGain;

        upsample<N>(e.preampResampler, a, over);
        const PreampControls controls{e.leadChannel, e.preampGain, e.thumpCoef};
        for (int k = 0; k < N; ++k)
            over[k] = preampSample<V>(e, controls, over[k]);
        double b = downsample<N>(e.preampResampler, over);

        b = onePoleHighPass(e.dcBlockCoef, e.toneDcState, b) + kEpsilon;

        // Bass: first-order low shelf.
        double& bx1 = e.bassState[0];
        double& bl1 = e.bassState[1];
        const double l = (b + bx1) * e.bassA0 + bl1 * e.bassGamma + kEpsilon;
        bx1 = b;
        bl1 = l;
        const double c = ((e.bassMu + kEpsilon) - 1.0) * l + b;

        // Middle: second-order peaking section around 700 Hz.
        double& mx1 = e.midState[0];
        double& mx2 = e.midState[1];
        double& mw1 = e.midState[2];
        double& mw2 = e.midState[3];
        const double v = ((c - mx2) * e.midA0 + e.midGamma * mw1 + kEpsilon) - mw2 * e.midBeta;
        mx2 = mx1;
        mx1 = c;
        const double w = v + v;
        mw2 = mw1;
        mw1 = w;
        const double m = ((e.midMu + kEpsilon) - 1.0) * w + c;

        // Treble: first-order high shelf, then the power drive.
        double& tx1 = e.trebleState[0];
        double& th1 = e.trebleState[1];
        const double h = (m - tx1) * e.trebleA0 + th1 * e.trebleGamma + kEpsilon;
        tx1 = m;
        th1 = h;
        const double t = (m + ((e.trebleMu + kEpsilon) - 1.0) * h) * e.powerGain;

        upsample<N>(e.powerResampler, t, over);
        for (int k = 0; k < N; ++k)
            over[k] = saturate(over[k] * 7.695, 300.0, 90000.0);
        double q = downsample<N>(e.powerResampler, over);

        q = onePoleHighPass(e.dcBlockCoef, e.outputDcState, q) + kEpsilon;

        // Inline cabinet at 44.1/48 kHz; higher rates run it after the loop.
        if (cabinet != 0 && e.cabinetFactor == 1)
            q = cabinetConvolve(e, q);

        output[i] = static_cast<Sample>(q * e.outputGain);
    }
}

} // namespace detail

// Replaces output[0..frames) with the processed input. input and output may
// be the same array: each input sample is read before its output is written.
template <Voicing V, class Sample>
void processBlock(PreampEngine& e, const Sample* input, Sample* output, int32_t frames)
{
    if (frames < 0)
        frames = 0;
    if (e.bypassed || e.rateUnsupported || e.overFactor == 0) {
        // overFactor 0: no rate set yet, treated like an unsupported one.
        for (int32_t i = 0; i < frames; ++i)
            output[i] = input[i];
        return;
    }
    // The cabinet is read once: a change of parameter 9 during the block
    // acts from the next block. No table yet means no cabinet.
    const uint32_t cabinet = e.cabinetIr != nullptr ? e.cabinet : 0;
    switch (e.overFactor) {
    case 8: detail::runChain<V, Sample, 8>(e, input, output, frames, cabinet); break;
    case 4: detail::runChain<V, Sample, 4>(e, input, output, frames, cabinet); break;
    default: detail::runChain<V, Sample, 2>(e, input, output, frames, cabinet); break;
    }
    if (cabinet == 0)
        return;
    if (e.cabinetFactor == 2)
        cabinetPostPass<2>(e, output, frames);
    else if (e.cabinetFactor == 4)
        cabinetPostPass<4>(e, output, frames);
}

} // namespace korvane
