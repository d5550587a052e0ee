#pragma once

#include "curvesamples.h"
#include "filterdesign.h"

#include <QRectF>

#include <vector>

namespace tarn::graphs {

// One equaliser band (or feedback filter) as the processor reports it.
struct EqBand {
    float q = 0.0f;
    float slope = 0.0f;
    float gain = 0.0f;
    float frequency = 22000.0f;
    int type = EqBell;
};

// The band table and curves behind the parametric plotter (design mode 1: one curve per band
// on a 20 Hz - 22 kHz axis of +-20 dB, plus their sum) and the feedback plotter (mode 3: one
// curve per filter on a 20 Hz - 20 kHz axis hanging from the top, plus one empty entry).
class EqCurveModel {
public:
    explicit EqCurveModel(int mode);

    int mode() const { return m_designer.mode(); }
    // Grows or shrinks the table; new records start as `initial` with empty curves.
    void setBandCount(int count, const EqBand &initial);
    int bandCount() const { return int(m_bands.size()); }
    EqBand &band(int i) { return m_bands[size_t(i)]; }
    const EqBand &band(int i) const { return m_bands[size_t(i)]; }

    void setBounds(const QRectF &bounds);
    const QRectF &bounds() const { return m_bounds; }

    // Designs the band and fills its curve; in mode 1 the sum follows.
    void recomputeBand(int i);
    void recomputeAll();

    // The last design (the plotter's filter-design block).
    const FilterDesigner &designer() const { return m_designer; }
    // bandCount() + 1 curves: the bands, then the sum (mode 1) or an empty entry (mode 3).
    PublishedCurves &curves() { return m_curves; }
    const PublishedCurves &curves() const { return m_curves; }

private:
    void updateAxis();
    void computeBand(int i);
    void rebuildSum();

    FilterDesigner m_designer;
    std::vector<EqBand> m_bands;
    PublishedCurves m_curves;
    QRectF m_bounds;
    // Pixel columns of the current width with their frequencies' response terms.
    std::vector<float> m_xs;
    std::vector<double> m_phi;
    double m_axisWidth = -1.0;
};

// The axis of the parametric graph: 20 Hz .. 22 kHz logarithmic, +-20 dB.
namespace peqaxis {
double lo();   // log10(20)
double span(); // log10(22000) - log10(20)
double frequencyAt(double x, double width);
double xOfFrequency(const QRectF &bounds, double frequency);
double yOfGain(const QRectF &bounds, double gain);
// The point QML draws for a band (y upwards from the centre line) and its inverse.
QPoint controlPoint(const QRectF &bounds, double frequency, double gain);
// False (and nothing written) when the bounds are empty.
bool valuesAt(const QRectF &bounds, int x, int y, double *frequency, double *gain);
} // namespace peqaxis

// The axis of the feedback graph: 20 Hz .. 20 kHz over the width.
namespace afsaxis {
double frequencyAt(double x, double width);
}

// Clamps a level, reading NaN as 0 dB.
double clampLevel(double value, double lo, double hi);
// Truncates towards zero; NaN and out-of-range values give 0 or the int limits.
int truncToInt(double value);
// 0, 1, 2, ... while below width.
int pixelColumns(double width);

} // namespace tarn::graphs
