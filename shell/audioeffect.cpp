#include "shell/audioeffect.h"

#include <cmath>

#include "shell/aeffeditor.h"
#include "shell/text.h"

namespace {

AudioEffect* objectOf(AEffect* e)
{
    return e != nullptr ? static_cast<AudioEffect*>(e->object) : nullptr;
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback master, int32_t programs, int32_t params)
    : audioMaster(master), numPrograms(programs), numParams(params)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = &dispatchEffect;
    cEffect.process = &processAccumulating;
    cEffect.setParameter = &setParameterEntry;
    cEffect.getParameter = &getParameterEntry;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode("NoEf");
    cEffect.version = 1;
    cEffect.processReplacing = &processFloat;
    cEffect.processDoubleReplacing = &processDouble;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

void AudioEffect::setFlag(int32_t flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(int32_t index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::masterIdle()
{
    callHost(audioMasterIdle);
}

void AudioEffect::getProgramName(char* name)
{
    korvane::copyText(name, "", kVstMaxProgNameLen);
}

void AudioEffect::getParameterLabel(int32_t, char* label)
{
    korvane::copyText(label, "", kVstMaxParamStrLen);
}

void AudioEffect::getParameterDisplay(int32_t, char* text)
{
    korvane::copyText(text, "", kVstMaxParamStrLen);
}

void AudioEffect::getParameterName(int32_t, char* text)
{
    korvane::copyText(text, "", kVstMaxParamStrLen);
}

void AudioEffect::float2string(float value, char* text, int32_t maxLength)
{
    korvane::float2string(value, text, maxLength);
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<int32_t>(value));
        return 0;
    case effGetProgram: return getProgram();
    // Text opcodes: a null buffer from the host is answered without writing.
    case effSetProgramName:
        if (text != nullptr)
            setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text != nullptr)
            getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text != nullptr)
            getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text != nullptr)
            getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text != nullptr)
            getParameterName(index, text);
        return 0;
    case effGetVu: {
        // Guarded: converting an out-of-range float to an integer is undefined.
        const double vu = static_cast<double>(getVu()) * 32767.0;
        return std::fabs(vu) < 2147483647.0 ? static_cast<intptr_t>(vu) : 0;
    }
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<int32_t>(value)); return 0;
    case effMainsChanged:
        if (value != 0)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        return editor != nullptr && ptr != nullptr && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen: return editor != nullptr && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor != nullptr)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor != nullptr)
            editor->idle();
        return 0;
    case effIdentify: return fourCharCode("NvEf");
    case effGetChunk: return ptr != nullptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk: return setChunk(ptr, value, index != 0);
    default: return 0;
    }
}

intptr_t VSTCALLBACK AudioEffect::dispatchEffect(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                                 void* ptr, float opt)
{
    AudioEffect* object = objectOf(e);
    if (object == nullptr)
        return 0;
    const intptr_t answer = object->dispatcher(opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        // The record lives inside the object: after this the host must not
        // touch it again.
        delete object;
        return 1;
    }
    return answer;
}

void VSTCALLBACK AudioEffect::processAccumulating(AEffect* e, float** inputs, float** outputs, int32_t frames)
{
    if (AudioEffect* object = objectOf(e))
        object->process(inputs, outputs, frames);
}

void VSTCALLBACK AudioEffect::processFloat(AEffect* e, float** inputs, float** outputs, int32_t frames)
{
    if (AudioEffect* object = objectOf(e))
        object->processReplacing(inputs, outputs, frames);
}

void VSTCALLBACK AudioEffect::processDouble(AEffect* e, double** inputs, double** outputs, int32_t frames)
{
    if (AudioEffect* object = objectOf(e))
        object->processDoubleReplacing(inputs, outputs, frames);
}

void VSTCALLBACK AudioEffect::setParameterEntry(AEffect* e, int32_t index, float value)
{
    if (AudioEffect* object = objectOf(e))
        object->setParameter(index, value);
}

float VSTCALLBACK AudioEffect::getParameterEntry(AEffect* e, int32_t index)
{
    AudioEffect* object = objectOf(e);
    return object != nullptr ? object->getParameter(index) : 0.0f;
}
