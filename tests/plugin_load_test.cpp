// The built plug-in libraries, loaded exactly as a host loads them: dlopen,
// the exported entry point, and from then on only the AEffect record.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/signal_chain.h"
#include "shell/vst2.h"
#include "tests/engine_fixtures.h"
#include "tests/fake_host.h"

namespace korvane {
namespace {

using Entry = AEffect* (*)(audioMasterCallback);

struct Library {
    explicit Library(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library()
    {
        if (handle != nullptr)
            dlclose(handle);
    }
    Entry entry(const char* name) const { return reinterpret_cast<Entry>(dlsym(handle, name)); }
    void* handle;
};

struct Build {
    const char* path;
    const char* name;
    int32_t id;
    Voicing voicing;
};

const Build kBuilds[] = {
    {KORVANE_BASE_PLUGIN, "Korvane", fourCharCode("KVN2"), Voicing::base},
    {KORVANE_VARIANT_PLUGIN, "Korvane Blazewound", fourCharCode("KVB2"), Voicing::variant},
};

std::string ask(AEffect* e, int32_t opcode, int32_t index = 0)
{
    char buffer[256] = {};
    e->dispatcher(e, opcode, index, 0, buffer, 0.0f);
    return buffer;
}

class PluginLibrary : public ::testing::TestWithParam<Build> {
protected:
    void SetUp() override { testing::host() = {}; }
};

TEST_P(PluginLibrary, LoadsThroughBothEntryNamesAndReportsItsIdentity)
{
    const Build& b = GetParam();
    Library lib(b.path);
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    const Entry main = lib.entry("main");
    const Entry vstMain = lib.entry("VSTPluginMain");
    ASSERT_NE(vstMain, nullptr);
    EXPECT_EQ(main, vstMain);  // one routine, two names

    AEffect* e = vstMain(&testing::hostCallback);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->uniqueID, b.id);
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 11);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 1);
    EXPECT_EQ(e->flags, 4112);
    EXPECT_EQ(ask(e, effGetEffectName), b.name);
    EXPECT_EQ(ask(e, effGetProductString), b.name);
    EXPECT_EQ(ask(e, effGetVendorString), "Qel Audio");
    EXPECT_EQ(e->dispatcher(e, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(ask(e, effGetParamName, 9), "Loudspeaker Cabinet");
    EXPECT_EQ(ask(e, effGetParamDisplay, 2), "525.0000");
    EXPECT_EQ(ask(e, effGetProgramNameIndexed, 7), "Default");
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_P(PluginLibrary, RefusesAHostThatDoesNotAnswerTheVersionQuery)
{
    Library lib(GetParam().path);
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    testing::host().version = 0;
    EXPECT_EQ(lib.entry("VSTPluginMain")(&testing::hostCallback), nullptr);
    EXPECT_EQ(lib.entry("main")(nullptr), nullptr);
}

TEST_P(PluginLibrary, ProcessesLikeTheEngineInBothForms)
{
    const Build& b = GetParam();
    Library lib(b.path);
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    testing::host().sampleRate = 96000;
    AEffect* e = lib.entry("VSTPluginMain")(&testing::hostCallback);
    ASSERT_NE(e, nullptr);
    // What a typical host does first; doubled open and resume are harmless.
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetBlockSize, 0, 256, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    e->setParameter(e, kParamPreampDrive, 0.7f);
    e->setParameter(e, kParamBass, 0.2f);

    // The effect tunes its engine to the host's rate, then loads program 0.
    PreampEngine reference;
    setSampleRate(reference, 96000.0f);
    for (uint32_t i = 0; i < kNumParams; ++i)
        setParameter(reference, i, kDefaultParams[i]);
    setParameter(reference, kParamPreampDrive, 0.7f);
    setParameter(reference, kParamBass, 0.2f);

    std::vector<float> x(256);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(0.4 * std::sin(0.03 * static_cast<double>(i)));
    std::vector<float> y(x.size()), z(x.size());
    float* in[] = {x.data()};
    float* out[] = {y.data()};
    e->processReplacing(e, in, out, 256);
    testing::processWith(b.voicing, reference, x.data(), z.data(), 256);
    EXPECT_EQ(y, z);

    std::vector<double> xd(x.begin(), x.end()), yd(x.size()), zd(x.size());
    double* ind[] = {xd.data()};
    double* outd[] = {yd.data()};
    e->processDoubleReplacing(e, ind, outd, 256);
    testing::processWith(b.voicing, reference, xd.data(), zd.data(), 256);
    EXPECT_EQ(yd, zd);
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_P(PluginLibrary, InstancesAreIndependent)
{
    Library lib(GetParam().path);
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    AEffect* a = lib.entry("VSTPluginMain")(&testing::hostCallback);
    AEffect* b = lib.entry("main")(&testing::hostCallback);
    ASSERT_NE(a, b);
    a->setParameter(a, kParamTreble, 0.9f);
    EXPECT_EQ(b->getParameter(b, kParamTreble), 0.5f);
    a->dispatcher(a, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(b->getParameter(b, kParamTreble), 0.5f);
    b->dispatcher(b, effClose, 0, 0, nullptr, 0.0f);
}

void PrintTo(const Build& b, std::ostream* os) { *os << b.name; }

INSTANTIATE_TEST_SUITE_P(BothBuilds, PluginLibrary, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<Build>& info) {
                             return std::string(info.param.voicing == Voicing::base ? "Base" : "Variant");
                         });

} // namespace
} // namespace korvane
