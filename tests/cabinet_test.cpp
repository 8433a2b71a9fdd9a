// Cabinet selection, the convolution step and the block-size status.
#include "engine/cabinet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/cabinet_tables.h"
#include "engine/signal_chain.h"
#include "tests/engine_fixtures.h"

namespace korvane {
namespace {

using testing::engineAt;

bool ringClear(const PreampEngine& e)
{
    return e.cabinetWriteIndex == 0 &&
           std::all_of(e.cabinetHistory.begin(), e.cabinetHistory.end(), [](double v) { return v == 0.0; });
}

void dirtyRing(PreampEngine& e)
{
    for (int i = 0; i < 20; ++i)
        cabinetConvolve(e, 0.1 * i);
}

TEST(Cabinet, UnitImpulseThroughAClearedRingYieldsTheResponseThenZeros)
{
    PreampEngine e = engineAt(48000.0f);
    setParameter(e, kParamCabinet, 0.8f);  // cabinet 6
    const CabinetTable& h = cabinetTable(6, true);
    ASSERT_EQ(e.cabinetIr, h.data());
    for (int n = 0; n < 600; ++n) {
        const double y = cabinetConvolve(e, n == 0 ? 1.0 : 0.0);
        ASSERT_EQ(y, n < kCabinetTableTaps ? h[static_cast<size_t>(n)] : 0.0) << "step " << n;
    }
    EXPECT_EQ(e.cabinetWriteIndex, (0 - 600) & 511);

    // The block form gives the same, and leaves the ring where the steps do.
    PreampEngine b = engineAt(48000.0f);
    setParameter(b, kParamCabinet, 0.8f);
    std::vector<double> x(600, 0.0);
    x[0] = 1.0;
    for (int32_t start = 0; start < 600; start += 100)
        convolveBlock(b, x.data() + start, 100);
    for (int n = 0; n < 600; ++n)
        ASSERT_EQ(x[static_cast<size_t>(n)], n < kCabinetTableTaps ? h[static_cast<size_t>(n)] : 0.0) << n;
    EXPECT_EQ(b.cabinetWriteIndex, e.cabinetWriteIndex);
    EXPECT_EQ(b.cabinetHistory, e.cabinetHistory);
}

// Both kernels against the per-sample step, on noise through a ring that
// has wrapped, with run lengths that leave every kind of partial group.
TEST(Cabinet, BlockKernelsMatchThePerSampleStep)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> x(3000);
    for (double& v : x)
        v = noise(rng);
    const int32_t runs[] = {1, 7, 8, 9, 31, 32, 33, 64, 65, 100, 255, 256};
    for (const ConvolveKernel kernel : {ConvolveKernel::fastest, ConvolveKernel::portable}) {
        PreampEngine steps = engineAt(44100.0f);
        ASSERT_NE(steps.cabinetIr, nullptr);
        PreampEngine blocks = steps;
        std::vector<double> y = x;
        size_t start = 0;
        for (size_t r = 0; start < x.size(); ++r) {
            const auto n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(runs[r % std::size(runs)]),
                                                                 x.size() - start));
            convolveBlock(blocks, y.data() + start, n, kernel);
            for (int32_t i = 0; i < n; ++i) {
                const size_t at = start + static_cast<size_t>(i);
                ASSERT_EQ(y[at], cabinetConvolve(steps, x[at])) << "sample " << at << " kernel " << static_cast<int>(kernel);
            }
            start += static_cast<size_t>(n);
        }
        EXPECT_EQ(blocks.cabinetWriteIndex, steps.cabinetWriteIndex);
        EXPECT_EQ(blocks.cabinetHistory, steps.cabinetHistory);
    }
}

TEST(Cabinet, SelectionFollowsTheEighthsAndTheRateFamily)
{
    const struct {
        float rate;
        float value;
        uint32_t cabinet;
        bool family48k;
    } cases[] = {
        {44100.0f, 0.1249f, 0, false}, {44100.0f, 0.125f, 1, false}, {44100.0f, 0.5f, 4, false},
        {44100.0f, 0.875f, 7, false},  {44100.0f, 1.0f, 7, false},   {88200.0f, 0.3f, 2, false},
        {176400.0f, 0.7f, 5, false},   {48000.0f, 0.4f, 3, true},    {96000.0f, 0.6f, 4, true},
        {192000.0f, 0.8f, 6, true},
    };
    for (const auto& c : cases) {
        PreampEngine e = engineAt(c.rate);
        setParameter(e, kParamCabinet, c.value);
        EXPECT_EQ(e.cabinet, c.cabinet) << c.value << " at " << c.rate;
        if (c.cabinet != 0) {
            EXPECT_EQ(e.cabinetIr, cabinetTable(static_cast<int>(c.cabinet), c.family48k).data()) << c.rate;
        }
    }
}

