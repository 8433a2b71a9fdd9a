#include "engine/cabinet.h"

#include "engine/preamp_engine.h"

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

void selectCabinet(PreampEngine& e, bool /*force*/)
{
    // No impulse responses are built in yet: the chain runs without a
    // cabinet whatever the parameter says.
    e.cabinet = 0;
}

} // namespace korvane
