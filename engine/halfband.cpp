#include "engine/halfband.h"

#include "engine/vector_dispatch.h"

namespace korvane {

namespace {

template <int N>
void clearStage(HalfbandStage<N>& st)
{
    st.phaseState = 0.0;
    st.upEvenState.fill(0.0);
    st.upOddState.fill(0.0);
    st.downEvenState.fill(0.0);
    st.downOddState.fill(0.0);
}

// One stage of two resamplers in one direction, as lanes
// [a even, a odd, b even, b odd].
template <int N>
class StagePair {
public:
    StagePair(const HalfbandStage<N>& a, const HalfbandStage<N>& b, bool upward)
        : phaseCoef(a.phaseCoef), phaseA(a.phaseState), phaseB(b.phaseState)
    {
        const auto& ae = upward ? a.upEvenState : a.downEvenState;
        const auto& ao = upward ? a.upOddState : a.downOddState;
        const auto& be = upward ? b.upEvenState : b.downEvenState;
        const auto& bo = upward ? b.upOddState : b.downOddState;
        for (std::size_t k = 0; k < N; ++k) {
            coef[k] = Lanes4{a.evenCoefs[k], a.oddCoefs[k], a.evenCoefs[k], a.oddCoefs[k]};
            state[k] = Lanes4{ae[k], ao[k], be[k], bo[k]};
        }
    }

    void storeStates(HalfbandStage<N>& a, HalfbandStage<N>& b, bool upward) const
    {
        auto& ae = upward ? a.upEvenState : a.downEvenState;
        auto& ao = upward ? a.upOddState : a.downOddState;
        auto& be = upward ? b.upEvenState : b.downEvenState;
        auto& bo = upward ? b.upOddState : b.downOddState;
        if (upward) {
            a.phaseState = phaseA;
            b.phaseState = phaseB;
        }
        for (std::size_t k = 0; k < N; ++k) {
            ae[k] = state[k][0];
            ao[k] = state[k][1];
            be[k] = state[k][2];
            bo[k] = state[k][3];
        }
    }

    void interpolate(double xa, double xb, double* outA, double* outB)
    {
        const double ya = allpassStep(phaseCoef, phaseA, xa);
        const double yb = allpassStep(phaseCoef, phaseB, xb);
        Lanes4 v{ya, ya, yb, yb};
        for (int k = 0; k < N; ++k)
            v = allpassStep(coef[k], state[k], v);
        outA[0] = v[0];  // even (earlier) sample first
        outA[1] = v[1];
        outB[0] = v[2];
        outB[1] = v[3];
    }

