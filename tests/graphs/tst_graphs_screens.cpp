// Guards against response graphs and their screens that miss values another console sets on the
// offline model, warn, leave controls unanswered, do not redraw, flood the link while dragged or
// move a point before the processor confirms it; pictures go to build/screenshots/graphs.
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "eqcurvemodel.h"
#include "quickitems.h"
#include "screenharness.h"
#include "tarnafscurveplotter.h"
#include "tarnafsgraphitem.h"
#include "tarngeqgraphitem.h"
#include "tarnpeqcurveplotter.h"
#include "tarnpeqgraphitem.h"
#include "testenv.h"
#include "xvfbexec.h"

#include <QApplication>
#include <QColor>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

using namespace tarn::graphs;
using tarn::test::joined;
using tarn::test::render;
using tarn::test::ScreenHarness;

namespace {
constexpr int kWait = 8000;
const QString kPeq = QStringLiteral("Mid Outputs PEQ");

struct SentLine {
    qint64 at;
    QString text;
};

// How many pixels of the item's region differ clearly between two pictures of the window.
int changedPixels(const QImage &a, const QImage &b, QQuickItem *item)
{
    const QRect region(item->mapToScene(QPointF(0, 0)).toPoint(), QSize(int(item->width()), int(item->height())));
    int changed = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 60)
                ++changed;
        }
    }
    return changed;
}

float valueAt(const CurveMap &curve, float x)
{
    return curve.lowerBound(x) == curve.cend() ? 0.0f : curve.lowerBound(x).value();
}


using Values = QList<QPair<QString, QString>>;
} // namespace

class TstGraphsScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void parametricScreen();
    void autoEqScreen();
    void graphicEqScreen();
    void feedbackScreen();
    void crossoverScreen(); // last: its preset recalls send the application home again

private:
    template <typename T> T *find(const QString &objectName);
    QString text(const QString &objectName, const char *property = "text") { return find<QQuickItem>(objectName)->property(property).toString(); }
    void expectRedrawn(QQuickItem *graph, const QImage &before, const QString &picture, int least);
    // Values set by another console on the model, each answered.
    bool set(const QString &po, const Values &values);
    QList<SentLine> sentFor(const QString &sv) const;
    void recallPreset(int slot, const QString &numBands, const QString &monoSub);

    QElapsedTimer m_clock;
    QList<SentLine> m_sent;
    // Last, so gone first: the screens it tears down still send lines, which m_sent records.
    ScreenHarness m_h;
};

void TstGraphsScreens::initTestCase()
{
    // The model's clock stands still; the feedback test steps it.
    QVERIFY(m_h.start({QStringLiteral("--meter-interval"), QStringLiteral("0")}, QStringLiteral("graphs")));
    m_h.view()->setResizeMode(QQuickView::SizeRootObjectToView);
    m_h.view()->resize(1024, 768);
    QVERIFY(m_h.connectDevice());
    m_clock.start();
    connect(TCPAdaptor::instance(), &TCPAdaptor::sendMessage, this, [this](const QByteArray &line) {
        m_sent.append({m_clock.elapsed(), QString::fromUtf8(line.trimmed())});
    });
}

void TstGraphsScreens::cleanup()
{
    QCOMPARE(m_h.takeWarnings(), QString());
    QVERIFY(m_h.goHome());
}

// The item of that name in the screen shown; a missing one fails the test and an empty stand-in goes on.
template <typename T> T *TstGraphsScreens::find(const QString &objectName)
{
    T *item = nullptr;
    (void)QTest::qWaitFor([&] {
        for (QObject *o : tarn::test::everything(m_h.page()))
            item = item ? item : (o->objectName() == objectName ? qobject_cast<T *>(o) : nullptr);
        return item != nullptr;
    }, kWait);
    static T standIn;
    return QTest::qVerify(item != nullptr, "find", qPrintable(objectName), __FILE__, __LINE__) ? item : &standIn;
}

