// Guards against filter-response math that strays from double-precision references, curves,
// control points and transfer curves in the wrong place, graphs bound to the wrong variables or
// moving before the processor confirms, repaint storms, and wrong pixels in every painted graph.
#include "crossoverbandinfoprovider.h"
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "crossovermath.h"
#include "curvesamples.h"
#include "dynamicscurve.h"
#include "dynamicstransfergraph.h"
#include "eqcurvemodel.h"
#include "fakecontrols.h"
#include "filterdesign.h"
#include "geqmath.h"
#include "graphpainter.h"
#include "overlaycurves.h"
#include "quickitems.h"
#include "settingskeys.h"
#include "tarnafscurveplotter.h"
#include "tarnafsgraphitem.h"
#include "tarngeqbands.h"
#include "tarngeqgraphitem.h"
#include "tarnpeqcurveplotter.h"
#include "tarnpeqgraphitem.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QColor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <complex>
#include <limits>
#include <memory>

using namespace tarn::graphs;
using tarn::test::joined;
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

// How far the drawn response may stray: 0.01 dB for the fast logarithm (two of them, 4.1e-4 each
// in log10, times 10), plus about eight single-precision roundings in coefficient sums that
// cancel down to t0^2 below the corner (t0 = tan(pi f0 / fs)): 0.2 dB at 100 Hz, 0.8 dB at 50 Hz.
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
    return DynamicsSettings{l, threshold, ratio, knee, gain, range};
}

DynamicsSettings compressor(double threshold, double ratio, double knee = 0, double gain = 0)
{
    return law(DynamicsLaw::Compressor, threshold, ratio, knee, gain);
}

DynamicsSettings agc(double target, double window, double maxGain, double low, double limit)
{
    return DynamicsSettings{DynamicsLaw::Agc, 0, 1, 0, 0, 0, target, window, maxGain, low, limit};
}

void design(EqCurveModel &model, const QRectF &bounds, const QVector<EqBand> &bands)
{
    model.setBounds(bounds);
    model.setBandCount(bands.size(), EqBand());
    for (int i = 0; i < bands.size(); ++i)
        model.band(i) = bands.at(i);
    model.recomputeAll();
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


// What a pixel shows: black, or else its exact colour, or else a coarse shade.
QString shade(QRgb c, bool exact)
{
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (r < 12 && g < 12 && b < 12)
        return QStringLiteral("black");
    if (exact)
        return QColor(c).name();
    const std::pair<const char *, bool> coarse[] = {{"white", r > 180 && g > 180 && b > 180},
                                                    {"grey", std::abs(r - g) < 8 && std::abs(g - b) < 8 && r > 70 && r < 130},
                                                    {"red", r > 100 && g < 30 && b < 30}, {"blue", b > 100 && r < 30 && g < 30},
                                                    {"green", g > 150 && g > r + 30}, {"gold", r > 150 && g > 120 && b < 90}};
    for (const auto &candidate : coarse) {
        if (candidate.second)
            return QLatin1String(candidate.first);
    }
    return QColor(c).name();
}

QString shades(const QImage &image, std::initializer_list<QPoint> points, bool exact = false)
{
    QStringList list;
    for (const QPoint &p : points)
        list << shade(image.pixel(p), exact);
    return list.join(QLatin1Char(' '));
}

// The first pixel with any green in it on a grid of `step` from row `top` ("" when there is none):
// the test colours are red and blue, so green paint is a curve drawn where none belongs.
QString firstGreen(const QImage &image, int step, int top)
{
    for (int x = 0; x < image.width(); x += step) {
        for (int y = top; y < image.height(); y += step) {
            if (qGreen(image.pixel(x, y)) >= 20)
                return QStringLiteral("%1,%2").arg(x).arg(y);
        }
    }
    return QString();
}

const QVariant kColours = QVariantList{QStringLiteral("#ff0000"), QStringLiteral("#00ff00"), QStringLiteral("#0000ff")};
} // namespace

class TstGraphs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void shapesAgainstReference_data();
    void shapesAgainstReference();
    void curveModels();
    void crossoverMath();
    void curveDataAndOverlays();
    void dynamicsLawsAndGraph();
    void parametricBindingsAndPoints();
    void parametricValuesAndRendering();
    void crossoverItem();
    void graphicEqItem();
    void feedbackPlotterAndRendering();
    void repaintsAreCoalesced();
};


void TstGraphs::shapesAgainstReference_data()
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

void TstGraphs::shapesAgainstReference()
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
}

