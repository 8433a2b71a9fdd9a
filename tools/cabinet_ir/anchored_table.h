// One rate family's table of one cabinet: the 512 taps whose response is
// closest to the model's, given the taps the anchors fix outright.
//
// Closeness is a weighted least-squares distance over the DFT grid of the
// shared model spectrum (bin spacing 2.34375 Hz, up to this family's
// Nyquist). The weight is the inverse square of the model's magnitude, so
// errors count in relative terms, with extra weight near the response peak
// and a floor 40 dB down. Above 16.5 kHz the weight is small: that band is
// where the pinned taps park what they cannot match, and where the
// energy filler lives.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/cabinet_ir/cabinets.h"
#include "tools/cabinet_ir/complex.h"

namespace cabinet_ir {

inline constexpr std::size_t kTaps = 512;

class AnchoredTable {
public:
    // `reference` is the model spectrum the weights are derived from.
    AnchoredTable(const Anchors& anchors, bool family48k, const std::vector<Cx>& reference);

    // Taps for the model spectrum `spectrum` plus `fill` times the top-band
    // filler, with the anchored taps in place and the whole scaled so that
    // the largest |H| is exactly 1.
    std::vector<double> build(const std::vector<Cx>& spectrum, double fill) const;

    double sampleRate() const { return sampleRate_; }
    const Anchors& anchors() const { return anchors_; }

private:
    std::vector<double> solveFree(const std::vector<Cx>& target) const;

    Anchors anchors_;
    std::size_t bins_;  // grid points 0..bins_, the last at Nyquist
    double sampleRate_;
    double scale_;      // brings the reference model's peak to 1
    std::vector<double> weight_;
    std::vector<double> cos_, sin_;  // of pi m / bins_, m < 2 bins_
    std::vector<std::size_t> pinned_, free_;
    std::vector<double> cholesky_;   // lower factor of the free-tap normal matrix
    std::vector<double> fromPins_;   // anchored taps plus the free taps' best answer to them
    std::vector<double> fromFill_;
};

} // namespace cabinet_ir
