#include "shell/audioeffectx.h"

#include <cmath>

#include "shell/aeffeditor.h"

namespace {

// Key code of the editor key opcodes: character in index, virtual key in
// the low byte of value, modifiers in opt.
VstKeyCode keyCodeOf(int32_t index, intptr_t value, float opt)
{
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<unsigned char>(value & 0xFF);
    // opt is host data: truncate only when it fits, never undefined.
    const float t = std::trunc(opt);
    const int32_t modifier = (t > -32769.0f && t < 32768.0f) ? static_cast<int32_t>(t) : 0;
    key.modifier = static_cast<unsigned char>(modifier & 0xFF);
    return key;
}

} // namespace

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents: return 0;
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter: return text != nullptr && string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories: return 1;
    case effGetProgramNameIndexed:
        return text != nullptr && getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput: return 1;
    case effGetPlugCategory: return getPlugCategory();
    case effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(static_cast<int32_t>(value), opt);
        return 1;
    case effSetBypass: return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName: return text != nullptr && getEffectName(text) ? 1 : 0;
    case effGetVendorString: return text != nullptr && getVendorString(text) ? 1 : 0;
    case effGetProductString: return text != nullptr && getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return text != nullptr ? canDo(text) : 0;
    case effGetTailSize: return getGetTailSize();
    case effGetParameterProperties: return ptr != nullptr && getParameterProperties(index, ptr) ? 1 : 0;
    case effKeysRequired: return keysRequired() ? 0 : 1;  // the opcode asks the inverse
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (editor == nullptr)
            return 0;
        VstKeyCode key = keyCodeOf(index, value, opt);
        return (opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key)) ? 1 : 0;
    }
    case effSetEditKnobMode:
        return editor != nullptr && editor->setKnobMode(static_cast<int32_t>(value)) ? 1 : 0;
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetSpeakerArrangement:
        // Both value and ptr carry the address of an arrangement pointer.
        if (value != 0)
            *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
        if (ptr != nullptr)
            *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
        return 0;
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(value);
    case effSetProcessPrecision: return setProcessPrecision(static_cast<int32_t>(value));
    default:
        if (opcode >= effProcessEvents && opcode <= effGetNumMidiOutputChannels)
            return 0;
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::beginEdit(int32_t index)
{
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index)
{
    return callHost(audioMasterEndEdit, index) != 0;
}

float AudioEffectX::updateSampleRate()
{
    const intptr_t rate = callHost(audioMasterGetSampleRate);
    if (rate > 0)
        sampleRate = static_cast<float>(rate);
    return sampleRate;
}

bool AudioEffectX::canHostDo(char* text)
{
    return callHost(audioMasterCanDo, 0, 0, text) != 0;
}

bool AudioEffectX::sizeWindow(int32_t width, int32_t height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}
