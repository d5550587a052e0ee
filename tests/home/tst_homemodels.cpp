// Guards against home screens and block descriptors drawn wrongly from what the processor reports
// (document, crossover, listing, busy state, ranges, names) or from unbounded or malformed input.
#include "appdatastore.h"
#include "buttonimageresolver.h"
#include "catalogue.h"
#include "controldescriptor.h"
#include "configdataprovider.h"
#include "devicerecord.h"
#include "linkfixture.h"
#include "jsonconvert.h"
#include "platform.h"
#include "configdocumentfetcher.h"
#include "homescreenmodel.h"
#include "nodecommandchannel.h"
#include "quarrapeer.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnhomescreenmodel.h"
#include "tarnsettings.h"
#include "tarntextsv.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QTemporaryDir>
#include <QSignalSpy>

using tarn::home::ConfigDocumentFetcher;
using tarn::home::DescriptorDocument;
using tarn::test::QuarraPeer;
using tarn::test::ScriptedPeer;

namespace {
constexpr int kWait = 5000;

const QByteArray kStatusPath = "\\\\Node\\Config\\SV\\Command:Status";

QByteArray statusLine(const QByteArray &status)
{
    return "subr \"" + kStatusPath + "\" \"" + status + "\"\n";
}

void write(const char *key, const QString &value)
{
    TarnSettings::write(QString::fromLatin1(key), value);
}

// A model holding `document` (as the processor would have sent it), ready to be read.
void load(HomeScreenModel &model, const QByteArray &document)
{
    QVERIFY(model.takeDocument(document));
    QVERIFY(model.ready());
}

// The library's default chain, as a processor would send it (an edit of a processor without one).
QByteArray defaultDocument(QJsonDocument::JsonFormat format = QJsonDocument::Compact)
{
    HomeScreenModel builder;
    builder.enteringConfigMode();
    return builder.enCfgApply() ? QJsonDocument(builder.workingConfiguration()).toJson(format) : QByteArray();
}

const QByteArray kSmallDocument = R"({
  "gridsDisplay": [ 7, {"Name": "in", "Map": "not a map"},
    {"Name": "out", "Map": [["XO1", "LINKED", "LINKED", "LINKED", "LINKED"], ["TX1", "EMPTY"], ["Bare1"], ["Plain1"]]},
    {"Name": "out", "Map": [["Plain1"]]} ],
  "XO1": {"ClassName": "QuarraCrossover", ".info": "2x5", ".type": "IIR Stereo 2-Way with Mono Sub",
          "Attributes": {"NumBands": 2, "NumMainCabinets": 2, "NumSubCabinets": 1}},
  "TX1": {"ClassName": "CadenzoCrossover", ".info": "2x7", "Attributes": {"NumSlots": 2, "NumBands": 3, "MonoSub": 1}},
  "Bare1": {"ClassName": "norvQuarPEQ", ".info": "PEQ", ".type": "ParametricEQ"},
  "Plain1": {"ClassName": "norvQuarLimiter", ".info": "LMT", ".type": "Limiter", "Attributes": {"NumChans": 3}}
})";

// Low, mid, high visible; stereo low, mid, high.
using Flags = QList<bool>;

Flags flagsOf(const TarnHomeScreenModel &m)
{
    return {m.lowVisible(), m.midVisible(), m.highVisible(), m.stereoOutputLow(), m.stereoOutputMid(), m.stereoOutputHigh()};
}

QString setting(const char *key)
{
    return TarnSettings::text(QString::fromLatin1(key));
}

void deliver(TarnHomeScreenModel &model, const QString &sv, const QString &value,
             const QString &po = QStringLiteral("Crossover"))
{
    DataFromDevice d = tarn::test::request(QStringLiteral("subr"), po, sv, value);
    model.onhomeScreenDataAvailable(&d);
}

// Every flag signal of the model, in the order they came.
class SignalLog : public QObject {
public:
    explicit SignalLog(TarnHomeScreenModel *m)
    {
        auto note = [this](const char *name) { return [this, name]() { names.append(QLatin1String(name)); }; };
        connect(m, &TarnHomeScreenModel::lowVisibleChanged, this, note("low"));
        connect(m, &TarnHomeScreenModel::midVisibleChanged, this, note("mid"));
        connect(m, &TarnHomeScreenModel::highVisibleChanged, this, note("high"));
        connect(m, &TarnHomeScreenModel::stereoOutputLowChanged, this, note("stereoLow"));
        connect(m, &TarnHomeScreenModel::stereoOutputMidChanged, this, note("stereoMid"));
        connect(m, &TarnHomeScreenModel::stereoOutputHighChanged, this, note("stereoHigh"));
        connect(m, &TarnHomeScreenModel::stereoInputChanged, this, note("stereoInput"));
    }
    QStringList names;
};
const QStringList kShipped{
    "CompressorControlDescriptor.xml", "GateControlDescriptor.xml",    "AGCControlDescriptor.xml",
    "LimiterControlDescriptor.xml",    "SubHarmonicControlDescriptor.xml", "MixerControlDescriptor.xml",
    "DelayControlDescriptor.xml",      "InputDelayControlDescriptor.xml", "OutputMetersControlDescriptor.xml",
    "RTAControlDescriptor.xml",        "SigGenControlDescriptor.xml"};

QByteArray wrap(const QByteArray &body, const QByteArray &root = R"(screen="S" po="P")")
{
    return "<?xml version=\"1.0\"?>\n<ControlDescriptor " + root + ">\n" + body + "\n</ControlDescriptor>\n";
}
} // namespace

class TstHomeScreenModel : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void cells_data();
    void cells();
    void inputRouter(); // and refused edits keep the document
    void readyAndApplyAroundEdits();
    void provider();
    void chunkRules_data();
    void chunkRules();
    void documentFromTheProcessor();
    void applyAndTheProcessorsAnswer_data();
    void applyAndTheProcessorsAnswer();
    // The fixed-chain home screen's model.
    void flagsSetInOrderAndOnlyOnChange(); // and listing rules
    void answersFromTheWire(); // the home screen model's and the data store's
    // The application's data store.
    void busyTexts();
    void shippedRangeData();
    void rangeDataFiles();
    void namesAndLimiterList();
    // Descriptor documents and the home screen's pictures and captions.
    void shippedDescriptors();
    void sourceForms();
    void lookups();
    void rejected_data();
    void rejected();
    void resolverLookups_data();
    void resolverLookups();
    void attributes();

private:
    static bool login(quint16 port, const char *password = "stagemanagers") { return tarn::test::loginAdaptor(port, QLatin1String(password)); }
};

void TstHomeScreenModel::cleanup()
{
    TarnSettings settings;
    for (const char *key : {tarn::keys::CrossoverNumBand, tarn::keys::CrossoverMonoSub, tarn::keys::CrossoverLowGroupVisible,
                            tarn::keys::CrossoverMidGroupVisible, tarn::keys::CrossoverHighGroupVisible, tarn::keys::LimiterType,
                            tarn::keys::DelayType, tarn::keys::MixerType})
        settings.remove(QString::fromLatin1(key));
    QVERIFY(tarn::test::logoutAdaptor());
}

