#include "engine/filter_design.h"

#include <cmath>

#include "engine/preamp_engine.h"

namespace korvane {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

double dbToGain(double gainDb) { return std::pow(10.0, 0.05 * gainDb); }

// Parameter copies are 32-bit; every design works on their 64-bit widening.
double param(const PreampEngine& e, int index) { return static_cast<double>(e.params[index]); }

} // namespace

double designOnePole(double f, double fs)
{
    const double k = std::tan(kPi * f / fs);
    return -(k * 1.0 / (k + 1.0));
}

ShelfCoefs designLowShelf(double gainDb, double f, double fs)
{
    const double mu = dbToGain(gainDb);
    const double delta = std::tan(kPi * f / fs) * (4.0 / (mu + 1.0));
    const double gamma = (1.0 - delta) / (1.0 + delta);
    return {(1.0 - gamma) * 0.5, gamma, mu};
}

ShelfCoefs designHighShelf(double gainDb, double f, double fs)
{
    const double mu = dbToGain(gainDb);
    const double delta = std::tan(kPi * f / fs) * (mu + 1.0) * 0.25;
    const double gamma = (1.0 - delta) / (1.0 + delta);
    return {(1.0 + gamma) * 0.5, gamma, mu};
}

PeakCoefs designPeak(double gainDb, double q, double f, double fs)
{
    const double mu = dbToGain(gainDb);
    const double zeta = 4.0 / (mu + 1.0);
    const double theta = kTwoPi * f / fs;
    const double u = zeta * std::tan(theta / (2.0 * q));
    const double beta = 0.5 * (1.0 - u) / (1.0 + u);
    const double gamma = (0.5 + beta) * std::cos(theta);
    return {(0.5 - beta) * 0.5, beta, gamma, mu};
}

void updateFixedFilters(PreampEngine& e)
{
    e.dcBlockCoef = designOnePole(1.0, e.sampleRate);
    e.interstage1Coef = designOnePole(135.46, e.overRate);
    e.interstage2Coef = designOnePole(89.84, e.overRate);
}

void updateThump(PreampEngine& e)
{
    e.thumpCoef = designOnePole(param(e, kParamThump) * 950.0 + 50.0, e.overRate);
}

void updateBass(PreampEngine& e)
{
    const double p = param(e, kParamBass);
    const ShelfCoefs s = designLowShelf((p - 0.5) * 2.0 * 16.0,
                                       400.0 - std::fabs((p - 0.5) * 2.0) * 200.0, e.sampleRate);
    e.bassA0 = s.a0;
    e.bassGamma = s.gamma;
    e.bassMu = s.mu;
}

void updateMiddle(PreampEngine& e)
{
    const double p = param(e, kParamMiddle);
    const PeakCoefs c = designPeak((p - 0.5) * 2.0 * 10.0,
                                   std::fabs((p - 0.5) * 2.0) * 0.3645 + 0.231, 700.0, e.sampleRate);
    e.midA0 = c.a0;
    e.midBeta = c.beta;
    e.midGamma = c.gamma;
    e.midMu = c.mu;
}

void updateTreble(PreampEngine& e)
{
    const double p = param(e, kParamTreble);
    const ShelfCoefs s = designHighShelf((p - 0.5) * 2.0 * 10.0,
                                         std::fabs((p - 0.5) * 2.0) * 2000.0 + 700.0, e.sampleRate);
    e.trebleA0 = s.a0;
    e.trebleGamma = s.gamma;
    e.trebleMu = s.mu;
}

} // namespace korvane
