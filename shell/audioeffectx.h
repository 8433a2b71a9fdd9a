// AudioEffectX: the 2.x opcodes (25 to 79) with their default answers and
// the further host-callback helpers.
#pragma once

#include "shell/audioeffect.h"

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    virtual bool canParameterBeAutomated(int32_t) { return true; }
    virtual bool string2parameter(int32_t, char*) { return false; }
    virtual bool getProgramNameIndexed(int32_t, int32_t, char*) { return false; }
    virtual int32_t getPlugCategory() { return kPlugCategUnknown; }
    virtual void setBlockSizeAndSampleRate(int32_t size, float rate)
    {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool setBypass(bool) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual intptr_t vendorSpecific(int32_t, intptr_t, void*, float) { return 0; }
    virtual int32_t canDo(char*) { return 0; }
    virtual int32_t getGetTailSize() { return 0; }
    virtual bool getParameterProperties(int32_t, void*) { return false; }
    virtual bool keysRequired() { return false; }
    virtual int32_t getVstVersion() { return 2400; }
    virtual int32_t getCurrentMidiProgram(int32_t, void*) { return -1; }
    virtual intptr_t setTotalSampleToProcess(intptr_t value) { return value; }
    virtual int32_t setProcessPrecision(int32_t) { return 0; }

    bool beginEdit(int32_t index);
    bool endEdit(int32_t index);
    // Asks the host for its rate; a positive answer replaces sampleRate.
    float updateSampleRate();
    bool canHostDo(char* text);
    bool sizeWindow(int32_t width, int32_t height);
};
