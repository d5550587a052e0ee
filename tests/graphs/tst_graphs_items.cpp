// Guards against graphs bound to the wrong variables, curves or points that move before the
// processor confirms, repaint storms, and wrong pixels in every painted graph.
#include "crossoverbandinfoprovider.h"
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "crossovermath.h"
#include "eqcurvemodel.h"
#include "fakecontrols.h"
#include "geqmath.h"
#include "graphpainter.h"
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

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace tarn::graphs;
using tarn::test::render;

namespace {
QString rgb(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

bool isBlack(QRgb c)
{
    return qRed(c) < 12 && qGreen(c) < 12 && qBlue(c) < 12;
}

QString levels(int count, const QString &value)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << value;
    return list.join(QLatin1Char(' '));
}

const QVariant kColours = QVariantList{QStringLiteral("#ff0000"), QStringLiteral("#00ff00"), QStringLiteral("#0000ff")};

#define PIXEL_IS(image, x, y, condition)                                                           \
    do {                                                                                           \
        const QRgb c = (image).pixel((x), (y));                                                    \
        QVERIFY2(condition, qPrintable(QStringLiteral("pixel (%1, %2) is %3").arg(x).arg(y).arg(rgb(c)))); \
    } while (false)
} // namespace

class TstGraphsItems : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void parametricBindings();
    void parametricWithoutBindings();
    void parametricStartDelayAndValues();
    void parametricControlPoints();
    void parametricRendering();
    void crossoverBindingsAndValues();
    void crossoverRendering();
    void crossoverBandNames();
    void graphicEqBands();
    void graphicEqDrawMode();
    void graphicEqRendering();
    void feedbackPlotter();
    void feedbackRendering();
    void repaintsAreCoalesced();
};

void TstGraphsItems::initTestCase()
{
    // For QSignalSpy on the curve signals.
    qRegisterMetaType<QList<QMap<float, float> > >("QList<QMap<float,float> >&");
    qRegisterMetaType<QMap<QString, float> >("QMap<QString,float>&");
}

namespace {
struct PeqSetup {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    TarnPEQGraphItem item;

    explicit PeqSetup(int bands, const QString &po = QStringLiteral("PEQOut1"))
    {
        item.setSize(QSizeF(800, 400));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(po);
        item.setBandCount(bands);
        item.setBandColors(kColours);
    }
    FakeNumericalSV *num(int band, const char *parameter) const
    {
        return factory->num(QStringLiteral("Band_%1_%2").arg(band).arg(QLatin1String(parameter)));
    }
    FakeTextSV *type(int band) const { return factory->txt(QStringLiteral("Band_%1_Type").arg(band)); }
    void confirm(int band, float frequency, float gain, float q, float slope, const QString &typeText)
    {
        num(band, "Frequency")->setValue(frequency);
        num(band, "Gain")->setValue(gain);
        num(band, "Q")->setValue(q);
        num(band, "Slope")->setValue(slope);
        type(band)->setValue(typeText);
    }
};
} // namespace

void TstGraphsItems::parametricBindings()
{
    PeqSetup s(2);
    QVERIFY(!s.item.isReady());
    s.item.componentCompleted();
    QVERIFY(s.item.isReady());
    QCOMPARE(s.factory->order,
             (QStringList{"Band_1_Frequency", "Band_1_Gain", "Band_1_Q", "Band_1_Slope", "Band_1_Type",
                          "Band_2_Frequency", "Band_2_Gain", "Band_2_Q", "Band_2_Slope", "Band_2_Type"}));
    for (const auto &c : qAsConst(s.factory->numeric)) {
        QCOMPARE(c->entityName(), QStringLiteral("AEQ NumSV"));
        QCOMPARE(c->poName(), QStringLiteral("PEQOut1"));
        QCOMPARE(c->completed, 0); // naming them subscribes them
    }
    QCOMPARE(s.type(1)->entityName(), QStringLiteral("AEQ TextSV"));
    QCOMPARE(s.item.plotter()->boundRectangle(), QRectF(0, 0, 800, 200));
    // Resizing follows once ready.
    s.item.setHeight(300);
    QCOMPARE(s.item.plotter()->boundRectangle(), QRectF(0, 0, 800, 150));
    // Bindings are made once.
    s.item.componentCompleted();
    QCOMPARE(s.factory->order.size(), 10);
    QCOMPARE(s.item.plotter()->controls().size(), 10);
}

