// Guards against filter-response math that strays from textbook double-precision references,
// axis, control-point and overlay rules that put curves or points in the wrong place, transfer
// curves of the dynamics blocks that bend at the wrong level or by the wrong amount, and a
// dynamics graph that draws a curve the bound values do not describe.
#include "crossovermath.h"
#include "curvesamples.h"
#include "dynamicscurve.h"
#include "dynamicstransfergraph.h"
#include "eqcurvemodel.h"
#include "filterdesign.h"
#include "geqmath.h"
#include "graphpainter.h"
#include "overlaycurves.h"
#include "quickitems.h"
#include "testenv.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <complex>
#include <limits>

using namespace tarn::graphs;
using tarn::test::render;

namespace {
constexpr double kFs = 72000.0;
constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;

// Textbook analogue prototypes, mapped to the digital axis by the bilinear transform with the
// corner pre-warped: s = j * tan(pi f / fs) / tan(pi f0 / fs). Boosts are written out; a cut of
// the same shape is the reciprocal of the boost with |gain|.
double bellQuality(int shape, double gain, double width)
{
    if (shape == ShapeBell)
        return std::sqrt(0.03375781065639293) * 5.623413 * width;
    const double a = std::pow(10.0, std::fabs(gain) / 20.0);
    const double c = std::fabs(gain) >= 6.0 ? std::sqrt(a * a - 2.0) : 1.0;
    return width * c;
}

double shelfQuality(double slope)
{
    const double c = 5.623413;
    return std::sqrt(slope * c / (std::log10(2.0) * 40.0 * 4.623413 - (c - 2.0 * std::sqrt(c) + 1.0) * slope));
}

double referenceDb(int shape, double f0, double gain, double width, double f)
{
    const Complex s(0.0, std::tan(kPi * f / kFs) / std::tan(kPi * f0 / kFs));
    const double a = std::pow(10.0, std::fabs(gain) / 20.0);
    const double sa = std::sqrt(a);
    Complex boost;
    switch (shape) {
    case ShapeLowShelf: {
        const double k = shelfQuality(width);
        boost = (sa * s * s + s * a / k + a) / (sa * s * s + s * sa / k + 1.0);
        break;
    }
    case ShapeHighShelf: {
        const double k = shelfQuality(width);
        boost = (a * s * s + s * a / k + sa) / (s * s + s * sa / k + sa);
        break;
    }
    default: {
        // Peaking section of quality k: |H(j)| = a at the centre.
        const double k = bellQuality(shape, gain, width);
        boost = (s * s + s * a / k + 1.0) / (s * s + s / k + 1.0);
        break;
    }
    }
    const double db = 20.0 * std::log10(std::abs(boost));
    return gain < 0.0 ? -db : db;
}

// How far the drawn response may stray from the reference:
// - the fast logarithm is off by at most 4.1e-4 in log10 (checked below); the response takes
//   the difference of two, times 10: 0.0082 dB, rounded up to 0.01 dB;
// - the coefficients are single precision (relative error 2^-24 each). Below the corner the
//   numerator and denominator are dominated by b0 + b1 + b2 and 1 - a1 - a2, sums of terms
//   near +-1 and +-2 that cancel down to about t0^2 (t0 = tan(pi f0 / fs)). About eight
//   roundings (the coefficients and the arithmetic forming them) then give a relative error of
//   8 * 2^-24 / t0^2 in the amplitude, i.e. 20 log10(1 + 8 * 2^-24 / t0^2) dB: 0.002 dB at
//   1 kHz, 0.2 dB at 100 Hz, 0.8 dB at 50 Hz. That is the price of the single-precision design.
double tolerance(double f0)
{
    const double t0 = std::tan(kPi * f0 / kFs);
    return 0.01 + 20.0 * std::log10(1.0 + 8.0 * std::ldexp(1.0, -24) / (t0 * t0));
}

const double kProbe[] = {20, 31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 12500, 16000, 20000};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

DynamicsSettings law(DynamicsLaw l, double threshold, double ratio, double knee = 0, double gain = 0, double range = 0)
{
    DynamicsSettings s;
    s.law = l;
    s.threshold = threshold;
    s.ratio = ratio;
    s.knee = knee;
    s.gain = gain;
    s.range = range;
    return s;
}

DynamicsSettings compressor(double threshold, double ratio, double knee = 0, double gain = 0)
{
    return law(DynamicsLaw::Compressor, threshold, ratio, knee, gain);
}

DynamicsSettings agc(double target, double window, double maxGain, double low, double limit)
{
    DynamicsSettings s;
    s.law = DynamicsLaw::Agc;
    s.target = target;
    s.window = window;
    s.maxGain = maxGain;
    s.lowThreshold = low;
    s.limThreshold = limit;
    return s;
}

// Whether a pixel near the point carries the curve's orange.
bool curveNear(const QImage &image, QPointF at)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QRgb c = image.pixel(int(std::lround(at.x())) + dx, int(std::lround(at.y())) + dy);
            if (qRed(c) > 200 && qGreen(c) > 120 && qGreen(c) < 190 && qBlue(c) < 90)
                return true;
        }
    }
    return false;
}
} // namespace

