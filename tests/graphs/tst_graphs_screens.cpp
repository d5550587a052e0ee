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
#include "tarntextsv.h"
#include "testenv.h"
#include "xvfbexec.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <functional>

using namespace tarn::graphs;
using tarn::test::render;
using tarn::test::ScreenHarness;

namespace {
constexpr int kWait = 8000;
const QString kPeq = QStringLiteral("Mid Outputs PEQ");

struct SentLine {
    qint64 at;
    QString text;
};

// How many pixels of a region differ clearly between two pictures.
int changedPixels(const QImage &a, const QImage &b, const QRect &region)
{
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
    const auto it = curve.lowerBound(x);
    return it == curve.end() ? 0.0f : it.value();
}

QString rgb(QRgb c)
{
    return QStringLiteral("%1 %2 %3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}
} // namespace

class TstGraphsScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    // The items alone, fed by the link; they run first, on the model's values as set up.
    void parametricDragIsThrottledAndConfirmed();
    void crossoverFollowsTheProcessor();
    void graphicEqQuickCurveAndDrawing();
    void roomMeasurementIsDrawable();
    // The screens in the root document.
    void parametricScreen();
    void autoEqScreen();
    void graphicEqScreen();
    void feedbackScreen();
    void crossoverScreen(); // last: its preset recalls send the application home again

private:
    void open(const QString &command, const QString &payload, const QString &document);
    template <typename T> T *find(const QString &objectName);
    QRect regionOf(QQuickItem *item) const;
    bool redrawn(const QImage &before, const QRect &region, int least, const QString &name);
    bool side(const QString &line) { return m_h.sendLine(line); }
    QString sideValue(const QString &po, const QString &sv) { return m_h.modelValue(po, sv); }
    QList<SentLine> sentFor(const QString &sv) const;
    void recallPreset(int slot, const QString &numBands, const QString &monoSub);

    QPointer<QQuickItem> m_screen;
    QElapsedTimer m_clock;
    QList<SentLine> m_sent;
    // Last, so gone first: the screens it tears down still send lines, which m_sent records.
    ScreenHarness m_h;
};

// Whether more than `least` pixels of `region` come to differ from `before` within the wait (the
// failure names the count); the picture is saved under `name`. Polled: a paint under way when
// the change came in still draws the old state, so the first repaint after it proves nothing.
bool TstGraphsScreens::redrawn(const QImage &before, const QRect &region, int least, const QString &name)
{
    QDeadlineTimer due(kWait);
    int changed = changedPixels(before, m_h.view()->grabWindow(), region);
    while (changed <= least && !due.hasExpired()) {
        QTest::qWait(50);
        changed = changedPixels(before, m_h.view()->grabWindow(), region);
    }
    m_h.picture(name);
    if (changed <= least)
        qWarning("%s: only %d pixels changed", qPrintable(name), changed);
    return changed > least;
}

void TstGraphsScreens::initTestCase()
{
    qRegisterMetaType<QList<QMap<float, float> > >("QList<QMap<float,float> >&");
    qRegisterMetaType<QMap<QString, float> >("QMap<QString,float>&");
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

void TstGraphsScreens::init()
{
    m_h.takeWarnings();
}

void TstGraphsScreens::cleanup()
{
    QCOMPARE(m_h.takeWarnings(), QString());
    QVERIFY(m_h.goHome());
}

// The page arrives after the state: the root document loads it from a queued call.
void TstGraphsScreens::open(const QString &command, const QString &payload, const QString &document)
{
    m_screen = nullptr;
    QVERIFY(m_h.open(command, payload, document));
    m_screen = m_h.page();
}

// The item of that name in the screen now shown; a missing one fails the test and stands in as
// an empty item, so the rest of the test function runs without it.
template <typename T> T *TstGraphsScreens::find(const QString &objectName)
{
    T *item = nullptr;
    // Repeaters' delegates are children of the visual tree only.
    std::function<T *(QQuickItem *)> search = [&](QQuickItem *parent) -> T * {
        for (QQuickItem *child : parent->childItems()) {
            if (child->objectName() == objectName) {
                if (T *match = qobject_cast<T *>(child))
                    return match;
            }
            if (T *match = search(child))
                return match;
        }
        return nullptr;
    };
    (void)QTest::qWaitFor([&] { return m_screen && (item = search(m_screen)) != nullptr; }, kWait);
    if (!QTest::qVerify(item != nullptr, "find", qPrintable(objectName), __FILE__, __LINE__)) {
        static T standIn;
        return &standIn;
    }
    return item;
}

QRect TstGraphsScreens::regionOf(QQuickItem *item) const
{
    const QPointF topLeft = item->mapToScene(QPointF(0, 0));
    return QRect(topLeft.toPoint(), QSize(int(item->width()), int(item->height())));
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

void TstGraphsScreens::parametricDragIsThrottledAndConfirmed()
{
    TarnPEQGraphItem item;
    item.setSize(QSizeF(800, 400));
    item.setPoName(kPeq);
    item.setBandCount(8);
    item.componentCompleted();
    TarnPEQCurvePlotter *plotter = item.plotter();
    // The catalogue's bands arrive: a low shelf of +3 dB at 63 Hz, a bell of -2.5 dB at 250 Hz.
    QTRY_VERIFY_WITH_TIMEOUT(item.lastCurves().size() == 9 && plotter->band(0).gain == 3.0f && plotter->band(2).gain == -2.5f, kWait);
    QCOMPARE(plotter->band(0).type, int(EqLowShelf));
    const float x250 = std::round(float(peqaxis::xOfFrequency(plotter->boundRectangle(), 250.0)));
    QVERIFY(std::fabs(valueAt(item.lastCurves()[2], x250) - 200.0f * -2.5f / 20.0f) < 1.0f);
    const QPoint start = plotter->controlPoint(0);
    // 63 Hz at +3 dB: 3 dB is 30 px above the centre line of the 200 px half.
    QCOMPARE(start.y(), 30);

    // A drag across the graph: a point every 10 ms for 400 ms, ending at the middle (663 Hz)
    // 60 px above the centre (+6 dB).
    m_sent.clear();
    int step = 0;
    const int steps = 40;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [&] {
        ++step;
        const int x = start.x() + (400 - start.x()) * step / steps;
        const int y = 170 + (140 - 170) * step / steps;
        item.setControlPoint(0, x, y);
        if (step == steps)
            driver.stop();
    });
    driver.start();
    // Nothing is shown before the processor answers.
    QCOMPARE(plotter->controlPoint(0), start);
    QTRY_VERIFY_WITH_TIMEOUT(!driver.isActive(), kWait);

    // The processor keeps the frequency to a tenth of a hertz (663.3 Hz): a pixel at most.
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(plotter->controlPoint(0).x() - 400) <= 1, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(plotter->controlPoint(0).y(), 60, kWait);
    QCOMPARE(plotter->band(0).gain, 6.0f);
    QVERIFY2(std::fabs(plotter->band(0).frequency - 663.3f) < 1.0f, qPrintable(QString::number(plotter->band(0).frequency)));

    // At most one value per 100 ms per parameter, the last one carrying where the drag ended.
    const QList<SentLine> frequencies = sentFor(QStringLiteral("Band_1_Frequency"));
    const QList<SentLine> gains = sentFor(QStringLiteral("Band_1_Gain"));
    QVERIFY2(frequencies.size() >= 2 && frequencies.size() <= 6, qPrintable(QString::number(frequencies.size())));
    QVERIFY2(gains.size() >= 2 && gains.size() <= 6, qPrintable(QString::number(gains.size())));
    for (int i = 1; i < frequencies.size(); ++i)
        QVERIFY2(frequencies[i].at - frequencies[i - 1].at >= 90,
                 qPrintable(QStringLiteral("%1 ms apart").arg(frequencies[i].at - frequencies[i - 1].at)));
    QVERIFY2(frequencies.last().text.endsWith(QLatin1String("\"663.325\"")), qPrintable(frequencies.last().text));
    QVERIFY2(gains.last().text.endsWith(QLatin1String("\"6\"")), qPrintable(gains.last().text));
    QCOMPARE(sideValue(kPeq, QStringLiteral("Band_1_Gain")), QStringLiteral("6.0dB"));

    // Past the processor's range: the point stops where the processor does (+15 dB), not
    // where the pointer went (+20 dB).
    item.setControlPoint(0, 400, 0);
    QTRY_COMPARE_WITH_TIMEOUT(plotter->controlPoint(0).y(), 150, kWait);
    QCOMPARE(plotter->band(0).gain, 15.0f);
    QVERIFY(sentFor(QStringLiteral("Band_1_Gain")).last().text.endsWith(QLatin1String("\"20\"")));

    // Put the band back for the other tests.
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\%1\\SV\\Band_1_Frequency\" \"63\"").arg(kPeq)));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\%1\\SV\\Band_1_Gain\" \"3\"").arg(kPeq)));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->controlPoint(0), start, kWait);
}