void TstHomeScreenModel::cells_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QVariantMap>("expected"); // the keys compared; "data" is checked apart

    QTest::newRow("crossover span: bands x mains + subs")
        << "out" << 0 << 0
        << QVariantMap{{"name", "XO1"}, {"className", "QuarraCrossover"}, {"XOverType", "2x5"}, {"channelSpan", 5},
                       {"info", "Crossover"}, {"type", "IIR Stereo 2-Way with Mono Sub"}};
    QTest::newRow("fixed-chain crossover: slots x bands + mono sub")
        << "out" << 1 << 0
        << QVariantMap{{"name", "TX1"}, {"className", "CadenzoCrossover"}, {"XOverType", "2x7"}, {"channelSpan", 7},
                       {"info", "Crossover"}, {"type", ""}};
    QTest::newRow("no Attributes: no span at all")
        << "out" << 2 << 0
        << QVariantMap{{"name", "Bare1"}, {"className", "norvQuarPEQ"}, {"info", "PEQ"}, {"type", "ParametricEQ"}};
    QTest::newRow("first grid of a name wins")
        << "out" << 3 << 0
        << QVariantMap{{"name", "Plain1"}, {"className", "norvQuarLimiter"}, {"channelSpan", 3}, {"info", "LMT"}, {"type", "Limiter"}};
    QTest::newRow("linked row") << "out" << 0 << 1 << QVariantMap();
    QTest::newRow("row past the column") << "out" << 2 << 1 << QVariantMap();
    QTest::newRow("negative row") << "out" << 0 << -1 << QVariantMap();
    QTest::newRow("grid of the wrong shape") << "in" << 0 << 0 << QVariantMap();
}

void TstHomeScreenModel::cells()
{
    QFETCH(QString, grid);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QVariantMap, expected);
    HomeScreenModel model;
    QVERIFY(model.cellInfo(grid, column, row).isEmpty()); // nothing before a document
    load(model, kSmallDocument);
    QVariantMap cell = model.cellInfo(grid, column, row);
    const QJsonObject data = QJsonDocument::fromJson(cell.take(QStringLiteral("data")).toByteArray()).object();
    cell.remove(QStringLiteral("column"));
    QCOMPARE(cell, expected);
    if (!expected.isEmpty()) // the block's own description, named
        QCOMPARE(QStringList({data.value("POName").toString(), data.value("type").toString(), data.value("ClassName").toString()}),
                 QStringList({expected.value("name").toString(), expected.value("type").toString(), expected.value("className").toString()}));
    // Not ready: the screen is told nothing, even for a cell it read before.
    model.setReady(false);
    QVERIFY(model.cellInfo(grid, column, row).isEmpty());
}

void TstHomeScreenModel::inputRouter()
{
    HomeScreenModel model;
    // Without a configuration: warned, empty.
    QTest::ignoreMessage(QtWarningMsg, "m_configJSONObject is empty");
    QCOMPARE(model.getInputRouterSourceName(1), QString());
    QTest::ignoreMessage(QtWarningMsg, "m_configJSONObject is empty");
    QVERIFY(model.inputRouterSwapOptionsForSlotNum(3).isEmpty());

    model.enteringConfigMode();
    QCOMPARE(model.inputRouterSwapOptionsForSlotNum(3), QList<int>({2, 7, 8, 9, 10, 11, 12, 13, 14}));
    QCOMPARE(model.getInputRouterSourceName(4) + QLatin1Char('|') + model.getInputRouterSourceName(8), QStringLiteral("AES1|"));
    // Slot 2 takes option card 1: no other slot may take it, and slot 2's own input is free.
    model.inputRouterSetSource(2, 7);
    QCOMPARE(model.getInputRouterSourceName(2), QStringLiteral("OptionCard1"));
    QCOMPARE(model.inputRouterSwapOptionsForSlotNum(3), QList<int>({2, 8, 9, 10, 11, 12, 13, 14}));
    QCOMPARE(model.inputRouterSwapOptionsForSlotNum(2), QList<int>({1, 7, 8, 9, 10, 11, 12, 13, 14}));
    QVERIFY(model.enCfgApply());
    QCOMPARE(model.getInputRouterIdx(), -1);
    // The processor's names for the sources stand in for the library's.
    QSignalSpy names(&model, &HomeScreenModel::inputSourceNamesChanged);
    QMetaObject::invokeMethod(&model, "onOptionCardSourceNames", Q_ARG(QStringList, QStringList({"Input A", "Input B"})));
    QCOMPARE(names.count(), 1);
    QCOMPARE(QStringList({model.getInputRouterSourceName(1), model.inputRouterGetSourceNameForSourceID(1),
                          model.getInputRouterSourceNameForCardName(QStringLiteral("Analog3")), QString::number(model.recommendedInputNames().size())}),
             QStringList({"Input A", "Input B", "Analog3", "46"}));

    // Refused edits and a rebuild the builder refuses keep the working document.
    const QJsonObject before = model.workingConfiguration();
    const int peq = model.cellInfo("in", 3, 0).value("column").toInt();
    QVERIFY(!model.linkTest(peq, 0, 1)); // the row below has a block of its own
    QSignalSpy ready(&model, &HomeScreenModel::readyChanged);
    model.link(peq, 0);
    QCOMPARE(ready.count(), 2);
    QCOMPARE(model.workingConfiguration(), before);

    // A rebuild the builder refuses leaves the last good document and says why.
    Json::Value bad = tarn::home::toJsoncpp(before.value(".builderConfig"));
    bad["Version"] = 4;
    QJsonObject document = model.workingConfiguration();
    QVERIFY(!model.reconfigurator().setBuilderConfig(document, bad));
    QCOMPARE(document, before);
    QCOMPARE(model.configError(), QStringLiteral("Unsupported builder config version."));
    QVERIFY(model.linkTest(peq, 0, 0)); // the builder config behind it is the good one still
    model.setOutputName(0, QStringLiteral("Front/Fill"));
    QCOMPARE(model.workingConfiguration(), before);
    QVERIFY(model.configError().contains(QStringLiteral("not a valid output name")));

    // A crossover whose layout is not among the candidates is shown at the first of them.
    Json::Value tarnCrossover = tarn::home::toJsoncpp(before.value(".builderConfig"));
    const int xo = model.reconfigurator().columnIndex(QStringLiteral("Column_Out_Crossover"));
    tarnCrossover["Columns"][xo][1] = Json::Value(Json::arrayValue);
    tarnCrossover["Columns"][xo][1].append("Out_CrossoverTarn");
    tarnCrossover["Columns"][xo][1].append("1x1");
    QVERIFY(model.reconfigurator().setBuilderConfig(document, tarnCrossover));
    const QVariantMap counts = model.reconfigurator().cfgXoverListCnt(document, 0);
    QVERIFY(counts.value("count").toInt() >= 1);
    QCOMPARE(counts.value("curIdx").toInt(), 0);
    QCOMPARE(model.reconfigurator().getCfgXoverInfo(0).value("name").toString(), QStringLiteral("Mono Main"));
}

