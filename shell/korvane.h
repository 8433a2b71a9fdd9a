// CKorvane: the effect. Owns the engine by value and the sixteen-program
// bank, and turns host calls into engine calls.
#pragma once

#include <array>
#include <cstdint>

#include "engine/preamp_engine.h"
#include "shell/audioeffectx.h"
#include "shell/deliverable.h"

namespace korvane {

inline constexpr int32_t kNumPrograms = 16;

struct ProgramSlot {
    std::array<float, kNumParams> values = kDefaultParams;
    char name[kVstMaxProgNameLen] = "Default";
};

} // namespace korvane

class CKorvane : public AudioEffectX {
public:
    CKorvane(audioMasterCallback audioMaster, const korvane::Deliverable& deliverable);
    ~CKorvane() override;

    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t size) override;
    void processReplacing(float** inputs, float** outputs, int32_t frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, int32_t frames) override;
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t getPlugCategory() override;

    const korvane::PreampEngine& getEngine() const { return engine; }

private:
    const korvane::Deliverable& deliverable;
    std::array<float, korvane::kNumParams> paramValues = korvane::kDefaultParams;
    korvane::PreampEngine engine;
    korvane::ProgramSlot* programs = nullptr;
};