    // The even branch takes the later sample of each pair.
    void decimate(const double* inA, const double* inB, double& outA, double& outB)
    {
        Lanes4 v{inA[1], inA[0], inB[1], inB[0]};
        for (int k = 0; k < N; ++k)
            v = allpassStep(coef[k], state[k], v);
        outA = (v[0] + v[1]) * 0.5;
        outB = (v[2] + v[3]) * 0.5;
    }

private:
    Lanes4 coef[N];
    Lanes4 state[N];
    double phaseCoef;
    double phaseA;
    double phaseB;
};

template <int N>
[[gnu::always_inline]] inline void interpolatePair(HalfbandStage<N>& a, HalfbandStage<N>& b, const double* inA,
                                                   const double* inB, double* outA, double* outB, int32_t count)
{
    StagePair<N> s(a, b, true);
    for (int32_t i = 0; i < count; ++i)
        s.interpolate(inA[i], inB[i], outA + 2 * i, outB + 2 * i);
    s.storeStates(a, b, true);
}

template <int N>
[[gnu::always_inline]] inline void decimatePair(HalfbandStage<N>& a, HalfbandStage<N>& b, const double* inA,
                                                const double* inB, double* outA, double* outB, int32_t count)
{
    StagePair<N> s(a, b, false);
    for (int32_t i = 0; i < count; ++i)
        s.decimate(inA + 2 * i, inB + 2 * i, outA[i], outB[i]);
    s.storeStates(a, b, false);
}

// Two consecutive stages upward in one loop: the outer one interpolates
// in[count] into mid[2 count], the inner one mid into out[4 count],
// kFusedStageLag steps behind.
template <int NO, int NI>
[[gnu::always_inline]] inline void interpolateFused(StagePair<NO>& outer, StagePair<NI>& inner, const double* inA,
                                                    const double* inB, double* midA, double* midB, double* outA,
                                                    double* outB, int32_t count)
{
    for (int32_t i = 0; i < count + kFusedStageLag; ++i) {
        if (i < count)
            outer.interpolate(inA[i], inB[i], midA + 2 * i, midB + 2 * i);
        const int32_t k = i - kFusedStageLag;
        if (k >= 0) {
            inner.interpolate(midA[2 * k], midB[2 * k], outA + 4 * k, outB + 4 * k);
            inner.interpolate(midA[2 * k + 1], midB[2 * k + 1], outA + 4 * k + 2, outB + 4 * k + 2);
        }
    }
}

// Two consecutive stages downward in one loop: the inner one decimates
// in[4 count] into mid[2 count], the outer one mid into out[count],
// kFusedStageLag steps behind.
template <int NI, int NO>
[[gnu::always_inline]] inline void decimateFused(StagePair<NI>& inner, StagePair<NO>& outer, const double* inA,
                                                 const double* inB, double* midA, double* midB, double* outA,
                                                 double* outB, int32_t count)
{
    for (int32_t i = 0; i < count + kFusedStageLag; ++i) {
        if (i < count) {
            inner.decimate(inA + 4 * i, inB + 4 * i, midA[2 * i], midB[2 * i]);
            inner.decimate(inA + 4 * i + 2, inB + 4 * i + 2, midA[2 * i + 1], midB[2 * i + 1]);
        }
        const int32_t k = i - kFusedStageLag;
        if (k >= 0)
            outer.decimate(midA + 2 * k, midB + 2 * k, outA[k], outB[k]);
    }
}

// The working buffers end as the per-sample forms leave them.
void keepLastPair(HalfbandResampler& r, const double* twice, int32_t count)
{
    r.pair = {twice[2 * count - 2], twice[2 * count - 1]};
}

void keepLastQuad(HalfbandResampler& r, const double* fourTimes, int32_t count)
{
    for (std::size_t j = 0; j < 4; ++j)
        r.quad[j] = fourTimes[4 * static_cast<std::size_t>(count) - 4 + j];
}

// Both resamplers' working buffers, from the twice-rate signals and, for
// the factor 8, the four-times-rate ones.
void keepLastBuffers(HalfbandResampler& ra, HalfbandResampler& rb, const double* twiceA, const double* twiceB,
                     const double* fourA, const double* fourB, int32_t count)
{
    keepLastPair(ra, twiceA, count);
    keepLastPair(rb, twiceB, count);
    if (fourA != nullptr) {
        keepLastQuad(ra, fourA, count);
        keepLastQuad(rb, fourB, count);
    }
}

} // namespace

template <int F>
KORVANE_VECTOR_CLONES void upsampleRunPair(HalfbandResampler& ra, const double* inA, double* outA,
                                           HalfbandResampler& rb, const double* inB, double* outB, int32_t count,
                                           double* scratch)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if (count <= 0)
        return;
    double* twiceA = scratch;
    double* twiceB = scratch + 2 * count;
    if constexpr (F == 2) {
        interpolatePair(ra.stage1, rb.stage1, inA, inB, outA, outB, count);
    } else if constexpr (F == 4) {
        StagePair<5> s1(ra.stage1, rb.stage1, true);
        StagePair<3> s2(ra.stage2, rb.stage2, true);
        interpolateFused(s1, s2, inA, inB, twiceA, twiceB, outA, outB, count);
        s1.storeStates(ra.stage1, rb.stage1, true);
        s2.storeStates(ra.stage2, rb.stage2, true);
        keepLastBuffers(ra, rb, twiceA, twiceB, nullptr, nullptr, count);
    } else {
        double* fourA = scratch + 4 * count;
        double* fourB = scratch + 8 * count;
        interpolatePair(ra.stage1, rb.stage1, inA, inB, twiceA, twiceB, count);
        StagePair<3> s2(ra.stage2, rb.stage2, true);
        StagePair<2> s3(ra.stage3, rb.stage3, true);
        interpolateFused(s2, s3, twiceA, twiceB, fourA, fourB, outA, outB, 2 * count);
        s2.storeStates(ra.stage2, rb.stage2, true);
        s3.storeStates(ra.stage3, rb.stage3, true);
        keepLastBuffers(ra, rb, twiceA, twiceB, fourA, fourB, count);
    }
}

