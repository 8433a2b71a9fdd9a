#include "shell/parameters.h"

#include <array>

#include "engine/cabinet.h"
#include "engine/preamp_engine.h"
#include "shell/text.h"
#include "shell/vst2.h"

namespace korvane {

namespace {

constexpr std::array<const char*, kNumParams> kNames{
    "Channel", "Input Sensitivity", "Thump",          "Preamp Drive",        "Bass",   "Middle",
    "Treble",  "Poweramp Drive",    "Output Volume",  "Loudspeaker Cabinet", "Bypass",
};

constexpr std::array<const char*, kNumParams> kLabels{
    "Channel", "%", "Hz", "Level", "Level", "Level", "Level", "Level", "Level", " ", " ",
};

constexpr std::array<const char*, 8> kCabinetNames{
    "Disengaged",          "Vintage American 4x10", "Boutique American 2x12", "Modern American 2x12",
    "Modern American 4x12", "Boutique British 4x12", "Modern British 4x12",    "Vintage British 4x12",
};

bool inRange(int32_t index) { return index >= 0 && index < kNumParams; }

// Scaled value in double, rounded to float, as the 8-character number text.
void numberText(double x, char* text)
{
    char number[16];
    float2string(static_cast<float>(x), number, 8);
    copyText(text, number, kVstMaxParamStrLen);
}

} // namespace

const char* cabinetName(uint32_t cabinet)
{
    return cabinet < kCabinetNames.size() ? kCabinetNames[cabinet] : "";
}

void parameterName(int32_t index, char* text)
{
    if (inRange(index))
        copyText(text, kNames[index], kVstMaxParamStrLen);
}

void parameterLabel(int32_t index, char* text)
{
    if (inRange(index))
        copyText(text, kLabels[index], kVstMaxParamStrLen);
}

void parameterDisplay(int32_t index, float value, char* text)
{
    if (!inRange(index) || text == nullptr)
        return;
    const double v = value;
    switch (index) {
    case kParamChannel: copyText(text, value == 0.0f ? "Clean" : "Lead", kVstMaxParamStrLen); return;
    case kParamInputSensitivity: numberText(v * 200.0, text); return;
    case kParamThump: numberText(v * 950.0 + 50.0, text); return;
    case kParamCabinet: copyText(text, cabinetName(cabinetForValue(value)), kVstMaxParamStrLen); return;
    case kParamBypass: copyText(text, value == 0.0f ? "Off" : "On", kVstMaxParamStrLen); return;
    default: numberText(v * 10.0, text); return;  // the five "Level" controls and both drives
    }
}

} // namespace korvane
