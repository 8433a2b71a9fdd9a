#include "engine/halfband.h"

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

} // namespace

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
