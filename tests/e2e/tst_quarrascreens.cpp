// Guards against the configurable model's screens and configuration mode, run against the real
// offline model, losing a value, an edit of the chain or a paste on the way to the model.
#include "datapaths.h"
#include "editmodecopypaste.h"
#include "homescreenmodel.h"
#include "screenharness.h"
#include "testenv.h"
#include "xvfbexec.h"

#include <QApplication>
#include <QElapsedTimer>

using tarn::test::findItem;
using tarn::test::LinkClient;
using tarn::test::ScreenHarness;

namespace {
constexpr int kWait = ScreenHarness::kWait;
} // namespace

class TstQuarraScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aValueRoundTrips();
    void configurationModeChangesTheChain();
    void pasteThenDiscard();
    void blocksOfAnotherChainBind_data();
    void blocksOfAnotherChainBind();
    void settingsGoIntoTheSameModel();

private:
    HomeScreenModel *home() const { return qobject_cast<HomeScreenModel *>(m_h.root()->property("hsModel").value<QObject *>()); }
    // Home, with its grid built.
    bool goHome() { return m_h.goHome() && QTest::qWaitFor([&] { return findItem(m_h.root(), QStringLiteral("cell_out_6_5")) != nullptr; }, kWait); }
    bool press(const QString &name);
    QString modelValue(const QString &po, const QString &sv) { return m_h.side.get(po, sv); }
    QStringList modelObjects();
    bool apply();

    ScreenHarness m_h;
};