void TstHomeScreenModel::readyAndApplyAroundEdits()
{
    HomeScreenModel model;
    load(model, defaultDocument());
    QVERIFY(!model.enCfgApply());
    QVERIFY(model.limiterList().startsWith(QStringLiteral("[\"Limiter1\",\"Limiter2\"")));
    // The same router choice twice: ready pulses each time, enCfgApply follows the document.
    QSignalSpy ready(&model, &HomeScreenModel::readyChanged);
    QSignalSpy apply(&model, &HomeScreenModel::enCfgApplyChanged);
    QCOMPARE(model.getInputRouterIdx(), 0);
    model.setRouterConfig(1);
    model.setRouterConfig(1);
    QCOMPARE(ready.count(), 4);
    QCOMPARE(apply.count(), 1);
    QCOMPARE(model.getInputRouterIdx(), 1);
    model.setRouterConfig(0);
    QCOMPARE(apply.count(), 2);
    QVERIFY(!model.enCfgApply());
    // Apply with no edit sends nothing but leaves configuration mode.
    write(tarn::keys::IsConfigMode, QStringLiteral("true"));
    QSignalSpy sent(TCPAdaptor::instance(), &TCPAdaptor::sendMessage);
    model.applyAllChanges();
    QCOMPARE(sent.count(), 0);
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::IsConfigMode)), QStringLiteral("false"));
}

void TstHomeScreenModel::provider()
{
    write(tarn::keys::CurrentPOData, QStringLiteral(R"({"POName": "Crossover3", "Attributes": {"Format": 2, "NumMainCabinets": 2,
        "SubFormat": 1, "SubNoSum": 0, "Ratio": 0.3333333}, "SVValues": {"Input_2_Gain": 0, "Input_1_Gain": 0, "Input_1_Mute": "Off"}})"));
    write(tarn::keys::DelayPOJson, QStringLiteral(R"({"5": "MidDelay2", "10": "OutDelay1"})"));
    ConfigDataProvider p;
    QCOMPARE(QStringList({p.value("Attributes/NumMainCabinets"), p.value("/Attributes//Ratio"), p.value("POName"),
                          p.value("Missing/Format"), p.value(QString()), p.crossoverTypeString(), p.poName("mid", 2),
                          p.poName("out", 1), p.poName("in", 1), p.meterPO("MidRouter123"), p.meterPO("MidRouter9"),
                          p.routerImage("Mid:A+B+C").toString(), p.routerImage("In:In8").toString()}),
             QStringList({"2", "0.333333", "Crossover3", "", "", "22010", "MidDelay2", "OutDelay1", "", "InputMeters:MidMeters",
                          "", "/images/MixerTypes/MidMixA+B+C_Large.png", ""}));
    QVERIFY(p.value(QStringLiteral("Attributes")).contains(QStringLiteral("\"SubFormat\": 1")));
    QCOMPARE(p.mixerSVList().toStringList(), QStringList({"Input_1_Gain", "Input_1_Mute", "Input_2_Gain"}));

    // Read once: a later description needs a new provider; an empty one gives "0".
    write(tarn::keys::CurrentPOData, QStringLiteral("[1, 2]"));
    QCOMPARE(p.value(QStringLiteral("POName")), QStringLiteral("Crossover3"));
    QCOMPARE(ConfigDataProvider().crossoverTypeString(), QStringLiteral("0"));
}

void TstHomeScreenModel::chunkRules_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QList<QJsonObject>>("answers"); // in order; each must be taken but the last
    QTest::addColumn<bool>("received");

    const QByteArray doc = QByteArray(40000, 'x');
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(doc, QCryptographicHash::Sha256).toHex());
    const auto chunk = [&](int offset, int size, QString digest, QString data, QString id = QStringLiteral("appID_getConfigDocument")) {
        return QJsonObject{{"id", id}, {"result", QJsonObject{{"offset", offset}, {"size", size}, {"sha256", digest}, {"data", data}}}};
    };
    const QString first = QString::fromLatin1(doc.left(32768).toBase64());
    const QString rest = QString::fromLatin1(doc.mid(32768).toBase64());
    QTest::newRow("two chunks") << doc << QList<QJsonObject>{chunk(0, 40000, sha, first), chunk(32768, 40000, sha, rest)} << true;
    QTest::newRow("chunk from elsewhere")
        << doc << QList<QJsonObject>{chunk(0, 40000, sha, first), chunk(32000, 40000, sha, rest)} << false;
    QTest::newRow("size changes on the way")
        << doc << QList<QJsonObject>{chunk(0, 40000, sha, first), chunk(32768, 40001, sha, rest)} << false;
    QTest::newRow("digest changes on the way")
        << doc << QList<QJsonObject>{chunk(0, 40000, sha, first), chunk(32768, 40000, QString(64, 'a'), rest)} << false;
    QTest::newRow("digest does not match")
        << doc << QList<QJsonObject>{chunk(0, 40000, QString(64, 'a'), first), chunk(32768, 40000, QString(64, 'a'), rest)} << false;
    QTest::newRow("over the size cap") << doc << QList<QJsonObject>{chunk(0, 8 * 1024 * 1024 + 1, sha, first)} << false;
    QTest::newRow("more than one chunk of data")
        << doc << QList<QJsonObject>{chunk(0, 40000, sha, QString::fromLatin1(doc.left(32769).toBase64()))} << false;
    QTest::newRow("past the announced size") << doc << QList<QJsonObject>{chunk(0, 10, sha, first)} << false;
    QTest::newRow("no progress") << doc << QList<QJsonObject>{chunk(0, 40000, sha, QString())} << false;
    QTest::newRow("not base64") << doc << QList<QJsonObject>{chunk(0, 40000, sha, QStringLiteral("@@@@"))} << false;
    QTest::newRow("another request's answer")
        << doc << QList<QJsonObject>{chunk(0, 40000, sha, first, QStringLiteral("appID_other"))} << false;
    QTest::newRow("error answer")
        << doc << QList<QJsonObject>{QJsonObject{{"id", "appID_getConfigDocument"}, {"error", QJsonObject{{"code", -32601}, {"message", "Method not found"}}}}}
        << false;
}

void TstHomeScreenModel::chunkRules()
{
    QFETCH(QByteArray, document);
    QFETCH(QList<QJsonObject>, answers);
    QFETCH(bool, received);
    QuarraPeer processor;
    QVERIFY(login(processor.peer.port()));
    tarn::home::NodeCommandChannel channel;
    ConfigDocumentFetcher fetcher(&channel);
    QSignalSpy got(&fetcher, &ConfigDocumentFetcher::received);
    QSignalSpy failed(&fetcher, &ConfigDocumentFetcher::failed);
    fetcher.start();
    for (int i = 0; i < answers.size(); ++i) {
        const bool taken = fetcher.takeAnswer(answers.at(i), true);
        QCOMPARE(taken, i + 1 < answers.size() || received);
    }
    QCOMPARE(got.count(), received ? 1 : 0);
    QCOMPARE(failed.count(), received ? 0 : 1);
    if (received)
        QCOMPARE(got.first().first().toByteArray(), document);
    QVERIFY(!fetcher.isRunning());
}

