#include "filterdesign.h"

#include <cmath>
#include <cstring>

namespace tarn::graphs {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

int eqTypeFromText(const QString &text)
{
    if (text == QLatin1String("Bell"))
        return EqBell;
    if (text == QLatin1String("Low Shelf"))
        return EqLowShelf;
    if (text == QLatin1String("High Shelf"))
        return EqHighShelf;
    return EqOther;
}

int shapeFor(int mode, int type)
{
    if (mode == FeedbackMode)
        return ShapeNotch;
    switch (type) {
    case EqLowShelf:
        return ShapeLowShelf;
    case EqHighShelf:
        return ShapeHighShelf;
    default:
        return ShapeBell;
    }
}

namespace {
float halfAngleTan(float frequency, float inverseSampleRate)
{
    return std::tan(frequency * 6.2831855f * inverseSampleRate * 0.5f);
}
} // namespace

Biquad designBellShape(int shape, float frequency, float gain, float width, float inverseSampleRate)
{
    const float t = halfAngleTan(frequency, inverseSampleRate);
    float k;
    if (shape == ShapeNotch) {
        const float a = std::pow(10.0f, gain / 20.0f);
        float c = 1.0f;
        if (gain >= 6.0f)
            c = std::sqrt(a * a - 2.0f);
        else if (gain <= -6.0f)
            c = std::sqrt(1.0f / (a * a) - 2.0f);
        k = width * c;
    } else {
        // 0.1837... is sqrt(0.03375781065639293).
        k = 0.1837329873930997f * (5.623413f * width);
    }
    const float a = std::pow(10.0f, gain * 0.05f);
    const float p = 4.0f * t * t * k;
    const float r = 4.0f * k;
    const float tt = 4.0f * t;
    Biquad c;
    if (gain >= 0.0f) {
        const float d = 1.0f / (tt + p + r);
        c.b0 = (tt * a + p + r) * d;
        c.b1 = 2.0f * (p - r) * d;
        c.b2 = (p - tt * a + r) * d;
        c.a1 = -2.0f * (p - r) * d;
        c.a2 = -(p - tt + r) * d;
    } else {
        const float d = 1.0f / (p * a + tt + r * a);
        c.b0 = (tt + p + r) * a * d;
        c.b1 = 2.0f * a * (p - r) * d;
        c.b2 = (p - tt + r) * a * d;
        c.a1 = -2.0f * a * (p - r) * d;
        c.a2 = -(p * a - tt + r * a) * d;
    }
    return c;
}

namespace {
struct ShelfTerms {
    float a;
    float sa;
    float t2;
    float k;
    float m;
};

ShelfTerms shelfTerms(float frequency, float gain, float width, float inverseSampleRate)
{
    ShelfTerms s;
    s.a = std::pow(10.0f, std::fabs(gain) * 0.05f);
    s.sa = std::sqrt(s.a);
    s.t2 = 2.0f * halfAngleTan(frequency, inverseSampleRate);
    const float c = 5.623413f;
    s.k = std::sqrt(width * c
                    / (std::log10(2.0f) * 40.0f * 4.623413f - (c - 2.0f * std::sqrt(c) + 1.0f) * width));
    s.m = 2.0f * s.sa * s.t2;
    return s;
}
} // namespace

Biquad designLowShelf(float frequency, float gain, float width, float inverseSampleRate)
{
    const ShelfTerms s = shelfTerms(frequency, gain, width, inverseSampleRate);
    const float p = s.t2 * s.t2 * s.k;
    const float r = 4.0f * s.k * s.sa;
    const float a = s.a;
    const float t = s.t2;
    Biquad c;
    if (gain >= 0.0f) {
        const float d = 1.0f / (s.m + p + r);
        c.b0 = (p * a + 2.0f * a * t + r) * d;
        c.b1 = 2.0f * (p * a - r) * d;
        c.b2 = (p * a - 2.0f * a * t + r) * d;
        c.a1 = -2.0f * (p - r) * d;
        c.a2 = -(p - s.m + r) * d;
    } else {
        const float d = 1.0f / (p * a + 2.0f * a * t + r);
        c.b0 = (s.m + p + r) * d;
        c.b1 = 2.0f * (p - r) * d;
        c.b2 = (p - s.m + r) * d;
        c.a1 = -2.0f * (p * a - r) * d;
        c.a2 = -(p * a - 2.0f * a * t + r) * d;
    }
    return c;
}

Biquad designHighShelf(float frequency, float gain, float width, float inverseSampleRate)
{
    const ShelfTerms s = shelfTerms(frequency, gain, width, inverseSampleRate);
    const float p = s.t2 * s.t2 * s.k * s.sa;
    const float r = 4.0f * s.k;
    const float a = s.a;
    const float t = s.t2;
    Biquad c;
    if (gain >= 0.0f) {
        const float d = 1.0f / (s.m + p + r);
        c.b0 = (2.0f * a * t + p + r * a) * d;
        c.b1 = 2.0f * (p - r * a) * d;
        c.b2 = (p - 2.0f * a * t + r * a) * d;
        c.a1 = -2.0f * (p - r) * d;
        c.a2 = -(p - s.m + r) * d;
    } else {
        const float d = 1.0f / (2.0f * a * t + p + r * a);
        c.b0 = (s.m + p + r) * d;
        c.b1 = 2.0f * (p - r) * d;
        c.b2 = (p - s.m + r) * d;
        c.a1 = -2.0f * (p - r * a) * d;
        c.a2 = -(p - 2.0f * a * t + r * a) * d;
    }
    return c;
}

Biquad designShape(int shape, float frequency, float gain, float width, float inverseSampleRate)
{
    switch (shape) {
    case ShapeLowShelf:
        return designLowShelf(frequency, gain, width, inverseSampleRate);
    case ShapeHighShelf:
        return designHighShelf(frequency, gain, width, inverseSampleRate);
    case ShapeNotch:
        return designBellShape(ShapeNotch, frequency, gain, width, inverseSampleRate);
    default:
        return designBellShape(ShapeBell, frequency, gain, width, inverseSampleRate);
    }
}

bool isFinite(const Biquad &c)
{
    return std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) && std::isfinite(c.a1)
        && std::isfinite(c.a2);
}

