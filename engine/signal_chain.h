// processBlock: one block of the mono amplifier chain, in the 32-bit and the
// 64-bit form, written once over the sample type.
//
// Signal order: input DC blocker and gain; up to the oversampled rate;
// preamplifier voicing; down; DC blocker; Bass, Middle, Treble; power drive;
// up; power saturation; down; output DC blocker; cabinet; output gain. At
// 2x and 4x the cabinet rate the cabinet runs after the gain, over the block.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/cabinet.h"
#include "engine/float_mode.h"
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

// The power stage's saturation over a run of independent values, in place.
void powerStageRun(double* x, int32_t count);

namespace detail {

// Host samples that the chain takes through each stage at a time.
inline constexpr int32_t kStageRun = 64;

// The chain from the input to the output DC blocker, for up to kStageRun
// host samples, into q. It runs stage by stage over the run rather than
// sample by sample: each stage sees the same values in the same order, so
// the results are identical, but every recurrence is short and the
// memoryless stages become plain loops over independent values.
//
// Gains, coefficients and the channel are read once per block: a parameter
// changed by another thread while a block runs acts from the next block.
// The states live in locals for the run and are stored back at its end, so
// a reset made by another thread meanwhile (switching Bypass on) can be
// overwritten; the host's own suspend and rate changes come between blocks.
template <Voicing V, class Sample, int N>
void runPreCabinet(PreampEngine& e, const Sample* input, double* q, int32_t frames)
{
    const double dcCoef = e.dcBlockCoef;
    const double inputGain = e.inputGain;
    const PreampControls controls{e.leadChannel, e.preampGain, e.thumpCoef, e.interstage1Coef, e.interstage2Coef};
    const double bassA0 = e.bassA0, bassGamma = e.bassGamma, bassShelf = (e.bassMu + kEpsilon) - 1.0;
    const double midA0 = e.midA0, midBeta = e.midBeta, midGamma = e.midGamma, midPeak = (e.midMu + kEpsilon) - 1.0;
    const double trebleA0 = e.trebleA0, trebleGamma = e.trebleGamma, trebleShelf = (e.trebleMu + kEpsilon) - 1.0;
    const double powerGain = e.powerGain;

    double host[kStageRun];
    double over[N * kStageRun];
    double scratch[6 * kStageRun];

    // Input DC blocker and gain.
    double inputDc = e.inputDcState;
    for (int32_t i = 0; i < frames; ++i) {
        const double x = sanitizeInput(static_cast<double>(input[i]));
        host[i] = (onePoleHighPass(dcCoef, inputDc, x + kEpsilon) + kEpsilon) * inputGain;
    }
    e.inputDcState = inputDc;

    // Preamplifier at the oversampled rate.
    upsampleRun<N>(e.preampResampler, host, over, frames, scratch);
    PreampStates pre{e.thumpState, e.interstage1State, e.interstage2State};
    preampRun<V>(pre, controls, over, N * frames);
    e.thumpState = pre.thump;
    e.interstage1State = pre.interstage1;
    e.interstage2State = pre.interstage2;
    downsampleRun<N>(e.preampResampler, over, host, frames, scratch);

    // DC blocker, tone stack and power drive at the host rate.
    double toneDc = e.toneDcState;
    double bx1 = e.bassState[0], bl1 = e.bassState[1];
    double mx1 = e.midState[0], mx2 = e.midState[1], mw1 = e.midState[2], mw2 = e.midState[3];
    double tx1 = e.trebleState[0], th1 = e.trebleState[1];
    for (int32_t i = 0; i < frames; ++i) {
        const double b = onePoleHighPass(dcCoef, toneDc, host[i]) + kEpsilon;

        // Bass: first-order low shelf.
        const double l = (b + bx1) * bassA0 + bl1 * bassGamma + kEpsilon;
        bx1 = b;
        bl1 = l;
        const double c = bassShelf * l + b;

        // Middle: second-order peaking section around 700 Hz.
        const double v = ((c - mx2) * midA0 + midGamma * mw1 + kEpsilon) - mw2 * midBeta;
        mx2 = mx1;
        mx1 = c;
        const double w = v + v;
        mw2 = mw1;
        mw1 = w;
        const double m = midPeak * w + c;

        // Treble: first-order high shelf, then the power drive.
        const double h = (m - tx1) * trebleA0 + th1 * trebleGamma + kEpsilon;
        tx1 = m;
        th1 = h;
        host[i] = (m + trebleShelf * h) * powerGain;
    }
    e.toneDcState = toneDc;
    e.bassState = {bx1, bl1};
    e.midState = {mx1, mx2, mw1, mw2};
    e.trebleState = {tx1, th1};

    // Power stage at the oversampled rate, then the output DC blocker.
    upsampleRun<N>(e.powerResampler, host, over, frames, scratch);
    powerStageRun(over, N * frames);
    downsampleRun<N>(e.powerResampler, over, host, frames, scratch);
    double outputDc = e.outputDcState;
    for (int32_t i = 0; i < frames; ++i)
        q[i] = onePoleHighPass(dcCoef, outputDc, host[i]) + kEpsilon;
    e.outputDcState = outputDc;
}

template <Voicing V, class Sample, int N>
void runChain(PreampEngine& e, const Sample* input, Sample* output, int32_t frames, uint32_t cabinet)
{
    // Inline cabinet at 44.1/48 kHz; higher rates run it after the block.
    const bool inlineCabinet = cabinet != 0 && e.cabinetFactor == 1;
    const double outputGain = e.outputGain;
    double q[kStageRun];
    for (int32_t start = 0; start < frames; start += kStageRun) {
        const int32_t n = std::min(kStageRun, frames - start);
        runPreCabinet<V, Sample, N>(e, input + start, q, n);
        if (inlineCabinet)
            convolveBlock(e, q, n);
        for (int32_t i = 0; i < n; ++i)
            output[start + i] = static_cast<Sample>(q[i] * outputGain);
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
    const FlushDenormals flush;
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