class TstGraphsMath : public QObject {
    Q_OBJECT
private slots:
    void fastLogarithm();
    void shapesAgainstReference_data();
    void shapesAgainstReference();
    void flatBands();
    void parametricCurves();
    void sumCurve();
    void feedbackCurves();
    void emptyBounds();
    void parametricAxisAndControlPoints();
    void crossoverResponses();
    void crossoverCurve();
    void graphicEqRules();
    void overlayTableAndCurves();
    void publishedCurvesStayConsistent();
    void simplifiedCurvesKeepTheirShape();
    // Dynamics blocks.
    void transferPoints();
    void softKneeSlopes();
    void unknownSettingsAndNames();
    void graphDrawsAndFollowsValues();
};

void TstGraphsMath::fastLogarithm()
{
    double worst = 0.0;
    for (double x = 1e-30; x < 1e30; x *= 1.0137) {
        worst = std::max(worst, std::fabs(double(fastLog10(float(x))) - std::log10(x)));
    }
    QVERIFY2(worst < 4.1e-4, qPrintable(QString::number(worst)));
    QVERIFY(worst > 1e-5); // it is an approximation, not log10 itself
    // Zero reads as mantissa 0.5 with exponent -32.
    const double atHalf = ((1.2313379 * 0.5 - 4.1180587) * 0.5 + 6.021541) * 0.5 - 3.1338398;
    QVERIFY(std::fabs(fastLog10(0.0f) - (atHalf - 32.0) * 0.30103) < 1e-5);
    // Equal inputs cancel exactly, so a flat section is exactly 0 dB.
    QCOMPARE(responseDb(Biquad(), 1000.0), 0.0);
}

void TstGraphsMath::shapesAgainstReference_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("width");
    for (int shape : {int(ShapeBell), int(ShapeLowShelf), int(ShapeHighShelf), int(ShapeNotch)}) {
        const bool shelf = shape == ShapeLowShelf || shape == ShapeHighShelf;
        const QList<double> widths = shelf ? QList<double>{3.0, 6.0, 12.0} : QList<double>{0.5, 1.0, 4.0};
        for (double f0 : {50.0, 100.0, 1000.0, 10000.0})
            for (double gain : {-15.0, -9.0, -3.0, 3.0, 9.0, 15.0})
                for (double w : widths)
                    QTest::addRow("shape%d f0=%g g=%g w=%g", shape, f0, gain, w) << shape << f0 << gain << w;
    }
}

void TstGraphsMath::shapesAgainstReference()
{
    QFETCH(int, shape);
    QFETCH(double, f0);
    QFETCH(double, gain);
    QFETCH(double, width);
    const Biquad c = designShape(shape, float(f0), float(gain), float(width), 1.0f / kDesignSampleRate);
    QVERIFY(isFinite(c));
    const double tol = tolerance(f0);
    for (double f : kProbe) {
        const double drawn = responseDb(c, f);
        const double expected = referenceDb(shape, f0, gain, width, f);
        QVERIFY2(std::fabs(drawn - expected) <= tol,
                 qPrintable(QStringLiteral("at %1 Hz: %2 dB, reference %3 dB, tolerance %4")
                                .arg(f).arg(drawn).arg(expected).arg(tol)));
    }
    // The reference itself: a bell reaches its gain at the centre; a shelf its gain far inside.
    if (shape == ShapeBell || shape == ShapeNotch)
        QVERIFY(std::fabs(referenceDb(shape, f0, gain, width, f0) - gain) < 1e-9);
    if (shape == ShapeLowShelf)
        QVERIFY(std::fabs(referenceDb(shape, f0, gain, width, f0 / 1000.0) - gain) < 0.01);
    if (shape == ShapeHighShelf && f0 <= 1000.0)
        QVERIFY(std::fabs(referenceDb(shape, f0, gain, width, 35000.0) - gain) < 0.05);
}

void TstGraphsMath::flatBands()
{
    // Gain 0 draws nothing whatever the type; a zero width (Q for a bell, Slope otherwise) is
    // designed flat even with a gain.
    EqCurveModel model(ParametricMode);
    model.setBounds(QRectF(0, 0, 400, 200));
    EqBand band;
    model.setBandCount(5, band);
    model.band(0) = {2.0f, 6.0f, 0.0f, 1000.0f, EqBell};
    model.band(1) = {2.0f, 6.0f, 0.0f, 1000.0f, EqLowShelf};
    model.band(2) = {0.0f, 6.0f, 12.0f, 1000.0f, EqBell};
    model.band(3) = {2.0f, 0.0f, 12.0f, 1000.0f, EqHighShelf};
    model.band(4) = {2.0f, 0.0f, -12.0f, 1000.0f, EqOther};
    model.recomputeAll();
    for (int b = 0; b < 5; ++b) {
        const CurveSamples &s = model.curves().samples(b);
        QCOMPARE(int(s.ys.size()), 400);
        for (float y : s.ys)
            QCOMPARE(y, 0.0f);
    }
    // A slope beyond what the shelf formula takes gives NaN coefficients; drawn flat instead.
    model.band(0) = {1.0f, 40.0f, 6.0f, 1000.0f, EqLowShelf};
    model.recomputeBand(0);
    for (float y : model.curves().samples(0).ys)
        QCOMPARE(y, 0.0f);
    QVERIFY(isFinite(model.designer().coefficients()));
}

