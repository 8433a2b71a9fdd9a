// CKorvane through its AEffect record, in process: identity, dispatcher
// answers, programs, parameters and the defences against careless hosts.
#include "shell/korvane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/fake_host.h"

namespace korvane {
namespace {

using korvane::testing::host;
using korvane::testing::hostCallback;

class Effect : public ::testing::Test {
protected:
    void SetUp() override
    {
        host() = {};
        effect = (new CKorvane(&hostCallback, kBaseDeliverable))->getAeffect();
    }
    void TearDown() override
    {
        if (effect != nullptr)
            dispatch(effClose);
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    std::string text(int32_t opcode, int32_t index = 0, intptr_t value = 0)
    {
        char buffer[256] = {};
        dispatch(opcode, index, value, buffer);
        return buffer;
    }
    const PreampEngine& engine() { return static_cast<CKorvane*>(effect->object)->getEngine(); }

    AEffect* effect = nullptr;
};

TEST_F(Effect, RecordCarriesTheIdentityHostsRead)
{
    EXPECT_EQ(effect->magic, fourCharCode("VstP"));
    EXPECT_EQ(effect->numPrograms, 16);
    EXPECT_EQ(effect->numParams, 11);
    EXPECT_EQ(effect->numInputs, 1);
    EXPECT_EQ(effect->numOutputs, 1);
    // No editor yet, so no editor flag: a host must not try to open one.
    EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsCanDoubleReplacing);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->uniqueID, fourCharCode("KVN2"));
    EXPECT_EQ(text(effGetEffectName), "Korvane");
    EXPECT_EQ(text(effGetProductString), "Korvane");
    EXPECT_EQ(text(effGetVendorString), "Qel Audio");
}

TEST_F(Effect, VariantBuildReportsItsOwnIdentity)
{
    AEffect* variant = (new CKorvane(&hostCallback, kVariantDeliverable))->getAeffect();
    char name[64] = {};
    variant->dispatcher(variant, effGetEffectName, 0, 0, name, 0.0f);
    EXPECT_STREQ(name, "Korvane Blazewound");
    EXPECT_EQ(variant->uniqueID, fourCharCode("KVB2"));
    EXPECT_EQ(variant->dispatcher(variant, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(Effect, DispatcherAnswersOfTheInterface)
{
    const struct {
        int32_t opcode;
        intptr_t value;
        intptr_t answer;
    } cases[] = {
        {effGetVstVersion, 0, 2400},     {effGetPlugCategory, 0, 1},         {effGetVendorVersion, 0, 2000},
        {effIdentify, 0, 0x4e764566},    {effKeysRequired, 0, 1},            {effGetCurrentMidiProgram, 0, -1},
        {effGetNumProgramCategories, 0, 1}, {effSetTotalSampleToProcess, 4096, 4096}, {effGetTailSize, 0, 0},
        {effCanBeAutomated, 0, 1},       {effConnectInput, 0, 1},            {effConnectOutput, 0, 1},
        {effGetChunk, 0, 0},             {effGetErrorText, 0, 0},            {effEditGetRect, 0, 0},
        {effEditOpen, 0, 0},             {effSetEditKnobMode, 2, 0},         {effEditKeyDown, 0, 0},
        {effGetVu, 0, 0},                {effSetBypass, 1, 0},               {effProcessEvents, 0, 0},
        {effOpen, 0, 0},                 {effOpen, 0, 0},                    {80, 0, 0},
        {1000, 0, 0},                    {-1, 0, 0},
    };
    for (const auto& c : cases) {
        void* slot = nullptr;
        EXPECT_EQ(dispatch(c.opcode, 0, c.value, &slot), c.answer) << "opcode " << c.opcode;
    }
    for (const char* can : {"bypass", "receiveVstTimeInfo", "plugAsChannelInsert", ""}) {
        char buffer[32];
        std::strcpy(buffer, can);
        EXPECT_EQ(dispatch(effCanDo, 0, 0, buffer), 0) << can;
    }
}

TEST_F(Effect, SpeakerArrangementQueryAnswersNullPointers)
{
    void* a = this;
    void* b = this;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&a), &b), 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
}

TEST_F(Effect, FreshInstanceHasDefaultProgramAndParameters)
{
    EXPECT_EQ(dispatch(effGetProgram), 0);
    EXPECT_EQ(text(effGetProgramName), "Default");
    const float expected[] = {1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f};
    for (int32_t i = 0; i < 11; ++i)
        EXPECT_EQ(effect->getParameter(effect, i), expected[i]) << i;
    EXPECT_EQ(effect->getParameter(effect, 50), 0.0f);
    for (int32_t i = 0; i < 16; ++i)
        EXPECT_EQ(text(effGetProgramNameIndexed, i), "Default");
    char keep[24] = "keep";
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 15, 0, keep), 1);
    std::strcpy(keep, "keep");
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 16, 0, keep), 0);
    EXPECT_STREQ(keep, "keep");
    const char* displays[] = {"Lead", "100.0000", "525.0000", "5.000000", "5.000000", "5.000000",
                              "5.000000", "5.000000", "5.000000", "Modern American 4x12", "Off"};
    for (int32_t i = 0; i < 11; ++i)
        EXPECT_EQ(text(effGetParamDisplay, i), displays[i]);
}

