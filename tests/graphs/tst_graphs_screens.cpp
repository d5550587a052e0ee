// Guards against response-graph screens that warn, leave controls unanswered or do not redraw
// when the offline model's values change; pictures of each go to build/screenshots/graphs.
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "quickitems.h"
#include "settingskeys.h"
#include "tarnafscurveplotter.h"
#include "tarnafsgraphitem.h"
#include "tarngeqgraphitem.h"
#include "tarnpeqcurveplotter.h"
#include "tarnpeqgraphitem.h"
#include "tarncontrol.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"
#include "xvfbexec.h"
#include "viewloader.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QSet>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QStandardPaths>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;

namespace {
constexpr int kWait = 8000;

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
QString bindingKey(const QString &po, const QString &sv, const QString &valueType)
{
    return po + QLatin1Char('|') + sv + QLatin1Char('|') + valueType;
}
} // namespace

class TstGraphsScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void parametricScreen();
    void autoEqScreen();
    void graphicEqScreen();
    void crossoverScreen();
    void feedbackScreen();

private:
    void open(const QString &command, const QString &payload, const QString &document);
    template <typename T> T *find(const QString &objectName);
    QImage picture(const QString &name);
    QRect regionOf(QQuickItem *item) const;
    // Controls of the screen bound to a variable that the processor has not reported yet.
    QStringList unanswered() const;
    bool side(const QString &line);
    void click(QQuickItem *item);
    void recallPreset(int slot, const QString &numBands, const QString &monoSub);

    ModelProcess m_model;
    LinkClient m_side;
    std::unique_ptr<ViewLoader> m_loader;
    QPointer<QQuickItem> m_screen;
    QSet<QString> m_answered;
    QStringList m_warnings;
    QString m_pictures;
};

void TstGraphsScreens::initTestCase()
{
    qRegisterMetaType<QList<QMap<float, float> > >("QList<QMap<float,float> >&");
    qRegisterMetaType<QMap<QString, float> >("QMap<QString,float>&");
    QVERIFY2(m_model.start({QStringLiteral("--meter-interval"), QStringLiteral("0")}), qPrintable(m_model.output()));
    QVERIFY(m_side.login(m_model.port()));
    qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    qputenv("TARN_DEVICE_PORT", QByteArray::number(m_model.port()));
    TarnSettings().clear();
    TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
    m_pictures = QDir(QStringLiteral(TARN_BIN_DIR "/../screenshots/graphs")).absolutePath();
    QDir().mkpath(m_pictures);

    tarn::registerQmlTypes();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_loader = std::make_unique<ViewLoader>();
    connect(m_loader->view()->engine(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &warnings) {
        for (const QQmlError &w : warnings)
            m_warnings.append(w.toString());
    });
    connect(TCPAdaptor::instance(), &TCPAdaptor::dataAvailable, this, [this](const DataFromDevice &d) {
        if (d.command != QLatin1String("unsubr"))
            m_answered.insert(bindingKey(d.poName, d.svName, d.valueType));
    });
    m_loader->InitLoader(QStringLiteral("offscreen"));
    m_loader->view()->setResizeMode(QQuickView::SizeRootObjectToView);
    m_loader->view()->resize(1024, 768);
    QVERIFY(m_loader->view()->rootObject());
    QSignalSpy pages(m_loader.get(), &ViewLoader::loadPage);
    m_loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:stagemanagers"));
    // The login opens the home screen, and the first report of the running preset opens it once
    // more; only then is it safe to leave for another screen.
    const auto homeLoads = [&pages]() {
        int n = 0;
        for (const QList<QVariant> &page : qAsConst(pages))
            n += page.value(0).toString().endsWith(QLatin1String("TarnHomeScreen.qml")) ? 1 : 0;
        return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(homeLoads() >= 2, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(m_loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
}

void TstGraphsScreens::cleanupTestCase()
{
    m_loader.reset();
}

void TstGraphsScreens::init()
{
    m_warnings.clear();
}

void TstGraphsScreens::cleanup()
{
    QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join(QLatin1Char('\n'))));
    open(QStringLiteral("HomeButtonPressed"), QString(), QStringLiteral("TarnHomeScreen.qml"));
}

// The page arrives after the state: the root document loads it from a queued call.
void TstGraphsScreens::open(const QString &command, const QString &payload, const QString &document)
{
    m_screen = nullptr;
    m_answered.clear();
    m_loader->onGuiSignal(command, payload);
    QTRY_COMPARE_WITH_TIMEOUT(m_loader->activeScreen(), document, kWait);
    auto *pageLoader = m_loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("pageLoader"));
    QVERIFY(pageLoader);
    QTRY_VERIFY_WITH_TIMEOUT(pageLoader->property("source").toString().endsWith(document)
                                 && pageLoader->property("item").value<QQuickItem *>() != nullptr, kWait);
    m_screen = pageLoader->property("item").value<QQuickItem *>();
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
    QTest::qWaitFor([&] { return m_screen && (item = search(m_screen)) != nullptr; }, kWait);
    if (!QTest::qVerify(item != nullptr, "find", qPrintable(objectName), __FILE__, __LINE__)) {
        static T standIn;
        return &standIn;
    }
    return item;
}

