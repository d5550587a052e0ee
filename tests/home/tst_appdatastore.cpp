#include "appdatastore.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnbutton.h"
#include "tarnsettings.h"
#include "tarntextsv.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>

using tarn::test::ScriptedPeer;

namespace {
constexpr int kWait = 5000;
const QByteArray kStatusPath = "\\\\Node\\Config\\SV\\Command:Status";

QByteArray statusLine(const QByteArray &status)
{
    return "subr \"" + kStatusPath + "\" \"" + status + "\"\n";
}
} // namespace

class TstAppDataStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void statusBinding();
    void busyTexts_data();
    void busyTexts();
    void busyFromTheWire();
    void suppressedBusyReports();
    void rangeLookup();
    void shippedRangeData();
    void nudgeStepsFromRangeData_data();
    void nudgeStepsFromRangeData();
    void rangeDataParse_data();
    void rangeDataParse();
    void rangeDataFiles();
    void channelNames_data();
    void channelNames();
    void inputNames();
    void outputNames();
    void limiterList();
    void limiterListBounds();
    void flagsAndSignals();

private:
    bool login(ScriptedPeer &peer);
    TCPAdaptor *m_adaptor = nullptr;
};

void TstAppDataStore::initTestCase()
{
    m_adaptor = TCPAdaptor::instance();
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("secret"));
}

void TstAppDataStore::cleanup()
{
    if (m_adaptor->isConnected()) {
        m_adaptor->doDisconnect();
        QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isConnected(), kWait);
    }
}

bool TstAppDataStore::login(ScriptedPeer &peer)
{
    qputenv("TARN_DEVICE_PORT", QByteArray::number(peer.port()));
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    m_adaptor->doConnect();
    return ready.wait(kWait);
}

void TstAppDataStore::statusBinding()
{
    AppDataStore store;
    TarnTextSV *status = store.statusObject();
    QVERIFY(status);
    QCOMPARE(status->parent(), &store);
    QCOMPARE(status->objectName(), QStringLiteral("DeviceBusyTSV"));
    QCOMPARE(status->poName(), QStringLiteral("NPO"));
    QCOMPARE(status->svName(), QStringLiteral("Node\\Config\\SV\\Command:Status"));
    QCOMPARE(store.findChild<TarnTextSV *>(QStringLiteral("DeviceBusyTSV")), status);
}

void TstAppDataStore::busyTexts_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("busy");
    QTest::newRow("preset load running") << "Load:3:InProgress" << true;
    QTest::newRow("reconfiguration running") << "Reconfig:InProgress" << true;
    QTest::newRow("reconfiguration with detail") << "Reconfig:Stage 2 of 4:InProgress" << true;
    QTest::newRow("load prefix only") << "Load:InProgress" << true;
    QTest::newRow("reconfiguration done") << "Reconfig:Done" << false;
    QTest::newRow("reconfiguration failed") << "Reconfig:Failed" << false;
    QTest::newRow("load done") << "Load:3:Done" << false;
    QTest::newRow("InProgress alone") << "InProgress" << false;
    QTest::newRow("other word") << "Store:2:InProgress" << false;
    QTest::newRow("lower case") << "reconfig:InProgress" << false;
    QTest::newRow("no colon") << "ReconfigInProgress" << false;
    QTest::newRow("trailing blank") << "Load:1:InProgress " << false;
    QTest::newRow("idle") << "Idle" << false;
    QTest::newRow("empty") << "" << false;
}

void TstAppDataStore::busyTexts()
{
    QFETCH(QString, status);
    QFETCH(bool, busy);
    QCOMPARE(AppDataStore::isBusyStatus(status), busy);

    AppDataStore store;
    QSignalSpy spy(&store, &AppDataStore::deviceBusyStateChanged);
    store.onStatusValueChanged(status);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), busy);
}

