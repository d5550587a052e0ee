// Guards against the offline model answering the link unlike a processor (logins, values and their
// units, listings, presets, firmware uploads, discovery, hostile input) or its fault modes failing.
#include "deviceinfo.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QUdpSocket>

#include <cmath>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;
using tarn::test::request;

namespace {
constexpr int kWaitMs = 10000;

// A "model status" round trip on the client's own connection: everything the model wrote to
// it before the answer has arrived once this returns true.
bool settle(LinkClient &client)
{
    const int before = client.lines.filter(QStringLiteral("model status ")).size();
    client.sendRaw("model status\n");
    for (int i = 0; i < 100; ++i) {
        if (client.lines.filter(QStringLiteral("model status ")).size() > before)
            return true;
        QSignalSpy spy(&client, &LinkClient::lineReceived);
        spy.wait(100);
    }
    return false;
}

// A control line on a connection of its own, answered "model ok".
bool control(quint16 port, const QByteArray &line)
{
    LinkClient c;
    QSignalSpy answered(&c, &LinkClient::lineReceived);
    c.connectToHost(port);
    c.sendRaw(line);
    for (int i = 0; i < 100; ++i) {
        if (c.lines.contains(QStringLiteral("model ok")))
            return true;
        answered.wait(100);
    }
    qWarning() << "control line unanswered; received" << c.lines;
    return false;
}

QJsonObject counters(const ModelProcess &model)
{
    return model.status().value(QStringLiteral("counters")).toObject();
}

// Gets each "PO|SV" binding and returns the values joined by ", " once every answer came.
QString getAll(LinkClient &client, const QStringList &bindings)
{
    QStringList values;
    const int before = client.records.size();
    for (const QString &b : bindings)
        client.sendRequest(request(QStringLiteral("get"), b.section(QLatin1Char('|'), 0, 0), b.section(QLatin1Char('|'), 1)));
    (void)QTest::qWaitFor([&] { return client.records.size() >= before + bindings.size(); }, kWaitMs);
    for (const QString &b : bindings)
        values << client.value(b.section(QLatin1Char('|'), 0, 0), b.section(QLatin1Char('|'), 1));
    return values.join(QStringLiteral(", "));
}

int indexOfValue(const QList<DataFromDevice> &records, const QString &value)
{
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).value == value)
            return i;
    }
    return -1;
}
} // namespace

class TstOfflineModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void badOptionsAndCatalogue();
    void loginAcceptedAndRefused();
    void subscriptionsReachEveryClient();
    void percentValues();
    void listingsAndAttributes();
    void nodePathsAndCommands();
    void presetRecallStoreRename();
    void presetNamesSurviveRestart();
    void firmwareUpload();
    void discoveryAnswer();
    void hostileInput();
    void metersMoveDeterministically();
    // Fault modes that link tests rely on: silence, refusals, drops, stalls, garbage, size, slowness.
    void neverGreets();
    void dropsAfterLines();
    void stopsAnswering();
    void sendsGarbage();
    void sendsOversizedLine();
    void slowLink();
    void ignoresDiscovery();
    void controlLineChangesFaultsAtRunTime();
};

void TstOfflineModel::initTestCase()
{
    tarn::registerDataFromDeviceTypes();
    QVERIFY2(QFile::exists(ModelProcess::program()), qPrintable(ModelProcess::program()));
}

