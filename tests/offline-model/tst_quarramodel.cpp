// Guards against the configurable model's chain, configuration document, reconfiguration and
// copy/paste differing from what the application sends and expects, or yielding to hostile commands.
#include "catalogue.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "quarramodel.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

using tarn::offline::Catalogue;
using tarn::offline::QuarraModel;
using tarn::offline::Variable;
using tarn::test::LinkClient;
using tarn::test::ModelProcess;
using tarn::test::request;

namespace {
constexpr int kWaitMs = 10000;
const QString kNpo = QStringLiteral("NPO");
const QString kStatus = QStringLiteral("Node\\Config\\SV\\Command:Status");
const QString kResult = QStringLiteral("Node\\Config\\SV\\Result");

QString sv(const QString &object, const QString &name)
{
    return QStringLiteral("Preset\\%1\\SV\\%2").arg(object, name);
}

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
    QJsonObject command(const QString &method, const QString &params)
    {
        return run(tarn::protocol::formatNodeCommand(
                       QStringLiteral("{\"method\": \"%1\", \"params\": %2, \"id\": \"t\"}").arg(method, params)),
                   method);
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
    // The answer line of one get: its value line or its error.
    QString get(const QString &object, const QString &name)
    {
        const QString path = object == kNpo ? QStringLiteral("\\\\") + name : QStringLiteral("\\\\") + sv(object, name);
        const int before = link.lines.size();
        link.sendRequest(request(QStringLiteral("get"), object, name));
        QString answer;
        (void)QTest::qWaitFor([&] {
            for (int i = before; i < link.lines.size() && answer.isNull(); ++i) {
                if (link.lines.at(i).contains(path) && !link.lines.at(i).startsWith(QLatin1String("subr")))
                    answer = link.lines.at(i);
            }
            return !answer.isNull();
        }, kWaitMs);
        return answer;
    }
};

QByteArray reconfigLine(const QJsonObject &builderConfig)
{
    const QJsonObject command{{QStringLiteral("id"), QStringLiteral("builder config reconfig")},
                              {QStringLiteral("method"), QStringLiteral("Reconfig")},
                              {QStringLiteral("params"), QJsonArray{QStringLiteral("Builder"), builderConfig}}};
    return QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n';
}
} // namespace

class TstQuarraModel : public QObject {
    Q_OBJECT
private slots:
    void catalogueFollowsTheFixedChain_data();
    void catalogueFollowsTheFixedChain();
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

void TstQuarraModel::catalogueFollowsTheFixedChain_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("tarnObject");
    QTest::addColumn<QString>("family"); // a counted name and the attribute that counts it
    QTest::addColumn<QString>("attribute");
    QTest::newRow("input PEQ") << "PEQIn1" << "Low Outputs PEQ" << "Band_%1_Type" << "NumBands";
    QTest::newRow("output PEQ") << "PEQOut6" << "Mid Outputs PEQ" << "Band_%1_Gain" << "NumBands";
    QTest::newRow("auto EQ") << "AutoEQPEQ2" << "RoomEQ" << "Band_%1_Q" << "NumBands";
    QTest::newRow("feedback") << "AFS3" << "Afs" << "Band_%1_Frequency" << "NumFilters";
    QTest::newRow("compressor") << "Compressor1" << "Compressor" << "" << "";
    QTest::newRow("delay") << "MidDelay4" << "InputDelay" << "" << "";
    QTest::newRow("limiter") << "Limiter5" << "High Outputs Limiter" << "" << "";
    QTest::newRow("crossover") << "Crossover1" << "Crossover" << "Band_%1_LPType" << "NumBands";
    QTest::newRow("zone gains") << "ZoneGains" << "OutputGains" << "Channel_%1_Mute" << "NumChans";
    QTest::newRow("input gains") << "InputGains" << "OutputGains" << "Channel_%1_Gain" << "NumChans";
    QTest::newRow("output meters") << "OutputMeters" << "OutputMeters" << "Channel_%1_Clip" << "NumChans";
    QTest::newRow("mid meters") << "MidMeters" << "InputMeters" << "Channel_%1_Level" << "NumChans";
    QTest::newRow("input mixer") << "In_Mixer2" << "MonoMixer" << "Input_%1_Mute" << "NumInputs";
    QTest::newRow("analyser") << "RTA" << "RTA" << "" << "";
    QTest::newRow("generator") << "SignalGenerator" << "SignalGenerator" << "" << "";
}

