#include "engine/cabinet.h"

#include "engine/cabinet_tables.h"

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

} // namespace korvane
