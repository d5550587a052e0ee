// Guards against the offline model answering the link unlike a processor (logins, values and their
// units, listings, presets, firmware uploads, discovery, hostile input, equalisers and feedback
// suppression that act by themselves, the configurable model's document, reconfiguration and
// copy/paste) or its fault modes failing.
#include "deviceinfo.h"
#include "eqbehaviour.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "quarramodel.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>

using tarn::offline::Catalogue;
using tarn::offline::EqBehaviour;
using tarn::offline::QuarraModel;
using tarn::test::LinkClient;
using tarn::test::ModelProcess;
using tarn::test::request;

namespace {
constexpr int kWaitMs = 10000;

// A control line on a connection of its own, answered "model ok".
bool control(quint16 port, const QString &line)
{
    LinkClient c;
    c.connectToHost(port);
    return c.ask(line, {QStringLiteral("model ok"), QStringLiteral("model error")}) == QLatin1String("model ok");
}

QJsonObject counters(const ModelProcess &model)
{
    return model.status().value(QStringLiteral("counters")).toObject();
}

// Runs "PO|SV" gets and "PO|SV=value" sets in order ("PO|SV|%" asks in percent) and returns the
// answers joined by ", ", error lines without the path at their end.
QString talk(LinkClient &client, const QStringList &requests)
{
    QStringList answers;
    for (const QString &r : requests) {
        const QString binding = r.section(QLatin1Char('='), 0, 0);
        const QString po = binding.section(QLatin1Char('|'), 0, 0);
        const QString sv = binding.section(QLatin1Char('|'), 1, 1);
        const QString type = binding.section(QLatin1Char('|'), 2);
        const QString answer = r.contains(QLatin1Char('=')) ? client.set(po, sv, r.section(QLatin1Char('='), 1), type) : client.get(po, sv, type);
        const bool path = answer.startsWith(QLatin1String("error ")) && answer.endsWith(QLatin1Char('"'));
        answers << (path ? answer.left(answer.lastIndexOf(QLatin1String(" \""))) : answer);
    }
    return answers.join(QStringLiteral(", "));
}

// The newest pushed value of each "PO|SV" (or "PO|SV|%") binding, joined by ", ".
QString pushed(const LinkClient &client, const QStringList &bindings)
{
    QStringList values;
    for (const QString &b : bindings)
        values << client.value(b.section(QLatin1Char('|'), 0, 0), b.section(QLatin1Char('|'), 1, 1), b.section(QLatin1Char('|'), 2));
    return values.join(QStringLiteral(", "));
}

// A model started with these arguments and a client logged in to it.
bool start(ModelProcess &model, LinkClient &client, const QStringList &arguments = QStringList())
{
    return model.start(arguments) && client.login(model.port());
}

// Its clock moves only by "model tick".
const QStringList kStill = {QStringLiteral("--meter-interval"), QStringLiteral("0")};

bool tick(LinkClient &client, int steps)
{
    return client.ask(QStringLiteral("model tick %1").arg(steps)).startsWith(QLatin1String("model ok"));
}

// The twelve feedback filters' values of one kind ("Gain", "Frequency").
QStringList filters(LinkClient &client, const QString &kind)
{
    QStringList values;
    for (int n = 1; n <= 12; ++n)
        values << client.get(QStringLiteral("Afs"), QStringLiteral("Band_%1_%2").arg(n).arg(kind));
    return values;
}

// Their gains in dB.
QVector<double> filterGains(LinkClient &client)
{
    QVector<double> gains;
    for (const QString &g : filters(client, QStringLiteral("Gain")))
        gains << (g.endsWith(QLatin1String("dB")) ? g.chopped(2).toDouble() : std::nan(""));
    return gains;
}

int placed(const QVector<double> &gains)
{
    return int(std::count_if(gains.cbegin(), gains.cend(), [](double g) { return g < 0; }));
}

const QString kNpo = QStringLiteral("NPO");
const QString kStatus = QStringLiteral("Node\\Config\\SV\\Command:Status");
const QString kResult = QStringLiteral("Node\\Config\\SV\\Result");

// A logged-in client that runs node commands and waits for each one's final status.
struct Session {
    LinkClient link;

    bool open(quint16 port)
    {
        if (!link.login(port))
            return false;
        for (const QString &path : {kStatus, kResult})
            link.sendRequest(request(QStringLiteral("sub"), kNpo, path));
        return QTest::qWaitFor([&] { return !link.recordsFor(kNpo, kResult).isEmpty(); }, kWaitMs);
    }
    QStringList statuses() const
    {
        QStringList list;
        for (const DataFromDevice &d : link.recordsFor(kNpo, kStatus))
            list << d.value;
        return list;
    }
    // The answer object of the command `line` (a node command or a raw line) sent for `method`.
    QJsonObject run(const QByteArray &line, const QString &method, QStringList *seen = nullptr)
    {
        const int before = statuses().size();
        link.sendRaw(line);
        const bool ended = QTest::qWaitFor([&] {
            const QStringList s = statuses().mid(before);
            return !s.isEmpty() && s.last().startsWith(method + QLatin1Char(':')) && !s.last().endsWith(QLatin1String(":InProgress"));
        }, kWaitMs);
        if (seen)
            *seen = statuses().mid(before);
        QString result = link.value(kNpo, kResult);
        return ended ? QJsonDocument::fromJson(result.replace(QLatin1Char('`'), QLatin1Char('"')).toUtf8()).object() : QJsonObject();
    }
    static QString error(const QJsonObject &answer) { return answer.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString(); }
    QJsonObject command(const QString &method, const QString &params)
    {
        const QString json = QStringLiteral("{\"method\": \"%1\", \"params\": %2, \"id\": \"t\"}").arg(method, params);
        return run(tarn::protocol::formatNodeCommand(json), method);
    }
    // The document, chunk by chunk as the application asks for it; empty when a check fails.
    QByteArray document()
    {
        QByteArray doc;
        int size = -1;
        QString sha;
        for (int chunk = 0; chunk < 1000 && doc.size() != size; ++chunk) {
            const QJsonObject r = command(QStringLiteral("GetConfigDocument"), QStringLiteral("[%1]").arg(doc.size()))
                                      .value(QStringLiteral("result")).toObject();
            if (r.value(QStringLiteral("offset")).toInt(-1) != doc.size() || (size >= 0 && r.value(QStringLiteral("size")).toInt() != size))
                return QByteArray();
            size = r.value(QStringLiteral("size")).toInt();
            sha = r.value(QStringLiteral("sha256")).toString();
            doc += QByteArray::fromBase64(r.value(QStringLiteral("data")).toString().toLatin1());
        }
        return QCryptographicHash::hash(doc, QCryptographicHash::Sha256).toHex() == sha.toLatin1() ? doc : QByteArray();
    }
};

QByteArray reconfigLine(const QJsonObject &builderConfig)
{
    return R"({"id":"builder config reconfig","method":"Reconfig","params":["Builder",)" + QJsonDocument(builderConfig).toJson(QJsonDocument::Compact) + "]}\n";
}
} // namespace

class TstOfflineModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void badOptionsAndCatalogue();
    void loginAcceptedAndRefused();
    void subscriptionsReachEveryClient();
    void listingsAndAttributes();
    void nodePathsAndCommands();
    void presetsRecallStoreRenameAndOutliveRestart();
    void firmwareUpload();
    void discoveryAnswer();
    void hostileInput();
    void metersMoveDeterministically(); // and the feedback suppressor's filters
    void quickCurvesAndRoomMeasurement();
    void suppressorPlacesDeepensAndMovesFilters();
    void suppressorModesAndLiftTime();
    // Fault modes: drops, stalls, garbage, size, slowness, silence and refusals (also switched at run time).
    void dropsAndStalls();
    void sendsGarbage();
    void slowLinkAndOversizedLine();
    void controlLineChangesFaultsAtRunTime();
    // The configurable model.
    void documentByChunks_data();
    void documentByChunks();
    void reconfigureReplacesOrKeepsTheChain();
    void copyPaste();
    void hostileCommands_data();
    void hostileCommands();

private:
    ModelProcess m_shared;
    Session m_session;
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
    // Nothing is served before the login, nor after a refused one.
    const auto threshold = request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold"));
    QCOMPARE(early.ask(threshold), QStringLiteral("error not logged in"));
    QCOMPARE(early.ask(QStringLiteral("connect administrator \"stagemanagers\"")), QStringLiteral("error could not connect as administrator"));
    QCOMPARE(early.ask(threshold), QStringLiteral("error not logged in"));
    QVERIFY(early.records.isEmpty());

    // A second password on the same connection is taken, as the link sends it.
    QSignalSpy ready(&early, &LinkClient::corvexReady);
    early.enterPassword(QStringLiteral("s3cret pass"));
    QVERIFY(ready.wait(kWaitMs));
    QCOMPARE(early.lines.last(), QStringLiteral("connect logged in as administrator"));

    LinkClient other;
    QVERIFY(other.login(model.port(), QStringLiteral("s3cret pass")));
    QTRY_COMPARE_WITH_TIMEOUT(counters(model).value(QStringLiteral("loginsAccepted")).toInt(), 2, kWaitMs);
    QCOMPARE(counters(model).value(QStringLiteral("loginsRefused")).toInt(), 1);
}

