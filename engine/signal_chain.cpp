#include "engine/signal_chain.h"

#include "engine/vector_dispatch.h"

namespace korvane {

KORVANE_VECTOR_CLONES void powerStageRun(double* x, int32_t count)
{
    for (int32_t k = 0; k < count; ++k)
        x[k] = saturate(x[k] * 7.695, 300.0, 90000.0);
}

} // namespace korvane
