#include "engine/shaping.h"

#include <gtest/gtest.h>

#include <random>

namespace korvane {
namespace {

TEST(Shaping, SaturateReproducesTheRestingOffsetsOfTheVariantStages)
{
    const struct {
        double u, k, k2, expected;
    } cases[] = {
        {55.25, 149.25, 22275.5625, 54.199047738280605},
        {-16.75, 153.25, 23485.5625, -17.730883706918863},
        {-30.71, 77.54, 6012.4516, -29.69856108332217},
        {100.0, 300.0, 90000.0, 100.0},  // crosses the identity at k/3
        {0.0, 300.0, 90000.0, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(saturate(c.u, c.k, c.k2), c.expected) << "u = " << c.u;
    EXPECT_NEAR(saturate(1000.0, 300.0, 90000.0), 268.29, 0.01);
    EXPECT_NEAR(saturate(1e6, 149.25, 22275.5625), 149.2426, 1e-4);
}

TEST(Shaping, SaturateIsOddIncreasingAndBoundedByK)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-1e4, 1e4);
    double previousU = -1e9;
    double previous = saturate(previousU, 300.0, 90000.0);
    std::vector<double> us(2000);
    for (double& u : us)
        u = dist(rng);
    std::sort(us.begin(), us.end());
    for (double u : us) {
        const double s = saturate(u, 300.0, 90000.0);
        EXPECT_EQ(s, -saturate(-u, 300.0, 90000.0));
        EXPECT_LT(std::abs(s), 300.0);
        EXPECT_GE(s, previous) << "at " << u << " after " << previousU;
        previous = s;
        previousU = u;
    }
}

TEST(Shaping, HardClipPassesTheBandAndClipsBothSides)
{
    const struct {
        double u, expected;
    } cases[] = {{95.0, 94.0}, {-300.0, -204.5}, {12.5, 12.5}, {94.0, 94.0}, {-204.5, -204.5}, {0.0, 0.0}};
    for (const auto& c : cases)
        EXPECT_EQ(hardClip(c.u, -204.5, 94.0), c.expected) << "u = " << c.u;
}

TEST(Shaping, OnePoleHighPassBlocksDcAndPassesNyquist)
{
    const double c = -0.01;
    double s = 0.0;
    double y = 0.0;
    for (int i = 0; i < 5000; ++i)
        y = onePoleHighPass(c, s, 1.0);
    EXPECT_NEAR(y, 0.0, 1e-12);
    s = 0.0;
    for (int i = 0; i < 5000; ++i)
        y = onePoleHighPass(c, s, (i % 2 == 0) ? 1.0 : -1.0);
    EXPECT_NEAR(std::abs(y), 1.0, 1e-9);
}

} // namespace
} // namespace korvane