void TstGraphs::curveModels()
{
    double worst = 0.0;
    for (double x = 1e-30; x < 1e30; x *= 1.0137)
        worst = std::max(worst, std::fabs(double(fastLog10(float(x))) - std::log10(x)));
    QVERIFY2(worst < 4.1e-4 && worst > 1e-5, qPrintable(QString::number(worst)));
    // Zero is a very small number, not minus infinity; a flat section is exactly 0 dB.
    QVERIFY(std::fabs(fastLog10(0.0f) + 9.932) < 0.01);
    QCOMPARE(responseDb(Biquad(), 1000.0), 0.0);

    // Gain 0, or a zero width (Q for a bell, Slope otherwise), draws nothing whatever the type.
    EqCurveModel model(ParametricMode);
    design(model, QRectF(0, 0, 400, 200),
           {{2.0f, 6.0f, 0.0f, 1000.0f, EqBell}, {2.0f, 6.0f, 0.0f, 1000.0f, EqLowShelf}, {0.0f, 6.0f, 12.0f, 1000.0f, EqBell},
            {2.0f, 0.0f, 12.0f, 1000.0f, EqHighShelf}, {2.0f, 0.0f, -12.0f, 1000.0f, EqOther}});
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

    const QRectF bounds(0, 0, 1000, 250);
    // Any other type is the bell shape 1 with Slope as its width.
    design(model, bounds, {{2.0f, 0.0f, 9.0f, 1000.0f, EqBell}, {0.7f, 0.0f, 30.0f, 3000.0f, EqBell}, {0.5f, 3.0f, -6.0f, 400.0f, EqOther}});

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
    // Half an octave off the centre the width tells Slope (3) from Q (0.5) apart.
    const int off = int(std::lround(peqaxis::xOfFrequency(bounds, 400.0 * std::sqrt(2.0))));
    const double fOff = peqaxis::frequencyAt(off, bounds.width());
    const double bySlope = bounds.height() * referenceDb(ShapeBell, 400.0, -6.0, 3.0, fOff) / 20.0;
    const double byQ = bounds.height() * referenceDb(ShapeBell, 400.0, -6.0, 0.5, fOff) / 20.0;
    QVERIFY(std::fabs(bySlope - byQ) > 5.0);
    QVERIFY(std::fabs(other.ys[size_t(off)] - bySlope) < 0.1);

    design(model, QRectF(0, 0, 300, 100), {{1.0f, 0.0f, 6.0f, 200.0f, EqBell}, {0.0f, 6.0f, -4.0f, 5000.0f, EqHighShelf}});
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

    // Empty bounds draw nothing and map everything to 0.
    for (const QRectF &r : {QRectF(), QRectF(0, 0, 500, 0), QRectF(0, 0, 0, 200)}) {
        design(model, r, {{1.0f, 0.0f, 6.0f, 22000.0f, EqBell}, EqBand()});
        for (int i = 0; i < 3; ++i)
            QVERIFY(model.curves().samples(i).xs.empty());
        QCOMPARE(peqaxis::xOfFrequency(r, 1000.0), 0.0);
        QCOMPARE(peqaxis::yOfGain(r, 10.0), 0.0);
        double f = -1, g = -1;
        QVERIFY(!peqaxis::valuesAt(r, 10, 10, &f, &g));
    }
    const QRectF r(0, 0, 800, 200);
    QCOMPARE(peqaxis::xOfFrequency(r, 5.0), 0.0);
    QVERIFY(std::fabs(peqaxis::xOfFrequency(r, 40000.0) - 800.0) < 1e-9);
    QCOMPARE(joined(peqaxis::yOfGain(r, -20.0), peqaxis::yOfGain(r, 0.0), peqaxis::yOfGain(r, 35.0)), QStringLiteral("0 200 400"));
    QCOMPARE(peqaxis::controlPoint(r, 20.0, -20.0), QPoint(0, -200));
    // A control that has not heard from the processor yet holds -1000: no logarithm of it.
    QCOMPARE(peqaxis::controlPoint(r, -1000.0, -1000.0).x(), 0);
    QCOMPARE(truncToInt(std::nan("")), 0);
    QCOMPARE(truncToInt(1e20), std::numeric_limits<int>::max());

    const QRectF narrow(0, 0, 600, 150);
    EqCurveModel feedback(FeedbackMode);
    // -30 dB is clamped at -20; every type is a notch, its width by the type's rule (Slope for a shelf).
    design(feedback, narrow, {{10.0f, 0.0f, -30.0f, 1000.0f, EqBell}, {4.0f, 4.0f, -9.0f, 2000.0f, EqLowShelf}, {1.0f, 0.0f, 0.0f, 22000.0f, EqBell}});

    QCOMPARE(feedback.curves().count(), 4);
    QVERIFY(feedback.curves().samples(3).xs.empty());
    const int notch = int(std::lround(narrow.width() * std::log10(1000.0 / 20.0) / 3.0));
    const auto &deep = feedback.curves().samples(0).ys;
    QCOMPARE(deep[size_t(notch)], float(narrow.height() - 2.0 * narrow.height()));
    QCOMPARE(*std::min_element(deep.begin(), deep.end()), float(-narrow.height()));
    QVERIFY(deep[0] > narrow.height() - 0.5);

    const auto &mid = feedback.curves().samples(1).ys;
    for (int x : {100, 300, 400, 550}) {
        const double f = 20.0 * std::pow(10.0, 3.0 * x / narrow.width());
        const double expected = narrow.height() + narrow.height() * referenceDb(ShapeNotch, 2000.0, -9.0, 4.0, f) / 10.0;
        QVERIFY2(std::fabs(mid[size_t(x)] - expected) < narrow.height() * tolerance(2000.0) / 10.0,
                 qPrintable(QString::number(x)));
    }
    // A filter not placed (gain 0) lies on the top edge: bound height everywhere.
    for (float y : feedback.curves().samples(2).ys)
        QCOMPARE(y, float(narrow.height()));
}





