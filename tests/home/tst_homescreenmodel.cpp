// Guards against blocks drawn from the wrong cell of the configuration document, a document
// taken from damaged chunks, and edits or a refused reconfiguration that lose the working chain.
#include "configdataprovider.h"
#include "jsonconvert.h"
#include "platform.h"
#include "configdocumentfetcher.h"
#include "homescreenmodel.h"
#include "nodecommandchannel.h"
#include "quarrapeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QSignalSpy>

using tarn::home::ConfigDocumentFetcher;
using tarn::test::QuarraPeer;

namespace {
constexpr int kWait = 5000;

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
} // namespace

class TstHomeScreenModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cells_data();
    void cells();
    void defaultDocumentAddressesTheBuilderColumns();
    void inputRouter();
    void readyAndApplyAroundEdits();
    void provider();
    void chunkRules_data();
    void chunkRules();
    void documentFromTheProcessor();
    void refusedEditsKeepTheDocument();
    void applyAndTheProcessorsAnswer_data();
    void applyAndTheProcessorsAnswer();

private:
    bool login(QuarraPeer &processor);
    TCPAdaptor *m_adaptor = nullptr;
};

void TstHomeScreenModel::initTestCase()
{
    m_adaptor = TCPAdaptor::instance();
    write(tarn::keys::CurrentDeviceAddress, QStringLiteral("127.0.0.1"));
    write(tarn::keys::CurrentDevicePassword, QStringLiteral("stagemanagers"));
}

void TstHomeScreenModel::cleanup()
{
    if (m_adaptor->isConnected()) {
        m_adaptor->doDisconnect();
        QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isConnected(), kWait);
    }
}

bool TstHomeScreenModel::login(QuarraPeer &processor)
{
    qputenv("TARN_DEVICE_PORT", QByteArray::number(processor.peer.port()));
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    m_adaptor->doConnect();
    return ready.wait(kWait);
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
    if (!expected.isEmpty()) {
        QCOMPARE(data.value(QStringLiteral("POName")).toString(), expected.value(QStringLiteral("name")).toString());
        QCOMPARE(data.value(QStringLiteral("type")).toString(), expected.value(QStringLiteral("type")).toString());
        QCOMPARE(data.value(QStringLiteral("ClassName")).toString(), expected.value(QStringLiteral("className")).toString());
    }
    // Not ready: the screen is told nothing, even for a cell it read before.
    model.setReady(false);
    QVERIFY(model.cellInfo(grid, column, row).isEmpty());
}

void TstHomeScreenModel::defaultDocumentAddressesTheBuilderColumns()
{
    HomeScreenModel model;
    QVERIFY(model.reconfigurator().loadTemplates());
    model.enteringConfigMode();
    QVERIFY(model.ready());
    QCOMPARE(model.gridNames(), QStringList({"in", "mid", "out", "rta"}));
    // Every block of the three chain grids names the builder column its edits go to.
    int blocks = 0;
    for (const QString &grid : {QStringLiteral("in"), QStringLiteral("mid"), QStringLiteral("out")}) {
        const QVariantMap size = model.gridSize(grid);
        for (int c = 0; c < size.value("columns").toInt(); ++c) {
            for (int r = 0; r < size.value("rows").toInt(); ++r) {
                const QVariantMap cell = model.cellInfo(grid, c, r);
                if (cell.isEmpty())
                    continue;
                ++blocks;
                const int column = cell.value(QStringLiteral("column")).toInt();
                const QString name = model.reconfigurator().columnName(column);
                QVERIFY2(name.startsWith(QStringLiteral("Column_") + (grid == "in" ? "In" : grid == "mid" ? "Mid" : "Out"))
                             || (grid == "in" && name == "Column_InputRouter") || (grid == "out" && name == "Column_Output"),
                         qPrintable(grid + " " + QString::number(c) + " -> " + name));
            }
        }
    }
    QCOMPARE(blocks, 1 + 3 * 4 + 6 * 3 + 6 * 2 + 2 + 6 * 3);
    QCOMPARE(model.cellInfo("mid", 0, 5).value("name").toString(), QStringLiteral("Mid_Mixer6"));
    QCOMPARE(model.cellInfo("out", 2, 0).value("channelSpan").toInt(), 6);
    QCOMPARE(model.objectsOfType(QStringLiteral("Limiter")).size(), 6);
    QVERIFY(model.limiterList().startsWith(QStringLiteral("[\"Limiter1\",\"Limiter2\"")));
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
    QCOMPARE(model.getInputRouterSourceName(4), QStringLiteral("AES1"));
    QCOMPARE(model.getInputRouterSourceName(8), QString());
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
    QCOMPARE(model.getInputRouterSourceName(1), QStringLiteral("Input A"));
    QCOMPARE(model.inputRouterGetSourceNameForSourceID(1), QStringLiteral("Input B"));
    QCOMPARE(model.getInputRouterSourceNameForCardName(QStringLiteral("Analog3")), QStringLiteral("Analog3"));
    QCOMPARE(model.recommendedInputNames().size(), 46);
}