void TstAppDataStore::busyFromTheWire()
{
    ScriptedPeer peer;
    QVERIFY(login(peer));
    AppDataStore store;
    QSignalSpy spy(&store, &AppDataStore::deviceBusyStateChanged);
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("sub \"" + kStatusPath + "\\\""), kWait);
    QVERIFY(!store.deviceBusy());

    peer.send(statusLine("Load:4:InProgress"));
    QVERIFY(spy.wait(kWait));
    QCOMPARE(spy.last().at(0).toBool(), true);
    QVERIFY(store.deviceBusy());

    peer.send(statusLine("Load:4:Done"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, kWait);
    QCOMPARE(spy.last().at(0).toBool(), false);
    QVERIFY(!store.deviceBusy());

    peer.send(statusLine("Reconfig:InProgress"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, kWait);
    QVERIFY(store.deviceBusy());

    // Another node value does not reach the status object.
    peer.send("subr \"\\\\Node\\Config\\SV\\Result\" \"Load:1:Done\"\n");
    peer.send(statusLine("Reconfig:Done"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 4, kWait);
    QCOMPARE(spy.last().at(0).toBool(), false);
}

void TstAppDataStore::suppressedBusyReports()
{
    ScriptedPeer peer;
    QVERIFY(login(peer));
    AppDataStore store;
    QSignalSpy spy(&store, &AppDataStore::deviceBusyStateChanged);
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("sub \"" + kStatusPath + "\\\""), kWait);
    peer.send(statusLine("Load:2:InProgress"));
    QVERIFY(spy.wait(kWait));
    QVERIFY(store.deviceBusy());

    peer.clearLines();
    store.stopListeningForBusyEvents();
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("unsub \"" + kStatusPath + "\\\""), kWait);
    QVERIFY(!store.deviceBusy());
    store.onStatusValueChanged(QStringLiteral("Reconfig:InProgress"));
    QCOMPARE(spy.count(), 1);

    peer.clearLines();
    store.listenForBusyEvents();
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("sub \"" + kStatusPath + "\\\""), kWait);
    QVERIFY(store.deviceBusy());
    peer.send(statusLine("Load:2:Done"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, kWait);
    QCOMPARE(spy.last().at(0).toBool(), false);
}

void TstAppDataStore::rangeLookup()
{
    AppDataStore store;
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Frequency")),
             QStringLiteral(R"([{"high":100,"low":20,"range":"0"},{"high":1000,"low":100,"range":"1"},)"
                            R"({"high":10000,"low":1000,"range":"2"},{"high":22000,"low":10000,"range":"3"}])"));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Gain")), QStringLiteral("[]"));
    QCOMPARE(store.getJsonArray(QStringLiteral("Limiter"), QStringLiteral("Threshold")), QStringLiteral("[]"));
    QCOMPARE(store.getJsonArray(QStringLiteral("Flanger"), QStringLiteral("Frequency")), QStringLiteral("[]"));
    QCOMPARE(store.getJsonArray(QString(), QString()), QStringLiteral("[]"));
    QCOMPARE(store.getJsonArray(QStringLiteral("eq"), QStringLiteral("frequency")), QStringLiteral("[]"));

    const QJsonArray delay = QJsonDocument::fromJson(store.getJsonArray(QStringLiteral("Delay"), QStringLiteral("Amount")).toUtf8()).array();
    QCOMPARE(delay.size(), 4);
    QCOMPARE(delay.at(0).toObject().value(QStringLiteral("low")).toDouble(), 0.0);
    QCOMPARE(delay.at(3).toObject().value(QStringLiteral("high")).toDouble(), 1000.0);
    QCOMPARE(QJsonDocument::fromJson(store.getJsonArray(QStringLiteral("SignalGenerator"), QStringLiteral("Sine Frequency")).toUtf8()).array().size(), 3);
}