QImage TstGraphsScreens::picture(const QString &name)
{
    const QImage image = m_loader->view()->grabWindow();
    if (!image.save(m_pictures + QLatin1Char('/') + name + QStringLiteral(".png")))
        qWarning() << "could not save the picture" << name << image.size();
    return image;
}

QStringList TstGraphsScreens::unanswered() const
{
    QStringList missing;
    for (QObject *o : tarn::test::everything(m_screen)) {
        auto *control = qobject_cast<TarnControl *>(o);
        if (!control || control->poName().isEmpty() || control->svName().isEmpty())
            continue;
        if (!m_answered.contains(bindingKey(control->poName(), control->svName(), control->valueType())))
            missing << control->poName() + QLatin1Char(' ') + control->svName();
    }
    missing.removeDuplicates();
    return missing;
}

QRect TstGraphsScreens::regionOf(QQuickItem *item) const
{
    const QPointF topLeft = item->mapToScene(QPointF(0, 0));
    return QRect(topLeft.toPoint(), QSize(int(item->width()), int(item->height())));
}

void TstGraphsScreens::click(QQuickItem *item)
{
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(m_loader->view(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

bool TstGraphsScreens::side(const QString &line)
{
    QSignalSpy lines(&m_side, &LinkClient::lineReceived);
    m_side.sendRaw(line.toUtf8() + '\n');
    return lines.wait(kWait);
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
    // Every bound control on the screen has its value from the processor.
    QTRY_VERIFY2_WITH_TIMEOUT(unanswered().isEmpty(), qPrintable(unanswered().join(QStringLiteral(", "))), kWait);
    const QImage before = picture(QStringLiteral("TarnPEQ"));

    // Another console cuts band 6 by 8 dB: the curve moves on screen.
    painted.clear();
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_6_Gain\" \"-8\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(5).gain, -8.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QImage after = picture(QStringLiteral("TarnPEQ-changed"));
    const QRect region = regionOf(graph);
    QVERIFY2(changedPixels(before, after, region) > 500, qPrintable(QString::number(changedPixels(before, after, region))));

    // Band 3 chosen by its button: the editor follows.
    click(find<QQuickItem>(QStringLiteral("bandButton3")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->currentBandIndex(), 2, kWait);
    QCOMPARE(find<QQuickItem>(QStringLiteral("bandTitle"))->property("text").toString(), QStringLiteral("Band 3"));
    auto *gainField = find<QQuickItem>(QStringLiteral("bandGain"));
    QTRY_COMPARE_WITH_TIMEOUT(gainField->property("valueText").toString(), QStringLiteral("-2.5dB"), kWait);
    // Its + nudge steps the gain by a tenth of a decibel, confirmed by the processor.
    QQuickItem *up = tarn::test::findItem(gainField, QStringLiteral("nudgeUp"));
    QVERIFY(up);
    click(up);
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).gain, -2.4f, kWait);
    // The frequency's step follows its range: 250 Hz lies in 100 … 1000 Hz, stepped by 1 Hz.
    auto *frequencyField = find<QQuickItem>(QStringLiteral("bandFrequency"));
    QQuickItem *down = tarn::test::findItem(frequencyField, QStringLiteral("nudgeDown"));
    QVERIFY(down);
    click(down);
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).frequency, 249.0f, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(frequencyField->property("valueText").toString(), QStringLiteral("249.0Hz"), kWait);

    // Band 1's point dragged with the mouse to the middle of the graph, +6 dB: the processor
    // takes the values and the point follows.
    auto *point = find<QQuickItem>(QStringLiteral("bandPoint1"));
    QTRY_VERIFY_WITH_TIMEOUT(point->isVisible(), kWait);
    const QPointF from = point->mapToScene(QPointF(point->width() / 2, point->height() / 2));
    const QPointF to = graph->mapToScene(QPointF(graph->width() / 2, graph->height() / 2 - graph->height() / 2 * 6.0 / 20.0));
    QTest::mousePress(m_loader->view(), Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(m_loader->view(), (from + (to - from) * i / 10.0).toPoint(), 15);
    QTest::mouseRelease(m_loader->view(), Qt::LeftButton, Qt::NoModifier, to.toPoint());
    QCOMPARE(graph->currentBandIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(graph->plotter()->band(0).gain - 6.0f) < 0.35f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(graph->plotter()->band(0).frequency - 663.0f) < 30.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT((point->mapToScene(QPointF(point->width() / 2, point->height() / 2)) - to).manhattanLength() < 8, kWait);
    picture(QStringLiteral("TarnPEQ-dragged"));

    // Another output band chosen by its tab: the screen binds that band's PEQ and remembers it.
    click(find<QQuickItem>(QStringLiteral("bandLow")));
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
    // Every bound control on the screen has its value from the processor.
    QTRY_VERIFY2_WITH_TIMEOUT(unanswered().isEmpty(), qPrintable(unanswered().join(QStringLiteral(", "))), kWait);
    const QImage before = picture(QStringLiteral("TarnAEQ"));
    const QRect region = regionOf(graph);

    // A band changed elsewhere moves the band curve, the sum and the corrected room.
    painted.clear();
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\RoomEQ\\SV\\Band_3_Gain\" \"-6\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).gain, -6.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QImage after = picture(QStringLiteral("TarnAEQ-changed"));
    QVERIFY2(changedPixels(before, after, region) > 300, qPrintable(QString::number(changedPixels(before, after, region))));

    // The target switched off is no longer drawn.
    click(find<QQuickItem>(QStringLiteral("overlayTarget")));
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
    // Every bound control on the screen has its value from the processor.
    QTRY_VERIFY2_WITH_TIMEOUT(unanswered().isEmpty(), qPrintable(unanswered().join(QStringLiteral(", "))), kWait);
    const QImage before = picture(QStringLiteral("TarnGEQ"));
    const QRect region = regionOf(graph);

    // A quick curve chosen on the screen: the processor sets the bands, the bars follow.
    painted.clear();
    click(find<QQuickItem>(QStringLiteral("choice_DJ")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->gains().value(QStringLiteral("40 Hz")), 6.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QImage after = picture(QStringLiteral("TarnGEQ-changed"));
    QVERIFY2(changedPixels(before, after, region) > 500, qPrintable(QString::number(changedPixels(before, after, region))));

    // Draw mode: a stroke across the upper half sets the bands it passes; the curve is "Manual".
    click(find<QQuickItem>(QStringLiteral("drawMode")));
    QTRY_VERIFY_WITH_TIMEOUT(find<QQuickItem>(QStringLiteral("drawArea"))->isEnabled(), kWait);
    const double column = graph->width() / 31.0;
    const double y = graph->height() / 2 - graph->height() / 2 * 9.0 / 12.0; // +9 dB
    const QPointF start = graph->mapToScene(QPointF(column * 20.5, y));
    const QPointF end = graph->mapToScene(QPointF(column * 25.5, y));
    QTest::mousePress(m_loader->view(), Qt::LeftButton, Qt::NoModifier, start.toPoint());
    QTest::mouseMove(m_loader->view(), end.toPoint(), 20);
    QTest::mouseRelease(m_loader->view(), Qt::LeftButton, Qt::NoModifier, end.toPoint());
    for (const char *band : {"2.0 kHz", "2.5 kHz", "3.15 kHz", "4.0 kHz", "5.0 kHz", "6.3 kHz"})
        QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(graph->gains().value(QLatin1String(band)) - 9.0f) < 0.3f, band, kWait);
    // The points follow once the processor has them.
    const int expectedY = int(graph->height() / 2 / 12.0 * 9.0);
    QTRY_VERIFY_WITH_TIMEOUT(graph->controlPoints().size() == 31
                                 && std::abs(graph->controlPoints().at(25).toPoint().y() - expectedY) <= 2, kWait);
    auto *quick = find<QQuickItem>(QStringLiteral("quickCurve"));
    QTRY_COMPARE_WITH_TIMEOUT(quick->property("selectedValue").toString(), QStringLiteral("Manual"), kWait);
    picture(QStringLiteral("TarnGEQ-drawn"));

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
    // Every bound control on the screen has its value from the processor.
    QTRY_VERIFY2_WITH_TIMEOUT(unanswered().isEmpty(), qPrintable(unanswered().join(QStringLiteral(", "))), kWait);
    const QImage before = picture(QStringLiteral("CrossOver"));
    const QRect region = regionOf(graph);

    painted.clear();
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_2_LPFrequency\" \"3000\"")));
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Crossover\\SV\\Band_3_HPFrequency\" \"3000\"")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->plotter()->band(2).hpFrequency, 3000.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    const QImage after = picture(QStringLiteral("CrossOver-changed"));
    QVERIFY2(changedPixels(before, after, region) > 500, qPrintable(QString::number(changedPixels(before, after, region))));
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
    picture(QStringLiteral("CrossOver-2way"));
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
                                 && m_loader->activeScreen() == QLatin1String("TarnHomeScreen.qml")
                                 && !m_loader->property("appBusyPreventClose").toBool(),
                             kWait);
}

