#include "tools/cabinet_ir/cabinet_model.h"

#include "tools/cabinet_ir/det_math.h"

namespace cabinet_ir {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

Cx highPass2(Cx s, double hz, double q)
{
    const double w = kTwoPi * hz;
    return (s * s) / (s * s + (w / q) * s + Cx{w * w, 0.0});
}

Cx highPass1(Cx s, double hz)
{
    const double w = kTwoPi * hz;
    return s / (s + Cx{w, 0.0});
}

Cx lowPass2(Cx s, double hz, double q)
{
    const double w = kTwoPi * hz;
    return Cx{w * w, 0.0} / (s * s + (w / q) * s + Cx{w * w, 0.0});
}

Cx lowPass1(Cx s, double hz)
{
    const double w = kTwoPi * hz;
    return Cx{w, 0.0} / (s + Cx{w, 0.0});
}

// Bell with gain `db` at hz, minimum phase.
Cx peaking(Cx s, double hz, double q, double db)
{
    const double w = kTwoPi * hz;
    const double a = dbToSqrtGain(db);
    return (s * s + (w * a / q) * s + Cx{w * w, 0.0}) / (s * s + (w / (a * q)) * s + Cx{w * w, 0.0});
}

// Unity up high, `db` at DC.
Cx lowShelf1(Cx s, double hz, double db)
{
    const double w = kTwoPi * hz;
    return (s + Cx{dbToGain(db) * w, 0.0}) / (s + Cx{w, 0.0});
}

// Unity below hz, `depthDb` down well above it, 12 dB/octave in between.
Cx highShelfCut2(Cx s, double hz, double q, double depthDb)
{
    const double wp = kTwoPi * hz;
    const double wz = wp * dbToSqrtGain(depthDb);
    return ((s * s + (wz / q) * s + Cx{wz * wz, 0.0}) / (s * s + (wp / q) * s + Cx{wp * wp, 0.0})) *
           Cx{(wp * wp) / (wz * wz), 0.0};
}

Cx delay(double hz, double seconds)
{
    double sn, cs;
    sinCosTurns(-hz * seconds, sn, cs);
    return {cs, sn};
}

} // namespace

Cx analogResponse(const CabinetModel& m, double hz, double shapeDb)
{
    const Cx s{0.0, kTwoPi * hz};
    Cx h = highPass2(s, m.boxHz, m.boxQ);
    if (m.openBack)
        h = h * highPass1(s, m.baffleHz);
    h = h * lowShelf1(s, m.proximityHz, m.proximityDb + (m.shapePeak < 0 ? shapeDb : 0.0));
    for (std::size_t i = 0; i < m.peaks.size(); ++i) {
        const Peak& p = m.peaks[i];
        h = h * peaking(s, p.hz, p.q, p.db + (static_cast<int>(i) == m.shapePeak ? shapeDb : 0.0));
    }
    h = h * highShelfCut2(s, m.rolloffHz, 0.9, m.rolloffDb / 2.0);
    h = h * highShelfCut2(s, m.rolloffHz * 1.15, 1.1, m.rolloffDb / 2.0);
    h = h * lowPass2(s, m.micHz, 0.7);
    Cx arrivals{1.0, 0.0};
    for (const Path& p : m.paths)
        arrivals = arrivals + p.gain * (lowPass1(s, p.lowpassHz) * delay(hz, p.delayMs * 1e-3));
    h = h * arrivals * delay(hz, m.delayMs * 1e-3);
    return static_cast<double>(m.polarity) * h;
}

std::vector<Cx> ModelSpectrum::operator()(const CabinetModel& m, double shapeDb) const
{
    constexpr std::size_t n = kFineSize;
    std::vector<Cx> x(n);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const Cx h = analogResponse(m, static_cast<double>(k) * kBinHz, shapeDb);
        x[k] = h;
        if (k > 0 && k < n / 2)
            x[n - k] = conj(h);
    }
    x[n / 2].im = 0.0;
    fft_.inverse(x);
    // Only the causal part survives: what wrapped round to the end of the
    // buffer is pre-ringing from the band limit, not part of the cabinet.
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kFineRate;
        double w = 0.0;
        if (t < kFadeStart)
            w = 1.0;
        else if (t < kFadeEnd)
            w = 0.5 + 0.5 * cosTurns(0.5 * (t - kFadeStart) / (kFadeEnd - kFadeStart));
        x[i] = {x[i].re * w, 0.0};
    }
    fft_.forward(x);
    x.resize(n / 2 + 1);
    return x;
}

} // namespace cabinet_ir
