// One plucked note: an extended Karplus-Strong string (noise burst shaped
// by the pick, a damped feedback loop tuned with an allpass) read through a
// magnetic pickup at a fixed point along the string.
#pragma once

#include <cstdint>
#include <vector>

namespace di_clip {

// Deterministic noise: the clip must come out the same on every machine, so
// no std:: distribution (their algorithms are left to the library).
class Noise {
public:
    explicit Noise(uint64_t seed) : state(seed) {}
    double uniform();  // in [-1, 1)

private:
    uint64_t state;
};

struct Pluck {
    double frequency = 110.0;  // Hz
    double start = 0.0;        // seconds into the clip
    double length = 1.0;       // seconds until the fretting hand damps it
    double velocity = 1.0;     // linear amplitude of the pick
    double sustain = 3.0;      // T60 in seconds while the note rings
    double pickPosition = 0.13;  // fraction of the string from the bridge
    bool palmMuted = false;
};

struct PickupPlacement {
    double position = 0.18;  // fraction of the string from the bridge
};

// Adds the note's pickup signal into clip (starting at its start time).
void renderPluck(const Pluck& pluck, const PickupPlacement& pickup, double sampleRate, Noise& noise,
                 std::vector<double>& clip);

} // namespace di_clip