void TstGraphsMath::parametricCurves()
{
    const QRectF bounds(0, 0, 1000, 250);
    EqCurveModel model(ParametricMode);
    model.setBounds(bounds);
    model.setBandCount(3, EqBand());
    model.band(0) = {2.0f, 0.0f, 9.0f, 1000.0f, EqBell};
    model.band(1) = {0.7f, 0.0f, 30.0f, 3000.0f, EqBell};
    // Any other type is the bell shape 1 with Slope as its width.
    model.band(2) = {0.5f, 3.0f, -6.0f, 400.0f, EqOther};
    model.recomputeAll();

    const CurveSamples &bell = model.curves().samples(0);
    for (int x : {0, 120, 333, 500, 640, 777, 999}) {
        const double f = std::pow(10.0, x * peqaxis::span() / bounds.width() + peqaxis::lo());
        const double expected = bounds.height() * referenceDb(ShapeBell, 1000.0, 9.0, 2.0, f) / 20.0;
        QVERIFY2(std::fabs(bell.ys[size_t(x)] - expected) < bounds.height() * tolerance(1000.0) / 20.0,
                 qPrintable(QString::number(x)));
        QCOMPARE(bell.xs[size_t(x)], float(x));
    }

    // +30 dB is drawn at the +20 dB limit: the full bound height.
    const CurveSamples &loud = model.curves().samples(1);
    const int centre = int(std::lround(peqaxis::xOfFrequency(bounds, 3000.0)));
    QCOMPARE(loud.ys[size_t(centre)], float(bounds.height()));
    QCOMPARE(*std::max_element(loud.ys.begin(), loud.ys.end()), float(bounds.height()));

    const CurveSamples &other = model.curves().samples(2);
    const int at400 = int(std::lround(peqaxis::xOfFrequency(bounds, 400.0)));
    const double f400 = peqaxis::frequencyAt(at400, bounds.width());
    const double withSlope = bounds.height() * referenceDb(ShapeBell, 400.0, -6.0, 3.0, f400) / 20.0;
    QVERIFY(std::fabs(other.ys[size_t(at400)] - withSlope) < 0.05);
    // Half an octave off the centre the width tells Slope (3) from Q (0.5) apart.
    const int off = int(std::lround(peqaxis::xOfFrequency(bounds, 400.0 * std::sqrt(2.0))));
    const double fOff = peqaxis::frequencyAt(off, bounds.width());
    const double bySlope = bounds.height() * referenceDb(ShapeBell, 400.0, -6.0, 3.0, fOff) / 20.0;
    const double byQ = bounds.height() * referenceDb(ShapeBell, 400.0, -6.0, 0.5, fOff) / 20.0;
    QVERIFY(std::fabs(bySlope - byQ) > 5.0);
    QVERIFY(std::fabs(other.ys[size_t(off)] - bySlope) < 0.1);
}

void TstGraphsMath::sumCurve()
{
    EqCurveModel model(ParametricMode);
    model.setBounds(QRectF(0, 0, 300, 100));
    model.setBandCount(2, EqBand());
    model.band(0) = {1.0f, 0.0f, 6.0f, 200.0f, EqBell};
    model.band(1) = {0.0f, 6.0f, -4.0f, 5000.0f, EqHighShelf};
    model.recomputeAll();
    const CurveSamples &a = model.curves().samples(0);
    const CurveSamples &b = model.curves().samples(1);
    const CurveSamples &sum = model.curves().samples(2);
    QCOMPARE(sum.ys.size(), size_t(300));
    for (size_t x = 0; x + 1 < 300; ++x) {
        const float expected = 0.5f * (a.ys[x] + a.ys[x + 1]) + 0.5f * (b.ys[x] + b.ys[x + 1]);
        QVERIFY(std::fabs(sum.ys[x] - expected) < 1e-4f);
    }
    QCOMPARE(sum.ys.back(), 0.0f);
    // A single band changed: only its curve and the sum move.
    const std::vector<float> before = b.ys;
    model.band(0).gain = -6.0f;
    model.recomputeBand(0);
    QCOMPARE(model.curves().samples(1).ys, before);
    QVERIFY(model.curves().samples(2).ys[10] < 0.0f);
}

void TstGraphsMath::feedbackCurves()
{
    const QRectF bounds(0, 0, 600, 150);
    EqCurveModel model(FeedbackMode);
    model.setBounds(bounds);
    EqBand initial;
    initial.q = 1.0f;
    model.setBandCount(3, initial);
    model.band(0).frequency = 1000.0f;
    model.band(0).gain = -30.0f; // clamped at -20
    model.band(0).q = 10.0f;
    model.band(1).frequency = 2000.0f;
    model.band(1).gain = -9.0f;
    model.band(1).q = 4.0f;
    // The feedback mode designs every type as the notch; the width follows the type's rule.
    model.band(1).slope = 4.0f;
    model.band(1).type = EqLowShelf;
    model.recomputeAll();

    QCOMPARE(model.curves().count(), 4);
    QVERIFY(model.curves().samples(3).xs.empty());
    // x = W * log10(f / 20) / 3.
    const int notch = int(std::lround(bounds.width() * std::log10(1000.0 / 20.0) / 3.0));
    const auto &deep = model.curves().samples(0).ys;
    QCOMPARE(deep[size_t(notch)], float(bounds.height() - 2.0 * bounds.height()));
    QCOMPARE(*std::min_element(deep.begin(), deep.end()), float(-bounds.height()));
    QVERIFY(deep[0] > bounds.height() - 0.5);

    const auto &mid = model.curves().samples(1).ys;
    for (int x : {100, 300, 400, 550}) {
        const double f = 20.0 * std::pow(10.0, 3.0 * x / bounds.width());
        const double expected = bounds.height() + bounds.height() * referenceDb(ShapeNotch, 2000.0, -9.0, 4.0, f) / 10.0;
        QVERIFY2(std::fabs(mid[size_t(x)] - expected) < bounds.height() * tolerance(2000.0) / 10.0,
                 qPrintable(QString::number(x)));
    }
    // A filter not placed (gain 0) lies on the top edge: bound height everywhere.
    for (float y : model.curves().samples(2).ys)
        QCOMPARE(y, float(bounds.height()));
}