void TstOfflineModel::badOptionsAndCatalogue()
{
    QTemporaryDir dir;
    QFile broken(dir.filePath(QStringLiteral("broken.json")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{\"format\": \"tarn-offline-catalogue\", \"version\": 1, \"model\": \"X\", \"bogus\": 1}");
    broken.close();
    const QString port = QString::number(tarn::test::freePort());
    const QList<QPair<QStringList, QByteArray>> cases = {
        {{QStringLiteral("--port"), QStringLiteral("70000")}, "--port"},
        {{QStringLiteral("--port"), port, QStringLiteral("--catalogue"), broken.fileName()}, "bogus"},
        {{QStringLiteral("--port"), port, QStringLiteral("--hardware-version"), QStringLiteral("Quantum")}, "Quantum"},
    };
    QProcess p;
    for (const auto &c : cases) {
        p.start(ModelProcess::program(), c.first);
        QVERIFY(p.waitForFinished(kWaitMs));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(p.readAllStandardError().contains(c.second), c.second.constData());
    }

    // A port that is taken ends the program with its own exit code.
    ModelProcess first;
    QVERIFY2(first.start(), qPrintable(first.output()));
    p.start(ModelProcess::program(), {QStringLiteral("--port"), QString::number(first.port())});
    QVERIFY(p.waitForFinished(kWaitMs));
    QCOMPARE(p.exitCode(), 3);
}

void TstOfflineModel::loginAcceptedAndRefused()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--password"), QStringLiteral("s3cret pass")}), qPrintable(model.output()));

    LinkClient early;
    QSignalSpy greeted(&early, &LinkClient::enterPasswordRequested);
    early.connectToHost(model.port());
    QVERIFY(greeted.wait(kWaitMs));
    QCOMPARE(early.lines.value(0), QStringLiteral("Corvex Console"));
    // Nothing is served before the login.
    early.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_VERIFY_WITH_TIMEOUT(early.lines.contains(QStringLiteral("error not logged in")), kWaitMs);
    QVERIFY(early.records.isEmpty());

    QSignalSpy refused(&early, &LinkClient::incorrectPassword);
    early.enterPassword(QStringLiteral("stagemanagers"));
    QVERIFY(refused.wait(kWaitMs));
    QCOMPARE(early.lines.last(), QStringLiteral("error could not connect as administrator"));
    early.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(early.lines.count(QStringLiteral("error not logged in")), 2, kWaitMs);

    // A second password on the same connection is taken, as the link sends it.
    QSignalSpy ready(&early, &LinkClient::corvexReady);
    early.enterPassword(QStringLiteral("s3cret pass"));
    QVERIFY(ready.wait(kWaitMs));
    QCOMPARE(early.lines.last(), QStringLiteral("connect logged in as administrator"));

    LinkClient other;
    QVERIFY(other.login(model.port(), QStringLiteral("s3cret pass")));
    QTRY_COMPARE_WITH_TIMEOUT(model.status().value(QStringLiteral("counters")).toObject().value(QStringLiteral("loginsAccepted")).toInt(), 2, kWaitMs);
    QCOMPARE(model.status().value(QStringLiteral("counters")).toObject().value(QStringLiteral("loginsRefused")).toInt(), 1);
}

void TstOfflineModel::subscriptionsReachEveryClient()
{
    ModelProcess model;
    QVERIFY2(model.start(), qPrintable(model.output()));
    LinkClient a;
    LinkClient b;
    QVERIFY(a.login(model.port()));
    QVERIFY(b.login(model.port()));
    const QString po = QStringLiteral("Compressor");
    const QString sv = QStringLiteral("Threshold");

    b.sendRequest(request(QStringLiteral("sub"), po, sv));
    b.sendRequest(request(QStringLiteral("sub"), po, sv, QString(), QStringLiteral("%")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv), QStringLiteral("-20.0dB"), kWaitMs);
    QCOMPARE(b.recordsFor(po, sv).first().command, QStringLiteral("subr"));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv, QStringLiteral("%")), QStringLiteral("66.67%"), kWaitMs);

    // A set from one client reaches the other as "subr"; the setter sees "setr".
    a.sendRequest(request(QStringLiteral("set"), po, sv, QStringLiteral("-12.5")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv), QStringLiteral("-12.5dB"), kWaitMs);
    QCOMPARE(b.recordsFor(po, sv).last().command, QStringLiteral("subr"));
    QTRY_COMPARE_WITH_TIMEOUT(a.value(po, sv), QStringLiteral("-12.5dB"), kWaitMs);
    QCOMPARE(a.recordsFor(po, sv).last().command, QStringLiteral("setr"));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv, QStringLiteral("%")), QStringLiteral("79.17%"), kWaitMs);

    // Out-of-range values are clamped; units the link strips are understood.
    a.sendRequest(request(QStringLiteral("set"), po, sv, QStringLiteral("-100")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv), QStringLiteral("-60.0dB"), kWaitMs);
    a.sendRequest(request(QStringLiteral("set"), po, sv, QStringLiteral("-6dB")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv), QStringLiteral("-6.0dB"), kWaitMs);
    a.sendRequest(request(QStringLiteral("set"), po, sv, QStringLiteral("25"), QStringLiteral("%")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv), QStringLiteral("-45.0dB"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv, QStringLiteral("%")), QStringLiteral("25%"), kWaitMs);

    // Refused writes change nothing and are answered with an error line.
    a.sendRequest(request(QStringLiteral("set"), po, sv, QStringLiteral("loud")));
    a.sendRequest(request(QStringLiteral("set"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level"), QStringLiteral("0")));
    a.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Nonexistent"), QStringLiteral("1")));
    QTRY_COMPARE_WITH_TIMEOUT(a.lines.filter(QStringLiteral("error ")).size(), 3, kWaitMs);
    QVERIFY(a.lines.filter(QStringLiteral("error ")).at(0).startsWith(QStringLiteral("error not a number")));
    QVERIFY(a.lines.filter(QStringLiteral("error ")).at(1).startsWith(QStringLiteral("error read only")));
    QVERIFY(a.lines.filter(QStringLiteral("error ")).at(2).startsWith(QStringLiteral("error unknown path")));

    // Choices, texts and switches take their own words.
    b.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Crossover"), QStringLiteral("Band_2_HPType")));
    a.sendRequest(request(QStringLiteral("set"), QStringLiteral("Crossover"), QStringLiteral("Band_2_HPType"), QStringLiteral("\"BW 18\"")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(QStringLiteral("Crossover"), QStringLiteral("Band_2_HPType")), QStringLiteral("BW 18"), kWaitMs);
    b.sendRequest(request(QStringLiteral("sub"), QStringLiteral("OutputGains"), QStringLiteral("Channel_3_Mute")));
    a.sendRequest(request(QStringLiteral("set"), QStringLiteral("OutputGains"), QStringLiteral("Channel_3_Mute"), QStringLiteral("1")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(QStringLiteral("OutputGains"), QStringLiteral("Channel_3_Mute")), QStringLiteral("On"), kWaitMs);

    // After "unsub" no more pushes: the next "get" answer comes first.
    b.sendRequest(request(QStringLiteral("unsub"), po, sv));
    QTRY_COMPARE_WITH_TIMEOUT(b.recordsFor(po, sv).last().command, QStringLiteral("unsubr"), kWaitMs);
    const int seen = b.recordsFor(po, sv).size();
    a.sendRequest(request(QStringLiteral("set"), po, sv, QStringLiteral("-30")));
    QTRY_COMPARE_WITH_TIMEOUT(a.value(po, sv), QStringLiteral("-30.0dB"), kWaitMs);
    QVERIFY(settle(b));
    QCOMPARE(b.recordsFor(po, sv).size(), seen);
    // The "%" subscription is a binding of its own and still reports.
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv, QStringLiteral("%")), QStringLiteral("50%"), kWaitMs);
}

void TstOfflineModel::percentValues()
{
    ModelProcess model;
    QVERIFY2(model.start(), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    const QString pct = QStringLiteral("%");
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("SignalGenerator"), QStringLiteral("Sine Frequency"), QString(), pct));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Crossover"), QStringLiteral("Band_1_LPFrequency"), QString(), pct));
    c.sendRequest(request(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level"), QString(), pct));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Ratio"), QString(), pct));
    QTRY_COMPARE_WITH_TIMEOUT(c.records.size(), 4, kWaitMs);

    // Frequencies move evenly per octave: 1 kHz on 20 Hz..20 kHz sits at log(50)/log(1000).
    const double sine = 100.0 * std::log(1000.0 / 20.0) / std::log(20000.0 / 20.0);
    QCOMPARE(c.records.at(0).value, QString::number(std::round(sine * 100) / 100, 'g', 6) + pct);
    QCOMPARE(c.records.at(0).valueType, pct);
    const double lp = 100.0 * std::log(100.0 / 16.0) / std::log(20100.0 / 16.0);
    QCOMPARE(c.records.at(1).value, QString::number(std::round(lp * 100) / 100, 'g', 6) + pct);
    QCOMPARE(c.records.at(2).command, QStringLiteral("asyncget"));
    QVERIFY(c.records.at(2).value.endsWith(pct));
    const double meter = c.records.at(2).value.chopped(1).toDouble();
    QVERIFY(meter >= 0 && meter <= 100);
    // Ratio 4:1 on 1..100 (Inf at the top) is linear, so the link's ratio table lines up.
    QCOMPARE(c.records.at(3).value, QString::number(std::round(300.0 / 99.0 * 100) / 100, 'g', 6) + pct);

    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Ratio"), QStringLiteral("100"), pct));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Ratio")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Ratio")), QStringLiteral("Inf:1"), kWaitMs);
    // Values without a range have no percentage.
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QString(), pct));
    QTRY_VERIFY_WITH_TIMEOUT(c.lines.last().startsWith(QStringLiteral("error no range")), kWaitMs);
}

