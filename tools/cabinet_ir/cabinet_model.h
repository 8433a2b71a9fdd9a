// The physical model of one miked guitar cabinet, as a continuous-time
// transfer function H(s), and its impulse response cut to a fixed length.
#pragma once

#include <vector>

#include "tools/cabinet_ir/complex.h"
#include "tools/cabinet_ir/fft.h"

namespace cabinet_ir {

struct Peak {
    double hz;
    double q;
    double db;
};

// A second arrival at the microphone: a neighbouring speaker, or the floor.
// It comes later, weaker, and duller (off axis, or reflected).
struct Path {
    double gain;
    double delayMs;
    double lowpassHz;
};

struct CabinetModel {
    bool openBack;
    double boxHz, boxQ;        // closed box: 2nd-order high-pass at the system resonance
    double baffleHz;           // open back: the rear wave cancels the front below this
    double proximityHz, proximityDb;  // bass lift of a close microphone, first-order shelf
    std::vector<Peak> peaks;   // cone and cabinet resonances, presence, breakup
    int shapePeak;             // peak whose level the energy fit moves; -1: the proximity shelf
    double rolloffHz, rolloffDb;  // cone breakup roll-off: two second-order shelves
    double micHz;              // microphone diaphragm, second-order low-pass
    std::vector<Path> paths;
    double delayMs;            // cone to microphone
    int polarity;
};

// H(j 2 pi hz) with `shapeDb` added to the adjustable section.
Cx analogResponse(const CabinetModel& m, double hz, double shapeDb);

// The model's impulse response on a fine time grid, faded out between 7 and
// 10.5 ms so that it fits inside both table lengths (10.67 ms at 48 kHz,
// 11.61 ms at 44.1 kHz), and transformed back: bins k * kBinHz, k = 0..N/2.
// Both rate families read their targets from this one spectrum, so they
// are two samplings of the same continuous response.
class ModelSpectrum {
public:
    static constexpr double kFineRate = 153600.0;
    static constexpr std::size_t kFineSize = 65536;
    static constexpr double kBinHz = kFineRate / kFineSize;  // 2.34375 Hz: 22050 and 24000 are multiples
    static constexpr double kFadeStart = 7.0e-3;
    static constexpr double kFadeEnd = 10.5e-3;

    ModelSpectrum() : fft_(kFineSize) {}
    std::vector<Cx> operator()(const CabinetModel& m, double shapeDb) const;

private:
    Fft fft_;
};

} // namespace cabinet_ir
