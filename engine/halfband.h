// Polyphase IIR halfband converters: up and down by 2, 4 or 8.
//
// Each 2x stage is a pair of allpass branches (one multiply per section).
// One object carries the states of both directions, so a single resampler
// serves as the up/down pair around one nonlinear section.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/lanes.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace korvane {

template <int N>
struct HalfbandStage {
    double phaseState = 0.0;
    double phaseCoef = 0.0;
    std::array<double, N> upEvenState{};
    std::array<double, N> upOddState{};
    std::array<double, N> evenCoefs{};
    std::array<double, N> oddCoefs{};
    std::array<double, N> downEvenState{};
    std::array<double, N> downOddState{};
};

// Designed offline for a halfband response that is flat to 0.23 of the
// high rate; stage 1 carries the steep transition, the later stages only
// have to reject images that the earlier stage already band-limited.
inline constexpr HalfbandStage<5> kHalfbandStage1{
    .phaseCoef = -0.21,
    .evenCoefs = {0.025476632149437517, 0.20237642317537216, 0.45261743891500267,
                  0.6832710928928749, 0.8708480319488705},
    .oddCoefs = {0.09710338252663438, 0.32561934430423173, 0.5734637496099136,
                 0.781497362556631, 0.9564347068133644},
};
inline constexpr HalfbandStage<3> kHalfbandStage2{
    .phaseCoef = -0.17,
    .evenCoefs = {0.023868156659369793, 0.20833477589807192, 0.5675964936463223},
    .oddCoefs = {0.09422599634300406, 0.3647495205019613, 0.8329459743459461},
};
inline constexpr HalfbandStage<2> kHalfbandStage3{
    .phaseCoef = -0.13,
    .evenCoefs = {0.034598193593907554, 0.35283505189747927},
    .oddCoefs = {0.14453304665657887, 0.7181287458620202},
};

struct HalfbandResampler {
    HalfbandStage<5> stage1 = kHalfbandStage1;
    std::array<double, 2> pair{};
    HalfbandStage<3> stage2 = kHalfbandStage2;
    std::array<double, 4> quad{};
    HalfbandStage<2> stage3 = kHalfbandStage3;
    int32_t factor = 0;
};

// Sets the factor (1, 2, 4 or 8) and clears every state.
void configure(HalfbandResampler& r, int32_t factor);
// Clears every state and working buffer; coefficients and factor stay.
void clear(HalfbandResampler& r);

// First-order allpass (c + z^-1) / (1 + c z^-1) with a single multiply.
template <class T>
inline T allpassStep(T c, T& s, T x)
{
    const T v = (s - x) * c;
    const T y = s - v;
    s = x - v;
    return y;
}

template <int N>
inline double branchPass(const std::array<double, N>& c, std::array<double, N>& s, double x)
{
    for (int k = 0; k < N; ++k)
        x = allpassStep<double>(c[k], s[k], x);
    return x;
}

// One low-rate sample in, two high-rate samples out (earlier first).
template <int N>
inline void interpolate(HalfbandStage<N>& st, double x, double* out)
{
    const double y = allpassStep<double>(st.phaseCoef, st.phaseState, x);
    out[0] = branchPass<N>(st.evenCoefs, st.upEvenState, y);
    out[1] = branchPass<N>(st.oddCoefs, st.upOddState, y);
}

// Two high-rate samples in (x0 earlier), one low-rate sample out.
template <int N>
inline double decimate(HalfbandStage<N>& st, double x0, double x1)
{
    const double e = branchPass<N>(st.evenCoefs, st.downEvenState, x1);
    const double o = branchPass<N>(st.oddCoefs, st.downOddState, x0);
    return (e + o) * 0.5;
}

// Factor as a compile-time constant, so the chain's inner loops unroll.
template <int F>
inline void upsample(HalfbandResampler& r, double x, double* out)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if constexpr (F == 2) {
        interpolate(r.stage1, x, out);
    } else if constexpr (F == 4) {
        interpolate(r.stage1, x, r.pair.data());
        interpolate(r.stage2, r.pair[0], out);
        interpolate(r.stage2, r.pair[1], out + 2);
    } else {
        interpolate(r.stage1, x, r.pair.data());
        interpolate(r.stage2, r.pair[0], r.quad.data());
        interpolate(r.stage2, r.pair[1], r.quad.data() + 2);
        for (int j = 0; j < 4; ++j)
            interpolate(r.stage3, r.quad[j], out + 2 * j);
    }
}

template <int F>
inline double downsample(HalfbandResampler& r, const double* in)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if constexpr (F == 2) {
        return decimate(r.stage1, in[0], in[1]);
    } else if constexpr (F == 4) {
        r.pair[0] = decimate(r.stage2, in[0], in[1]);
        r.pair[1] = decimate(r.stage2, in[2], in[3]);
        return decimate(r.stage1, r.pair[0], r.pair[1]);
    } else {
        for (int j = 0; j < 4; ++j)
            r.quad[j] = decimate(r.stage3, in[2 * j], in[2 * j + 1]);
        r.pair[0] = decimate(r.stage2, r.quad[0], r.quad[1]);
        r.pair[1] = decimate(r.stage2, r.quad[2], r.quad[3]);
        return decimate(r.stage1, r.pair[0], r.pair[1]);
    }
}

