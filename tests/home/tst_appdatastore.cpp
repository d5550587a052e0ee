// Guards against a busy processor missed or reported wrongly, nudge steps taken from the wrong
// range, and unbounded or malformed range data, channel codes and limiter lists.
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
    void busyTexts_data();
    void busyTexts();
    void busyFromTheWire();
    void shippedRangeData();
    void nudgeStepsFromRangeData_data();
    void nudgeStepsFromRangeData();
    void rangeDataParse_data();
    void rangeDataParse();
    void rangeDataFiles();
    void channelNames_data();
    void channelNames();
    void inputAndOutputNames();
    void limiterList();

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

void TstAppDataStore::busyTexts_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("busy");
    QTest::newRow("preset load running") << "Load:3:InProgress" << true;
    QTest::newRow("reconfiguration running") << "Reconfig:InProgress" << true;
    QTest::newRow("reconfiguration with detail") << "Reconfig:Stage 2 of 4:InProgress" << true;
    QTest::newRow("reconfiguration failed") << "Reconfig:Failed" << false;
    QTest::newRow("InProgress alone") << "InProgress" << false;
    QTest::newRow("other word") << "Store:2:InProgress" << false;
    QTest::newRow("lower case") << "reconfig:InProgress" << false;
    QTest::newRow("trailing blank") << "Load:1:InProgress " << false;
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

    // While reports are suppressed the store is idle and unsubscribed; listening again resumes.
    peer.send(statusLine("Load:2:InProgress"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 5, kWait);
    spy.clear();
    peer.clearLines();
    store.stopListeningForBusyEvents();
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("unsub \"" + kStatusPath + "\\\""), kWait);
    QVERIFY(!store.deviceBusy());
    store.onStatusValueChanged(QStringLiteral("Reconfig:InProgress"));
    QCOMPARE(spy.count(), 0);

    peer.clearLines();
    store.listenForBusyEvents();
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("sub \"" + kStatusPath + "\\\""), kWait);
    QVERIFY(store.deviceBusy());
    peer.send(statusLine("Load:2:Done"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, kWait);
    QCOMPARE(spy.last().at(0).toBool(), false);
}

// Every parameter whose nudge step depends on the value has ranges that ascend and touch,
// numbered 0 ... n-1; unknown names and other spellings give an empty list.
void TstAppDataStore::shippedRangeData()
{
    AppDataStore store;
    const QJsonObject data = store.rangeData();
    QVERIFY(data.size() >= 9);
    for (auto block = data.constBegin(); block != data.constEnd(); ++block) {
        const QJsonObject params = block.value().toObject();
        QVERIFY2(!params.isEmpty(), qPrintable(block.key()));
        for (auto param = params.constBegin(); param != params.constEnd(); ++param) {
            const QString key = block.key() + QLatin1Char('/') + param.key();
            const QJsonArray entries = QJsonDocument::fromJson(store.getJsonArray(block.key(), param.key()).toUtf8()).array();
            QVERIFY2(entries.size() >= 2, qPrintable(key));
            double previousHigh = entries.at(0).toObject().value(QStringLiteral("low")).toDouble();
            QSet<QString> labels, numbers;
            for (int i = 0; i < entries.size(); ++i) {
                const QJsonObject entry = entries.at(i).toObject();
                labels << entry.value(QStringLiteral("range")).toString();
                numbers << QString::number(i);
                QCOMPARE(entry.value(QStringLiteral("low")).toDouble(), previousHigh);
                QVERIFY2(entry.value(QStringLiteral("high")).toDouble() > previousHigh, qPrintable(key));
                previousHigh = entry.value(QStringLiteral("high")).toDouble();
            }
            QCOMPARE(labels, numbers); // 0 ... n-1, in any order
        }
    }
    for (const auto &unknown : {std::make_pair("EQ", "Gain"), std::make_pair("Flanger", "Frequency"),
                                std::make_pair("eq", "frequency"), std::make_pair("", "")})
        QCOMPARE(store.getJsonArray(QLatin1String(unknown.first), QLatin1String(unknown.second)), QStringLiteral("[]"));
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
    QTest::newRow("AGC limiter release, boundary") << "AGC" << "LimRelease" << QByteArray("100dB/s") << "AGC" << "LimRelease" << 1 << QByteArray("98");
    QTest::newRow("compressor attack down at boundary") << "Compressor" << "Attack" << QByteArray("20.0ms") << "Compressor" << "Attack" << -1 << QByteArray("19.5");
    QTest::newRow("alignment delay") << "Low Outputs Delay" << "Amount" << QByteArray("12.50ms/4.29m/14.07ft") << "Delay" << "Amount" << 1 << QByteArray("12.75ms");
    QTest::newRow("EQ gain single step") << "Low Outputs PEQ" << "Band_1_Gain" << QByteArray("3.0dB") << "EQ" << "Gain" << 1 << QByteArray("3.1");
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

// A file that is missing, not an object or too big leaves the data as it was.
void TstAppDataStore::rangeDataFiles()
{
    AppDataStore store;
    const QString before = store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q"));
    QTemporaryDir dir;
    auto file = [&](const char *name, const QByteArray &content) {
        QFile f(dir.filePath(QLatin1String(name)));
        if (!content.isNull() && f.open(QIODevice::WriteOnly))
            f.write(content);
        return f.fileName();
    };
    for (const QString &refused : {file("missing.json", QByteArray()), file("bad.json", "[\"not\", \"an object\"]"),
                                   file("big.json", "{\"EQ\":{\"Q\":[]}}" + QByteArray(AppDataStore::kMaxRangeDataBytes, ' '))}) {
        QVERIFY2(!store.loadRangeData(refused), qPrintable(refused));
        QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), before);
    }
    QVERIFY(store.loadRangeData(file("good.json", R"({"EQ":{"Gain":[{"range":"0","low":-15,"high":15}],"Q":{"not":"an array"}}})")));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Gain")),
             QStringLiteral(R"([{"high":15,"low":-15,"range":"0"}])"));
    QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), QStringLiteral("[]"));
}

void TstAppDataStore::channelNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("out 24") << "out 24" << "Output 3,4,5,6";
    QTest::newRow("out 01") << "out 01" << "Output 1";
    QTest::newRow("out 06") << "out 06" << "Output 1,2,3,4,5,6";
    QTest::newRow("mid counts as output") << "mid 12" << "Output 2,3";
    QTest::newRow("in 02") << "in 02" << "Input A,B";
    QTest::newRow("input code unknown") << "in 24" << "";
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

void TstAppDataStore::inputAndOutputNames()
{
    AppDataStore store;
    const QStringList names{"Analog 1", "Analog 2", "Analog 3", "AES 1", "AES 2", "AES 3", "AES 4"};
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(store.inputNameFromIdx(QStringLiteral("In%1").arg(i + 1)), names.at(i));
        QCOMPARE(store.inputNameFromIdx(QString::number(i + 1)), names.at(i));
    }
    for (const QString &none : {QStringLiteral("In8"), QStringLiteral("0"), QString()})
        QCOMPARE(store.inputNameFromIdx(none), QString());

    store.setOutputName(QStringLiteral("out:1"), QStringLiteral("Main Left"));
    store.setOutputName(QStringLiteral("out:1"), QStringLiteral("Sub"));
    QCOMPARE(store.getOutputName(QStringLiteral("out:1")), QStringLiteral("Sub"));
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

    // Bounded: at most kMaxLimiters names; an over-long text is cut, not refused.
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


TARN_TEST_MAIN(TstAppDataStore, QCoreApplication)
#include "tst_appdatastore.moc"
