// The fourteen cabinet impulse responses as the engine compiles them in:
// the figures each table is anchored to, where and how high its magnitude
// response peaks, and that the two rate families of a cabinet sound alike.
#include "engine/cabinet_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>

namespace korvane {
namespace {

struct Figures {
    int cabinet;
    bool family48k;
    double first[3];
    int peakIndex;
    double peakValue;
    double energy;
    double last;
};

const Figures kFigures[] = {
    {1, false, {-0.000169175, -3.42096e-05, 4.29711e-05}, 38, 0.122431, 0.0762313, -0.00274108},
    {1, true, {-0.000154185, -4.50068e-05, 3.77255e-05}, 41, 0.113644, 0.0688651, -5.15342e-05},
    {2, false, {-2.12344e-05, -0.000130385, -0.000174308}, 32, -0.0928921, 0.0513283, -0.0027854},
    {2, true, {-1.94544e-05, -0.000110511, -0.000162665}, 35, -0.0847606, 0.0465669, -0.00240611},
    {3, false, {-0.00103649, -0.0011483, 0.000837671}, 40, -0.0633595, 0.0290641, -0.00228823},
    {3, true, {-0.00094705, -0.00111152, 0.000328079}, 44, -0.0570949, 0.0263115, -0.00336425},
    {4, false, {0.0181529, 0.0464179, 0.0581494}, 3, 0.0638802, 0.0336071, 0.000930321},
    {4, true, {0.0171274, 0.0420813, 0.0540226}, 4, 0.0621719, 0.0325126, -0.000674786},
    {5, false, {6.58427e-05, 0.000315037, 0.00230304}, 6, 0.0795977, 0.0392638, 0.00167143},
    {5, true, {5.98639e-05, 0.000248818, 0.00159265}, 7, 0.0753725, 0.0357638, 0.00133332},
    {6, false, {0.000351797, 4.56929e-06, 0.000624999}, 14, -0.0935791, 0.0510095, -0.00258607},
    {6, true, {0.000353398, 4.47918e-05, 0.000317248}, 16, -0.0972394, 0.0554532, -0.00388571},
    {7, false, {-0.00036331, -0.00121053, -0.00189281}, 21, 0.102267, 0.0521024, 0.00276071},
    {7, true, {-0.000363337, -0.00113582, -0.00182555}, 23, 0.102583, 0.0563399, 0.00244155},
};

std::string label(int cabinet, bool family48k)
{
    return "cabinet " + std::to_string(cabinet) + (family48k ? " at 48 kHz" : " at 44.1 kHz");
}

// Six significant digits, the precision the figures are given in.
std::string six(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5e", v);
    return buf;
}

double rateOf(bool family48k) { return family48k ? 48000.0 : 44100.0; }

// |H| at hz, by Horner's rule in e^(-j w).
double magnitude(const CabinetTable& h, double hz, double rate)
{
    const double w = 2.0 * M_PI * hz / rate;
    const std::complex<double> z = std::polar(1.0, -w);
    std::complex<double> acc = 0.0;
    for (std::size_t n = h.size(); n-- > 0;)
        acc = acc * z + h[n];
    return std::abs(acc);
}

struct Peak {
    double magnitude;
    double hz;
};

// 32769 points from DC to Nyquist (a 65536-point DFT's worth), then a
// golden-section search between the best point's neighbours.
Peak responsePeak(const CabinetTable& h, double rate)
{
    constexpr int kPoints = 32768;
    const double step = 0.5 * rate / kPoints;
    int best = 0;
    double bestMag = 0.0;
    for (int i = 0; i <= kPoints; ++i) {
        const double m = magnitude(h, i * step, rate);
        if (m > bestMag) {
            bestMag = m;
            best = i;
        }
    }
    double a = std::max(0, best - 1) * step, b = std::min(kPoints, best + 1) * step;
    const double r = 0.5 * (std::sqrt(5.0) - 1.0);
    for (int i = 0; i < 50; ++i) {
        const double c = b - r * (b - a), d = a + r * (b - a);
        if (magnitude(h, c, rate) > magnitude(h, d, rate))
            b = d;
        else
            a = c;
    }
    const double hz = 0.5 * (a + b);
    return {std::max(bestMag, magnitude(h, hz, rate)), hz};
}

TEST(CabinetTables, TableNumberFollowsCabinetAndFamily)
{
    for (int cabinet = 1; cabinet <= kCabinetCount; ++cabinet) {
        EXPECT_EQ(&cabinetTable(cabinet, true), &kCabinetTables[static_cast<std::size_t>(2 * (7 - cabinet))]);
        EXPECT_EQ(&cabinetTable(cabinet, false), &kCabinetTables[static_cast<std::size_t>(2 * (7 - cabinet) + 1)]);
    }
}

TEST(CabinetTables, EachTableMeetsItsFigures)
{
    for (const Figures& f : kFigures) {
        SCOPED_TRACE(label(f.cabinet, f.family48k));
        const CabinetTable& h = cabinetTable(f.cabinet, f.family48k);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(six(h[i]), six(f.first[i])) << "tap " << i;
        EXPECT_EQ(six(h[kCabinetTableTaps - 1]), six(f.last));

        const std::size_t p = static_cast<std::size_t>(f.peakIndex);
        EXPECT_EQ(six(h[p]), six(f.peakValue));
        double energy = 0.0;
        for (std::size_t i = 0; i < h.size(); ++i) {
            energy += h[i] * h[i];
            EXPECT_NE(h[i], 0.0) << "tap " << i;
            if (i != p) {
                EXPECT_LT(std::fabs(h[i]), std::fabs(h[p])) << "tap " << i << " outgrows the peak tap";
            }
        }
        EXPECT_EQ(six(energy), six(f.energy));
    }
}

// 0 dB at the top of the closed backs' bass bump; the open 4x10 and the
// 2x12 with the loose back have no such bump and peak in their presence
// region instead.
TEST(CabinetTables, ResponsePeaksAtZeroDbWhereTheCabinetResonates)
{
    for (const Figures& f : kFigures) {
        SCOPED_TRACE(label(f.cabinet, f.family48k));
        const Peak peak = responsePeak(cabinetTable(f.cabinet, f.family48k), rateOf(f.family48k));
        EXPECT_NEAR(20.0 * std::log10(peak.magnitude), 0.0, 0.05);
        if (f.cabinet >= 3) {
            EXPECT_GE(peak.hz, 145.0);
            EXPECT_LE(peak.hz, 190.0);
        } else {
            EXPECT_NEAR(peak.hz, 3300.0, 250.0);
        }
    }
}

// The cone's breakup takes everything above about 5 kHz well down.
TEST(CabinetTables, TopOctavesAreFarBelowThePeak)
{
    for (const Figures& f : kFigures) {
        SCOPED_TRACE(label(f.cabinet, f.family48k));
        const CabinetTable& h = cabinetTable(f.cabinet, f.family48k);
        for (double hz = 9000.0; hz <= 15000.0; hz += 25.0)
            ASSERT_LT(20.0 * std::log10(magnitude(h, hz, rateOf(f.family48k))), -15.0) << hz << " Hz";
    }
}

// The 44.1 and 48 kHz tables of a cabinet are the same cabinet: their
// magnitude responses agree across the band both can carry. Above 8 kHz,
// 25 to 40 dB down, the anchored first and last taps (whose own spectra are
// flat) weigh more, and most of all the abrupt onset of the close-miked
// cabinet 4, so the bound is looser there.
TEST(CabinetTables, BothFamiliesOfACabinetSoundAlike)
{
    const struct {
        double fromHz, toHz, limitDb;
    } bands[] = {{40.0, 8000.0, 0.5}, {8000.0, 15000.0, 1.25}};
    for (int cabinet = 1; cabinet <= kCabinetCount; ++cabinet) {
        SCOPED_TRACE(label(cabinet, false));
        const CabinetTable& a = cabinetTable(cabinet, false);
        const CabinetTable& b = cabinetTable(cabinet, true);
        for (const auto& band : bands) {
            double worst = 0.0, worstHz = 0.0;
            for (int i = 0; i <= 1000; ++i) {
                const double hz = band.fromHz * std::pow(band.toHz / band.fromHz, i / 1000.0);
                const double d = 20.0 * std::log10(magnitude(a, hz, 44100.0) / magnitude(b, hz, 48000.0));
                if (std::fabs(d) > std::fabs(worst)) {
                    worst = d;
                    worstHz = hz;
                }
            }
            EXPECT_LT(std::fabs(worst), band.limitDb) << worst << " dB at " << worstHz << " Hz";
        }
    }
}

} // namespace
} // namespace korvane