TEST_F(Effect, ProgramsKeepTheirOwnValuesAndNames)
{
    effect->setParameter(effect, kParamPreampDrive, 0.8f);
    dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(effect->getParameter(effect, kParamPreampDrive), 0.5f);
    EXPECT_EQ(text(effGetParamDisplay, kParamPreampDrive), "5.000000");
    dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(effect->getParameter(effect, kParamPreampDrive), 0.8f);
    EXPECT_EQ(engine().params[kParamPreampDrive], 0.8f);

    dispatch(effSetProgram, 0, 2);
    char name[] = "Crunch Rhythm";
    dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(effGetProgramNameIndexed, 2), "Crunch Rhythm");
    for (int32_t i = 0; i < 16; ++i) {
        if (i != 2) {
            EXPECT_EQ(text(effGetProgramNameIndexed, i), "Default") << i;
        }
    }

    for (intptr_t bad : {16, -1, 1000}) {
        dispatch(effSetProgram, 0, bad);
        EXPECT_EQ(dispatch(effGetProgram), 2);
    }
}

TEST_F(Effect, LongProgramNamesKeepTheirFirst23Characters)
{
    std::string longName(300, 'n');
    longName.replace(0, 26, "abcdefghijklmnopqrstuvwxyz");
    dispatch(effSetProgramName, 0, 0, longName.data());
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    dispatch(effGetProgramName, 0, 0, buffer);
    EXPECT_STREQ(buffer, "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(buffer[24], '#');  // nothing written past the 24-byte slot
}

TEST_F(Effect, TextsWrittenForTheHostStayWithinTheirLimits)
{
    const struct {
        int32_t opcode;
        int32_t index;
        size_t limit;
    } cases[] = {
        {effGetParamName, 9, 24}, {effGetParamLabel, 0, 24},   {effGetParamDisplay, 9, 24},
        {effGetProgramName, 0, 24}, {effGetEffectName, 0, 32}, {effGetVendorString, 0, 64},
        {effGetProductString, 0, 64},
    };
    for (const auto& c : cases) {
        char buffer[256];
        std::memset(buffer, '#', sizeof buffer);
        dispatch(c.opcode, c.index, 0, buffer);
        const char* end = static_cast<const char*>(std::memchr(buffer, '\0', sizeof buffer));
        ASSERT_NE(end, nullptr) << c.opcode;
        EXPECT_LT(static_cast<size_t>(end - buffer), c.limit) << c.opcode;
        EXPECT_EQ(buffer[c.limit], '#') << c.opcode;
    }
}

TEST_F(Effect, NullPointersFromTheHostAreAnsweredWithZero)
{
    for (int32_t opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                           effGetParamName, effEditGetRect, effGetChunk, effGetProgramNameIndexed, effGetEffectName,
                           effGetVendorString, effGetProductString, effCanDo, effString2Parameter,
                           effGetSpeakerArrangement, effEditOpen})
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
    effect->processReplacing(effect, nullptr, nullptr, 16);
    effect->processDoubleReplacing(effect, nullptr, nullptr, 16);
}

TEST_F(Effect, ParameterIndicesOutsideTheSetChangeNothing)
{
    effect->setParameter(effect, 12, 0.7f);
    effect->setParameter(effect, -1, 0.7f);
    effect->setParameter(effect, 50, 0.7f);
    for (int32_t i = 0; i < 11; ++i)
        EXPECT_NE(effect->getParameter(effect, i), 0.7f);
    EXPECT_EQ(effect->getParameter(effect, 12), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, 50), 0.0f);
    char keep[24] = "keep";
    dispatch(effGetParamName, 11, 0, keep);
    dispatch(effGetParamDisplay, -3, 0, keep);
    EXPECT_STREQ(keep, "keep");
}

