#pragma once

#include <QVector>

namespace tarn::offline {
// One parametric bell of an automatic EQ.
struct FitBand {
    double frequency = 1000;
    double gain = 0;
    double q = 1;
};

// The level change (dB) a bell makes at a frequency (the analogue peaking filter the digital
// one approximates).
double bellResponse(double frequency, const FitBand &band);

// Bells that bring a measured curve towards a target, largest deviation first, the way an
// automatic EQ fits its bands. Both curves are levels in dB on the measurement grid (index i at
// frequency(i)); only 40 Hz … 12 kHz is corrected, cuts go to minGain and boosts to maxGain,
// deviations under 1 dB are left alone. Returns at most `count` bands, sorted by frequency;
// frequencies are rounded to three significant digits, gains to 0.5 dB and Q to 0.1.
QVector<FitBand> fitBands(const QVector<double> &measured, const QVector<double> &target, int count, double minGain,
                          double maxGain, double (*frequency)(int));
} // namespace tarn::offline
