// Engines in the states the tests start from.
#pragma once

#include "engine/preamp_engine.h"
#include "engine/signal_chain.h"

namespace korvane::testing {

// Freshly constructed and tuned to a rate, as the effect does first.
inline PreampEngine engineAt(float rate)
{
    PreampEngine e;
    setSampleRate(e, rate);
    return e;
}

// processBlock with the voicing chosen at run time.
template <class Sample>
void processWith(Voicing v, PreampEngine& e, const Sample* in, Sample* out, int32_t frames)
{
    if (v == Voicing::base)
        processBlock<Voicing::base>(e, in, out, frames);
    else
        processBlock<Voicing::variant>(e, in, out, frames);
}

} // namespace korvane::testing