void TstHomeScreenModel::documentFromTheProcessor()
{
    QuarraPeer processor;
    // Indented, the default document needs several chunks of the node command channel.
    processor.document = defaultDocument(QJsonDocument::Indented);
    QVERIFY(processor.document.size() > 2 * processor.chunkBytes);
    write(tarn::keys::CurrentDeviceClass, QStringLiteral("norvCadenzoTarn"));

    HomeScreenModel model;
    QSignalSpy loaded(&model, &HomeScreenModel::documentLoaded);
    QVERIFY(login(processor.peer.port()));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kWait);
    QCOMPARE(model.platform(), QStringLiteral("Quarra"));
    QCOMPARE(processor.documentRequests, int(processor.document.size() / processor.chunkBytes) + 1);
    QCOMPARE(model.cellInfo("in", 3, 2).value("name").toString(), QStringLiteral("PEQIn3"));

    // A second login whose document is damaged: the one on screen stays, the user is told.
    cleanup();
    processor.tamper = [](int offset, QJsonObject &r) {
        if (offset > 0)
            r.insert(QStringLiteral("size"), r.value(QStringLiteral("size")).toInt() + 1);
    };
    QSignalSpy error(&model, &HomeScreenModel::configErrorChanged);
    QVERIFY(login(processor.peer.port()));
    QTRY_COMPARE_WITH_TIMEOUT(error.count(), 1, kWait);
    QVERIFY(model.configError().contains(QStringLiteral("changed while it was being read")));
    QVERIFY(model.ready());
    QCOMPARE(model.cellInfo("in", 3, 2).value("name").toString(), QStringLiteral("PEQIn3"));

    // A fixed-chain processor is never asked for a document.
    cleanup();
    processor.className = "norvCadenzoTarn";
    processor.documentRequests = 0;
    QSignalSpy platform(&model, &HomeScreenModel::platformChanged);
    QVERIFY(login(processor.peer.port()));
    QTRY_COMPARE_WITH_TIMEOUT(platform.count(), 1, kWait);
    QCOMPARE(model.platform(), QStringLiteral("Tarn"));
    QCOMPARE(processor.documentRequests, 0);
}


void TstHomeScreenModel::applyAndTheProcessorsAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("failed") << int(QuarraPeer::Reconfig::Failed);
    QTest::newRow("no answer") << int(QuarraPeer::Reconfig::Silent);
}

void TstHomeScreenModel::applyAndTheProcessorsAnswer()
{
    QFETCH(int, answer);
    QuarraPeer processor;
    processor.reconfig = QuarraPeer::Reconfig(answer);
    processor.document = defaultDocument();
    HomeScreenModel model;
    model.reconfigurator().setReconfigTimeout(300);
    QSignalSpy loaded(&model, &HomeScreenModel::documentLoaded);
    QVERIFY(login(processor.peer.port()));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kWait);

    model.setOutputName(2, QStringLiteral("Front Fill"));
    QVERIFY(model.enCfgApply());
    write(tarn::keys::IsConfigMode, QStringLiteral("true"));
    QSignalSpy busy(tarn::BusyRequests::instance(), &tarn::BusyRequests::requested);
    QSignalSpy finished(&model.reconfigurator(), &Reconfigurator::reconfigFinished);
    const int requests = processor.documentRequests;
    model.applyAllChanges();
    QCOMPARE(busy.count(), 1);
    QVERIFY(busy.first().first().toBool());
    QVERIFY(!model.enCfgApply());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kWait);
    QCOMPARE(busy.count(), 2);
    QVERIFY(!busy.last().first().toBool());

    // One raw line, not a "set", carrying the builder config with the new name.
    QCOMPARE(processor.rawLines.size(), 1);
    const QByteArray line = processor.rawLines.first();
    QVERIFY(line.startsWith(R"({"id":"builder config reconfig","method":"Reconfig","params":["Builder",{)"));
    QVERIFY(line.contains(R"(["Output","Front Fill"])"));
    for (const QByteArray &set : processor.peer.linesStartingWith("set "))
        QVERIFY(!set.contains("Reconfig"));

    // Refused or unanswered (an accepted one is applied against the configurable offline model by
    // its screen suite): the processor's words, and the edits back in configuration mode.
    QCOMPARE(model.configError(), answer == int(QuarraPeer::Reconfig::Failed)
                                      ? processor.reconfigError
                                      : QStringLiteral("The processor did not report the end of the reconfiguration in time."));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::IsConfigMode)), QStringLiteral("true"));
    QVERIFY(model.enCfgApply());
    QCOMPARE(model.objectAttribute(QStringLiteral("Output3"), QStringLiteral("OutputName")), QStringLiteral("Front Fill"));
    QCOMPARE(processor.documentRequests, requests);
}

// Flags change in one order and only when they change; a band count applies with the next MonoSub
// value; an unknown band count, another object's record or no record at all change nothing.
void TstHomeScreenModel::flagsSetInOrderAndOnlyOnChange()
{
    TarnHomeScreenModel m;
    SignalLog log(&m);
    write(tarn::keys::CrossoverHighGroupVisible, QStringLiteral("untouched"));
    m.onhomeScreenDataAvailable(nullptr);
    const struct {
        const char *po, *sv, *value, *changed;
    } steps[] = {
        {"Compressor", "MonoSub", "0", ""}, {"Crossover", "Band_1_Gain", "0", ""},
        {"Crossover", "NumBands", "4", ""}, {"Crossover", "MonoSub", "0", ""},
        {"Crossover", "NumBands", "3", ""}, {"Crossover", "MonoSub", "0", "low mid high stereoLow stereoMid stereoHigh"},
        {"Crossover", "MonoSub", "0", ""},
        {"Crossover", "NumBands", "2", ""}, {"Crossover", "MonoSub", "1", "stereoLow"},
        {"Crossover", "NumBands", "", ""}, {"Crossover", "MonoSub", "0", ""},
        {"Crossover", "NumBands", "1", ""}, {"Crossover", "MonoSub", "0", "low mid stereoMid"},
        {"Crossover", "NumBands", " 2", ""}, {"Crossover", "MonoSub", "1", ""},
        {"Crossover", "NumBands", "3", ""}, {"Crossover", "MonoSub", "0", "low mid stereoLow stereoMid"},
        {"Crossover", "NumBands", "3", ""}, {"Crossover", "MonoSub", "1", ""},
        {"Crossover", "NumBands", "1", ""}, {"Crossover", "MonoSub", "1", "mid stereoLow stereoMid"},
        {"Crossover", "NumBands", "1", ""}, {"Crossover", "MonoSub", "yes", ""}, // any other text counts as a sub
        {"Crossover", "NumBands", "2", ""}, {"Crossover", "MonoSub", "", "mid stereoMid"},
        {"Crossover", "NumBands", "2", ""}, {"Crossover", "MonoSub", "0", "mid stereoLow stereoMid"},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        deliver(m, QLatin1String(steps[i].sv), QLatin1String(steps[i].value), QLatin1String(steps[i].po));
        QCOMPARE(log.names.join(QLatin1Char(' ')), QLatin1String(steps[i].changed));
        log.names.clear();
        if (i == 2) // the compressor's MonoSub was not taken
            QVERIFY(m.monoSub().isEmpty());
        if (i == 3) { // an unknown band count: the values are still written, no flag
            QCOMPARE(setting(tarn::keys::CrossoverNumBand), QStringLiteral("4"));
            QCOMPARE(setting(tarn::keys::CrossoverHighGroupVisible), QStringLiteral("untouched"));
        }
    }

    QCOMPARE(flagsOf(m), (Flags{true, false, true, true, false, true}));
    // What was drawn is written to the settings, where the crossover screen reads it.
    QCOMPARE(QStringList({setting(tarn::keys::CrossoverNumBand), setting(tarn::keys::CrossoverMonoSub), setting(tarn::keys::CrossoverLowGroupVisible),
                          setting(tarn::keys::CrossoverMidGroupVisible), setting(tarn::keys::CrossoverHighGroupVisible)}),
             QStringList({"2", "0", "true", "false", "true"}));
    m.setProperty("monoSub", QStringLiteral("7"));
    QCOMPARE(setting(tarn::keys::CrossoverMonoSub), QStringLiteral("7"));
    // The record goes to the holder the crossover and delay screens read, and leaves it with its model.
    HomeScreenDataHolder *holder = HomeScreenDataHolder::instance();
    {
        TarnHomeScreenModel other;
        deliver(other, QStringLiteral("NumBands"), QStringLiteral("3"));
        deliver(other, QStringLiteral("MonoSub"), QStringLiteral("1"));
        QCOMPARE(holder->data(), other.homeScreenData());
        QCOMPARE(holder->data()->numbands() + holder->data()->property("monoSub").toString(), QStringLiteral("31"));
    }
    QVERIFY(!holder->data());

    // Setters from QML follow the same rule.
    m.setHighVisible(true);
    m.setStereoInput(true);
    QVERIFY(log.names.isEmpty());
    m.setStereoInput(false);
    QCOMPARE(log.names, (QStringList{"stereoInput"}));

    // The listing of the running preset sets the input and dual mono.
    m.setStereoInput(true);
    log.names.clear();
    QSignalSpy dual(&m, &TarnHomeScreenModel::isDualMonoChanged);
    const QString path = QStringLiteral("\\\\Preset\\");
    // In order on one model: neither mixer leaves the input as it was; with both, stereo wins;
    // names compare whole and case-sensitively with the listing's " : "; either one-sided
    // graphic EQ makes the screen dual mono.
    const struct {
        QStringList listing;
        bool stereo, dualMono;
    } listings[] = {
        {{"MonoMixer : ", "GEQ : "}, false, false},
        {{"GEQ : ", "Compressor : "}, false, false},
        {{"MonoMixer : ", "StereoMixer : "}, true, false},
        {{"Crossover : "}, true, false},
        {{"MonoMixer", "MonoMixer :", "monomixer : ", " MonoMixer : "}, true, false},
        {{"StereoMixer : ", "LeftGEQ : "}, true, true},
        {{"RightGEQ : "}, true, true},
        {{"GEQ : "}, true, false},
        {{}, true, false},
        {{"LeftGEQ"}, true, false},
    };
    for (const auto &s : listings) {
        m.onPoReceived(s.listing, path);
        QCOMPARE(m.stereoInput(), s.stereo);
        QCOMPARE(m.isDualMono(), s.dualMono);
    }
    QCOMPARE(m.processingObjects(), QStringList{"LeftGEQ"});
    QCOMPARE(log.names, (QStringList{"stereoInput", "stereoInput"}));
    QVERIFY(dual.count() >= 10);

    // Every listing announces dual mono, false first, even when nothing changes; the setter
    // itself only announces changes.
    auto announced = [&](const QStringList &listing) {
        dual.clear();
        m.onPoReceived(listing, path);
        QList<bool> values;
        for (const QList<QVariant> &a : dual)
            values << a.at(0).toBool();
        return values;
    };
    QCOMPARE(announced({"StereoMixer : "}), QList<bool>{false});
    QCOMPARE(announced({"LeftGEQ : ", "RightGEQ : "}), (QList<bool>{false, true}));
    QCOMPARE(announced({"RightGEQ : "}), (QList<bool>{false, true}));
    dual.clear();
    m.setIsDualMono(true);
    QCOMPARE(dual.count(), 0);
    m.setIsDualMono(false);
    QCOMPARE(dual.count(), 1);
}