void TstGraphs::crossoverMath()
{
    const char *texts[] = {"BW 6", "BW 12", "BW 18", "BW 24", "BW 30", "BW 36",
                           "BW 42", "BW 48", "LR 12", "LR 24", "LR 36", "LR 48"};
    for (int i = 0; i < 12; ++i)
        QCOMPARE(int(crossoverTypeFromText(texts[i])), i);
    QCOMPARE(joined(int(crossoverTypeFromText("LR 96")), int(crossoverTypeFromText(""))), QStringLiteral("-1 -1"));

    // Butterworth of order n: 1 / sqrt(1 + r^2n); Linkwitz-Riley of order 2m: 1 / (1 + r^2m).
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
    CrossoverBand band{crossoverTypeFromText("LR 24"), 100.0f, crossoverTypeFromText("BW 48"), 20000.0f};
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

    const QRectF r(0, 0, 802, 300);
    QCOMPARE(crossoverXOfFrequency(16.0, 802.0), 0.0);
    QVERIFY(std::fabs(crossoverXOfFrequency(20000.0, 802.0) - 802.0) < 1e-9);
    QVERIFY(std::fabs(crossoverFrequencyAt(401.0, 802.0) - 16.0 * std::sqrt(1250.0)) < 1e-6);

    const CrossoverBand highPass{XoverLR24, 1000.0f, XoverFlat};
    CurveSamples s;
    computeCrossoverCurve(highPass, r, s);
    // x = 0, 4, ..., 800, then the closing point at the width.
    QCOMPARE(joined(s.xs.size(), s.xs[1], s.xs[200], s.xs.back(), s.ys.back()), QStringLiteral("202 4 800 802 0"));
    for (size_t i = 0; i + 1 < s.xs.size(); ++i) {
        const double level = crossoverResponse(highPass, crossoverFrequencyAt(s.xs[i], 802.0), 802.0, 300.0);
        QCOMPARE(s.ys[i], float(2.0 * 300.0 * (std::max(level, -60.0) + 60.0) / 80.0));
    }
    // Well above the corner the band is at 0 dB: three quarters of the item height.
    QVERIFY(std::fabs(s.ys[190] - 450.0f) < 0.5f);
    QCOMPARE(crossoverYOfLevel(-100.0, 300.0), 0.0);
    QCOMPARE(crossoverYOfLevel(30.0, 300.0), 600.0);

    CrossoverBandInfoProvider provider;
    TarnSettings::write(QLatin1String(tarn::keys::CurrentPOData), QString());
    QCOMPARE(provider.getBandName(0), QStringLiteral("Band"));
    const QString data = QStringLiteral(
        R"({"ClassName": "QuarraCrossover", "POName": "Crossover1", "type": null,
            "Attributes": {"NumBands": 2, "NumMainCabinets": 1, "NumSubCabinets": 1}})");
    TarnSettings::write(QLatin1String(tarn::keys::CurrentPOData), data);
    QStringList names;
    for (int band : {0, 1, 2, 7, -1})
        names << provider.getBandName(band);
    QCOMPARE(names, (QStringList{"High", "Low", "Sub", "Sub", "Band"}));
    TarnSettings::write(QLatin1String(tarn::keys::CurrentPOData), QStringLiteral("{\"Attributes\": "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable")));
    QCOMPARE(provider.getBandName(0), QStringLiteral("Band"));
}



void TstGraphs::curveDataAndOverlays()
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
    QCOMPARE(joined(first.size(), first[0].value(4.0f), first[1].keys()), QStringLiteral("2 4 (0, 1, 2)"));

    // A list a receiver keeps never changes under it; each publication carries the newest values.
    fill(0, 5, 10.0f);
    const CurveList second = curves.publish();
    fill(0, 5, 20.0f);
    const CurveList &third = curves.publish();
    QCOMPARE(joined(first[0].value(4.0f), second[0].value(4.0f), third[0].value(4.0f), third[1].value(2.0f)), QStringLiteral("4 14 24 102"));
    fill(1, 6, 0.0f);
    const CurveList fourth = curves.publish();
    QCOMPARE(joined(fourth[1].size(), fourth[1].lastKey(), fourth[0].value(4.0f)), QStringLiteral("6 5 24"));
    curves.resize(1);
    QCOMPARE(curves.publish().size(), 1);

    QPolygonF line;
    for (int x = 0; x < 500; ++x)
        line << QPointF(x, 100.0 + 0.25 * x);
    QCOMPARE(simplifyIncreasing(line, 0.05), (QPolygonF(QVector<QPointF>{QPointF(0, 100), QPointF(499, 224.75)})));

    // A parametric curve: every dropped point stays within the tolerance of what is kept.
    EqCurveModel model(ParametricMode);
    // The third band is clamped: it kinks.
    design(model, QRectF(0, 0, 1920, 360),
           {{4.0f, 0.0f, 15.0f, 300.0f, EqBell}, {0.0f, 9.0f, -8.0f, 4000.0f, EqHighShelf}, {12.0f, 0.0f, 30.0f, 90.0f, EqBell}});
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

    const auto &t = overlayFrequencies();
    QCOMPARE(joined(t[0], t[480]), QStringLiteral("20 20000"));
    // 160 steps per decade, rising: each step about 1/160 of a decade.
    for (size_t i = 1; i < t.size(); ++i)
        QVERIFY(t[i] > t[i - 1] && std::fabs(std::log10(t[i] / t[i - 1]) - 1.0 / 160.0) < 0.0035);

    QVector<float> levels;
    QString error;
    // Read, or refused with nothing kept: a word, NaN, too many characters, too many numbers.
    const std::pair<QString, const char *> texts[] = {{QStringLiteral(" 1  -2.5 3e1 "), "true QVector(1, -2.5, 30)"}, {QString(), "true QVector()"},
        {QStringLiteral("1 2 x 4"), "false QVector() non-number"}, {QStringLiteral("1 nan"), "false QVector() non-number"},
        {QString(kOverlayMaxChars + 1, QLatin1Char(' ')), "false QVector()"}, {QStringLiteral("1 ").repeated(kOverlayMaxNumbers + 1), "false QVector()"}};
    for (const auto &text : texts) {
        levels = {1.0f};
        error.clear();
        const bool read = parseOverlayLevels(text.first, &levels, &error);
        QCOMPARE(joined(read, levels, error.contains(QStringLiteral("non-number")) ? "non-number" : ""), QLatin1String(text.second));
    }

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
    QCOMPARE(joined(points.last().y(), points.at(100).y()), QStringLiteral("400 200"));

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


// Output levels (and, where given, gain changes) worked out by hand for each law.
void TstGraphs::dynamicsLawsAndGraph()
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
        {"make-up gain lifts, reduces nothing", makeUp, -40, -34, 0},
        {"make-up gain over the threshold", makeUp, 0, -9, -15},
        {"soft knee: starts", soft, -25, -25, kNaN},
        {"soft knee: a quarter in", soft, -22.5, -22.5 - 0.75 * 2.5 * 2.5 / 20, kNaN},
        {"soft knee: middle", soft, -20, -20 - 0.75 * 25 / 20, kNaN},
        {"soft knee: three quarters in", soft, -17.5, -17.5 - 0.75 * 7.5 * 7.5 / 20, kNaN},
        {"soft knee: ends on the line", soft, -15, -18.75, kNaN},
        {"soft knee: above", soft, -10, -17.5, kNaN},
        {"Inf:1 is a brick wall", compressor(-20, kInf), 0, -20, kNaN},
        {"top of the range is a brick wall", compressor(-20, kInfiniteRatio), 10, -20, kNaN},
        {"ratio 99", compressor(-20, 99), -1, -20 + 19.0 / 99, kNaN},
        {"ratio 1 leaves the level", compressor(-20, 1), 0, 0, kNaN},
        {"ratio under 1 leaves the level", compressor(-20, 0.5), 0, 0, kNaN},
        {"ratio 2", compressor(-20, 2), -10, -15, kNaN},
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
        {"AGC: cut to the window", level, -10, -18, -8},
        {"AGC: limit caps the window", capped, -10, -12, kNaN},
        {"AGC: limit caps raised levels", capped, -20, -14, kNaN},
        {"AGC: under the limit", capped, -30, -24, kNaN},
        {"unknown threshold", compressor(kNaN, 4), 0, kNaN, kNaN},
        {"unknown ratio", compressor(-20, kNaN), 0, kNaN, kNaN},
        {"unknown input", comp, kNaN, kNaN, kNaN},
        {"a gate's ratio of infinity is no setting", law(DynamicsLaw::Gate, -40, kInf, 0, 0, 40), -50, kNaN, kNaN},
    };
    for (const auto &r : rows) {
        const double out = dynamicsOutput(r.s, r.in);
        QVERIFY2(std::isnan(r.out) ? std::isnan(out) : std::abs(out - r.out) < 1e-9, qPrintable(QStringLiteral("%1: %2 gives %3, expected %4").arg(QLatin1String(r.what)).arg(r.in).arg(out, 0, 'g', 12).arg(r.out)));
        if (!std::isnan(r.change))
            QVERIFY2(std::abs(dynamicsGainChange(r.s, r.in) - r.change) < 1e-9, r.what);
    }
    const QVector<QPointF> curve = dynamicsCurve(comp, -80, 20, 101);
    QCOMPARE(joined(curve.size(), curve.first(), curve.at(80), curve.last()),
             QStringLiteral("101 QPointF(-80,-80) QPointF(0,-15) QPointF(20,-10)"));
    QVERIFY(dynamicsCurve(comp, -80, 20, 1).isEmpty());
    QVERIFY(dynamicsCurve(compressor(-20, kNaN), -80, 20, 50).isEmpty());
    QVERIFY(std::isnan(dynamicsGainChange(agc(-20, 4, kNaN, -50, -6), -30)));

    DynamicsLaw l = DynamicsLaw::Gate;
    QVERIFY(dynamicsLawFromName(QStringLiteral("AGC"), &l));
    QCOMPARE(l, DynamicsLaw::Agc);
    QVERIFY(dynamicsLawFromName(QStringLiteral("limiter"), &l));
    QVERIFY(!dynamicsLawFromName(QStringLiteral("Expander"), &l));
    QCOMPARE(l, DynamicsLaw::Limiter);
    QCOMPARE(joined(kneeWidthForOverEasy(5), kneeWidthForOverEasy(12), kneeWidthForOverEasy(kNaN)), QStringLiteral("10 20 0"));

    DynamicsTransferGraph item;
    item.setSize(QSizeF(460, 420));
    QSignalSpy changes(&item, &DynamicsTransferGraph::curveChanged);
    QVERIFY(!item.curveKnown());
    item.setLaw(QStringLiteral("Compressor"));
    item.setThreshold(-20);
    item.setRatio(4);
    item.setOverEasy(0);
    QVERIFY(!item.curveKnown()); // the make-up gain is still unknown
    item.setGain(0);
    QVERIFY(item.curveKnown());
    QCOMPARE(changes.count(), 1);

    // The plot is square and spans -80 .. +20 dB on both axes.
    const QRectF plot = item.plotRect();
    QCOMPARE(plot.width(), plot.height());
    QCOMPARE(item.toItem(-80, -80), plot.bottomLeft());
    QCOMPARE(item.toItem(20, 20), plot.topRight());

    QImage image = render(item);
    QCOMPARE(joined(curveNear(image, item.toItem(-50, -50)), curveNear(image, item.toItem(0, -15)), curveNear(image, item.toItem(0, 0))),
             QStringLiteral("true true false"));

    // A new threshold moves the curve: now -10, so at 0 dB in the output is -7.5.
    item.setThreshold(-10);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(item.outputAt(0), -7.5);
    image = render(item);
    QCOMPARE(joined(curveNear(image, item.toItem(0, -7.5)), curveNear(image, item.toItem(0, -15))), QStringLiteral("true false"));

    // Equal values change nothing; an unknown one takes the curve away.
    item.setThreshold(-10);
    QCOMPARE(changes.count(), 2);
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