void TstGraphsItems::parametricWithoutBindings()
{
    {
        PeqSetup s(2, QString());
        QTest::ignoreMessage(QtWarningMsg, "PONAME EMPTY ABORTING NumSV Creation");
        s.item.componentCompleted();
        QVERIFY(s.factory->order.isEmpty());
        // The band table still exists, so the curves stay consistent: two flat bands and a sum.
        s.item.plotter()->timerTick();
        QCOMPARE(s.item.lastCurves().size(), 3);
        for (const CurveMap &m : s.item.lastCurves())
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
    QCOMPARE(item.lastCurves().size(), 2);
    QCOMPARE(item.plotter()->controlPoint(0), QPoint(400, 0)); // the record's 22 kHz, 0 dB
}

void TstGraphsItems::parametricStartDelayAndValues()
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
    QCOMPARE(curves.count(), 0);
    QVERIFY(s.item.plotter()->curves().isEmpty());
    QVERIFY(s.item.lastCurves().isEmpty());
    QCOMPARE(s.item.plotter()->band(0).gain, 6.0f);
    QCOMPARE(s.item.plotter()->band(1).type, int(EqLowShelf));
    QTRY_COMPARE_WITH_TIMEOUT(curves.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 150, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!s.item.plotter()->startDelayRunning());

    const CurveList &list = s.item.lastCurves();
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].size(), 800);
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
    // A band whose gain goes to 0 is flat whatever its type.
    s.num(2, "Gain")->setValue(0.0f);
    for (float y : s.item.lastCurves()[1])
        QCOMPARE(y, 0.0f);
}

void TstGraphsItems::parametricControlPoints()
{
    PeqSetup s(2);
    s.item.componentCompleted();
    s.item.plotter()->timerTick();
    // Not heard from the processor yet (controls hold -1000): parked, no crash.
    QCOMPARE(s.item.plotter()->controlPoint(0).x(), 0);

    // Dragging point 0 to the middle of the width asks for about 663 Hz.
    s.item.setControlPoint(0, 400, 150);
    QCOMPARE(s.num(1, "Frequency")->sent.size(), 1);
    QVERIFY(std::fabs(s.num(1, "Frequency")->sent.last() - 663.3f) < 0.1f);
    QCOMPARE(s.num(1, "Gain")->sent.last(), 5.0f);
    QVERIFY(s.num(2, "Frequency")->sent.isEmpty());
    // Nothing moves until the processor confirms.
    QCOMPARE(s.item.plotter()->band(0).frequency, 22000.0f);
    s.num(1, "Frequency")->setValue(s.num(1, "Frequency")->sent.last());
    s.num(1, "Gain")->setValue(5.0f);
    s.num(1, "Q")->setValue(1.0f);
    QCOMPARE(s.item.plotter()->band(0).gain, 5.0f);
    QCOMPARE(s.item.plotter()->controlPoint(0), QPoint(399, 50));

    QSignalSpy points(&s.item, &TarnPEQGraphItem::controlPointsChanged);
    render(s.item);
    QCOMPARE(points.count(), 1);
    QCOMPARE(s.item.controlPoints().size(), 2);
    QCOMPARE(s.item.controlPoints().at(0).toPoint(), QPoint(399, 50));
    render(s.item);
    QCOMPARE(points.count(), 1); // unchanged points are not announced again
    s.item.setTouchPointsVisible(false);
    s.num(1, "Gain")->setValue(-5.0f);
    render(s.item);
    QCOMPARE(points.count(), 1);
    s.item.setTouchPointsVisible(true);
    render(s.item);
    QCOMPARE(points.count(), 2);
    QCOMPARE(s.item.controlPoints().at(0).toPoint(), QPoint(399, -50));

    // Out-of-range points and an empty graph send nothing.
    s.item.setControlPoint(2, 10, 10);
    s.item.setControlPoint(-1, 10, 10);
    QCOMPARE(s.num(1, "Frequency")->sent.size(), 1);
    QCOMPARE(s.num(2, "Frequency")->sent.size(), 0);
}