void TstGraphsScreens::crossoverFollowsTheProcessor()
{
    // The running preset is three-way without a sub; the sub's variables exist all the same.
    CrossoverGraphItem item;
    item.setSize(QSizeF(800, 400));
    item.setPoName(QStringLiteral("Crossover"));
    item.setWaysCount(2);
    item.setSubsCount(1);
    item.setBandCount(3);
    item.componentCompleted();
    CrossoverCurvePlotter *plotter = item.plotter();
    QTRY_COMPARE_WITH_TIMEOUT(item.lastCurves().size(), 3, kWait);
    // "Out" corners read as switched off: 16 Hz and 20 kHz.
    QTRY_VERIFY_WITH_TIMEOUT(plotter->band(1).hpFrequency == 100.0f && plotter->band(1).lpFrequency == 1200.0f, kWait);
    QCOMPARE(plotter->band(0).hpFrequency, 16.0f);
    QCOMPARE(plotter->band(0).lpFrequency, 100.0f);
    QCOMPARE(plotter->band(0).hpType, qint8(9)); // LR 24
    QCOMPARE(plotter->band(2).lpFrequency, 100.0f); // MonoSub_LPFrequency
    QCOMPARE(plotter->band(2).polarity, QStringLiteral("Normal"));

    // Band 2's high-pass becomes a gentler Butterworth: its curve below 100 Hz rises.
    const float x50 = std::round(float(crossoverXOfFrequency(50.0, 800.0)) / 4.0f) * 4.0f;
    const float before = item.lastCurves()[1].value(x50);
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_HPType\" \"BW 12\"")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).hpType, qint8(1), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(item.lastCurves()[1].value(x50) > before + 10.0f, kWait);
    // A band gain beyond the processor's range is the processor's +20 dB.
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_Gain\" \"25\"")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).gain, 20.0f, kWait);
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_Polarity\" \"Inverted\"")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).polarity, QStringLiteral("Inverted"), kWait);
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_HPType\" \"LR 24\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_Gain\" \"0\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_Polarity\" \"Normal\"")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(1).gain, 0.0f, kWait);
}