TEST_F(Effect, SampleRateFollowsTheHostAndRejectsNonsense)
{
    dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(engine().overFactor, 4);
    EXPECT_FALSE(engine().rateUnsupported);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -48000.0f,
                      5e9f, 32000.0f}) {
        dispatch(effSetSampleRate, 0, 0, nullptr, bad);
        EXPECT_TRUE(engine().rateUnsupported) << bad;
        float x[8] = {0.1f, -0.2f, 0.3f, 0.0f, 1.0f, -1.0f, 0.5f, 0.25f};
        float y[8];
        float* in[] = {x};
        float* out[] = {y};
        effect->processReplacing(effect, in, out, 8);
        EXPECT_EQ(std::memcmp(x, y, sizeof x), 0);
    }
    // Stored only: the engine keeps running at its last designed rate.
    dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    EXPECT_EQ(dispatch(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f), 1);
    EXPECT_EQ(engine().overFactor, 8);
    dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(engine().overFactor, 4);
}

TEST_F(Effect, ConstructionAsksTheHostForItsRate)
{
    const struct {
        intptr_t hostRate;
        int32_t over;
        bool unsupported;
    } cases[] = {{0, 8, false}, {-5, 8, false}, {96000, 4, false}, {192000, 2, false}, {22050, 0, true},
                 {intptr_t{1} << 40, 0, true}};
    for (const auto& c : cases) {
        host().sampleRate = c.hostRate;
        AEffect* e = (new CKorvane(&hostCallback, kVariantDeliverable))->getAeffect();
        const PreampEngine& engine = static_cast<CKorvane*>(e->object)->getEngine();
        EXPECT_EQ(engine.rateUnsupported, c.unsupported) << c.hostRate;
        if (!c.unsupported) {
            EXPECT_EQ(engine.overFactor, c.over) << c.hostRate;
        }
        e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
}

TEST_F(Effect, SuspendClearsSignalMemoryAndResumeClearsTheStatus)
{
    std::vector<float> x(256, 0.25f), y(256);
    float* in[] = {x.data()};
    float* out[] = {y.data()};
    // Hosts may process before the first resume.
    effect->processReplacing(effect, in, out, 256);
    EXPECT_NE(engine().inputDcState, 0.0);
    const double bassGamma = engine().bassGamma;
    dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(engine().inputDcState, 0.0);
    EXPECT_EQ(engine().bassGamma, bassGamma);
    const_cast<PreampEngine&>(engine()).blockSizeIncompatible = true;
    EXPECT_EQ(effect->getParameter(effect, 50), 1.0f);
    dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(effect->getParameter(effect, 50), 0.0f);
}

TEST_F(Effect, AutomationReportsToTheHostWhichMayReadStraightBack)
{
    float seen = -1.0f;
    host().onAutomate = [&](AEffect* e, int32_t index) { seen = e->getParameter(e, index); };
    static_cast<CKorvane*>(effect->object)->setParameterAutomated(kParamTreble, 0.9f);
    ASSERT_EQ(host().automated.size(), 1u);
    EXPECT_EQ(host().automated[0].first, kParamTreble);
    EXPECT_EQ(host().automated[0].second, 0.9f);
    EXPECT_EQ(seen, 0.9f);
}

TEST_F(Effect, RecordProcessingEntriesMatchTheEngine)
{
    std::vector<float> x(300);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
    std::vector<float> y(300, 9.0f);
    float* in[] = {x.data()};
    float* out[] = {y.data()};
    // The deprecated accumulating entry leaves the output alone.
    effect->process(effect, in, out, 300);
    EXPECT_EQ(y[0], 9.0f);
    effect->processReplacing(effect, in, out, 300);

    PreampEngine reference;
    setSampleRate(reference, 44100.0f);
    for (uint32_t i = 0; i < kNumParams; ++i)
        setParameter(reference, i, kDefaultParams[i]);
    std::vector<float> z(300);
    kBaseDeliverable.process32(reference, x.data(), z.data(), 300);
    EXPECT_EQ(y, z);
}

TEST(EntryHost, HostWithoutVersionGetsNoInstance)
{
    // Exercised through the plug-in library in plugin_load_test; here only
    // the effect's own defaults for a missing callback.
    CKorvane effect(nullptr, kBaseDeliverable);
    EXPECT_EQ(effect.getAeffect()->numPrograms, 16);
    effect.setParameterAutomated(1, 0.3f);  // no host: nothing to call
    EXPECT_EQ(effect.getParameter(1), 0.3f);
    EXPECT_FALSE(effect.beginEdit(1));
    EXPECT_FALSE(effect.canHostDo(nullptr));
}

} // namespace
} // namespace korvane