void TstGraphsItems::parametricRendering()
{
    PeqSetup s(2);
    s.item.componentCompleted();
    s.confirm(1, 1000.0f, 12.0f, 2.0f, 0.0f, QStringLiteral("Bell"));
    s.confirm(2, 500.0f, 0.0f, 1.0f, 0.0f, QStringLiteral("Bell"));
    QSignalSpy repainted(&s.item, &TarnPEQGraphItem::repainted);
    // Not ready with curves: nothing painted.
    QImage image = render(s.item);
    QCOMPARE(repainted.count(), 0);
    QVERIFY(isBlack(image.pixel(447, 130)));

    s.item.plotter()->timerTick();
    image = render(s.item);
    QCOMPARE(repainted.count(), 1);
    // 1 kHz lies at x 447; +12 dB peaks at 200 - 120 = 80 px.
    PIXEL_IS(image, 447, 130, qRed(c) > 100 && qGreen(c) < 30 && qBlue(c) < 30); // band fill
    PIXEL_IS(image, 447, 60, isBlack(c));
    PIXEL_IS(image, 447, 80, qRed(c) > 180 && qGreen(c) > 180 && qBlue(c) > 180); // the white sum
    PIXEL_IS(image, 10, 150, isBlack(c));
    PIXEL_IS(image, 10, 250, isBlack(c));
    // The flat band is only its stroke on the centre line: no fill of its own (green).
    for (int x = 0; x < 800; x += 7)
        for (int y = 0; y < 400; y += 3)
            PIXEL_IS(image, x, y, qGreen(c) <= qRed(c) + 10 || std::abs(y - 200) <= 2);

    // Overlays come negated: a room text of -6 is drawn 60 px below the centre (y 260), a
    // target text of 3 is drawn 30 px above it (y 170).
    s.item.setRoomCurveString(levels(625, QStringLiteral("-6")));
    s.item.setTargetCurveString(levels(625, QStringLiteral("3")));
    image = render(s.item);
    PIXEL_IS(image, 100, 230, isBlack(c)); // the room curve is hidden unless asked for
    PIXEL_IS(image, 700, 170, qRed(c) > 150 && qGreen(c) > 120 && qBlue(c) < 90); // target, gold
    s.item.setShowRoomCurve(true);
    s.item.setFinalResultantVisible(true);
    image = render(s.item);
    PIXEL_IS(image, 100, 230, std::abs(qRed(c) - qGreen(c)) < 8 && std::abs(qGreen(c) - qBlue(c)) < 8
                                  && qRed(c) > 70 && qRed(c) < 130); // room fill, grey
    PIXEL_IS(image, 100, 275, isBlack(c));
    // Corrected: the room level plus the equaliser: 260 - 120 at 1 kHz.
    PIXEL_IS(image, 447, 140, qGreen(c) > 150 && qGreen(c) > qRed(c) + 30);
    PIXEL_IS(image, 100, 260, qGreen(c) > 150 && qGreen(c) > qRed(c) + 30);

    // Too few numbers, or text that is not numbers: not drawn, the rest is.
    s.item.setTargetCurveString(levels(624, QStringLiteral("3")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("room curve not drawn")));
    s.item.setRoomCurveString(levels(624, QStringLiteral("-6")) + QStringLiteral(" x"));
    image = render(s.item);
    PIXEL_IS(image, 700, 170, isBlack(c));
    PIXEL_IS(image, 100, 230, isBlack(c));
    PIXEL_IS(image, 447, 130, qRed(c) > 100 && qGreen(c) < 30);
}

namespace {
struct CrossoverSetup {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    CrossoverGraphItem item;

    CrossoverSetup(int bands, int ways, int subs)
    {
        item.setSize(QSizeF(800, 400));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("Crossover"));
        item.setBandCount(bands);
        item.setWaysCount(ways);
        item.setSubsCount(subs);
        item.setBandColors(kColours);
    }
    FakeNumericalSV *num(const QString &sv) const { return factory->num(sv); }
    FakeTextSV *txt(const QString &sv) const { return factory->txt(sv); }
};
} // namespace

