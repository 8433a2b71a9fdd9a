// The engine's memoryless shaping functions and its first-order high-pass
// step. Written exactly in the evaluation order that defines the sound.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace korvane {

// Added at fixed points of the chain so that no recursive state decays into
// denormal numbers (there is no flush-to-zero mode).
inline constexpr double kEpsilon = 1e-16;

// First-order high-pass: zero at DC, unity at Nyquist, -3 dB at the corner
// that designOnePole put into c.
inline double onePoleHighPass(double c, double& s, double x)
{
    const double d = s - x;
    const double v = c * d;
    const double y = x - v;
    s = (d + v) - y;
    return y;
}

// Rational soft saturator: odd, slope 1 at 0, approaching +-k. k2 is k*k,
// passed as its own constant so no per-sample product is needed.
inline double saturate(double u, double k, double k2)
{
    const double a = std::fabs(u);
    const double den = a * k + a * k + a * a + a * a + a * a + k2;
    const double r = a + (((-a - a) + k) - a) * (a * a) * (1.0 / den);
    // Negation for u < 0, done on the sign bit: the same bits as -r, but no
    // branch to mispredict on the random signs of a near-silent signal.
    const uint64_t flip = static_cast<uint64_t>(u < 0.0) << 63;
    return std::bit_cast<double>(std::bit_cast<uint64_t>(r) ^ flip);
}

// Two-sided hard clip without branches: lo below lo, hi above hi.
inline double hardClip(double u, double lo, double hi)
{
    return ((std::fabs(u - lo) + lo + hi) - std::fabs(u - hi)) * 0.5;
}

} // namespace korvane
