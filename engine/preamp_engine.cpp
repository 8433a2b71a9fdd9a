#include "engine/preamp_engine.h"

#include "engine/cabinet.h"
#include "engine/filter_design.h"
#include "engine/shaping.h"

namespace korvane {

namespace {

struct RateFactors {
    int32_t over;
    int32_t cabinet;
};

// Only the six rates whose oversampled rate lands on 352.8 or 384 kHz are
// supported: the halfband cascades and the cabinet responses are designed
// for exactly those.
bool factorsForRate(float rate, RateFactors& out)
{
    // Reject NaN, infinities, negatives and values no int can hold before
    // truncating; the conversion would be undefined otherwise.
    if (!(rate >= 0.0f && rate < 2147483648.0f))
        return false;
    switch (static_cast<int32_t>(rate)) {
    case 44100:
    case 48000: out = {8, 1}; return true;
    case 88200:
    case 96000: out = {4, 2}; return true;
    case 176400:
    case 192000: out = {2, 4}; return true;
    default: return false;
    }
}

double preampGainFor(double drive, bool lead)
{
    const double g = drive * drive + kEpsilon;
    return lead ? g : g * 0.4;
}

double outputGainFor(double volume, bool lead)
{
    return (volume * volume + kEpsilon) * (lead ? 0.032 : 0.32);
}

} // namespace

void setSampleRate(PreampEngine& e, float rate)
{
    e.sampleRate = static_cast<double>(rate);
    RateFactors f{};
    if (!factorsForRate(rate, f)) {
        e.rateUnsupported = true;
        return;
    }
    e.rateUnsupported = false;
    e.overFactor = f.over;
    e.cabinetFactor = f.cabinet;
    configure(e.preampResampler, e.overFactor);
    configure(e.powerResampler, e.overFactor);
    configure(e.cabinetResampler, e.cabinetFactor);
    e.overRate = e.overFactor * e.sampleRate;
    updateFixedFilters(e);
    updateBass(e);
    updateMiddle(e);
    updateTreble(e);
    updateThump(e);
    selectCabinet(e, true);
    reset(e);
}

void setParameter(PreampEngine& e, uint32_t index, float value)
{
    if (index >= kNumParams)
        return;
    e.params[index] = value;
    const double v = static_cast<double>(value);
    switch (index) {
    case kParamChannel: {
        const bool lead = value != 0.0f;
        if (lead == e.leadChannel)
            return;
        e.leadChannel = lead;
        e.preampGain = preampGainFor(e.params[kParamPreampDrive], lead);
        e.outputGain = outputGainFor(e.params[kParamOutputVolume], lead);
        return;
    }
    case kParamInputSensitivity: e.inputGain = 2.0 * (v + kEpsilon); return;
    case kParamThump: updateThump(e); return;
    case kParamPreampDrive: e.preampGain = preampGainFor(v, e.leadChannel); return;
    case kParamBass: updateBass(e); return;
    case kParamMiddle: updateMiddle(e); return;
    case kParamTreble: updateTreble(e); return;
    case kParamPowerampDrive: e.powerGain = v * v * v + kEpsilon; return;
    case kParamOutputVolume: e.outputGain = outputGainFor(v, e.leadChannel); return;
    case kParamCabinet: selectCabinet(e, false); return;
    case kParamBypass:
        // Every switch-on clears the memory, so releasing bypass always
        // starts from silence.
        e.bypassed = value != 0.0f;
        if (e.bypassed)
            reset(e);
        return;
    default: return;
    }
}

float getParameter(const PreampEngine& e, uint32_t index)
{
    return index < kNumParams ? e.params[index] : 0.0f;
}

void reset(PreampEngine& e)
{
    e.inputDcState = 0.0;
    e.thumpState = 0.0;
    e.interstage1State = 0.0;
    e.interstage2State = 0.0;
    e.toneDcState = 0.0;
    e.bassState.fill(0.0);
    e.midState.fill(0.0);
    e.trebleState.fill(0.0);
    e.outputDcState = 0.0;
    clear(e.preampResampler);
    clear(e.powerResampler);
    clear(e.cabinetResampler);
    e.cabinetHistory.fill(0.0);
    e.cabinetWriteIndex = 0;
}

} // namespace korvane
