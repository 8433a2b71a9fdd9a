#include "tools/cabinet_ir/det_math.h"

#include <cmath>

namespace cabinet_ir {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr double kLn2Hi = 6.93147180369123816490e-01;  // ln 2 split so n*kLn2Hi is exact
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kLn10 = 2.302585092994045684017991454684;

// Taylor series on |a| <= pi/4; the first omitted terms are below 1e-18.
double sinSmall(double a)
{
    const double a2 = a * a;
    double p = 1.0 / 355687428096000.0;  // 1/17!
    p = p * a2 - 1.0 / 1307674368000.0;
    p = p * a2 + 1.0 / 6227020800.0;
    p = p * a2 - 1.0 / 39916800.0;
    p = p * a2 + 1.0 / 362880.0;
    p = p * a2 - 1.0 / 5040.0;
    p = p * a2 + 1.0 / 120.0;
    p = p * a2 - 1.0 / 6.0;
    return a + a * a2 * p;
}

double cosSmall(double a)
{
    const double a2 = a * a;
    double p = 1.0 / 6402373705728000.0;  // 1/18!
    p = p * a2 - 1.0 / 20922789888000.0;
    p = p * a2 + 1.0 / 87178291200.0;
    p = p * a2 - 1.0 / 479001600.0;
    p = p * a2 + 1.0 / 3628800.0;
    p = p * a2 - 1.0 / 40320.0;
    p = p * a2 + 1.0 / 720.0;
    p = p * a2 - 1.0 / 24.0;
    p = p * a2 + 0.5;
    return 1.0 - a2 * p;
}

} // namespace

void sinCosTurns(double turns, double& s, double& c)
{
    // Both subtractions are exact: the results are multiples of the
    // operand's last place.
    const double r = turns - std::nearbyint(turns);   // [-1/2, 1/2]
    const double q = std::nearbyint(4.0 * r);          // quadrant -2..2
    const double a = kTwoPi * (r - 0.25 * q);          // [-pi/4, pi/4]
    const double sa = sinSmall(a);
    const double ca = cosSmall(a);
    switch (static_cast<int>(q)) {
    case 0: s = sa; c = ca; break;
    case 1: s = ca; c = -sa; break;
    case -1: s = -ca; c = sa; break;
    default: s = -sa; c = -ca; break;  // +-2: half a turn
    }
}

double cosTurns(double turns)
{
    double s, c;
    sinCosTurns(turns, s, c);
    return c;
}

double detExp(double x)
{
    const double n = std::nearbyint(x / 0.69314718055994530942);
    const double r = (x - n * kLn2Hi) - n * kLn2Lo;  // |r| <= 0.35
    // Taylor series to r^13 / 13!, by Horner's rule.
    double p = 1.0 / 6227020800.0;
    const double inv[] = {1.0, 1.0, 1.0 / 2.0, 1.0 / 6.0, 1.0 / 24.0, 1.0 / 120.0, 1.0 / 720.0,
                          1.0 / 5040.0, 1.0 / 40320.0, 1.0 / 362880.0, 1.0 / 3628800.0,
                          1.0 / 39916800.0, 1.0 / 479001600.0};
    for (int k = 12; k >= 0; --k)
        p = p * r + inv[k];
    return std::ldexp(p, static_cast<int>(n));
}

double dbToGain(double db) { return detExp(db * (kLn10 / 20.0)); }
double dbToSqrtGain(double db) { return detExp(db * (kLn10 / 40.0)); }

} // namespace cabinet_ir