void TstOfflineModel::listingsAndAttributes()
{
    ModelProcess model;
    QVERIFY2(model.start(), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));

    QSignalSpy enums(&c, &LinkClient::enumsAvailable);
    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("Crossover"), QStringLiteral("Band_1_HPType")));
    QVERIFY(enums.wait(kWaitMs));
    // The path the enumerated control compares: \\Preset\<PO>\SV\<SV>\EN.
    QCOMPARE(enums.last().at(1).toString(), QStringLiteral("\\\\Preset\\Crossover\\SV\\Band_1_HPType\\EN"));
    const QStringList types = enums.last().at(0).toStringList();
    QCOMPARE(types.size(), 12);
    QCOMPARE(types.first(), QStringLiteral("BW 6"));
    QVERIFY(types.contains(QStringLiteral("LR 24")));

    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\HardwareVersion")));
    QVERIFY(enums.wait(kWaitMs));
    QCOMPARE(enums.last().at(1).toString(), QStringLiteral("\\\\Node\\SV\\HardwareVersion\\EN"));
    QCOMPARE(enums.last().at(0).toStringList(), QStringList({QStringLiteral("Standard"), QStringLiteral("Parvane"), QStringLiteral("Dante")}));

    QSignalSpy pos(&c, &LinkClient::poAvailable);
    c.sendRequest(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Preset")));
    QVERIFY(pos.wait(kWaitMs));
    const QStringList objects = pos.last().at(0).toStringList();
    QCOMPARE(pos.last().at(1).toString(), QStringLiteral("\\\\Preset"));
    for (const char *name : {"StereoMixer : ", "GEQ : ", "Compressor : ", "Crossover : ", "Mid Outputs PEQ : ", "OutputMeters : "})
        QVERIFY2(objects.contains(QLatin1String(name)), name);
    QVERIFY(!objects.contains(QStringLiteral("MonoMixer : ")));
    QVERIFY(!objects.contains(QStringLiteral("LeftGEQ : ")));

    c.sendRequest(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Node\\Wizard\\SV")));
    QVERIFY(pos.wait(kWaitMs));
    QVERIFY(pos.last().at(0).toStringList().contains(QStringLiteral("WizardState : ")));

    // The crossover's band count and sub mode are attributes (\AT\).
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Crossover"), QStringLiteral("NumBands")));
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Crossover"), QStringLiteral("MonoSub")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Crossover"), QStringLiteral("MonoSub")), QStringLiteral("0"), kWaitMs);
    QCOMPARE(c.value(QStringLiteral("Crossover"), QStringLiteral("NumBands")), QStringLiteral("3"));
    QVERIFY(c.lines.contains(QStringLiteral("subr \"\\\\Preset\\Crossover\\AT\\NumBands\" \"3\"")));
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Crossover"), QStringLiteral("NumBands"), QStringLiteral("2")));
    QTRY_VERIFY_WITH_TIMEOUT(c.lines.last().startsWith(QStringLiteral("error read only")), kWaitMs);

    // Listings of what is not a list are refused without opening one.
    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_VERIFY_WITH_TIMEOUT(c.lines.last().startsWith(QStringLiteral("error not enumerated")), kWaitMs);
    c.sendRequest(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Nowhere")));
    QTRY_VERIFY_WITH_TIMEOUT(c.lines.last().startsWith(QStringLiteral("error unknown path")), kWaitMs);
    QVERIFY(settle(c));
}