void TstQuarraModel::catalogueFollowsTheFixedChain()
{
    QFETCH(QString, object);
    QFETCH(QString, tarnObject);
    QFETCH(QString, family);
    QFETCH(QString, attribute);
    QuarraModel model(QuarraModel::Settings{});
    Catalogue quarra;
    Catalogue tarn;
    QString error;
    QVERIFY2(model.prepare(&quarra, &error), qPrintable(error));
    QVERIFY2(tarn.load(QStringLiteral(":/offline-model/tarn.json"), &error), qPrintable(error));
    const QJsonObject document = QJsonDocument::fromJson(model.document()).object();
    const QJsonObject po = document.value(object).toObject();
    QVERIFY2(!po.isEmpty(), "the default document has the object");

    // Every object of the document is served; the template's initial values are served too.
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (it.value().toObject().contains(QStringLiteral("ClassName")))
            QVERIFY2(quarra.configuration(QStringLiteral("Chain"))->objects.contains(it.key()), qPrintable(it.key()));
    }
    const QJsonObject svValues = po.value(QStringLiteral("SVValues")).toObject();
    for (auto it = svValues.begin(); it != svValues.end(); ++it)
        QVERIFY2(quarra.indexOf(sv(object, it.key())) >= 0, qPrintable(it.key()));

    // Names the fixed-chain object has (up to this object's counts) come with its kind, range and unit.
    const int count = po.value(QStringLiteral("Attributes")).toObject().value(attribute).toInt();
    for (const Variable &t : tarn.variables()) {
        if (t.object != tarnObject || t.key.contains(QLatin1String("\\AT\\")))
            continue;
        const QRegularExpressionMatch number = QRegularExpression(QStringLiteral("_(\\d+)_")).match(t.name);
        if (number.hasMatch() && number.captured(1).toInt() > count)
            continue;
        const int idx = quarra.indexOf(sv(object, t.name));
        if (idx < 0 && t.name.startsWith(QLatin1String("Input_"))) // mixer inputs are numbered here
            continue;
        QVERIFY2(idx >= 0, qPrintable(t.name));
        const Variable &q = quarra.variables()[size_t(idx)];
        QCOMPARE(int(q.kind), int(t.kind));
        QCOMPARE(q.writable, t.writable);
        QCOMPARE(q.min, t.min);
        QCOMPARE(q.format.unit, t.format.unit);
        QCOMPARE(int(q.live.type), int(t.live.type)); // meters move, gain reductions follow their block
        if (t.name != QLatin1String("Amount") && t.name != QLatin1String("Source"))
            QCOMPARE(q.max, t.max);
        if (t.name != QLatin1String("Source"))
            QCOMPARE(q.choices, t.choices);
    }
    if (!family.isEmpty()) {
        QVERIFY(count > 0);
        QVERIFY(quarra.indexOf(sv(object, family.arg(count))) >= 0);
        QCOMPARE(quarra.indexOf(sv(object, family.arg(count + 1))), -1);
    }
}

void TstQuarraModel::documentByChunks_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("default chain") << false;
    QTest::newRow("no configuration") << true;
}