TEST(Cabinet, RingIsClearedOnlyWhenACabinetIsEngagedOrChanged)
{
    PreampEngine e = engineAt(44100.0f);
    setParameter(e, kParamCabinet, 0.55f);
    dirtyRing(e);
    setParameter(e, kParamCabinet, 0.6f);  // still cabinet 4
    EXPECT_FALSE(ringClear(e));

    setParameter(e, kParamCabinet, 0.0f);  // disengaging keeps the ring
    EXPECT_EQ(e.cabinet, 0u);
    EXPECT_FALSE(ringClear(e));
    setParameter(e, kParamCabinet, 0.55f);  // 4 -> 0 -> 4 starts from silence
    EXPECT_TRUE(ringClear(e));

    dirtyRing(e);
    setParameter(e, kParamCabinet, 0.9f);
    EXPECT_TRUE(ringClear(e));
}

TEST(Cabinet, SelectionAtAnUnsupportedRateKeepsTheTableUntilARateIsSupported)
{
    PreampEngine e = engineAt(44100.0f);
    const double* table = e.cabinetIr;
    setSampleRate(e, 32000.0f);
    dirtyRing(e);
    setParameter(e, kParamCabinet, 0.3f);
    EXPECT_EQ(e.cabinet, 2u);
    EXPECT_EQ(e.cabinetIr, table);
    EXPECT_TRUE(ringClear(e));
    setSampleRate(e, 96000.0f);
    EXPECT_EQ(e.cabinetIr, cabinetTable(2, true).data());
}

TEST(Cabinet, BlockSizeStatusFollowsTheCabinetFactor)
{
    struct Step {
        int32_t frames;
        bool flag;
    };
    const struct {
        float rate;
        float cabinet;
        std::vector<Step> steps;
    } cases[] = {
        {96000.0f, 0.7f, {{511, true}, {512, false}, {3, true}, {0, false}}},
        {192000.0f, 0.3f, {{6, true}, {8, false}, {510, true}, {512, false}}},
        {44100.0f, 0.5f, {{511, false}, {7, false}}},
        {96000.0f, 0.0f, {{511, false}, {3, false}}},  // disengaged: never touched
    };
    for (const auto& c : cases) {
        PreampEngine e = engineAt(c.rate);
        setParameter(e, kParamCabinet, c.cabinet);
        std::vector<float> buffer(512, 0.25f);
        for (const Step& s : c.steps) {
            processBlock<Voicing::base>(e, buffer.data(), buffer.data(), s.frames);
            EXPECT_EQ(e.blockSizeIncompatible, s.flag) << s.frames << " frames at " << c.rate;
        }
    }
    // Raised by something else, a disengaged cabinet leaves it alone.
    PreampEngine e = engineAt(192000.0f);
    setParameter(e, kParamCabinet, 0.0f);
    e.blockSizeIncompatible = true;
    float x[8] = {};
    processBlock<Voicing::base>(e, x, x, 8);
    EXPECT_TRUE(e.blockSizeIncompatible);
}

TEST(Cabinet, IncompatibleBlockGoesOutWithoutTheCabinetAndKeepsTheRing)
{
    PreampEngine withCab = engineAt(96000.0f);
    PreampEngine without = engineAt(96000.0f);
    setParameter(without, kParamCabinet, 0.0f);
    std::vector<double> x(511);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 0.3 * std::sin(0.01 * static_cast<double>(i));
    std::vector<double> a(511), b(511);
    const auto ring = withCab.cabinetHistory;
    processBlock<Voicing::variant>(withCab, x.data(), a.data(), 511);
    processBlock<Voicing::variant>(without, x.data(), b.data(), 511);
    EXPECT_EQ(a, b);
    EXPECT_EQ(withCab.cabinetHistory, ring);
}

TEST(Cabinet, ConvolutionStaysInRangeUnderAnyInterleavingOfSelectionAndProcessing)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> value(-0.2f, 1.2f);
    std::uniform_int_distribution<int32_t> frames(0, 64);
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        PreampEngine e = engineAt(rate);
        std::vector<float> buffer(64, 0.1f);
        for (int step = 0; step < 300; ++step) {
            setParameter(e, kParamCabinet, value(rng));
            processBlock<Voicing::base>(e, buffer.data(), buffer.data(), frames(rng));
            ASSERT_GE(e.cabinetWriteIndex, 0);
            ASSERT_LT(e.cabinetWriteIndex, 512);
            ASSERT_LE(e.cabinet, 7u);
        }
    }
}

} // namespace
} // namespace korvane