// More than `least` pixels of the graph come to differ from `before`, polled (a paint under way
// when the change came still draws the old state).
void TstGraphsScreens::expectRedrawn(QQuickItem *graph, const QImage &before, const QString &picture, int least)
{
    QDeadlineTimer due(kWait);
    int changed = changedPixels(before, m_h.view()->grabWindow(), graph);
    while (changed <= least && !due.hasExpired()) {
        QTest::qWait(50);
        changed = changedPixels(before, m_h.view()->grabWindow(), graph);
    }
    m_h.picture(picture);
    QVERIFY2(changed > least, qPrintable(QStringLiteral("%1: only %2 pixels changed").arg(picture).arg(changed)));
}

bool TstGraphsScreens::set(const QString &po, const Values &values)
{
    return std::all_of(values.cbegin(), values.cend(), [&](const QPair<QString, QString> &v) { return m_h.set(po, v.first, v.second); });
}

QList<SentLine> TstGraphsScreens::sentFor(const QString &sv) const
{
    QList<SentLine> lines;
    for (const SentLine &line : m_sent) {
        // The path may end in a backslash before its closing quote.
        const QString path = QStringLiteral("\\SV\\") + sv;
        if (line.text.startsWith(QLatin1String("set "))
            && (line.text.contains(path + QLatin1String("\\\"")) || line.text.contains(path + QLatin1Char('"'))))
            lines.append(line);
    }
    return lines;
}