void TstGraphsItems::crossoverBindingsAndValues()
{
    CrossoverSetup s(4, 3, 1);
    QSignalSpy curves(s.item.plotter(), &CrossoverCurvePlotter::curvesChanged);
    QElapsedTimer clock;
    clock.start();
    s.item.componentCompleted();
    QCOMPARE(s.factory->order.size(), 24);
    QCOMPARE(s.factory->order.mid(0, 6), (QStringList{"Band_1_HPFrequency", "Band_1_Gain", "Band_1_LPFrequency",
                                                      "Band_1_HPType", "Band_1_LPType", "Band_1_Polarity"}));
    QCOMPARE(s.factory->order.at(12), QStringLiteral("Band_3_HPFrequency"));
    // The band after the ways is the mono sub.
    QCOMPARE(s.factory->order.mid(18), (QStringList{"MonoSub_HPFrequency", "MonoSub_Gain", "MonoSub_LPFrequency",
                                                    "MonoSub_HPType", "MonoSub_LPType", "MonoSub_Polarity"}));
    for (const auto &c : qAsConst(s.factory->text))
        QCOMPARE(c->completed, 1);

    s.num("Band_1_HPFrequency")->setValue(100.0f);
    s.txt("Band_1_HPType")->setValue(QStringLiteral("LR 24"));
    s.num("Band_1_LPFrequency")->setValue(0.0f); // "off"
    s.txt("Band_1_LPType")->setValue(QStringLiteral("BW 48"));
    s.num("Band_1_Gain")->setValue(25.0f);
    s.num("MonoSub_HPFrequency")->setValue(0.0f);
    s.txt("MonoSub_Polarity")->setValue(QStringLiteral("Inverted"));
    QCOMPARE(curves.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(curves.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 400, qPrintable(QString::number(clock.elapsed())));

    const CrossoverBand &b = s.item.plotter()->band(0);
    QCOMPARE(b.hpFrequency, 100.0f);
    QCOMPARE(int(b.hpType), int(XoverLR24));
    QCOMPARE(b.lpFrequency, 20000.0f);
    QCOMPARE(b.gain, 20.0f); // +25 stored as +20
    QCOMPARE(s.item.plotter()->band(3).hpFrequency, 16.0f);
    QCOMPARE(s.item.plotter()->band(3).polarity, QStringLiteral("Inverted"));
    QCOMPARE(s.item.lastCurves().size(), 4);

    // Back to 0 dB gain: at 100 Hz the LR 24 corner sits at about -4.8 plotted dB.
    s.num("Band_1_Gain")->setValue(0.0f);
    QCOMPARE(curves.count(), 2);
    const CurveMap &band1 = s.item.lastCurves()[0];
    const double x100 = crossoverXOfFrequency(100.0, 800.0);
    const float key = float(std::floor(x100 / 4.0) * 4.0);
    const double level = crossoverResponse(b, crossoverFrequencyAt(key, 800.0), 800.0, 200.0);
    QCOMPARE(band1.value(key), float(crossoverYOfLevel(level, 200.0)));
    QVERIFY(std::fabs(crossoverResponse(b, 100.0, 800.0, 200.0) + 4.816) < 0.01);
    QCOMPARE(band1.lastKey(), 800.0f);
    QCOMPARE(band1.last(), 0.0f);

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
    QCOMPARE(extra.factory->order.size(), 24);
    QCOMPARE(extra.factory->numeric.size() + extra.factory->text.size(), 24);
    extra.num("MonoSub_Gain")->setValue(-6.0f);
    QCOMPARE(extra.item.plotter()->band(3).gain, -6.0f);
    QCOMPARE(extra.item.plotter()->band(4).gain, 0.0f);
}

void TstGraphsItems::crossoverRendering()
{
    CrossoverSetup s(2, 2, 0);
    s.item.componentCompleted();
    QCOMPARE(s.factory->order.at(6), QStringLiteral("Band_2_HPFrequency"));
    s.num("Band_1_HPFrequency")->setValue(1000.0f);
    s.txt("Band_1_HPType")->setValue(QStringLiteral("LR 24"));
    s.num("Band_1_LPFrequency")->setValue(20000.0f);
    s.txt("Band_1_LPType")->setValue(QStringLiteral("BW 48"));
    s.num("Band_1_Gain")->setValue(0.0f);
    s.num("Band_2_HPFrequency")->setValue(0.0f);
    s.txt("Band_2_HPType")->setValue(QStringLiteral("None"));
    s.num("Band_2_LPFrequency")->setValue(1000.0f);
    s.txt("Band_2_LPType")->setValue(QStringLiteral("LR 24"));
    s.num("Band_2_Gain")->setValue(-12.0f);
    QSignalSpy repainted(&s.item, &CrossoverGraphItem::repainted);
    s.item.plotter()->timerTick();
    const QImage image = render(s.item);
    QCOMPARE(repainted.count(), 1);
    // 5 kHz (x 644): band 1 at 0 dB, 100 px from the top; filled red below.
    PIXEL_IS(image, 644, 150, qRed(c) > 100 && qBlue(c) < 30);
    PIXEL_IS(image, 644, 80, isBlack(c));
    // 100 Hz (x 205): the last of two curves takes the third colour; -12 dB is 160 px down.
    PIXEL_IS(image, 205, 250, qBlue(c) > 100 && qRed(c) < 30 && qGreen(c) < 30);
    PIXEL_IS(image, 205, 140, isBlack(c));
    for (int x = 0; x < 800; x += 5)
        for (int y = 0; y < 400; y += 5)
            QVERIFY(qGreen(image.pixel(x, y)) < 20);
}

void TstGraphsItems::crossoverBandNames()
{
    CrossoverBandInfoProvider provider;
    TarnSettings::write(QLatin1String(tarn::keys::CurrentPOData), QString());
    QCOMPARE(provider.getBandName(0), QStringLiteral("Band"));
    const QString data = QStringLiteral(
        R"({"ClassName": "QuarraCrossover", "POName": "Crossover1", "type": null,
            "Attributes": {"NumBands": 2, "NumMainCabinets": 1, "NumSubCabinets": 1}})");
    TarnSettings::write(QLatin1String(tarn::keys::CurrentPOData), data);
    QCOMPARE(provider.getBandName(0), QStringLiteral("High"));
    QCOMPARE(provider.getBandName(1), QStringLiteral("Low"));
    QCOMPARE(provider.getBandName(2), QStringLiteral("Sub"));
    QCOMPARE(provider.getBandName(7), QStringLiteral("Sub"));
    QCOMPARE(provider.getBandName(-1), QStringLiteral("Band"));
    TarnSettings::write(QLatin1String(tarn::keys::CurrentPOData), QStringLiteral("{\"Attributes\": "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable")));
    QCOMPARE(provider.getBandName(0), QStringLiteral("Band"));
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
    int sentCount() const
    {
        int n = 0;
        for (const auto &c : factory->numeric)
            n += c->sent.size();
        return n;
    }
};
} // namespace

void TstGraphsItems::graphicEqBands()
{
    GeqSetup s;
    QCOMPARE(s.factory->order, geqBandNames());
    for (const auto &c : qAsConst(s.factory->numeric)) {
        QCOMPARE(c->completed, 1);
        QCOMPARE(c->poName(), QStringLiteral("GEQ1"));
    }
    QCOMPARE(s.item.bands()->boundRectangle(), QRectF(0, 0, 620, 200));

    QSignalSpy curves(s.item.bands(), &TarnGEQBands::curvesChanged);
    s.band(QStringLiteral("1.0 kHz"))->setValue(3.0f);
    QCOMPARE(curves.count(), 1);
    QCOMPARE(s.item.gains().value(QStringLiteral("1.0 kHz")), 3.0f);
    QCOMPARE(s.item.bands()->controlPoint(17), QPoint(329, 50));
    QCOMPARE(s.item.bands()->controlPoint(0), QPoint(0, 0)); // no value yet: 0 dB

    // Point 30 dragged to the top sends +12 dB for "20.0 kHz", and nothing else.
    s.item.setControlPoint(30, 600, 0);
    QCOMPARE(s.band(QStringLiteral("20.0 kHz"))->sent, QList<float>{12.0f});
    s.item.setControlPoint(3, 100, 150);
    QCOMPARE(s.band(QStringLiteral("40 Hz"))->sent, QList<float>{3.0f});
    s.item.setControlPoint(31, 100, 150);
    QCOMPARE(s.sentCount(), 2);

    QSignalSpy points(&s.item, &TarnGEQGraphItem::controlPointsChanged);
    QSignalSpy repainted(&s.item, &TarnGEQGraphItem::repainted);
    render(s.item);
    QCOMPARE(repainted.count(), 1);
    QCOMPARE(points.count(), 1);
    QCOMPARE(s.item.controlPoints().size(), 31);
    QCOMPARE(s.item.controlPoints().at(17).toPoint(), QPoint(329, 50));
}

void TstGraphsItems::graphicEqDrawMode()
{
    GeqSetup s;
    // Columns are 20 px wide; 20 px per dB from the centre line at 200.
    s.item.reDrawBands(0, 105, 100);
    QCOMPARE(s.band(QStringLiteral("63 Hz"))->sent, QList<float>{5.0f});
    QCOMPARE(s.sentCount(), 1);
    QVERIFY(s.item.drawn());
    QCOMPARE(s.item.lastDrawnBand(), 5);
    QCOMPARE(s.item.gains().value(QStringLiteral("63 Hz")), 5.0f);

    // A jump over three columns also sets the two bands in between, walking forwards.
    s.item.reDrawBands(101, 165, 260);
    QCOMPARE(s.band(QStringLiteral("80 Hz"))->sent, QList<float>{-3.0f});
    QCOMPARE(s.band(QStringLiteral("100 Hz"))->sent, QList<float>{-3.0f});
    QCOMPARE(s.band(QStringLiteral("125 Hz"))->sent, QList<float>{-3.0f});
    QCOMPARE(s.sentCount(), 4);
    QCOMPARE(s.item.lastDrawnBand(), 8);
    // ... and backwards.
    s.item.reDrawBands(165, 101, 200);
    QCOMPARE(s.item.lastDrawnBand(), 5);
    QCOMPARE(s.band(QStringLiteral("100 Hz"))->sent.last(), 0.0f);
    QCOMPARE(s.sentCount(), 7);
    // The first column reaches the first band; beyond the last column nothing is set.
    s.item.reDrawBands(0, 3, 180);
    QCOMPARE(s.band(QStringLiteral("20 Hz"))->sent, QList<float>{1.0f});
    s.item.reDrawBands(0, 640, 180);
    QCOMPARE(s.sentCount(), 8);
    // Drawn values are shown at once, before the processor confirms.
    const QImage image = render(s.item);
    PIXEL_IS(image, 9, 190, c == qRgb(255, 25, 0)); // "20 Hz" at +1 dB, 16 px tall
    PIXEL_IS(image, 9, 180, isBlack(c));
    PIXEL_IS(image, 169, 230, c == qRgb(255, 81, 0)); // "125 Hz" at -3 dB hangs below
    PIXEL_IS(image, 169, 251, c == qRgb(255, 81, 0));
    PIXEL_IS(image, 169, 252, isBlack(c));
    PIXEL_IS(image, 109, 203, c == qRgb(255, 60, 0)); // "63 Hz" drawn back to 0 dB
    PIXEL_IS(image, 109, 204, isBlack(c));
}

void TstGraphsItems::graphicEqRendering()
{
    GeqSetup s;
    QSignalSpy repainted(&s.item, &TarnGEQGraphItem::repainted);
    QImage image = render(s.item);
    QCOMPARE(repainted.count(), 0); // no value yet: nothing to draw
    s.band(QStringLiteral("20 Hz"))->setValue(6.0f);
    s.band(QStringLiteral("63 Hz"))->setValue(-6.0f);
    s.band(QStringLiteral("200 Hz"))->setValue(0.0f);
    image = render(s.item);
    QCOMPARE(repainted.count(), 1);
    // +6 dB: x 3 .. 15, rows 102 .. 201, red.
    PIXEL_IS(image, 9, 150, c == qRgb(255, 25, 0));
    PIXEL_IS(image, 9, 101, isBlack(c));
    PIXEL_IS(image, 9, 201, c == qRgb(255, 25, 0));
    PIXEL_IS(image, 2, 150, isBlack(c));
    PIXEL_IS(image, 16, 150, isBlack(c));
    // -6 dB hangs below.
    PIXEL_IS(image, 109, 250, c == qRgb(255, 60, 0));
    PIXEL_IS(image, 109, 190, isBlack(c));
    // 0 dB: a bar of two rows just below the centre line.
    PIXEL_IS(image, 209, 201, isBlack(c));
    PIXEL_IS(image, 209, 202, c == qRgb(255, 95, 0));
    PIXEL_IS(image, 209, 203, c == qRgb(255, 95, 0));
    PIXEL_IS(image, 209, 204, isBlack(c));
    // A band with no value yet is drawn at 0 dB too, in its own colour.
    PIXEL_IS(image, 409, 202, c == qRgb(255, 165, 0));
    PIXEL_IS(image, 609, 203, c == qRgb(255, 235, 0));
    PIXEL_IS(image, 609, 204, isBlack(c));
}

namespace {
struct AfsSetup {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    TarnAFSGraphItem item;

    explicit AfsSetup(int filters)
    {
        item.setSize(QSizeF(800, 400));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("AFS"));
        item.setBandCount(filters);
        item.setBandColors(kColours);
    }
    void confirm(int filter, float frequency, float gain, float q)
    {
        factory->num(QStringLiteral("Band_%1_Frequency").arg(filter))->setValue(frequency);
        factory->num(QStringLiteral("Band_%1_Gain").arg(filter))->setValue(gain);
        factory->num(QStringLiteral("Band_%1_Q").arg(filter))->setValue(q);
    }
};
} // namespace