// A stage's working copy for the block forms below. Its even and odd
// branches are independent, so on SSE2 they share one register: lane 0
// carries the even branch, lane 1 the odd one, and each section step is one
// packed subtract, multiply, subtract, subtract, exactly the scalar
// operations side by side.
#if defined(__SSE2__) || defined(_M_X64)
template <int N>
class StageLanes {
public:
    // Only the states of the direction in use are loaded, which keeps a
    // stage's whole working set in registers.
    StageLanes(const HalfbandStage<N>& st, bool upward)
        : phaseCoef(st.phaseCoef), phaseState(st.phaseState)
    {
        const auto& even = upward ? st.upEvenState : st.downEvenState;
        const auto& odd = upward ? st.upOddState : st.downOddState;
        for (int k = 0; k < N; ++k) {
            coef[k] = _mm_set_pd(st.oddCoefs[k], st.evenCoefs[k]);
            state[k] = _mm_set_pd(odd[k], even[k]);
        }
    }

    void storeStates(HalfbandStage<N>& st, bool upward) const
    {
        auto& even = upward ? st.upEvenState : st.downEvenState;
        auto& odd = upward ? st.upOddState : st.downOddState;
        if (upward)
            st.phaseState = phaseState;
        for (int k = 0; k < N; ++k) {
            even[k] = _mm_cvtsd_f64(state[k]);
            odd[k] = _mm_cvtsd_f64(_mm_unpackhi_pd(state[k], state[k]));
        }
    }

    void interpolate(double x, double* out)
    {
        __m128d v = _mm_set1_pd(allpassStep<double>(phaseCoef, phaseState, x));
        for (int k = 0; k < N; ++k)
            v = step(coef[k], state[k], v);
        _mm_storeu_pd(out, v);  // even (earlier) sample first
    }

    double decimate(double x0, double x1)
    {
        __m128d v = _mm_set_pd(x0, x1);  // the even branch takes the later sample
        for (int k = 0; k < N; ++k)
            v = step(coef[k], state[k], v);
        return (_mm_cvtsd_f64(v) + _mm_cvtsd_f64(_mm_unpackhi_pd(v, v))) * 0.5;
    }

private:
    static __m128d step(__m128d c, __m128d& s, __m128d x)
    {
        const __m128d v = _mm_mul_pd(_mm_sub_pd(s, x), c);
        const __m128d y = _mm_sub_pd(s, v);
        s = _mm_sub_pd(x, v);
        return y;
    }

    __m128d coef[N];
    __m128d state[N];
    double phaseCoef;
    double phaseState;
};
#else
template <int N>
class StageLanes {
public:
    StageLanes(const HalfbandStage<N>& st, bool) : s(st) {}
    void storeStates(HalfbandStage<N>& st, bool) const { st = s; }
    void interpolate(double x, double* out) { korvane::interpolate(s, x, out); }
    double decimate(double x0, double x1) { return korvane::decimate(s, x0, x1); }

private:
    HalfbandStage<N> s;
};
#endif

// Where two stages share one loop, the later one runs this many of the
// earlier one's steps behind, so that consecutive steps of the two
// recurrences overlap rather than wait on each other (measured best at 3).
inline constexpr int32_t kFusedStageLag = 3;

// Block forms: one stage over a run of samples, the next stage over all of
// its outputs, and so on. Each stage still sees its own inputs in time
// order, so the results are those of the per-sample calls; but a stage's
// sections now form short recurrences that consecutive samples overlap,
// instead of one long dependency chain per low-rate sample. The states live
// in locals for the run.
template <int N>
inline void interpolateRun(HalfbandStage<N>& st, const double* in, double* out, int32_t count)
{
    StageLanes<N> s(st, true);
    for (int32_t i = 0; i < count; ++i)
        s.interpolate(in[i], out + 2 * i);
    s.storeStates(st, true);
}

template <int N>
inline void decimateRun(HalfbandStage<N>& st, const double* in, double* out, int32_t count)
{
    StageLanes<N> s(st, false);
    for (int32_t i = 0; i < count; ++i)
        out[i] = s.decimate(in[2 * i], in[2 * i + 1]);
    s.storeStates(st, false);
}