void TstGraphsMath::emptyBounds()
{
    for (const QRectF &r : {QRectF(), QRectF(0, 0, 500, 0), QRectF(0, 0, 0, 200)}) {
        EqCurveModel model(ParametricMode);
        model.setBounds(r);
        model.setBandCount(2, EqBand());
        model.band(0).gain = 6.0f;
        model.band(0).q = 1.0f;
        model.recomputeAll();
        for (int i = 0; i < 3; ++i)
            QVERIFY(model.curves().samples(i).xs.empty());
        QCOMPARE(peqaxis::xOfFrequency(r, 1000.0), 0.0);
        QCOMPARE(peqaxis::yOfGain(r, 10.0), 0.0);
        double f = -1, g = -1;
        QVERIFY(!peqaxis::valuesAt(r, 10, 10, &f, &g));
    }
}

void TstGraphsMath::parametricAxisAndControlPoints()
{
    const QRectF r(0, 0, 800, 200);
    QCOMPARE(peqaxis::xOfFrequency(r, 5.0), 0.0);
    QVERIFY(std::fabs(peqaxis::xOfFrequency(r, 40000.0) - 800.0) < 1e-9);
    QCOMPARE(peqaxis::yOfGain(r, -20.0), 0.0);
    QCOMPARE(peqaxis::yOfGain(r, 0.0), 200.0);
    QCOMPARE(peqaxis::yOfGain(r, 35.0), 400.0);

    // The item suite drags a point to the middle (663 Hz, +5 dB) through these; here the edges.
    QCOMPARE(peqaxis::controlPoint(r, 20.0, -20.0), QPoint(0, -200));
    // A control that has not heard from the processor yet holds -1000: no logarithm of it.
    QCOMPARE(peqaxis::controlPoint(r, -1000.0, -1000.0).x(), 0);
    QCOMPARE(truncToInt(std::nan("")), 0);
    QCOMPARE(truncToInt(1e20), std::numeric_limits<int>::max());
}

void TstGraphsMath::crossoverResponses()
{
    const char *texts[] = {"BW 6", "BW 12", "BW 18", "BW 24", "BW 30", "BW 36",
                           "BW 42", "BW 48", "LR 12", "LR 24", "LR 36", "LR 48"};
    for (int i = 0; i < 12; ++i)
        QCOMPARE(int(crossoverTypeFromText(texts[i])), i);
    QCOMPARE(int(crossoverTypeFromText("LR 96")), -1);
    QCOMPARE(int(crossoverTypeFromText("")), -1);

    // Butterworth of order n: 1 / sqrt(1 + r^2n); Linkwitz-Riley of order 2m: the square of
    // the Butterworth of order m, 1 / (1 + r^2m).
    for (double r : {0.1, 0.5, 1.0, 2.0, 7.0}) {
        for (int n = 1; n <= 8; ++n)
            QVERIFY(std::fabs(crossoverMagnitude(n - 1, r) - 1.0 / std::sqrt(1.0 + std::pow(r, 2 * n))) < 1e-12);
        for (int m = 1; m <= 4; ++m) {
            const double bw = 1.0 / std::sqrt(1.0 + std::pow(r, 2 * m));
            QVERIFY(std::fabs(crossoverMagnitude(XoverLR12 + m - 1, r) - bw * bw) < 1e-12);
        }
        QCOMPARE(crossoverMagnitude(XoverFlat, r), 1.0);
    }

    // LR 24 high-pass at 100 Hz, LP wide open, gain 0: 16 log10(0.5) at 100 Hz.
    CrossoverBand band;
    band.hpType = crossoverTypeFromText("LR 24");
    band.hpFrequency = 100.0f;
    band.lpType = crossoverTypeFromText("BW 48");
    band.lpFrequency = 20000.0f;
    const double at100 = crossoverResponse(band, 100.0, 800.0, 200.0);
    QVERIFY(std::fabs(at100 - 16.0 * std::log10(0.5)) < 1e-3);
    QVERIFY(std::fabs(at100 + 4.8) < 0.02);
    // The slopes at 16/20 of their dB; the gain at its true value.
    band.gain = -7.0f;
    const double octaveDown = crossoverResponse(band, 50.0, 800.0, 200.0);
    const double lpAt50 = 1.0 / std::sqrt(1.0 + std::pow(50.0 / 20000.0, 16));
    QVERIFY(std::fabs(octaveDown - (0.8 * 20.0 * std::log10(1.0 / 17.0 * lpAt50) - 7.0)) < 1e-9);
    QCOMPARE(crossoverResponse(band, 50.0, 0.0, 200.0), 0.0);

    // Before any value arrives: HP at 20 kHz and LP at 20 Hz cut everything hard.
    const CrossoverBand initial;
    for (double f : {100.0, 1000.0, 10000.0})
        QVERIFY(crossoverResponse(initial, f, 800.0, 200.0) < -30.0);

    // Values from the processor: zero corners are "off", the rest clamped; gain to [-60, 20].
    const struct { float (*read)(float); float in, out; } clamps[] = {
        {crossoverHpFromDevice, 0, 16},     {crossoverHpFromDevice, 5, 16},      {crossoverHpFromDevice, 25000, 20000},
        {crossoverLpFromDevice, 0, 20000},  {crossoverLpFromDevice, 8, 16},      {crossoverLpFromDevice, 1500, 1500},
        {crossoverGainFromDevice, 25, 20},  {crossoverGainFromDevice, -90, -60}, {crossoverGainFromDevice, -3.5f, -3.5f}};
    for (const auto &c : clamps)
        QCOMPARE(c.read(c.in), c.out);
}

