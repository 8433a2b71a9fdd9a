#include "tools/cabinet_ir/fft.h"

#include <stdexcept>
#include <utility>

#include "tools/cabinet_ir/det_math.h"

namespace cabinet_ir {

Fft::Fft(std::size_t n) : n_(n), twiddle_(n / 2)
{
    if (n < 2 || (n & (n - 1)) != 0)
        throw std::invalid_argument("FFT size must be a power of two");
    for (std::size_t k = 0; k < n / 2; ++k) {
        double s, c;
        sinCosTurns(static_cast<double>(k) / static_cast<double>(n), s, c);
        twiddle_[k] = {c, -s};
    }
}

void Fft::inverse(std::vector<Cx>& x) const
{
    run(x, true);
    const double k = 1.0 / static_cast<double>(n_);
    for (Cx& v : x)
        v = k * v;
}

void Fft::run(std::vector<Cx>& x, bool inverse) const
{
    if (x.size() != n_)
        throw std::invalid_argument("FFT input has the wrong length");
    for (std::size_t i = 1, j = 0; i < n_; ++i) {
        std::size_t bit = n_ >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n_; len <<= 1) {
        const std::size_t step = n_ / len;
        for (std::size_t i = 0; i < n_; i += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                Cx w = twiddle_[k * step];
                if (inverse)
                    w = conj(w);
                const Cx u = x[i + k];
                const Cx v = w * x[i + k + len / 2];
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
}

} // namespace cabinet_ir
