#include "tools/cabinet_ir/cabinet_tables.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "tools/cabinet_ir/anchored_table.h"
#include "tools/cabinet_ir/response_peak.h"

namespace cabinet_ir {

namespace {

// Root of f near x0: walks in steps that double until the sign changes,
// then regula falsi (Illinois) inside the bracket.
double findRoot(const std::function<double(double)>& f, double x0, double step)
{
    double a = x0, fa = f(a);
    if (fa == 0.0)
        return a;
    double b = a + step, fb = f(b);
    if (std::fabs(fb) > std::fabs(fa) && (fa > 0.0) == (fb > 0.0)) {
        step = -step;
        b = a + step;
        fb = f(b);
    }
    for (int i = 0; i < 30 && (fa > 0.0) == (fb > 0.0); ++i) {
        a = b;
        fa = fb;
        step *= 2.0;
        b = a + step;
        fb = f(b);
    }
    if ((fa > 0.0) == (fb > 0.0))
        throw std::runtime_error("no root found");
    int side = 0;
    double x = b;
    for (int it = 0; it < 200; ++it) {
        x = (a * fb - b * fa) / (fb - fa);
        const double fx = f(x);
        if (std::fabs(fx) < 1e-16 || std::fabs(b - a) < 1e-15 * std::fabs(x))
            break;
        if ((fx > 0.0) == (fa > 0.0)) {
            a = x;
            fa = fx;
            if (side == -1)
                fb *= 0.5;
            side = -1;
        } else {
            b = x;
            fb = fx;
            if (side == 1)
                fa *= 0.5;
            side = 1;
        }
    }
    return x;
}

std::string sixDigits(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5e", v);
    return buf;
}

void check(bool ok, const Cabinet& c, const AnchoredTable& t, const char* what)
{
    if (!ok)
        throw std::runtime_error("cabinet " + std::to_string(c.number) + " at " +
                                 std::to_string(static_cast<int>(t.sampleRate())) + " Hz: " + what);
}

void verify(const Cabinet& c, const AnchoredTable& t, const std::vector<double>& h)
{
    const Anchors& a = t.anchors();
    for (int i = 0; i < 3; ++i)
        check(sixDigits(h[static_cast<std::size_t>(i)]) == sixDigits(a.first[i]), c, t, "first taps");
    check(sixDigits(h[kTaps - 1]) == sixDigits(a.last), c, t, "last tap");
    const std::size_t p = static_cast<std::size_t>(a.peakIndex);
    check(sixDigits(h[p]) == sixDigits(a.peakValue), c, t, "peak tap value");
    for (std::size_t i = 0; i < kTaps; ++i) {
        check(h[i] != 0.0, c, t, "zero tap");
        check(i == p || std::fabs(h[i]) < std::fabs(h[p]), c, t, "another tap outgrows the peak tap");
    }
    check(sixDigits(tableEnergy(h)) == sixDigits(a.energy), c, t, "energy");
    check(std::fabs(responsePeak(h, t.sampleRate()).magnitude - 1.0) < 1e-9, c, t, "response peak");
}

} // namespace

double tableEnergy(const std::vector<double>& h)
{
    double e = 0.0;
    for (double v : h)
        e += v * v;
    return e;
}

CabinetTables fitCabinet(const Cabinet& c)
{
    const ModelSpectrum spectrumOf;
    const std::vector<Cx> reference = spectrumOf(c.model, 0.0);
    const AnchoredTable t44(c.at44k, false, reference);
    const AnchoredTable t48(c.at48k, true, reference);
    auto energyAt = [&](const AnchoredTable& t, double shapeDb, double fill) {
        return tableEnergy(t.build(spectrumOf(c.model, shapeDb), fill)) - t.anchors().energy;
    };

    CabinetTables out{};
    out.shapeDb = findRoot([&](double s) { return energyAt(t44, s, 0.0); }, 0.0, 0.1);
    if (energyAt(t48, out.shapeDb, 0.0) <= 0.0) {
        out.fill48k = findRoot([&](double b) { return energyAt(t48, out.shapeDb, b); }, 0.0, 0.05);
    } else {
        out.shapeDb = findRoot([&](double s) { return energyAt(t48, s, 0.0); }, out.shapeDb, 0.1);
        out.fill44k = findRoot([&](double b) { return energyAt(t44, out.shapeDb, b); }, 0.0, 0.05);
    }
    const std::vector<Cx> spectrum = spectrumOf(c.model, out.shapeDb);
    out.at44k = t44.build(spectrum, out.fill44k);
    out.at48k = t48.build(spectrum, out.fill48k);
    verify(c, t44, out.at44k);
    verify(c, t48, out.at48k);
    return out;
}

} // namespace cabinet_ir