void TstGraphsMath::crossoverCurve()
{
    const QRectF r(0, 0, 802, 300);
    QCOMPARE(crossoverXOfFrequency(16.0, 802.0), 0.0);
    QVERIFY(std::fabs(crossoverXOfFrequency(20000.0, 802.0) - 802.0) < 1e-9);
    QVERIFY(std::fabs(crossoverFrequencyAt(401.0, 802.0) - 16.0 * std::sqrt(1250.0)) < 1e-6);

    CrossoverBand band;
    band.hpType = XoverLR24;
    band.hpFrequency = 1000.0f;
    band.lpType = XoverFlat;
    band.gain = 0.0f;
    CurveSamples s;
    computeCrossoverCurve(band, r, s);
    // x = 0, 4, ..., 800, then the closing point at the width.
    QCOMPARE(int(s.xs.size()), 202);
    QCOMPARE(s.xs[1], 4.0f);
    QCOMPARE(s.xs[200], 800.0f);
    QCOMPARE(s.xs.back(), 802.0f);
    QCOMPARE(s.ys.back(), 0.0f);
    for (size_t i = 0; i + 1 < s.xs.size(); ++i) {
        const double level = crossoverResponse(band, crossoverFrequencyAt(s.xs[i], 802.0), 802.0, 300.0);
        QCOMPARE(s.ys[i], float(2.0 * 300.0 * (std::max(level, -60.0) + 60.0) / 80.0));
    }
    // Well above the corner the band is at 0 dB: three quarters of the item height.
    QVERIFY(std::fabs(s.ys[190] - 450.0f) < 0.5f);
    QCOMPARE(crossoverYOfLevel(-100.0, 300.0), 0.0);
    QCOMPARE(crossoverYOfLevel(30.0, 300.0), 600.0);
}

void TstGraphsMath::graphicEqRules()
{
    const QStringList &names = geqBandNames();
    QCOMPARE(names.size(), 31);
    QCOMPARE(names.at(17), QStringLiteral("1.0 kHz"));
    const QRectF bounds(0, 0, 640, 240);
    QCOMPARE(geqControlPoint(bounds, 30, -12.0), QPoint(600, -240));
    double gain = 0;
    QVERIFY(!geqGainAt(QRectF(0, 0, 640, 0), 0, &gain));
    // Draw mode: a stroke ending exactly on the last column, or starting inside the first.
    QCOMPARE(geqBandUnder(620.0, 19.9), 0);
    QCOMPARE(geqStrokeBands(620.0, 590, 700), std::vector<int>{30});
    QCOMPARE(geqStrokeBands(620.0, 101, 125), std::vector<int>{6});
    QCOMPARE(geqBarRect(620.0, 400.0, 30, -12.0), QRectF(603, 202, 13, 200));
}
void TstGraphsMath::overlayTableAndCurves()
{
    const auto &t = overlayFrequencies();
    QCOMPARE(t[0], 20.0f);
    QCOMPARE(t[480], 20000.0f);
    // 160 steps per decade, rising: each step about 1/160 of a decade.
    for (size_t i = 1; i < t.size(); ++i)
        QVERIFY(t[i] > t[i - 1] && std::fabs(std::log10(t[i] / t[i - 1]) - 1.0 / 160.0) < 0.0035);

    QVector<float> levels;
    QString error;
    QVERIFY(parseOverlayLevels(QStringLiteral(" 1  -2.5 3e1 "), &levels, &error));
    QCOMPARE(levels, (QVector<float>{1.0f, -2.5f, 30.0f}));
    QVERIFY(parseOverlayLevels(QString(), &levels, &error));
    QVERIFY(levels.isEmpty());
    QVERIFY(!parseOverlayLevels(QStringLiteral("1 2 x 4"), &levels, &error));
    QVERIFY(error.contains(QStringLiteral("non-number")));
    QVERIFY(levels.isEmpty());
    QVERIFY(!parseOverlayLevels(QStringLiteral("1 nan"), &levels, &error));
    QVERIFY(!parseOverlayLevels(QString(kOverlayMaxChars + 1, QLatin1Char(' ')), &levels, &error));
    QStringList many;
    for (int i = 0; i <= kOverlayMaxNumbers; ++i)
        many << QStringLiteral("1");
    QVERIFY(!parseOverlayLevels(many.join(QLatin1Char(' ')), &levels, &error));

    QVector<float> short624(624, 1.0f);
    QVERIFY(!overlayDrawable(short624));
    QVERIFY(overlayPoints(short624, QRectF(0, 0, 800, 200)).isEmpty());
    QVector<float> room(625, 0.0f);
    room[kOverlayFirst] = 6.0f;   // 20 Hz, drawn negated
    room[kOverlayLast] = -20.0f;  // 20 kHz
    const QRectF bounds(0, 0, 800, 200);
    const QPolygonF points = overlayPoints(room, bounds);
    QCOMPARE(points.size(), kOverlayPoints);
    QCOMPARE(points.first(), QPointF(0.0, 2.0 * 200.0 * (-6.0 + 20.0) / 40.0));
    QVERIFY(std::fabs(points.last().x() - peqaxis::xOfFrequency(bounds, 20000.0)) < 1e-6);
    QCOMPARE(points.last().y(), 400.0);
    QCOMPARE(points.at(100).y(), 200.0);

    const QPolygonF outline = roomCurveOutline(room, bounds, 400.0);
    QCOMPARE(outline.first(), QPointF(0.0, 200.0));
    QCOMPARE(outline.at(outline.size() - 2), QPointF(peqaxis::xOfFrequency(bounds, 20000.0), 200.0));
    QVERIFY(outline.isClosed());

    CurveMap sum;
    for (int x = 0; x < 800; ++x)
        sum.insert(float(x), x < 400 ? 10.0f : -10.0f);
    const QPolygonF corrected = correctedCurveLine(room, bounds, sum, 400.0);
    QCOMPARE(corrected.size(), kOverlayPoints + 1);
    // The level minus the sum's value at the first key beyond the point.
    QCOMPARE(corrected.at(100).y(), points.at(100).y() - 10.0);
    QCOMPARE(corrected.at(470).y(), points.at(470).y() + 10.0);
    QCOMPARE(corrected.last(), QPointF(799.0, 200.0));
}