void TstOfflineModel::nodePathsAndCommands()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--hardware-version"), QStringLiteral("Dante"), QStringLiteral("--instance-name"),
                          QStringLiteral("FOH Rack")}),
             qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    const QString npo = QStringLiteral("NPO");
    QCOMPARE(getAll(c, {QStringLiteral("NPO|Node\\AT\\Class_Name"), QStringLiteral("NPO|Node\\AT\\Instance_Name"),
                        QStringLiteral("NPO|Node\\SV\\HardwareVersion"), QStringLiteral("NPO|Node\\Wizard\\SV\\WizardState"),
                        QStringLiteral("NPO|Node\\Config\\SV\\Command:Status")}),
             QStringLiteral("norvCadenzoTarn, FOH Rack, Dante, Inactive, Idle"));

    // Device names follow the application's name rules; others are refused.
    c.sendRequest(request(QStringLiteral("sub"), npo, QStringLiteral("Node\\SV\\DeviceName")));
    c.sendRequest(request(QStringLiteral("set"), npo, QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left (2)")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(npo, QStringLiteral("Node\\SV\\DeviceName")), QStringLiteral("Stage Left (2)"), kWaitMs);
    c.sendRequest(request(QStringLiteral("set"), npo, QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("a/b")));
    c.sendRequest(request(QStringLiteral("set"), npo, QStringLiteral("Node\\SV\\DeviceName"), QString(40, QLatin1Char('x'))));
    c.sendRequest(request(QStringLiteral("set"), npo, QStringLiteral("Node\\AT\\Class_Name"), QStringLiteral("x")));
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.filter(QStringLiteral("error ")).size(), 3, kWaitMs);
    QCOMPARE(c.value(npo, QStringLiteral("Node\\SV\\DeviceName")), QStringLiteral("Stage Left (2)"));

    // An empty text is a value like any other.
    c.sendRequest(request(QStringLiteral("sub"), npo, QStringLiteral("Node\\Wizard\\SV\\TitleString")));
    QTRY_VERIFY_WITH_TIMEOUT(c.lines.contains(QStringLiteral("subr \"\\\\Node\\Wizard\\SV\\TitleString\" \"\"")), kWaitMs);

    // Limits of a node value.
    c.sendRequest(request(QStringLiteral("get"), npo, QStringLiteral("Node\\Wizard\\SV\\WizardGenericAmpLevel\\Max")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(npo, QStringLiteral("Node\\Wizard\\SV\\WizardGenericAmpLevel\\Max"), QStringLiteral("Max")),
                              QStringLiteral("0.0dB"), kWaitMs);

    // The node command channel: the input router's source names.
    c.sendRequest(request(QStringLiteral("sub"), npo, QStringLiteral("Node\\Config\\SV\\Command:Status")));
    c.sendRequest(request(QStringLiteral("sub"), npo, QStringLiteral("Node\\Config\\SV\\Result")));
    c.sendRaw(tarn::protocol::formatNodeCommand(
        QStringLiteral("{\"method\": \"GetInputRouterSourceNames\", \"params\": [], \"id\": \"fwID_getInputRouterSourceNames\"}")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(npo, QStringLiteral("Node\\Config\\SV\\Command:Status")),
                              QStringLiteral("GetInputRouterSourceNames:Done"), kWaitMs);
    QString result = c.value(npo, QStringLiteral("Node\\Config\\SV\\Result"));
    result.replace(QLatin1Char('`'), QLatin1Char('"'));
    const QJsonObject answer = QJsonDocument::fromJson(result.toUtf8()).object();
    QCOMPARE(answer.value(QStringLiteral("id")).toString(), QStringLiteral("fwID_getInputRouterSourceNames"));
    const QJsonArray names = answer.value(QStringLiteral("result")).toArray();
    QVERIFY(names.contains(QStringLiteral("Input A")));
    QVERIFY(names.contains(QStringLiteral("Dante 8")));
    const auto statuses = c.recordsFor(npo, QStringLiteral("Node\\Config\\SV\\Command:Status"));
    QVERIFY(indexOfValue(statuses, QStringLiteral("GetInputRouterSourceNames:InProgress")) >= 0);

    // Unknown methods and broken JSON are answered, not ignored.
    c.sendRaw(tarn::protocol::formatNodeCommand(QStringLiteral("{\"method\": \"Levitate\", \"params\": [], \"id\": \"x1\"}")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(npo, QStringLiteral("Node\\Config\\SV\\Command:Status")), QStringLiteral("Levitate:Failed"), kWaitMs);
    QVERIFY(c.value(npo, QStringLiteral("Node\\Config\\SV\\Result")).contains(QStringLiteral("-32601")));
    c.sendRaw(tarn::protocol::formatNodeCommand(QStringLiteral("{not json")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(npo, QStringLiteral("Node\\Config\\SV\\Command:Status")), QStringLiteral("Command:Failed"), kWaitMs);
}

void TstOfflineModel::presetRecallStoreRename()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--recall-ms"), QStringLiteral("200")}), qPrintable(model.output()));
    LinkClient c;
    LinkClient watcher;
    QVERIFY(c.login(model.port()));
    QVERIFY(watcher.login(model.port()));
    const QString npo = QStringLiteral("NPO");
    const QString status = QStringLiteral("Node\\Config\\SV\\Command:Status");
    const QString presets = QStringLiteral("Presets");
    for (const char *b : {"NPO|Node\\Config\\SV\\Command:Status", "Presets|CurrentPreset", "Crossover|NumBands", "Compressor|Compressor",
                          "GEQ|GraphicEQ", "LeftGEQ|2.5 kHz", "NPO|Node\\Settings\\SV\\PresetIsModified"})
        watcher.sendRequest(request(QStringLiteral("sub"), QString(b).section(QLatin1Char('|'), 0, 0), QString(b).section(QLatin1Char('|'), 1)));
    watcher.sendRequest(request(QStringLiteral("get"), npo, QStringLiteral("Node\\Settings\\SV\\PresetRecallList")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(presets, QStringLiteral("CurrentPreset")), QStringLiteral("1"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(npo, QStringLiteral("Node\\Settings\\SV\\PresetRecallList")), QStringLiteral("1,2,3,4,5,6,7,8"), kWaitMs);
    // Objects outside the running preset answer with an error.
    QCOMPARE(watcher.lines.filter(QStringLiteral("error not in the running preset")).size(), 1);
    QCOMPARE(watcher.recordsFor(QStringLiteral("GEQ"), QStringLiteral("GraphicEQ")).size(), 1);

    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Recall"), QStringLiteral("5")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(npo, status), QStringLiteral("Load:5:Done"), kWaitMs);
    const auto seen = watcher.recordsFor(npo, status);
    const int busy = indexOfValue(seen, QStringLiteral("Load:5:InProgress"));
    QVERIFY(busy >= 0);
    QVERIFY(busy < indexOfValue(seen, QStringLiteral("Load:5:Done")));
    QCOMPARE(watcher.value(presets, QStringLiteral("CurrentPreset")), QStringLiteral("5"));
    QCOMPARE(watcher.value(QStringLiteral("Crossover"), QStringLiteral("NumBands")), QStringLiteral("2"));
    QCOMPARE(watcher.value(QStringLiteral("Compressor"), QStringLiteral("Compressor")), QStringLiteral("On"));
    watcher.sendRequest(request(QStringLiteral("sub"), QStringLiteral("LeftGEQ"), QStringLiteral("2.5 kHz")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(QStringLiteral("LeftGEQ"), QStringLiteral("2.5 kHz")), QStringLiteral("-4.0dB"), kWaitMs);
    QSignalSpy pos(&c, &LinkClient::poAvailable);
    c.sendRequest(request(QStringLiteral("ls"), npo, QStringLiteral("Preset")));
    QVERIFY(pos.wait(kWaitMs));
    const QStringList objects = pos.last().at(0).toStringList();
    QVERIFY(objects.contains(QStringLiteral("LeftGEQ : ")) && objects.contains(QStringLiteral("RightGEQ : ")));
    QVERIFY(!objects.contains(QStringLiteral("GEQ : ")) && !objects.contains(QStringLiteral("Mid Outputs PEQ : ")));

    // A change marks the preset modified; a store keeps it under a new name.
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-33")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(npo, QStringLiteral("Node\\Settings\\SV\\PresetIsModified")), QStringLiteral("On"), kWaitMs);
    watcher.sendRequest(request(QStringLiteral("sub"), presets, QStringLiteral("Name_12")));
    watcher.sendRequest(request(QStringLiteral("sub"), presets, QStringLiteral("Changed")));
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Store"), QStringLiteral("12")));
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Name_12"), QStringLiteral("Wedges Loud")));
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("RenamePreset"), QStringLiteral("12")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(presets, QStringLiteral("Name_12")), QStringLiteral("Wedges Loud"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(presets, QStringLiteral("Changed")), QStringLiteral("2"), kWaitMs);
    QCOMPARE(watcher.value(presets, QStringLiteral("CurrentPreset")), QStringLiteral("12"));
    QCOMPARE(watcher.value(npo, QStringLiteral("Node\\Settings\\SV\\PresetIsModified")), QStringLiteral("Off"));

    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Recall"), QStringLiteral("1")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(npo, status), QStringLiteral("Load:1:Done"), kWaitMs);
    // An object that comes back with a recall is announced again to its subscribers.
    QCOMPARE(watcher.recordsFor(QStringLiteral("GEQ"), QStringLiteral("GraphicEQ")).size(), 2);
    QCOMPARE(watcher.value(QStringLiteral("GEQ"), QStringLiteral("GraphicEQ")), QStringLiteral("Off"));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB"), kWaitMs);
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Recall"), QStringLiteral("12")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(npo, status), QStringLiteral("Load:12:Done"), kWaitMs);
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-33.0dB"), kWaitMs);
    QCOMPARE(watcher.value(presets, QStringLiteral("Name_12")), QStringLiteral("Wedges Loud"));

    // Empty or impossible slots are refused rather than clamped onto another preset.
    const int errors = c.lines.filter(QStringLiteral("error ")).size();
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Recall"), QStringLiteral("20")));
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Recall"), QStringLiteral("99")));
    c.sendRequest(request(QStringLiteral("set"), presets, QStringLiteral("Store"), QStringLiteral("0")));
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.filter(QStringLiteral("error ")).size(), errors + 3, kWaitMs);
    QVERIFY(settle(watcher));
    QCOMPARE(watcher.value(presets, QStringLiteral("CurrentPreset")), QStringLiteral("12"));
    QTRY_COMPARE_WITH_TIMEOUT(model.status().value(QStringLiteral("currentPreset")).toInt(), 12, kWaitMs);
}

void TstOfflineModel::presetNamesSurviveRestart()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--recall-ms"), QStringLiteral("0")}), qPrintable(model.output()));
    {
        LinkClient c;
        QVERIFY(c.login(model.port()));
        c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("-42")));
        c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Presets"), QStringLiteral("Store"), QStringLiteral("9")));
        c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Presets"), QStringLiteral("Name_9"), QStringLiteral("Late Show")));
        c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Presets"), QStringLiteral("RenamePreset"), QStringLiteral("9")));
        QTRY_VERIFY_WITH_TIMEOUT(c.lines.filter(QStringLiteral("RenamePreset")).size() == 1, kWaitMs);
        const auto saved = [&] {
            QFile file(model.stateDir() + QStringLiteral("/presets.json"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(saved().contains("Late Show"), kWaitMs);
        // A running value changed after the store is kept too, with the modified flag.
        c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-31.5")));
        QTRY_VERIFY_WITH_TIMEOUT(saved().contains("\"-31.5\""), kWaitMs);
    }
    model.stop();
    QVERIFY2(model.start({QStringLiteral("--recall-ms"), QStringLiteral("0")}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QCOMPARE(getAll(c, {QStringLiteral("Presets|Name_9"), QStringLiteral("Presets|CurrentPreset"), QStringLiteral("Gate|Threshold"),
                        QStringLiteral("Compressor|Threshold"), QStringLiteral("NPO|Node\\Settings\\SV\\PresetIsModified")}),
             QStringLiteral("Late Show, 9, -42.0dB, -31.5dB, On"));
}

void TstOfflineModel::firmwareUpload()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--max-firmware"), QStringLiteral("2000000")}), qPrintable(model.output()));
    QByteArray image(1234567, Qt::Uninitialized);
    QRandomGenerator random(42);
    for (char &byte : image)
        byte = char(random.bounded(256));
    const QByteArray sha = QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex();

    // The uploader's exchange: greeting, write line, "writer OK", the bytes in chunks.
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), model.port());
    QVERIFY(socket.waitForConnected(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), kWaitMs);
    QCOMPARE(socket.readLine(), QByteArray("Corvex Console\n"));
    socket.write("write \"file\\updQuarTar\" " + QByteArray::number(image.size()) + " \n");
    QTRY_VERIFY_WITH_TIMEOUT(socket.bytesAvailable() >= 10, kWaitMs);
    QCOMPARE(socket.readAll(), QByteArray("writer OK\n"));
    for (int at = 0; at < image.size(); at += 8192)
        socket.write(image.mid(at, 8192));
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), kWaitMs);
    QCOMPARE(socket.readLine(), "writer done " + QByteArray::number(image.size()) + ' ' + sha + '\n');

    QTRY_VERIFY_WITH_TIMEOUT(!model.status().value(QStringLiteral("firmwareUploads")).toArray().isEmpty(), kWaitMs);
    QJsonObject upload = model.status().value(QStringLiteral("firmwareUploads")).toArray().first().toObject();
    QCOMPARE(upload.value(QStringLiteral("target")).toString(), QStringLiteral("file\\updQuarTar"));
    QCOMPARE(upload.value(QStringLiteral("size")).toInt(), image.size());
    QCOMPARE(upload.value(QStringLiteral("received")).toInt(), image.size());
    QCOMPARE(upload.value(QStringLiteral("sha256")).toString().toLatin1(), sha);
    QVERIFY(upload.value(QStringLiteral("complete")).toBool());
    QFile kept(upload.value(QStringLiteral("file")).toString());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(kept.readAll(), QCryptographicHash::Sha256).toHex(), sha);
    // The connection is a control connection again afterwards (and not logged in).
    socket.write("get \"\\\\Node\\AT\\Class_Name\\\"\n");
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), kWaitMs);
    QCOMPARE(socket.readLine(), QByteArray("error not logged in\n"));
    socket.close();

    // Too large, bad targets, and a write that is not the first line are refused.
    const auto exchange = [&](const QByteArray &first, const QByteArray &second) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), model.port());
        if (!s.waitForConnected(kWaitMs))
            return QByteArray();
        s.write(first);
        if (!second.isEmpty())
            s.write(second);
        QByteArray all;
        for (int i = 0; i < 100 && all.count('\n') < (second.isEmpty() ? 2 : 3); ++i) {
            s.waitForReadyRead(100);
            all += s.readAll();
        }
        return all;
    };
    QVERIFY(exchange("write \"file\\updQuarTar\" 3000000 \n", {}).contains("writer error size"));
    QVERIFY(exchange("write \"file\\..\\etc\" 10 \n", {}).contains("writer error bad target"));
    QVERIFY(exchange("write \"file\\updQuarTar\" -5 \n", {}).contains("writer error size"));
    QVERIFY(exchange("get \"\\\\Node\\AT\\Class_Name\\\"\n", "write \"file\\updQuarTar\" 10 \n").contains("error not logged in\nerror not logged in"));

    // A broken-off upload is recorded as incomplete and keeps no file.
    QTcpSocket broken;
    broken.connectToHost(QStringLiteral("127.0.0.1"), model.port());
    QVERIFY(broken.waitForConnected(kWaitMs));
    broken.write("write \"file\\partial.bin\" 1000 \n");
    QByteArray answered;
    QTRY_VERIFY_WITH_TIMEOUT((answered += broken.readAll()).contains("writer OK"), kWaitMs);
    broken.write(QByteArray(100, 'a'));
    broken.waitForBytesWritten(kWaitMs);
    broken.close();
    QTRY_COMPARE_WITH_TIMEOUT(model.status().value(QStringLiteral("firmwareUploads")).toArray().size(), 2, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(model.status().value(QStringLiteral("firmwareUploads")).toArray().at(1).toObject().contains(QStringLiteral("finished")), kWaitMs);
    upload = model.status().value(QStringLiteral("firmwareUploads")).toArray().at(1).toObject();
    QCOMPARE(upload.value(QStringLiteral("complete")).toBool(), false);
    QCOMPARE(upload.value(QStringLiteral("received")).toInt(), 100);
    QVERIFY(!QFile::exists(model.stateDir() + QStringLiteral("/firmware/partial.bin")));
    QVERIFY(!QFile::exists(model.stateDir() + QStringLiteral("/firmware/partial.bin.part")));
}