void TstHomeScreenModel::readyAndApplyAroundEdits()
{
    QByteArray document;
    {
        HomeScreenModel builder;
        builder.enteringConfigMode();
        QVERIFY(builder.enCfgApply()); // the default is an edit of a processor without configuration
        document = QJsonDocument(builder.workingConfiguration()).toJson();
    }
    HomeScreenModel model;
    load(model, document);
    QVERIFY(!model.enCfgApply());
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
    QSignalSpy sent(m_adaptor, &TCPAdaptor::sendMessage);
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
    QCOMPARE(p.value(QStringLiteral("Attributes/NumMainCabinets")), QStringLiteral("2"));
    QCOMPARE(p.value(QStringLiteral("/Attributes//Ratio")), QStringLiteral("0.333333"));
    QCOMPARE(p.value(QStringLiteral("POName")), QStringLiteral("Crossover3"));
    QCOMPARE(p.value(QStringLiteral("Missing/Format")), QString());
    QCOMPARE(p.value(QString()), QString());
    QVERIFY(p.value(QStringLiteral("Attributes")).contains(QStringLiteral("\"SubFormat\": 1")));
    QCOMPARE(p.crossoverTypeString(), QStringLiteral("22010"));
    QCOMPARE(p.mixerSVList().toStringList(), QStringList({"Input_1_Gain", "Input_1_Mute", "Input_2_Gain"}));
    QCOMPARE(p.poName(QStringLiteral("mid"), 2), QStringLiteral("MidDelay2"));
    QCOMPARE(p.poName(QStringLiteral("out"), 1), QStringLiteral("OutDelay1"));
    QCOMPARE(p.poName(QStringLiteral("in"), 1), QString());
    QCOMPARE(p.meterPO(QStringLiteral("MidRouter123")), QStringLiteral("InputMeters:MidMeters"));
    QCOMPARE(p.meterPO(QStringLiteral("MidRouter9")), QString());
    QCOMPARE(p.routerImage(QStringLiteral("Mid:A+B+C")).toString(), QStringLiteral("/images/MixerTypes/MidMixA+B+C_Large.png"));
    QVERIFY(p.routerImage(QStringLiteral("In:In8")).toString().isEmpty());

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
    QVERIFY(login(processor));
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
    {
        // Indented, the default document needs several chunks of the node command channel.
        HomeScreenModel builder;
        builder.enteringConfigMode();
        processor.document = QJsonDocument(builder.workingConfiguration()).toJson(QJsonDocument::Indented);
    }
    QVERIFY(processor.document.size() > 2 * processor.chunkBytes);
    write(tarn::keys::CurrentDeviceClass, QStringLiteral("norvCadenzoTarn"));

    HomeScreenModel model;
    QSignalSpy loaded(&model, &HomeScreenModel::documentLoaded);
    QVERIFY(login(processor));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kWait);
    QCOMPARE(model.platform(), QStringLiteral("Quarra"));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceClass)), QStringLiteral("norvCadenzoQuarra"));
    QVERIFY(model.ready());
    QCOMPARE(model.deviceIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(processor.documentRequests, int(processor.document.size() / processor.chunkBytes) + 1);
    QCOMPARE(model.cellInfo("in", 3, 2).value("name").toString(), QStringLiteral("PEQIn3"));

    // A second login whose document is damaged: the one on screen stays, the user is told.
    cleanup();
    processor.tamper = [](int offset, QJsonObject &r) {
        if (offset > 0)
            r.insert(QStringLiteral("size"), r.value(QStringLiteral("size")).toInt() + 1);
    };
    QSignalSpy error(&model, &HomeScreenModel::configErrorChanged);
    QVERIFY(login(processor));
    QTRY_COMPARE_WITH_TIMEOUT(error.count(), 1, kWait);
    QVERIFY(model.configError().contains(QStringLiteral("changed while it was being read")));
    QVERIFY(model.ready());
    QCOMPARE(model.cellInfo("in", 3, 2).value("name").toString(), QStringLiteral("PEQIn3"));

    // A fixed-chain processor is never asked for a document.
    cleanup();
    processor.className = "norvCadenzoTarn";
    processor.documentRequests = 0;
    QSignalSpy platform(&model, &HomeScreenModel::platformChanged);
    QVERIFY(login(processor));
    QTRY_COMPARE_WITH_TIMEOUT(platform.count(), 1, kWait);
    QCOMPARE(model.platform(), QStringLiteral("Tarn"));
    QCOMPARE(processor.documentRequests, 0);
}

