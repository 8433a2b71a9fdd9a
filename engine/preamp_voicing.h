// The two preamplifier voicings: four inverting stages with high-pass
// sections between them; lead runs all four, clean the first and the last.
//
// Each deliverable instantiates exactly one voicing (see signal_chain.h).
#pragma once

#include <cstdint>

#include "engine/shaping.h"

namespace korvane {

enum class Voicing { base, variant };

// What the preamplifier reads: the controls and the fixed inter-stage
// coefficients, taken from the engine once per block.
struct PreampControls {
    bool lead;
    double gain;
    double thumpCoef;
    double interstage1Coef;
    double interstage2Coef;
};

// The preamplifier's memory: the states of its three high-pass sections.
struct PreampStates {
    double thump;
    double interstage1;
    double interstage2;
};

// The four stages of a voicing, each memoryless; the high-pass sections
// between them hold the preamplifier's memory.
template <Voicing V>
struct PreampStages;

// Base: asymmetric hard clippers.
template <>
struct PreampStages<Voicing::base> {
    // 2/3 rounded to 64 bits; the stage gains were voiced with it.
    static constexpr double kTwoThirds = 0.6666666666666666;
    static constexpr bool kDivides = false;

    static double first(double x) { return hardClip(x * -70.875, -204.5, 94.0); }
    static double second(double y, double gain) { return hardClip(y * gain * -59.115, -136.5, 170.0); }
    static double third(double z) { return hardClip((z + kEpsilon) * kTwoThirds * -2.25, -9.43, 212.0); }
    static double leadOutput(double z) { return (z + kEpsilon) * kTwoThirds; }
    static double fourth(double w) { return hardClip(w * -13.5, -46.83, 108.25); }
};

// Variant: biased soft saturators. Stage 1 subtracts its own resting output
// so silence stays silence; the later stages keep their offsets, which the
// high-pass sections after them remove.
template <>
struct PreampStages<Voicing::variant> {
    static constexpr double kStage1Rest = 54.199047738280605;  // saturate(55.25; 149.25, 22275.5625)
    static constexpr bool kDivides = true;

    static double first(double x) { return saturate(x * -70.875 + 55.25, 149.25, 22275.5625) - kStage1Rest; }
    static double second(double y, double gain)
    {
        return saturate(y * gain * -59.115 - 16.75, 153.25, 23485.5625);
    }
    static double third(double z) { return saturate((z + kEpsilon) * -2.25 - 101.285, 110.715, 12257.811225); }
    static double leadOutput(double z) { return z + kEpsilon; }
    static double fourth(double w) { return saturate(w * -13.5 - 30.71, 77.54, 6012.4516); }
};

// The memoryless stages over a run of independent values, in place
// (preamp_stage_loops.h).
template <Voicing V>
void firstStageRun(double* x, int32_t count);
template <Voicing V>
void fourthStageRun(double* x, int32_t count);
template <Voicing V>
void secondStageRun(double* x, int32_t count, double gain);
template <Voicing V>
void thirdStageRun(double* x, int32_t count);

// A run of oversampled samples through the preamplifier, in place, with the
// same results as taking each sample through the four stages in turn. The
// memoryless first and last stages run as plain loops over the run. On the
// lead path the hard clippers are cheap, so the three high-pass sections are
// software-pipelined: one iteration advances the Thump section on sample k,
// inter-stage 1 on k - 1 and inter-stage 2 on k - 2, three independent
// recurrences instead of one long chain, with the values between them kept
// in registers.
template <Voicing V>
void preampRun(PreampStates& s, const PreampControls& c, double* x, int32_t count)
{
    using Stage = PreampStages<V>;
    firstStageRun<V>(x, count);
    if (count <= 0)
        return;
    double thump = s.thump, interstage1 = s.interstage1, interstage2 = s.interstage2;
    if (!c.lead) {
        for (int32_t k = 0; k < count; ++k)
            x[k] = c.gain * (onePoleHighPass(c.thumpCoef, thump, x[k]) + kEpsilon);
    } else if constexpr (Stage::kDivides) {
        // The soft stages each spend a division: run every section over the
        // whole run in turn, so that the divisions of stages 2 and 3 go
        // through the vector unit like those of stages 1 and 4.
        for (int32_t k = 0; k < count; ++k)
            x[k] = onePoleHighPass(c.thumpCoef, thump, x[k]) + kEpsilon;
        secondStageRun<V>(x, count, c.gain);
        for (int32_t k = 0; k < count; ++k)
            x[k] = onePoleHighPass(c.interstage1Coef, interstage1, x[k]);
        thirdStageRun<V>(x, count);
        for (int32_t k = 0; k < count; ++k)
            x[k] = Stage::leadOutput(onePoleHighPass(c.interstage2Coef, interstage2, x[k]));
    } else {
        // Pipelined; y: Thump output of sample k - 1, z: inter-stage 1 output of k - 2.
        double y = onePoleHighPass(c.thumpCoef, thump, x[0]) + kEpsilon;
        double z = 0.0;
        for (int32_t k = 1; k < count; ++k) {
            if (k >= 2)
                x[k - 2] = Stage::leadOutput(onePoleHighPass(c.interstage2Coef, interstage2, Stage::third(z)));
            z = onePoleHighPass(c.interstage1Coef, interstage1, Stage::second(y, c.gain));
            y = onePoleHighPass(c.thumpCoef, thump, x[k]) + kEpsilon;
        }
        if (count >= 2)
            x[count - 2] = Stage::leadOutput(onePoleHighPass(c.interstage2Coef, interstage2, Stage::third(z)));
        z = onePoleHighPass(c.interstage1Coef, interstage1, Stage::second(y, c.gain));
        x[count - 1] = Stage::leadOutput(onePoleHighPass(c.interstage2Coef, interstage2, Stage::third(z)));
    }
    fourthStageRun<V>(x, count);
    s = {thump, interstage1, interstage2};
}

} // namespace korvane
