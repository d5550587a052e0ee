// Guards against block screens, run against the real offline model, that raise QML warnings, leave
// a bound control without its value, or show a value or band the model does not hold.
#include "datapaths.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "quickitems.h"
#include "settingskeys.h"
#include "tarncontrol.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"
#include "viewloader.h"

#include <QDir>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QStandardPaths>

#include <atomic>
#include <memory>

using tarn::test::everything;
using tarn::test::findItem;
using tarn::test::LinkClient;
using tarn::test::ModelProcess;
using tarn::test::request;

namespace {
constexpr int kWait = 10000;
const QString kPassword = QStringLiteral("stagemanagers");

QStringList g_qmlMessages;
QtMessageHandler g_previous = nullptr;

// QML and JavaScript warnings that do not pass through the engine's warnings signal.
void collectQmlMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QLatin1String category(context.category ? context.category : "");
    const bool fromQml = category == QLatin1String("qml") || category == QLatin1String("js")
        || message.contains(QLatin1String(".qml:")) || message.contains(QLatin1String(".js:"));
    if ((type == QtWarningMsg || type == QtCriticalMsg) && fromQml)
        g_qmlMessages.append(message);
    if (g_previous)
        g_previous(type, context, message);
}

QString key(const QString &po, const QString &sv, const QString &valueType)
{
    return po + QLatin1Char('|') + sv + QLatin1Char('|') + valueType;
}

void clickAt(QQuickView *view, QQuickItem *item, QPointF local)
{
    const QPoint at = item->mapToScene(local).toPoint();
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at);
}
} // namespace

class TstBlockScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyScreenLoadsAndBinds_data();
    void everyScreenLoadsAndBinds();
    void movedControlReachesTheModelAndComesBack();
    void gainReductionFollowsTheBlock();
    void bandTabsFollowTheCrossover();
    void mixerFollowsTheRunningPreset();
    void presetsScreenCopiesAndRecalls();
    void settingsTransferFromTheUtilitiesScreen();

private:
    QQuickItem *page() const;
    bool shows(const QString &document) const;
    bool open(const QString &command, const QString &payload, const QString &document);
    QStringList unboundControls(QObject *root) const;
    // True once every control on the page has had a value; reports the ones that never did.
    bool allBound();
    QObject *screenDescriptor();
    QString modelValue(const QString &po, const QString &sv, const QString &valueType = QString());
    bool recall(int slot);
    // Clicks the named item (popups too) once it is shown and enabled.
    bool press(const QString &name);

    ModelProcess m_model;
    std::unique_ptr<ViewLoader> m_loader;
    LinkClient m_side;
    QSet<QString> m_answered; // keys the link has delivered a value for
    QString m_screenshots;
};

void TstBlockScreens::initTestCase()
{
    QVERIFY2(m_model.start({QStringLiteral("--seed"), QStringLiteral("11"), QStringLiteral("--recall-ms"), QStringLiteral("50")}),
             qPrintable(m_model.output()));
    qputenv("TARN_DEVICE_PORT", QByteArray::number(m_model.port()));
    qputenv("TARN_FTP_PORT", QByteArray::number(m_model.status().value(QStringLiteral("ftpPort")).toInt()));
    qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    TarnSettings().clear();
    TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
    QVERIFY(m_side.login(m_model.port(), kPassword));

    g_previous = qInstallMessageHandler(collectQmlMessages);
    tarn::registerQmlTypes();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(TCPAdaptor::instance(), &TCPAdaptor::dataAvailable, this, [this](const DataFromDevice &d) {
        if (d.command != QLatin1String("unsubr"))
            m_answered.insert(key(d.poName, d.svName, d.valueType));
    });
    m_loader = std::make_unique<ViewLoader>();
    connect(m_loader->view()->engine(), &QQmlEngine::warnings, this, [](const QList<QQmlError> &warnings) {
        for (const QQmlError &w : warnings)
            g_qmlMessages.append(w.toString());
    });
    m_loader->InitLoader(QStringLiteral("offscreen"));
    QSignalSpy pages(m_loader.get(), &ViewLoader::loadPage);
    m_loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:") + kPassword);
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

    m_screenshots = QStringLiteral(TARN_BIN_DIR "/../screenshots/blocks");
    QDir().mkpath(m_screenshots);
}

void TstBlockScreens::cleanupTestCase()
{
    m_loader.reset();
    qInstallMessageHandler(g_previous);
    m_model.stop();
}

