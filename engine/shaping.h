// The engine's memoryless shaping functions and its first-order high-pass
// step. Written exactly in the evaluation order that defines the sound.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/lanes.h"

namespace korvane {

// Added at fixed points of the chain so that no recursive state decays into
// denormal numbers (there is no flush-to-zero mode).
inline constexpr double kEpsilon = 1e-16;

// First-order high-pass: zero at DC, unity at Nyquist, -3 dB at the corner
// that designOnePole put into c.
template <class T>
inline T onePoleHighPass(T c, T& s, T x)
{
    const T d = s - x;
    const T v = c * d;
    const T y = x - v;
    s = (d + v) - y;
    return y;
}

inline double absValue(double x) { return std::fabs(x); }
template <class V>
    requires(sizeof(V) > sizeof(double))
inline V absValue(V x)
{
    using Bits = decltype(x < 0.0);
    return std::bit_cast<V>(std::bit_cast<Bits>(x) & std::numeric_limits<int64_t>::max());
}

// r with its sign flipped where u < 0, done on the sign bit: the same bits
// as -r, but no branch to mispredict on the random signs of a near-silent
// signal.
inline double negateWhereNegative(double r, double u)
{
    const uint64_t flip = static_cast<uint64_t>(u < 0.0) << 63;
    return std::bit_cast<double>(std::bit_cast<uint64_t>(r) ^ flip);
}
template <class V>
    requires(sizeof(V) > sizeof(double))
inline V negateWhereNegative(V r, V u)
{
    using Bits = decltype(u < 0.0);
    const Bits flip = (u < 0.0) & std::numeric_limits<int64_t>::min();
    return std::bit_cast<V>(std::bit_cast<Bits>(r) ^ flip);
}

// Rational soft saturator: odd, slope 1 at 0, approaching +-k. k2 is k*k,
// passed as its own constant so no per-sample product is needed.
template <class T>
inline T saturate(T u, double k, double k2)
{
    const T a = absValue(u);
    const T den = a * k + a * k + a * a + a * a + a * a + k2;
    const T r = a + (((-a - a) + k) - a) * (a * a) * (1.0 / den);
    return negateWhereNegative(r, u);
}

// Two-sided hard clip without branches: lo below lo, hi above hi.
template <class T>
inline T hardClip(T u, double lo, double hi)
{
    return ((absValue(u - lo) + lo + hi) - absValue(u - hi)) * 0.5;
}

} // namespace korvane