void TstOfflineModel::subscriptionsReachEveryClient()
{
    ModelProcess model;
    LinkClient a;
    LinkClient b;
    QVERIFY2(start(model, a), qPrintable(model.output()));
    QVERIFY(b.login(model.port()));
    const QString po = QStringLiteral("Compressor");
    const QString sv = QStringLiteral("Threshold");
    const QString pct = QStringLiteral("%");
    QVERIFY(b.ask(request(QStringLiteral("sub"), po, sv)).startsWith(QLatin1String("subr ")));
    QVERIFY(b.ask(request(QStringLiteral("sub"), po, sv, QString(), pct)).startsWith(QLatin1String("subr ")));
    QCOMPARE(pushed(b, {"Compressor|Threshold", "Compressor|Threshold|%"}), QStringLiteral("-20.0dB, 66.67%"));

    // A set from one client reaches the other as "subr"; the setter sees "setr".
    QCOMPARE(a.set(po, sv, QStringLiteral("-12.5")), QStringLiteral("-12.5dB"));
    QTRY_COMPARE_WITH_TIMEOUT(pushed(b, {"Compressor|Threshold", "Compressor|Threshold|%"}), QStringLiteral("-12.5dB, 79.17%"), kWaitMs);
    QCOMPARE(b.recordsFor(po, sv).last().command, QStringLiteral("subr"));

    // Out-of-range values are clamped and units the link strips understood; refused writes
    // change nothing; choices and switches take their own words; a set may be in percent.
    QCOMPARE(talk(a, {"Compressor|Threshold=-100", "Compressor|Threshold=-6dB", "Compressor|Threshold=loud",
                      "OutputMeters|Channel_1_Level=0", "Compressor|Nonexistent=1", "Compressor|Threshold",
                      "Crossover|Band_2_HPType=\"BW 18\"", "OutputGains|Channel_3_Mute=1", "Compressor|Threshold|%=25"}),
             QStringLiteral("-60.0dB, -6.0dB, error not a number, error read only, error unknown path, -6.0dB, BW 18, On, 25%"));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv), QStringLiteral("-45.0dB"), kWaitMs);

    // After "unsub" no more pushes: the next "get" answer comes first.
    QVERIFY(b.ask(request(QStringLiteral("unsub"), po, sv)).startsWith(QLatin1String("unsubr ")));
    const int seen = b.recordsFor(po, sv).size();
    QCOMPARE(a.set(po, sv, QStringLiteral("-30")), QStringLiteral("-30.0dB"));
    QVERIFY(b.settle());
    QCOMPARE(b.recordsFor(po, sv).size(), seen);
    // The "%" subscription is a binding of its own and still reports.
    QTRY_COMPARE_WITH_TIMEOUT(b.value(po, sv, pct), QStringLiteral("50%"), kWaitMs);

    // Percentages: frequencies move evenly per octave (1 kHz on 20 Hz..20 kHz is 56.63 %, 100 Hz
    // on 16 Hz..20.1 kHz 25.68 %); ratio 4:1 on 1..100 (Inf at the top) is linear, so the
    // link's ratio table lines up; values without a range have none.
    QCOMPARE(talk(a, {"SignalGenerator|Sine Frequency|%", "Crossover|Band_1_LPFrequency|%", "Compressor|Ratio|%",
                      "Compressor|Ratio|%=100", "Compressor|Ratio", "NPO|Node\\SV\\DeviceName|%"}),
             QStringLiteral("56.63%, 25.68%, 3.03%, 100%, Inf:1, error no range"));
    QVERIFY(a.ask(request(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level"), QString(), pct))
                .startsWith(QLatin1String("asyncget ")));
    const QString meter = a.value(QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level"), pct);
    QVERIFY2(meter.endsWith(pct) && meter.chopped(1).toDouble() >= 0 && meter.chopped(1).toDouble() <= 100, qPrintable(meter));
    // Running freely (every 100 ms) meters move by themselves, and a muted output shows no level.
    a.sendRequest(request(QStringLiteral("set"), QStringLiteral("OutputGains"), QStringLiteral("Channel_4_Mute"), QStringLiteral("On")));
    for (const char *channel : {"Channel_2_Level", "Channel_4_Level"})
        a.sendRequest(request(QStringLiteral("sub"), QStringLiteral("OutputMeters"), QLatin1String(channel)));
    QTRY_VERIFY_WITH_TIMEOUT(a.recordsFor(QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level")).size() >= 3, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(a.value(QStringLiteral("OutputMeters"), QStringLiteral("Channel_4_Level")), QStringLiteral("-90.0dB"), kWaitMs);
}

void TstOfflineModel::listingsAndAttributes()
{
    ModelProcess model;
    LinkClient c;
    QVERIFY2(start(model, c), qPrintable(model.output()));

    QSignalSpy enums(&c, &LinkClient::enumsAvailable);
    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("Crossover"), QStringLiteral("Band_1_HPType")));
    QVERIFY(enums.wait(kWaitMs));
    // The path the enumerated control compares: \\Preset\<PO>\SV\<SV>\EN.
    QCOMPARE(enums.last().at(1).toString(), QStringLiteral("\\\\Preset\\Crossover\\SV\\Band_1_HPType\\EN"));
    const QStringList types = enums.last().at(0).toStringList();
    QVERIFY2(types.size() == 12 && types.first() == QLatin1String("BW 6") && types.contains(QStringLiteral("LR 24")), qPrintable(types.join(", ")));

    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\HardwareVersion")));
    QVERIFY(enums.wait(kWaitMs));
    QCOMPARE(enums.last().at(1).toString(), QStringLiteral("\\\\Node\\SV\\HardwareVersion\\EN"));
    QCOMPARE(enums.last().at(0).toStringList(), QStringList({QStringLiteral("Standard"), QStringLiteral("Parvane"), QStringLiteral("Dante")}));

    QSignalSpy pos(&c, &LinkClient::poAvailable);
    c.sendRequest(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Preset")));
    QVERIFY(pos.wait(kWaitMs));
    const QStringList objects = pos.last().at(0).toStringList();
    QCOMPARE(pos.last().at(1).toString(), QStringLiteral("\\\\Preset"));
    for (const char *name : {"StereoMixer", "GEQ", "Compressor", "Crossover", "Mid Outputs PEQ", "OutputMeters"})
        QVERIFY2(objects.contains(QLatin1String(name) + QLatin1String(" : ")), name);
    QVERIFY(!objects.contains(QStringLiteral("MonoMixer : ")) && !objects.contains(QStringLiteral("LeftGEQ : ")));

    c.sendRequest(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Node\\Wizard\\SV")));
    QVERIFY(pos.wait(kWaitMs));
    QVERIFY(pos.last().at(0).toStringList().contains(QStringLiteral("WizardState : ")));

    // The crossover's band count and sub mode are attributes (\AT\).
    QCOMPARE(c.ask(request(QStringLiteral("sub"), QStringLiteral("Crossover"), QStringLiteral("NumBands"))),
             QStringLiteral("subr \"\\\\Preset\\Crossover\\AT\\NumBands\" \"3\""));
    // Listings of what is not a list are refused without opening one.
    QVERIFY(c.ask(request(QStringLiteral("lc"), QStringLiteral("Compressor"), QStringLiteral("Threshold"))).startsWith(QLatin1String("error not enumerated")));
    QVERIFY(c.ask(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Nowhere"))).startsWith(QLatin1String("error unknown path")));
    QCOMPARE(talk(c, {"Crossover|MonoSub", "Crossover|NumBands=2", "Crossover|NumBands"}), QStringLiteral("0, error read only, 3"));
}

void TstOfflineModel::nodePathsAndCommands()
{
    ModelProcess model;
    QVERIFY2(model.start({"--hardware-version", "Dante", "--instance-name", "FOH Rack"}), qPrintable(model.output()));
    Session s;
    QVERIFY(s.open(model.port()));
    LinkClient &c = s.link;
    const QString npo = QStringLiteral("NPO");
    QCOMPARE(talk(c, {"NPO|Node\\AT\\Class_Name", "NPO|Node\\AT\\Instance_Name", "NPO|Node\\SV\\HardwareVersion",
                      "NPO|Node\\Wizard\\SV\\WizardState", "NPO|Node\\Config\\SV\\Command:Status"}),
             QStringLiteral("norvCadenzoTarn, FOH Rack, Dante, Inactive, Idle"));
    // Device names follow the application's name rules; others, and attributes, are refused.
    QCOMPARE(talk(c, {"NPO|Node\\SV\\DeviceName=Stage Left (2)", "NPO|Node\\SV\\DeviceName=a/b",
                      "NPO|Node\\SV\\DeviceName=" + QString(40, QLatin1Char('x')), "NPO|Node\\AT\\Class_Name=x", "NPO|Node\\SV\\DeviceName"}),
             QStringLiteral("Stage Left (2), error \"a/b\" does not match the allowed characters, error longer than 32 characters, error read only, Stage Left (2)"));

    // An empty text is a value like any other.
    QCOMPARE(c.ask(request(QStringLiteral("sub"), npo, QStringLiteral("Node\\Wizard\\SV\\TitleString"))),
             QStringLiteral("subr \"\\\\Node\\Wizard\\SV\\TitleString\" \"\""));

    // Limits of a node value.
    QVERIFY(c.ask(request(QStringLiteral("get"), npo, QStringLiteral("Node\\Wizard\\SV\\WizardGenericAmpLevel\\Max"))).startsWith(QLatin1String("get ")));
    QCOMPARE(c.value(npo, QStringLiteral("Node\\Wizard\\SV\\WizardGenericAmpLevel\\Max"), QStringLiteral("Max")), QStringLiteral("0.0dB"));

    // The node command channel: the input router's source names.
    QStringList seen;
    const QJsonObject answer = s.run(tarn::protocol::formatNodeCommand(QStringLiteral(
                                         "{\"method\": \"GetInputRouterSourceNames\", \"params\": [], \"id\": \"fwID_getInputRouterSourceNames\"}")),
                                     QStringLiteral("GetInputRouterSourceNames"), &seen);
    QCOMPARE(seen, QStringList({QStringLiteral("GetInputRouterSourceNames:InProgress"), QStringLiteral("GetInputRouterSourceNames:Done")}));
    QCOMPARE(answer.value(QStringLiteral("id")).toString(), QStringLiteral("fwID_getInputRouterSourceNames"));
    const QJsonArray names = answer.value(QStringLiteral("result")).toArray();
    QVERIFY(names.contains(QStringLiteral("Input A")) && names.contains(QStringLiteral("Dante 8")));
}

void TstOfflineModel::presetsRecallStoreRenameAndOutliveRestart()
{
    ModelProcess model;
    const QStringList args = {QStringLiteral("--recall-ms"), QStringLiteral("200")};
    QVERIFY2(model.start(args), qPrintable(model.output()));
    LinkClient c;
    LinkClient watcher;
    QVERIFY(c.login(model.port()));
    QVERIFY(watcher.login(model.port()));
    for (const QString &b : {"Presets|CurrentPreset", "Crossover|NumBands", "Compressor|Compressor", "GEQ|GraphicEQ", "Presets|Name_12",
                             "Presets|Changed", "NPO|Node\\Settings\\SV\\PresetIsModified", "NPO|Node\\Config\\SV\\Command:Status", "LeftGEQ|2.5 kHz"})
        watcher.sendRequest(request(QStringLiteral("sub"), b.section(QLatin1Char('|'), 0, 0), b.section(QLatin1Char('|'), 1)));
    QVERIFY(watcher.settle());
    QCOMPARE(talk(watcher, {"NPO|Node\\Settings\\SV\\PresetRecallList"}), QStringLiteral("1,2,3,4,5,6,7,8"));
    QCOMPARE(pushed(watcher, {"Presets|CurrentPreset", "Crossover|NumBands", "Compressor|Compressor", "GEQ|GraphicEQ"}), QStringLiteral("1, 3, Off, Off"));
    // Objects outside the running preset answer with an error.
    QCOMPARE(watcher.lines.filter(QStringLiteral("error not in the running preset")).size(), 1);

    // A recall as the watcher sees it: its status lines, then the preset's values.
    const auto recall = [&](const QString &slot) {
        const int before = watcher.recordsFor(kNpo, kStatus).size();
        c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Presets"), QStringLiteral("Recall"), slot));
        (void)QTest::qWaitFor([&] { return watcher.value(kNpo, kStatus) == QStringLiteral("Load:%1:Done").arg(slot); }, kWaitMs);
        QStringList seen;
        for (const DataFromDevice &d : watcher.recordsFor(kNpo, kStatus).mid(before))
            seen << d.value;
        return seen.join(QStringLiteral(", "));
    };
    QCOMPARE(recall(QStringLiteral("5")), QStringLiteral("Load:5:InProgress, Load:5:Done"));
    QCOMPARE(pushed(watcher, {"Presets|CurrentPreset", "Crossover|NumBands", "Compressor|Compressor"}), QStringLiteral("5, 2, On"));
    watcher.sendRequest(request(QStringLiteral("sub"), QStringLiteral("LeftGEQ"), QStringLiteral("2.5 kHz")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(QStringLiteral("LeftGEQ"), QStringLiteral("2.5 kHz")), QStringLiteral("-4.0dB"), kWaitMs);
    QSignalSpy pos(&c, &LinkClient::poAvailable);
    c.sendRequest(request(QStringLiteral("ls"), kNpo, QStringLiteral("Preset")));
    QVERIFY(pos.wait(kWaitMs));
    const QStringList objects = pos.last().at(0).toStringList();
    QVERIFY(objects.contains(QStringLiteral("LeftGEQ : ")) && objects.contains(QStringLiteral("RightGEQ : ")));
    QVERIFY(!objects.contains(QStringLiteral("GEQ : ")) && !objects.contains(QStringLiteral("Mid Outputs PEQ : ")));

    // A change marks the preset modified; a store keeps it under a new name.
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-33")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.value(kNpo, QStringLiteral("Node\\Settings\\SV\\PresetIsModified")), QStringLiteral("On"), kWaitMs);
    QCOMPARE(talk(c, {"Presets|Store=12", "Presets|Name_12=Wedges Loud", "Presets|RenamePreset=12"}), QStringLiteral("12, Wedges Loud, 12"));
    QTRY_COMPARE_WITH_TIMEOUT(pushed(watcher, {"Presets|Name_12", "Presets|Changed", "Presets|CurrentPreset", "NPO|Node\\Settings\\SV\\PresetIsModified"}),
                              QStringLiteral("Wedges Loud, 2, 12, Off"), kWaitMs);

    // An object that comes back with a recall is announced again to its subscribers.
    QCOMPARE(recall(QStringLiteral("1")), QStringLiteral("Load:1:InProgress, Load:1:Done"));
    QCOMPARE(watcher.recordsFor(QStringLiteral("GEQ"), QStringLiteral("GraphicEQ")).size(), 2);
    QCOMPARE(talk(c, {"GEQ|GraphicEQ", "Compressor|Threshold"}), QStringLiteral("Off, -20.0dB"));
    QCOMPARE(recall(QStringLiteral("12")), QStringLiteral("Load:12:InProgress, Load:12:Done"));
    QCOMPARE(talk(c, {"Compressor|Threshold"}), QStringLiteral("-33.0dB"));

    // Empty or impossible slots are refused rather than clamped onto another preset.
    QCOMPARE(talk(c, {"Presets|Recall=20", "Presets|Recall=99", "Presets|Store=0"}),
             QStringLiteral("error preset slot 20 is empty, error no preset slot 99 (1..30), error no preset slot 0 (1..30)"));
    QVERIFY(watcher.settle());
    QCOMPARE(watcher.value(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")), QStringLiteral("12"));
    QTRY_COMPARE_WITH_TIMEOUT(model.status().value(QStringLiteral("currentPreset")).toInt(), 12, kWaitMs);

    // Names and running values (changed after the recall: modified) outlive a restart.
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-31.5")));
    const auto saved = [&] {
        QFile file(model.stateDir() + QStringLiteral("/presets.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_VERIFY_WITH_TIMEOUT(saved().contains("\"-31.5\""), kWaitMs);
    model.stop();
    QVERIFY2(model.start(args), qPrintable(model.output()));
    LinkClient again;
    QVERIFY(again.login(model.port()));
    QCOMPARE(talk(again, {"Presets|Name_12", "Presets|CurrentPreset", "Compressor|Threshold", "NPO|Node\\Settings\\SV\\PresetIsModified"}),
             QStringLiteral("Wedges Loud, 12, -31.5dB, On"));
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
    const auto next = [&] { return QTest::qWaitFor([&] { return socket.canReadLine(); }, kWaitMs) ? socket.readLine() : QByteArray(); };
    QCOMPARE(next(), QByteArray("Corvex Console\n"));
    socket.write("write \"file\\updQuarTar\" " + QByteArray::number(image.size()) + " \n");
    QCOMPARE(next(), QByteArray("writer OK\n"));
    for (int at = 0; at < image.size(); at += 8192)
        socket.write(image.mid(at, 8192));
    QCOMPARE(next(), "writer done " + QByteArray::number(image.size()) + ' ' + sha + '\n');

    QTRY_VERIFY_WITH_TIMEOUT(!model.status().value(QStringLiteral("firmwareUploads")).toArray().isEmpty(), kWaitMs);
    QJsonObject upload = model.status().value(QStringLiteral("firmwareUploads")).toArray().first().toObject();
    QCOMPARE(upload.value(QStringLiteral("target")).toString(), QStringLiteral("file\\updQuarTar"));
    QVERIFY(upload.value(QStringLiteral("complete")).toBool() && upload.value(QStringLiteral("received")).toInt() == image.size());
    QFile kept(upload.value(QStringLiteral("file")).toString());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(kept.readAll(), QCryptographicHash::Sha256).toHex(), sha);
    // The connection is a control connection again afterwards (and not logged in).
    socket.write("get \"\\\\Node\\AT\\Class_Name\\\"\n");
    QCOMPARE(next(), QByteArray("error not logged in\n"));
    socket.close();

    // Too large, bad targets, and a write that is not the first line are refused.
    const auto answers = [&](const QByteArray &lines, int count) {
        LinkClient s;
        s.connectToHost(model.port());
        s.sendRaw(lines);
        (void)QTest::qWaitFor([&] { return s.lines.size() > count; }, kWaitMs);
        return s.lines.mid(1).join(QLatin1Char('|'));
    };
    QCOMPARE(answers("write \"file\\updQuarTar\" 3000000 \n", 1), QStringLiteral("writer error size must lie in 1..2000000"));
    QCOMPARE(answers("write \"file\\..\\etc\" 10 \n", 1), QStringLiteral("writer error bad target"));
    QCOMPARE(answers("write \"file\\updQuarTar\" -5 \n", 1), QStringLiteral("writer error size must lie in 1..2000000"));
    QCOMPARE(answers("get \"\\\\Node\\AT\\Class_Name\\\"\nwrite \"file\\updQuarTar\" 10 \n", 2), QStringLiteral("error not logged in|error not logged in"));

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
    QTRY_VERIFY_WITH_TIMEOUT(model.status().value(QStringLiteral("firmwareUploads")).toArray().at(1).toObject().contains(QStringLiteral("finished")), kWaitMs);
    upload = model.status().value(QStringLiteral("firmwareUploads")).toArray().at(1).toObject();
    QVERIFY(!upload.value(QStringLiteral("complete")).toBool() && upload.value(QStringLiteral("received")).toInt() == 100);
    QVERIFY(!QFile::exists(model.stateDir() + QStringLiteral("/firmware/partial.bin")));
    QVERIFY(!QFile::exists(model.stateDir() + QStringLiteral("/firmware/partial.bin.part")));
}

void TstOfflineModel::discoveryAnswer()
{
    // Started silent: a query is counted, not answered, until the control line lifts the fault.
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-no-discovery")}), qPrintable(model.output()));
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress(QHostAddress::LocalHost), 0));
    udp.writeDatagram("get \\\\Node\\AT\\Class_Name\n", QHostAddress::LocalHost, model.port());
    QTRY_COMPARE_WITH_TIMEOUT(counters(model).value(QStringLiteral("discoveryQueries")).toInt(), 1, kWaitMs);
    QVERIFY(control(model.port(), QStringLiteral("model fault no-discovery off")));

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
    // The unreadable datagram gets an error line; the oversized one (and the silenced query) none.
    QTRY_COMPARE_WITH_TIMEOUT((collect(), answers), 2, kWaitMs);
    QVERIFY(answer.senderAddress() == QHostAddress(QHostAddress::LocalHost) && answer.senderPort() == int(model.port()));
    // The application's own reading of it.
    DeviceInfo info;
    QVERIFY(tarn::discovery::parseAnswer(answer.data(), tarn::discovery::expectedPrefixes(), info));
    QCOMPARE(QStringList({info.className, info.instanceName, info.softwareVersion, info.hardwareVersion}).join(QLatin1Char('|')),
             QStringLiteral("norvCadenzoTarn|Tarn Offline|1.4.2|Standard"));
    QTRY_VERIFY_WITH_TIMEOUT(counters(model).value(QStringLiteral("discoveryAnswers")).toInt() >= 1, kWaitMs);
}

void TstOfflineModel::hostileInput()
{
    ModelProcess model;
    LinkClient c;
    QVERIFY2(start(model, c, {"--max-line", "4096", "--max-backlog", "262144"}), qPrintable(model.output()));

    // Over-long lines, in one piece and trickled in, are dropped with an error; the connection goes on.
    for (const QByteArray &part : {QByteArray(10000, 'a') + '\n', QByteArray(3000, 'b'), QByteArray(3000, 'b'), QByteArray("\n"),
                                   QByteArray("get \"\\\\Node\\AT\\Class_Name\\\"\x01\n"), QByteArray("\xc3\x28\xa0\xa1 broken utf-8\n"),
                                   QByteArray("\"\"\"\"\"\"\n\n   \n")})
        c.sendRaw(part);
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
    QVERIFY(c.settle());
    QCOMPARE(c.get(QStringLiteral("NPO"), QStringLiteral("Node\\AT\\Class_Name")), QStringLiteral("norvCadenzoTarn"));

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
    QTRY_VERIFY_WITH_TIMEOUT(counters(model).value(QStringLiteral("droppedConnections")).toInt() >= 1, 30000 * TARN_TEST_SLOWDOWN);
    QCOMPARE(model.process().state(), QProcess::Running);
}

void TstOfflineModel::metersMoveDeterministically()
{
    const auto readings = [](const QStringList &extra, int ticks) {
        ModelProcess model;
        LinkClient c;
        QStringList result;
        if (!start(model, c, kStill + extra))
            return result;
        for (int t = 0; t < ticks; ++t) {
            c.sendRaw("model tick\n");
            c.sendRequest(request(QStringLiteral("asyncget"), QStringLiteral("RTA"), QStringLiteral("AllMeters")));
            c.sendRequest(request(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level")));
        }
        (void)QTest::qWaitFor([&] { return c.records.size() >= 2 * ticks; }, kWaitMs);
        for (const DataFromDevice &d : qAsConst(c.records))
            result << d.value;
        return result + filters(c, QStringLiteral("Frequency"));
    };
    const QStringList a = readings({QStringLiteral("--seed"), QStringLiteral("7")}, 5);
    const QStringList b = readings({QStringLiteral("--seed"), QStringLiteral("7")}, 5);
    const QStringList other = readings({QStringLiteral("--seed"), QStringLiteral("8")}, 5);
    QCOMPARE(a.size(), 10 + 12);
    QCOMPARE(a, b);
    QVERIFY(a != other);
    QCOMPARE(a.at(0).split(QLatin1Char(' ')).size(), 31);
    QVERIFY(a.at(0) != a.at(2) && a.at(1).endsWith(QLatin1String("dB"))); // spectra move from tick to tick
}

void TstOfflineModel::dropsAndStalls()
{
    // Each connection is cut when its third line arrives, and new ones are served (and cut) the same way.
    ModelProcess model;
    QVERIFY2(model.start({"--fault-drop-after", "3"}), qPrintable(model.output()));
    LinkClient c;
    QSignalSpy gone(&c, &LinkClient::disconnected);
    QVERIFY(c.login(model.port()));                                                                      // line 1
    QCOMPARE(c.get(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB")); // line 2
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));  // line 3: cut
    QVERIFY(gone.wait(kWaitMs));
    QCOMPARE(c.records.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(counters(model).value(QStringLiteral("droppedConnections")).toInt() == 1, kWaitMs);
    QVERIFY(LinkClient().login(model.port()));

    // Switched at run time: after its second line a connection goes silent.
    QVERIFY(control(model.port(), QStringLiteral("model fault drop-after off")));
    QVERIFY(control(model.port(), QStringLiteral("model fault stall-after 2")));
    LinkClient a;
    QVERIFY(a.login(model.port()));                                                                                   // line 1
    QVERIFY(a.ask(request(QStringLiteral("sub"), QStringLiteral("Compressor"), QStringLiteral("Threshold"))).startsWith(QLatin1String("subr "))); // line 2
    a.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));               // line 3: silence

    LinkClient b;
    QVERIFY(b.login(model.port()));
    QCOMPARE(b.set(QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-7")), QStringLiteral("-7.0dB"));
    // The stalled client got neither the answer nor the push, yet stays connected.
    QVERIFY(a.settle());
    QCOMPARE(a.records.size(), 1);
    QVERIFY(a.isConnected());
}

void TstOfflineModel::sendsGarbage()
{
    ModelProcess model;
    LinkClient c;
    QVERIFY2(start(model, c, {QStringLiteral("--fault-garbage")}), qPrintable(model.output()));
    QSignalSpy enums(&c, &LinkClient::enumsAvailable);
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-11")));
    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("Crossover"), QStringLiteral("Band_1_LPType")));
    QVERIFY(enums.wait(kWaitMs));
    // Junk between the items is dropped by the link; the choices stay the catalogue's.
    QCOMPARE(enums.last().at(0).toStringList().size(), 12);
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-11.0dB"), kWaitMs);
    // Every answer line came after a malformed one; the link dropped those.
    const QRegularExpression answer(QStringLiteral(R"(^(subr "\\\\Preset\\Compressor\\SV\\Threshold"|setr |lc |\t|endlc$|Corvex|connect logged))"));
    QVERIFY2(c.lines.size() - c.lines.filter(answer).size() >= 5, qPrintable(c.lines.join(QLatin1Char('\n'))));
    for (const DataFromDevice &d : qAsConst(c.records)) {
        QVERIFY2(d.poName.isEmpty() || (d.poName == QLatin1String("Compressor") && d.svName == QLatin1String("Threshold")),
                 qPrintable(d.poName + QLatin1Char('/') + d.svName));
    }
}

void TstOfflineModel::slowLinkAndOversizedLine()
{
    ModelProcess model;
    LinkClient c;
    const QStringList args = {QStringLiteral("--fault-slow"), QStringLiteral("150"), QStringLiteral("--fault-oversize"), QString::number(3 * 1024 * 1024)};
    QVERIFY2(start(model, c, args), qPrintable(model.output()));
    // The oversized line is dropped by the link, which goes on.
    QTRY_COMPARE_WITH_TIMEOUT(c.oversizedLines, 1, kWaitMs);
    c.partialReads = 0;
    QElapsedTimer clock;
    clock.start();
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.records.size(), 2, kWaitMs);
    // Two lines cannot arrive sooner than one full delay after the first: they leave one delay apart.
    QVERIFY(clock.elapsed() >= 150);
    QCOMPARE(pushed(c, {"Compressor|Threshold", "Gate|Threshold"}), QStringLiteral("-20.0dB, -60.0dB"));
    // Lines come in halves: the link saw reads that ended inside a line.
    QVERIFY(c.partialReads >= 2);
}

void TstOfflineModel::controlLineChangesFaultsAtRunTime()
{
    // Started silent: only control lines are answered (no greeting, login answer or error line).
    ModelProcess model;
    QVERIFY2(model.start({"--fault-no-greeting", "--fault-refuse-login"}), qPrintable(model.output()));
    LinkClient silent;
    QSignalSpy connected(&silent, &LinkClient::connected);
    silent.connectToHost(model.port());
    QVERIFY(connected.wait(kWaitMs));
    silent.enterPassword(QStringLiteral("stagemanagers"));
    silent.sendRaw(QByteArray(100000, 'x') + "\n\x01\n");
    QVERIFY(silent.settle());
    QCOMPARE(silent.lines.size(), 1);
    QVERIFY(silent.lines.first().startsWith(QStringLiteral("model status {")) && silent.isConnected());
    QVERIFY(control(model.port(), QStringLiteral("model fault no-greeting off")));

    // Greeting again but refusing: every password, also a second one on the same connection.
    LinkClient refused;
    QVERIFY(!refused.login(model.port()));
    QCOMPARE(refused.lines.last(), QStringLiteral("error could not connect as administrator"));
    QCOMPARE(refused.ask(QStringLiteral("connect administrator \"stagemanagers\"")), QStringLiteral("error could not connect as administrator"));
    QVERIFY(control(model.port(), QStringLiteral("model fault clear")));
    LinkClient first;
    QVERIFY(first.login(model.port()));
    // Switched on and off again by the control line.
    QVERIFY(control(model.port(), QStringLiteral("model fault refuse-login on")));
    QVERIFY(!LinkClient().login(model.port()));
    QTRY_VERIFY_WITH_TIMEOUT(model.status().value(QStringLiteral("faults")).toObject().value(QStringLiteral("refuseLogin")).toBool(), kWaitMs);
    QVERIFY(control(model.port(), QStringLiteral("model fault clear")));
    LinkClient accepted;
    QVERIFY(accepted.login(model.port()));

    // Bad control lines are answered, never acted on.
    LinkClient c;
    c.connectToHost(model.port());
    c.sendRaw("model fault slow banana\nmodel fault\nmodel frobnicate\nmodel tick 0\n");
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.filter(QStringLiteral("model error")).size(), 4, kWaitMs);

    // Faults switched at run time act on running connections.
    QVERIFY(control(model.port(), QStringLiteral("model fault garbage on")));
    QCOMPARE(accepted.get(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB"));
    QCOMPARE(accepted.lines.size(), 4); // greeting, login answer, junk, answer

    // "drop-all" cuts every other connection.
    QSignalSpy gone(&accepted, &LinkClient::disconnected);
    QVERIFY(control(model.port(), QStringLiteral("model drop-all")));
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, kWaitMs);
}

void TstOfflineModel::quickCurvesAndRoomMeasurement()
{
    ModelProcess model;
    LinkClient c;
    QVERIFY2(start(model, c, kStill), qPrintable(model.output()));
    // A subscriber sees the bands move when the curve is chosen.
    QVERIFY(c.ask(request(QStringLiteral("sub"), QStringLiteral("GEQ"), QStringLiteral("100 Hz"))).startsWith(QLatin1String("subr ")));
    QCOMPARE(talk(c, {"GEQ|QuickCurve", "GEQ|QuickCurve=DJ"}), QStringLiteral("Flat, DJ"));
    QCOMPARE(c.value(QStringLiteral("GEQ"), QStringLiteral("100 Hz")), QStringLiteral("4.0dB"));
    // A band moved by hand makes the curve "Manual"; choosing "Manual" or an unknown curve moves no band.
    QCOMPARE(talk(c, {"GEQ|40 Hz", "GEQ|500 Hz", "LeftGEQ|40 Hz", "GEQ|1.0 kHz=-3", "GEQ|QuickCurve", "GEQ|40 Hz",
                      "GEQ|QuickCurve=Speech", "GEQ|QuickCurve=Manual", "GEQ|QuickCurve=Disco", "GEQ|100 Hz", "GEQ|1.0 kHz"}),
             QStringLiteral("6.0dB, -2.0dB, error not in the running preset, -3.0dB, Manual, 6.0dB, Speech, Manual, error not one of the choices, -6.0dB, 0.0dB"));

    // The room measurement is there, read only, and belongs to every preset: a recall keeps it.
    const QString response = c.get(QStringLiteral("RoomEQ"), QStringLiteral("Response"));
    QCOMPARE(response, EqBehaviour::curveText(&EqBehaviour::roomLevel));
    QCOMPARE(c.get(QStringLiteral("RoomEQ"), QStringLiteral("Target")), EqBehaviour::curveText(&EqBehaviour::targetLevel));
    QVERIFY(c.set(QStringLiteral("RoomEQ"), QStringLiteral("Response"), QStringLiteral("0 0 0")).startsWith(QLatin1String("error read only")));
    QCOMPARE(c.set(QStringLiteral("Presets"), QStringLiteral("Recall"), QStringLiteral("3")), QStringLiteral("3"));
    QTRY_COMPARE_WITH_TIMEOUT(c.get(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")), QStringLiteral("3"), kWaitMs);
    QCOMPARE(c.get(QStringLiteral("RoomEQ"), QStringLiteral("Response")), response);
}

void TstOfflineModel::suppressorPlacesDeepensAndMovesFilters()
{
    ModelProcess model;
    LinkClient c;
    QVERIFY2(start(model, c, kStill), qPrintable(model.output()));
    const QString afs = QStringLiteral("Afs");
    QVector<double> gains = filterGains(c);
    QCOMPARE(placed(gains), 2); // the setup's two fixed filters

    // The first step rings in filter 7, the first after the six fixed ones, at -3 dB.
    QVERIFY(tick(c, 1));
    gains = filterGains(c);
    QCOMPARE(gains[6], -3.0);
    QCOMPARE(placed(gains), 3);
    const double q = c.get(afs, QStringLiteral("Band_7_Q")).toDouble();
    QVERIFY(q >= 8.0 && q <= 32.0);

    // Between events (15 steps in speech/music) nothing moves; the next event deepens it.
    QVERIFY(tick(c, 13));
    QCOMPARE(filterGains(c), gains);
    QVERIFY(tick(c, 2));
    QCOMPARE(c.get(afs, QStringLiteral("Band_7_Gain")), QStringLiteral("-6.0dB"));

    // In time all six live filters are taken, none deeper than -18 dB, the fixed ones untouched.
    QVERIFY(tick(c, 15 * 40));
    gains = filterGains(c);
    QCOMPARE(gains.mid(0, 6), QVector<double>({-9.5, -6.0, 0.0, 0.0, 0.0, 0.0}));
    for (int i = 6; i < 12; ++i)
        QVERIFY2(gains[i] <= -3.0 && gains[i] >= -18.0, qPrintable(QString::number(gains[i])));

    // New rings then move the oldest live filters; the fixed ones stay where they are.
    const QStringList before = filters(c, QStringLiteral("Frequency"));
    QVERIFY(tick(c, 15 * 10));
    const QStringList after = filters(c, QStringLiteral("Frequency"));
    QCOMPARE(after.mid(0, 6), before.mid(0, 6));
    QVERIFY(after != before);

    // The filters are the processor's: a client cannot set them.
    QVERIFY(c.set(afs, QStringLiteral("Band_7_Gain"), QStringLiteral("-1")).startsWith(QLatin1String("error read only")));
}

void TstOfflineModel::suppressorModesAndLiftTime()
{
    ModelProcess model;
    LinkClient c;
    QVERIFY2(start(model, c, kStill), qPrintable(model.output()));
    const QString afs = QStringLiteral("Afs");

    // Fixed, and off: no live filters.
    QCOMPARE(talk(c, {"Afs|FilterMode=Fixed"}), QStringLiteral("Fixed"));
    const QVector<double> start = filterGains(c);
    QVERIFY(tick(c, 100));
    QCOMPARE(filterGains(c), start);
    QCOMPARE(talk(c, {"Afs|FilterMode=Fixed + Live", "Afs|AFS=Off"}), QStringLiteral("Fixed + Live, Off"));
    QVERIFY(tick(c, 100));
    QCOMPARE(filterGains(c), start);

    // Live uses all twelve: the first free filter is filter 3.
    QCOMPARE(talk(c, {"Afs|AFS=On", "Afs|FilterMode=Live"}), QStringLiteral("On, Live"));
    // A lift time of one second lets live filters go after ten steps (100 ms each); in live
    // mode the setup filters count as live and are lifted as well.
    QVERIFY(tick(c, 1));
    QCOMPARE(talk(c, {"Afs|Band_3_Gain", "Afs|LiftTime=1"}), QStringLiteral("-3.0dB, 1s"));
    QVERIFY(tick(c, 9));
    QCOMPARE(c.get(afs, QStringLiteral("Band_3_Gain")), QStringLiteral("-3.0dB"));
    QVERIFY(tick(c, 1));
    QCOMPARE(talk(c, {"Afs|Band_3_Gain", "Afs|Band_1_Gain"}), QStringLiteral("0.0dB, 0.0dB"));

    // Speech is caught sooner: ten steps between events.
    QCOMPARE(talk(c, {"Afs|LiftTime=Off", "Afs|ContentMode=Speech"}), QStringLiteral("Off, Speech"));
    const int before = placed(filterGains(c));
    QVERIFY(tick(c, 60));
    QVERIFY(placed(filterGains(c)) > before);
}

void TstOfflineModel::documentByChunks_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("default chain") << false;
    QTest::newRow("no configuration") << true;
}

void TstOfflineModel::documentByChunks()
{
    QFETCH(bool, empty);
    ModelProcess model;
    QStringList args = {QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--meter-interval"), QStringLiteral("0")};
    if (empty)
        args << QStringLiteral("--empty-config");
    QVERIFY(model.start(args));
    Session s;
    QVERIFY(s.open(model.port()));
    QCOMPARE(s.link.get(kNpo, QStringLiteral("Node\\AT\\Class_Name")), QStringLiteral("norvCadenzoQuarra"));
    QUdpSocket discovery;
    discovery.writeDatagram("get \\\\Node\\AT\\Class_Name\n", QHostAddress::LocalHost, model.port());
    QTRY_VERIFY_WITH_TIMEOUT(discovery.hasPendingDatagrams(), kWaitMs);
    QVERIFY(discovery.receiveDatagram().data().contains("\"norvCadenzoQuarra\""));
    const QByteArray doc = s.document();
    QVERIFY2(!doc.isEmpty(), "chunks in order, size and digest steady, digest right");
    QuarraModel local(QuarraModel::Settings{QString(), QString(), empty, 0});
    Catalogue unused;
    QString error;
    QVERIFY(local.prepare(&unused, &error));
    QCOMPARE(doc, local.document());
    const QJsonObject json = QJsonDocument::fromJson(doc).object();
    QCOMPARE(json.value(QStringLiteral("isEmpty")).toBool(), empty);
    QCOMPARE(json.value(QStringLiteral(".builderConfig")).isObject(), !empty);
    if (!empty)
        QVERIFY2(doc.size() > QuarraModel::kChunkBytes, "the default document takes several chunks");
    // Fixed objects answer either way; chain objects only with a chain.
    QVERIFY(s.link.get(QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level")).endsWith(QLatin1String("dB")));
    QCOMPARE(s.link.get(QStringLiteral("PEQOut1"), QStringLiteral("ParametricEQ")).startsWith(QLatin1String("error ")), empty);
}

void TstOfflineModel::reconfigureReplacesOrKeepsTheChain()
{
    ModelProcess model;
    const QStringList args = {QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--recall-ms"), QStringLiteral("50")};
    QVERIFY(model.start(args));
    Session s;
    QVERIFY(s.open(model.port()));
    s.link.sendRequest(request(QStringLiteral("set"), QStringLiteral("PEQOut3"), QStringLiteral("Band_1_Gain"), QStringLiteral("5")));
    s.link.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Crossover1"), QStringLiteral("NumBands")));
    const QByteArray before = s.document();
    QJsonObject config = QJsonDocument::fromJson(before).object().value(QStringLiteral(".builderConfig")).toObject();
    QJsonArray columns = config.value(QStringLiteral("Columns")).toArray();
    columns[0] = QJsonArray{QStringLiteral("Column_InputRouter"),
                            QJsonArray{QStringLiteral("InputRouter"), QJsonArray{0, 1, 2, 3, 4, 5, 6},
                                       QJsonArray{QStringLiteral("Card \"7\"\nX`")}}};
    columns[3] = QJsonArray{QStringLiteral("Column_In_Insert1"), QJsonArray{QStringLiteral("In_GEQ"), 1},
                            QJsonArray{QStringLiteral("In_GEQ"), 1}, QJsonArray{QStringLiteral("In_GEQ"), 1}};
    QJsonArray crossovers = columns[8].toArray();
    crossovers[1] = QJsonArray{QStringLiteral("Out_CrossoverIIR"), QStringLiteral("Mono 2-Way")};
    crossovers.removeAt(2);
    columns[8] = crossovers;
    config.insert(QStringLiteral("Columns"), columns);

    QStringList seen;
    QCOMPARE(s.run(reconfigLine(config), QStringLiteral("Reconfig"), &seen).value(QStringLiteral("id")).toString(),
             QStringLiteral("builder config reconfig"));
    QCOMPARE(seen, QStringList({QStringLiteral("Reconfig:InProgress"), QStringLiteral("Reconfig:Done")}));
    QTRY_COMPARE_WITH_TIMEOUT(s.link.value(QStringLiteral("Crossover1"), QStringLiteral("NumBands")), QStringLiteral("2"), kWaitMs);
    QCOMPARE(talk(s.link, {"GEQ2|GraphicEQ", "PEQIn1|Band_1_Gain", "Crossover2|Band_1_Gain", "PEQOut3|Band_1_Gain"}),
             QStringLiteral("Off, error not in the running preset, error not in the running preset, 5.0dB"));
    const QByteArray after = s.document();
    QVERIFY(!after.isEmpty() && after != before && after.contains("\"GEQ1\""));

    // Refused by the builder: the chain and the document stay.
    config.insert(QStringLiteral("Version"), 4);
    const QJsonObject refused = s.run(reconfigLine(config), QStringLiteral("Reconfig"), &seen);
    QCOMPARE(seen.last(), QStringLiteral("Reconfig:Failed"));
    QCOMPARE(Session::error(refused), QStringLiteral("Unsupported builder config version."));
    QCOMPARE(s.document(), after);

    // The chain outlives a restart; the card name stays inside its line.
    model.stop();
    QVERIFY(model.start(args));
    Session again;
    QVERIFY(again.open(model.port()));
    QCOMPARE(again.link.get(QStringLiteral("GEQ1"), QStringLiteral("QuickCurve")), QStringLiteral("Flat"));
    QCOMPARE(again.link.ask(QStringLiteral("get \"\\\\Preset\\InputRouter\\AT\\Source8Name\"")),
             QStringLiteral("get \"\\\\Preset\\InputRouter\\AT\\Source8Name\" \"Card '7' X`\""));
}

void TstOfflineModel::copyPaste()
{
    QVERIFY(m_shared.start({QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--meter-interval"), QStringLiteral("0")}));
    QVERIFY(m_session.open(m_shared.port()));
    Session &s = m_session;
    QCOMPARE(Session::error(s.command(QStringLiteral("PasteObjectSVs"), QStringLiteral("[\"PEQOut2\"]"))), QStringLiteral("Nothing copied"));
    s.link.sendRequest(request(QStringLiteral("set"), QStringLiteral("PEQOut1"), QStringLiteral("Band_2_Gain"), QStringLiteral("4.5")));
    s.link.sendRequest(request(QStringLiteral("sub"), QStringLiteral("PEQOut2"), QStringLiteral("Band_2_Gain")));
    QVERIFY(s.command(QStringLiteral("CopyObjectSVs"), QStringLiteral("[\"PEQOut1\"]")).contains(QStringLiteral("result")));
    const QJsonObject pasted = s.command(QStringLiteral("PasteObjectSVs"), QStringLiteral("[\"PEQOut2\"]"));
    QCOMPARE(pasted.value(QStringLiteral("result")).toObject().value(QStringLiteral("changed")).toInt(), 1);
    QCOMPARE(s.link.value(QStringLiteral("PEQOut2"), QStringLiteral("Band_2_Gain")), QStringLiteral("4.5dB"));
    QCOMPARE(Session::error(s.command(QStringLiteral("PasteObjectSVs"), QStringLiteral("[\"Compressor1\"]"))), QStringLiteral("Mismatch PO Copying"));
    QCOMPARE(s.statuses().last(), QStringLiteral("PasteObjectSVs:Failed"));
}

void TstOfflineModel::hostileCommands_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("code");
    const auto node = [](const char *method, const char *params) {
        return tarn::protocol::formatNodeCommand(QStringLiteral("{\"method\": \"%1\", \"params\": %2, \"id\": \"h\"}")
                                                     .arg(QLatin1String(method), QLatin1String(params)));
    };
    for (const char *params : {"[\"0\"]", "[-1]", "[1.5]", "[1e300]", "[99999999]", "[]", "{}", "[0, 1]"})
        QTest::newRow(params) << node("GetConfigDocument", params) << "GetConfigDocument:Failed" << -32602;
    // Unknown methods and broken JSON are answered, not ignored.
    QTest::newRow("unknown method") << node("Levitate", "[]") << "Levitate:Failed" << -32601;
    QTest::newRow("node not json") << tarn::protocol::formatNodeCommand(QStringLiteral("{not json")) << "Command:Failed" << -32700;
    QTest::newRow("copy nothing") << node("CopyObjectSVs", "[]") << "CopyObjectSVs:Failed" << -32602;
    QTest::newRow("copy path") << node("CopyObjectSVs", "[\"..\\\\Node\"]") << "CopyObjectSVs:Failed" << -32602;
    QTest::newRow("reconfig no config") << node("Reconfig", "[\"Builder\"]") << "Reconfig:Failed" << -32602;
    QTest::newRow("reconfig wrong format") << QByteArray(R"({"id":"r","method":"Reconfig","params":["Builder",{"Format":"x"}]})" "\n")
                                           << "Reconfig:Failed" << -32000;
    QTest::newRow("reconfig columns") << QByteArray(R"({"id":"r","method":"Reconfig","params":["Builder",{"Format":"BuilderConfig","Device":"Quarra","Version":5,"Columns":[["Column_Output",["Output","`"]],["Column_In_AFS"]]}]})" "\n")
                                      << "Reconfig:Failed" << -32000;
    QTest::newRow("raw not json") << QByteArray("{nonsense\n") << "Command:Failed" << -32700;
    QTest::newRow("raw too deep") << QByteArray(R"({"method":"Reconfig","params":)") + QByteArray(5000, '[') + QByteArray(5000, ']') + "}\n"
                                  << "Command:Failed" << -32700;
}

void TstOfflineModel::hostileCommands()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, status);
    QFETCH(int, code);
    QStringList seen;
    const QJsonObject answer = m_session.run(line, status.section(QLatin1Char(':'), 0, 0), &seen);
    QCOMPARE(seen.value(seen.size() - 1), status);
    QCOMPARE(answer.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt(), code);
    QVERIFY(!m_session.link.get(QStringLiteral("PEQIn1"), QStringLiteral("ParametricEQ")).startsWith(QLatin1String("error")));
}

TARN_TEST_MAIN(TstOfflineModel, QCoreApplication)
#include "tst_offlinemodel.moc"