void TstOfflineModel::discoveryAnswer()
{
    ModelProcess model;
    QVERIFY2(model.start(), qPrintable(model.output()));
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress(QHostAddress::LocalHost), 0));

    // Junk first: it must neither crash the model nor stop it answering.
    udp.writeDatagram(QByteArray(3000, '\xff'), QHostAddress::LocalHost, model.port());
    udp.writeDatagram(QByteArray(9000, 'g'), QHostAddress::LocalHost, model.port());
    udp.writeDatagram(tarn::discovery::queryBatch(), QHostAddress::LocalHost, model.port());
    QNetworkDatagram answer;
    int answers = 0;
    const auto collect = [&] {
        while (udp.hasPendingDatagrams()) {
            const QNetworkDatagram d = udp.receiveDatagram();
            ++answers;
            if (d.data().startsWith("get "))
                answer = d;
        }
        return answer.isValid();
    };
    QTRY_VERIFY_WITH_TIMEOUT(collect(), kWaitMs);
    // The unreadable datagram gets an error line; the oversized one is not answered at all.
    QTRY_COMPARE_WITH_TIMEOUT((collect(), answers), 2, kWaitMs);
    QCOMPARE(answer.senderAddress(), QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(answer.senderPort(), int(model.port()));
    // The application's own reading of it.
    DeviceInfo info;
    QVERIFY(tarn::discovery::parseAnswer(answer.data(), tarn::discovery::expectedPrefixes(), info));
    QCOMPARE(QStringList({info.className, info.instanceName, info.softwareVersion, info.hardwareVersion}),
             QStringList({QStringLiteral("norvCadenzoTarn"), QStringLiteral("Tarn Offline"), QStringLiteral("1.4.2"),
                          QStringLiteral("Standard")}));
    QTRY_VERIFY_WITH_TIMEOUT(model.status().value(QStringLiteral("counters")).toObject().value(QStringLiteral("discoveryAnswers")).toInt() >= 1, kWaitMs);
}