void TstGraphsScreens::parametricScreen()
{
    QVERIFY(m_h.open(QStringLiteral("PEQ"), QStringLiteral("Mid"), QStringLiteral("TarnPEQ.qml")));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::PEQType)), QStringLiteral("Mid"));
    auto *graph = find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"));
    QCOMPARE(graph->poName(), QStringLiteral("Mid Outputs PEQ"));
    QSignalSpy painted(graph, &TarnPEQGraphItem::repainted);
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(5).gain, 2.0f, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(graph->controlPoints().size(), 8, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    // The catalogue's bands: a low shelf of +3 dB at 63 Hz, a bell of -2.5 dB at 250 Hz.
    TarnPEQCurvePlotter *plotter = graph->plotter();
    const QRectF bounds = plotter->boundRectangle();
    QCOMPARE(joined(plotter->band(0).type, plotter->band(0).gain), QStringLiteral("%1 3").arg(int(EqLowShelf)));
    const float x250 = std::round(float(peqaxis::xOfFrequency(bounds, 250.0)));
    QVERIFY(std::fabs(valueAt(graph->lastCurves()[2], x250) - bounds.height() * -2.5 / 20.0) < 1.0);
    QCOMPARE(text(QStringLiteral("blockSubtitle")), QStringLiteral("Mid Outputs"));
    const QImage before = m_h.picture(QStringLiteral("TarnPEQ"));

    // Another console cuts band 6 by 8 dB: the curve moves on screen.
    QVERIFY(set(kPeq, {{"Band_6_Gain", "-8"}}));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(5).gain, -8.0f, kWait);
    expectRedrawn(graph, before, QStringLiteral("TarnPEQ-changed"), 500);

    // Band 3 chosen by its button: the editor follows.
    m_h.click(find<QQuickItem>(QStringLiteral("bandButton3")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->currentBandIndex(), 2, kWait);
    QCOMPARE(text(QStringLiteral("bandTitle")), QStringLiteral("Band 3"));
    auto *gainField = find<QQuickItem>(QStringLiteral("bandGain"));
    QTRY_COMPARE_WITH_TIMEOUT(gainField->property("valueText").toString(), QStringLiteral("-2.5dB"), kWait);
    // Its + nudge steps the gain by a tenth of a decibel, confirmed by the processor.
    QQuickItem *up = tarn::test::findItem(gainField, QStringLiteral("nudgeUp"));
    QVERIFY(up);
    m_h.click(up);
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).gain, -2.4f, kWait);
    // The frequency's step follows its range: 250 Hz lies in 100 … 1000 Hz, stepped by 1 Hz.
    auto *frequencyField = find<QQuickItem>(QStringLiteral("bandFrequency"));
    QQuickItem *down = tarn::test::findItem(frequencyField, QStringLiteral("nudgeDown"));
    QVERIFY(down);
    m_h.click(down);
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).frequency, 249.0f, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(frequencyField->property("valueText").toString(), QStringLiteral("249.0Hz"), kWait);

    // Band 1's point dragged for 300 ms to the middle, +6 dB: the processor takes it, the point follows.
    auto *point = find<QQuickItem>(QStringLiteral("bandPoint1"));
    QTRY_VERIFY_WITH_TIMEOUT(point->isVisible(), kWait);
    const QPointF from = point->mapToScene(QPointF(point->width() / 2, point->height() / 2));
    const QPointF to = graph->mapToScene(QPointF(graph->width() / 2, graph->height() / 2 - graph->height() / 2 * 6.0 / 20.0));
    m_sent.clear();
    const qint64 dragStart = m_clock.elapsed();
    QTest::mousePress(m_h.view(), Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int i = 1; i <= 20; ++i)
        QTest::mouseMove(m_h.view(), (from + (to - from) * i / 20.0).toPoint(), 15);
    QTest::mouseRelease(m_h.view(), Qt::LeftButton, Qt::NoModifier, to.toPoint());
    const qint64 most = (m_clock.elapsed() - dragStart) / 100 + 2;
    QCOMPARE(graph->currentBandIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(plotter->band(0).gain - 6.0f) < 0.35f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(plotter->band(0).frequency - 663.0f) < 30.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT((point->mapToScene(QPointF(point->width() / 2, point->height() / 2)) - to).manhattanLength() < 8, kWait);
    // At most one value per 100 ms per parameter while dragging, and the one after it.
    const QList<SentLine> frequencies = sentFor(QStringLiteral("Band_1_Frequency"));
    const int gains = sentFor(QStringLiteral("Band_1_Gain")).size();
    QVERIFY2(frequencies.size() >= 2 && frequencies.size() <= most && gains >= 2 && gains <= most,
             qPrintable(QStringLiteral("%1 and %2, at most %3").arg(frequencies.size()).arg(gains).arg(most)));
    for (int i = 1; i < frequencies.size(); ++i)
        QVERIFY2(frequencies[i].at - frequencies[i - 1].at >= 90,
                 qPrintable(QStringLiteral("%1 ms apart").arg(frequencies[i].at - frequencies[i - 1].at)));
    m_h.picture(QStringLiteral("TarnPEQ-dragged"));
    // Past the processor's range the point stops where the processor does (+15 dB), not at +20 dB.
    graph->setControlPoint(0, int(graph->width() / 2), 0);
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(0).gain, 15.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(plotter->controlPoint(0).y() - int(bounds.height() * 0.75)) <= 1, kWait);
    QVERIFY(sentFor(QStringLiteral("Band_1_Gain")).last().text.endsWith(QLatin1String("\"20\"")));

    // Another output band chosen by its tab: the screen binds that band's PEQ and remembers it.
    m_h.click(find<QQuickItem>(QStringLiteral("bandLow")));
    QTRY_COMPARE_WITH_TIMEOUT(TarnSettings::text(QString::fromLatin1(tarn::keys::PEQType)), QStringLiteral("Low"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"))->poName(), QStringLiteral("Low Outputs PEQ"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"))->plotter()->band(7).type, 2, kWait);
    QCOMPARE(text(QStringLiteral("blockSubtitle")), QStringLiteral("Low Outputs"));

    // Back as they were, for the other screens.
    QVERIFY(set(kPeq, {{"Band_6_Gain", "2"}, {"Band_3_Gain", "-2.5"}, {"Band_3_Frequency", "250"}, {"Band_1_Gain", "3"},
                       {"Band_1_Frequency", "63"}}));
}