QQuickItem *TstBlockScreens::page() const
{
    QQuickItem *root = m_loader->view()->rootObject();
    QObject *loader = root ? root->findChild<QObject *>(QStringLiteral("pageLoader")) : nullptr;
    return loader ? qvariant_cast<QQuickItem *>(loader->property("item")) : nullptr;
}

bool TstBlockScreens::shows(const QString &document) const
{
    QQuickItem *root = m_loader->view()->rootObject();
    QObject *loader = root ? root->findChild<QObject *>(QStringLiteral("pageLoader")) : nullptr;
    // The page is loaded by a queued signal: the loader's own document, ready, is the sign.
    return loader && m_loader->activeScreen() == document && loader->property("source").toString().endsWith(document)
        && loader->property("status").toInt() == 1 && page() != nullptr;
}

bool TstBlockScreens::open(const QString &command, const QString &payload, const QString &document)
{
    m_loader->onGuiSignal(QStringLiteral("HomeButtonPressed"), QString());
    if (!QTest::qWaitFor([&] { return shows(QStringLiteral("TarnHomeScreen.qml")); }, kWait))
        return false;
    // From here on, only answers to the new screen's own requests count.
    m_answered.clear();
    m_loader->onGuiSignal(command, payload);
    return QTest::qWaitFor([&] { return shows(document); }, kWait);
}

// Controls on the screen that are bound but have had no value from the link.
QStringList TstBlockScreens::unboundControls(QObject *root) const
{
    QStringList missing;
    for (QObject *o : everything(root)) {
        auto *control = qobject_cast<TarnControl *>(o);
        if (!control || control->poName().isEmpty() || control->svName().isEmpty())
            continue;
        if (!m_answered.contains(key(control->poName(), control->svName(), control->valueType())))
            missing << QStringLiteral("%1 %2 %3 (%4)").arg(control->poName(), control->svName(), control->valueType(),
                                                           QString::fromLatin1(control->metaObject()->className()));
    }
    missing.removeDuplicates();
    return missing;
}

bool TstBlockScreens::allBound()
{
    QStringList missing;
    if (QTest::qWaitFor([&] { return (missing = unboundControls(page())).isEmpty(); }, kWait))
        return true;
    return QTest::qVerify(false, "allBound", qPrintable(QStringLiteral("never received a value:\n") + missing.join(QLatin1Char('\n'))),
                          __FILE__, __LINE__);
}

// The descriptor document the page reads its controls from.
QObject *TstBlockScreens::screenDescriptor()
{
    for (QObject *o : everything(page())) {
        if (QString::fromLatin1(o->metaObject()->className()) == QLatin1String("ControlDescriptor"))
            return o;
    }
    return nullptr;
}

QString TstBlockScreens::modelValue(const QString &po, const QString &sv, const QString &valueType)
{
    const int before = m_side.recordsFor(po, sv, valueType).size();
    DataFromDevice get = request(QStringLiteral("get"), po, sv);
    get.valueType = valueType;
    m_side.sendRequest(get);
    if (!QTest::qWaitFor([&] { return m_side.recordsFor(po, sv, valueType).size() > before; }, kWait))
        return QStringLiteral("(no answer)");
    return m_side.value(po, sv, valueType);
}

bool TstBlockScreens::recall(int slot)
{
    m_side.sendRequest(request(QStringLiteral("set"), QStringLiteral("Presets"), QStringLiteral("Recall"), QString::number(slot)));
    return QTest::qWaitFor([&] {
        return modelValue(QStringLiteral("NPO"), QStringLiteral("Node\\Config\\SV\\Command:Status"))
            == QStringLiteral("Load:%1:Done").arg(slot);
    }, kWait);
}

