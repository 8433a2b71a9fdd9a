#include "engine/halfband.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace korvane {
namespace {

HalfbandResampler configured(int32_t factor)
{
    HalfbandResampler r;
    configure(r, factor);
    return r;
}

std::vector<double> up(HalfbandResampler& r, double x)
{
    std::vector<double> out(static_cast<size_t>(r.factor));
    upsample(r, x, out.data());
    return out;
}

TEST(HalfbandResampler, ReproducesReferenceOutputsFromClearedStates)
{
    struct Case {
        int32_t factor;
        bool upsampling;
        std::vector<double> input;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {2, true, {1.0}, {-2.916002769e-4, -2.846116445e-3}},
        {2, false, {1.0, 0.0}, {6.776467726e-3}},
        {2, false, {0.0, 1.0}, {6.942863737e-4}},
        {4, true, {1.0}, {1.399127223e-7, 1.419120112e-6, 7.234437792e-6, 2.456640062e-5}},
        {4, false, {1.0, 0.0, 0.0, 0.0}, {2.288019297e-4}},
    };
    for (const Case& c : cases) {
        HalfbandResampler r = configured(c.factor);
        const std::vector<double> got =
            c.upsampling ? up(r, c.input[0]) : std::vector<double>{downsample(r, c.input.data())};
        ASSERT_EQ(got.size(), c.expected.size());
        for (size_t k = 0; k < got.size(); ++k)
            EXPECT_NEAR(got[k], c.expected[k], std::abs(c.expected[k]) * 1e-9)
                << "factor " << c.factor << (c.upsampling ? " up" : " down") << " output " << k;
    }
}

TEST(HalfbandResampler, HasUnityGainAtDcInBothDirectionsAtEveryFactor)
{
    for (int32_t factor : {2, 4, 8}) {
        HalfbandResampler r = configured(factor);
        std::vector<double> high;
        double low = 0.0;
        for (int i = 0; i < 4000; ++i) {
            high = up(r, 0.75);
            low = downsample(r, high.data());
        }
        for (double s : high)
            EXPECT_NEAR(s, 0.75, 1e-9) << "factor " << factor;
        EXPECT_NEAR(low, 0.75, 1e-9) << "factor " << factor;
    }
}

TEST(HalfbandResampler, RejectsImagesOfAnUpsampledTone)
{
    // A 1 kHz tone at 44.1 kHz, upsampled by 8: the energy above the
    // original Nyquist frequency must be tiny (the stages' stop bands).
    HalfbandResampler r = configured(8);
    const int n = 4096 * 8;
    std::vector<double> high;
    for (int i = 0; i < n / 8; ++i) {
        const std::vector<double> o = up(r, std::sin(2.0 * 3.141592653589793 * 1000.0 * i / 44100.0));
        high.insert(high.end(), o.begin(), o.end());
    }
    // Hann-windowed Goertzel power at the first image (44.1 kHz - 1 kHz)
    // against the tone; the window keeps the tone's leakage out.
    auto power = [&](double f) {
        const double w = 2.0 * 3.141592653589793 * f / 352800.0;
        const size_t start = 4096, count = high.size() - start;
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = start; i < high.size(); ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * 3.141592653589793 * (i - start) / count);
            const double s = hann * high[i] + 2.0 * std::cos(w) * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        return s1 * s1 + s2 * s2 - 2.0 * std::cos(w) * s1 * s2;
    };
    EXPECT_LT(power(43100.0) / power(1000.0), 1e-9);  // below -90 dB
}

TEST(HalfbandResampler, ClearKeepsFactorAndCoefficientsAndConfigureAlwaysClears)
{
    HalfbandResampler r = configured(4);
    up(r, 1.0);
    const double probe[4] = {1.0, 0.5, 0.25, 0.0};
    downsample(r, probe);
    clear(r);
    EXPECT_EQ(r.factor, 4);
    EXPECT_EQ(r.stage1.evenCoefs, kHalfbandStage1.evenCoefs);
    EXPECT_EQ(r.stage3.oddCoefs, kHalfbandStage3.oddCoefs);
    const HalfbandResampler fresh = configured(4);
    EXPECT_EQ(up(r, 1.0), [&] { HalfbandResampler f = fresh; return up(f, 1.0); }());

    configure(r, 4);  // same factor: still a clean start
    EXPECT_EQ(r.stage1.phaseState, 0.0);
    EXPECT_EQ(r.stage2.upEvenState, (std::array<double, 3>{}));
}

// Paired converters against each one alone, per sample: outputs, states
// and working buffers bit for bit, over runs of uneven lengths.
template <int F>
void checkPairedRuns()
{
    std::mt19937 rng(F);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    HalfbandResampler a = configured(F), b = configured(F);
    HalfbandResampler aRef = a, bRef = b;
    for (const int32_t count : {1, 5, 64, 17, 2}) {
        std::vector<double> inA(static_cast<size_t>(count)), inB(inA.size());
        for (size_t i = 0; i < inA.size(); ++i) {
            inA[i] = noise(rng);
            inB[i] = noise(rng);
        }
        std::vector<double> wideA(F * inA.size()), wideB(wideA.size()), scratch(12 * inA.size());
        upsampleRunPair<F>(a, inA.data(), wideA.data(), b, inB.data(), wideB.data(), count, scratch.data());
        // Distort before going down, as the chain does.
        for (double& v : wideA)
            v = v * v;
        for (double& v : wideB)
            v = -v * 0.5;
        std::vector<double> outA(inA.size()), outB(inA.size());
        downsampleRunPair<F>(a, wideA.data(), outA.data(), b, wideB.data(), outB.data(), count, scratch.data());
        for (size_t i = 0; i < inA.size(); ++i) {
            std::array<double, F> wa{}, wb{};
            upsample(aRef, inA[i], wa.data());
            upsample(bRef, inB[i], wb.data());
            for (size_t j = 0; j < F; ++j) {
                ASSERT_EQ(wa[j] * wa[j], wideA[F * i + j]) << "F " << F << " sample " << i;
                ASSERT_EQ(-wb[j] * 0.5, wideB[F * i + j]) << "F " << F << " sample " << i;
            }
            ASSERT_EQ(downsample(aRef, wideA.data() + F * i), outA[i]) << "F " << F << " sample " << i;
            ASSERT_EQ(downsample(bRef, wideB.data() + F * i), outB[i]) << "F " << F << " sample " << i;
        }
    }
    EXPECT_EQ(std::memcmp(&a, &aRef, sizeof a), 0);
    EXPECT_EQ(std::memcmp(&b, &bRef, sizeof b), 0);
}

TEST(HalfbandResampler, PairedRunsMatchEachConverterAlone)
{
    checkPairedRuns<2>();
    checkPairedRuns<4>();
    checkPairedRuns<8>();
}

} // namespace
} // namespace korvane