void TstGraphs::initTestCase()
{
    qRegisterMetaType<QList<QMap<float, float> > >("QList<QMap<float,float> >&");
    qRegisterMetaType<QMap<QString, float> >("QMap<QString,float>&");
}

namespace {
// A plotting item of 800 x 400 bound to stand-in controls; the test plays the processor.
template <typename Item> struct Bound {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    Item item;

    explicit Bound(int bands, const QString &po = QStringLiteral("PEQOut1"))
    {
        item.setSize(QSizeF(800, 400));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(po);
        item.setBandCount(bands);
        item.setBandColors(kColours);
    }
    FakeNumericalSV *num(const QString &sv) const { return factory->num(sv); }
    FakeTextSV *txt(const QString &sv) const { return factory->txt(sv); }
    FakeNumericalSV *num(int band, const char *parameter) const { return num(QStringLiteral("Band_%1_%2").arg(band).arg(QLatin1String(parameter))); }
    FakeTextSV *type(int band) const { return txt(QStringLiteral("Band_%1_Type").arg(band)); }
    // The processor reports these values, texts and numbers, in order.
    void report(std::initializer_list<std::pair<const char *, QVariant>> values)
    {
        for (const auto &v : values) {
            if (v.second.type() == QVariant::String)
                txt(QLatin1String(v.first))->setValue(v.second.toString());
            else
                num(QLatin1String(v.first))->setValue(v.second.toFloat());
        }
    }
    // The processor reports a band; slope and type only where the item binds them.
    void confirm(int band, float frequency, float gain, float q, float slope = 0, const QString &typeText = QString())
    {
        num(band, "Frequency")->setValue(frequency);
        num(band, "Gain")->setValue(gain);
        num(band, "Q")->setValue(q);
        if (num(band, "Slope"))
            num(band, "Slope")->setValue(slope);
        if (type(band))
            type(band)->setValue(typeText);
    }
};

using PeqSetup = Bound<TarnPEQGraphItem>;

struct CrossoverSetup : Bound<CrossoverGraphItem> {
    CrossoverSetup(int bands, int ways, int subs) : Bound(bands, QStringLiteral("Crossover"))
    {
        item.setWaysCount(ways);
        item.setSubsCount(subs);
    }
};
} // namespace