template <int F>
KORVANE_VECTOR_CLONES void downsampleRunPair(HalfbandResampler& ra, const double* inA, double* outA,
                                             HalfbandResampler& rb, const double* inB, double* outB, int32_t count,
                                             double* scratch)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if (count <= 0)
        return;
    double* twiceA = scratch;
    double* twiceB = scratch + 2 * count;
    if constexpr (F == 2) {
        decimatePair(ra.stage1, rb.stage1, inA, inB, outA, outB, count);
    } else if constexpr (F == 4) {
        StagePair<3> s2(ra.stage2, rb.stage2, false);
        StagePair<5> s1(ra.stage1, rb.stage1, false);
        decimateFused(s2, s1, inA, inB, twiceA, twiceB, outA, outB, count);
        s2.storeStates(ra.stage2, rb.stage2, false);
        s1.storeStates(ra.stage1, rb.stage1, false);
        keepLastBuffers(ra, rb, twiceA, twiceB, nullptr, nullptr, count);
    } else {
        double* fourA = scratch + 4 * count;
        double* fourB = scratch + 8 * count;
        StagePair<2> s3(ra.stage3, rb.stage3, false);
        StagePair<3> s2(ra.stage2, rb.stage2, false);
        decimateFused(s3, s2, inA, inB, fourA, fourB, twiceA, twiceB, 2 * count);
        s3.storeStates(ra.stage3, rb.stage3, false);
        s2.storeStates(ra.stage2, rb.stage2, false);
        decimatePair(ra.stage1, rb.stage1, twiceA, twiceB, outA, outB, count);
        keepLastBuffers(ra, rb, twiceA, twiceB, fourA, fourB, count);
    }
}

template void upsampleRunPair<2>(HalfbandResampler&, const double*, double*, HalfbandResampler&, const double*,
                                 double*, int32_t, double*);
template void upsampleRunPair<4>(HalfbandResampler&, const double*, double*, HalfbandResampler&, const double*,
                                 double*, int32_t, double*);
template void upsampleRunPair<8>(HalfbandResampler&, const double*, double*, HalfbandResampler&, const double*,
                                 double*, int32_t, double*);
template void downsampleRunPair<2>(HalfbandResampler&, const double*, double*, HalfbandResampler&, const double*,
                                   double*, int32_t, double*);
template void downsampleRunPair<4>(HalfbandResampler&, const double*, double*, HalfbandResampler&, const double*,
                                   double*, int32_t, double*);
template void downsampleRunPair<8>(HalfbandResampler&, const double*, double*, HalfbandResampler&, const double*,
                                   double*, int32_t, double*);

void clear(HalfbandResampler& r)
{
    clearStage(r.stage1);
    clearStage(r.stage2);
    clearStage(r.stage3);
    r.pair.fill(0.0);
    r.quad.fill(0.0);
}

void configure(HalfbandResampler& r, int32_t factor)
{
    r.factor = factor;
    clear(r);
}

void upsample(HalfbandResampler& r, double x, double* out)
{
    switch (r.factor) {
    case 2: upsample<2>(r, x, out); break;
    case 4: upsample<4>(r, x, out); break;
    case 8: upsample<8>(r, x, out); break;
    default: break;
    }
}

double downsample(HalfbandResampler& r, const double* in)
{
    switch (r.factor) {
    case 2: return downsample<2>(r, in);
    case 4: return downsample<4>(r, in);
    case 8: return downsample<8>(r, in);
    default: return 0.0;
    }
}

} // namespace korvane