// Each new home screen subscribes to the two crossover attributes and lists the preset, and
// draws from the answers.
void TstHomeScreenModel::answersFromTheWire()
{
    ScriptedPeer peer;
    QVERIFY(login(peer.port(), "secret"));
    const QList<QByteArray> expected{"sub \"\\\\Preset\\Crossover\\AT\\NumBands\\\"",
                                     "sub \"\\\\Preset\\Crossover\\AT\\MonoSub\\\"", "ls \"\\\\Preset\\\""};
    for (int round = 0; round < 2; ++round) {
        peer.clearLines();
        TarnHomeScreenModel m;
        QTRY_COMPARE_WITH_TIMEOUT(peer.lines().size(), 3, kWait);
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(peer.lines().at(i).text, expected.at(i));
        if (round == 0)
            continue;
        QSignalSpy dual(&m, &TarnHomeScreenModel::isDualMonoChanged);
        peer.send("subr \"\\\\Preset\\Crossover\\AT\\NumBands\" \"2\"\n"
                  "subr \"\\\\Preset\\Crossover\\AT\\MonoSub\" \"1\"\n"
                  "ls \"\\\\Preset\\\"\n\tMonoMixer : \n\tLeftGEQ : \n\tRightGEQ : \n\tCrossover : \nendls\n");
        QTRY_COMPARE_WITH_TIMEOUT(dual.count(), 2, kWait);
        // The flags, then stereo input and dual mono.
        QCOMPARE(flagsOf(m) << m.stereoInput() << m.isDualMono(), (Flags{true, true, true, false, true, true, false, true}));
        QCOMPARE(m.processingObjects().size(), 4);
    }

    // The data store subscribes the processor's status and follows its busy reports.
    peer.clearLines();
    AppDataStore store;
    QSignalSpy spy(&store, &AppDataStore::deviceBusyStateChanged);
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("sub \"" + kStatusPath + "\\\""), kWait);
    QVERIFY(!store.deviceBusy());

    // Busy while a load or a reconfiguration runs; another node value does not reach the store.
    const struct {
        QByteArray lines;
        bool busy;
    } steps[] = {{statusLine("Load:4:InProgress"), true},
                 {"subr \"\\\\Node\\Config\\SV\\Result\" \"Load:1:Done\"\n" + statusLine("Reconfig:Done"), false},
                 {statusLine("Load:2:InProgress"), true}};
    for (const auto &step : steps) {
        const int before = spy.count();
        peer.send(step.lines);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), before + 1, kWait);
        QCOMPARE(spy.last().at(0).toBool(), step.busy);
        QCOMPARE(store.deviceBusy(), step.busy);
    }

    // While reports are suppressed the store is idle and unsubscribed; listening again resumes.
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

// Busy while a preset load or a reconfiguration runs, by the status text's exact words.
void TstHomeScreenModel::busyTexts()
{
    const std::pair<const char *, bool> texts[] = {
        {"Load:3:InProgress", true},   {"Reconfig:InProgress", true}, {"Reconfig:Stage 2 of 4:InProgress", true},
        {"Reconfig:Failed", false},    {"InProgress", false},         {"Store:2:InProgress", false},
        {"reconfig:InProgress", false}, {"Load:1:InProgress ", false}, {"", false}};
    for (const auto &[status, busy] : texts) {
        QCOMPARE(AppDataStore::isBusyStatus(QLatin1String(status)), busy);
        AppDataStore store;
        QSignalSpy spy(&store, &AppDataStore::deviceBusyStateChanged);
        store.onStatusValueChanged(QLatin1String(status));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), busy);
    }
}


// Every parameter whose nudge step depends on the value has ranges that ascend and touch,
// numbered 0 ... n-1; unknown names and other spellings give an empty list.
void TstHomeScreenModel::shippedRangeData()
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

