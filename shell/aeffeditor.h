// The editor interface that the dispatcher talks to. The base answers every
// request negatively; a real editor overrides what it supports.
#pragma once

#include "shell/vst2.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(ERect** rect)
    {
        if (rect != nullptr)
            *rect = nullptr;
        return false;
    }
    virtual bool open(void* parentWindow)
    {
        systemWindow = parentWindow;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(int32_t) { return false; }
    // Parameter notification from the effect (host automation, programs).
    virtual void setParameter(int32_t, float) {}

protected:
    AudioEffect* effect = nullptr;
    void* systemWindow = nullptr;
};
