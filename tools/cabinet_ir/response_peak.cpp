#include "tools/cabinet_ir/response_peak.h"

#include <cmath>

#include "tools/cabinet_ir/det_math.h"
#include "tools/cabinet_ir/fft.h"

namespace cabinet_ir {

Cx responseAt(const std::vector<double>& h, double hz, double sampleRate)
{
    const double turnsPerTap = hz / sampleRate;
    Cx sum;
    for (std::size_t n = 0; n < h.size(); ++n) {
        double s, c;
        sinCosTurns(-turnsPerTap * static_cast<double>(n), s, c);
        sum = sum + h[n] * Cx{c, s};
    }
    return sum;
}

ResponsePeak refinePeak(const std::vector<double>& h, double sampleRate, std::size_t bin, std::size_t gridSize)
{
    const double step = sampleRate / static_cast<double>(gridSize);
    double a = bin == 0 ? 0.0 : (static_cast<double>(bin) - 1.0) * step;
    double b = (static_cast<double>(bin) + 1.0) * step;
    if (b > 0.5 * sampleRate)
        b = 0.5 * sampleRate;
    const double r = 0.61803398874989484820;
    double c = b - r * (b - a), d = a + r * (b - a);
    double fc = norm2(responseAt(h, c, sampleRate)), fd = norm2(responseAt(h, d, sampleRate));
    for (int i = 0; i < 60; ++i) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - r * (b - a);
            fc = norm2(responseAt(h, c, sampleRate));
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + r * (b - a);
            fd = norm2(responseAt(h, d, sampleRate));
        }
    }
    // The grid bin itself may still be the best point (a peak at DC or Nyquist).
    const double x = 0.5 * (a + b);
    const double fx = norm2(responseAt(h, x, sampleRate));
    const double fbin = norm2(responseAt(h, static_cast<double>(bin) * step, sampleRate));
    if (fbin > fx)
        return {std::sqrt(fbin), static_cast<double>(bin) * step};
    return {std::sqrt(fx), x};
}

ResponsePeak responsePeak(const std::vector<double>& h, double sampleRate)
{
    constexpr std::size_t n = 65536;
    static const Fft fft(n);
    std::vector<Cx> x(n);
    for (std::size_t i = 0; i < h.size(); ++i)
        x[i] = {h[i], 0.0};
    fft.forward(x);
    std::size_t best = 0;
    for (std::size_t k = 1; k <= n / 2; ++k)
        if (norm2(x[k]) > norm2(x[best]))
            best = k;
    return refinePeak(h, sampleRate, best, n);
}

} // namespace cabinet_ir