// The resource holds, for every parameter whose nudge step depends on the value, one entry per
// step: ranges that ascend and touch, numbered 0 … n-1.
void TstAppDataStore::shippedRangeData()
{
    AppDataStore store;
    const QJsonObject data = store.rangeData();
    const QMap<QString, int> expected{
        {"EQ/Frequency", 4},      {"EQ/Q", 10},           {"EQ/Slope", 4},         {"AFS/LiftTime", 3},
        {"AFS/HighPass", 5},      {"Gate/Ratio", 3},      {"Gate/MaxAttenuation", 2}, {"Gate/Attack", 4},
        {"Gate/Release", 3},      {"Limiter/Attack", 4},  {"Limiter/Release", 3},  {"Compressor/Ratio", 5},
        {"Compressor/Attack", 4}, {"Compressor/Release", 3}, {"AGC/LimAttack", 4}, {"AGC/LimRelease", 3},
        {"Delay/Amount", 4},      {"Crossover/Frequency", 4}, {"SignalGenerator/Sine Frequency", 3}};
    QStringList found;
    for (auto block = data.constBegin(); block != data.constEnd(); ++block) {
        const QJsonObject params = block.value().toObject();
        for (auto param = params.constBegin(); param != params.constEnd(); ++param) {
            const QString key = block.key() + QLatin1Char('/') + param.key();
            found.append(key);
            const QJsonArray entries = param.value().toArray();
            QVERIFY2(expected.contains(key), qPrintable(key));
            QCOMPARE(entries.size(), expected.value(key));
            QSet<QString> labels;
            double previousHigh = entries.at(0).toObject().value(QStringLiteral("low")).toDouble();
            for (const QJsonValue &e : entries) {
                const QJsonObject entry = e.toObject();
                QVERIFY(entry.value(QStringLiteral("range")).isString());
                QVERIFY(entry.value(QStringLiteral("low")).isDouble());
                QVERIFY(entry.value(QStringLiteral("high")).isDouble());
                labels.insert(entry.value(QStringLiteral("range")).toString());
                QCOMPARE(entry.value(QStringLiteral("low")).toDouble(), previousHigh);
                QVERIFY2(entry.value(QStringLiteral("high")).toDouble() > entry.value(QStringLiteral("low")).toDouble(), qPrintable(key));
                previousHigh = entry.value(QStringLiteral("high")).toDouble();
            }
            for (int i = 0; i < entries.size(); ++i)
                QVERIFY2(labels.contains(QString::number(i)), qPrintable(key));
        }
    }
    QCOMPARE(found.size(), expected.size());
    for (const char *block : {"EQ", "AFS", "Gate", "Limiter", "Compressor", "AGC", "Delay", "Crossover", "SignalGenerator"})
        QVERIFY(data.contains(QLatin1String(block)));
}

