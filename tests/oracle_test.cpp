// The optimised processBlock against the plain reference chain, bit for
// bit, on long varied material: random parameters changed between blocks,
// every supported rate, odd block sizes, both voicings and sample types.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/signal_chain.h"
#include "tests/engine_fixtures.h"
#include "tests/reference_chain.h"

namespace korvane {
namespace {

template <class Sample>
void compareOnRandomSession(Voicing voicing, float rate, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int32_t> blockLength(0, 700);
    // Short blocks take their own paths (a single run, or two short ones).
    std::uniform_int_distribution<int32_t> shortBlockLength(0, 40);
    std::normal_distribution<double> noise(0.0, 0.2);

    PreampEngine fast = testing::engineAt(rate);
    PreampEngine slow = fast;
    double phase = 0.0;
    const int blocks = 120;
    for (int b = 0; b < blocks; ++b) {
        // A few parameter moves between blocks, as automation would do.
        const int moves = static_cast<int>(rng() % 4);
        for (int m = 0; m < moves; ++m) {
            const uint32_t index = rng() % kNumParams;
            float value = unit(rng);
            if (index == kParamBypass)
                value = value < 0.8f ? 0.0f : 1.0f;
            if (index == kParamChannel)
                value = value < 0.5f ? 0.0f : 1.0f;
            setParameter(fast, index, value);
            setParameter(slow, index, value);
        }
        // Mostly cabinet-friendly lengths, sometimes odd ones.
        int32_t n = rng() % 4 == 0 ? shortBlockLength(rng) : blockLength(rng);
        if (rng() % 3 != 0)
            n &= ~3;
        std::vector<Sample> in(static_cast<size_t>(n));
        for (Sample& s : in) {
            phase += 2.0 * 3.141592653589793 * 196.0 / rate;
            s = static_cast<Sample>(0.5 * std::sin(phase) * std::sin(phase * 0.013) + noise(rng) * 0.3);
        }
        std::vector<Sample> a(in.size()), bOut(in.size());
        testing::processWith(voicing, fast, in.data(), a.data(), n);
        reference::processBlock(voicing, slow, in.data(), bOut.data(), n);
        ASSERT_TRUE(a.empty() || std::memcmp(a.data(), bOut.data(), a.size() * sizeof(Sample)) == 0)
            << "block " << b << " of " << n << " frames";
        ASSERT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << "state differs after block " << b;
    }
}

class Oracle : public ::testing::TestWithParam<float> {};

TEST_P(Oracle, FastChainMatchesTheReferenceBitForBit)
{
    const float rate = GetParam();
    unsigned seed = static_cast<unsigned>(rate);
    for (Voicing v : {Voicing::base, Voicing::variant}) {
        compareOnRandomSession<float>(v, rate, ++seed);
        compareOnRandomSession<double>(v, rate, ++seed);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRate, Oracle,
                         ::testing::Values(44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f),
                         [](const ::testing::TestParamInfo<float>& info) {
                             return std::to_string(static_cast<int>(info.param));
                         });

} // namespace
} // namespace korvane

namespace korvane {
namespace {

// Long silence after a loud passage drives some states into the denormal
// range in the reference; the engine flushes them. The outputs must not
// notice, and the states may differ only below the smallest normal double.
TEST(Oracle, SilenceAfterSignalGivesTheReferenceOutputs)
{
    for (float rate : {44100.0f, 192000.0f}) {
        for (Voicing v : {Voicing::base, Voicing::variant}) {
            PreampEngine fast = testing::engineAt(rate);
            for (uint32_t i = 0; i < kNumParams; ++i)
                setParameter(fast, i, kDefaultParams[i]);
            PreampEngine slow = fast;
            std::vector<double> in(256), a(256), b(256);
            const int blocks = static_cast<int>(rate) * 20 / 256;
            for (int block = 0; block < blocks; ++block) {
                for (size_t i = 0; i < in.size(); ++i)
                    in[i] = block < blocks / 20 ? 0.8 * std::sin(0.05 * static_cast<double>(block * 256 + i)) : 0.0;
                testing::processWith(v, fast, in.data(), a.data(), 256);
                reference::processBlock(v, slow, in.data(), b.data(), 256);
                ASSERT_EQ(std::memcmp(a.data(), b.data(), sizeof(double) * 256), 0) << "block " << block;
            }
            const auto* f = reinterpret_cast<const double*>(&fast.preampResampler);
            const auto* s = reinterpret_cast<const double*>(&slow.preampResampler);
            int flushed = 0;
            for (size_t i = 0; i < sizeof(HalfbandResampler) / sizeof(double) - 1; ++i) {
                if (f[i] != s[i]) {
                    EXPECT_LT(std::abs(s[i]), 2.2250738585072014e-308);
                    ++flushed;
                }
            }
            if (v == Voicing::base && rate == 44100.0f) {
                EXPECT_GT(flushed, 0) << "the reference no longer goes denormal: this test lost its point";
            }
        }
    }
}

} // namespace
} // namespace korvane