void TstGraphsMath::publishedCurvesStayConsistent()
{
    PublishedCurves curves;
    curves.resize(2);
    auto fill = [&](int i, int n, float base) {
        std::vector<float> xs(static_cast<size_t>(n));
        for (int x = 0; x < n; ++x)
            xs[size_t(x)] = float(x);
        CurveSamples &s = curves.samples(i);
        s.setXs(xs);
        for (int x = 0; x < n; ++x)
            s.ys[size_t(x)] = base + x;
        s.touch();
    };
    fill(0, 5, 0.0f);
    fill(1, 3, 100.0f);
    const CurveList first = curves.publish();
    QCOMPARE(first.size(), 2);
    QCOMPARE(first[0].value(4.0f), 4.0f);
    QCOMPARE(first[1].keys(), (QList<float>{0.0f, 1.0f, 2.0f}));

    // A receiver keeps the first list while the plotter publishes twice more: what it holds
    // never changes under it, and each publication carries the newest values.
    fill(0, 5, 10.0f);
    const CurveList second = curves.publish();
    fill(0, 5, 20.0f);
    const CurveList &third = curves.publish();
    QCOMPARE(first[0].value(4.0f), 4.0f);
    QCOMPARE(second[0].value(4.0f), 14.0f);
    QCOMPARE(third[0].value(4.0f), 24.0f);
    QCOMPARE(third[1].value(2.0f), 102.0f);
    // A new width replaces the keys.
    fill(1, 6, 0.0f);
    const CurveList fourth = curves.publish();
    QCOMPARE(fourth[1].size(), 6);
    QCOMPARE(fourth[1].lastKey(), 5.0f);
    QCOMPARE(fourth[0].value(4.0f), 24.0f);
    curves.resize(1);
    QCOMPARE(curves.publish().size(), 1);
}

void TstGraphsMath::simplifiedCurvesKeepTheirShape()
{
    // A straight run collapses to its ends.
    QPolygonF line;
    for (int x = 0; x < 500; ++x)
        line << QPointF(x, 100.0 + 0.25 * x);
    QCOMPARE(simplifyIncreasing(line, 0.05), (QPolygonF(QVector<QPointF>{QPointF(0, 100), QPointF(499, 224.75)})));

    // A parametric curve: every dropped point stays within the tolerance of what is kept.
    EqCurveModel model(ParametricMode);
    model.setBounds(QRectF(0, 0, 1920, 360));
    model.setBandCount(3, EqBand());
    model.band(0) = {4.0f, 0.0f, 15.0f, 300.0f, EqBell};
    model.band(1) = {0.0f, 9.0f, -8.0f, 4000.0f, EqHighShelf};
    model.band(2) = {12.0f, 0.0f, 30.0f, 90.0f, EqBell}; // clamped: kinks
    model.recomputeAll();
    for (int c = 0; c < 4; ++c) {
        const CurveSamples &s = model.curves().samples(c);
        QPolygonF in;
        for (size_t i = 0; i < s.xs.size(); ++i)
            in << QPointF(s.xs[i], 180.0 - s.ys[i]);
        const QPolygonF out = simplifyIncreasing(in, 0.05);
        QVERIFY(out.size() < in.size() / 2);
        QCOMPARE(out.first(), in.first());
        QCOMPARE(out.last(), in.last());
        int k = 0;
        for (const QPointF &p : qAsConst(in)) {
            while (k + 1 < out.size() - 1 && out.at(k + 1).x() < p.x())
                ++k;
            const QPointF a = out.at(k), b = out.at(k + 1);
            const double y = a.y() + (b.y() - a.y()) * (p.x() - a.x()) / (b.x() - a.x());
            QVERIFY2(std::fabs(y - p.y()) <= 0.05 + 1e-9, qPrintable(QStringLiteral("curve %1 at x %2").arg(c).arg(p.x())));
        }
    }
    // Steps where x does not increase are kept as they are.
    const QPolygonF steps(QVector<QPointF>{QPointF(0, 0), QPointF(1, 0), QPointF(1, 5), QPointF(2, 5), QPointF(3, 5)});
    QCOMPARE(simplifyIncreasing(steps, 0.05), (QPolygonF(QVector<QPointF>{QPointF(0, 0), QPointF(1, 0), QPointF(1, 5), QPointF(3, 5)})));
}