void TstOfflineModel::hostileInput()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--max-line"), QStringLiteral("4096"), QStringLiteral("--max-backlog"), QStringLiteral("262144")}),
             qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));

    // Over-long lines, in one piece and trickled in, are dropped with an error; the
    // connection goes on.
    c.sendRaw(QByteArray(10000, 'a') + '\n');
    c.sendRaw(QByteArray(3000, 'b'));
    c.sendRaw(QByteArray(3000, 'b'));
    c.sendRaw("\n");
    c.sendRaw(QByteArray("get \"\\\\Node\\AT\\Class_Name\\\"") + '\x01' + '\n');
    c.sendRaw("\xc3\x28\xa0\xa1 broken utf-8\n");
    c.sendRaw("\"\"\"\"\"\"\n\n   \n");
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.count(QStringLiteral("error line too long")), 2, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.count(QStringLiteral("error malformed line")), 2, kWaitMs);

    // A burst of random lines, then a normal request still works.
    QRandomGenerator random(7);
    QByteArray burst;
    const QByteArray alphabet = "sub get set lc ls unsub \"\\%ENMinMax Preset Node SV AT Compressor Threshold 12.5 \t";
    for (int i = 0; i < 2000; ++i) {
        const int n = int(random.bounded(80));
        for (int j = 0; j < n; ++j)
            burst += alphabet.at(int(random.bounded(alphabet.size())));
        burst += '\n';
    }
    c.sendRaw(burst);
    QVERIFY(settle(c));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("NPO"), QStringLiteral("Node\\AT\\Class_Name")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("NPO"), QStringLiteral("Node\\AT\\Class_Name")), QStringLiteral("norvCadenzoTarn"), kWaitMs);

    // A client that never reads is cut off instead of growing the model without bound.
    QTcpSocket hog;
    hog.setReadBufferSize(1);
    hog.connectToHost(QStringLiteral("127.0.0.1"), model.port());
    QVERIFY(hog.waitForConnected(kWaitMs));
    QByteArray many = tarn::protocol::formatLogin(QStringLiteral("stagemanagers"));
    const QByteArray ls = "ls \"\\\\Preset\\Afs\\SV\\\"\n";
    for (int i = 0; i < 40000; ++i)
        many += ls;
    hog.write(many);
    QTRY_VERIFY_WITH_TIMEOUT(model.status().value(QStringLiteral("counters")).toObject().value(QStringLiteral("droppedConnections")).toInt() >= 1, 30000 * TARN_TEST_SLOWDOWN);
    QCOMPARE(model.process().state(), QProcess::Running);
}