// A document that is missing, not an object, cut short or too big leaves the data as it was; a
// parameter whose ranges are no array has none.
void TstHomeScreenModel::rangeDataFiles()
{
    const struct {
        QByteArray document; // null: no file at all
        QString q;           // EQ/Q afterwards; null: as before
    } rows[] = {
        {R"({"EQ":{"Q":[{"range":"0","low":0.1,"high":1}]}})", R"([{"high":1,"low":0.1,"range":"0"}])"},
        {R"({"EQ":{"Q":{"not":"an array"}}})", "[]"}, {"{}", "[]"}, {"[1,2]", QString()}, {R"({"EQ":{"Q":[)", QString()},
        {"", QString()}, {"{} x", QString()}, {QByteArray(), QString()},
        {"{\"EQ\":{\"Q\":[]}}" + QByteArray(AppDataStore::kMaxRangeDataBytes, ' '), QString()},
    };
    for (const auto &row : rows) {
        AppDataStore store;
        const QString before = store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q"));
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("ranges.json")));
        QVERIFY(row.document.isNull() || (file.open(QIODevice::WriteOnly) && file.write(row.document) == row.document.size()));
        file.close();
        QVERIFY2(store.loadRangeData(file.fileName()) == !row.q.isNull(), row.document.left(40).constData());
        QCOMPARE(store.getJsonArray(QStringLiteral("EQ"), QStringLiteral("Q")), row.q.isNull() ? before : row.q);
    }
}

// The store's name tables: inputs by index, output names as set, limiter lists as the processor sends them.
void TstHomeScreenModel::namesAndLimiterList()
{
    AppDataStore store;
    const QStringList inputs{"Analog 1", "Analog 2", "Analog 3", "AES 1", "AES 2", "AES 3", "AES 4"};
    for (int i = 0; i < inputs.size(); ++i) {
        QCOMPARE(store.inputNameFromIdx(QStringLiteral("In%1").arg(i + 1)), inputs.at(i));
        QCOMPARE(store.inputNameFromIdx(QString::number(i + 1)), inputs.at(i));
    }
    for (const QString &none : {QStringLiteral("In8"), QStringLiteral("0"), QString()})
        QCOMPARE(store.inputNameFromIdx(none), QString());

    // A channel text names its outputs or inputs; anything else names none (each read after "out 01").
    const std::pair<const char *, const char *> channels[] = {
        {"out 24", "Output 3,4,5,6"}, {"out 01", "Output 1"}, {"out 06", "Output 1,2,3,4,5,6"}, {"mid 12", "Output 2,3"},
        {"in 02", "Input A,B"},       {"in 24", ""},          {"", ""},                     {"out  24", ""}};
    for (const auto &[text, name] : channels) {
        store.setChannelName(QStringLiteral("out 01"));
        store.setChannelName(QLatin1String(text));
        QCOMPARE(store.channelName(), QLatin1String(name));
    }

    store.setOutputName(QStringLiteral("out:1"), QStringLiteral("Main Left"));
    store.setOutputName(QStringLiteral("out:1"), QStringLiteral("Sub"));
    QCOMPARE(store.getOutputName(QStringLiteral("out:1")), QStringLiteral("Sub"));
    QCOMPARE(store.getOutputName(QStringLiteral("out:3")), QString());

    auto listed = [&store]() {
        QStringList names;
        for (int i = -1; i <= store.limiterCount(); ++i)
            names << store.getLimiterAt(i);
        return names;
    };
    // In turn on one store: a new list replaces the old one whole; blanks inside names are kept,
    // only the quotes and the brackets go. Each listing starts and ends with the empty names
    // read before the first and after the last.
    const struct {
        QString text;
        QStringList names;
    } rows[] = {
        {R"(["Low Outputs Limiter","Mid Outputs Limiter","High Outputs Limiter"])",
         {"", "Low Outputs Limiter", "Mid Outputs Limiter", "High Outputs Limiter", ""}},
        {R"(["Out_Limiter1"])", {"", "Out_Limiter1", ""}},
        {R"([ "A", "B"])", {"", " A", " B", ""}},
        {"[]", {"", ""}}, {"[\"\"]", {"", ""}}, {"[", {"", ""}}, {QString(), {"", ""}},
    };
    for (const auto &row : rows) {
        store.setLimiterList(row.text);
        QCOMPARE(listed(), row.names);
    }

    // Bounded: at most kMaxLimiters names; an over-long text is cut, not refused: what fits is kept.
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names.append(QStringLiteral("\"L%1\"").arg(i));
    store.setLimiterList(QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']'));
    QCOMPARE(store.limiterCount(), AppDataStore::kMaxLimiters);
    QCOMPARE(listed().mid(AppDataStore::kMaxLimiters), QStringList({QStringLiteral("L%1").arg(AppDataStore::kMaxLimiters - 1), ""}));
    QCOMPARE(store.getLimiterAt(199), QString());
    store.setLimiterList(QStringLiteral("[\"") + QString(AppDataStore::kMaxLimiterListLength * 2, QLatin1Char('x')) + QStringLiteral("\"]"));
    QCOMPARE(store.limiterCount(), 1);
    QVERIFY(store.getLimiterAt(0).size() < AppDataStore::kMaxLimiterListLength);
}

void TstHomeScreenModel::sourceForms()
{
    const QString expected = QStringLiteral(":/xml/GateControlDescriptor.xml");
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("/xml/GateControlDescriptor.xml")), expected);
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("qrc:/xml/GateControlDescriptor.xml")), expected);
    QCOMPARE(tarn::home::descriptorFilePath(expected), expected);
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("file:///tmp/x.xml")), QStringLiteral("/tmp/x.xml"));
    // A path that is no resource stays a file path.
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("/tmp/none.xml")), QStringLiteral("/tmp/none.xml"));

    for (const QString &source : {QStringLiteral("/xml/GateControlDescriptor.xml"), QStringLiteral("qrc:/xml/GateControlDescriptor.xml")}) {
        ControlDescriptor d;
        d.setSource(source);
        QVERIFY(d.valid());
        QCOMPARE(d.poName(), QStringLiteral("Gate"));
    }

    // A missing document is an error; a good source afterwards replaces the failure.
    ControlDescriptor d;
    d.setSource(QStringLiteral("/xml/NoSuchControlDescriptor.xml"));
    QVERIFY(!d.valid() && d.controls().isEmpty() && d.poName().isEmpty());
    QVERIFY(d.errorString().contains(QStringLiteral("NoSuchControlDescriptor")));
    d.setSource(QStringLiteral("/xml/SigGenControlDescriptor.xml"));
    QVERIFY(d.valid() && d.errorString().isEmpty());
    QCOMPARE(d.poName(), QStringLiteral("SignalGenerator"));
}