// Output levels (and, where given, gain changes) worked out by hand for each law.
void TstGraphsMath::transferPoints()
{
    const DynamicsSettings comp = compressor(-20, 4), makeUp = compressor(-20, 4, 0, 6), soft = compressor(-20, 4, 10);
    const DynamicsSettings limHard = law(DynamicsLaw::Limiter, 10, kNaN), limSoft = law(DynamicsLaw::Limiter, -6, kNaN, 4);
    const DynamicsSettings gate = law(DynamicsLaw::Gate, -60, 2, 0, 0, 40), gateOpen = law(DynamicsLaw::Gate, -60, 2);
    const DynamicsSettings gateSteep = law(DynamicsLaw::Gate, -60, 20, 0, 0, 80);
    const DynamicsSettings level = agc(-20, 4, 6, -50, -6), capped = agc(-10, 6, 6, -50, -12);
    const struct {
        const char *what;
        DynamicsSettings s;
        double in, out, change;
    } rows[] = {
        {"below the threshold: untouched", comp, -40, -40, 0},
        {"at the threshold", comp, -20, -20, kNaN},
        {"20 dB over, a quarter left", comp, 0, -15, -15},
        {"40 dB over", comp, 20, -10, kNaN},
        {"make-up gain lifts, reduces nothing", makeUp, -40, -34, 0},
        {"make-up gain over the threshold", makeUp, 0, -9, -15},
        {"soft knee: below", soft, -30, -30, kNaN},
        {"soft knee: starts", soft, -25, -25, kNaN},
        {"soft knee: middle", soft, -20, -20 - 0.75 * 25 / 20, kNaN},
        {"soft knee: ends on the line", soft, -15, -18.75, kNaN},
        {"soft knee: above", soft, -10, -17.5, kNaN},
        {"Inf:1 is a brick wall", compressor(-20, kInf), 0, -20, kNaN},
        {"top of the range is a brick wall", compressor(-20, kInfiniteRatio), 10, -20, kNaN},
        {"ratio 99", compressor(-20, 99), -1, -20 + 19.0 / 99, kNaN},
        {"ratio 1 leaves the level", compressor(-20, 1), 0, 0, kNaN},
        {"ratio under 1 leaves the level", compressor(-20, 0.5), 0, 0, kNaN},
        {"ratio 2", compressor(-20, 2), -10, -15, kNaN},
        {"limiter below", limHard, 0, 0, kNaN},
        {"limiter at", limHard, 10, 10, kNaN},
        {"limiter over", limHard, 18, 10, -8},
        {"limiter knee start", limSoft, -8, -8, kNaN},
        {"limiter knee middle", limSoft, -6, -6 - 4.0 / 8, kNaN},
        {"limiter knee end", limSoft, -4, -6, kNaN},
        {"limiter above the knee", limSoft, 0, -6, kNaN},
        {"gate above", gate, -50, -50, kNaN},
        {"gate at", gate, -60, -60, kNaN},
        {"gate expands 1:2", gate, -70, -80, kNaN},
        {"gate reaches its range", gate, -100, -140, kNaN},
        {"gate range holds", gate, -120, -160, -40},
        {"gate without range", gateOpen, -90, -90, kNaN},
        {"steep gate", gateSteep, -62, -100, kNaN},
        {"steep gate deeper", gateSteep, -70, -150, kNaN},
        {"AGC: noise left alone", level, -60, -60, kNaN},
        {"AGC: full gain at the low threshold", level, -50, -44, kNaN},
        {"AGC: full gain", level, -40, -34, 6},
        {"AGC: raised to the window", level, -25, -22, kNaN},
        {"AGC: inside the window", level, -21, -21, kNaN},
        {"AGC: top of the window", level, -18, -18, kNaN},
        {"AGC: cut to the window", level, -10, -18, -8},
        {"AGC: limit caps the window", capped, -10, -12, kNaN},
        {"AGC: limit caps raised levels", capped, -20, -14, kNaN},
        {"AGC: under the limit", capped, -30, -24, kNaN},
    };
    for (const auto &r : rows) {
        const double out = dynamicsOutput(r.s, r.in);
        QVERIFY2(std::abs(out - r.out) < 1e-9, qPrintable(QStringLiteral("%1: %2 gives %3, expected %4").arg(QLatin1String(r.what)).arg(r.in).arg(out, 0, 'g', 12).arg(r.out)));
        if (!std::isnan(r.change))
            QVERIFY2(std::abs(dynamicsGainChange(r.s, r.in) - r.change) < 1e-9, r.what);
    }
    const QVector<QPointF> curve = dynamicsCurve(comp, -80, 20, 101);
    QCOMPARE(curve.size(), 101);
    QCOMPARE(curve.first(), QPointF(-80, -80));
    QCOMPARE(curve.at(80), QPointF(0, -15));
    QCOMPARE(curve.last(), QPointF(20, -10));
    QVERIFY(dynamicsCurve(comp, -80, 20, 1).isEmpty());
}

