// Definitions of the preamplifier's memoryless stage loops. Included only
// where a deliverable instantiates its own voicing, so that each plug-in
// carries exactly one.
#pragma once

#include "engine/preamp_voicing.h"
#include "engine/vector_dispatch.h"

namespace korvane {

template <Voicing V>
KORVANE_VECTOR_CLONES void firstStageRun(double* x, int32_t count)
{
    for (int32_t k = 0; k < count; ++k)
        x[k] = PreampStages<V>::first(x[k]);
}

template <Voicing V>
KORVANE_VECTOR_CLONES void fourthStageRun(double* x, int32_t count)
{
    for (int32_t k = 0; k < count; ++k)
        x[k] = PreampStages<V>::fourth(x[k]);
}

template <Voicing V>
KORVANE_VECTOR_CLONES void secondStageRun(double* x, int32_t count, double gain)
{
    for (int32_t k = 0; k < count; ++k)
        x[k] = PreampStages<V>::second(x[k], gain);
}

template <Voicing V>
KORVANE_VECTOR_CLONES void thirdStageRun(double* x, int32_t count)
{
    for (int32_t k = 0; k < count; ++k)
        x[k] = PreampStages<V>::third(x[k]);
}

} // namespace korvane