void TstGraphsScreens::feedbackScreen()
{
    open(QStringLiteral("AFS"), QString(), QStringLiteral("ScreenAFS.qml"));
    auto *graph = find<TarnAFSGraphItem>(QStringLiteral("afsGraphItem"));
    QVERIFY(graph);
    QSignalSpy painted(graph, &TarnAFSGraphItem::repainted);
    QTRY_VERIFY_WITH_TIMEOUT(graph->plotter()->band(0).gain == -9.5f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    auto *count = find<QQuickItem>(QStringLiteral("placedCount"));
    QTRY_COMPARE_WITH_TIMEOUT(count->property("text").toString(), QStringLiteral("2 of 12 placed"), kWait);
    // Every bound control on the screen has its value from the processor.
    QTRY_VERIFY2_WITH_TIMEOUT(unanswered().isEmpty(), qPrintable(unanswered().join(QStringLiteral(", "))), kWait);
    const QImage before = picture(QStringLiteral("ScreenAFS"));
    const QRect region = regionOf(graph);

    // The suppressor runs for a while: filters appear on the graph and in the list.
    painted.clear();
    QVERIFY(side(QStringLiteral("model tick 120")));
    QTRY_VERIFY_WITH_TIMEOUT(graph->plotter()->band(8).gain < 0.0f, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!painted.isEmpty(), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(count->property("text").toString() != QStringLiteral("2 of 12 placed"), kWait);
    const QImage after = picture(QStringLiteral("ScreenAFS-changed"));
    QVERIFY2(changedPixels(before, after, region) > 200, qPrintable(QString::number(changedPixels(before, after, region))));

    // The filter mode chosen on the screen.
    click(find<QQuickItem>(QStringLiteral("choice_Fixed")));
    QTRY_COMPARE_WITH_TIMEOUT(find<QQuickItem>(QStringLiteral("filterMode"))->property("selectedValue").toString(),
                              QStringLiteral("Fixed"), kWait);
    QVERIFY(side(QStringLiteral("set \"\\\\Preset\\Afs\\SV\\FilterMode\" \"Fixed + Live\"")));
}

// Pictures need a real X server: the test runs itself again under a private Xvfb.
int main(int argc, char *argv[])
{
    if (!tarn::test::reexecUnderXvfb("TARN_GRAPHS_SCREENS_X", argc, argv))
        return 0;
    tarn::test::isolateEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TstGraphsScreens tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_graphs_screens.moc"