void TstGraphsScreens::autoEqScreen()
{
    QVERIFY(m_h.open(QStringLiteral("AEQ"), QString(), QStringLiteral("TarnAEQ.qml")));
    auto *graph = find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"));
    QCOMPARE(graph->poName(), QStringLiteral("RoomEQ"));
    QSignalSpy painted(graph, &TarnPEQGraphItem::repainted);
    // The room and target of the processor's measurement are drawn with the bands.
    QTRY_COMPARE_WITH_TIMEOUT(joined(graph->roomCurveString().split(QLatin1Char(' ')).size(), graph->targetCurveString().split(QLatin1Char(' ')).size(),
                                     graph->showRoomCurve(), graph->finalResultantVisible()), QStringLiteral("625 625 true true"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(graph->plotter()->band(0).gain == -5.0f && graph->lastCurves().size() == 9, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QImage before = m_h.picture(QStringLiteral("TarnAEQ"));
    // 160 points per decade from 20 Hz at index 143, in dB. The room has a mode near 63 Hz; the
    // automatic EQ's bands bring it within 1.5 dB of the target there.
    const QStringList room = graph->roomCurveString().split(QLatin1Char(' '));
    const QStringList house = graph->targetCurveString().split(QLatin1Char(' '));
    const int i63 = 143 + int(std::round(160.0 * std::log10(63.0 / 20.0)));
    QVERIFY(room.at(i63).toDouble() > 5.0);
    const QRectF bounds = graph->plotter()->boundRectangle();
    const float x63 = std::round(float(peqaxis::xOfFrequency(bounds, 63.0)));
    const double corrected = room.at(i63).toDouble() + valueAt(graph->lastCurves().last(), x63) * 20.0 / bounds.height();
    QVERIFY2(std::fabs(corrected - house.at(i63).toDouble()) < 1.5,
             qPrintable(QStringLiteral("%1 against %2").arg(corrected).arg(house.at(i63))));
    // Painted, the room's mode fills grey above the centre line at 63 Hz, 4 dB up (it reaches +7).
    const QRgb c = render(*graph).pixel(int(x63), int(bounds.height() * 0.8));
    QVERIFY2(qRed(c) > 80 && std::abs(qRed(c) - qGreen(c)) < 20, qPrintable(QColor(c).name()));

    // A band changed elsewhere moves the band curve, the sum and the corrected room.
    QVERIFY(set("RoomEQ", {{"Band_3_Gain", "-6"}}));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).gain, -6.0f, kWait);
    expectRedrawn(graph, before, QStringLiteral("TarnAEQ-changed"), 300);

    // The target switched off is no longer drawn.
    m_h.click(find<QQuickItem>(QStringLiteral("overlayTarget")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->targetCurveString(), QString(), kWait);

    QVERIFY(set("RoomEQ", {{"Band_3_Gain", "4"}}));
}

void TstGraphsScreens::graphicEqScreen()
{
    QVERIFY(m_h.open(QStringLiteral("GEQ"), QStringLiteral("StereoGEQ"), QStringLiteral("TarnGEQ.qml")));
    auto *graph = find<TarnGEQGraphItem>(QStringLiteral("geqGraphItem"));
    QCOMPARE(graph->poName(), QStringLiteral("GEQ"));
    QSignalSpy painted(graph, &TarnGEQGraphItem::repainted);
    QVERIFY(set("GEQ", {{"QuickCurve", "Speech"}}));
    QTRY_COMPARE_WITH_TIMEOUT(graph->gains().value(QStringLiteral("100 Hz")), -6.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QImage before = m_h.picture(QStringLiteral("TarnGEQ"));

    // A quick curve chosen on the screen: the processor sets the bands, the bars follow.
    m_h.click(find<QQuickItem>(QStringLiteral("choice_DJ")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->gains().value(QStringLiteral("40 Hz")), 6.0f, kWait);
    expectRedrawn(graph, before, QStringLiteral("TarnGEQ-changed"), 500);

    // Draw mode: a stroke across the upper half sets the bands it passes; the curve is "Manual".
    m_h.click(find<QQuickItem>(QStringLiteral("drawMode")));
    QTRY_VERIFY_WITH_TIMEOUT(find<QQuickItem>(QStringLiteral("drawArea"))->isEnabled(), kWait);
    const double column = graph->width() / 31.0;
    const double y = graph->height() / 2 - graph->height() / 2 * 9.0 / 12.0; // +9 dB
    const QPointF start = graph->mapToScene(QPointF(column * 20.5, y));
    const QPointF end = graph->mapToScene(QPointF(column * 25.5, y));
    QTest::mousePress(m_h.view(), Qt::LeftButton, Qt::NoModifier, start.toPoint());
    QTest::mouseMove(m_h.view(), end.toPoint(), 20);
    QTest::mouseRelease(m_h.view(), Qt::LeftButton, Qt::NoModifier, end.toPoint());
    for (const char *band : {"2.0 kHz", "2.5 kHz", "3.15 kHz", "4.0 kHz", "5.0 kHz", "6.3 kHz"})
        QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(graph->gains().value(QLatin1String(band)) - 9.0f) < 0.3f, band, kWait);
    // The points follow once the processor has them.
    const int expectedY = int(graph->height() / 2 / 12.0 * 9.0);
    QTRY_VERIFY_WITH_TIMEOUT(graph->controlPoints().size() == 31
                                 && std::abs(graph->controlPoints().at(25).toPoint().y() - expectedY) <= 2, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(text(QStringLiteral("quickCurve"), "selectedValue"), QStringLiteral("Manual"), kWait);
    m_h.picture(QStringLiteral("TarnGEQ-drawn"));
    // A dragged point: +12 dB at the top edge of the upper half.
    graph->setControlPoint(30, 0, 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_h.modelValue(QStringLiteral("GEQ"), QStringLiteral("20.0 kHz")), QStringLiteral("12.0dB"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(graph->gains().value(QStringLiteral("20.0 kHz")), 12.0f, kWait);

    QVERIFY(set("GEQ", {{"QuickCurve", "Flat"}}));
}

void TstGraphsScreens::crossoverScreen()
{
    // As the home screen stores them for the running three-way preset.
    TarnSettings::write(QString::fromLatin1(tarn::keys::CrossoverNumBand), QStringLiteral("3"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CrossoverMonoSub), QStringLiteral("0"));
    for (const char *key : {tarn::keys::CrossoverLowGroupVisible, tarn::keys::CrossoverMidGroupVisible,
                            tarn::keys::CrossoverHighGroupVisible})
        TarnSettings::write(QString::fromLatin1(key), QStringLiteral("true"));
    QVERIFY(m_h.open(QStringLiteral("Crossover"), QString(), QStringLiteral("CrossOver.qml")));
    auto *graph = find<CrossoverGraphItem>(QStringLiteral("crossoverGraphItem"));
    QCOMPARE(joined(graph->bandCount(), graph->waysCount(), graph->subsCount()), QStringLiteral("3 3 0"));
    QSignalSpy painted(graph, &CrossoverGraphItem::repainted);
    QTRY_VERIFY_WITH_TIMEOUT(graph->plotter()->band(1).hpFrequency == 100.0f && graph->plotter()->band(2).hpFrequency == 1200.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    for (const char *group : {"groupLow", "groupMid", "groupHigh"})
        QVERIFY2(find<QQuickItem>(QLatin1String(group))->isVisible(), group);
    const QImage before = m_h.picture(QStringLiteral("CrossOver"));

    QVERIFY(set("Crossover", {{"Band_2_LPFrequency", "3000"}, {"Band_3_HPFrequency", "3000"}}));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).hpFrequency, 3000.0f, kWait);
    expectRedrawn(graph, before, QStringLiteral("CrossOver-changed"), 500);
    QVERIFY(set("Crossover", {{"Band_2_LPFrequency", "1200"}, {"Band_3_HPFrequency", "1200"}}));
    // Band 1's "Out" high-pass reads as switched off (16 Hz) before its LR 24 low-pass.
    CrossoverCurvePlotter *plotter = graph->plotter();
    QCOMPARE(joined(plotter->band(0).hpFrequency, plotter->band(0).lpFrequency, int(plotter->band(0).hpType)), QStringLiteral("16 100 9"));
    // A gentler Butterworth high-pass lifts band 2 below 100 Hz; a gain beyond range is +20 dB.
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).lpFrequency, 1200.0f, kWait);
    const float x50 = std::round(float(crossoverXOfFrequency(50.0, graph->width())) / 4.0f) * 4.0f;
    const float before50 = graph->lastCurves()[1].value(x50);
    QVERIFY(set("Crossover", {{"Band_2_HPType", "BW 12"}}));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).hpType, qint8(1), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(graph->lastCurves()[1].value(x50) > before50 + float(graph->height()) / 40.0f, kWait);
    QVERIFY(set("Crossover", {{"Band_2_Gain", "25"}, {"Band_2_Polarity", "Inverted"}}));
    QTRY_COMPARE_WITH_TIMEOUT(joined(plotter->band(1).gain, plotter->band(1).polarity), QStringLiteral("20 Inverted"), kWait);
    QVERIFY(set("Crossover", {{"Band_2_HPType", "LR 24"}, {"Band_2_Gain", "0"}, {"Band_2_Polarity", "Normal"}}));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).gain, 0.0f, kWait);
    cleanup();

    // A running preset of two ways and a mono sub: the sub is the low group, band 2 the high.
    recallPreset(2, QStringLiteral("2"), QStringLiteral("1"));
    QVERIFY(m_h.open(QStringLiteral("Crossover"), QString(), QStringLiteral("CrossOver.qml")));
    graph = find<CrossoverGraphItem>(QStringLiteral("crossoverGraphItem"));
    QCOMPARE(joined(graph->bandCount(), graph->subsCount(), graph->plotter()->svNameFor(2, QStringLiteral("Gain")),
                    text(QStringLiteral("groupLow"), "prefix"), text(QStringLiteral("groupHigh"), "prefix")),
             QStringLiteral("3 1 MonoSub_Gain MonoSub_ Band_2_"));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).lpFrequency, 100.0f, kWait); // MonoSub_LPFrequency
    cleanup();

    // Two ways without a sub: no mid group.
    recallPreset(3, QStringLiteral("2"), QStringLiteral("0"));
    QVERIFY(m_h.open(QStringLiteral("Crossover"), QString(), QStringLiteral("CrossOver.qml")));
    graph = find<CrossoverGraphItem>(QStringLiteral("crossoverGraphItem"));
    QCOMPARE(joined(graph->bandCount(), find<QQuickItem>(QStringLiteral("groupMid"))->isVisible(),
                    find<QQuickItem>(QStringLiteral("groupLow"))->isVisible()), QStringLiteral("2 false true"));
    QTRY_VERIFY_WITH_TIMEOUT(graph->lastCurves().size() == 2 && graph->plotter()->band(1).hpFrequency == 1200.0f, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(text(QStringLiteral("gain"), "valueText"), QStringLiteral("0.0dB"), kWait);
    m_h.picture(QStringLiteral("CrossOver-2way"));
    cleanup();
    recallPreset(1, QStringLiteral("3"), QStringLiteral("0"));
}

