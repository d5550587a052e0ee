#pragma once

#include <QString>

namespace tarn::graphs {

// Second-order section H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 - a1 z^-1 - a2 z^-2).
// Single precision on purpose: the curves must match what the processor's own design yields.
struct Biquad {
    float b0 = 1.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
};

// Band types as the equaliser reports them ("Bell", "Low Shelf", "High Shelf", anything else).
enum EqType : int { EqOther = -1, EqBell = 0, EqLowShelf = 1, EqHighShelf = 2 };

// Design modes: the parametric plotter and the feedback-filter plotter.
enum DesignMode : int { ParametricMode = 1, FeedbackMode = 3 };

// Shape codes of the design routines.
enum Shape : int { ShapeBell = 1, ShapeLowShelf = 12, ShapeHighShelf = 15, ShapeNotch = 18 };

inline constexpr float kDesignSampleRate = 72000.0f;

int eqTypeFromText(const QString &text);
int shapeFor(int mode, int type);

// The shapes, each called with (frequency, gain dB, width, 1 / sample rate).
Biquad designBellShape(int shape, float frequency, float gain, float width, float inverseSampleRate);
Biquad designLowShelf(float frequency, float gain, float width, float inverseSampleRate);
Biquad designHighShelf(float frequency, float gain, float width, float inverseSampleRate);
Biquad designShape(int shape, float frequency, float gain, float width, float inverseSampleRate);

// The filter-design block a plotter owns: its mode, the sample-rate reciprocal and the
// coefficients of the last design.
class FilterDesigner {
public:
    explicit FilterDesigner(int mode = ParametricMode);

    int mode() const { return m_mode; }
    float inverseSampleRate() const { return m_inverseSampleRate; }
    const Biquad &coefficients() const { return m_coefficients; }

    // Picks the shape from mode and type; the width is Q for a bell and Slope otherwise; a zero
    // width designs a flat section. A design that does not come out finite (e.g. a shelf slope
    // beyond what the formula accepts) is replaced by a flat section rather than drawn as NaN.
    const Biquad &design(int type, float frequency, float gain, float q, float slope);

private:
    int m_mode;
    float m_inverseSampleRate = 1.0f / kDesignSampleRate;
    Biquad m_coefficients;
};

// Fast base-10 logarithm through the float's exponent and a cubic in its mantissa.
float fastLog10(float x);

// sin^2(f * pi / 72000): the only frequency-dependent term of the response, cached per axis.
double responsePhi(double frequency);
// Magnitude in dB of the section at the frequency whose phi is given (double precision).
double responseDbAtPhi(const Biquad &c, double phi);
inline double responseDb(const Biquad &c, double frequency)
{
    return responseDbAtPhi(c, responsePhi(frequency));
}

bool isFinite(const Biquad &c);

} // namespace tarn::graphs
