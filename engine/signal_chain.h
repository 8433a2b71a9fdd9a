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
inline constexpr int32_t kStageRun = 32;

// The sections at the host rate, with the engine's coefficients and states
// copied into locals for a block and stored back at its end.
//
// Gains, coefficients and the channel are read once per block: a parameter
// changed by another thread while a block runs acts from the next block.
// The states are stored back at the block's end, so a reset made by another
// thread meanwhile (switching Bypass on) can be overwritten; the host's own
// suspend and rate changes come between blocks.
class HostRateSections {
public:
    explicit HostRateSections(const PreampEngine& e)
        : dcCoef(e.dcBlockCoef), inputGain(e.inputGain), bassA0(e.bassA0), bassGamma(e.bassGamma),
          bassShelf((e.bassMu + kEpsilon) - 1.0), midA0(e.midA0), midBeta(e.midBeta), midGamma(e.midGamma),
          midPeak((e.midMu + kEpsilon) - 1.0), trebleA0(e.trebleA0), trebleGamma(e.trebleGamma),
          trebleShelf((e.trebleMu + kEpsilon) - 1.0), powerGain(e.powerGain), inputDc(e.inputDcState),
          toneDc(e.toneDcState), outputDc(e.outputDcState), bx1(e.bassState[0]), bl1(e.bassState[1]),
          mx1(e.midState[0]), mx2(e.midState[1]), mw1(e.midState[2]), mw2(e.midState[3]), tx1(e.trebleState[0]),
          th1(e.trebleState[1])
    {
    }

    void store(PreampEngine& e) const
    {
        e.inputDcState = inputDc;
        e.toneDcState = toneDc;
        e.outputDcState = outputDc;
        e.bassState = {bx1, bl1};
        e.midState = {mx1, mx2, mw1, mw2};
        e.trebleState = {tx1, th1};
    }

    // Input DC blocker and gain.
    double input(double x)
    {
        return (onePoleHighPass(dcCoef, inputDc, sanitizeInput(x) + kEpsilon) + kEpsilon) * inputGain;
    }

    // DC blocker, Bass, Middle, Treble and the power drive.
    double tone(double x)
    {
        const double b = onePoleHighPass(dcCoef, toneDc, x) + kEpsilon;

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
        return (m + trebleShelf * h) * powerGain;
    }

    // Output DC blocker.
    double output(double x) { return onePoleHighPass(dcCoef, outputDc, x) + kEpsilon; }

    // The end of a pipeline step and the start of the next: the back's
    // output DC blocker, the front's tone stack and the next front's input,
    // each over n samples (any of them may be absent, with a count of 0).
    // With equal counts they go in one loop: three independent recurrences
    // whose latencies then overlap.
    template <class Sample>
    void stepEdges(double* back, double* toBack, int32_t backCount, double* front, int32_t frontCount,
                   const Sample* in, double* nextFront, int32_t nextCount)
    {
        // back[] is read before toBack may overwrite it (the same buffer).
        if (backCount == frontCount && frontCount == nextCount) {
            for (int32_t i = 0; i < frontCount; ++i) {
                const double o = output(back[i]);
                const double t = tone(front[i]);
                const double x = input(static_cast<double>(in[i]));
                toBack[i] = o;
                back[i] = t;
                nextFront[i] = x;
            }
            return;
        }
        for (int32_t i = 0; i < backCount; ++i)
            toBack[i] = output(back[i]);
        for (int32_t i = 0; i < frontCount; ++i)
            back[i] = tone(front[i]);
        for (int32_t i = 0; i < nextCount; ++i)
            nextFront[i] = input(static_cast<double>(in[i]));
    }

private:
    const double dcCoef, inputGain;
    const double bassA0, bassGamma, bassShelf;
    const double midA0, midBeta, midGamma, midPeak;
    const double trebleA0, trebleGamma, trebleShelf;
    const double powerGain;
    double inputDc, toneDc, outputDc;
    double bx1, bl1, mx1, mx2, mw1, mw2, tx1, th1;
};

