// Guards against block screens, run against the real offline model, that raise QML warnings, leave
// a bound control without its value, or show a value or band the model does not hold.
#include "datapaths.h"
#include "screenharness.h"
#include "testenv.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

using tarn::test::findItem;
using tarn::test::ScreenHarness;

namespace {
constexpr int kWait = ScreenHarness::kWait;
} // namespace

class TstBlockScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyScreenLoadsAndBinds_data();
    void everyScreenLoadsAndBinds();
    void movedControlReachesTheModelAndComesBack(); // and the gain reduction follows the block
    void screensFollowTheRunningPreset(); // band tabs and the mixer
    void presetsAndSettingsTransfer();

private:
    QString screenPo();
    QString modelValue(const QString &po, const QString &sv, const QString &valueType = QString()) { return m_h.side.get(po, sv, valueType); }
    bool recall(int slot);

    ScreenHarness m_h;
};

void TstBlockScreens::initTestCase()
{
    QVERIFY(m_h.start({QStringLiteral("--seed"), QStringLiteral("11"), QStringLiteral("--recall-ms"), QStringLiteral("50")},
                      QStringLiteral("blocks")));
    qputenv("TARN_FTP_PORT", QByteArray::number(m_h.model.status().value(QStringLiteral("ftpPort")).toInt()));
    QVERIFY(m_h.connectDevice());
}

// The block of the descriptor document the page reads its controls from.
QString TstBlockScreens::screenPo()
{
    for (QObject *o : tarn::test::everything(m_h.page())) {
        if (QString::fromLatin1(o->metaObject()->className()) == QLatin1String("ControlDescriptor"))
            return o->property("poName").toString();
    }
    return QStringLiteral("(no descriptor)");
}

bool TstBlockScreens::recall(int slot)
{
    return m_h.set(QStringLiteral("Presets"), QStringLiteral("Recall"), QString::number(slot)) && QTest::qWaitFor([&] { return modelValue(QStringLiteral("NPO"), QStringLiteral("Node\\Config\\SV\\Command:Status")) == QStringLiteral("Load:%1:Done").arg(slot); }, kWait);
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
    m_h.takeWarnings();
    QVERIFY(m_h.open(command, payload, document));
    QQuickItem *screen = m_h.page();
    // Band tabs wait for the processor's crossover; the rest is there at once.
    for (const QString &name : shown)
        QVERIFY2(QTest::qWaitFor([&] { return findItem(screen, name) != nullptr; }, kWait), qPrintable(name + QStringLiteral(" is not shown")));

    QCOMPARE(m_h.takeWarnings(), QString()); // every control's value: the screen tour

    // Meters show the moving input level.
    if (QQuickItem *meter = findItem(screen, QStringLiteral("inputMeter")))
        QTRY_VERIFY2_WITH_TIMEOUT(meter->property("level").toDouble() > 0, qPrintable(meter->property("control").value<QObject *>()->property("meterValue").toString()), kWait);

    // The graph has a curve once its settings are in.
    if (QQuickItem *graph = findItem(screen, QStringLiteral("transferGraph")))
        QTRY_VERIFY_WITH_TIMEOUT(graph->property("curveKnown").toBool(), kWait);

    m_h.picture(QFileInfo(document).completeBaseName());
}