void TstGraphs::parametricBindingsAndPoints()
{
    PeqSetup s(2);
    QVERIFY(!s.item.isReady());
    s.item.componentCompleted();
    QVERIFY(s.item.isReady());
    QCOMPARE(s.factory->order,
             (QStringList{"Band_1_Frequency", "Band_1_Gain", "Band_1_Q", "Band_1_Slope", "Band_1_Type",
                          "Band_2_Frequency", "Band_2_Gain", "Band_2_Q", "Band_2_Slope", "Band_2_Type"}));
    // Naming them subscribes them: not completed.
    for (const auto &c : qAsConst(s.factory->numeric))
        QCOMPARE(joined(c->entity, c->po, c->completed), QStringLiteral("AEQ NumSV PEQOut1 0"));
    QCOMPARE(s.type(1)->entity, QStringLiteral("AEQ TextSV"));
    QCOMPARE(s.item.plotter()->boundRectangle(), QRectF(0, 0, 800, 200));
    s.item.setHeight(300);
    QCOMPARE(s.item.plotter()->boundRectangle(), QRectF(0, 0, 800, 150));
    s.item.componentCompleted();
    QCOMPARE(joined(s.factory->order.size(), s.item.plotter()->controls().size()), QStringLiteral("10 10")); // bound once

    {
        PeqSetup unnamed(2, QString());
        QTest::ignoreMessage(QtWarningMsg, "PONAME EMPTY ABORTING NumSV Creation");
        unnamed.item.componentCompleted();
        QVERIFY(unnamed.factory->order.isEmpty());
        // The band table still exists, so the curves stay consistent: two flat bands and a sum.
        unnamed.item.plotter()->timerTick();
        QCOMPARE(unnamed.item.lastCurves().size(), 3);
        for (const CurveMap &m : unnamed.item.lastCurves())
            for (float y : m)
                QCOMPARE(y, 0.0f);
    }
    // A factory that offers no controls: logged, and the initial records are drawn.
    TarnPEQGraphItem item;
    item.plotter()->setBindingFactory(nullptr);
    item.setSize(QSizeF(400, 200));
    item.setPoName(QStringLiteral("PEQOut2"));
    item.setBandCount(1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no value controls available.*PEQOut2")));
    item.componentCompleted();
    item.plotter()->timerTick();
    QCOMPARE(joined(item.lastCurves().size(), item.plotter()->controlPoint(0)), QStringLiteral("2 QPoint(400,0)")); // 22 kHz, 0 dB

    PeqSetup dragged(2);
    dragged.item.componentCompleted();
    dragged.item.plotter()->timerTick();
    // Not heard from the processor yet (controls hold -1000): parked, no crash.
    QCOMPARE(dragged.item.plotter()->controlPoint(0).x(), 0);

    // Dragging point 0 to the middle of the width asks for about 663 Hz.
    dragged.item.setControlPoint(0, 400, 150);
    // Out-of-range points send nothing.
    dragged.item.setControlPoint(2, 10, 10);
    dragged.item.setControlPoint(-1, 10, 10);
    QVERIFY(std::fabs(dragged.num(1, "Frequency")->sent.value(0) - 663.3f) < 0.1f);
    QCOMPARE(joined(dragged.num(1, "Frequency")->sent.size(), dragged.num(1, "Gain")->sent, dragged.num(2, "Frequency")->sent), QStringLiteral("1 (5) ()"));
    // Nothing moves until the processor confirms.
    QCOMPARE(dragged.item.plotter()->band(0).frequency, 22000.0f);
    dragged.confirm(1, dragged.num(1, "Frequency")->sent.last(), 5.0f, 1.0f);
    QCOMPARE(joined(dragged.item.plotter()->band(0).gain, dragged.item.plotter()->controlPoint(0)), QStringLiteral("5 QPoint(399,50)"));

    // Points are announced when they change and while shown.
    QSignalSpy points(&dragged.item, &TarnPEQGraphItem::controlPointsChanged);
    render(dragged.item);
    QCOMPARE(joined(points.count(), dragged.item.controlPoints().size(), dragged.item.controlPoints().at(0).toPoint()), QStringLiteral("1 2 QPoint(399,50)"));
    render(dragged.item);
    dragged.item.setTouchPointsVisible(false);
    dragged.num(1, "Gain")->setValue(-5.0f);
    render(dragged.item);
    QCOMPARE(points.count(), 1);
    dragged.item.setTouchPointsVisible(true);
    render(dragged.item);
    QCOMPARE(joined(points.count(), dragged.item.controlPoints().at(0).toPoint()), QStringLiteral("2 QPoint(399,-50)"));
}


void TstGraphs::parametricValuesAndRendering()
{
    PeqSetup s(2);
    QSignalSpy curves(s.item.plotter(), &TarnPEQCurvePlotter::curvesChanged);
    QElapsedTimer clock;
    clock.start();
    s.item.componentCompleted();
    QVERIFY(s.item.plotter()->startDelayRunning());
    s.confirm(1, 1000.0f, 6.0f, 1.0f, 0.0f, QStringLiteral("Bell"));
    s.confirm(2, 100.0f, -4.0f, 0.0f, 6.0f, QStringLiteral("Low Shelf"));
    // The values are stored but nothing is computed before the first tick.
    QCOMPARE(joined(curves.count(), s.item.plotter()->curves().isEmpty(), s.item.lastCurves().size(), s.item.plotter()->band(0).gain),
             QStringLiteral("0 true 0 6"));
    QCOMPARE(s.item.plotter()->band(1).type, int(EqLowShelf));
    QTRY_COMPARE_WITH_TIMEOUT(curves.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 150, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!s.item.plotter()->startDelayRunning());

    const CurveList &list = s.item.lastCurves();
    QCOMPARE(joined(list.size(), list[0].size()), QStringLiteral("3 800"));
    const float x1k = std::round(float(peqaxis::xOfFrequency(QRectF(0, 0, 800, 200), 1000.0)));
    QVERIFY(std::fabs(list[0].value(x1k) - 200.0f * 6.0f / 20.0f) < 0.5f);
    QVERIFY(list[1].value(10.0f) < -30.0f); // the low shelf's -4 dB: -40 px

    // An equal value does nothing; a new one recomputes at once.
    s.num(1, "Gain")->setValue(6.0f);
    s.num(1, "Gain")->setValue(6.0f);
    QCOMPARE(curves.count(), 1);
    s.num(1, "Gain")->setValue(-3.0f);
    QCOMPARE(curves.count(), 2);
    QVERIFY(std::fabs(s.item.lastCurves()[0].value(x1k) + 30.0f) < 0.5f);
    QCOMPARE(s.item.lastCurves()[1], list[1]);

    // Type texts: the three names, anything else -1 (bell shape with Slope as width).
    s.type(2)->setValue(QStringLiteral("High Shelf"));
    QCOMPARE(s.item.plotter()->band(1).type, int(EqHighShelf));
    s.type(2)->setValue(QStringLiteral("Notch"));
    QCOMPARE(s.item.plotter()->band(1).type, int(EqOther));
    QCOMPARE(curves.count(), 4);

    PeqSetup drawn(2);
    drawn.item.componentCompleted();
    drawn.confirm(1, 1000.0f, 12.0f, 2.0f, 0.0f, QStringLiteral("Bell"));
    drawn.confirm(2, 500.0f, 0.0f, 1.0f, 0.0f, QStringLiteral("Bell"));
    QSignalSpy repainted(&drawn.item, &TarnPEQGraphItem::repainted);
    // Not ready with curves: nothing painted.
    QImage image = render(drawn.item);
    QCOMPARE(repainted.count(), 0);
    QCOMPARE(shades(image, {{447, 130}}), QStringLiteral("black"));

    drawn.item.plotter()->timerTick();
    image = render(drawn.item);
    QCOMPARE(repainted.count(), 1);
    // 1 kHz lies at x 447; +12 dB peaks at 200 - 120 = 80 px: band fill, above it, the white sum.
    QCOMPARE(shades(image, {{447, 130}, {447, 60}, {447, 80}, {10, 150}, {10, 250}}), QStringLiteral("red black white black black"));
    // The flat band is only its stroke on the centre line: no fill of its own (green).
    for (int x = 0; x < 800; x += 7) {
        for (int y = 0; y < 400; y += 3) {
            const QRgb c = image.pixel(x, y);
            QVERIFY2(qGreen(c) <= qRed(c) + 10 || std::abs(y - 200) <= 2, qPrintable(QStringLiteral("%1 %2 %3").arg(x).arg(y).arg(QColor(c).name())));
        }
    }

    // Overlays come negated: a room text of -6 at y 260, a target text of 3 at y 170.
    drawn.item.setRoomCurveString(QStringLiteral("-6 ").repeated(625));
    drawn.item.setTargetCurveString(QStringLiteral("3 ").repeated(625));
    // The room curve is hidden unless asked for; the target is gold.
    QCOMPARE(shades(render(drawn.item), {{100, 230}, {700, 170}}), QStringLiteral("black gold"));
    drawn.item.setShowRoomCurve(true);
    drawn.item.setFinalResultantVisible(true);
    // Room fill grey down to its level; the corrected curve green: 260 - 120 at 1 kHz.
    QCOMPARE(shades(render(drawn.item), {{100, 230}, {100, 275}, {447, 140}, {100, 260}}), QStringLiteral("grey black green green"));

    // Too few numbers, or text that is not numbers: not drawn, the rest is.
    drawn.item.setTargetCurveString(QStringLiteral("3 ").repeated(624));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("room curve not drawn")));
    drawn.item.setRoomCurveString(QStringLiteral("-6 ").repeated(624) + QStringLiteral("x"));
    QCOMPARE(shades(render(drawn.item), {{700, 170}, {100, 230}, {447, 130}}), QStringLiteral("black black red"));
}



