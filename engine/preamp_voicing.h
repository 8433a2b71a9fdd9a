// The two preamplifier voicings: four inverting stages with high-pass
// sections between them; lead runs all four, clean the first and the last.
//
// Each deliverable instantiates exactly one voicing (see signal_chain.h).
#pragma once

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

template <Voicing V>
double preampSample(PreampStates& s, const PreampControls& c, double x);

// Base: asymmetric hard clippers.
template <>
inline double preampSample<Voicing::base>(PreampStates& s, const PreampControls& c, double x)
{
    // 2/3 rounded to 64 bits; the stage gains were voiced with it.
    constexpr double kTwoThirds = 0.6666666666666666;
    double y = hardClip(x * -70.875, -204.5, 94.0);
    y = onePoleHighPass(c.thumpCoef, s.thump, y) + kEpsilon;
    double w;
    if (c.lead) {
        double z = hardClip(y * c.gain * -59.115, -136.5, 170.0);
        z = onePoleHighPass(c.interstage1Coef, s.interstage1, z);
        const double u = (z + kEpsilon) * kTwoThirds * -2.25;
        z = hardClip(u, -9.43, 212.0);
        z = onePoleHighPass(c.interstage2Coef, s.interstage2, z);
        w = (z + kEpsilon) * kTwoThirds;
    } else {
        w = c.gain * y;
    }
    return hardClip(w * -13.5, -46.83, 108.25);
}

// Variant: biased soft saturators. Stage 1 subtracts its own resting output
// so silence stays silence; the later stages keep their offsets, which the
// high-pass sections after them remove.
template <>
inline double preampSample<Voicing::variant>(PreampStates& s, const PreampControls& c, double x)
{
    constexpr double kStage1Rest = 54.199047738280605;  // saturate(55.25; 149.25, 22275.5625)
    double y = saturate(x * -70.875 + 55.25, 149.25, 22275.5625) - kStage1Rest;
    y = onePoleHighPass(c.thumpCoef, s.thump, y) + kEpsilon;
    double w;
    if (c.lead) {
        double u = y * c.gain * -59.115 - 16.75;
        double z = saturate(u, 153.25, 23485.5625);
        z = onePoleHighPass(c.interstage1Coef, s.interstage1, z);
        u = (z + kEpsilon) * -2.25 - 101.285;
        z = saturate(u, 110.715, 12257.811225);
        z = onePoleHighPass(c.interstage2Coef, s.interstage2, z);
        w = z + kEpsilon;
    } else {
        w = c.gain * y;
    }
    return saturate(w * -13.5 - 30.71, 77.54, 6012.4516);
}

} // namespace korvane