void TstHomeScreenModel::refusedEditsKeepTheDocument()
{
    HomeScreenModel model;
    model.enteringConfigMode();
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

void TstHomeScreenModel::applyAndTheProcessorsAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("done") << int(QuarraPeer::Reconfig::Done);
    QTest::newRow("failed") << int(QuarraPeer::Reconfig::Failed);
    QTest::newRow("no answer") << int(QuarraPeer::Reconfig::Silent);
}

void TstHomeScreenModel::applyAndTheProcessorsAnswer()
{
    QFETCH(int, answer);
    QuarraPeer processor;
    processor.reconfig = QuarraPeer::Reconfig(answer);
    {
        HomeScreenModel builder;
        builder.enteringConfigMode();
        processor.document = QJsonDocument(builder.workingConfiguration()).toJson(QJsonDocument::Compact);
    }
    HomeScreenModel model;
    model.reconfigurator().setReconfigTimeout(300);
    QSignalSpy loaded(&model, &HomeScreenModel::documentLoaded);
    QVERIFY(login(processor));
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

    if (answer == int(QuarraPeer::Reconfig::Done)) {
        // The new chain's document is read and shown; configuration mode has ended.
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 2, kWait);
        QVERIFY(processor.documentRequests > requests);
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::IsConfigMode)), QStringLiteral("false"));
        QVERIFY(model.configError().isEmpty());
        return;
    }
    // Refused or unanswered: the processor's words, and the edits back in configuration mode.
    QCOMPARE(model.configError(), answer == int(QuarraPeer::Reconfig::Failed)
                                      ? processor.reconfigError
                                      : QStringLiteral("The processor did not report the end of the reconfiguration in time."));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::IsConfigMode)), QStringLiteral("true"));
    QVERIFY(model.enCfgApply());
    QCOMPARE(model.objectAttribute(QStringLiteral("Output3"), QStringLiteral("OutputName")), QStringLiteral("Front Fill"));
    QCOMPARE(processor.documentRequests, requests);
}

TARN_TEST_MAIN(TstHomeScreenModel, QCoreApplication)
#include "tst_homescreenmodel.moc"
