// The preamplifier over a run of oversampled samples. Included only where a
// deliverable instantiates its own voicing, so that each plug-in carries
// exactly one.
#pragma once

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "engine/preamp_voicing.h"
#include "engine/vector_dispatch.h"

namespace korvane {

namespace detail {

// Oversampled samples per step of the lead path's pipeline: one vector of
// the widest unit, or half of one for short runs, where the pipeline's
// filling and draining (four steps) would otherwise weigh.
template <int32_t C>
using ChunkLanes = std::conditional_t<C == 8, Lanes8, Lanes4>;
inline constexpr int32_t kShortRun = 64;
// Chunks between one section and the next. A chunk's values are stored one
// at a time and read back as a vector; with a lag of one step that load
// would wait for the previous step's stores to reach the cache, which ties
// the steps together. Two steps apart, they are long written.
inline constexpr int32_t kPreampLag = 2;

template <class V>
[[gnu::always_inline]] inline V loadLanes(const double* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The lead path from the Thump section to inter-stage 2, in place. Step j
// advances the Thump section on chunk j, stage 2 and inter-stage 1 on chunk
// j - L, stage 3 and inter-stage 2 on chunk j - 2L: each section still sees
// its inputs in time order. The three sections' states share one vector
// (the fourth lane idles at zero), so each sample step is one vector
// high-pass step instead of three scalar ones.
template <Voicing V, int32_t C>
[[gnu::always_inline]] inline void leadChunks(PreampStates& s, const PreampControls& c, double* x, int32_t count)
{
    using Stage = PreampStages<V>;
    using Chunk = ChunkLanes<C>;
    const int32_t chunks = (count + C - 1) / C;
    const double gain = c.gain;
    const Lanes4 coefs{c.thumpCoef, c.interstage1Coef, c.interstage2Coef, 0.0};
    Lanes4 states{s.thump, s.interstage1, s.interstage2, 0.0};
    constexpr int32_t L = kPreampLag;
    for (int32_t j = 0; j < chunks + 2 * L; ++j) {
        const auto length = [&](int32_t chunk) {
            return chunk < 0 || chunk >= chunks ? 0 : std::min(C, count - C * chunk);
        };
        const int32_t na = length(j), nb = length(j - L), nd = length(j - 2 * L);
        double* a = x + C * std::min(j, chunks - 1);
        double* b = x + C * std::clamp(j - L, 0, chunks - 1);
        double* d = x + C * std::max(j - 2 * L, 0);
        if (na == C && nb == C && nd == C) {
            // The common case: whole vectors for the memoryless stages, then
            // the three recurrences side by side.
            const Chunk u = Stage::second(loadLanes<Chunk>(b), gain);
            const Chunk w = Stage::third(loadLanes<Chunk>(d));
            for (int32_t i = 0; i < C; ++i) {
                const Lanes4 y = onePoleHighPass(coefs, states, Lanes4{a[i], u[i], w[i], 0.0});
                a[i] = y[0] + kEpsilon;
                b[i] = y[1];
                d[i] = y[2];
            }
            continue;
        }
        // Filling and draining the pipeline, and a last partial chunk.
        double thump = states[0], interstage1 = states[1], interstage2 = states[2];
        double u[C];
        double w[C];
        for (int32_t i = 0; i < nb; ++i)
            u[i] = Stage::second(b[i], gain);
        for (int32_t i = 0; i < nd; ++i)
            w[i] = Stage::third(d[i]);
        for (int32_t i = 0; i < na; ++i)
            a[i] = onePoleHighPass(coefs[0], thump, a[i]) + kEpsilon;
        for (int32_t i = 0; i < nb; ++i)
            b[i] = onePoleHighPass(coefs[1], interstage1, u[i]);
        for (int32_t i = 0; i < nd; ++i)
            d[i] = onePoleHighPass(coefs[2], interstage2, w[i]);
        states = Lanes4{thump, interstage1, interstage2, 0.0};
    }
    s = {states[0], states[1], states[2]};
}

} // namespace detail

// The memoryless stages run as plain loops over independent values, which
// the vector unit takes several at a time (divisions included). The lead
// path's three high-pass sections are each a recurrence with a long
// latency: they advance side by side on consecutive chunks, with the
// memoryless stages between them done a whole chunk at a time.
template <Voicing V>
KORVANE_VECTOR_CLONES void preampRun(PreampStates& s, const PreampControls& c, double* x, int32_t count)
{
    using Stage = PreampStages<V>;
    if (count <= 0)
        return;
    for (int32_t k = 0; k < count; ++k)
        x[k] = Stage::first(x[k]);
    if (c.lead) {
        if (count <= detail::kShortRun)
            detail::leadChunks<V, 4>(s, c, x, count);
        else
            detail::leadChunks<V, 8>(s, c, x, count);
        for (int32_t k = 0; k < count; ++k)
            x[k] = Stage::fourth(Stage::leadOutput(x[k]));
    } else {
        double thump = s.thump;
        const double gain = c.gain, thumpCoef = c.thumpCoef;
        for (int32_t k = 0; k < count; ++k)
            x[k] = gain * (onePoleHighPass(thumpCoef, thump, x[k]) + kEpsilon);
        s.thump = thump;
        for (int32_t k = 0; k < count; ++k)
            x[k] = Stage::fourth(x[k]);
    }
}

} // namespace korvane