void TstBlockScreens::everyScreenLoadsAndBinds_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QStringList>("shown"); // items that must be on the screen
    QTest::newRow("compressor") << "CMP" << "" << "TarnCompressor.qml"
                                << QStringList{"transferGraph", "gainReductionMeter", "inputMeter", "parameter_Threshold",
                                               "parameter_Ratio", "parameter_OverEasy", "parameter_Gain", "parameter_Attack",
                                               "parameter_Hold", "parameter_Release", "blockSwitch"};
    QTest::newRow("gate") << "GAT" << "" << "ScreenGate.qml"
                          << QStringList{"transferGraph", "gainReductionMeter", "parameter_Threshold", "parameter_Ratio",
                                         "parameter_MaxAttenuation", "parameter_Attack", "parameter_Hold", "parameter_Release"};
    QTest::newRow("agc") << "AGC" << "" << "ScreenAGC.qml"
                         << QStringList{"transferGraph", "gainReductionMeter", "parameter_Target", "parameter_Max Gain",
                                        "parameter_Window", "parameter_Low Threshold", "parameter_LimThreshold",
                                        "parameter_LimAttack", "parameter_LimRelease", "parameter_Attack", "parameter_Release"};
    QTest::newRow("limiter") << "LMT" << "Mid" << "TarnLimiter.qml"
                             << QStringList{"transferGraph", "gainReductionMeter", "parameter_Threshold", "parameter_OverEasy",
                                            "parameter_OvershootDb", "parameter_Attack", "parameter_Hold", "parameter_Release",
                                            "bandLow", "bandMid", "bandHigh"};
    QTest::newRow("sub-harmonic") << "SUB" << "" << "TarnSubHarmonic.qml"
                                  << QStringList{"synthesisPicture", "parameter_Subharmonics", "parameter_Synthesis Level 24-36Hz",
                                                 "parameter_Synthesis Level 36-56Hz", "blockSwitch"};
    QTest::newRow("mixer") << "MIX" << "StereoMixer" << "ScreenMixer.qml"
                           << QStringList{"strip_InputA", "strip_InputB", "strip_InputC", "inputFader", "inputPan", "inputMute",
                                          "mixerMute"};
    QTest::newRow("delay") << "Delay" << "High" << "ScreenDelay.qml"
                           << QStringList{"delayField_ms", "delayField_m", "delayField_ft", "delayAmount", "delayPicture", "blockSwitch"};
    QTest::newRow("input delay") << "InputDelay" << "" << "InputDelay.qml"
                                 << QStringList{"delayField_ms", "delayField_m", "delayField_ft", "delayAmount", "blockSwitch"};
}

void TstBlockScreens::everyScreenLoadsAndBinds()
{
    QFETCH(QString, command);
    QFETCH(QString, payload);
    QFETCH(QString, document);
    QFETCH(QStringList, shown);
    g_qmlMessages.clear();
    QVERIFY(open(command, payload, document));
    QQuickItem *screen = page();
    // Band tabs wait for the processor's crossover; the rest is there at once.
    for (const QString &name : shown)
        QVERIFY2(QTest::qWaitFor([&] { return findItem(screen, name) != nullptr; }, kWait),
                 qPrintable(name + QStringLiteral(" is not shown")));

    // Every bound control gets its value (meters poll; the first answers come within a tick).
    QVERIFY(allBound());
    QVERIFY2(g_qmlMessages.isEmpty(), qPrintable(g_qmlMessages.join(QLatin1Char('\n'))));

    // Meters show the moving input level.
    if (QQuickItem *meter = findItem(screen, QStringLiteral("inputMeter")))
        QTRY_VERIFY2_WITH_TIMEOUT(meter->property("level").toDouble() > 0, qPrintable(meter->property("control").value<QObject *>()->property("meterValue").toString()), kWait);

    // The graph has a curve once its settings are in.
    if (QQuickItem *graph = findItem(screen, QStringLiteral("transferGraph")))
        QTRY_VERIFY_WITH_TIMEOUT(graph->property("curveKnown").toBool(), kWait);

    const QImage image = m_loader->view()->grabWindow();
    if (!image.isNull())
        QVERIFY(image.save(m_screenshots + QLatin1Char('/') + QFileInfo(document).completeBaseName() + QStringLiteral(".png")));
}