void TstGraphs::crossoverItem()
{
    CrossoverSetup s(4, 3, 1);
    QSignalSpy curves(s.item.plotter(), &CrossoverCurvePlotter::curvesChanged);
    QElapsedTimer clock;
    clock.start();
    s.item.componentCompleted();
    // The band after the ways is the mono sub.
    QCOMPARE(joined(s.factory->order.size(), s.factory->order.at(12), s.factory->order.mid(18, 1)), QStringLiteral("24 Band_3_HPFrequency (MonoSub_HPFrequency)"));
    QCOMPARE(s.factory->order.mid(0, 6), (QStringList{"Band_1_HPFrequency", "Band_1_Gain", "Band_1_LPFrequency",
                                                      "Band_1_HPType", "Band_1_LPType", "Band_1_Polarity"}));
    for (const auto &c : qAsConst(s.factory->text))
        QCOMPARE(c->completed, 1);

    // A low-pass corner of 0 is "off".
    s.report({{"Band_1_HPFrequency", 100.0f}, {"Band_1_HPType", "LR 24"}, {"Band_1_LPFrequency", 0.0f}, {"Band_1_LPType", "BW 48"},
              {"Band_1_Gain", 25.0f}, {"MonoSub_HPFrequency", 0.0f}, {"MonoSub_Polarity", "Inverted"}});
    QCOMPARE(curves.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(curves.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 400, qPrintable(QString::number(clock.elapsed())));

    const CrossoverBand &b = s.item.plotter()->band(0);
    QCOMPARE(int(b.hpType), int(XoverLR24));
    // +25 dB stored as +20; the sub's corner of 0 as 16 Hz.
    QCOMPARE(joined(b.hpFrequency, b.lpFrequency, b.gain, s.item.plotter()->band(3).hpFrequency, s.item.plotter()->band(3).polarity),
             QStringLiteral("100 20000 20 16 Inverted"));
    QCOMPARE(s.item.lastCurves().size(), 4);

    // Back to 0 dB gain: at 100 Hz the LR 24 corner sits at about -4.8 plotted dB.
    s.num("Band_1_Gain")->setValue(0.0f);
    QCOMPARE(curves.count(), 2);
    const CurveMap &band1 = s.item.lastCurves()[0];
    const double x100 = crossoverXOfFrequency(100.0, 800.0);
    const float key = float(std::floor(x100 / 4.0) * 4.0);
    const double level = crossoverResponse(b, crossoverFrequencyAt(key, 800.0), 800.0, 200.0);
    QCOMPARE(band1.value(key), float(crossoverYOfLevel(level, 200.0)));
    QCOMPARE(joined(band1.lastKey(), band1.last()), QStringLiteral("800 0"));

    // Type texts outside the table draw that side flat; polarity does not touch the curve.
    const CurveMap before = s.item.lastCurves()[3];
    s.txt("MonoSub_Polarity")->setValue(QStringLiteral("Normal"));
    QCOMPARE(s.item.lastCurves()[3], before);
    s.txt("Band_1_HPType")->setValue(QStringLiteral("Off"));
    QCOMPARE(int(s.item.plotter()->band(0).hpType), int(XoverFlat));

    // The untouched bands still show their initial records: strongly attenuated.
    for (float y : s.item.lastCurves()[1])
        QVERIFY(y < 2.0f * 200.0f * (-30.0f + 60.0f) / 80.0f);

    // More bands than ways plus one sub: the extra band cannot bind the sub a second time.
    CrossoverSetup extra(5, 3, 1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("band 5 has no state variables")));
    extra.item.componentCompleted();
    extra.num("MonoSub_Gain")->setValue(-6.0f);
    QCOMPARE(joined(extra.factory->order.size(), extra.factory->numeric.size() + extra.factory->text.size(), extra.item.plotter()->band(3).gain,
                    extra.item.plotter()->band(4).gain), QStringLiteral("24 24 -6 0"));

    CrossoverSetup two(2, 2, 0);
    two.item.componentCompleted();
    QCOMPARE(two.factory->order.at(6), QStringLiteral("Band_2_HPFrequency"));
    two.report({{"Band_1_HPFrequency", 1000.0f}, {"Band_1_HPType", "LR 24"}, {"Band_1_LPFrequency", 20000.0f}, {"Band_1_LPType", "BW 48"},
              {"Band_1_Gain", 0.0f}, {"Band_2_HPFrequency", 0.0f}, {"Band_2_HPType", "None"}, {"Band_2_LPFrequency", 1000.0f},
              {"Band_2_LPType", "LR 24"}, {"Band_2_Gain", -12.0f}});
    QSignalSpy repainted(&two.item, &CrossoverGraphItem::repainted);
    two.item.plotter()->timerTick();
    const QImage image = render(two.item);
    QCOMPARE(repainted.count(), 1);
    // 5 kHz (x 644): band 1 at 0 dB, filled red below; 100 Hz (x 205): the last curve takes the third colour.
    QCOMPARE(shades(image, {{644, 150}, {644, 80}, {205, 250}, {205, 140}}), QStringLiteral("red black blue black"));
    QCOMPARE(firstGreen(image, 5, 0), QString());
}