// The range data as the nudge buttons use it: the step depends on the range the shown value
// lies in, and a parameter without range data takes its single step.
void TstAppDataStore::nudgeStepsFromRangeData_data()
{
    QTest::addColumn<QString>("po");
    QTest::addColumn<QString>("sv");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QString>("poClass");
    QTest::addColumn<QString>("svClass");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("AGC limiter release, long") << "AGC" << "LimRelease" << QByteArray("200dB/s") << "AGC" << "LimRelease" << 1 << QByteArray("195");
    QTest::newRow("AGC limiter release, short") << "AGC" << "LimRelease" << QByteArray("30dB/s") << "AGC" << "LimRelease" << 1 << QByteArray("29");
    QTest::newRow("AGC limiter release, boundary") << "AGC" << "LimRelease" << QByteArray("100dB/s") << "AGC" << "LimRelease" << 1 << QByteArray("98");
    QTest::newRow("compressor ratio") << "Compressor" << "Ratio" << QByteArray("3.0:1") << "Compressor" << "Ratio" << 1 << QByteArray("3.2");
    QTest::newRow("compressor attack up at boundary") << "Compressor" << "Attack" << QByteArray("20.0ms") << "Compressor" << "Attack" << 1 << QByteArray("21");
    QTest::newRow("compressor attack down at boundary") << "Compressor" << "Attack" << QByteArray("20.0ms") << "Compressor" << "Attack" << -1 << QByteArray("19.5");
    QTest::newRow("gate attenuation") << "Gate" << "MaxAttenuation" << QByteArray("40dB") << "Gate" << "MaxAttenuation" << 1 << QByteArray("41");
    QTest::newRow("alignment delay") << "Low Outputs Delay" << "Amount" << QByteArray("12.50ms/4.29m/14.07ft") << "Delay" << "Amount" << 1 << QByteArray("12.75ms");
    QTest::newRow("EQ gain single step") << "Low Outputs PEQ" << "Band_1_Gain" << QByteArray("3.0dB") << "EQ" << "Gain" << 1 << QByteArray("3.1");
    QTest::newRow("EQ frequency") << "Low Outputs PEQ" << "Band_1_Frequency" << QByteArray("250.0Hz") << "EQ" << "Frequency" << 1 << QByteArray("251");
    QTest::newRow("sine up at boundary") << "SignalGenerator" << "Sine Frequency" << QByteArray("1.00kHz") << "SignalGenerator" << "Sine Frequency" << 1 << QByteArray("1100");
    QTest::newRow("sine down at boundary") << "SignalGenerator" << "Sine Frequency" << QByteArray("1.00kHz") << "SignalGenerator" << "Sine Frequency" << -1 << QByteArray("990");
}

void TstAppDataStore::nudgeStepsFromRangeData()
{
    QFETCH(QString, po);
    QFETCH(QString, sv);
    QFETCH(QByteArray, shown);
    QFETCH(QString, poClass);
    QFETCH(QString, svClass);
    QFETCH(int, direction);
    QFETCH(QByteArray, sent);

    ScriptedPeer peer;
    QVERIFY(login(peer));
    AppDataStore store;
    TarnButton button;
    button.setButtonType(TarnButton::Nudge);
    button.setPoName(po);
    button.setSvName(sv);
    button.componentCompleted();
    const QByteArray path = "\\\\Preset\\" + po.toUtf8() + "\\SV\\" + sv.toUtf8();
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("sub \"" + path + "\\\""), kWait);
    QSignalSpy value(&button, &TarnButton::valueToNudgeChanged);
    peer.send("subr \"" + path + "\" \"" + shown + "\"\n");
    QVERIFY(value.wait(kWait));

    button.setNudgeJsonData(store.getJsonArray(poClass, svClass));
    button.onNudged(direction, svClass, poClass);
    QTRY_VERIFY_WITH_TIMEOUT(!peer.linesStartingWith("set ").isEmpty(), kWait);
    QCOMPARE(peer.linesStartingWith("set "), QList<QByteArray>{"set \"" + path + "\\\" \"" + sent + "\""});
}

void TstAppDataStore::rangeDataParse_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("object") << QByteArray(R"({"EQ":{"Q":[{"range":"0","low":0.1,"high":1}]}})") << true;
    QTest::newRow("empty object") << QByteArray("{}") << true;
    QTest::newRow("array") << QByteArray("[1,2]") << false;
    QTest::newRow("cut short") << QByteArray(R"({"EQ":{"Q":[)") << false;
    QTest::newRow("unterminated string") << QByteArray(R"({"EQ)") << false;
    QTest::newRow("garbage") << QByteArray("range data") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("trailing text") << QByteArray("{} x") << false;
}

void TstAppDataStore::rangeDataParse()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, accepted);
    QJsonObject out{{QStringLiteral("kept"), 1}};
    QCOMPARE(AppDataStore::parseRangeData(document, &out), accepted);
    if (!accepted)
        QCOMPARE(out.value(QStringLiteral("kept")).toInt(), 1);
}

