// Engine lifecycle: rates, parameter copies, gains, reset.
#include "engine/preamp_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/signal_chain.h"
#include "tests/engine_fixtures.h"

namespace korvane {
namespace {

using testing::engineAt;

// Drives some signal through the chain so that every state is non-zero.
void dirty(PreampEngine& e)
{
    float buffer[64];
    for (int i = 0; i < 64; ++i)
        buffer[i] = static_cast<float>(std::sin(i * 0.3));
    processBlock<Voicing::base>(e, buffer, buffer, 64);
}

bool statesClear(const PreampEngine& e)
{
    PreampEngine fresh = e;
    reset(fresh);
    return std::memcmp(&fresh, &e, sizeof e) == 0;
}

TEST(EngineRates, EachSupportedRatePicksItsFactors)
{
    const struct {
        float rate;
        int32_t over, cabinet;
        double overRate;
    } cases[] = {
        {44100.0f, 8, 1, 352800.0}, {48000.0f, 8, 1, 384000.0},  {88200.0f, 4, 2, 352800.0},
        {96000.0f, 4, 2, 384000.0}, {176400.0f, 2, 4, 352800.0}, {192000.0f, 2, 4, 384000.0},
        {44100.5f, 8, 1, 352804.0},  // integer part decides, the fraction is kept
    };
    for (const auto& c : cases) {
        const PreampEngine e = engineAt(c.rate);
        EXPECT_FALSE(e.rateUnsupported) << c.rate;
        EXPECT_EQ(e.overFactor, c.over) << c.rate;
        EXPECT_EQ(e.cabinetFactor, c.cabinet) << c.rate;
        EXPECT_EQ(e.preampResampler.factor, c.over);
        EXPECT_EQ(e.powerResampler.factor, c.over);
        EXPECT_EQ(e.cabinetResampler.factor, c.cabinet);
        EXPECT_EQ(e.overRate, c.overRate) << c.rate;
        EXPECT_EQ(e.sampleRate, static_cast<double>(c.rate));
    }
}

TEST(EngineRates, UnsupportedRatesKeepEverythingButTheFlagAndRate)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float rate : {32000.0f, 22050.0f, 0.0f, -44100.0f, nan, inf, -inf, 3e9f, 1e30f}) {
        PreampEngine e = engineAt(96000.0f);
        dirty(e);
        const PreampEngine before = e;
        setSampleRate(e, rate);
        EXPECT_TRUE(e.rateUnsupported) << rate;
        PreampEngine restored = e;
        restored.rateUnsupported = false;
        restored.sampleRate = before.sampleRate;
        EXPECT_EQ(std::memcmp(&restored, &before, sizeof e), 0) << "rate " << rate << " changed more than the flag";
        // And the next supported rate brings everything back.
        setSampleRate(e, 96000.0f);
        EXPECT_FALSE(e.rateUnsupported);
        EXPECT_TRUE(statesClear(e));
    }
}

TEST(EngineParameters, FreshEngineAt44100HasDefaultsAndLeadChannel)
{
    const PreampEngine e = engineAt(44100.0f);
    EXPECT_EQ(getParameter(e, kParamChannel), 1.0f);
    EXPECT_EQ(getParameter(e, kParamCabinet), 0.5f);
    EXPECT_EQ(getParameter(e, kParamBypass), 0.0f);
    EXPECT_TRUE(e.leadChannel);
    EXPECT_EQ(e.overFactor, 8);
    EXPECT_EQ(e.cabinetFactor, 1);
    EXPECT_EQ(getParameter(e, 11), 0.0f);
    EXPECT_EQ(getParameter(e, 50), 0.0f);
}

TEST(EngineParameters, GainsFollowTheirFormulas)
{
    PreampEngine e = engineAt(44100.0f);
    setParameter(e, kParamInputSensitivity, 0.25f);
    EXPECT_EQ(e.inputGain, 2.0 * (0.25 + 1e-16));
    setParameter(e, kParamPreampDrive, 0.8f);
    EXPECT_EQ(e.preampGain, 0.8f * static_cast<double>(0.8f) + 1e-16);
    setParameter(e, kParamPowerampDrive, 0.0f);
    EXPECT_EQ(e.powerGain, 1e-16);  // practically silent, never exactly zero
    setParameter(e, kParamOutputVolume, 0.5f);
    EXPECT_EQ(e.outputGain, (0.25 + 1e-16) * 0.032);
}

TEST(EngineParameters, ChannelSwitchRescalesDriveAndOutputOnlyOnAChange)
{
    PreampEngine e = engineAt(44100.0f);
    setParameter(e, kParamPreampDrive, 0.6f);
    setParameter(e, kParamOutputVolume, 0.7f);
    const double p3 = 0.6f, p8 = 0.7f;
    const PreampEngine before = e;

    setParameter(e, kParamChannel, 0.3f);  // still lead: only the copy changes
    EXPECT_EQ(getParameter(e, kParamChannel), 0.3f);
    EXPECT_EQ(e.preampGain, before.preampGain);
    EXPECT_EQ(e.outputGain, before.outputGain);

    setParameter(e, kParamChannel, 0.0f);
    EXPECT_FALSE(e.leadChannel);
    EXPECT_EQ(e.preampGain, (p3 * p3 + 1e-16) * 0.4);
    EXPECT_EQ(e.outputGain, (p8 * p8 + 1e-16) * 0.32);

    setParameter(e, kParamPreampDrive, 0.6f);  // clean scaling persists
    EXPECT_EQ(e.preampGain, (p3 * p3 + 1e-16) * 0.4);
}

TEST(EngineParameters, BypassOnClearsStatesEveryTimeAndOffClearsNothing)
{
    PreampEngine e = engineAt(44100.0f);
    dirty(e);
    setParameter(e, kParamBypass, 1.0f);
    EXPECT_TRUE(e.bypassed);
    EXPECT_TRUE(statesClear(e));

    setParameter(e, kParamBypass, 0.0f);
    dirty(e);
    const PreampEngine running = e;
    setParameter(e, kParamBypass, 0.0f);
    EXPECT_EQ(std::memcmp(&running, &e, sizeof e), 0);

    setParameter(e, kParamBypass, 1.0f);
    e.thumpState = 1.0;  // as if processing had touched it
    setParameter(e, kParamBypass, 1.0f);
    EXPECT_TRUE(statesClear(e));
}

TEST(EngineParameters, IndicesAboveTenAreIgnored)
{
    PreampEngine e = engineAt(44100.0f);
    const PreampEngine before = e;
    setParameter(e, 11, 0.7f);
    setParameter(e, 50, 0.7f);
    setParameter(e, 0xFFFFFFFFu, 0.7f);
    EXPECT_EQ(std::memcmp(&before, &e, sizeof e), 0);
}

TEST(EngineParameters, ResetClearsSignalMemoryOnly)
{
    PreampEngine e = engineAt(48000.0f);
    setParameter(e, kParamBass, 0.9f);
    dirty(e);
    EXPECT_FALSE(statesClear(e));
    const PreampEngine before = e;
    reset(e);
    EXPECT_TRUE(statesClear(e));
    EXPECT_EQ(e.params, before.params);
    EXPECT_EQ(e.bassGamma, before.bassGamma);
    EXPECT_EQ(e.outputGain, before.outputGain);
    EXPECT_EQ(e.overFactor, before.overFactor);
    EXPECT_EQ(e.preampResampler.factor, before.preampResampler.factor);
}

} // namespace
} // namespace korvane