void TstGraphsScreens::graphicEqQuickCurveAndDrawing()
{
    TarnGEQGraphItem item;
    item.setSize(QSizeF(620, 400));
    item.setPoName(QStringLiteral("GEQ"));
    item.componentCompleted();
    QTRY_COMPARE_WITH_TIMEOUT(item.gains().size(), 31, kWait);

    // Drawing across three columns sets the two between as well; the processor confirms them
    // and calls the curve its own no longer.
    const double column = 620.0 / 31.0;
    const int y = int(400 * 0.5 - 20 * 4.5); // +4.5 dB
    item.reDrawBands(int(column * 17.5), int(column * 20.5), y); // from 1.0 kHz to 2.0 kHz
    QCOMPARE(item.gains().value(QStringLiteral("1.6 kHz")), 4.5f); // shown at once while drawing
    QTRY_COMPARE_WITH_TIMEOUT(sideValue(QStringLiteral("GEQ"), QStringLiteral("2.0 kHz")), QStringLiteral("4.5dB"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(sideValue(QStringLiteral("GEQ"), QStringLiteral("1.25 kHz")), QStringLiteral("4.5dB"), kWait);
    QCOMPARE(sideValue(QStringLiteral("GEQ"), QStringLiteral("1.0 kHz")), QStringLiteral("0.0dB")); // not drawn
    QCOMPARE(sideValue(QStringLiteral("GEQ"), QStringLiteral("QuickCurve")), QStringLiteral("Manual"));

    // A dragged point: +12 dB at the top edge of the upper half.
    item.setControlPoint(30, 0, 0);
    QTRY_COMPARE_WITH_TIMEOUT(sideValue(QStringLiteral("GEQ"), QStringLiteral("20.0 kHz")), QStringLiteral("12.0dB"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(item.gains().value(QStringLiteral("20.0 kHz")), 12.0f, kWait);

    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\GEQ\\SV\\QuickCurve\" \"Flat\"")));
    QTRY_COMPARE_WITH_TIMEOUT(item.gains().value(QStringLiteral("20.0 kHz")), 0.0f, kWait);
}

void TstGraphsScreens::roomMeasurementIsDrawable()
{
    TarnTextSV response;
    response.setPoName(QStringLiteral("RoomEQ"));
    response.setSvName(QStringLiteral("Response"));
    TarnTextSV target;
    target.setPoName(QStringLiteral("RoomEQ"));
    target.setSvName(QStringLiteral("Target"));
    QTRY_VERIFY_WITH_TIMEOUT(!response.value().isEmpty() && !target.value().isEmpty(), kWait);
    const QStringList room = response.value().split(QLatin1Char(' '));
    const QStringList house = target.value().split(QLatin1Char(' '));
    QCOMPARE(room.size(), 625);
    QCOMPARE(house.size(), 625);
    // 160 points per decade from 20 Hz at index 143, in dB. The room's mode near 63 Hz stands
    // well above its surroundings; the target rises towards the bass and falls at the top.
    const int i63 = 143 + int(std::round(160.0 * std::log10(63.0 / 20.0)));
    const int i1k = 143 + 160 + 160 + 112; // ~1 kHz
    QVERIFY(room.at(i63).toDouble() > 5.0);
    QVERIFY(std::fabs(room.at(i1k).toDouble()) < 3.0);
    QVERIFY(house.at(143).toDouble() > 3.5);
    QVERIFY(house.at(623).toDouble() < -3.0);

    // The automatic EQ's bands bring the room towards the target: the corrected 63 Hz is
    // within 1.5 dB of it.
    TarnPEQGraphItem item;
    item.setSize(QSizeF(800, 400));
    item.setPoName(QStringLiteral("RoomEQ"));
    item.setBandCount(8);
    item.setShowRoomCurve(true);
    item.setFinalResultantVisible(true);
    item.setRoomCurveString(response.value());
    item.setTargetCurveString(target.value());
    item.componentCompleted();
    QTRY_VERIFY_WITH_TIMEOUT(item.lastCurves().size() == 9 && item.plotter()->band(0).gain == -5.0f, kWait);
    const QRectF bounds = item.plotter()->boundRectangle();
    const float x63 = std::round(float(peqaxis::xOfFrequency(bounds, 63.0)));
    const double eqAt63 = valueAt(item.lastCurves().last(), x63) * 20.0 / bounds.height();
    const double corrected = room.at(i63).toDouble() + eqAt63;
    QVERIFY2(std::fabs(corrected - house.at(i63).toDouble()) < 1.5,
             qPrintable(QStringLiteral("%1 against %2").arg(corrected).arg(house.at(i63))));
    // Painted, the room's mode fills grey above the centre line at 63 Hz (+7 dB reaches 70 px
    // up; nothing else is drawn there).
    const QImage image = render(item);
    const QRgb c = image.pixel(int(x63), 160);
    QVERIFY2(qRed(c) > 80 && std::abs(qRed(c) - qGreen(c)) < 20, qPrintable(QStringLiteral("%1 %2 %3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c))));
}

void TstGraphsScreens::parametricScreen()
{
    open(QStringLiteral("PEQ"), QStringLiteral("Mid"), QStringLiteral("TarnPEQ.qml"));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::PEQType)), QStringLiteral("Mid"));
    auto *graph = find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"));
    QVERIFY(graph);
    QCOMPARE(graph->poName(), QStringLiteral("Mid Outputs PEQ"));
    QSignalSpy painted(graph, &TarnPEQGraphItem::repainted);
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(5).gain, 2.0f, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(graph->controlPoints().size(), 8, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    // The header names the band and the switch shows the processor's state.
    auto *subtitle = find<QQuickItem>(QStringLiteral("blockSubtitle"));
    QCOMPARE(subtitle->property("text").toString(), QStringLiteral("Mid Outputs"));
    QVERIFY(m_h.allBound());
    const QImage before = m_h.picture(QStringLiteral("TarnPEQ"));

    // Another console cuts band 6 by 8 dB: the curve moves on screen.
    painted.clear();
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_6_Gain\" \"-8\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(5).gain, -8.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QRect region = regionOf(graph);
    QVERIFY(redrawn(before, region, 500, QStringLiteral("TarnPEQ-changed")));

    // Band 3 chosen by its button: the editor follows.
    m_h.click(find<QQuickItem>(QStringLiteral("bandButton3")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->currentBandIndex(), 2, kWait);
    QCOMPARE(find<QQuickItem>(QStringLiteral("bandTitle"))->property("text").toString(), QStringLiteral("Band 3"));
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

    // Band 1's point dragged with the mouse to the middle of the graph, +6 dB: the processor
    // takes the values and the point follows.
    auto *point = find<QQuickItem>(QStringLiteral("bandPoint1"));
    QTRY_VERIFY_WITH_TIMEOUT(point->isVisible(), kWait);
    const QPointF from = point->mapToScene(QPointF(point->width() / 2, point->height() / 2));
    const QPointF to = graph->mapToScene(QPointF(graph->width() / 2, graph->height() / 2 - graph->height() / 2 * 6.0 / 20.0));
    QTest::mousePress(m_h.view(), Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(m_h.view(), (from + (to - from) * i / 10.0).toPoint(), 15);
    QTest::mouseRelease(m_h.view(), Qt::LeftButton, Qt::NoModifier, to.toPoint());
    QCOMPARE(graph->currentBandIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(graph->plotter()->band(0).gain - 6.0f) < 0.35f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(graph->plotter()->band(0).frequency - 663.0f) < 30.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT((point->mapToScene(QPointF(point->width() / 2, point->height() / 2)) - to).manhattanLength() < 8, kWait);
    m_h.picture(QStringLiteral("TarnPEQ-dragged"));

    // Another output band chosen by its tab: the screen binds that band's PEQ and remembers it.
    m_h.click(find<QQuickItem>(QStringLiteral("bandLow")));
    QTRY_COMPARE_WITH_TIMEOUT(TarnSettings::text(QString::fromLatin1(tarn::keys::PEQType)), QStringLiteral("Low"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"))->poName(), QStringLiteral("Low Outputs PEQ"), kWait);
    auto *lowGraph = find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"));
    QTRY_COMPARE_WITH_TIMEOUT(lowGraph->plotter()->band(7).type, 2, kWait);
    QCOMPARE(find<QQuickItem>(QStringLiteral("blockSubtitle"))->property("text").toString(), QStringLiteral("Low Outputs"));

    // Back as they were, for the other screens.
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_6_Gain\" \"2\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_3_Gain\" \"-2.5\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_3_Frequency\" \"250\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_1_Gain\" \"3\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_1_Frequency\" \"63\"")));
}

void TstGraphsScreens::autoEqScreen()
{
    open(QStringLiteral("AEQ"), QString(), QStringLiteral("TarnAEQ.qml"));
    auto *graph = find<TarnPEQGraphItem>(QStringLiteral("peqGraphItem"));
    QVERIFY(graph);
    QCOMPARE(graph->poName(), QStringLiteral("RoomEQ"));
    QSignalSpy painted(graph, &TarnPEQGraphItem::repainted);
    // The room and target of the processor's measurement are drawn with the bands.
    QTRY_VERIFY_WITH_TIMEOUT(graph->roomCurveString().split(QLatin1Char(' ')).size() == 625, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(graph->targetCurveString().split(QLatin1Char(' ')).size() == 625, kWait);
    QVERIFY(graph->showRoomCurve());
    QVERIFY(graph->finalResultantVisible());
    QTRY_VERIFY_WITH_TIMEOUT(graph->plotter()->band(0).gain == -5.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QVERIFY(m_h.allBound());
    const QImage before = m_h.picture(QStringLiteral("TarnAEQ"));
    const QRect region = regionOf(graph);

    // A band changed elsewhere moves the band curve, the sum and the corrected room.
    painted.clear();
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\RoomEQ\\SV\\Band_3_Gain\" \"-6\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).gain, -6.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QVERIFY(redrawn(before, region, 300, QStringLiteral("TarnAEQ-changed")));

    // The target switched off is no longer drawn.
    m_h.click(find<QQuickItem>(QStringLiteral("overlayTarget")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->targetCurveString(), QString(), kWait);

    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\RoomEQ\\SV\\Band_3_Gain\" \"4\"")));
}

void TstGraphsScreens::graphicEqScreen()
{
    open(QStringLiteral("GEQ"), QStringLiteral("StereoGEQ"), QStringLiteral("TarnGEQ.qml"));
    auto *graph = find<TarnGEQGraphItem>(QStringLiteral("geqGraphItem"));
    QVERIFY(graph);
    QCOMPARE(graph->poName(), QStringLiteral("GEQ"));
    QSignalSpy painted(graph, &TarnGEQGraphItem::repainted);
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\GEQ\\SV\\QuickCurve\" \"Speech\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->gains().value(QStringLiteral("100 Hz")), -6.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QVERIFY(m_h.allBound());
    const QImage before = m_h.picture(QStringLiteral("TarnGEQ"));
    const QRect region = regionOf(graph);

    // A quick curve chosen on the screen: the processor sets the bands, the bars follow.
    painted.clear();
    m_h.click(find<QQuickItem>(QStringLiteral("choice_DJ")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->gains().value(QStringLiteral("40 Hz")), 6.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QVERIFY(redrawn(before, region, 500, QStringLiteral("TarnGEQ-changed")));

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
    auto *quick = find<QQuickItem>(QStringLiteral("quickCurve"));
    QTRY_COMPARE_WITH_TIMEOUT(quick->property("selectedValue").toString(), QStringLiteral("Manual"), kWait);
    m_h.picture(QStringLiteral("TarnGEQ-drawn"));

    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\GEQ\\SV\\QuickCurve\" \"Flat\"")));
}

void TstGraphsScreens::crossoverScreen()
{
    // As the home screen stores them for the running three-way preset.
    TarnSettings::write(QString::fromLatin1(tarn::keys::CrossoverNumBand), QStringLiteral("3"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CrossoverMonoSub), QStringLiteral("0"));
    for (const char *key : {tarn::keys::CrossoverLowGroupVisible, tarn::keys::CrossoverMidGroupVisible,
                            tarn::keys::CrossoverHighGroupVisible})
        TarnSettings::write(QString::fromLatin1(key), QStringLiteral("true"));
    open(QStringLiteral("Crossover"), QString(), QStringLiteral("CrossOver.qml"));
    auto *graph = find<CrossoverGraphItem>(QStringLiteral("crossoverGraphItem"));
    QVERIFY(graph);
    QCOMPARE(graph->bandCount(), 3);
    QCOMPARE(graph->waysCount(), 3);
    QCOMPARE(graph->subsCount(), 0);
    QSignalSpy painted(graph, &CrossoverGraphItem::repainted);
    QTRY_VERIFY_WITH_TIMEOUT(graph->plotter()->band(1).hpFrequency == 100.0f && graph->plotter()->band(2).hpFrequency == 1200.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    for (const char *group : {"groupLow", "groupMid", "groupHigh"})
        QVERIFY2(find<QQuickItem>(QLatin1String(group))->isVisible(), group);
    QVERIFY(m_h.allBound());
    const QImage before = m_h.picture(QStringLiteral("CrossOver"));
    const QRect region = regionOf(graph);

    painted.clear();
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_LPFrequency\" \"3000\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_3_HPFrequency\" \"3000\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).hpFrequency, 3000.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QVERIFY(redrawn(before, region, 500, QStringLiteral("CrossOver-changed")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_LPFrequency\" \"1200\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_3_HPFrequency\" \"1200\"")));
    cleanup();

    // Two ways and a mono sub: the sub is the low group, band 1 the mid, band 2 the high. The
    // processor runs such a preset; the home screen's model stores its band count and sub mode.
    recallPreset(2, QStringLiteral("2"), QStringLiteral("1"));
    open(QStringLiteral("Crossover"), QString(), QStringLiteral("CrossOver.qml"));
    graph = find<CrossoverGraphItem>(QStringLiteral("crossoverGraphItem"));
    QCOMPARE(graph->bandCount(), 3);
    QCOMPARE(graph->subsCount(), 1);
    QCOMPARE(graph->plotter()->svNameFor(2, QStringLiteral("Gain")), QStringLiteral("MonoSub_Gain"));
    auto *low = find<QQuickItem>(QStringLiteral("groupLow"));
    QCOMPARE(low->property("prefix").toString(), QStringLiteral("MonoSub_"));
    QCOMPARE(find<QQuickItem>(QStringLiteral("groupHigh"))->property("prefix").toString(), QStringLiteral("Band_2_"));
    cleanup();

    // Two ways without a sub: no mid group.
    recallPreset(3, QStringLiteral("2"), QStringLiteral("0"));
    open(QStringLiteral("Crossover"), QString(), QStringLiteral("CrossOver.qml"));
    graph = find<CrossoverGraphItem>(QStringLiteral("crossoverGraphItem"));
    QCOMPARE(graph->bandCount(), 2);
    QVERIFY(!find<QQuickItem>(QStringLiteral("groupMid"))->isVisible());
    QVERIFY(find<QQuickItem>(QStringLiteral("groupLow"))->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(graph->lastCurves().size() == 2 && graph->plotter()->band(1).hpFrequency == 1200.0f, kWait);
    auto *lowGain = find<QQuickItem>(QStringLiteral("gain"));
    QTRY_COMPARE_WITH_TIMEOUT(lowGain->property("valueText").toString(), QStringLiteral("0.0dB"), kWait);
    m_h.picture(QStringLiteral("CrossOver-2way"));
    cleanup();
    recallPreset(1, QStringLiteral("3"), QStringLiteral("0"));
}

// Recalls a preset from another console and waits until the application has gone home and its
// home model has stored the preset's crossover layout.
void TstGraphsScreens::recallPreset(int slot, const QString &numBands, const QString &monoSub)
{
    QVERIFY(side(QStringLiteral("set \"\\\\Storage\\Presets\\SV\\Recall\" \"%1\"").arg(slot)));
    QTRY_VERIFY_WITH_TIMEOUT(TarnSettings::text(QString::fromLatin1(tarn::keys::CrossoverNumBand)) == numBands
                                 && TarnSettings::text(QString::fromLatin1(tarn::keys::CrossoverMonoSub)) == monoSub
                                 && m_h.loader->activeScreen() == QLatin1String("TarnHomeScreen.qml")
                                 && !m_h.loader->property("appBusyPreventClose").toBool(),
                             kWait);
}

void TstGraphsScreens::feedbackScreen()
{
    open(QStringLiteral("AFS"), QString(), QStringLiteral("ScreenAFS.qml"));
    auto *graph = find<TarnAFSGraphItem>(QStringLiteral("afsGraphItem"));
    QVERIFY(graph);
    TarnAFSCurvePlotter *plotter = graph->plotter();
    QSignalSpy painted(graph, &TarnAFSGraphItem::repainted);
    // Two fixed filters were placed at setup.
    QTRY_VERIFY_WITH_TIMEOUT(plotter->band(0).gain == -9.5f && plotter->band(1).frequency == 630.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    auto placed = [plotter] {
        int n = 0;
        for (int i = 0; i < 12; ++i)
            n += plotter->band(i).gain < 0.0f ? 1 : 0;
        return n;
    };
    QCOMPARE(placed(), 2);
    auto *count = find<QQuickItem>(QStringLiteral("placedCount"));
    QTRY_COMPARE_WITH_TIMEOUT(count->property("text").toString(), QStringLiteral("2 of 12 placed"), kWait);
    QVERIFY(m_h.allBound());
    // Filter 7 (the first live one, after six fixed) hangs flat along the top edge.
    const float top = float(plotter->boundRectangle().height());
    for (float y : graph->lastCurves()[6])
        QCOMPARE(y, top);
    const QImage before = m_h.picture(QStringLiteral("ScreenAFS"));
    const QRect region = regionOf(graph);

    // The suppressor runs: one step later a live filter rings in at -3 dB, its curve dips.
    painted.clear();
    QVERIFY(side(QStringLiteral("model tick 1")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(6).gain, -3.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(*std::min_element(graph->lastCurves()[6].cbegin(), graph->lastCurves()[6].cend()) < top * 0.875f, kWait);
    const float frequency = plotter->band(6).frequency;
    QVERIFY2(frequency >= 200.0f && frequency <= 8000.0f, qPrintable(QString::number(frequency)));
    QVERIFY(plotter->band(6).q >= 8.0f);
    // Over the next events it goes deeper, and others follow, on the graph and in the list.
    QVERIFY(side(QStringLiteral("model tick 200")));
    QTRY_VERIFY_WITH_TIMEOUT(placed() >= 5 && plotter->band(8).gain < 0.0f, kWait);
    QVERIFY(plotter->band(6).gain < -3.0f);
    QCOMPARE(plotter->band(0).gain, -9.5f); // fixed filters stay
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(count->property("text").toString() != QStringLiteral("2 of 12 placed"), kWait);
    QVERIFY(redrawn(before, region, 200, QStringLiteral("ScreenAFS-changed")));
    // The first fixed filter (2512 Hz, -9.5 dB) hangs almost half-way down, filled in its colour.
    const QImage image = render(*graph);
    const QRgb c = image.pixel(int(std::round(graph->width() * std::log10(2512.0 / 20.0) / 3.0)), int(graph->height() * 0.15));
    QVERIFY2(qRed(c) > 100 && qRed(c) > qGreen(c) + 40 && qRed(c) > qBlue(c) + 40, qPrintable(rgb(c)));

    // Switched off, nothing more happens.
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Afs\\SV\\AFS\" \"Off\"")));
    QList<float> gains;
    for (int i = 0; i < 12; ++i)
        gains << plotter->band(i).gain;
    QVERIFY(side(QStringLiteral("model tick 300")));
    QCOMPARE(sideValue(QStringLiteral("Afs"), QStringLiteral("AFS")), QStringLiteral("Off"));
    for (int i = 0; i < 12; ++i)
        QCOMPARE(plotter->band(i).gain, gains[i]);

    // The filter mode chosen on the screen.
    m_h.click(find<QQuickItem>(QStringLiteral("choice_Fixed")));
    QTRY_COMPARE_WITH_TIMEOUT(find<QQuickItem>(QStringLiteral("filterMode"))->property("selectedValue").toString(),
                              QStringLiteral("Fixed"), kWait);
}

TARN_XVFB_TEST_MAIN(TstGraphsScreens, "TARN_GRAPHS_SCREENS_X")
#include "tst_graphs_screens.moc"
