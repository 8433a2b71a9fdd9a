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
static_assert(kLanes == 4 * kTailLanes, "the tail takes up to four tail vectors");
constexpr int32_t kMask = kCabinetTaps - 1;
static_assert(kCabinetChunk % kLanes == 0);

// The unrolled history starts one slot into its buffer, so that the newest
// sample of each group of eight outputs sits on a 64-byte boundary.
constexpr int32_t kLinOffset = 1;
constexpr int32_t kLinLength = kLinOffset + kCabinetTaps - 1 + kCabinetChunk;

// The outputs left after the bulk, as one group of whole tail vectors: each
// output's 512 sums form a chain of dependent adds, so a short block is
// bound by that chain's latency, and only running all of its outputs side
// by side amortises it.
template <class Group>
[[gnu::always_inline]] inline void tail(int32_t left, Group group)
{
    switch ((left + kTailLanes - 1) / kTailLanes) {
    case 1: group.template operator()<1>(); break;
    case 2: group.template operator()<2>(); break;
    case 3: group.template operator()<3>(); break;
    case 4: group.template operator()<4>(); break;
    default: break;
    }
}

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

// out[m] = sum over k ascending of lin[kLinOffset + kCabinetTaps - 1 + m - k]
// * h[k], for m below count rounded up to whole tail groups.
KORVANE_VECTOR_CLONES
void convolveLanes(const double* __restrict h, const double* __restrict lin, double* __restrict out,
                   int32_t count)
{
    const double* newest = lin + kLinOffset + kCabinetTaps - 1;
    int32_t m = 0;
    for (; m + kLanes <= count; m += kLanes)
        convolveGroup<kLanes>(h, newest + m, out + m);
    tail(count - m, [&]<int32_t G>() { convolveGroup<G * kTailLanes>(h, newest + m, out + m); });
}

#if KORVANE_HAS_AVX512_KERNELS
// GCC 12 takes the deliberately undefined vector inside _mm512_alignr_epi64
// for an uninitialised variable.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// The same sums with AVX-512. Loading eight consecutive samples at every
// tap offset would mostly straddle two cache lines, which costs the load
// unit twice; instead each aligned vector of history is loaded once and the
// windows between two neighbours are cut out with valignq.
// acc[g] += window(base + 8g - R) * h[k] for the tap k = 8q + R, where
// base = newest - 8q, v[g + 1] holds the aligned eight at base + 8g and v[0]
// the eight before them. Half of the windows are cut from v with valignq,
// half are loaded across the line boundary: the shuffle unit and the load
// unit each take about one such operation per cycle, so together they keep
// up with the adds.
template <int32_t G, int R>
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline void tapAvx512(__m512d* acc, const __m512i* v,
                                                                               const double* base, double hk)
{
    const __m512d h = _mm512_set1_pd(hk);
    for (int32_t g = 0; g < G; ++g) {
        __m512d x;
        if constexpr (R == 0)
            x = _mm512_castsi512_pd(v[g + 1]);
        else if ((g + R) % 2 == 0)
            x = _mm512_castsi512_pd(_mm512_alignr_epi64(v[g + 1], v[g], 8 - R));
        else
            x = _mm512_loadu_pd(base + 8 * g - R);
        acc[g] = _mm512_add_pd(acc[g], _mm512_mul_pd(x, h));
    }
}

template <int32_t G>
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline void convolveGroupAvx512(
    const double* __restrict h, const double* __restrict newest, double* __restrict out)
{
    __m512d acc[G];
    for (int32_t g = 0; g < G; ++g)
        acc[g] = _mm512_setzero_pd();
    for (int32_t q = 0; q < kCabinetTaps / 8; ++q) {
        const double* base = newest - 8 * q;
        __m512i v[G + 1];
        for (int32_t g = 0; g <= G; ++g)
            v[g] = _mm512_castpd_si512(_mm512_load_pd(base + 8 * (g - 1)));
        const double* hq = h + 8 * q;
        tapAvx512<G, 0>(acc, v, base, hq[0]);
        tapAvx512<G, 1>(acc, v, base, hq[1]);
        tapAvx512<G, 2>(acc, v, base, hq[2]);
        tapAvx512<G, 3>(acc, v, base, hq[3]);
        tapAvx512<G, 4>(acc, v, base, hq[4]);
        tapAvx512<G, 5>(acc, v, base, hq[5]);
        tapAvx512<G, 6>(acc, v, base, hq[6]);
        tapAvx512<G, 7>(acc, v, base, hq[7]);
    }
    for (int32_t g = 0; g < G; ++g)
        _mm512_storeu_pd(out + 8 * g, acc[g]);
}

__attribute__((target("avx512f"), optimize("no-predictive-commoning"))) void convolveLanesAvx512(const double* __restrict h, const double* __restrict lin,
                                                            double* __restrict out, int32_t count)
{
    const double* newest = lin + kLinOffset + kCabinetTaps - 1;
    int32_t m = 0;
    for (; m + kLanes <= count; m += kLanes)
        convolveGroupAvx512<kLanes / 8>(h, newest + m, out + m);
    tail(count - m, [&]<int32_t G>() { convolveGroupAvx512<G>(h, newest + m, out + m); });
}

#pragma GCC diagnostic pop
#endif

void convolve(const double* h, const double* lin, double* out, int32_t count, ConvolveKernel kernel)
{
#if KORVANE_HAS_AVX512_KERNELS
    if (kernel == ConvolveKernel::fastest && cpuHasAvx512())
        return convolveLanesAvx512(h, lin, out, count);
#endif
    convolveLanes(h, lin, out, count);
}

} // namespace

KORVANE_VECTOR_CLONES void convolveBlock(PreampEngine& e, double* samples, int32_t count, ConvolveKernel kernel)
{
    // The ring, unrolled oldest first, followed by the new samples: every
    // lane then reads its taps from one contiguous run. The tail past count
    // is zero so that the unused lanes of the last vector compute nothing
    // harmful.
    alignas(64) double lin[kLinLength];
    alignas(64) double out[kCabinetChunk];
    const int32_t w = e.cabinetWriteIndex & kMask;
    // lin[j] = history[(w - 1 - j) mod 512] for j < 511, in two unwrapped
    // runs so that the copy vectorises.
    const double* history = e.cabinetHistory.data();
    for (int32_t j = 0; j < w; ++j)
        lin[kLinOffset + j] = history[w - 1 - j];
    for (int32_t j = w; j < kCabinetTaps - 1; ++j)
        lin[kLinOffset + j] = history[kCabinetTaps - 1 + w - j];
    const int32_t rounded = (count + kTailLanes - 1) / kTailLanes * kTailLanes;
    for (int32_t m = 0; m < rounded; ++m)
        lin[kLinOffset + kCabinetTaps - 1 + m] = m < count ? samples[m] : 0.0;
    convolve(e.cabinetIr, lin, out, count, kernel);
    for (int32_t m = 0; m < count; ++m) {
        e.cabinetHistory[static_cast<std::size_t>((w - m) & kMask)] = samples[m];
        samples[m] = out[m];
    }
    e.cabinetWriteIndex = (w - count) & kMask;
}

} // namespace korvane
