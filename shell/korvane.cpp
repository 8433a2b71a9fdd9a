#include "shell/korvane.h"

#include <cmath>
#include <new>

#include "shell/aeffeditor.h"
#include "shell/parameters.h"
#include "shell/text.h"

using namespace korvane;

CKorvane::CKorvane(audioMasterCallback audioMaster, const Deliverable& which)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams), deliverable(which)
{
    setNumInputs(1);
    setNumOutputs(1);
    setUniqueID(deliverable.uniqueID);
    canProcessReplacing(true);
    canDoubleReplacing(true);

    // Whole hertz: the engine compares integer rates. std::trunc keeps a
    // huge host answer a float (and unsupported) instead of overflowing.
    const float rate = std::trunc(updateSampleRate());
    AudioEffect::setSampleRate(rate);
    korvane::setSampleRate(engine, rate);

    programs = new (std::nothrow) ProgramSlot[kNumPrograms];
    if (programs != nullptr)
        setProgram(0);
}

CKorvane::~CKorvane()
{
    delete[] programs;
}

void CKorvane::suspend()
{
    reset(engine);
}

void CKorvane::resume()
{
    engine.blockSizeIncompatible = false;
}

void CKorvane::setSampleRate(float rate)
{
    AudioEffect::setSampleRate(rate);
    korvane::setSampleRate(engine, rate);
}

void CKorvane::setBlockSize(int32_t size)
{
    // The engine takes each block's length from the processing call.
    AudioEffect::setBlockSize(size);
}

void CKorvane::processReplacing(float** inputs, float** outputs, int32_t frames)
{
    if (inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || outputs[0] == nullptr)
        return;
    deliverable.process32(engine, inputs[0], outputs[0], frames);
}

void CKorvane::processDoubleReplacing(double** inputs, double** outputs, int32_t frames)
{
    if (inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || outputs[0] == nullptr)
        return;
    deliverable.process64(engine, inputs[0], outputs[0], frames);
}

void CKorvane::setParameter(int32_t index, float value)
{
    if (index >= 0 && index < kNumParams) {
        if (programs != nullptr)
            programs[curProgram].values[index] = value;
        paramValues[index] = value;
    }
    // Negative indices become huge unsigned ones, which the engine ignores.
    korvane::setParameter(engine, static_cast<uint32_t>(index), value);
    if (editor != nullptr)
        editor->setParameter(index, value);
}

float CKorvane::getParameter(int32_t index)
{
    if (index == kBlockSizeStatusIndex)
        return engine.blockSizeIncompatible ? 1.0f : 0.0f;
    return korvane::getParameter(engine, static_cast<uint32_t>(index));
}

void CKorvane::setProgram(int32_t program)
{
    if (programs == nullptr || program < 0 || program >= kNumPrograms)
        return;
    // The slot becomes current first, so the writes below land in it
    // unchanged: switching programs never alters a stored program.
    curProgram = program;
    for (int32_t i = 0; i < kNumParams; ++i)
        setParameter(i, programs[program].values[i]);
}

void CKorvane::setProgramName(char* name)
{
    // Longer names keep their first 23 characters.
    if (programs != nullptr && name != nullptr)
        copyText(programs[curProgram].name, name, kVstMaxProgNameLen);
}

void CKorvane::getProgramName(char* name)
{
    copyText(name, programs != nullptr ? programs[curProgram].name : "", kVstMaxProgNameLen);
}

void CKorvane::getParameterLabel(int32_t index, char* label)
{
    parameterLabel(index, label);
}

void CKorvane::getParameterDisplay(int32_t index, char* text)
{
    if (index >= 0 && index < kNumParams)
        parameterDisplay(index, paramValues[index], text);
}

void CKorvane::getParameterName(int32_t index, char* text)
{
    parameterName(index, text);
}

bool CKorvane::getProgramNameIndexed(int32_t, int32_t index, char* text)
{
    if (programs == nullptr || index < 0 || index >= kNumPrograms)
        return false;
    return copyText(text, programs[index].name, kVstMaxProgNameLen);
}

bool CKorvane::getEffectName(char* name)
{
    return copyText(name, deliverable.effectName, kVstMaxEffectNameLen);
}

bool CKorvane::getVendorString(char* text)
{
    return copyText(text, kVendorName, kVstMaxVendorStrLen);
}

bool CKorvane::getProductString(char* text)
{
    return copyText(text, deliverable.effectName, kVstMaxProductStrLen);
}

int32_t CKorvane::getVendorVersion()
{
    return kVendorVersion;
}

int32_t CKorvane::getPlugCategory()
{
    return kPlugCategEffect;
}
