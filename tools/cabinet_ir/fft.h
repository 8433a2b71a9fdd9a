// Radix-2 complex FFT with twiddles from the deterministic sine and cosine:
// the same input gives the same bits on every IEEE-754 machine, which a
// tuned FFT library (with its CPU-dependent code paths) does not promise.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/cabinet_ir/complex.h"

namespace cabinet_ir {

class Fft {
public:
    explicit Fft(std::size_t n);  // n a power of two

    // X[k] = sum x[n] e^(-2 pi i k n / N), in place.
    void forward(std::vector<Cx>& x) const { run(x, false); }
    // x[n] = (1/N) sum X[k] e^(+2 pi i k n / N), in place.
    void inverse(std::vector<Cx>& x) const;

    std::size_t size() const { return n_; }

private:
    void run(std::vector<Cx>& x, bool inverse) const;

    std::size_t n_;
    std::vector<Cx> twiddle_;  // e^(-2 pi i k / N), k < N/2
};

} // namespace cabinet_ir
