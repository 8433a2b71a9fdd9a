#include "plucked_string.h"

#include <cmath>
#include <cstddef>

namespace di_clip {

double Noise::uniform()
{
    // splitmix64: tiny, well mixed, and the same everywhere.
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-52 - 1.0;
}

namespace {

// Per-period loop gain that makes the fundamental fall 60 dB in t60 seconds.
double loopGainFor(double frequency, double t60)
{
    return std::pow(10.0, -3.0 / (t60 * frequency));
}

// How long the string keeps ringing after the fretting hand lets go.
constexpr double kReleaseT60 = 0.06;

} // namespace

void renderPluck(const Pluck& pluck, const PickupPlacement& pickup, double sampleRate, Noise& noise,
                 std::vector<double>& clip)
{
    const double period = sampleRate / pluck.frequency;

    // A palm on the strings near the bridge both shortens the note and eats
    // its overtones, so the loop gets a second, stronger lowpass.
    const double average = pluck.palmMuted ? 0.5 : 0.3;  // two-point average weight
    const double pole = pluck.palmMuted ? 0.55 : 0.0;    // one-pole lowpass coefficient

    // Every filter in the loop adds delay at low frequencies; the allpass
    // takes up the fractional rest so the note is in tune.
    const double filterDelay = average + pole / (1.0 - pole);
    const auto lineLength = static_cast<size_t>(std::floor(period - filterDelay - 0.5));
    const double fraction = period - filterDelay - static_cast<double>(lineLength);
    const double allpass = (1.0 - fraction) / (1.0 + fraction);

    const double ringing = loopGainFor(pluck.frequency, pluck.sustain);
    const double released = loopGainFor(pluck.frequency, kReleaseT60);

    // Excitation: one period of zero-mean noise, darker for a soft pick,
    // through a comb that cancels the harmonics with a node at the pick.
    std::vector<double> burst(lineLength);
    double mean = 0.0;
    for (double& b : burst) {
        b = noise.uniform();
        mean += b;
    }
    mean /= static_cast<double>(burst.size());
    const double softness = 0.75 - 0.35 * pluck.velocity;
    double smoothed = 0.0;
    for (double& b : burst) {
        smoothed = (1.0 - softness) * (b - mean) + softness * smoothed;
        b = smoothed;
    }
    const auto pickDelay = static_cast<size_t>(std::lround(pluck.pickPosition * period));
    std::vector<double> excitation(burst.size() + pickDelay, 0.0);
    for (size_t n = 0; n < excitation.size(); ++n) {
        const double now = n < burst.size() ? burst[n] : 0.0;
        const double before = n >= pickDelay ? burst[n - pickDelay] : 0.0;
        excitation[n] = pluck.velocity * (now - before);
    }

    // The pickup sees the string where it sits: harmonics with a node there
    // are missing, which is most of what sets a pickup's colour.
    const auto pickupDelay = static_cast<size_t>(std::lround(pickup.position * period));
    std::vector<double> seen(pickupDelay + 1, 0.0);

    std::vector<double> line(lineLength, 0.0);
    size_t pos = 0;
    size_t seenPos = 0;
    double previous = 0.0, lowpassed = 0.0, apIn = 0.0, apOut = 0.0;

    const auto first = static_cast<size_t>(std::lround(pluck.start * sampleRate));
    const auto held = static_cast<size_t>(std::lround(pluck.length * sampleRate));
    const auto total = held + static_cast<size_t>(std::lround(0.4 * sampleRate));
    for (size_t n = 0; n < total && first + n < clip.size(); ++n) {
        const double gain = n < held ? ringing : released;
        const double out = line[pos];
        double y = gain * ((1.0 - average) * out + average * previous);
        previous = out;
        lowpassed = (1.0 - pole) * y + pole * lowpassed;
        y = lowpassed;
        const double tuned = allpass * y + apIn - allpass * apOut;
        apIn = y;
        apOut = tuned;
        line[pos] = tuned + (n < excitation.size() ? excitation[n] : 0.0);
        pos = pos + 1 == line.size() ? 0 : pos + 1;

        const size_t oldest = seenPos + 1 == seen.size() ? 0 : seenPos + 1;
        seen[seenPos] = out;
        clip[first + n] += out - seen[oldest];
        seenPos = oldest;
    }
}

} // namespace di_clip
