// di_clip_gen: synthesises the DI guitar clip that `korvane demo` plays
// through the amplifier (resources/demo_di.flac).
//
//   di_clip_gen OUT.flac        write the clip
//   di_clip_gen --check FILE    exit 0 if FILE holds exactly the samples this
//                               program generates, 1 if not
//
// A phrase of single notes, a strummed open E chord and palm-muted chugs
// ending on a power chord, 44.1 kHz mono 16-bit, peaks at -9 dBFS as from a
// guitar's output jack straight into an interface. Everything is seeded, so
// the samples are the same on every run.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

#include "plucked_string.h"

namespace {

using di_clip::Noise;
using di_clip::Pluck;

constexpr int kSampleRate = 44100;
constexpr double kSeconds = 8.0;
constexpr double kPeakDbfs = -9.0;
constexpr uint64_t kSeed = 0x4B56'4E32'4449'0001ull;

double note(int midi)
{
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Strings ring longer the lower they are.
double sustainFor(int midi)
{
    return midi < 52 ? 4.0 : midi < 60 ? 3.0 : 2.2;
}

std::vector<Pluck> score(Noise& noise)
{
    std::vector<Pluck> plucks;
    // A player is never exactly on the grid nor exactly as loud twice.
    auto human = [&noise](double t, double v) {
        return std::pair{t + 0.006 * noise.uniform(), v * (1.0 + 0.08 * noise.uniform())};
    };
    auto add = [&](int midi, double t, double length, double velocity, bool muted = false) {
        const auto [start, vel] = human(t, velocity);
        Pluck p;
        p.frequency = note(midi);
        p.start = start;
        p.length = length;
        p.velocity = vel;
        p.sustain = muted ? 0.2 : sustainFor(midi);
        p.palmMuted = muted;
        p.pickPosition = muted ? 0.09 : 0.13;
        plucks.push_back(p);
    };

    // Single notes, eighths at 112 bpm: a minor-pentatonic phrase that ends
    // on a held note.
    const double eighth = 60.0 / 112.0 / 2.0;
    const int phrase[] = {57, 60, 62, 64, 67, 64, 62, 64};
    double t = 0.05;
    for (size_t i = 0; i < std::size(phrase); ++i) {
        const bool last = i + 1 == std::size(phrase);
        add(phrase[i], t, last ? 0.9 : eighth * 0.95, i % 2 == 0 ? 0.9 : 0.75);
        t += eighth;
    }

    // Open E major, one downstroke: low string first, about 10 ms apart.
    t = 2.45;
    const int chord[] = {40, 47, 52, 56, 59, 64};
    for (size_t i = 0; i < std::size(chord); ++i)
        add(chord[i], t + 0.011 * static_cast<double>(i), 2.2, 0.85);

    // Palm-muted chugs on the low E, then an open E5 power chord left to ring.
    t = 4.9;
    const double chug = 60.0 / 140.0 / 2.0;
    for (int i = 0; i < 6; ++i) {
        add(40, t, chug * 0.9, 1.0, true);
        if (i % 2 == 0)
            add(47, t + 0.004, chug * 0.9, 0.8, true);
        t += chug;
    }
    add(40, t, 2.0, 1.0);
    add(47, t + 0.008, 2.0, 0.95);
    add(52, t + 0.016, 2.0, 0.9);
    return plucks;
}

// Second-order sections, one sample at a time (direct form I).
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

    double operator()(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The pickup's inductance against the cable's capacitance: a resonant
// lowpass, the peak that makes a passive guitar sound like one.
Biquad resonantLowpass(double f, double q)
{
    const double w = 2.0 * std::numbers::pi * f / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double c = std::cos(w);
    return {(1.0 - c) / 2.0 / a0, (1.0 - c) / a0, (1.0 - c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

// The interface's input coupling (Butterworth): keeps the strings'
// settling DC out.
Biquad highpass(double f)
{
    const double q = 1.0 / std::numbers::sqrt2;
    const double w = 2.0 * std::numbers::pi * f / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double c = std::cos(w);
    return {(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

std::vector<int32_t> generate()
{
    Noise noise(kSeed);
    std::vector<double> clip(static_cast<size_t>(kSeconds * kSampleRate), 0.0);
    const di_clip::PickupPlacement neckPickup{0.2};
    for (const Pluck& p : score(noise))
        di_clip::renderPluck(p, neckPickup, kSampleRate, noise, clip);

    Biquad tone = resonantLowpass(3800.0, 1.6);
    Biquad coupling = highpass(35.0);
    double peak = 0.0;
    for (double& x : clip) {
        x = coupling(tone(x));
        peak = std::max(peak, std::fabs(x));
    }

    // 16-bit integers left-justified in 32, the form libsndfile's int
    // interface writes and reads back, so the check compares integers.
    const double scale = std::pow(10.0, kPeakDbfs / 20.0) / peak * 32767.0;
    std::vector<int32_t> samples(clip.size());
    for (size_t i = 0; i < clip.size(); ++i)
        samples[i] = static_cast<int32_t>(std::lround(clip[i] * scale)) * 65536;
    return samples;
}

int write(const char* path, const std::vector<int32_t>& samples)
{
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path, SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "di_clip_gen: cannot write %s: %s\n", path, sf_strerror(nullptr));
        return 2;
    }
    const auto frames = static_cast<sf_count_t>(samples.size());
    const bool ok = sf_writef_int(f, samples.data(), frames) == frames;
    sf_close(f);
    if (!ok) {
        std::fprintf(stderr, "di_clip_gen: short write to %s\n", path);
        std::remove(path);
        return 2;
    }
    return 0;
}

int check(const char* path, const std::vector<int32_t>& samples)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "di_clip_gen: cannot read %s: %s\n", path, sf_strerror(nullptr));
        return 2;
    }
    std::vector<int32_t> stored(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_int(f, stored.data(), info.frames);
    sf_close(f);
    if (info.samplerate != kSampleRate || info.channels != 1 || got != info.frames) {
        std::fprintf(stderr, "di_clip_gen: %s: expected %d Hz mono, found %d Hz, %d channel(s)\n", path,
                     kSampleRate, info.samplerate, info.channels);
        return 1;
    }
    if (stored.size() != samples.size()) {
        std::fprintf(stderr, "di_clip_gen: %s holds %zu samples, the generator makes %zu\n", path,
                     stored.size(), samples.size());
        return 1;
    }
    const auto diff = std::mismatch(samples.begin(), samples.end(), stored.begin());
    if (diff.first != samples.end()) {
        std::fprintf(stderr, "di_clip_gen: %s differs from the generator's output from sample %td on; "
                             "regenerate it with di_clip_gen\n",
                     path, diff.first - samples.begin());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--check") != 0 && argv[1][0] != '-')
        return write(argv[1], generate());
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0)
        return check(argv[2], generate());
    std::fprintf(stderr, "usage: di_clip_gen OUT.flac | di_clip_gen --check FILE\n");
    return 2;
}
