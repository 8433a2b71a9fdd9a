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

    template <class T>
    static T first(T x) { return hardClip(x * -70.875, -204.5, 94.0); }
    template <class T>
    static T second(T y, double gain) { return hardClip(y * gain * -59.115, -136.5, 170.0); }
    template <class T>
    static T third(T z) { return hardClip((z + kEpsilon) * kTwoThirds * -2.25, -9.43, 212.0); }
    template <class T>
    static T leadOutput(T z) { return (z + kEpsilon) * kTwoThirds; }
    template <class T>
    static T fourth(T w) { return hardClip(w * -13.5, -46.83, 108.25); }
};

// Variant: biased soft saturators. Stage 1 subtracts its own resting output
// so silence stays silence; the later stages keep their offsets, which the
// high-pass sections after them remove.
template <>
struct PreampStages<Voicing::variant> {
    static constexpr double kStage1Rest = 54.199047738280605;  // saturate(55.25; 149.25, 22275.5625)

    template <class T>
    static T first(T x) { return saturate(x * -70.875 + 55.25, 149.25, 22275.5625) - kStage1Rest; }
    template <class T>
    static T second(T y, double gain) { return saturate(y * gain * -59.115 - 16.75, 153.25, 23485.5625); }
    template <class T>
    static T third(T z) { return saturate((z + kEpsilon) * -2.25 - 101.285, 110.715, 12257.811225); }
    template <class T>
    static T leadOutput(T z) { return z + kEpsilon; }
    template <class T>
    static T fourth(T w) { return saturate(w * -13.5 - 30.71, 77.54, 6012.4516); }
};

// A run of oversampled samples through the preamplifier, in place, with the
// same results as taking each sample through the four stages in turn
// (preamp_stage_loops.h).
template <Voicing V>
void preampRun(PreampStates& s, const PreampControls& c, double* x, int32_t count);

} // namespace korvane