void TstAppDataStore::rangeDataFiles()
{
    AppDataStore store;
    const QString before = store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q"));
    QVERIFY(before != QLatin1String("[]"));

    QTemporaryDir dir;
    QVERIFY(!store.loadRangeData(dir.filePath(QStringLiteral("missing.json"))));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), before);

    QFile bad(dir.filePath(QStringLiteral("bad.json")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("[\"not\", \"an object\"]");
    bad.close();
    QVERIFY(!store.loadRangeData(bad.fileName()));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), before);

    QFile big(dir.filePath(QStringLiteral("big.json")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write("{\"EQ\":{\"Q\":[]}}");
    big.write(QByteArray(AppDataStore::kMaxRangeDataBytes, ' '));
    big.close();
    QVERIFY(!store.loadRangeData(big.fileName()));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), before);

    QFile good(dir.filePath(QStringLiteral("good.json")));
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write(R"({"EQ":{"Gain":[{"range":"0","low":-15,"high":15}],"Q":{"not":"an array"}}})");
    good.close();
    QVERIFY(store.loadRangeData(good.fileName()));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Gain")),
             QStringLiteral(R"([{"high":15,"low":-15,"range":"0"}])"));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), QStringLiteral("[]"));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Frequency")), QStringLiteral("[]"));
}

void TstAppDataStore::channelNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("out 24") << "out 24" << "Output 3,4,5,6";
    QTest::newRow("out 01") << "out 01" << "Output 1";
    QTest::newRow("out 51") << "out 51" << "Output 6";
    QTest::newRow("out 06") << "out 06" << "Output 1,2,3,4,5,6";
    QTest::newRow("out 15") << "out 15" << "Output 2,3,4,5,6";
    QTest::newRow("mid counts as output") << "mid 12" << "Output 2,3";
    QTest::newRow("in 02") << "in 02" << "Input A,B";
    QTest::newRow("in 21") << "in 21" << "Input C";
    QTest::newRow("in 03") << "in 03" << "Input A,B,C";
    QTest::newRow("input code unknown") << "in 24" << "";
    QTest::newRow("output code unknown") << "out 61" << "";
    QTest::newRow("word only") << "out" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("two blanks") << "out  24" << "";
}

void TstAppDataStore::channelNames()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    AppDataStore store;
    store.setChannelName(QStringLiteral("out 01"));
    store.setChannelName(text);
    QCOMPARE(store.channelName(), name);
}

void TstAppDataStore::inputNames()
{
    AppDataStore store;
    const QStringList names{"Analog 1", "Analog 2", "Analog 3", "AES 1", "AES 2", "AES 3", "AES 4"};
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(store.inputNameFromIdx(QStringLiteral("In%1").arg(i + 1)), names.at(i));
        QCOMPARE(store.inputNameFromIdx(QString::number(i + 1)), names.at(i));
    }
    QCOMPARE(store.inputNameFromIdx(QStringLiteral("In8")), QString());
    QCOMPARE(store.inputNameFromIdx(QStringLiteral("0")), QString());
    QCOMPARE(store.inputNameFromIdx(QString()), QString());
}

void TstAppDataStore::outputNames()
{
    AppDataStore store;
    QCOMPARE(store.getOutputName(QStringLiteral("out:1")), QString());
    store.setOutputName(QStringLiteral("out:1"), QStringLiteral("Main Left"));
    store.setOutputName(QStringLiteral("out:2"), QStringLiteral("Main Right"));
    store.setOutputName(QStringLiteral("out:1"), QStringLiteral("Sub"));
    QCOMPARE(store.getOutputName(QStringLiteral("out:1")), QStringLiteral("Sub"));
    QCOMPARE(store.getOutputName(QStringLiteral("out:2")), QStringLiteral("Main Right"));
    QCOMPARE(store.getOutputName(QStringLiteral("out:3")), QString());
}