// Two consecutive stages in one loop, the later one kFusedStageLag steps
// of the earlier one behind: their short states fit the registers together,
// and their recurrences then overlap. Upward, the outer stage interpolates
// in[count] into mid[2 count] and the inner one mid into out[4 count].
template <int NO, int NI>
inline void interpolateFusedRun(HalfbandStage<NO>& outerStage, HalfbandStage<NI>& innerStage, const double* in,
                                double* mid, double* out, int32_t count)
{
    StageLanes<NO> outer(outerStage, true);
    StageLanes<NI> inner(innerStage, true);
    for (int32_t i = 0; i < count + kFusedStageLag; ++i) {
        if (i < count)
            outer.interpolate(in[i], mid + 2 * i);
        const int32_t k = i - kFusedStageLag;
        if (k >= 0) {
            inner.interpolate(mid[2 * k], out + 4 * k);
            inner.interpolate(mid[2 * k + 1], out + 4 * k + 2);
        }
    }
    outer.storeStates(outerStage, true);
    inner.storeStates(innerStage, true);
}

// Downward, the inner stage decimates in[4 count] into mid[2 count] and the
// outer one mid into out[count].
template <int NI, int NO>
inline void decimateFusedRun(HalfbandStage<NI>& innerStage, HalfbandStage<NO>& outerStage, const double* in,
                             double* mid, double* out, int32_t count)
{
    StageLanes<NI> inner(innerStage, false);
    StageLanes<NO> outer(outerStage, false);
    for (int32_t i = 0; i < count + kFusedStageLag; ++i) {
        if (i < count) {
            mid[2 * i] = inner.decimate(in[4 * i], in[4 * i + 1]);
            mid[2 * i + 1] = inner.decimate(in[4 * i + 2], in[4 * i + 3]);
        }
        const int32_t k = i - kFusedStageLag;
        if (k >= 0)
            out[k] = outer.decimate(mid[2 * k], mid[2 * k + 1]);
    }
    inner.storeStates(innerStage, false);
    outer.storeStates(outerStage, false);
}

// in[count] -> out[F * count], stage after stage over the whole run.
// scratch holds at least 6 * count doubles.
template <int F>
inline void upsampleRun(HalfbandResampler& r, const double* in, double* out, int32_t count, double* scratch)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if (count <= 0)
        return;
    if constexpr (F == 2) {
        interpolateRun(r.stage1, in, out, count);
    } else if constexpr (F == 4) {
        interpolateFusedRun(r.stage1, r.stage2, in, scratch, out, count);
        r.pair = {scratch[2 * count - 2], scratch[2 * count - 1]};
    } else {
        double* twice = scratch;
        double* fourTimes = scratch + 2 * count;
        interpolateRun(r.stage1, in, twice, count);
        interpolateFusedRun(r.stage2, r.stage3, twice, fourTimes, out, 2 * count);
        r.pair = {twice[2 * count - 2], twice[2 * count - 1]};
        for (int j = 0; j < 4; ++j)
            r.quad[static_cast<std::size_t>(j)] = fourTimes[4 * count - 4 + j];
    }
}

// in[F * count] -> out[count], from the innermost stage outwards.
// scratch holds at least 6 * count doubles.
template <int F>
inline void downsampleRun(HalfbandResampler& r, const double* in, double* out, int32_t count, double* scratch)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if (count <= 0)
        return;
    if constexpr (F == 2) {
        decimateRun(r.stage1, in, out, count);
    } else if constexpr (F == 4) {
        decimateFusedRun(r.stage2, r.stage1, in, scratch, out, count);
        r.pair = {scratch[2 * count - 2], scratch[2 * count - 1]};
    } else {
        double* fourTimes = scratch;
        double* twice = scratch + 4 * count;
        decimateFusedRun(r.stage3, r.stage2, in, fourTimes, twice, 2 * count);
        decimateRun(r.stage1, twice, out, count);
        for (int j = 0; j < 4; ++j)
            r.quad[static_cast<std::size_t>(j)] = fourTimes[4 * count - 4 + j];
        r.pair = {twice[2 * count - 2], twice[2 * count - 1]};
    }
}

// Two resamplers of the same factor over runs of the same length, stepped
// together: the chain pairs the preamplifier's converter on one run with the
// power stage's on the run before, two independent signals. Each section
// step then carries four lanes (both branches of both signals), which one
// AVX register or two SSE2 ones take per instruction, and the two
// recurrences hide each other's latency. Results are those of upsampleRun
// and downsampleRun on each resampler. scratch holds at least 12 * count
// doubles.
template <int F>
void upsampleRunPair(HalfbandResampler& ra, const double* inA, double* outA, HalfbandResampler& rb,
                     const double* inB, double* outB, int32_t count, double* scratch);
template <int F>
void downsampleRunPair(HalfbandResampler& ra, const double* inA, double* outA, HalfbandResampler& rb,
                       const double* inB, double* outB, int32_t count, double* scratch);

// Run-time factor, for callers outside the per-sample hot loops. Factors
// other than 2, 4 and 8 leave the output untouched and return 0.
void upsample(HalfbandResampler& r, double x, double* out);
double downsample(HalfbandResampler& r, const double* in);

} // namespace korvane
