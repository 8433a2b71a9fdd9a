#include "engine/filter_design.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "engine/preamp_engine.h"
#include "tests/engine_fixtures.h"

namespace korvane {
namespace {

using testing::engineAt;

// Reference values hold to about seven significant digits.
void expectClose(double got, double expected, const char* what)
{
    EXPECT_NEAR(got, expected, std::abs(expected) * 1e-6) << what;
}

TEST(FilterDesign, FixedAndThumpCoefficientsMatchReferenceAt44100)
{
    PreampEngine e = engineAt(44100.0f);
    expectClose(e.dcBlockCoef, -7.123285e-05, "dc blocker");
    expectClose(e.interstage1Coef, -1.204784e-03, "inter-stage 1");
    expectClose(e.interstage2Coef, -7.993626e-04, "inter-stage 2");
    const struct {
        float p2;
        double coef;
    } thump[] = {{0.0f, -4.450389e-04}, {0.5f, -4.653269e-03}, {1.0f, -8.826378e-03}};
    for (const auto& t : thump) {
        setParameter(e, kParamThump, t.p2);
        expectClose(e.thumpCoef, t.coef, "thump");
    }
}

TEST(FilterDesign, ToneStackCoefficientsMatchReferenceAt44100)
{
    struct Case {
        ParamIndex index;
        float value;
        double a0, beta, gamma, mu;  // beta only for the middle section
    };
    const Case cases[] = {
        {kParamBass, 0.5f, 0.05393137, 0, 0.8921373, 1.0},
        {kParamBass, 1.0f, 0.007736873, 0, 0.9845263, 6.309573},
        {kParamBass, 0.0f, 0.04689015, 0, 0.9062197, 0.1584893},
        {kParamMiddle, 0.5f, 0.1524348, 0.1951304, 0.6916761, 1.0},
        {kParamMiddle, 1.0f, 0.03732098, 0.4253580, 0.9207597, 3.162278},
        {kParamMiddle, 0.0f, 0.1016184, 0.2967631, 0.7928038, 0.3162278},
        {kParamTreble, 0.5f, 0.9756536, 0, 0.9513072, 1.0},
        {kParamTreble, 1.0f, 0.8314965, 0, 0.6629930, 3.162278},
        {kParamTreble, 0.0f, 0.9397756, 0, 0.8795512, 0.3162278},
    };
    PreampEngine e = engineAt(44100.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "parameter " << c.index << " at " << c.value);
        setParameter(e, c.index, c.value);
        if (c.index == kParamBass) {
            expectClose(e.bassA0, c.a0, "a0");
            expectClose(e.bassGamma, c.gamma, "gamma");
            expectClose(e.bassMu, c.mu, "mu");
        } else if (c.index == kParamMiddle) {
            expectClose(e.midA0, c.a0, "a0");
            expectClose(e.midBeta, c.beta, "beta");
            expectClose(e.midGamma, c.gamma, "gamma");
            expectClose(e.midMu, c.mu, "mu");
        } else {
            expectClose(e.trebleA0, c.a0, "a0");
            expectClose(e.trebleGamma, c.gamma, "gamma");
            expectClose(e.trebleMu, c.mu, "mu");
        }
    }
}

TEST(FilterDesign, CoefficientsMatchReferenceAt48000)
{
    PreampEngine e = engineAt(48000.0f);
    expectClose(e.dcBlockCoef, -6.544556e-05, "dc blocker");
    expectClose(e.interstage1Coef, -1.107003e-03, "inter-stage 1");
    expectClose(e.interstage2Coef, -7.344621e-04, "inter-stage 2");
    expectClose(e.bassA0, 0.04976553, "bass a0");
    expectClose(e.bassGamma, 0.9004689, "bass gamma");
}

TEST(FilterDesign, HostRateSectionsFollowTheRateButOversampledOnesDoNot)
{
    const PreampEngine a = engineAt(44100.0f);
    const PreampEngine b = engineAt(88200.0f);
    EXPECT_NE(a.dcBlockCoef, b.dcBlockCoef);
    EXPECT_NE(a.bassGamma, b.bassGamma);
    EXPECT_NE(a.midGamma, b.midGamma);
    EXPECT_NE(a.trebleGamma, b.trebleGamma);
    // 352.8 kHz either way.
    EXPECT_EQ(a.thumpCoef, b.thumpCoef);
    EXPECT_EQ(a.interstage1Coef, b.interstage1Coef);
    EXPECT_EQ(a.interstage2Coef, b.interstage2Coef);
}

// Magnitude of the realised sections, evaluated from their transfer
// functions, against what each design promises.
double shelfGainDb(const ShelfCoefs& s, bool low, double f, double fs)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * 3.141592653589793 * f / fs);
    const std::complex<double> inner =
        s.a0 * (low ? 1.0 + z1 : 1.0 - z1) / (1.0 - s.gamma * z1);
    return 20.0 * std::log10(std::abs(1.0 + (s.mu - 1.0) * inner));
}

TEST(FilterDesign, ShelvesReachTheirGainAtTheFarEndAndNoneAtTheOther)
{
    for (double g : {-16.0, -6.0, 6.0, 16.0}) {
        const ShelfCoefs low = designLowShelf(g, 300.0, 48000.0);
        EXPECT_NEAR(shelfGainDb(low, true, 1.0, 48000.0), g, 1e-3);
        EXPECT_NEAR(shelfGainDb(low, true, 23990.0, 48000.0), 0.0, 1e-3);
        const ShelfCoefs high = designHighShelf(g, 2000.0, 48000.0);
        EXPECT_NEAR(shelfGainDb(high, false, 23999.0, 48000.0), g, 1e-3);
        EXPECT_NEAR(shelfGainDb(high, false, 1.0, 48000.0), 0.0, 1e-3);
    }
}

TEST(FilterDesign, PeakHasItsGainAtTheCentreAndNoneAtTheEnds)
{
    for (double g : {-10.0, -3.0, 3.0, 10.0}) {
        const PeakCoefs p = designPeak(g, 0.5, 700.0, 44100.0);
        auto gainDb = [&](double f) {
            const std::complex<double> z1 = std::polar(1.0, -2.0 * 3.141592653589793 * f / 44100.0);
            const std::complex<double> band =
                2.0 * p.a0 * (1.0 - z1 * z1) / (1.0 - 2.0 * p.gamma * z1 + 2.0 * p.beta * z1 * z1);
            return 20.0 * std::log10(std::abs(1.0 + (p.mu - 1.0) * band));
        };
        EXPECT_NEAR(gainDb(700.0), g, 1e-6);
        EXPECT_NEAR(gainDb(0.5), 0.0, 1e-3);
        EXPECT_NEAR(gainDb(22049.0), 0.0, 1e-3);
    }
}

} // namespace
} // namespace korvane
