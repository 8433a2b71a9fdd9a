// A plain complex number. std::complex division goes through a runtime
// helper whose algorithm has changed between compiler releases; these
// operators are the textbook formulas, evaluated in the order written.
#pragma once

namespace cabinet_ir {

struct Cx {
    double re = 0.0;
    double im = 0.0;
};

inline Cx operator+(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx operator-(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
inline Cx operator*(Cx a, Cx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
inline Cx operator*(double k, Cx a) { return {k * a.re, k * a.im}; }
inline Cx operator/(Cx a, Cx b)
{
    const double d = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
inline Cx conj(Cx a) { return {a.re, -a.im}; }
inline double norm2(Cx a) { return a.re * a.re + a.im * a.im; }

} // namespace cabinet_ir
