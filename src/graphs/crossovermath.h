#pragma once

#include "curvesamples.h"

#include <QJsonObject>
#include <QRectF>
#include <QString>

namespace tarn::graphs {

// Filter families of a crossover corner; -1 draws that side flat.
enum CrossoverType : qint8 {
    XoverFlat = -1,
    XoverBW6 = 0,
    XoverBW12,
    XoverBW18,
    XoverBW24,
    XoverBW30,
    XoverBW36,
    XoverBW42,
    XoverBW48,
    XoverLR12,
    XoverLR24,
    XoverLR36,
    XoverLR48,
};

qint8 crossoverTypeFromText(const QString &text);
// Magnitude of a corner of the family at the ratio r (corner / f for a high-pass, f / corner
// for a low-pass).
double crossoverMagnitude(int code, double r);

struct CrossoverBand {
    qint8 hpType = XoverBW6;
    float hpFrequency = 20000.0f;
    qint8 lpType = XoverBW6;
    float lpFrequency = 20.0f;
    float gain = 0.0f;
    QString polarity; // bound and kept; it does not change the magnitude
};

// Values from the processor as the band stores them. A zero corner means "off".
float crossoverHpFromDevice(float v);
float crossoverLpFromDevice(float v);
float crossoverGainFromDevice(float v);

// The graph's axes: 16 Hz .. 20 kHz over the width, -60 .. +20 dB over twice the bound height.
double crossoverFrequencyAt(double x, double width);
double crossoverXOfFrequency(double frequency, double width);
// Plotted level: the band gain at its true value, the filter slopes at 16/20 of their dB.
double crossoverResponse(const CrossoverBand &band, double frequency, double width, double height);
double crossoverYOfLevel(double level, double height);
// One point every 4 pixel columns, then the closing point at x = width with y = 0.
void computeCrossoverCurve(const CrossoverBand &band, const QRectF &bounds, CurveSamples &out);

inline constexpr int kCrossoverStep = 4;

// Display name of band `index` (0-based, in the plotter's band order) from the description of
// the crossover object: main bands are named by position among "NumBands", bands after them
// are subs when the object has any. Empty when the description does not say.
QString crossoverBandName(const QJsonObject &description, int index);

} // namespace tarn::graphs
