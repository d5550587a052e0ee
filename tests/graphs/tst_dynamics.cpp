// Guards against transfer curves of the dynamics blocks that bend at the wrong level or by the
// wrong amount, and a graph that draws a curve the bound values do not describe.
#include "dynamicscurve.h"
#include "dynamicstransfergraph.h"
#include "testenv.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace tarn::graphs;

namespace {
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

QImage render(DynamicsTransferGraph &item)
{
    QImage image(int(item.width()), int(item.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    item.paint(&painter);
    return image;
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

class TstDynamics : public QObject {
    Q_OBJECT
private slots:
    void transferPoints();
    void softKneeSlopes();
    void unknownSettingsAndNames();
    void graphDrawsAndFollowsValues();
};

// Output levels (and, where given, gain changes) worked out by hand for each law.
void TstDynamics::transferPoints()
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

void TstDynamics::softKneeSlopes()
{
    // The slope is continuous at both ends of the knee: 1 below, 1/4 above.
    const DynamicsSettings s = compressor(-20, 4, 10);
    const double h = 1e-6;
    const auto slope = [&](double x) { return (dynamicsOutput(s, x + h) - dynamicsOutput(s, x - h)) / (2 * h); };
    QVERIFY(std::abs(slope(-25) - 1.0) < 1e-4);
    QVERIFY(std::abs(slope(-15) - 0.25) < 1e-4);
    QVERIFY(std::abs(slope(-20) - 0.625) < 1e-4);
}

void TstDynamics::unknownSettingsAndNames()
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

void TstDynamics::graphDrawsAndFollowsValues()
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

TARN_TEST_MAIN(TstDynamics, QGuiApplication)
#include "tst_dynamics.moc"
