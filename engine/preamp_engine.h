// The complete audio state of one effect instance, and its lifecycle.
//
// A plain record: no base class, no virtual functions, no allocation. The
// effect embeds it by value and drives it through the free functions below
// and processBlock (signal_chain.h).
#pragma once

#include <array>
#include <cstdint>

#include "engine/halfband.h"

namespace korvane {

// Parameter indices, shared by the engine, the effect and the editor.
enum ParamIndex : int32_t {
    kParamChannel = 0,
    kParamInputSensitivity = 1,
    kParamThump = 2,
    kParamPreampDrive = 3,
    kParamBass = 4,
    kParamMiddle = 5,
    kParamTreble = 6,
    kParamPowerampDrive = 7,
    kParamOutputVolume = 8,
    kParamCabinet = 9,
    kParamBypass = 10,
    kNumParams = 11,
};

inline constexpr std::array<float, kNumParams> kDefaultParams{1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
                                                              0.5f, 0.5f, 0.5f, 0.5f, 0.0f};

inline constexpr int kCabinetTaps = 512;

struct PreampEngine {
    double inputDcState = 0.0;
    double inputGain = 1.0;
    double thumpCoef = 0.0;
    double thumpState = 0.0;
    // Initial gains are what the parameter formulas give for the default
    // copies on the lead channel, without the 1e-16 offset.
    double preampGain = 0.25;
    HalfbandResampler preampResampler;
    double interstage1Coef = 0.0;
    double interstage1State = 0.0;
    double interstage2Coef = 0.0;
    double interstage2State = 0.0;
    double toneDcState = 0.0;
    double dcBlockCoef = 0.0;
    double bassA0 = 0.0, bassGamma = 0.0, bassMu = 0.0;
    std::array<double, 2> bassState{};  // x1, l1
    double midA0 = 0.0, midBeta = 0.0, midGamma = 0.0, midMu = 0.0;
    std::array<double, 4> midState{};  // x1, x2, w1, w2
    double trebleA0 = 0.0, trebleGamma = 0.0, trebleMu = 0.0;
    std::array<double, 2> trebleState{};  // x1, h1
    double powerGain = 0.125;
    HalfbandResampler powerResampler;
    double outputDcState = 0.0;
    double outputGain = 0.008;
    HalfbandResampler cabinetResampler;
    std::array<double, kCabinetTaps> cabinetHistory{};
    const double* cabinetIr = nullptr;  // one of the constant tables; never owned
    std::array<float, kNumParams> params = kDefaultParams;
    double sampleRate = 0.0;
    double overRate = 0.0;
    int32_t overFactor = 0;
    int32_t cabinetWriteIndex = 0;
    uint32_t cabinet = 0;
    int32_t cabinetFactor = 0;
    bool leadChannel = true;
    bool rateUnsupported = false;
    bool bypassed = false;
    bool blockSizeIncompatible = false;
};

// Picks the oversampling and cabinet factors for the rate, redesigns every
// coefficient and clears all signal memory. Rates other than 44100, 48000,
// 88200, 96000, 176400 and 192000 Hz (compared on the integer part) put the
// engine into pass-through and change nothing else.
void setSampleRate(PreampEngine& e, float rate);
// Stores the copy and recomputes what depends on it; indices above 10 are ignored.
void setParameter(PreampEngine& e, uint32_t index, float value);
// The stored copy for 0..10, else 0.
float getParameter(const PreampEngine& e, uint32_t index);
// Clears all signal memory; parameters, coefficients and rates stay.
void reset(PreampEngine& e);

} // namespace korvane