namespace {
struct GeqSetup {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    TarnGEQGraphItem item;

    GeqSetup()
    {
        item.setSize(QSizeF(620, 400));
        item.bands()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("GEQ1"));
        item.componentCompleted();
    }
    FakeNumericalSV *band(const QString &name) const { return factory->num(name); }
    // Every value sent, band by band: "63 Hz 5 0; 80 Hz -3".
    QString sent() const
    {
        QStringList all;
        for (const QString &name : geqBandNames()) {
            QStringList values{name};
            for (float v : band(name)->sent)
                values << QString::number(v);
            if (values.size() > 1)
                all << values.join(QLatin1Char(' '));
        }
        return all.join(QStringLiteral("; "));
    }
};
} // namespace

void TstGraphs::graphicEqItem()
{
    const QStringList &names = geqBandNames();
    QCOMPARE(names.size(), 31);
    QCOMPARE(names.at(17), QStringLiteral("1.0 kHz"));
    const QRectF rules(0, 0, 640, 240);
    QCOMPARE(geqControlPoint(rules, 30, -12.0), QPoint(600, -240));
    double gain = 0;
    QVERIFY(!geqGainAt(QRectF(0, 0, 640, 0), 0, &gain));
    // Draw mode: a stroke ending exactly on the last column, or starting inside the first.
    QCOMPARE(geqBandUnder(620.0, 19.9), 0);
    QCOMPARE(geqStrokeBands(620.0, 590, 700), std::vector<int>{30});
    QCOMPARE(geqStrokeBands(620.0, 101, 125), std::vector<int>{6});
    QCOMPARE(geqBarRect(620.0, 400.0, 30, -12.0), QRectF(603, 202, 13, 200));

    GeqSetup s;
    QSignalSpy repainted(&s.item, &TarnGEQGraphItem::repainted);
    render(s.item);
    QCOMPARE(repainted.count(), 0); // no value yet: nothing to draw
    QCOMPARE(s.factory->order, geqBandNames());
    for (const auto &c : qAsConst(s.factory->numeric))
        QCOMPARE(joined(c->po, c->completed), QStringLiteral("GEQ1 1"));
    QCOMPARE(s.item.bands()->boundRectangle(), QRectF(0, 0, 620, 200));

    QSignalSpy curves(s.item.bands(), &TarnGEQBands::curvesChanged);
    s.band(QStringLiteral("1.0 kHz"))->setValue(3.0f);
    QCOMPARE(curves.count(), 1);
    QCOMPARE(s.item.gains().value(QStringLiteral("1.0 kHz")), 3.0f);
    QCOMPARE(s.item.bands()->controlPoint(17), QPoint(329, 50));
    QCOMPARE(s.item.bands()->controlPoint(0), QPoint(0, 0)); // no value yet: 0 dB

    // Point 30 dragged to the top sends +12 dB for "20.0 kHz", and nothing else.
    s.item.setControlPoint(30, 600, 0);
    s.item.setControlPoint(3, 100, 150);
    s.item.setControlPoint(31, 100, 150);
    QCOMPARE(s.sent(), QStringLiteral("40 Hz 3; 20.0 kHz 12"));

    QSignalSpy points(&s.item, &TarnGEQGraphItem::controlPointsChanged);
    render(s.item);
    QCOMPARE(repainted.count(), 1);
    QCOMPARE(joined(points.count(), s.item.controlPoints().size(), s.item.controlPoints().at(17).toPoint()), QStringLiteral("1 31 QPoint(329,50)"));

    s.band(QStringLiteral("20 Hz"))->setValue(6.0f);
    s.band(QStringLiteral("63 Hz"))->setValue(-6.0f);
    s.band(QStringLiteral("200 Hz"))->setValue(0.0f);
    const QImage image = render(s.item);
    QCOMPARE(repainted.count(), 2);
    // +6 dB: x 3 .. 15, rows 102 .. 201; -6 dB hangs below.
    QCOMPARE(shades(image, {{9, 150}, {9, 101}, {9, 201}, {2, 150}, {16, 150}}, true), QStringLiteral("#ff1900 black #ff1900 black black"));
    QCOMPARE(shades(image, {{109, 250}, {109, 190}}, true), QStringLiteral("#ff3c00 black"));
    // 0 dB, or no value yet: a bar of two rows just below the centre line, in the band's colour.
    QCOMPARE(shades(image, {{209, 201}, {209, 202}, {209, 203}, {209, 204}, {409, 202}, {609, 203}, {609, 204}}, true),
             QStringLiteral("black #ff5f00 #ff5f00 black #ffa500 #ffeb00 black"));

    GeqSetup drawn;
    // Columns of 20 px, 20 px per dB from y 200. A jump sets the bands in between, either way; the first
    // column reaches the first band; beyond the last nothing is set.
    const struct {
        int from, to, y, lastBand;
    } strokes[] = {{0, 105, 100, 5}, {101, 165, 260, 8}, {165, 101, 200, 5}, {0, 3, 180, 0}, {0, 640, 180, 0}};
    for (const auto &stroke : strokes) {
        drawn.item.reDrawBands(stroke.from, stroke.to, stroke.y);
        QCOMPARE(drawn.item.lastDrawnBand(), stroke.lastBand);
    }
    QVERIFY(drawn.item.drawn());
    QCOMPARE(drawn.sent(), QStringLiteral("20 Hz 1; 63 Hz 5 0; 80 Hz -3 0; 100 Hz -3 0; 125 Hz -3"));
    // "20 Hz" at +1 dB, 16 px tall; "125 Hz" at -3 dB hangs below; "63 Hz" drawn back to 0 dB.
    QCOMPARE(shades(render(drawn.item), {{9, 190}, {9, 180}, {169, 230}, {169, 251}, {169, 252}, {109, 203}, {109, 204}}, true),
             QStringLiteral("#ff1900 black #ff5100 #ff5100 black #ff3c00 black"));
}