FilterDesigner::FilterDesigner(int mode)
    : m_mode(mode)
{
}

const Biquad &FilterDesigner::design(int type, float frequency, float gain, float q, float slope)
{
    const float width = type == EqBell ? q : slope;
    const int shape = shapeFor(m_mode, type);
    m_coefficients = designShape(shape, frequency, width == 0.0f ? 0.0f : gain, width, m_inverseSampleRate);
    if (!isFinite(m_coefficients))
        m_coefficients = Biquad();
    return m_coefficients;
}

float fastLog10(float x)
{
    float m;
    int e;
    if (x == 0.0f) {
        m = 0.5f;
        e = -32;
    } else {
        std::uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        e = int((bits >> 23) & 0xffu) - 126;
        // Keep sign and mantissa, force the exponent of 0.5.
        bits = (bits & 0x807fffffu) | 0x3f000000u;
        std::memcpy(&m, &bits, sizeof m);
    }
    return ((((1.2313379f * m - 4.1180587f) * m + 6.021541f) * m - 3.1338398f) + float(e)) * 0.30103f;
}

double responsePhi(double frequency)
{
    const double s = std::sin(frequency * kPi * (1.0 / 72000.0));
    return s * s;
}

double responseDbAtPhi(const Biquad &c, double phi)
{
    const double b0 = c.b0, b1 = c.b1, b2 = c.b2, a1 = c.a1, a2 = c.a2;
    const double sumB = b0 + b1 + b2;
    const double sumA = 1.0 - a1 - a2;
    const double n = sumB * sumB - (4.0 * b0 * b2 + b0 * b1 + b1 * b2) * 4.0 * phi + 16.0 * phi * phi * b0 * b2;
    const double d = sumA * sumA - (-a1 - 4.0 * a2 + a1 * a2) * 4.0 * phi - 16.0 * phi * phi * a2;
    return 10.0 * (double(fastLog10(float(n))) - double(fastLog10(float(d))));
}

} // namespace tarn::graphs