// The block goes through the chain in runs, as a two-stage pipeline: step r
// takes run r from the input through the preamplifier to the tone stack
// (the front), and run r - 1 from the power stage to the output (the back).
// The two halves of a step are independent, so their converters, which are
// most of the work, run paired (upsampleRunPair). Each stage still sees its
// own values in time order, so the results are those of taking every
// sample through the whole chain in turn. Runs of at most kStageRun keep
// the buffers small; a block of more than a few samples is cut into at
// least two runs so that short blocks pair as well.
template <Voicing V, class Sample, int N>
void runChain(PreampEngine& e, const Sample* input, Sample* output, int32_t frames, uint32_t cabinet)
{
    // Inline cabinet at 44.1/48 kHz; higher rates run it after the block.
    const bool inlineCabinet = cabinet != 0 && e.cabinetFactor == 1;
    const double outputGain = e.outputGain;
    const PreampControls controls{e.leadChannel, e.preampGain, e.thumpCoef, e.interstage1Coef, e.interstage2Coef};
    PreampStates pre{e.thumpState, e.interstage1State, e.interstage2State};
    HostRateSections host(e);

    constexpr int32_t kMinPairedRun = 8;
    int32_t runs = (frames + kStageRun - 1) / kStageRun;
    if (runs == 1 && frames >= 2 * kMinPairedRun)
        runs = 2;
    const int32_t runLength = runs > 0 ? (frames + runs - 1) / runs : 0;

    double front[kStageRun] = {};  // the front's host-rate samples
    double back[kStageRun] = {};   // the back's: the tone stack's output of the run before
    double frontOver[N * kStageRun];
    double backOver[N * kStageRun];
    double scratch[12 * kStageRun];
    // Output DC blocker results wait here for the cabinet, which runs best
    // over long stretches.
    double q[kCabinetChunk];
    int32_t queued = 0;
    int32_t queuedStart = 0;
    const auto flush = [&] {
        if (inlineCabinet)
            convolveBlock(e, q, queued);
        for (int32_t i = 0; i < queued; ++i)
            output[queuedStart + i] = static_cast<Sample>(q[i] * outputGain);
        queuedStart += queued;
        queued = 0;
    };

    const auto frontCount = [&](int32_t r) { return r < runs ? std::min(runLength, frames - r * runLength) : 0; };
    host.stepEdges(back, q, 0, front, 0, input, front, frontCount(0));
    for (int32_t r = 0; r <= runs; ++r) {
        const int32_t frontN = frontCount(r);
        const int32_t backN = r > 0 ? frontCount(r - 1) : 0;
        if (frontN == backN) {
            upsampleRunPair<N>(e.preampResampler, front, frontOver, e.powerResampler, back, backOver, frontN,
                               scratch);
        } else {
            upsampleRun<N>(e.preampResampler, front, frontOver, frontN, scratch);
            upsampleRun<N>(e.powerResampler, back, backOver, backN, scratch);
        }
        if (frontN > 0)
            preampRun<V>(pre, controls, frontOver, N * frontN);
        powerStageRun(backOver, N * backN);
        if (frontN == backN) {
            downsampleRunPair<N>(e.preampResampler, frontOver, front, e.powerResampler, backOver, back, frontN,
                                 scratch);
        } else {
            downsampleRun<N>(e.preampResampler, frontOver, front, frontN, scratch);
            downsampleRun<N>(e.powerResampler, backOver, back, backN, scratch);
        }

        if (queued + backN > kCabinetChunk)
            flush();
        const int32_t nextN = frontCount(r + 1);
        host.stepEdges(back, q + queued, backN, front, frontN, input + (nextN > 0 ? (r + 1) * runLength : 0), front,
                       nextN);
        queued += backN;
    }
    flush();

    host.store(e);
    e.thumpState = pre.thump;
    e.interstage1State = pre.interstage1;
    e.interstage2State = pre.interstage2;
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