void TstOfflineModel::metersMoveDeterministically()
{
    const auto readings = [](const QStringList &extra, int ticks) {
        ModelProcess model;
        QStringList result;
        if (!model.start(QStringList{QStringLiteral("--meter-interval"), QStringLiteral("0")} + extra))
            return result;
        LinkClient c;
        if (!c.login(model.port()))
            return result;
        for (int t = 0; t < ticks; ++t) {
            c.sendRaw("model tick\n");
            c.sendRequest(request(QStringLiteral("asyncget"), QStringLiteral("RTA"), QStringLiteral("AllMeters")));
            c.sendRequest(request(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level")));
        }
        for (int i = 0; i < 100 && c.records.size() < 2 * ticks; ++i) {
            QSignalSpy spy(&c, &LinkClient::dataAvailable);
            spy.wait(100);
        }
        for (const DataFromDevice &d : qAsConst(c.records))
            result << d.value;
        return result;
    };
    const QStringList a = readings({QStringLiteral("--seed"), QStringLiteral("7")}, 5);
    const QStringList b = readings({QStringLiteral("--seed"), QStringLiteral("7")}, 5);
    const QStringList other = readings({QStringLiteral("--seed"), QStringLiteral("8")}, 5);
    QCOMPARE(a.size(), 10);
    QCOMPARE(a, b);
    QVERIFY(a != other);
    QCOMPARE(a.at(0).split(QLatin1Char(' ')).size(), 31);
    QVERIFY(a.at(0) != a.at(2)); // they move from tick to tick
    QVERIFY(a.at(1).endsWith(QLatin1String("dB")));

    // Running freely they move by themselves, and a muted output shows no level.
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--meter-interval"), QStringLiteral("20")}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("OutputGains"), QStringLiteral("Channel_4_Mute"), QStringLiteral("On")));
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level")));
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_4_Level")));
    QTRY_VERIFY_WITH_TIMEOUT(c.recordsFor(QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level")).size() >= 3, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("OutputMeters"), QStringLiteral("Channel_4_Level")), QStringLiteral("-90.0dB"), kWaitMs);
}

void TstOfflineModel::neverGreets()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-no-greeting")}), qPrintable(model.output()));
    LinkClient c;
    QSignalSpy connected(&c, &LinkClient::connected);
    c.connectToHost(model.port());
    QVERIFY(connected.wait(kWaitMs));
    c.enterPassword(QStringLiteral("stagemanagers"));
    c.sendRaw(QByteArray(100000, 'x') + "\n\x01\n");
    QVERIFY(settle(c));
    // Only the control answer came: no greeting, no login answer, no error lines.
    QCOMPARE(c.lines.size(), 1);
    QVERIFY(c.lines.first().startsWith(QStringLiteral("model status {")));
    QVERIFY(c.isConnected());
}

void TstOfflineModel::dropsAfterLines()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-drop-after"), QStringLiteral("3")}), qPrintable(model.output()));
    LinkClient c;
    QSignalSpy gone(&c, &LinkClient::disconnected);
    QVERIFY(c.login(model.port()));                                                                           // line 1
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold"))); // line 2
    QTRY_COMPARE_WITH_TIMEOUT(c.records.size(), 1, kWaitMs);
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));       // line 3: cut
    QVERIFY(gone.wait(kWaitMs));
    QCOMPARE(c.records.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(counters(model).value(QStringLiteral("droppedConnections")).toInt() == 1, kWaitMs);
    // New connections are served (and dropped) the same way.
    LinkClient again;
    QVERIFY(again.login(model.port()));
}

void TstOfflineModel::stopsAnswering()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-stall-after"), QStringLiteral("2")}), qPrintable(model.output()));
    LinkClient a;
    QVERIFY(a.login(model.port()));                                                                                 // line 1
    a.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));       // line 2
    QTRY_COMPARE_WITH_TIMEOUT(a.records.size(), 1, kWaitMs);
    a.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));             // line 3: silence

    LinkClient b;
    QVERIFY(b.login(model.port()));
    b.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-7")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-7.0dB"), kWaitMs);
    // The stalled client got neither the answer nor the push, yet stays connected.
    QVERIFY(settle(a));
    QCOMPARE(a.records.size(), 1);
    QVERIFY(a.isConnected());
}

