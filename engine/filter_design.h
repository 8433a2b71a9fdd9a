// Coefficient design for the engine's first-order, shelving and peaking
// sections. Pure functions of frequency, gain and rate; the only place where
// tan, pow and cos run. The per-sample code reads the stored results.
#pragma once

namespace korvane {

struct PreampEngine;

struct ShelfCoefs {
    double a0;
    double gamma;
    double mu;
};

struct PeakCoefs {
    double a0;
    double beta;
    double gamma;
    double mu;
};

// Coefficient of the first-order high-pass step, -3 dB at f.
double designOnePole(double f, double fs);
// Low shelf: x + (mu - 1) * a0 (1 + z^-1) / (1 - gamma z^-1) x.
ShelfCoefs designLowShelf(double gainDb, double f, double fs);
// High shelf: x + (mu - 1) * a0 (1 - z^-1) / (1 - gamma z^-1) x.
ShelfCoefs designHighShelf(double gainDb, double f, double fs);
// Peaking: x + (mu - 1) * 2 a0 (1 - z^-2) / (1 - 2 gamma z^-1 + 2 beta z^-2) x.
PeakCoefs designPeak(double gainDb, double q, double f, double fs);

// Feed the designs from the engine's parameter copies and rates.
void updateFixedFilters(PreampEngine& e);
void updateThump(PreampEngine& e);
void updateBass(PreampEngine& e);
void updateMiddle(PreampEngine& e);
void updateTreble(PreampEngine& e);

} // namespace korvane
