// Guards against graphs that miss values another console sets on the offline model, and drags
// that flood the link or move a point before the processor confirms it.
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "eqcurvemodel.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "settingskeys.h"
#include "tarnafscurveplotter.h"
#include "tarnafsgraphitem.h"
#include "tarngeqbands.h"
#include "tarngeqgraphitem.h"
#include "tarnnumericalsv.h"
#include "tarnpeqcurveplotter.h"
#include "tarnpeqgraphitem.h"
#include "tarnsettings.h"
#include "tarntextsv.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

#include <cmath>

using namespace tarn::graphs;
using tarn::test::LinkClient;
using tarn::test::ModelProcess;

namespace {
constexpr int kWait = 5000;
const QString kPeq = QStringLiteral("Mid Outputs PEQ");

struct SentLine {
    qint64 at;
    QString text;
};

float valueAt(const CurveMap &curve, float x)
{
    const auto it = curve.lowerBound(x);
    return it == curve.end() ? 0.0f : it.value();
}

QImage render(QQuickPaintedItem &item)
{
    QImage image(int(item.width()), int(item.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    item.paint(&painter);
    return image;
}
} // namespace

class TstGraphsOffline : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void parametricDragIsThrottledAndConfirmed();
    void crossoverFollowsTheProcessor();
    void graphicEqQuickCurveAndDrawing();
    void feedbackFiltersAppearOverTime();
    void roomMeasurementIsDrawable();

private:
    bool side(const QString &line);
    QString sideValue(const QString &po, const QString &sv);
    QList<SentLine> sentFor(const QString &sv) const;

    ModelProcess m_model;
    LinkClient m_side;
    TCPAdaptor *m_adaptor = nullptr;
    QElapsedTimer m_clock;
    QList<SentLine> m_sent;
};

void TstGraphsOffline::initTestCase()
{
    qRegisterMetaType<QList<QMap<float, float> > >("QList<QMap<float,float> >&");
    qRegisterMetaType<QMap<QString, float> >("QMap<QString,float>&");
    // The model's clock stands still; the feedback test steps it.
    QVERIFY2(m_model.start({QStringLiteral("--meter-interval"), QStringLiteral("0")}), qPrintable(m_model.output()));
    m_adaptor = TCPAdaptor::instance();
    m_clock.start();
    connect(m_adaptor, &TCPAdaptor::sendMessage, this, [this](const QByteArray &line) {
        m_sent.append({m_clock.elapsed(), QString::fromUtf8(line.trimmed())});
    });
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("stagemanagers"));
    qputenv("TARN_DEVICE_PORT", QByteArray::number(m_model.port()));
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    m_adaptor->doConnect();
    QVERIFY(ready.wait(kWait));
    QVERIFY(m_side.login(m_model.port()));
}

void TstGraphsOffline::cleanupTestCase()
{
    m_adaptor->doDisconnect();
    QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isConnected(), kWait);
}

// Sends one line from the second console and waits for its answer.
bool TstGraphsOffline::side(const QString &line)
{
    QSignalSpy lines(&m_side, &LinkClient::lineReceived);
    m_side.sendRaw(line.toUtf8() + '\n');
    return lines.wait(kWait);
}

QString TstGraphsOffline::sideValue(const QString &po, const QString &sv)
{
    if (!side(QStringLiteral("get \"\\\\Preset\\%1\\SV\\%2\"").arg(po, sv)))
        return QStringLiteral("(no answer)");
    return m_side.value(po, sv);
}

QList<SentLine> TstGraphsOffline::sentFor(const QString &sv) const
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

void TstGraphsOffline::parametricDragIsThrottledAndConfirmed()
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

void TstGraphsOffline::crossoverFollowsTheProcessor()
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

void TstGraphsOffline::graphicEqQuickCurveAndDrawing()
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

void TstGraphsOffline::feedbackFiltersAppearOverTime()
{
    TarnAFSGraphItem item;
    item.setSize(QSizeF(800, 400));
    item.setPoName(QStringLiteral("Afs"));
    item.setBandCount(12);
    item.setBandColors(QVariantList{QStringLiteral("#ff0000")});
    item.componentCompleted();
    TarnAFSCurvePlotter *plotter = item.plotter();
    QTRY_COMPARE_WITH_TIMEOUT(item.lastCurves().size(), 13, kWait);
    // Two fixed filters were placed at setup.
    QTRY_VERIFY_WITH_TIMEOUT(plotter->band(0).gain == -9.5f && plotter->band(1).frequency == 630.0f, kWait);
    auto placed = [plotter] {
        int n = 0;
        for (int i = 0; i < 12; ++i)
            n += plotter->band(i).gain < 0.0f ? 1 : 0;
        return n;
    };
    QCOMPARE(placed(), 2);
    // Filter 7 (the first live one, after six fixed) hangs flat along the top edge.
    for (float y : item.lastCurves()[6])
        QCOMPARE(y, 200.0f);

    // The suppressor runs: one step later a live filter rings in at -3 dB, its curve dips.
    QVERIFY(side(QStringLiteral("model tick 1")));
    QTRY_COMPARE_WITH_TIMEOUT(plotter->band(6).gain, -3.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(*std::min_element(item.lastCurves()[6].cbegin(), item.lastCurves()[6].cend()) < 200.0f - 25.0f, kWait);
    const float frequency = plotter->band(6).frequency;
    QVERIFY2(frequency >= 200.0f && frequency <= 8000.0f, qPrintable(QString::number(frequency)));
    QVERIFY(plotter->band(6).q >= 8.0f);

    // Over the next events it goes deeper, and then others follow.
    QVERIFY(side(QStringLiteral("model tick 200")));
    QTRY_VERIFY_WITH_TIMEOUT(placed() >= 5, kWait);
    QVERIFY(plotter->band(6).gain < -3.0f);
    QCOMPARE(plotter->band(0).gain, -9.5f); // fixed filters stay

    // Switched off, nothing more happens.
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Afs\\SV\\AFS\" \"Off\"")));
    const int before = placed();
    QList<float> gains;
    for (int i = 0; i < 12; ++i)
        gains << plotter->band(i).gain;
    QVERIFY(side(QStringLiteral("model tick 300")));
    QCOMPARE(sideValue(QStringLiteral("Afs"), QStringLiteral("AFS")), QStringLiteral("Off"));
    QCOMPARE(placed(), before);
    for (int i = 0; i < 12; ++i)
        QCOMPARE(plotter->band(i).gain, gains[i]);

    // Painted: the first fixed filter (2512 Hz, -9.5 dB) hangs almost half-way down the graph,
    // filled in its colour.
    const QImage image = render(item);
    const int x = int(std::round(800.0 * std::log10(2512.0 / 20.0) / 3.0));
    const QRgb c = image.pixel(x, 60);
    QVERIFY2(qRed(c) > 100 && qGreen(c) < 60, qPrintable(QStringLiteral("%1 %2 %3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c))));
}

void TstGraphsOffline::roomMeasurementIsDrawable()
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

TARN_TEST_MAIN(TstGraphsOffline, QGuiApplication)
#include "tst_graphs_offline.moc"