void TstOfflineModel::sendsGarbage()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-garbage")}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QSignalSpy enums(&c, &LinkClient::enumsAvailable);
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-11")));
    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("Crossover"), QStringLiteral("Band_1_LPType")));
    QVERIFY(enums.wait(kWaitMs));
    // Junk between the items is dropped by the link; the choices stay the catalogue's.
    QCOMPARE(enums.last().at(0).toStringList().size(), 12);
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-11.0dB"), kWaitMs);
    // Every answer line came after a malformed one; the link dropped those.
    int malformed = 0;
    for (const QString &line : qAsConst(c.lines)) {
        if (!line.startsWith(QLatin1String("subr \"\\\\Preset\\Compressor\\SV\\Threshold\""))
            && !line.startsWith(QLatin1String("setr ")) && !line.startsWith(QLatin1String("lc "))
            && !line.startsWith(QLatin1Char('\t')) && line != QLatin1String("endlc") && !line.startsWith(QLatin1String("Corvex"))
            && !line.startsWith(QLatin1String("connect logged")))
            ++malformed;
    }
    QVERIFY2(malformed >= 5, qPrintable(c.lines.join(QLatin1Char('\n'))));
    for (const DataFromDevice &d : qAsConst(c.records)) {
        QVERIFY2(d.poName.isEmpty() || (d.poName == QLatin1String("Compressor") && d.svName == QLatin1String("Threshold")),
                 qPrintable(d.poName + QLatin1Char('/') + d.svName));
    }
}

void TstOfflineModel::sendsOversizedLine()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-oversize"), QString::number(3 * 1024 * 1024)}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QTRY_COMPARE_WITH_TIMEOUT(c.oversizedLines, 1, kWaitMs);
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB"), kWaitMs);
}

void TstOfflineModel::slowLink()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-slow"), QStringLiteral("150")}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QElapsedTimer clock;
    clock.start();
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.records.size(), 2, kWaitMs);
    // Two lines cannot arrive sooner than one full delay after the first: they leave one
    // delay apart.
    QVERIFY(clock.elapsed() >= 150);
    QCOMPARE(c.value(QStringLiteral("Gate"), QStringLiteral("Threshold")), QStringLiteral("-60.0dB"));
    // Lines come in halves: the link saw reads that ended inside a line.
    QVERIFY(c.partialReads >= 2);
}

void TstOfflineModel::ignoresDiscovery()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-no-discovery")}), qPrintable(model.output()));
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress(QHostAddress::LocalHost), 0));
    udp.writeDatagram("get \\\\Node\\AT\\Class_Name\n", QHostAddress::LocalHost, model.port());
    QTRY_COMPARE_WITH_TIMEOUT(counters(model).value(QStringLiteral("discoveryQueries")).toInt(), 1, kWaitMs);
    QVERIFY(control(model.port(), "model fault no-discovery off\n"));
    udp.writeDatagram("get \\\\Node\\AT\\Instance_Name\n", QHostAddress::LocalHost, model.port());
    QTRY_VERIFY_WITH_TIMEOUT(udp.hasPendingDatagrams(), kWaitMs);
    // Only the second query was answered.
    QCOMPARE(udp.receiveDatagram().data(), QByteArray("get \"\\\\Node\\AT\\Instance_Name\" \"Tarn Offline\"\n"));
    QVERIFY(!udp.hasPendingDatagrams());
}

void TstOfflineModel::controlLineChangesFaultsAtRunTime()
{
    // Started refusing: every password, also a second one on the same connection.
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-refuse-login")}), qPrintable(model.output()));
    LinkClient refused;
    QVERIFY(!refused.login(model.port()));
    QCOMPARE(refused.lines.last(), QStringLiteral("error could not connect as administrator"));
    QSignalSpy refusedAgain(&refused, &LinkClient::incorrectPassword);
    refused.enterPassword(QStringLiteral("stagemanagers"));
    QVERIFY(refusedAgain.wait(kWaitMs));
    QVERIFY(control(model.port(), "model fault clear\n"));
    LinkClient first;
    QVERIFY(first.login(model.port()));
    // Switched on and off again by the control line.
    QVERIFY(control(model.port(), "model fault refuse-login on\n"));
    QVERIFY(!LinkClient().login(model.port()));
    QTRY_COMPARE_WITH_TIMEOUT(model.status().value(QStringLiteral("faults")).toObject().value(QStringLiteral("refuseLogin")).toBool(), true, kWaitMs);
    QVERIFY(control(model.port(), "model fault clear\n"));
    LinkClient accepted;
    QVERIFY(accepted.login(model.port()));

    // Bad control lines are answered, never acted on.
    LinkClient c;
    c.connectToHost(model.port());
    c.sendRaw("model fault slow banana\nmodel fault\nmodel frobnicate\nmodel tick 0\n");
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.filter(QStringLiteral("model error")).size(), 4, kWaitMs);

    // Faults switched at run time act on running connections.
    QVERIFY(control(model.port(), "model fault garbage on\n"));
    accepted.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(accepted.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB"), kWaitMs);
    QCOMPARE(accepted.lines.size(), 4); // greeting, login answer, junk, answer

    // "drop-all" cuts every other connection.
    QSignalSpy gone(&accepted, &LinkClient::disconnected);
    QVERIFY(control(model.port(), "model drop-all\n"));
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, kWaitMs);
}

TARN_TEST_MAIN(TstOfflineModel, QCoreApplication)
#include "tst_offlinemodel.moc"
