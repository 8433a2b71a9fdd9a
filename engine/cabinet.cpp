#include "engine/cabinet.h"

#include "engine/cabinet_tables.h"

#include "engine/vector_dispatch.h"

namespace korvane {

uint32_t cabinetForValue(float v)
{
    // Halving search; v >= boundary always selects the upper eighth.
    if (v < 0.5f) {
        if (v < 0.25f)
            return v < 0.125f ? 0 : 1;
        return v < 0.375f ? 2 : 3;
    }
    if (v < 0.75f)
        return v < 0.625f ? 4 : 5;
    return v < 0.875f ? 6 : 7;
}

void selectCabinet(PreampEngine& e, bool force)
{
    const uint32_t c = cabinetForValue(e.params[kParamCabinet]);
    if (c == 0) {
        e.cabinet = 0;
        return;
    }
    if (c == e.cabinet && !force)
        return;
    e.cabinet = c;
    // The rate family goes by the integer part of the host rate; at any
    // other rate the table stays until a supported rate re-selects it.
    const double rate = e.sampleRate;
    const int32_t n = (rate >= 0.0 && rate < 2147483648.0) ? static_cast<int32_t>(rate) : 0;
    const int cabinet = static_cast<int>(c);
    if (n == 44100 || n == 88200 || n == 176400)
        e.cabinetIr = cabinetTable(cabinet, false).data();
    else if (n == 48000 || n == 96000 || n == 192000)
        e.cabinetIr = cabinetTable(cabinet, true).data();
    e.cabinetHistory.fill(0.0);
    e.cabinetWriteIndex = 0;
}

namespace {

constexpr int32_t kLanes = 32;      // outputs summed side by side in the bulk
constexpr int32_t kTailLanes = 8;   // and in the tail, so short blocks waste little
constexpr int32_t kMask = kCabinetTaps - 1;
static_assert(kCabinetChunk % kLanes == 0);

// out[j] = sum over k ascending of newest[j - k] * h[k], for j below L.
template <int32_t L>
inline void convolveGroup(const double* __restrict h, const double* __restrict newest, double* __restrict out)
{
    double acc[L] = {};
    for (int32_t k = 0; k < kCabinetTaps; ++k) {
        const double hk = h[k];
        const double* x = newest - k;
        for (int32_t j = 0; j < L; ++j)
            acc[j] = acc[j] + x[j] * hk;
    }
    for (int32_t j = 0; j < L; ++j)
        out[j] = acc[j];
}

// out[m] = sum over k ascending of lin[kCabinetTaps - 1 + m - k] * h[k],
// for m below count rounded up to whole tail groups.
KORVANE_VECTOR_CLONES
void convolveLanes(const double* __restrict h, const double* __restrict lin, double* __restrict out,
                   int32_t count)
{
    int32_t m = 0;
    for (; m + kLanes <= count; m += kLanes)
        convolveGroup<kLanes>(h, lin + (kCabinetTaps - 1) + m, out + m);
    for (; m < count; m += kTailLanes)
        convolveGroup<kTailLanes>(h, lin + (kCabinetTaps - 1) + m, out + m);
}

} // namespace

void convolveBlock(PreampEngine& e, double* samples, int32_t count)
{
    // The ring, unrolled oldest first, followed by the new samples: every
    // lane then reads its taps from one contiguous run. The tail past count
    // is zero so that the unused lanes of the last vector compute nothing
    // harmful.
    alignas(64) double lin[kCabinetTaps - 1 + kCabinetChunk];
    alignas(64) double out[kCabinetChunk];
    const int32_t w = e.cabinetWriteIndex & kMask;
    // lin[j] = history[(w - 1 - j) mod 512] for j < 511, in two unwrapped
    // runs so that the copy vectorises.
    const double* history = e.cabinetHistory.data();
    for (int32_t j = 0; j < w; ++j)
        lin[j] = history[w - 1 - j];
    for (int32_t j = w; j < kCabinetTaps - 1; ++j)
        lin[j] = history[kCabinetTaps - 1 + w - j];
    const int32_t rounded = (count + kTailLanes - 1) / kTailLanes * kTailLanes;
    for (int32_t m = 0; m < rounded; ++m)
        lin[kCabinetTaps - 1 + m] = m < count ? samples[m] : 0.0;
    convolveLanes(e.cabinetIr, lin, out, count);
    for (int32_t m = 0; m < count; ++m) {
        e.cabinetHistory[static_cast<std::size_t>((w - m) & kMask)] = samples[m];
        samples[m] = out[m];
    }
    e.cabinetWriteIndex = (w - count) & kMask;
}

} // namespace korvane
