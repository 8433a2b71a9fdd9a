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

} // namespace

template <int F>
KORVANE_VECTOR_CLONES void upsampleRunPair(HalfbandResampler& ra, const double* inA, double* outA,
                                           HalfbandResampler& rb, const double* inB, double* outB, int32_t count,
                                           double* scratch)
{
    static_assert(F == 2 || F == 4 || F == 8);
    if (count <= 0)
        return;
    if constexpr (F == 2) {
        interpolatePair(ra.stage1, rb.stage1, inA, inB, outA, outB, count);
    } else {
        double* twiceA = scratch;
        double* twiceB = scratch + 2 * count;
        interpolatePair(ra.stage1, rb.stage1, inA, inB, twiceA, twiceB, count);
        keepLastPair(ra, twiceA, count);
        keepLastPair(rb, twiceB, count);
        if constexpr (F == 4) {
            interpolatePair(ra.stage2, rb.stage2, twiceA, twiceB, outA, outB, 2 * count);
        } else {
            double* fourA = scratch + 4 * count;
            double* fourB = scratch + 8 * count;
            interpolatePair(ra.stage2, rb.stage2, twiceA, twiceB, fourA, fourB, 2 * count);
            interpolatePair(ra.stage3, rb.stage3, fourA, fourB, outA, outB, 4 * count);
            keepLastQuad(ra, fourA, count);
            keepLastQuad(rb, fourB, count);
        }
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
    if constexpr (F == 2) {
        decimatePair(ra.stage1, rb.stage1, inA, inB, outA, outB, count);
    } else {
        double* twiceA = scratch;
        double* twiceB = scratch + 2 * count;
        if constexpr (F == 4) {
            decimatePair(ra.stage2, rb.stage2, inA, inB, twiceA, twiceB, 2 * count);
        } else {
            double* fourA = scratch + 4 * count;
            double* fourB = scratch + 8 * count;
            // Stages 3 and 2 share one loop, stage 2 one output pair behind.
            StagePair<2> s3(ra.stage3, rb.stage3, false);
            StagePair<3> s2(ra.stage2, rb.stage2, false);
            s3.decimate(inA, inB, fourA[0], fourB[0]);
            s3.decimate(inA + 2, inB + 2, fourA[1], fourB[1]);
            for (int32_t i = 1; i < 2 * count; ++i) {
                s3.decimate(inA + 4 * i, inB + 4 * i, fourA[2 * i], fourB[2 * i]);
                s3.decimate(inA + 4 * i + 2, inB + 4 * i + 2, fourA[2 * i + 1], fourB[2 * i + 1]);
                s2.decimate(fourA + 2 * i - 2, fourB + 2 * i - 2, twiceA[i - 1], twiceB[i - 1]);
            }
            s2.decimate(fourA + 4 * count - 2, fourB + 4 * count - 2, twiceA[2 * count - 1], twiceB[2 * count - 1]);
            s3.storeStates(ra.stage3, rb.stage3, false);
            s2.storeStates(ra.stage2, rb.stage2, false);
            keepLastQuad(ra, fourA, count);
            keepLastQuad(rb, fourB, count);
        }
        decimatePair(ra.stage1, rb.stage1, twiceA, twiceB, outA, outB, count);
        keepLastPair(ra, twiceA, count);
        keepLastPair(rb, twiceB, count);
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