void TstQuarraScreens::initTestCase()
{
    QVERIFY(m_h.start({QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--recall-ms"), QStringLiteral("50")},
                      QStringLiteral("quarra")));
    QVERIFY(m_h.connectDevice(false));
    QTRY_VERIFY_WITH_TIMEOUT(findItem(m_h.root(), QStringLiteral("cell_out_6_5")) != nullptr, kWait);
    QCOMPARE(m_h.root()->property("platform").toString(), QStringLiteral("Quarra"));
}

// A configurable processor's settings go into an offline model of its kind, stored apart.
void TstQuarraScreens::settingsGoIntoTheSameModel()
{
    qputenv("TARN_OFFLINE_MODEL", TARN_BIN_DIR "/tarn-offline-model");
    qputenv("TARN_FTP_PORT", QByteArray::number(m_h.model.status().value(QStringLiteral("ftpPort")).toInt()));
    QSignalSpy finished(m_h.loader.get(), &ViewLoader::syncFinished);
    QSignalSpy failed(m_h.loader.get(), &ViewLoader::syncError);
    m_h.loader->onGuiSignal(QStringLiteral("ReceiveDB"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 1, 3 * kWait);
    qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    const QString store = tarn::dataFolder() + QStringLiteral("/OfflineModel/");
    QVERIFY(QFile::exists(store + QStringLiteral("presets-quarra.json")));
    QVERIFY(!QFile::exists(store + QStringLiteral("presets.json")));
}

// A press as soon as the item is shown (the grid is rebuilt as the model reports: not held across a wait).
bool TstQuarraScreens::press(const QString &name)
{
    QQuickItem *item = m_h.waitFor(name);
    if (item)
        m_h.click(item);
    return item != nullptr;
}

QStringList TstQuarraScreens::modelObjects()
{
    QSignalSpy listing(&m_h.side, &LinkClient::poAvailable);
    m_h.side.sendRaw("ls \"\\\\Preset\\\"\n");
    if (!listing.wait(kWait))
        return {};
    QStringList names;
    for (const QString &item : listing.first().first().toStringList())
        names << item.section(QLatin1Char(' '), 0, 0).trimmed();
    return names;
}

// Apply, with the busy flag up while the model rebuilds, until the new chain is on screen.
bool TstQuarraScreens::apply()
{
    QSignalSpy busy(m_h.loader.get(), &ViewLoader::appBusyPreventCloseChanged);
    QSignalSpy loaded(home(), &HomeScreenModel::documentLoaded);
    QElapsedTimer clock;
    clock.start();
    if (!press(QStringLiteral("applyButton")) || !QTest::qWaitFor([&] { return loaded.count() > 0; }, kWait) || !goHome())
        return false;
    qInfo().noquote() << QStringLiteral("From Apply to the new chain on screen: %1 ms").arg(clock.elapsed());
    return busy.count() == 2 && busy.at(0).at(0).toBool() && !busy.at(1).at(0).toBool() && !m_h.loader->appBusyPreventClose();
}

void TstQuarraScreens::aValueRoundTrips()
{
    QVERIFY(goHome());
    QVERIFY(press(QStringLiteral("cell_in_4_0")));
    QTRY_VERIFY_WITH_TIMEOUT(m_h.shows(QStringLiteral("TarnCompressor.qml")), kWait);
    QQuickItem *row = m_h.waitFor(QStringLiteral("parameter_Threshold"));
    QQuickItem *shown = findItem(row, QStringLiteral("parameterValue"));
    QVERIFY(row && shown);
    const auto text = [&] { return shown->property("text").toString().remove(QChar(0x2009)).replace(QChar(0x2212), QLatin1Char('-')); };
    const QString before = modelValue(QStringLiteral("Compressor1"), QStringLiteral("Threshold"));
    QTRY_COMPARE_WITH_TIMEOUT(text(), before, kWait);
    m_h.click(findItem(row, QStringLiteral("stepUp")));
    const QString after = QString::number(before.chopped(2).toDouble() + 1, 'f', 1) + QStringLiteral("dB");
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("Compressor1"), QStringLiteral("Threshold")), after, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(text(), after, kWait);
    QCOMPARE(m_h.side.set(QStringLiteral("Compressor1"), QStringLiteral("Threshold"), QStringLiteral("-30")), QStringLiteral("-30.0dB"));
    QTRY_COMPARE_WITH_TIMEOUT(text(), QStringLiteral("-30.0dB"), kWait);
}

void TstQuarraScreens::configurationModeChangesTheChain()
{
    QVERIFY(goHome());
    QVERIFY(press(QStringLiteral("configureButton")));
    QTRY_VERIFY_WITH_TIMEOUT(m_h.root()->property("rootCfgMode").toBool(), kWait);
    m_h.picture(QStringLiteral("ConfigOverlay"));

    // Link: the block below goes first, then the block spans both rows.
    QVERIFY(press(QStringLiteral("cell_in_3_1")));
    QVERIFY(m_h.waitFor(QStringLiteral("linkInsertDialog")));
    m_h.picture(QStringLiteral("LinkInsertDialog"));
    QVERIFY(press(QStringLiteral("removeButton")));
    QVERIFY(press(QStringLiteral("cell_in_3_0")));
    QVERIFY(press(QStringLiteral("linkButton")));
    QTRY_COMPARE_WITH_TIMEOUT(home()->cellInfo(QStringLiteral("in"), 3, 0).value(QStringLiteral("channelSpan")).toInt(), 2, kWait);
    // A crossover layout of two outputs, in the row freed below it.
    QVERIFY(press(QStringLiteral("cell_out_0_1")));
    QVERIFY(press(QStringLiteral("removeCrossover")));
    QVERIFY(press(QStringLiteral("cell_out_0_0")));
    QQuickItem *layouts = m_h.waitFor(QStringLiteral("crossoverConfigDialog"));
    QVERIFY(layouts);
    m_h.picture(QStringLiteral("CrossOverConfigListView"));
    QVariantList candidates = layouts->property("layouts").toList();
    int mainAndSub = -1;
    for (int i = 0; i < candidates.size(); ++i)
        mainAndSub = candidates.at(i).toMap().value(QStringLiteral("configName")) == QLatin1String("Mono Fullrange with Mono Sub") ? i : mainAndSub;
    QVERIFY(mainAndSub >= 0);
    QVERIFY(QMetaObject::invokeMethod(findItem(layouts, QStringLiteral("layoutList")), "chosen", Q_ARG(int, mainAndSub)));
    QVERIFY(press(QStringLiteral("cell_out_6_2")));
    QQuickItem *namer = m_h.waitFor(QStringLiteral("outputNameDialog"));
    QVERIFY(namer);
    findItem(namer, QStringLiteral("outputNameField"))->setProperty("text", QStringLiteral("Front Fill"));
    m_h.picture(QStringLiteral("OutputNameSetter"));
    QVERIFY(press(QStringLiteral("outputNameOk")));
    // The other dialogs, pictured and closed.
    for (const auto &[cell, name] : {std::pair<const char *, const char *>{"cell_mid_0_0", "mixerSelectorDialog"},
                                     {"cell_in_1_0", "inputMixConfigDialog"}, {"cell_in_0_0", "inputRouterConfigDialog"}}) {
        QVERIFY(press(QLatin1String(cell)));
        QVERIFY(m_h.waitFor(QLatin1String(name)));
        m_h.picture(QString::fromLatin1(name));
        QVERIFY(press(QStringLiteral("configDialogClose")));
    }
    m_h.picture(QStringLiteral("ConfigOverlayEdited"));
    QCOMPARE(m_h.takeWarnings(), QString());

    QVERIFY(apply());
    QCOMPARE(m_h.root()->property("rootCfgMode").toBool(), false);
    const QStringList objects = modelObjects();
    QVERIFY2(objects.contains(QStringLiteral("PEQIn1")) && !objects.contains(QStringLiteral("PEQIn2")), qPrintable(objects.join(' ')));
    QCOMPARE(home()->cellInfo(QStringLiteral("in"), 3, 0).value(QStringLiteral("channelSpan")).toInt(), 2);
    QCOMPARE(home()->cellInfo(QStringLiteral("out"), 0, 0).value(QStringLiteral("XOverType")).toString(), QStringLiteral("1x2"));
    QCOMPARE(findItem(m_h.root(), QStringLiteral("cell_out_6_2"))->property("caption").toString(), QStringLiteral("Front Fill"));
    QVERIFY(m_h.side.ask(QStringLiteral("get \"\\\\Preset\\Output3\\AT\\OutputName\"")).endsWith(QLatin1String("\"Front Fill\"")));
    m_h.picture(QStringLiteral("NewChain"));
}

// A paste reaches the model at once; discard drops the chain edits and leaves the model's chain alone.
void TstQuarraScreens::pasteThenDiscard()
{
    QVERIFY(goHome());
    const QStringList before = modelObjects();
    const QVariantMap cell = home()->cellInfo(QStringLiteral("out"), 4, 3);
    QCOMPARE(m_h.side.set(QStringLiteral("PEQOut1"), QStringLiteral("Band_1_Gain"), QStringLiteral("6")), QStringLiteral("6.0dB"));
    QVERIFY(modelValue(QStringLiteral("PEQOut2"), QStringLiteral("Band_1_Gain")) != QStringLiteral("6.0dB"));
    QVERIFY(press(QStringLiteral("configureButton")));
    QVERIFY(press(QStringLiteral("cell_out_4_3")));
    QVERIFY(press(QStringLiteral("removeButton")));
    QTRY_VERIFY_WITH_TIMEOUT(home()->cellInfo(QStringLiteral("out"), 4, 3).isEmpty(), kWait);
    QVERIFY(press(QStringLiteral("cell_out_1_0")));
    QVERIFY(press(QStringLiteral("copyButton")));
    auto *copyPaste = qobject_cast<EditModeCopyPaste *>(m_h.root()->property("editModeCopyPaste").value<QObject *>());
    QVERIFY(copyPaste);
    QTRY_COMPARE_WITH_TIMEOUT(copyPaste->copiedName(), QStringLiteral("PEQOut1"), kWait);
    QVERIFY(press(QStringLiteral("configDialogClose")));
    QVERIFY(press(QStringLiteral("cell_out_1_1")));
    QVERIFY(m_h.waitFor(QStringLiteral("pasteButton"))->isEnabled());
    m_h.picture(QStringLiteral("CopyPaste"));
    QVERIFY(press(QStringLiteral("pasteButton")));
    QTRY_COMPARE_WITH_TIMEOUT(modelValue(QStringLiteral("PEQOut2"), QStringLiteral("Band_1_Gain")), QStringLiteral("6.0dB"), kWait);
    QVERIFY(press(QStringLiteral("configDialogClose")));
    // Onto another kind of block the processor refuses.
    QSignalSpy failed(copyPaste, &EditModeCopyPaste::failed);
    QVERIFY(copyPaste->paste(QStringLiteral("Limiter1")));
    QVERIFY(failed.wait(kWait));
    QCOMPARE(failed.first().first().toString(), QStringLiteral("Mismatch PO Copying"));
    QVERIFY(press(QStringLiteral("discardButton")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_h.root()->property("rootCfgMode").toBool(), kWait);
    QVERIFY(goHome());
    QCOMPARE(home()->cellInfo(QStringLiteral("out"), 4, 3), cell);
    QCOMPARE(modelObjects(), before);
    QCOMPARE(modelValue(QStringLiteral("PEQOut2"), QStringLiteral("Band_1_Gain")), QStringLiteral("6.0dB"));
}

void TstQuarraScreens::blocksOfAnotherChainBind_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("document");
    QTest::newRow("graphic EQ") << "in_4_0" << "TarnGEQ.qml";
    QTest::newRow("backline delay") << "in_4_1" << "InputDelay.qml";
    QTest::newRow("sub-harmonic synth") << "in_4_2" << "TarnSubHarmonic.qml";
    QTest::newRow("gate") << "in_3_2" << "ScreenGate.qml";
    QTest::newRow("AGC") << "mid_2_0" << "ScreenAGC.qml";
}

void TstQuarraScreens::blocksOfAnotherChainBind()
{
    QFETCH(QString, cell);
    QFETCH(QString, document);
    if (QTest::currentDataTag() == QLatin1String("graphic EQ")) {
        // One chain with every block kind the default lacks, made as a user would make it.
        QVERIFY(goHome());
        HomeScreenModel *model = home();
        TarnSettings::write(QString::fromLatin1(tarn::keys::IsConfigMode), QStringLiteral("true"));
        model->refreshConfig();
        const int insert2 = model->builderColumn(QStringLiteral("in"), 4);
        const int insert1 = model->builderColumn(QStringLiteral("in"), 3);
        const int mid = model->builderColumn(QStringLiteral("mid"), 2);
        const auto place = [&](int column, int row, const QString &templ) {
            for (int i = 0; i < model->poListCnt(column, row); ++i) {
                if (model->getPoName(i) == templ) {
                    model->changePO(column, row, i);
                    return true;
                }
            }
            return false;
        };
        QVERIFY(place(insert2, 0, QStringLiteral("In_GEQ")) && place(insert2, 1, QStringLiteral("In_Delay"))
                && place(insert2, 2, QStringLiteral("In_SubharmonicSynth")) && place(insert1, 2, QStringLiteral("In_Gate"))
                && place(mid, 0, QStringLiteral("Mid_AGC")));
        QVERIFY(apply());
    }
    QVERIFY(goHome());
    m_h.answered.clear();
    m_h.takeWarnings();
    QVERIFY(press(QStringLiteral("cell_") + cell));
    QTRY_VERIFY_WITH_TIMEOUT(m_h.shows(document), kWait);
    QVERIFY(m_h.allBound());
    QCOMPARE(m_h.takeWarnings(), QString());
    m_h.picture(QFileInfo(document).completeBaseName());
}

// The pictures of configuration mode need a real X server.
TARN_XVFB_TEST_MAIN(TstQuarraScreens, "TARN_QUARRA_SCREENS_X")
#include "tst_quarrascreens.moc"
