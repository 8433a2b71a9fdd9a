// AudioEffect: owns the AEffect record handed to the host, answers the
// dispatcher opcodes 0 to 24 and offers the host-callback helpers.
#pragma once

#include <cstdint>

#include "shell/vst2.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32_t size) { blockSize = size; }

    virtual void processReplacing(float** inputs, float** outputs, int32_t frames) = 0;
    virtual void processDoubleReplacing(double**, double**, int32_t) {}

    virtual void setParameter(int32_t, float) {}
    virtual float getParameter(int32_t) { return 0.0f; }
    virtual void setParameterAutomated(int32_t index, float value);

    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name);

    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);

    virtual intptr_t getChunk(void**, bool) { return 0; }
    virtual intptr_t setChunk(void*, intptr_t, bool) { return 0; }

    // Deprecated accumulating entry: hosts that still call it get nothing.
    virtual void process(float**, float**, int32_t) {}
    virtual float getVu() { return 0.0f; }
    virtual void masterIdle();

    void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    void setNumInputs(int32_t n) { cEffect.numInputs = n; }
    void setNumOutputs(int32_t n) { cEffect.numOutputs = n; }
    void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
    void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

    AEffect* getAeffect() { return &cEffect; }
    AEffEditor* getEditor() const { return editor; }
    // Registers the editor and tells the host whether one exists.
    void setEditor(AEffEditor* newEditor);

    static void float2string(float value, char* text, int32_t maxLength);

protected:
    void setFlag(int32_t flag, bool state);
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);

    audioMasterCallback audioMaster = nullptr;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    int32_t blockSize = 1024;
    int32_t numPrograms = 0;
    int32_t numParams = 0;
    int32_t curProgram = 0;
    AEffect cEffect{};

private:
    static intptr_t VSTCALLBACK dispatchEffect(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                               void* ptr, float opt);
    static void VSTCALLBACK processAccumulating(AEffect* e, float** inputs, float** outputs, int32_t frames);
    static void VSTCALLBACK processFloat(AEffect* e, float** inputs, float** outputs, int32_t frames);
    static void VSTCALLBACK processDouble(AEffect* e, double** inputs, double** outputs, int32_t frames);
    static void VSTCALLBACK setParameterEntry(AEffect* e, int32_t index, float value);
    static float VSTCALLBACK getParameterEntry(AEffect* e, int32_t index);
};