void TstAppDataStore::limiterList()
{
    AppDataStore store;
    store.setLimiterList(QStringLiteral(R"(["Low Outputs Limiter","Mid Outputs Limiter","High Outputs Limiter"])"));
    QCOMPARE(store.limiterCount(), 3);
    QCOMPARE(store.getLimiterAt(0), QStringLiteral("Low Outputs Limiter"));
    QCOMPARE(store.getLimiterAt(2), QStringLiteral("High Outputs Limiter"));
    QCOMPARE(store.getLimiterAt(3), QString());
    QCOMPARE(store.getLimiterAt(-1), QString());

    // A new list replaces the old one whole.
    store.setLimiterList(QStringLiteral(R"(["Out_Limiter1"])"));
    QCOMPARE(store.limiterCount(), 1);
    QCOMPARE(store.getLimiterAt(0), QStringLiteral("Out_Limiter1"));
    QCOMPARE(store.getLimiterAt(1), QString());

    // Blanks inside names are kept; only the quotes and the brackets go.
    store.setLimiterList(QStringLiteral(R"([ "A", "B"])"));
    QCOMPARE(store.getLimiterAt(0), QStringLiteral(" A"));
    QCOMPARE(store.getLimiterAt(1), QStringLiteral(" B"));

    for (const QString &empty : {QStringLiteral("[]"), QStringLiteral("[\"\"]"), QStringLiteral("["), QString()}) {
        store.setLimiterList(empty);
        QCOMPARE(store.limiterCount(), 0);
        QCOMPARE(store.getLimiterAt(0), QString());
    }
}

void TstAppDataStore::limiterListBounds()
{
    AppDataStore store;
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names.append(QStringLiteral("\"L%1\"").arg(i));
    store.setLimiterList(QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']'));
    QCOMPARE(store.limiterCount(), AppDataStore::kMaxLimiters);
    QCOMPARE(store.getLimiterAt(AppDataStore::kMaxLimiters - 1), QStringLiteral("L%1").arg(AppDataStore::kMaxLimiters - 1));
    QCOMPARE(store.getLimiterAt(AppDataStore::kMaxLimiters), QString());
    QCOMPARE(store.getLimiterAt(199), QString());

    // An over-long text is cut, not refused: what fits is kept.
    const QString huge = QStringLiteral("[\"") + QString(AppDataStore::kMaxLimiterListLength * 2, QLatin1Char('x')) + QStringLiteral("\"]");
    store.setLimiterList(huge);
    QCOMPARE(store.limiterCount(), 1);
    QVERIFY(store.getLimiterAt(0).size() < AppDataStore::kMaxLimiterListLength);
}

void TstAppDataStore::flagsAndSignals()
{
    AppDataStore store;
    QSignalSpy po(&store, &AppDataStore::poNameChanged);
    store.setPOName(QStringLiteral("Compressor"));
    store.setPOName(QStringLiteral("Compressor"));
    QCOMPARE(po.count(), 1);
    QCOMPARE(store.poName(), QStringLiteral("Compressor"));

    QSignalSpy wizard(&store, &AppDataStore::wizardActiveChanged);
    QVERIFY(!store.wizardActive());
    QVERIFY(store.setProperty("wizardActive", true));
    store.setWizardActive(true);
    QCOMPARE(wizard.count(), 1);
    QVERIFY(store.property("wizardActive").toBool());

    store.setChannelIndex(4);
    QCOMPARE(store.channelIndex(), 4);
    store.setDiscoveryConnectionLost(true);
    QVERIFY(store.discoveryConnectionLost());
    store.setCopyPastePrg(true);
    QVERIFY(store.getCopyPastePrg());
    store.setIsStartup(QStringLiteral("true"));
    QCOMPARE(store.isStartup(), QStringLiteral("true"));
}

TARN_TEST_MAIN(TstAppDataStore, QCoreApplication)
#include "tst_appdatastore.moc"
