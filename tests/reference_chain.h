// The amplifier chain written as plainly as possible: one host sample at a
// time, every step in its stated order, run-time factors, the cabinet ring
// indexed with a modulo. It shares nothing with the engine's processing code
// but the PreampEngine record, and serves as the oracle that the optimised
// processBlock must match bit for bit.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/preamp_engine.h"
#include "engine/preamp_voicing.h"

namespace korvane::reference {

inline constexpr double eps = 1e-16;

inline double highPass(double c, double& s, double x)
{
    double d = s - x;
    double v = c * d;
    double y = x - v;
    s = (d + v) - y;
    return y;
}

inline double saturate(double u, double k, double k2)
{
    double a = std::fabs(u);
    double den = a * k + a * k + a * a + a * a + a * a + k2;
    double r = a + (((-a - a) + k) - a) * (a * a) * (1.0 / den);
    return u < 0.0 ? -r : r;
}

inline double hardClip(double u, double lo, double hi)
{
    return ((std::fabs(u - lo) + lo + hi) - std::fabs(u - hi)) * 0.5;
}

inline double allpass(double c, double& s, double x)
{
    double v = (s - x) * c;
    double y = s - v;
    s = x - v;
    return y;
}

template <int N>
double branch(const std::array<double, N>& c, std::array<double, N>& s, double x)
{
    for (int k = 0; k < N; ++k)
        x = allpass(c[k], s[k], x);
    return x;
}

template <int N>
void interpolateStage(HalfbandStage<N>& st, double x, double& e, double& o)
{
    double y = allpass(st.phaseCoef, st.phaseState, x);
    e = branch<N>(st.evenCoefs, st.upEvenState, y);
    o = branch<N>(st.oddCoefs, st.upOddState, y);
}

template <int N>
double decimateStage(HalfbandStage<N>& st, double x0, double x1)
{
    double e = branch<N>(st.evenCoefs, st.downEvenState, x1);
    double o = branch<N>(st.oddCoefs, st.downOddState, x0);
    return (e + o) * 0.5;
}

inline void upsampleAny(HalfbandResampler& r, double x, double* out)
{
    if (r.factor == 2) {
        interpolateStage(r.stage1, x, out[0], out[1]);
    } else if (r.factor == 4) {
        interpolateStage(r.stage1, x, r.pair[0], r.pair[1]);
        interpolateStage(r.stage2, r.pair[0], out[0], out[1]);
        interpolateStage(r.stage2, r.pair[1], out[2], out[3]);
    } else {
        interpolateStage(r.stage1, x, r.pair[0], r.pair[1]);
        interpolateStage(r.stage2, r.pair[0], r.quad[0], r.quad[1]);
        interpolateStage(r.stage2, r.pair[1], r.quad[2], r.quad[3]);
        for (int j = 0; j < 4; ++j)
            interpolateStage(r.stage3, r.quad[j], out[2 * j], out[2 * j + 1]);
    }
}

inline double downsampleAny(HalfbandResampler& r, const double* s)
{
    if (r.factor == 2)
        return decimateStage(r.stage1, s[0], s[1]);
    if (r.factor == 4) {
        r.pair[0] = decimateStage(r.stage2, s[0], s[1]);
        r.pair[1] = decimateStage(r.stage2, s[2], s[3]);
        return decimateStage(r.stage1, r.pair[0], r.pair[1]);
    }
    for (int j = 0; j < 4; ++j)
        r.quad[j] = decimateStage(r.stage3, s[2 * j], s[2 * j + 1]);
    r.pair[0] = decimateStage(r.stage2, r.quad[0], r.quad[1]);
    r.pair[1] = decimateStage(r.stage2, r.quad[2], r.quad[3]);
    return decimateStage(r.stage1, r.pair[0], r.pair[1]);
}

inline double preamp(PreampEngine& e, Voicing voicing, bool lead, double gain, double thump, double x)
{
    double w;
    if (voicing == Voicing::base) {
        double y = hardClip(x * -70.875, -204.5, 94.0);
        y = highPass(thump, e.thumpState, y) + eps;
        if (lead) {
            double z = hardClip(y * gain * -59.115, -136.5, 170.0);
            z = highPass(e.interstage1Coef, e.interstage1State, z);
            double u = (z + eps) * 0.6666666666666666 * -2.25;
            z = hardClip(u, -9.43, 212.0);
            z = highPass(e.interstage2Coef, e.interstage2State, z);
            w = (z + eps) * 0.6666666666666666;
        } else {
            w = gain * y;
        }
        return hardClip(w * -13.5, -46.83, 108.25);
    }
    double y = saturate(x * -70.875 + 55.25, 149.25, 22275.5625) - 54.199047738280605;
    y = highPass(thump, e.thumpState, y) + eps;
    if (lead) {
        double u = y * gain * -59.115 - 16.75;
        double z = saturate(u, 153.25, 23485.5625);
        z = highPass(e.interstage1Coef, e.interstage1State, z);
        u = (z + eps) * -2.25 - 101.285;
        z = saturate(u, 110.715, 12257.811225);
        z = highPass(e.interstage2Coef, e.interstage2State, z);
        w = z + eps;
    } else {
        w = gain * y;
    }
    return saturate(w * -13.5 - 30.71, 77.54, 6012.4516);
}

inline double convolve(PreampEngine& e, double x)
{
    int32_t w = e.cabinetWriteIndex;
    e.cabinetHistory[static_cast<std::size_t>(w)] = x;
    double y = 0.0;
    for (int k = 0; k < 512; ++k)
        y = y + e.cabinetHistory[static_cast<std::size_t>((w + k) % 512)] * e.cabinetIr[k];
    e.cabinetWriteIndex = (w + 511) % 512;
    return y;
}

// Non-finite and huge inputs are outside what the oracle is for; the
// engine's own tests cover them.
template <class Sample>
void processBlock(Voicing voicing, PreampEngine& e, const Sample* input, Sample* output, int32_t frames)
{
    if (e.bypassed || e.rateUnsupported) {
        for (int32_t i = 0; i < frames; ++i)
            output[i] = input[i];
        return;
    }
    const int n = e.overFactor;
    const uint32_t cabinet = e.cabinet;
    for (int32_t i = 0; i < frames; ++i) {
        double x = static_cast<double>(input[i]);
        double y = highPass(e.dcBlockCoef, e.inputDcState, x + eps);
        double a = (y + eps) * e.inputGain;
        double o[8];
        upsampleAny(e.preampResampler, a, o);
        bool lead = e.leadChannel;
        double gain = e.preampGain;
        double thump = e.thumpCoef;
        for (int k = 0; k < n; ++k)
            o[k] = preamp(e, voicing, lead, gain, thump, o[k]);
        double b = downsampleAny(e.preampResampler, o);
        b = highPass(e.dcBlockCoef, e.toneDcState, b) + eps;

        double l = (b + e.bassState[0]) * e.bassA0 + e.bassState[1] * e.bassGamma + eps;
        e.bassState[0] = b;
        e.bassState[1] = l;
        double c = ((e.bassMu + eps) - 1.0) * l + b;

        double v = ((c - e.midState[1]) * e.midA0 + e.midGamma * e.midState[2] + eps) - e.midState[3] * e.midBeta;
        e.midState[1] = e.midState[0];
        e.midState[0] = c;
        double w = v + v;
        e.midState[3] = e.midState[2];
        e.midState[2] = w;
        double m = ((e.midMu + eps) - 1.0) * w + c;

        double h = (m - e.trebleState[0]) * e.trebleA0 + e.trebleState[1] * e.trebleGamma + eps;
        e.trebleState[0] = m;
        e.trebleState[1] = h;
        double t = (m + ((e.trebleMu + eps) - 1.0) * h) * e.powerGain;

        double p[8];
        upsampleAny(e.powerResampler, t, p);
        for (int k = 0; k < n; ++k)
            p[k] = saturate(p[k] * 7.695, 300.0, 90000.0);
        double q = downsampleAny(e.powerResampler, p);
        q = highPass(e.dcBlockCoef, e.outputDcState, q) + eps;
        if (cabinet != 0 && e.cabinetFactor == 1)
            q = convolve(e, q);
        output[i] = static_cast<Sample>(q * e.outputGain);
    }
    if (cabinet == 0 || e.cabinetFactor == 1)
        return;
    const int f = e.cabinetFactor;
    if (frames % f != 0) {
        e.blockSizeIncompatible = true;
        return;
    }
    for (int32_t i = 0; i < frames; i += f) {
        double g[4];
        for (int j = 0; j < f; ++j)
            g[j] = static_cast<double>(output[i + j]);
        double y = convolve(e, downsampleAny(e.cabinetResampler, g));
        upsampleAny(e.cabinetResampler, y, g);
        for (int j = 0; j < f; ++j)
            output[i + j] = static_cast<Sample>(g[j]);
    }
    e.blockSizeIncompatible = false;
}

} // namespace korvane::reference