// A preset recalled by another console; the application has gone home and stored its crossover layout.
void TstGraphsScreens::recallPreset(int slot, const QString &numBands, const QString &monoSub)
{
    QVERIFY(set("Presets", {{"Recall", QString::number(slot)}}));
    QTRY_VERIFY_WITH_TIMEOUT(TarnSettings::text(QString::fromLatin1(tarn::keys::CrossoverNumBand)) == numBands
                                 && TarnSettings::text(QString::fromLatin1(tarn::keys::CrossoverMonoSub)) == monoSub
                                 && m_h.loader->activeScreen() == QLatin1String("TarnHomeScreen.qml")
                                 && !m_h.loader->property("appBusyPreventClose").toBool(),
                             kWait);
}

void TstGraphsScreens::feedbackScreen()
{
    QVERIFY(m_h.open(QStringLiteral("AFS"), QString(), QStringLiteral("ScreenAFS.qml")));
    auto *graph = find<TarnAFSGraphItem>(QStringLiteral("afsGraphItem"));
    TarnAFSCurvePlotter *plotter = graph->plotter();
    QSignalSpy painted(graph, &TarnAFSGraphItem::repainted);
    // Two fixed filters were placed at setup.
    QTRY_VERIFY_WITH_TIMEOUT(plotter->band(0).gain == -9.5f && plotter->band(1).frequency == 630.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const auto gains = [plotter] {
        QList<float> all;
        for (int i = 0; i < 12; ++i)
            all << plotter->band(i).gain;
        return all;
    };
    const auto placed = [&] {
        const QList<float> all = gains();
        return int(std::count_if(all.cbegin(), all.cend(), [](float g) { return g < 0.0f; }));
    };
    QCOMPARE(placed(), 2);
    auto *count = find<QQuickItem>(QStringLiteral("placedCount"));
    QTRY_COMPARE_WITH_TIMEOUT(count->property("text").toString(), QStringLiteral("2 of 12 placed"), kWait);
    // Filter 7 (the first live one, after six fixed) hangs flat along the top edge.
    const float top = float(plotter->boundRectangle().height());
    for (float y : graph->lastCurves()[6])
        QCOMPARE(y, top);
    const QImage before = m_h.picture(QStringLiteral("ScreenAFS"));

    // The suppressor runs: one step later a live filter rings in at -3 dB, its curve dips.
    QVERIFY(m_h.sendLine(QStringLiteral("model tick 1")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(6).gain, -3.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(*std::min_element(graph->lastCurves()[6].cbegin(), graph->lastCurves()[6].cend()) < top * 0.875f, kWait);
    const float frequency = plotter->band(6).frequency;
    QVERIFY2(frequency >= 200.0f && frequency <= 8000.0f, qPrintable(QString::number(frequency)));
    QVERIFY(plotter->band(6).q >= 8.0f);
    // Over the next events it goes deeper, and others follow, on the graph and in the list.
    QVERIFY(m_h.sendLine(QStringLiteral("model tick 200")));
    QTRY_VERIFY_WITH_TIMEOUT(placed() >= 5 && plotter->band(8).gain < 0.0f, kWait);
    QVERIFY(plotter->band(6).gain < -3.0f);
    QCOMPARE(plotter->band(0).gain, -9.5f); // fixed filters stay
    QTRY_VERIFY_WITH_TIMEOUT(count->property("text").toString() != QStringLiteral("2 of 12 placed"), kWait);
    expectRedrawn(graph, before, QStringLiteral("ScreenAFS-changed"), 200);
    // The first fixed filter (2512 Hz, -9.5 dB) hangs almost half-way down, filled in its colour.
    const QImage image = render(*graph);
    const QRgb c = image.pixel(int(std::round(graph->width() * std::log10(2512.0 / 20.0) / 3.0)), int(graph->height() * 0.15));
    QVERIFY2(qRed(c) > 100 && qRed(c) > qGreen(c) + 40 && qRed(c) > qBlue(c) + 40, qPrintable(QColor(c).name()));

    // Switched off, nothing more happens.
    QVERIFY(set("Afs", {{"AFS", "Off"}}));
    const QList<float> frozen = gains();
    QVERIFY(m_h.sendLine(QStringLiteral("model tick 300")));
    QCOMPARE(m_h.modelValue(QStringLiteral("Afs"), QStringLiteral("AFS")), QStringLiteral("Off"));
    QCOMPARE(gains(), frozen);

    m_h.click(find<QQuickItem>(QStringLiteral("choice_Fixed")));
    QTRY_COMPARE_WITH_TIMEOUT(text(QStringLiteral("filterMode"), "selectedValue"), QStringLiteral("Fixed"), kWait);
}

TARN_XVFB_TEST_MAIN(TstGraphsScreens, "TARN_GRAPHS_SCREENS_X")
#include "tst_graphs_screens.moc"