void TstGraphs::feedbackPlotterAndRendering()
{
    Bound<TarnAFSGraphItem> s(3, QStringLiteral("AFS"));
    QSignalSpy curves(s.item.plotter(), &TarnAFSCurvePlotter::curvesChanged);
    QElapsedTimer clock;
    clock.start();
    s.item.componentCompleted();
    QCOMPARE(s.factory->order.size(), 9);
    QCOMPARE(s.factory->order.mid(0, 4), (QStringList{"Band_1_Frequency", "Band_1_Gain", "Band_1_Q", "Band_2_Frequency"}));
    for (const auto &c : qAsConst(s.factory->numeric))
        QCOMPARE(c->completed, 1);
    QCOMPARE(joined(s.item.plotter()->band(1).q, s.item.plotter()->band(1).frequency), QStringLiteral("1 22000"));
    s.confirm(1, 1000.0f, -30.0f, 8.0f);
    QCOMPARE(curves.count(), 0);
    QVERIFY(s.item.plotter()->curves().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(curves.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 150, qPrintable(QString::number(clock.elapsed())));

    const CurveList &list = s.item.lastCurves();
    QCOMPARE(list.size(), 4);
    QVERIFY(list[3].isEmpty());
    // -30 dB is clamped at -20: the bound height minus twice itself.
    QCOMPARE(*std::min_element(list[0].begin(), list[0].end()), -200.0f);
    s.num(1, "Q")->setValue(8.0f);
    s.item.plotter()->onSVChanged(3.0f);
    QCOMPARE(curves.count(), 1);
    s.num(2, "Gain")->setValue(-3.0f);
    QCOMPARE(curves.count(), 2);
    QVERIFY(*std::min_element(s.item.lastCurves()[1].begin(), s.item.lastCurves()[1].end()) < 200.0f);

    s.num(2, "Gain")->setValue(0.0f);
    s.confirm(3, 5000.0f, -6.0f, 2.0f);
    s.item.plotter()->timerTick();
    QSignalSpy repainted(&s.item, &TarnAFSGraphItem::repainted);
    const QImage image = render(s.item);
    QCOMPARE(repainted.count(), 1);
    // 1 kHz (x 453): the clamped notch reaches the bottom edge; 5 kHz (x 640): -6 dB hangs 120 px.
    QCOMPARE(shades(image, {{453, 396}, {430, 396}, {640, 60}, {640, 140}}), QStringLiteral("red black blue black"));
    // The filter not placed covers nothing below the top edge.
    QCOMPARE(firstGreen(image, 3, 2), QString());
}

void TstGraphs::repaintsAreCoalesced()
{
    QQuickWindow window;
    window.resize(800, 400);
    PeqSetup peq(1);
    peq.item.setParentItem(window.contentItem());
    GeqSetup geq;
    geq.item.setParentItem(window.contentItem());
    QSignalSpy frames(&window, &QQuickWindow::frameSwapped);
    window.show();
    peq.item.componentCompleted();
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= 1, 5000);
    QSignalSpy peqPainted(&peq.item, &TarnPEQGraphItem::repainted);
    QSignalSpy geqPainted(&geq.item, &TarnGEQGraphItem::repainted);

    // The parametric item repaints at the earliest one interval after the first new curves.
    QElapsedTimer clock;
    clock.start();
    peq.item.plotter()->timerTick();
    QTRY_COMPARE_WITH_TIMEOUT(peqPainted.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 80, qPrintable(QString::number(clock.elapsed())));

    // Forty changes 10 ms apart: a handful of repaints, not forty.
    peqPainted.clear();
    int step = 0;
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        ++step;
        peq.num(1, "Gain")->setValue(float(step % 12));
        peq.num(1, "Q")->setValue(1.0f);
        geq.band(QStringLiteral("1.0 kHz"))->setValue(float(step % 12) - 6.0f);
        if (step == 40)
            driver.stop();
    });
    clock.restart();
    driver.start();
    QTRY_VERIFY_WITH_TIMEOUT(!driver.isActive(), 10000);
    const qint64 span = clock.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(peqPainted.count() >= 1 && geqPainted.count() >= 1, 5000);
    // At most one repaint per 100 ms started, plus the one that follows the last change.
    QVERIFY2(peqPainted.count() <= span / 100 + 2,
             qPrintable(QStringLiteral("%1 repaints in %2 ms").arg(peqPainted.count()).arg(span)));
    QVERIFY2(geqPainted.count() <= 4, qPrintable(QString::number(geqPainted.count())));
}

TARN_TEST_MAIN(TstGraphs, QGuiApplication)
#include "tst_graphs.moc"