void TstBlockScreens::movedControlReachesTheModelAndComesBack()
{
    QVERIFY(open(QStringLiteral("CMP"), QString(), QStringLiteral("TarnCompressor.qml")));
    QQuickView *view = m_loader->view();
    QQuickItem *row = findItem(page(), QStringLiteral("parameter_Threshold"));
    QVERIFY(row);
    QQuickItem *shownValue = findItem(row, QStringLiteral("parameterValue"));
    QQuickItem *graph = findItem(page(), QStringLiteral("transferGraph"));
    QVERIFY(shownValue && graph);
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), QStringLiteral("\u221220.0\u2009dB"), kWait);
    QCOMPARE(graph->property("threshold").toDouble(), -20.0);

    // A press on "+" steps the threshold by the compressor's step (1 dB) in the model ...
    QQuickItem *up = findItem(row, QStringLiteral("stepUp"));
    QVERIFY(up);
    clickAt(view, up, QPointF(up->width() / 2, up->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-19.0dB"), kWait);
    // ... and the screen shows what the model holds; the curve follows.
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), QStringLiteral("\u221219.0\u2009dB"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(graph->property("threshold").toDouble(), -19.0, kWait);
    QCOMPARE(graph->property("curveKnown").toBool(), true);

    // A press on the slider's track puts the threshold there: a quarter of -60 … 0 dB.
    QQuickItem *slider = findItem(row, QStringLiteral("slider"));
    QVERIFY(slider);
    // The handle's centre travels the width less the handle's own.
    const qreal handle = slider->property("handle").value<QQuickItem *>()->width();
    const qreal left = slider->property("leftPadding").toReal() + handle / 2;
    const qreal travel = slider->property("availableWidth").toReal() - handle;
    clickAt(view, slider, QPointF(left + travel * 0.25, slider->height() / 2));
    QString percent;
    const bool placed = QTest::qWaitFor([&] {
        percent = modelValue(QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("%"));
        return std::abs(percent.chopped(1).toDouble() - 25.0) < 3.0;
    }, kWait);
    QVERIFY2(placed, qPrintable(QStringLiteral("the model holds %1").arg(percent)));
    const QString held = modelValue(QStringLiteral("Compressor"), QStringLiteral("Threshold"));
    QVERIFY2(held.endsWith(QLatin1String("dB")), qPrintable(held));
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), QString(held).replace(QLatin1Char('-'), QChar(0x2212)).replace(QStringLiteral("dB"), QStringLiteral("\u2009dB")), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(graph->property("threshold").toDouble() - held.chopped(2).toDouble()) < 1e-4, kWait);

    // Dragged from there to three quarters of the travel: the model takes about -15 dB, and the
    // screen shows what the model took.
    const QPointF from = slider->mapToScene(QPointF(left + travel * 0.25, slider->height() / 2));
    const QPointF to = slider->mapToScene(QPointF(left + travel * 0.75, slider->height() / 2));
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(view, (from + (to - from) * (i / 10.0)).toPoint(), 5);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to.toPoint(), 5);
    QString dragged;
    QVERIFY2(QTest::qWaitFor([&] {
        dragged = modelValue(QStringLiteral("Compressor"), QStringLiteral("Threshold"));
        return std::abs(dragged.chopped(2).toDouble() + 15.0) < 2.0;
    }, kWait), qPrintable(QStringLiteral("the model holds %1").arg(dragged)));
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(graph->property("threshold").toDouble() - dragged.chopped(2).toDouble()) < 1e-4, kWait);

    // Another console's change reaches the screen too.
    m_side.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-20")));
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), QStringLiteral("\u221220.0\u2009dB"), kWait);
}