// The lookups and band variants the block screens use, on shipped documents.
void TstHomeScreenModel::lookups()
{
    ControlDescriptor d;
    d.setSource(QStringLiteral("/xml/CompressorControlDescriptor.xml"));
    QCOMPARE(d.rangeClass(), QStringLiteral("Compressor"));
    QCOMPARE(d.controlsOfKind(QStringLiteral("toggle")).size(), 1);
    const QVariantMap ratio = d.controlWithRole(QStringLiteral("ratio"));
    QCOMPARE(ratio.value(QStringLiteral("sv")).toString(), QStringLiteral("Ratio"));
    QCOMPARE(ratio.value(QStringLiteral("rangeClass")).toString(), QStringLiteral("Compressor"));
    QCOMPARE(d.groups(), (QStringList{"Detector", "Timing"}));
    QCOMPARE(d.controlsInGroup(QStringLiteral("Timing")).size(), 3);
    QVERIFY(d.control(QStringLiteral("Nothing")).isEmpty());

    // (Mixer variants and the meters' groups show on the mixer and meters screens in their suites.)
    // Band variants follow their setting (once no variant is asked for explicitly).
    d.setSource(QStringLiteral("/xml/LimiterControlDescriptor.xml"));
    QCOMPARE(d.variantSetting(), QString::fromLatin1(tarn::keys::LimiterType));
    QCOMPARE(d.variants(), (QStringList{"Low", "Mid", "High"}));
    // No setting yet: the default band.
    QCOMPARE(d.currentVariant(), QStringLiteral("High"));
    QCOMPARE(d.poName(), QStringLiteral("High Outputs Limiter"));

    // The setting in any case, or the processing object's own name; an unknown word falls back
    // to the default.
    auto fromSetting = [&d](const char *setting) {
        TarnSettings::write(QString::fromLatin1(tarn::keys::LimiterType), QLatin1String(setting));
        d.reload();
        return d.currentVariant();
    };
    QCOMPARE(fromSetting("mid"), QStringLiteral("Mid"));
    QCOMPARE(fromSetting("Sideways"), QStringLiteral("High"));
    QCOMPARE(fromSetting("Low Outputs Limiter"), QStringLiteral("Low"));
    QCOMPARE(d.poName(), QStringLiteral("Low Outputs Limiter"));
    QCOMPARE(d.variantLabel(), QStringLiteral("Low Outputs"));
    for (const QVariant &c : d.controls())
        QCOMPARE(c.toMap().value(QStringLiteral("po")).toString(), QStringLiteral("Low Outputs Limiter"));

    // An explicit variant wins over the setting; an unknown one falls back to the default, not
    // to the setting; none gives the setting's again.
    ControlDescriptor e;
    QSignalSpy loaded(&e, &ControlDescriptor::loaded);
    e.setVariant(QStringLiteral("Mid"));
    e.setSource(QStringLiteral("/xml/LimiterControlDescriptor.xml"));
    QCOMPARE(e.poName(), QStringLiteral("Mid Outputs Limiter"));
    e.setVariant(QStringLiteral("Nope"));
    QCOMPARE(e.currentVariant(), QStringLiteral("High"));
    e.setVariant(QString());
    QCOMPARE(e.currentVariant(), QStringLiteral("Low"));
    QVERIFY(loaded.count() >= 3);
}


// Every shipped document loads; every control of every variant names a variable the offline model
// serves; a numeric control whose block class has range data for its parameter gets per-range steps
// that cover its limits (the others must be absent from the range data, so that the single step applies).
void TstHomeScreenModel::shippedDescriptors()
{
    tarn::offline::Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json"), &error), qPrintable(error));
    AppDataStore store;
    int withRanges = 0;
    for (const QString &file : kShipped) {
        ControlDescriptor d;
        QSignalSpy loaded(&d, &ControlDescriptor::loaded);
        d.setSource(QStringLiteral("/xml/") + file);
        QCOMPARE(loaded.count(), 1);
        QVERIFY2(d.valid() && d.errorString().isEmpty(), qPrintable(file + d.errorString()));
        QVERIFY(!d.screen().isEmpty() && !d.title().isEmpty() && !d.controls().isEmpty());
        for (const QString &variant : d.variants().isEmpty() ? QStringList{QString()} : d.variants()) {
            d.setVariant(variant);
            if (!variant.isEmpty()) // every variant resolves
                QVERIFY(d.currentVariant() == variant && !d.poName().isEmpty());
            for (const QVariant &c : d.controls()) {
                const QVariantMap map = c.toMap();
                const QString what = file + QLatin1Char(' ') + map.value("po").toString() + QLatin1Char('/') + map.value("sv").toString();
                QVERIFY2(!map.value("label").toString().isEmpty(), qPrintable(what));
                QVERIFY2(catalogue.indexOf("Preset\\" + map.value("po").toString() + "\\SV\\" + map.value("sv").toString()) >= 0,
                         qPrintable(what + QStringLiteral(" is not served")));
                // A meter scale has one mark more than it has segments, and the segments fill the meter.
                const QVariantList lengths = map.value(QStringLiteral("lengths")).toList();
                double total = 0;
                for (const QVariant &l : lengths)
                    total += l.toDouble();
                QVERIFY2(lengths.isEmpty() || (map.value("scale").toList().size() == lengths.size() + 1 && total == 100.0), qPrintable(what));
                if (map.value(QStringLiteral("kind")) == QLatin1String("spectrum"))
                    QCOMPARE(map.value(QStringLiteral("bandLabels")).toStringList().size(), map.value(QStringLiteral("bands")).toInt());
                const QString ranges = store.getJsonArray(map.value("rangeClass").toString(), map.value("nudgeClass").toString());
                if (map.value("kind") != QLatin1String("number") || ranges == QLatin1String("[]"))
                    continue;
                ++withRanges;
                double low = 1e300;
                double high = -1e300;
                for (const QJsonValue &e : QJsonDocument::fromJson(ranges.toUtf8()).array()) {
                    low = qMin(low, e.toObject().value(QStringLiteral("low")).toDouble());
                    high = qMax(high, e.toObject().value(QStringLiteral("high")).toDouble());
                }
                QVERIFY2(low <= map.value("min").toDouble() && high >= map.value("max").toDouble(), qPrintable(what));
            }
        }
    }
    QVERIFY(withRanges >= 15);
}