void TstQuarraModel::documentByChunks()
{
    QFETCH(bool, empty);
    ModelProcess model;
    QStringList args = {QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--meter-interval"), QStringLiteral("0")};
    if (empty)
        args << QStringLiteral("--empty-config");
    QVERIFY(model.start(args));
    Session s;
    QVERIFY(s.open(model.port()));
    QVERIFY(s.get(kNpo, QStringLiteral("Node\\AT\\Class_Name")).endsWith(QLatin1String("\"norvCadenzoQuarra\"")));
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
    QVERIFY(s.get(QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level")).startsWith(QLatin1String("get ")));
    QCOMPARE(s.get(QStringLiteral("PEQOut1"), QStringLiteral("ParametricEQ")).startsWith(QLatin1String("get ")), !empty);
}

void TstQuarraModel::reconfigureReplacesOrKeepsTheChain()
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
    QVERIFY(s.get(QStringLiteral("GEQ2"), QStringLiteral("GraphicEQ")).endsWith(QLatin1String("\"Off\"")));
    for (const QString &gone : {QStringLiteral("PEQIn1"), QStringLiteral("Crossover2")})
        QVERIFY(s.get(gone, QStringLiteral("Band_1_Gain")).startsWith(QLatin1String("error not in the running preset")));
    QVERIFY(s.get(QStringLiteral("PEQOut3"), QStringLiteral("Band_1_Gain")).endsWith(QLatin1String("\"5.0dB\"")));
    const QByteArray after = s.document();
    QVERIFY(!after.isEmpty() && after != before && after.contains("\"GEQ1\""));

    // Refused by the builder: the chain and the document stay.
    config.insert(QStringLiteral("Version"), 4);
    const QJsonObject refused = s.run(reconfigLine(config), QStringLiteral("Reconfig"), &seen);
    QCOMPARE(seen.last(), QStringLiteral("Reconfig:Failed"));
    QCOMPARE(refused.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString(),
             QStringLiteral("Unsupported builder config version."));
    QCOMPARE(s.document(), after);

    // The chain outlives a restart; the card name stays inside its line.
    model.stop();
    QVERIFY(model.start(args));
    Session again;
    QVERIFY(again.open(model.port()));
    QVERIFY(again.get(QStringLiteral("GEQ1"), QStringLiteral("QuickCurve")).endsWith(QLatin1String("\"Flat\"")));
    again.link.sendRaw("get \"\\\\Preset\\InputRouter\\AT\\Source8Name\"\n");
    QTRY_VERIFY_WITH_TIMEOUT(again.link.lines.contains(QStringLiteral("get \"\\\\Preset\\InputRouter\\AT\\Source8Name\" \"Card '7' X`\"")), kWaitMs);
}

void TstQuarraModel::copyPaste()
{
    QVERIFY(m_shared.start({QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--meter-interval"), QStringLiteral("0")}));
    QVERIFY(m_session.open(m_shared.port()));
    Session &s = m_session;
    QCOMPARE(s.command(QStringLiteral("PasteObjectSVs"), QStringLiteral("[\"PEQOut2\"]")).value(QStringLiteral("error")).toObject()
                 .value(QStringLiteral("message")).toString(), QStringLiteral("Nothing copied"));
    s.link.sendRequest(request(QStringLiteral("set"), QStringLiteral("PEQOut1"), QStringLiteral("Band_2_Gain"), QStringLiteral("4.5")));
    s.link.sendRequest(request(QStringLiteral("sub"), QStringLiteral("PEQOut2"), QStringLiteral("Band_2_Gain")));
    QVERIFY(s.command(QStringLiteral("CopyObjectSVs"), QStringLiteral("[\"PEQOut1\"]")).contains(QStringLiteral("result")));
    const QJsonObject pasted = s.command(QStringLiteral("PasteObjectSVs"), QStringLiteral("[\"PEQOut2\"]"));
    QCOMPARE(pasted.value(QStringLiteral("result")).toObject().value(QStringLiteral("changed")).toInt(), 1);
    QCOMPARE(s.link.value(QStringLiteral("PEQOut2"), QStringLiteral("Band_2_Gain")), QStringLiteral("4.5dB"));
    const QJsonObject mismatch = s.command(QStringLiteral("PasteObjectSVs"), QStringLiteral("[\"Compressor1\"]"));
    QCOMPARE(mismatch.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString(), QStringLiteral("Mismatch PO Copying"));
    QCOMPARE(s.statuses().last(), QStringLiteral("PasteObjectSVs:Failed"));
}

void TstQuarraModel::hostileCommands_data()
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

void TstQuarraModel::hostileCommands()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, status);
    QFETCH(int, code);
    QStringList seen;
    const QJsonObject answer = m_session.run(line, status.section(QLatin1Char(':'), 0, 0), &seen);
    QCOMPARE(seen.value(seen.size() - 1), status);
    QCOMPARE(answer.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt(), code);
    QVERIFY(m_session.get(QStringLiteral("PEQIn1"), QStringLiteral("ParametricEQ")).startsWith(QLatin1String("get ")));
}

QTEST_GUILESS_MAIN(TstQuarraModel)
#include "tst_quarramodel.moc"