void TstGraphsItems::feedbackPlotter()
{
    AfsSetup s(2);
    QSignalSpy curves(s.item.plotter(), &TarnAFSCurvePlotter::curvesChanged);
    QElapsedTimer clock;
    clock.start();
    s.item.componentCompleted();
    QCOMPARE(s.factory->order, (QStringList{"Band_1_Frequency", "Band_1_Gain", "Band_1_Q", "Band_2_Frequency",
                                            "Band_2_Gain", "Band_2_Q"}));
    for (const auto &c : qAsConst(s.factory->numeric))
        QCOMPARE(c->completed, 1);
    QCOMPARE(s.item.plotter()->band(1).q, 1.0f);
    QCOMPARE(s.item.plotter()->band(1).frequency, 22000.0f);
    s.confirm(1, 1000.0f, -30.0f, 8.0f);
    QCOMPARE(curves.count(), 0);
    QVERIFY(s.item.plotter()->curves().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(curves.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 150, qPrintable(QString::number(clock.elapsed())));

    const CurveList &list = s.item.lastCurves();
    QCOMPARE(list.size(), 3);
    QVERIFY(list[2].isEmpty());
    // -30 dB is clamped at -20: the bound height minus twice itself.
    QCOMPARE(*std::min_element(list[0].begin(), list[0].end()), -200.0f);
    for (float y : list[1])
        QCOMPARE(y, 200.0f);
    // Equal values and unknown senders do nothing.
    s.factory->num(QStringLiteral("Band_1_Q"))->setValue(8.0f);
    s.item.plotter()->onSVChanged(3.0f);
    QCOMPARE(curves.count(), 1);
    s.factory->num(QStringLiteral("Band_2_Gain"))->setValue(-3.0f);
    QCOMPARE(curves.count(), 2);
    QVERIFY(*std::min_element(s.item.lastCurves()[1].begin(), s.item.lastCurves()[1].end()) < 200.0f);
}

void TstGraphsItems::feedbackRendering()
{
    AfsSetup s(3);
    s.item.componentCompleted();
    s.confirm(1, 1000.0f, -30.0f, 8.0f);
    s.confirm(3, 5000.0f, -6.0f, 2.0f);
    s.item.plotter()->timerTick();
    QSignalSpy repainted(&s.item, &TarnAFSGraphItem::repainted);
    const QImage image = render(s.item);
    QCOMPARE(repainted.count(), 1);
    // 1 kHz (x 453): the clamped notch reaches the bottom edge.
    PIXEL_IS(image, 453, 396, qRed(c) > 100 && qGreen(c) < 30);
    PIXEL_IS(image, 430, 396, isBlack(c));
    // 5 kHz (x 640): -6 dB hangs 120 px from the top.
    PIXEL_IS(image, 640, 60, qBlue(c) > 100 && qRed(c) < 30);
    PIXEL_IS(image, 640, 140, isBlack(c));
    // The filter not placed covers nothing below the top edge.
    for (int x = 0; x < 800; x += 3)
        for (int y = 2; y < 400; y += 3)
            QVERIFY(qGreen(image.pixel(x, y)) < 20);
}

void TstGraphsItems::repaintsAreCoalesced()
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
    // Let the first frame (with nothing to draw yet) go by.
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
    // The graphic EQ waits for 50 ms of quiet.
    QVERIFY2(geqPainted.count() <= 4, qPrintable(QString::number(geqPainted.count())));
}

TARN_TEST_MAIN(TstGraphsItems, QGuiApplication)
#include "tst_graphs_items.moc"