void TstHomeScreenModel::rejected_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("fault");
    QTest::newRow("not XML") << QByteArray("control descriptor") << "";
    QTest::newRow("wrong root") << QByteArray("<Descriptor screen=\"S\"/>") << "<ControlDescriptor>";
    QTest::newRow("no screen") << QByteArray("<ControlDescriptor po=\"P\"/>") << "screen";
    QTest::newRow("unclosed") << QByteArray("<ControlDescriptor screen=\"S\" po=\"P\"><Control kind=\"toggle\" sv=\"X\">") << "";
    QTest::newRow("unknown kind") << wrap(R"(<Control kind="knob" sv="X"/>)") << "knob";
    QTest::newRow("no sv") << wrap(R"(<Control kind="number"/>)") << "sv";
    QTest::newRow("blank sv") << wrap(R"(<Control kind="number" sv="  "/>)") << "empty";
    QTest::newRow("bad number") << wrap(R"(<Control kind="number" sv="X" min="low"/>)") << "min";
    QTest::newRow("infinite number") << wrap(R"(<Control kind="number" sv="X" max="inf"/>)") << "max";
    QTest::newRow("min above max") << wrap(R"(<Control kind="number" sv="X" min="5" max="1"/>)") << "min is not below max";
    QTest::newRow("bad flag") << wrap(R"(<Control kind="number" sv="X" slider="yes"/>)") << "slider";
    QTest::newRow("scale without lengths") << wrap(R"(<Control kind="meter" sv="X" scale="-40,0"/>)") << "scale";
    QTest::newRow("scale descending") << wrap(R"(<Control kind="meter" sv="X" scale="0,-40" lengths="100"/>)") << "ascend";
    QTest::newRow("spectrum without bands") << wrap(R"(<Control kind="spectrum" sv="X"/>)") << "bands";
    QTest::newRow("spectrum label count") << wrap(R"(<Control kind="spectrum" sv="X" bands="3" bandLabels="a,b"/>)") << "band labels";
    QTest::newRow("band labels on a meter") << wrap(R"(<Control kind="meter" sv="X" bandLabels="a,b"/>)") << "spectrum";
    QTest::newRow("spectrum too many bands") << wrap(R"(<Control kind="spectrum" sv="X" bands="100000"/>)") << "bands";
    QTest::newRow("unknown element") << wrap(R"(<Knob sv="X"/>)") << "Knob";
    QTest::newRow("no processing object") << wrap(R"(<Control kind="toggle" sv="X"/>)", R"(screen="S")") << "processing object";
    QTest::newRow("undeclared variant") << wrap(R"(<Control kind="toggle" sv="X" variants="Left"/>)") << "Left";
    QTest::newRow("default not declared")
        << wrap(R"(<Variant name="A" po="PA"/><Control kind="toggle" sv="X"/>)", R"(screen="S" defaultVariant="B")") << "B";
    QTest::newRow("variant named twice")
        << wrap(R"(<Variant name="A" po="PA"/><Variant name="A" po="PB"/>)", R"(screen="S")") << "twice";
    QTest::newRow("variant without po") << wrap(R"(<Variant name="A"/>)", R"(screen="S")") << "po";
    QTest::newRow("setting without variants") << wrap(R"(<Control kind="toggle" sv="X"/>)", R"(screen="S" po="P" variantSetting="Data/X")")
                                              << "variant setting";
    QTest::newRow("two roots") << QByteArray(R"(<ControlDescriptor screen="S" po="P"/><ControlDescriptor screen="T" po="P"/>)") << "";
    QTest::newRow("document type")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>\n"
                      "<ControlDescriptor screen=\"&b;\" po=\"P\"/>")
        << "document type";
    QTest::newRow("long attribute") << wrap("<Control kind=\"toggle\" sv=\"" + QByteArray(600, 'x') + "\"/>") << "longer than";
    QTest::newRow("too big") << wrap(QByteArray(tarn::home::kMaxDescriptorBytes, ' ')) << "larger than";
    QByteArray many;
    for (int i = 0; i <= tarn::home::kMaxDescriptorControls; ++i)
        many += "<Control kind=\"toggle\" sv=\"X" + QByteArray::number(i) + "\"/>\n";
    QTest::newRow("too many controls") << wrap(many) << "more than";
}

void TstHomeScreenModel::rejected()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, fault);
    DescriptorDocument document;
    document.screen = QStringLiteral("kept");
    QString error;
    QVERIFY(!tarn::home::parseControlDescriptor(xml, &document, &error));
    QVERIFY(!error.isEmpty());
    if (!fault.isEmpty())
        QVERIFY2(error.contains(fault), qPrintable(error));
    QCOMPARE(document.screen, QStringLiteral("kept"));
}


// One row per kind of key (the home screen suite checks more labels, mutes and captions on the
// blocks themselves): class names, muted variants, grid-qualified captions, keys not in the tables.
void TstHomeScreenModel::resolverLookups_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString h = QStringLiteral("/images/Home/");
    QTest::newRow("icon of a class") << "icon" << "norvQuarraFixedRouter" << h + "ICN_Mixer.png";
    QTest::newRow("icon of a crossover layout") << "icon" << "1x1" << h + "ICN_Crossover.png";
    QTest::newRow("icon of a band") << "icon" << "EQ14" << "/images/ButtonBG14.png";
    QTest::newRow("icon of the sub band") << "icon" << "EQSub" << "/images/ButtonBGS.png";
    QTest::newRow("no icon past the bands") << "icon" << "EQ15" << QString();
    QTest::newRow("icon, case matters") << "icon" << "mix" << QString();
    QTest::newRow("muted output") << "icon" << "OUP:Off" << h + "ICN_OutputMute.png";
    QTest::newRow("no muted input router") << "icon" << "norvQuarraInputRouter:Off" << QString();
    QTest::newRow("no muted compressor") << "icon" << "CMP:Off" << QString();
    QTest::newRow("caption mid") << "caption" << "mid:DLY" << "Fill Delay";
    QTest::newRow("caption out") << "caption" << "out:DLY" << "Alignment Delay";
    QTest::newRow("caption misspelt as shipped") << "caption" << "mid:SUB" << "Sub harmoinc Synth";
    QTest::newRow("caption of a crossover class") << "caption" << "out:CadenzoCrossover" << "Crossover";
    QTest::newRow("caption of an empty label") << "caption" << "mid:" << " ";
    QTest::newRow("no caption past the outputs") << "caption" << "out:7" << QString();
    QTest::newRow("no caption in the wrong grid") << "caption" << "in:LMT" << QString();
    QTest::newRow("no caption unqualified") << "caption" << "PEQ" << QString();
    QTest::newRow("toggle") << "toggle" << "SUB" << "SubharmonicSynth";
    QTest::newRow("no toggle for mixers") << "toggle" << "MIX" << QString();
    QTest::newRow("no toggle qualified") << "toggle" << "out:DLY" << QString();
    QTest::newRow("colour") << "color" << "norvQuarraOutput" << "#222222";
    QTest::newRow("no colour from the toggle table") << "color" << "CMP" << QString();
    QTest::newRow("text colour") << "txtColor" << "CadenzoMixer" << "white";
    QTest::newRow("no text colour") << "txtColor" << "DLY" << QString();
}

void TstHomeScreenModel::resolverLookups()
{
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    ButtonImageResolver r;
    const QString found = table == "icon" ? r.imagePath(key)
        : table == "caption"              ? r.buttonText(key)
        : table == "toggle"               ? r.toggleSVName(key)
        : table == "color"                ? r.color(key)
                                          : r.txtColor(key);
    QCOMPARE(found, expected);
}

// A block's output name and input route, read from its description only where they are texts.
void TstHomeScreenModel::attributes()
{
    // Bounded: read up to the limit; deep nesting is refused by the parser, not the stack.
    const QString main = QStringLiteral(R"({"Attributes":{"OutputName":"Main"}})");
    const int limit = ButtonImageResolver::kMaxDescriptionLength;
    const struct {
        QString description, outputAndRoute;
    } rows[] = {
        {R"({"ClassName":"norvQuarraOutput","Attributes":{"OutputName":"Sub Left","RouteMix":"A+B"}})", "Sub Left|A+B"},
        {R"({"Attributes":{"RouteMix":"In3"}})", "|In3"},
        {R"({"ClassName":"CadenzoPEQ"})", "|"},
        {R"({"Attributes":"OutputName"})", "|"},
        {R"({"Attributes":{"OutputName":{"x":1},"RouteMix":[1]}})", "|"},
        {R"([{"Attributes":{"OutputName":"Main"}}])", "|"},
        {"Output 1", "|"},
        {"", "|"},
        {QString::fromUtf8(R"({"Attributes":{"OutputName":"Bühne ♪"}})"), QString::fromUtf8("Bühne ♪|")},
        {main + QString(limit - main.size(), QLatin1Char(' ')), "Main|"},
        {main + QString(limit - main.size() + 1, QLatin1Char(' ')), "|"},
        {QString(5000, QLatin1Char('[')) + QString(5000, QLatin1Char(']')), "|"},
    };
    ButtonImageResolver r;
    for (const auto &row : rows)
        QCOMPARE(r.outputName(row.description) + QLatin1Char('|') + r.routerName(row.description), row.outputAndRoute);
}

TARN_TEST_MAIN(TstHomeScreenModel, QCoreApplication)
#include "tst_homemodels.moc"