void TstBlockScreens::gainReductionFollowsTheBlock()
{
    QVERIFY(open(QStringLiteral("CMP"), QString(), QStringLiteral("TarnCompressor.qml")));
    QQuickItem *meter = findItem(page(), QStringLiteral("gainReductionMeter"));
    QQuickItem *toggle = findItem(page(), QStringLiteral("blockSwitch"));
    QVERIFY(meter && toggle);
    // Off: no reduction whatever the settings.
    QTRY_VERIFY_WITH_TIMEOUT(meter->property("known").toBool(), kWait);
    QCOMPARE(meter->property("reading").toDouble(), 0.0);
    m_side.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-60")));

    // The switch on the screen turns the block on in the model; then the reduction shows.
    clickAt(m_loader->view(), toggle, QPointF(toggle->width() / 2, toggle->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Compressor"), QStringLiteral("Compressor")), QStringLiteral("On"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(toggle->property("activeState").toBool(), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(meter->property("reading").toDouble() < -5.0, kWait);
    const QImage image = m_loader->view()->grabWindow();
    if (!image.isNull())
        QVERIFY(image.save(m_screenshots + QStringLiteral("/TarnCompressor-working.png")));

    // A threshold above any signal ends it.
    m_side.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("0")));
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(meter->property("reading").toDouble()) < 0.05, kWait);
    clickAt(m_loader->view(), toggle, QPointF(toggle->width() / 2, toggle->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Compressor"), QStringLiteral("Compressor")), QStringLiteral("Off"), kWait);
    m_side.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-20")));
}

void TstBlockScreens::bandTabsFollowTheCrossover()
{
    // Three bands in use: the limiter opens on the band asked for and offers the others.
    QVERIFY(open(QStringLiteral("LMT"), QStringLiteral("High"), QStringLiteral("TarnLimiter.qml")));
    QObject *descriptor = screenDescriptor();
    QVERIFY(descriptor);
    QCOMPARE(descriptor->property("poName").toString(), QStringLiteral("High Outputs Limiter"));
    QQuickItem *low = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((low = findItem(page(), QStringLiteral("bandLow"))) != nullptr, kWait);
    clickAt(m_loader->view(), low, QPointF(low->width() / 2, low->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(descriptor->property("poName").toString(), QStringLiteral("Low Outputs Limiter"), kWait);
    QCOMPARE(TarnSettings::text(QStringLiteral("Data/LimiterType")), QStringLiteral("Low"));
    QQuickItem *graph = findItem(page(), QStringLiteral("transferGraph"));
    m_side.sendRequest(request(QStringLiteral("set"), QStringLiteral("Low Outputs Limiter"), QStringLiteral("Threshold"), QStringLiteral("-3")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->property("threshold").toDouble(), -3.0, kWait);
    // Every control of the screen moved to the band: the settings and the meter too.
    QQuickItem *row = findItem(page(), QStringLiteral("parameter_Threshold"));
    QVERIFY(row);
    QTRY_COMPARE_WITH_TIMEOUT(findItem(row, QStringLiteral("parameterValue"))->property("text").toString(),
                              QStringLiteral("\u22123.0\u2009dB"), kWait);
    QObject *meter = findItem(page(), QStringLiteral("gainReductionMeter"))->property("control").value<QObject *>();
    QCOMPARE(meter->property("poName").toString(), QStringLiteral("Low Outputs Limiter"));
    QVERIFY(allBound());

    // Full range: only the high band is in use, so a stale choice of the mid band gives way.
    QVERIFY(recall(6));
    QVERIFY(open(QStringLiteral("Delay"), QStringLiteral("Mid"), QStringLiteral("ScreenDelay.qml")));
    descriptor = screenDescriptor();
    QTRY_COMPARE_WITH_TIMEOUT(descriptor->property("poName").toString(), QStringLiteral("High Outputs Delay"), kWait);
    QVERIFY(!findItem(page(), QStringLiteral("bandTabs")));
    QVERIFY(allBound());
    QVERIFY(recall(1));
    QVERIFY2(g_qmlMessages.isEmpty(), qPrintable(g_qmlMessages.join(QLatin1Char('\n'))));
}

void TstBlockScreens::mixerFollowsTheRunningPreset()
{
    // The home screen asked for the stereo mixer, but the running preset has the mono one.
    QVERIFY(recall(4));
    QVERIFY(open(QStringLiteral("MIX"), QStringLiteral("StereoMixer"), QStringLiteral("ScreenMixer.qml")));
    QObject *descriptor = screenDescriptor();
    QVERIFY(descriptor);
    QTRY_COMPARE_WITH_TIMEOUT(descriptor->property("poName").toString(), QStringLiteral("MonoMixer"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!findItem(page(), QStringLiteral("inputPan")), kWait);
    QVERIFY(allBound());

    // A mute pressed on the screen mutes the input in the model and lights when it has.
    QQuickItem *strip = findItem(page(), QStringLiteral("strip_InputB"));
    QQuickItem *mute = findItem(strip, QStringLiteral("inputMute"));
    QVERIFY(mute);
    clickAt(m_loader->view(), mute, QPointF(mute->width() / 2, mute->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("MonoMixer"), QStringLiteral("Input_B_Mute")), QStringLiteral("On"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(mute->property("muted").toBool(), kWait);
    QVERIFY(recall(1));
    QVERIFY2(g_qmlMessages.isEmpty(), qPrintable(g_qmlMessages.join(QLatin1Char('\n'))));
}

bool TstBlockScreens::press(const QString &name)
{
    QQuickView *view = m_loader->view();
    QQuickItem *item = nullptr;
    if (!QTest::qWaitFor([&] { return (item = findItem(view->contentItem(), name)) && item->isEnabled(); }, kWait))
        return false;
    // A screen just loaded may still be laid out: the press and the release must land alike.
    QPointF last(-1, -1);
    const QPointF centre(item->width() / 2, item->height() / 2);
    QTest::qWaitFor([&] {
        const QPointF now = item->mapToScene(centre);
        const bool settled = now == last;
        last = now;
        return settled;
    }, kWait);
    clickAt(view, item, centre);
    return true;
}

// The presets screen: a preset copied to the PC through the screen's dialog arrives with the
// processor's bytes, and a recall from the screen sends the screens home.
void TstBlockScreens::presetsScreenCopiesAndRecalls()
{
    QVERIFY(open(QStringLiteral("Presets"), QString(), QStringLiteral("ScreenPresets.qml")));
    QQuickView *view = m_loader->view();
    QVERIFY(press(QStringLiteral("devicePreset2")));
    QVERIFY(press(QStringLiteral("copyToPcButton")));
    QQuickItem *input = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((input = findItem(view->contentItem(), QStringLiteral("nameInput"))), kWait);
    QCOMPARE(input->property("text").toString(), QStringLiteral("2-Way + Sub"));
    view->grabWindow().save(m_screenshots + QStringLiteral("/ScreenPresets-dialog.png"));
    QVERIFY(press(QStringLiteral("nameConfirm")));
    const QString copied = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tarn/Presets/2-Way + Sub");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copied), kWait);
    QFile local(copied);
    QFile remote(m_model.stateDir() + QStringLiteral("/ftp/presets/Preset_2.preset"));
    QVERIFY(local.open(QIODevice::ReadOnly) && remote.open(QIODevice::ReadOnly));
    QCOMPARE(local.readAll(), remote.readAll());
    QTRY_VERIFY_WITH_TIMEOUT(findItem(page(), QStringLiteral("pcPreset0")), kWait);
    view->grabWindow().save(m_screenshots + QStringLiteral("/ScreenPresets-copied.png"));

    QVERIFY(press(QStringLiteral("devicePreset3")));
    QVERIFY(press(QStringLiteral("recallButton")));
    QTRY_COMPARE_WITH_TIMEOUT(m_loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")), QStringLiteral("3"), kWait);
    QVERIFY2(g_qmlMessages.isEmpty(), qPrintable(g_qmlMessages.join(QLatin1Char('\n'))));
}

// The utilities screen's settings transfer: the processor's settings into the offline model's
// store (a private model instance does the work), then the offline model's into the processor.
void TstBlockScreens::settingsTransferFromTheUtilitiesScreen()
{
    qputenv("TARN_OFFLINE_MODEL", TARN_BIN_DIR "/tarn-offline-model");
    QVERIFY(open(QStringLiteral("Utilities"), QString(), QStringLiteral("ScreenUtilities.qml")));
    QQuickView *view = m_loader->view();
    QSignalSpy finished(m_loader.get(), &ViewLoader::syncFinished);
    QSignalSpy failed(m_loader.get(), &ViewLoader::syncError);
    QSignalSpy busy(m_loader.get(), &ViewLoader::appBusyPreventCloseChanged);
    QVERIFY(press(QStringLiteral("receiveSettingsButton")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 1, 3 * kWait);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    // The window could not close while it ran.
    QCOMPARE(busy.count(), 2);
    QVERIFY(busy.at(0).at(0).toBool() && !m_loader->appBusyPreventClose());
    QFile store(tarn::dataFolder() + QStringLiteral("/OfflineModel/presets.json"));
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QJsonObject stored = QJsonDocument::fromJson(store.readAll()).object();
    QCOMPARE(QString::number(stored.value(QStringLiteral("current")).toInt()),
             modelValue(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")));
    QCOMPARE(stored.value(QStringLiteral("slots")).toArray().size(), 8);
    view->grabWindow().save(m_screenshots + QStringLiteral("/ScreenUtilities-received.png"));

    const QString changed = modelValue(QStringLiteral("Presets"), QStringLiteral("Changed"));
    QVERIFY(press(QStringLiteral("sendSettingsButton")));
    QVERIFY(press(QStringLiteral("sendSettingsConfirm")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 2, 3 * kWait);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    QCOMPARE(modelValue(QStringLiteral("Presets"), QStringLiteral("Changed")).toDouble(), changed.toDouble() + 1);
    qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    QVERIFY2(g_qmlMessages.isEmpty(), qPrintable(g_qmlMessages.join(QLatin1Char('\n'))));
}

TARN_TEST_MAIN(TstBlockScreens, QApplication)
#include "tst_blockscreens.moc"