void TstBlockScreens::movedControlReachesTheModelAndComesBack()
{
    QVERIFY(m_h.open(QStringLiteral("CMP"), QString(), QStringLiteral("TarnCompressor.qml")));
    QQuickItem *row = findItem(m_h.page(), QStringLiteral("parameter_Threshold"));
    QQuickItem *graph = findItem(m_h.page(), QStringLiteral("transferGraph"));
    QVERIFY(row && graph);
    QQuickItem *shownValue = findItem(row, QStringLiteral("parameterValue"));
    QQuickItem *slider = findItem(row, QStringLiteral("slider"));
    QVERIFY(shownValue && slider);
    const auto threshold = [&](const QString &type = QString()) { return modelValue(QStringLiteral("Compressor"), QStringLiteral("Threshold"), type); };
    // What the screen shows for a value the model holds ("-19.0dB").
    const auto shown = [](const QString &held) { return QString(held).replace(QLatin1Char('-'), QChar(0x2212)).replace(QStringLiteral("dB"), QStringLiteral("\u2009dB")); };
    const auto graphFollows = [&] { return std::abs(graph->property("threshold").toDouble() - threshold().chopped(2).toDouble()) < 1e-4; };
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), shown(QStringLiteral("-20.0dB")), kWait);
    QCOMPARE(graph->property("threshold").toDouble(), -20.0);

    // "+" steps the threshold by the compressor's 1 dB in the model; screen and curve follow.
    m_h.click(findItem(row, QStringLiteral("stepUp")));
    QTRY_COMPARE_WITH_TIMEOUT(threshold(), QStringLiteral("-19.0dB"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), shown(QStringLiteral("-19.0dB")), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(graphFollows(), kWait);
    QCOMPARE(graph->property("curveKnown").toBool(), true);

    // A press on the track at a quarter of the handle's travel: a quarter of -60 … 0 dB.
    const qreal handle = slider->property("handle").value<QQuickItem *>()->width();
    const qreal left = slider->property("leftPadding").toReal() + handle / 2;
    const qreal travel = slider->property("availableWidth").toReal() - handle;
    m_h.click(slider, QPointF(left + travel * 0.25, slider->height() / 2));
    QTRY_VERIFY2_WITH_TIMEOUT(std::abs(threshold(QStringLiteral("%")).chopped(1).toDouble() - 25.0) < 3.0, qPrintable(threshold()), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), shown(threshold()), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(graphFollows(), kWait);

    // Dragged from there to three quarters of the travel: the model takes about -15 dB.
    const QPointF from = slider->mapToScene(QPointF(left + travel * 0.25, slider->height() / 2));
    const QPointF to = slider->mapToScene(QPointF(left + travel * 0.75, slider->height() / 2));
    QTest::mousePress(m_h.view(), Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(m_h.view(), (from + (to - from) * (i / 10.0)).toPoint(), 5);
    QTest::mouseRelease(m_h.view(), Qt::LeftButton, Qt::NoModifier, to.toPoint(), 5);
    QTRY_VERIFY2_WITH_TIMEOUT(std::abs(threshold().chopped(2).toDouble() + 15.0) < 2.0, qPrintable(threshold()), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(graphFollows(), kWait);

    QVERIFY(m_h.set(QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-20")));
    QTRY_COMPARE_WITH_TIMEOUT(shownValue->property("text").toString(), shown(QStringLiteral("-20.0dB")), kWait);

    // Gain reduction: none while the block is off; on, it shows until the threshold is above any signal.
    QQuickItem *meter = findItem(m_h.page(), QStringLiteral("gainReductionMeter"));
    QQuickItem *toggle = findItem(m_h.page(), QStringLiteral("blockSwitch"));
    QVERIFY(meter && toggle);
    QTRY_VERIFY_WITH_TIMEOUT(meter->property("known").toBool(), kWait);
    QCOMPARE(meter->property("reading").toDouble(), 0.0);
    QVERIFY(m_h.set(QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-60")));
    m_h.click(toggle);
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Compressor"), QStringLiteral("Compressor")), QStringLiteral("On"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(toggle->property("activeState").toBool(), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(meter->property("reading").toDouble() < -5.0, kWait);
    m_h.picture(QStringLiteral("TarnCompressor-working"));
    QVERIFY(m_h.set(QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("0")));
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(meter->property("reading").toDouble()) < 0.05, kWait);
    m_h.click(toggle);
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Compressor"), QStringLiteral("Compressor")), QStringLiteral("Off"), kWait);
    QVERIFY(m_h.set(QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-20")));
}

void TstBlockScreens::screensFollowTheRunningPreset()
{
    // Three bands in use: the limiter opens on the band asked for and offers the others.
    QVERIFY(m_h.open(QStringLiteral("LMT"), QStringLiteral("High"), QStringLiteral("TarnLimiter.qml")));
    QCOMPARE(screenPo(), QStringLiteral("High Outputs Limiter"));
    QVERIFY(m_h.press(QStringLiteral("bandLow")));
    QTRY_COMPARE_WITH_TIMEOUT(screenPo(), QStringLiteral("Low Outputs Limiter"), kWait);
    QCOMPARE(TarnSettings::text(QStringLiteral("Data/LimiterType")), QStringLiteral("Low"));
    QQuickItem *graph = findItem(m_h.page(), QStringLiteral("transferGraph"));
    QVERIFY(m_h.set(QStringLiteral("Low Outputs Limiter"), QStringLiteral("Threshold"), QStringLiteral("-3")));
    QTRY_COMPARE_WITH_TIMEOUT(graph->property("threshold").toDouble(), -3.0, kWait);
    // Every control of the screen moved to the band: the settings and the meter too.
    QQuickItem *row = findItem(m_h.page(), QStringLiteral("parameter_Threshold"));
    QVERIFY(row);
    QTRY_COMPARE_WITH_TIMEOUT(findItem(row, QStringLiteral("parameterValue"))->property("text").toString(),
                              QStringLiteral("\u22123.0\u2009dB"), kWait);
    QObject *meter = findItem(m_h.page(), QStringLiteral("gainReductionMeter"))->property("control").value<QObject *>();
    QCOMPARE(meter->property("poName").toString(), QStringLiteral("Low Outputs Limiter"));
    QVERIFY(m_h.allBound());

    // Full range: only the high band is in use, so a stale choice of the mid band gives way.
    QVERIFY(recall(6));
    QVERIFY(m_h.open(QStringLiteral("Delay"), QStringLiteral("Mid"), QStringLiteral("ScreenDelay.qml")));
    QTRY_COMPARE_WITH_TIMEOUT(screenPo(), QStringLiteral("High Outputs Delay"), kWait);
    QVERIFY(!findItem(m_h.page(), QStringLiteral("bandTabs")));
    QVERIFY(m_h.allBound());

    // The home screen asked for the stereo mixer, but the running preset has the mono one.
    QVERIFY(recall(4));
    QVERIFY(m_h.open(QStringLiteral("MIX"), QStringLiteral("StereoMixer"), QStringLiteral("ScreenMixer.qml")));
    QTRY_COMPARE_WITH_TIMEOUT(screenPo(), QStringLiteral("MonoMixer"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!findItem(m_h.page(), QStringLiteral("inputPan")), kWait);
    QVERIFY(m_h.allBound());

    // A mute pressed on the screen mutes the input in the model and lights when it has.
    QQuickItem *mute = findItem(findItem(m_h.page(), QStringLiteral("strip_InputB")), QStringLiteral("inputMute"));
    QVERIFY(mute);
    m_h.click(mute);
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("MonoMixer"), QStringLiteral("Input_B_Mute")), QStringLiteral("On"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(mute->property("muted").toBool(), kWait);
    QVERIFY(recall(1));
    QCOMPARE(m_h.takeWarnings(), QString());
}

// A preset copied to the PC through the dialog arrives with the processor's bytes; a recall goes home.
void TstBlockScreens::presetsAndSettingsTransfer()
{
    QVERIFY(m_h.open(QStringLiteral("Presets"), QString(), QStringLiteral("ScreenPresets.qml")));
    QVERIFY(m_h.press(QStringLiteral("devicePreset2")));
    QVERIFY(m_h.press(QStringLiteral("copyToPcButton")));
    QQuickItem *input = m_h.waitFor(QStringLiteral("nameInput"));
    QVERIFY(input);
    QCOMPARE(input->property("text").toString(), QStringLiteral("2-Way + Sub"));
    m_h.picture(QStringLiteral("ScreenPresets-dialog"));
    QVERIFY(m_h.press(QStringLiteral("nameConfirm")));
    const QString copied = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tarn/Presets/2-Way + Sub");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copied), kWait);
    const QByteArray remote = tarn::test::readFile(m_h.model.stateDir() + QStringLiteral("/ftp/presets/Preset_2.preset"));
    QVERIFY(!remote.isEmpty());
    QCOMPARE(tarn::test::readFile(copied), remote);
    QTRY_VERIFY_WITH_TIMEOUT(findItem(m_h.page(), QStringLiteral("pcPreset0")), kWait);
    m_h.picture(QStringLiteral("ScreenPresets-copied"));

    QVERIFY(m_h.press(QStringLiteral("devicePreset3")));
    QVERIFY(m_h.press(QStringLiteral("recallButton")));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")), QStringLiteral("3"), kWait);

    // Settings from the processor into the offline model's store (a private model instance), and back.
    qputenv("TARN_OFFLINE_MODEL", TARN_BIN_DIR "/tarn-offline-model");
    QVERIFY(m_h.open(QStringLiteral("Utilities"), QString(), QStringLiteral("ScreenUtilities.qml")));
    QSignalSpy finished(m_h.loader.get(), &ViewLoader::syncFinished);
    QSignalSpy failed(m_h.loader.get(), &ViewLoader::syncError);
    QSignalSpy busy(m_h.loader.get(), &ViewLoader::appBusyPreventCloseChanged);
    QVERIFY(m_h.press(QStringLiteral("receiveSettingsButton")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 1, 3 * kWait);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    // The window could not close while it ran.
    QCOMPARE(busy.count(), 2);
    QVERIFY(busy.at(0).at(0).toBool() && !m_h.loader->appBusyPreventClose());
    const QJsonObject stored = QJsonDocument::fromJson(tarn::test::readFile(tarn::dataFolder() + QStringLiteral("/OfflineModel/presets.json"))).object();
    QCOMPARE(QString::number(stored.value(QStringLiteral("current")).toInt()),
             modelValue(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")));
    QCOMPARE(stored.value(QStringLiteral("slots")).toArray().size(), 8);
    m_h.picture(QStringLiteral("ScreenUtilities-received"));

    const QString changed = modelValue(QStringLiteral("Presets"), QStringLiteral("Changed"));
    QVERIFY(m_h.press(QStringLiteral("sendSettingsButton")));
    QVERIFY(m_h.press(QStringLiteral("sendSettingsConfirm")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 2, 3 * kWait);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    QCOMPARE(modelValue(QStringLiteral("Presets"), QStringLiteral("Changed")).toDouble(), changed.toDouble() + 1);
    qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    QCOMPARE(m_h.takeWarnings(), QString());
}

TARN_TEST_MAIN(TstBlockScreens, QApplication)
#include "tst_blockscreens.moc"