void TstGraphsMath::softKneeSlopes()
{
    // The slope is continuous at both ends of the knee: 1 below, 1/4 above.
    const DynamicsSettings s = compressor(-20, 4, 10);
    const double h = 1e-6;
    const auto slope = [&](double x) { return (dynamicsOutput(s, x + h) - dynamicsOutput(s, x - h)) / (2 * h); };
    QVERIFY(std::abs(slope(-25) - 1.0) < 1e-4);
    QVERIFY(std::abs(slope(-15) - 0.25) < 1e-4);
    QVERIFY(std::abs(slope(-20) - 0.625) < 1e-4);
}

void TstGraphsMath::unknownSettingsAndNames()
{
    QVERIFY(std::isnan(dynamicsOutput(compressor(kNaN, 4), 0)));
    QVERIFY(std::isnan(dynamicsOutput(compressor(-20, kNaN), 0)));
    QVERIFY(std::isnan(dynamicsOutput(compressor(-20, 4), kNaN)));
    QVERIFY(std::isnan(dynamicsGainChange(agc(-20, 4, kNaN, -50, -6), -30)));
    QVERIFY(dynamicsCurve(compressor(-20, kNaN), -80, 20, 50).isEmpty());
    // A gate's ratio of infinity is no setting the processor has.
    QVERIFY(std::isnan(dynamicsOutput(law(DynamicsLaw::Gate, -40, kInf, 0, 0, 40), -50)));

    DynamicsLaw l = DynamicsLaw::Gate;
    QVERIFY(dynamicsLawFromName(QStringLiteral("AGC"), &l));
    QCOMPARE(l, DynamicsLaw::Agc);
    QVERIFY(dynamicsLawFromName(QStringLiteral("limiter"), &l));
    QVERIFY(!dynamicsLawFromName(QStringLiteral("Expander"), &l));
    QCOMPARE(l, DynamicsLaw::Limiter);
    QCOMPARE(kneeWidthForOverEasy(5), 10.0);
    QCOMPARE(kneeWidthForOverEasy(12), 20.0);
    QCOMPARE(kneeWidthForOverEasy(kNaN), 0.0);
}

void TstGraphsMath::graphDrawsAndFollowsValues()
{
    DynamicsTransferGraph item;
    item.setSize(QSizeF(460, 420));
    QSignalSpy curve(&item, &DynamicsTransferGraph::curveChanged);
    QVERIFY(!item.curveKnown());
    item.setLaw(QStringLiteral("Compressor"));
    item.setThreshold(-20);
    item.setRatio(4);
    item.setOverEasy(0);
    QVERIFY(!item.curveKnown()); // the make-up gain is still unknown
    item.setGain(0);
    QVERIFY(item.curveKnown());
    QCOMPARE(curve.count(), 1);

    // The plot is square and spans -80 .. +20 dB on both axes.
    const QRectF plot = item.plotRect();
    QCOMPARE(plot.width(), plot.height());
    QCOMPARE(item.toItem(-80, -80), plot.bottomLeft());
    QCOMPARE(item.toItem(20, 20), plot.topRight());

    QImage image = render(item);
    QVERIFY(curveNear(image, item.toItem(-50, -50)));
    QVERIFY(curveNear(image, item.toItem(0, -15)));
    QVERIFY(!curveNear(image, item.toItem(0, 0)));

    // A new threshold moves the curve: now -10, so at 0 dB in the output is -7.5.
    item.setThreshold(-10);
    QCOMPARE(curve.count(), 2);
    QCOMPARE(item.outputAt(0), -7.5);
    image = render(item);
    QVERIFY(curveNear(image, item.toItem(0, -7.5)));
    QVERIFY(!curveNear(image, item.toItem(0, -15)));

    // Equal values change nothing; an unknown one takes the curve away.
    item.setThreshold(-10);
    QCOMPARE(curve.count(), 2);
    item.setRatio(kNaN);
    QVERIFY(!item.curveKnown());
    image = render(item);
    QVERIFY(!curveNear(image, item.toItem(-50, -50)));

    // A bypassed block is drawn dashed in the text colour, not in the curve colour.
    item.setRatio(4);
    item.setActive(false);
    image = render(item);
    QVERIFY(!curveNear(image, item.toItem(-50, -50)));

    // Unknown law names are refused and leave the law as it was.
    QTest::ignoreMessage(QtWarningMsg, "DynamicsTransferGraph: unknown law \"Expander\"");
    item.setLaw(QStringLiteral("Expander"));
    QCOMPARE(item.law(), QStringLiteral("Compressor"));
}

TARN_TEST_MAIN(TstGraphsMath, QGuiApplication)
#include "tst_graphs_math.moc"
