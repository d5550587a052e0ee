// Transfer curves of the dynamics blocks against points worked out by hand, and the graph
// item that draws them from bound values.
#include "dynamicscurve.h"
#include "dynamicstransfergraph.h"
#include "testenv.h"

#include <QGuiApplication>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace tarn::graphs;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

DynamicsSettings compressor(double threshold, double ratio, double knee = 0, double gain = 0)
{
    DynamicsSettings s;
    s.law = DynamicsLaw::Compressor;
    s.threshold = threshold;
    s.ratio = ratio;
    s.knee = knee;
    s.gain = gain;
    return s;
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

#define NEAR(actual, expected)                                                                     \
    do {                                                                                           \
        const double a_ = (actual);                                                                \
        const double e_ = (expected);                                                              \
        QVERIFY2(std::abs(a_ - e_) < 1e-9,                                                         \
                 qPrintable(QStringLiteral("%1 is %2, expected %3").arg(QStringLiteral(#actual)).arg(a_, 0, 'g', 12).arg(e_))); \
    } while (false)

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
    void compressorHardKnee();
    void compressorSoftKnee();
    void compressorRatioEdges();
    void limiter();
    void gate();
    void automaticGainControl();
    void unknownSettings();
    void lawNamesAndKnee();
    void sampledCurve();
    void graphDrawsAndFollowsValues();
    void graphFromQml();
};

void TstDynamics::compressorHardKnee()
{
    const DynamicsSettings s = compressor(-20, 4);
    NEAR(dynamicsOutput(s, -40), -40);       // below the threshold: untouched
    NEAR(dynamicsOutput(s, -20), -20);       // at it
    NEAR(dynamicsOutput(s, 0), -15);         // 20 dB over, a quarter of it left
    NEAR(dynamicsOutput(s, 20), -10);
    NEAR(dynamicsGainChange(s, 0), -15);

    // Make-up gain lifts the whole curve but is no gain reduction.
    const DynamicsSettings g = compressor(-20, 4, 0, 6);
    NEAR(dynamicsOutput(g, -40), -34);
    NEAR(dynamicsOutput(g, 0), -9);
    NEAR(dynamicsGainChange(g, 0), -15);
    NEAR(dynamicsGainChange(g, -40), 0);
}

void TstDynamics::compressorSoftKnee()
{
    // Knee 10 dB around -20: from -25 to -15.
    const DynamicsSettings s = compressor(-20, 4, 10);
    NEAR(dynamicsOutput(s, -30), -30);
    NEAR(dynamicsOutput(s, -25), -25);                 // knee starts: (0)^2
    NEAR(dynamicsOutput(s, -20), -20 - 0.75 * 25 / 20); // -20.9375
    NEAR(dynamicsOutput(s, -15), -18.75);              // knee ends on the straight part
    NEAR(dynamicsOutput(s, -10), -17.5);
    // Slope is continuous at both ends of the knee: 1 below, 1/4 above.
    const double h = 1e-6;
    const auto slope = [&](double x) { return (dynamicsOutput(s, x + h) - dynamicsOutput(s, x - h)) / (2 * h); };
    QVERIFY(std::abs(slope(-25) - 1.0) < 1e-4);
    QVERIFY(std::abs(slope(-15) - 0.25) < 1e-4);
    QVERIFY(std::abs(slope(-20) - 0.625) < 1e-4);
}

void TstDynamics::compressorRatioEdges()
{
    // "Inf:1" arrives as infinity; the top of the range is a brick wall too.
    NEAR(dynamicsOutput(compressor(-20, kInf), 0), -20);
    NEAR(dynamicsOutput(compressor(-20, kInfiniteRatio), 10), -20);
    NEAR(dynamicsOutput(compressor(-20, 99), -1), -20 + 19.0 / 99);
    // A ratio of 1 or below leaves the level alone.
    NEAR(dynamicsOutput(compressor(-20, 1), 0), 0);
    NEAR(dynamicsOutput(compressor(-20, 0.5), 0), 0);
    NEAR(dynamicsOutput(compressor(-20, 2), -10), -15);
}

void TstDynamics::limiter()
{
    DynamicsSettings s;
    s.law = DynamicsLaw::Limiter;
    s.threshold = 10;
    s.knee = 0;
    s.ratio = kNaN; // a limiter reads no ratio
    NEAR(dynamicsOutput(s, 0), 0);
    NEAR(dynamicsOutput(s, 10), 10);
    NEAR(dynamicsOutput(s, 18), 10);
    NEAR(dynamicsGainChange(s, 18), -8);
    s.threshold = -6;
    s.knee = 4; // -8 .. -4
    NEAR(dynamicsOutput(s, -8), -8);
    NEAR(dynamicsOutput(s, -6), -6 - 4.0 / 8); // x - (2)^2 / 8
    NEAR(dynamicsOutput(s, -4), -6);
    NEAR(dynamicsOutput(s, 0), -6);
}

void TstDynamics::gate()
{
    DynamicsSettings s;
    s.law = DynamicsLaw::Gate;
    s.threshold = -60;
    s.ratio = 2;
    s.range = 40;
    NEAR(dynamicsOutput(s, -50), -50);
    NEAR(dynamicsOutput(s, -60), -60);
    NEAR(dynamicsOutput(s, -70), -80);   // 10 dB under, expanded 1:2
    NEAR(dynamicsOutput(s, -100), -140); // 40 dB under reaches the largest attenuation ...
    NEAR(dynamicsOutput(s, -120), -160); // ... which then holds
    NEAR(dynamicsGainChange(s, -120), -40);
    s.range = 0;
    NEAR(dynamicsOutput(s, -90), -90);
    s.range = 80;
    s.ratio = 20;
    NEAR(dynamicsOutput(s, -62), -100);
    NEAR(dynamicsOutput(s, -70), -150);
}

void TstDynamics::automaticGainControl()
{
    // Window -22 .. -18, up to 6 dB of gain, nothing below -50, limit at -6.
    const DynamicsSettings s = agc(-20, 4, 6, -50, -6);
    NEAR(dynamicsOutput(s, -60), -60);   // taken for noise
    NEAR(dynamicsOutput(s, -50), -44);   // raised by the full 6 dB
    NEAR(dynamicsOutput(s, -40), -34);
    NEAR(dynamicsOutput(s, -25), -22);   // raised to the bottom of the window
    NEAR(dynamicsOutput(s, -21), -21);   // inside the window: alone
    NEAR(dynamicsOutput(s, -18), -18);
    NEAR(dynamicsOutput(s, -10), -18);   // cut to the top of the window
    NEAR(dynamicsGainChange(s, -10), -8);
    NEAR(dynamicsGainChange(s, -40), 6);
    // The limit caps what the window lets through.
    const DynamicsSettings low = agc(-10, 6, 6, -50, -12);
    NEAR(dynamicsOutput(low, -10), -12);
    NEAR(dynamicsOutput(low, -20), -14);
    NEAR(dynamicsOutput(low, -30), -24);
}

void TstDynamics::unknownSettings()
{
    QVERIFY(std::isnan(dynamicsOutput(compressor(kNaN, 4), 0)));
    QVERIFY(std::isnan(dynamicsOutput(compressor(-20, kNaN), 0)));
    QVERIFY(std::isnan(dynamicsOutput(compressor(-20, 4), kNaN)));
    QVERIFY(std::isnan(dynamicsGainChange(agc(-20, 4, kNaN, -50, -6), -30)));
    QVERIFY(dynamicsCurve(compressor(-20, kNaN), -80, 20, 50).isEmpty());
    // A gate's ratio of infinity is no setting the processor has.
    DynamicsSettings g;
    g.law = DynamicsLaw::Gate;
    g.threshold = -40;
    g.ratio = kInf;
    g.range = 40;
    QVERIFY(std::isnan(dynamicsOutput(g, -50)));
}

void TstDynamics::lawNamesAndKnee()
{
    DynamicsLaw law = DynamicsLaw::Gate;
    QVERIFY(dynamicsLawFromName(QStringLiteral("AGC"), &law));
    QCOMPARE(law, DynamicsLaw::Agc);
    QVERIFY(dynamicsLawFromName(QStringLiteral("limiter"), &law));
    QCOMPARE(law, DynamicsLaw::Limiter);
    QVERIFY(!dynamicsLawFromName(QStringLiteral("Expander"), &law));
    QCOMPARE(law, DynamicsLaw::Limiter);
    QCOMPARE(kneeWidthForOverEasy(0), 0.0);
    QCOMPARE(kneeWidthForOverEasy(5), 10.0);
    QCOMPARE(kneeWidthForOverEasy(12), 20.0);
    QCOMPARE(kneeWidthForOverEasy(kNaN), 0.0);
}

void TstDynamics::sampledCurve()
{
    const QVector<QPointF> curve = dynamicsCurve(compressor(-20, 4), -80, 20, 101);
    QCOMPARE(curve.size(), 101);
    QCOMPARE(curve.first(), QPointF(-80, -80));
    QCOMPARE(curve.last(), QPointF(20, -10));
    QCOMPARE(curve.at(80), QPointF(0, -15));
    QVERIFY(dynamicsCurve(compressor(-20, 4), -80, 20, 1).isEmpty());
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

void TstDynamics::graphFromQml()
{
    qmlRegisterType<DynamicsTransferGraph>("DynamicsTransferGraph", 1, 0, "DynamicsTransferGraph");
    QQmlEngine engine;
    QStringList warnings;
    connect(&engine, &QQmlEngine::warnings, this, [&](const QList<QQmlError> &list) {
        for (const QQmlError &e : list)
            warnings << e.toString();
    });
    QQmlComponent component(&engine);
    component.setData(R"(
import QtQuick 2.15
import DynamicsTransferGraph 1.0
Item {
    width: 500; height: 400
    property real target: -20
    property alias graph: g
    DynamicsTransferGraph {
        id: g
        anchors.fill: parent
        law: "AGC"
        target: parent.target
        window: 4
        maxGain: 6
        lowThreshold: -50
        limThreshold: -6
        signalLevel: -40
    }
}
)",
                      QUrl(QStringLiteral("qrc:/dynamics-test.qml")));
    std::unique_ptr<QObject> root(component.create());
    QVERIFY2(root, qPrintable(component.errorString()));
    auto *graph = qvariant_cast<DynamicsTransferGraph *>(root->property("graph"));
    QVERIFY(graph);
    QVERIFY(graph->curveKnown());
    QCOMPARE(graph->outputAt(-40), -34.0);
    QCOMPARE(graph->gainChangeAt(-10), -8.0);
    root->setProperty("target", -30);
    QCOMPARE(graph->outputAt(-10), -28.0);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

TARN_TEST_MAIN(TstDynamics, QGuiApplication)
#include "tst_dynamics.moc"
