#include "tools/cabinet_ir/anchored_table.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tools/cabinet_ir/cabinet_model.h"
#include "tools/cabinet_ir/det_math.h"
#include "tools/cabinet_ir/fft.h"
#include "tools/cabinet_ir/response_peak.h"

namespace cabinet_ir {

namespace {

constexpr double kFreeBandHz = 16500.0;

// Energy that one family must carry and the other does not goes above the
// band the two are compared in: 22.05-24 kHz at 48 kHz (beyond what the
// 44.1 kHz table can hold at all), 16.5-22.05 kHz at 44.1 kHz. Its group
// delay sweeps from 1 to 9 ms so that it spreads thin over the table
// instead of piling up next to the main arrival.
Cx filler(double hz, bool family48k)
{
    const double lo = family48k ? 22050.0 : 16500.0;
    const double hi = family48k ? 24000.0 : 22050.0;
    if (hz <= lo)
        return {};
    const double u = hz - lo;
    const double edge = std::min(u / 500.0, 1.0);
    const double level = 0.5 - 0.5 * cosTurns(0.5 * edge);
    double s, c;
    sinCosTurns(-(1e-3 * u + 4e-3 * u * u / (hi - lo)), s, c);
    return {level * c, level * s};
}

void choleskyFactor(std::vector<double>& a, std::size_t n)
{
    for (std::size_t j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (std::size_t k = 0; k < j; ++k)
            d -= a[j * n + k] * a[j * n + k];
        if (!(d > 0.0))
            throw std::runtime_error("normal matrix is not positive definite");
        d = std::sqrt(d);
        a[j * n + j] = d;
        for (std::size_t i = j + 1; i < n; ++i) {
            double v = a[i * n + j];
            for (std::size_t k = 0; k < j; ++k)
                v -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = v / d;
        }
    }
}

void choleskySolve(const std::vector<double>& l, std::size_t n, std::vector<double>& b)
{
    for (std::size_t i = 0; i < n; ++i) {
        double v = b[i];
        for (std::size_t k = 0; k < i; ++k)
            v -= l[i * n + k] * b[k];
        b[i] = v / l[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        double v = b[i];
        for (std::size_t k = i + 1; k < n; ++k)
            v -= l[k * n + i] * b[k];
        b[i] = v / l[i * n + i];
    }
}

} // namespace

AnchoredTable::AnchoredTable(const Anchors& anchors, bool family48k, const std::vector<Cx>& reference)
    : anchors_(anchors)
{
    sampleRate_ = family48k ? 48000.0 : 44100.0;
    bins_ = static_cast<std::size_t>(0.5 * sampleRate_ / ModelSpectrum::kBinHz);
    double peak = 0.0;
    for (std::size_t k = 0; k <= bins_; ++k)
        peak = std::max(peak, std::sqrt(norm2(reference[k])));
    scale_ = 1.0 / peak;

    weight_.resize(bins_ + 1);
    for (std::size_t k = 0; k <= bins_; ++k) {
        const double a = std::sqrt(norm2(reference[k])) * scale_;
        const double floor = std::max(a, 0.01);
        const double a2 = a * a, a4 = a2 * a2;
        double w = (1.0 + 100.0 * (a4 * a4)) / (floor * floor) + 10.0;
        if (static_cast<double>(k) * ModelSpectrum::kBinHz > kFreeBandHz)
            w = 1.0;
        weight_[k] = w;
    }
    weight_[0] *= 0.5;
    weight_[bins_] *= 0.5;

    const std::size_t period = 2 * bins_;
    cos_.resize(period);
    sin_.resize(period);
    for (std::size_t m = 0; m < period; ++m)
        sinCosTurns(static_cast<double>(m) / static_cast<double>(period), sin_[m], cos_[m]);

    // Normal matrix of the weighted fit: Toeplitz in the tap distance.
    std::vector<double> r(kTaps);
    for (std::size_t d = 0; d < kTaps; ++d) {
        double v = 0.0;
        for (std::size_t k = 0; k <= bins_; ++k)
            v += weight_[k] * cos_[(k * d) % period];
        r[d] = v;
    }

    const std::size_t anchoredIdx[] = {0, 1, 2, static_cast<std::size_t>(anchors.peakIndex), kTaps - 1};
    for (std::size_t i = 0; i < kTaps; ++i) {
        if (std::find(std::begin(anchoredIdx), std::end(anchoredIdx), i) != std::end(anchoredIdx))
            pinned_.push_back(i);
        else
            free_.push_back(i);
    }
    const std::size_t nf = free_.size();
    cholesky_.assign(nf * nf, 0.0);
    for (std::size_t i = 0; i < nf; ++i)
        for (std::size_t j = 0; j <= i; ++j)
            cholesky_[i * nf + j] = r[free_[i] > free_[j] ? free_[i] - free_[j] : free_[j] - free_[i]];
    choleskyFactor(cholesky_, nf);

    fromPins_.assign(kTaps, 0.0);
    for (std::size_t i : pinned_) {
        if (i < 3)
            fromPins_[i] = anchors.first[i];
        else if (i == kTaps - 1)
            fromPins_[i] = anchors.last;
        else
            fromPins_[i] = anchors.peakValue;
    }
    std::vector<double> b(nf);
    for (std::size_t i = 0; i < nf; ++i) {
        double v = 0.0;
        for (std::size_t p : pinned_)
            v -= r[free_[i] > p ? free_[i] - p : p - free_[i]] * fromPins_[p];
        b[i] = v;
    }
    choleskySolve(cholesky_, nf, b);
    for (std::size_t i = 0; i < nf; ++i)
        fromPins_[free_[i]] = b[i];

    std::vector<Cx> fill(bins_ + 1);
    for (std::size_t k = 0; k <= bins_; ++k)
        fill[k] = filler(static_cast<double>(k) * ModelSpectrum::kBinHz, family48k);
    fromFill_ = solveFree(fill);
}

std::vector<double> AnchoredTable::solveFree(const std::vector<Cx>& target) const
{
    const std::size_t period = 2 * bins_;
    const std::size_t nf = free_.size();
    std::vector<double> b(nf);
    for (std::size_t i = 0; i < nf; ++i) {
        const std::size_t n = free_[i];
        double v = 0.0;
        for (std::size_t k = 0; k <= bins_; ++k) {
            const std::size_t m = (k * n) % period;
            v += weight_[k] * (target[k].re * cos_[m] - target[k].im * sin_[m]);
        }
        b[i] = v;
    }
    choleskySolve(cholesky_, nf, b);
    std::vector<double> h(kTaps, 0.0);
    for (std::size_t i = 0; i < nf; ++i)
        h[free_[i]] = b[i];
    return h;
}

std::vector<double> AnchoredTable::build(const std::vector<Cx>& spectrum, double fill) const
{
    std::vector<Cx> target(bins_ + 1);
    for (std::size_t k = 0; k <= bins_; ++k)
        target[k] = scale_ * spectrum[k];
    const std::vector<double> model = solveFree(target);
    std::vector<double> base(kTaps);
    for (std::size_t i = 0; i < kTaps; ++i)
        base[i] = fromPins_[i] + fill * fromFill_[i];

    // The model part's gain g sets max |H| to 1; the anchored part stays.
    // max |H| is convex in g and rising where the model dominates; the root
    // is bracketed from the model's own normalisation and then closed in by
    // regula falsi (Illinois), which keeps the bracket where the maximum
    // jumps from one resonance to another.
    constexpr std::size_t grid = 65536;
    static const Fft fft(grid);
    std::vector<Cx> hm(grid), hb(grid);
    for (std::size_t i = 0; i < kTaps; ++i) {
        hm[i] = {model[i], 0.0};
        hb[i] = {base[i], 0.0};
    }
    fft.forward(hm);
    fft.forward(hb);
    auto excess = [&](double g) {
        std::size_t best = 0;
        double bestMag = -1.0;
        for (std::size_t k = 0; k <= grid / 2; ++k) {
            const double m = norm2(g * hm[k] + hb[k]);
            if (m > bestMag) {
                bestMag = m;
                best = k;
            }
        }
        std::vector<double> h(kTaps);
        for (std::size_t i = 0; i < kTaps; ++i)
            h[i] = g * model[i] + base[i];
        return refinePeak(h, sampleRate_, best, grid).magnitude - 1.0;
    };
    double ownPeak = 0.0;
    for (std::size_t k = 0; k <= grid / 2; ++k)
        ownPeak = std::max(ownPeak, norm2(hm[k]));
    double lo = 1.0 / std::sqrt(ownPeak), hi = lo;
    double elo = excess(lo), ehi = elo;
    for (int i = 0; i < 40 && elo > 0.0; ++i)
        elo = excess(lo *= 0.9);
    for (int i = 0; i < 40 && ehi < 0.0; ++i)
        ehi = excess(hi *= 1.1);
    if (!(elo <= 0.0 && ehi >= 0.0))
        throw std::runtime_error("cannot bracket the gain that puts the response peak at 0 dB");
    double g1 = lo, e1 = elo;
    int side = 0;
    for (int it = 0; it < 200 && e1 != 0.0 && hi - lo > 1e-15 * hi; ++it) {
        g1 = (lo * ehi - hi * elo) / (ehi - elo);
        e1 = excess(g1);
        if (std::fabs(e1) < 1e-15)
            break;
        if (e1 < 0.0) {
            lo = g1;
            elo = e1;
            if (side == -1)
                ehi *= 0.5;
            side = -1;
        } else {
            hi = g1;
            ehi = e1;
            if (side == 1)
                elo *= 0.5;
            side = 1;
        }
    }
    if (std::fabs(e1) > 1e-12)
        throw std::runtime_error("could not bring the response peak to 0 dB");
    std::vector<double> h(kTaps);
    for (std::size_t i = 0; i < kTaps; ++i)
        h[i] = g1 * model[i] + base[i];
    return h;
}

} // namespace cabinet_ir
