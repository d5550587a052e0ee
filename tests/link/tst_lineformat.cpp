#include "lineformat.h"
#include "testenv.h"

#include <QCoreApplication>

using namespace tarn::protocol;
using Kind = LineClassifier::Kind;

namespace {
DataFromDevice request(const QString &command, const QString &po, const QString &sv,
                       const QString &value = QString(), const QString &type = QString())
{
    DataFromDevice d;
    d.command = command;
    d.poName = po;
    d.svName = sv;
    d.value = value;
    d.valueType = type;
    return d;
}
} // namespace

class TstLineFormat : public QObject {
    Q_OBJECT
private slots:
    void requestLines_data();
    void requestLines();
    void loginAndNodeCommand();
    void valueLines_data();
    void valueLines();
    void listings();
    void greetingAndLogin();
};

void TstLineFormat::requestLines_data()
{
    QTest::addColumn<DataFromDevice>("req");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("sub") << request("sub", "Compressor", "Threshold")
                         << QByteArray("sub \"\\\\Preset\\Compressor\\SV\\Threshold\\\"\n");
    QTest::newRow("set") << request("set", "Compressor", "Threshold", "-10.0")
                         << QByteArray("set \"\\\\Preset\\Compressor\\SV\\Threshold\\\" \"-10.0\"\n");
    QTest::newRow("percent") << request("sub", "OutputMeters", "Channel_1_Level", QString(), "%")
                             << QByteArray("sub \"\\\\Preset\\OutputMeters\\SV\\Channel_1_Level\\%\"\n");
    QTest::newRow("other qualifier stays off the wire") << request("get", "Gate", "Threshold", QString(), "Min")
                                                        << QByteArray("get \"\\\\Preset\\Gate\\SV\\Threshold\\\"\n");
    QTest::newRow("presets") << request("get", "Presets", "Name_1")
                             << QByteArray("get \"\\\\Storage\\Presets\\SV\\Name_1\\\"\n");
    QTest::newRow("node") << request("get", "NPO", "Node\\SV\\DeviceName")
                          << QByteArray("get \"\\\\Node\\SV\\DeviceName\\\"\n");
    QTest::newRow("node attribute") << request("get", "NPO", "Node\\AT\\Class_Name")
                                    << QByteArray("get \"\\\\Node\\AT\\Class_Name\\\"\n");
    QTest::newRow("crossover attribute") << request("sub", "Crossover", "NumBands")
                                         << QByteArray("sub \"\\\\Preset\\Crossover\\AT\\NumBands\\\"\n");
    QTest::newRow("crossover SV") << request("sub", "Crossover", "Band_1_Frequency")
                                  << QByteArray("sub \"\\\\Preset\\Crossover\\SV\\Band_1_Frequency\\\"\n");
    QTest::newRow("pre-quoted value") << request("set", "Mid Outputs PEQ", "Band_1_Type", "\"Bell\"")
                                      << QByteArray("set \"\\\\Preset\\Mid Outputs PEQ\\SV\\Band_1_Type\\\" \"Bell\"\n");
    QTest::newRow("utf-8") << request("set", "NPO", "Node\\SV\\DeviceName", "Bühne")
                           << QString("set \"\\\\Node\\SV\\DeviceName\\\" \"Bühne\"\n").toUtf8();
    QTest::newRow("no po") << request("sub", "", "Threshold") << QByteArray();
    QTest::newRow("no sv") << request("sub", "Compressor", "") << QByteArray();
}

void TstLineFormat::requestLines()
{
    QFETCH(DataFromDevice, req);
    QFETCH(QByteArray, line);
    QCOMPARE(formatRequest(req), line);
}

void TstLineFormat::loginAndNodeCommand()
{
    QCOMPARE(formatLogin("stagemanagers"), QByteArray("connect administrator \"stagemanagers\"\n"));
    QCOMPARE(formatLogin(QString()), QByteArray("connect administrator \"\"\n"));
    QCOMPARE(formatNodeCommand(R"({"method": "GetInputRouterSourceNames", "params": [], "id": "fwID_getInputRouterSourceNames"})"),
             QByteArray("set \"\\\\Node\\Config\\SV\\Command\" \"{`method`: `GetInputRouterSourceNames`, "
                        "`params`: [], `id`: `fwID_getInputRouterSourceNames`}\"\n"));
}

void TstLineFormat::valueLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("po");
    QTest::addColumn<QString>("sv");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("command");
    QTest::newRow("subr") << R"(subr "\\Preset\Compressor\SV\Threshold" "-10.0")" << "Compressor" << "Threshold" << "" << "-10.0" << "subr";
    QTest::newRow("percent") << R"(get "\\Preset\OutputMeters\SV\Channel_1_Level\%" "42")" << "OutputMeters" << "Channel_1_Level" << "%" << "42" << "get";
    QTest::newRow("node") << R"(subr "\\Node\SV\DeviceName" "Stage left")" << "NPO" << "Node\\SV\\DeviceName" << "" << "Stage left" << "subr";
    QTest::newRow("node percent") << R"(subr "\\Node\Wizard\SV\Level\%" "50")" << "NPO" << "Node\\Wizard\\SV\\Level" << "%" << "50" << "subr";
    QTest::newRow("node five") << R"(get "\\Node\Wizard\SV\WizardGenericAmpLevel\Min" "-20")" << "NPO"
                               << "Node\\Wizard\\SV\\WizardGenericAmpLevel\\Min" << "Min" << "-20" << "get";
    QTest::newRow("node status") << R"(subr "\\Node\Config\SV\Command:Status" "Load:1:InProgress")" << "NPO"
                                 << "Node\\Config\\SV\\Command:Status" << "" << "Load:1:InProgress" << "subr";
    QTest::newRow("blanks in names") << R"(setr "\\Preset\Mid Outputs PEQ\SV\Band_1_Gain" "3.0dB")" << "Mid Outputs PEQ" << "Band_1_Gain" << "" << "3.0dB" << "setr";
    QTest::newRow("no value") << R"(unsubr "\\Preset\Gate\SV\Threshold")" << "Gate" << "Threshold" << "" << "" << "unsubr";
    QTest::newRow("short path") << R"(subr "\\Preset\Gate\SV" "1")" << "" << "" << "" << "1" << "subr";
    QTest::newRow("storage") << R"(get "\\Storage\Presets\SV\Name_1" "Show A")" << "Presets" << "Name_1" << "" << "Show A" << "get";
    QTest::newRow("word with blanks") << R"( asyncget  "\\Preset\RTA\SV\Band_1" "-40")" << "RTA" << "Band_1" << "" << "-40" << "asyncget";
}

void TstLineFormat::valueLines()
{
    QFETCH(QString, line);
    LineClassifier c;
    QCOMPARE(c.classify(line), Kind::Value);
    QTEST(c.record().poName, "po");
    QTEST(c.record().svName, "sv");
    QTEST(c.record().valueType, "type");
    QTEST(c.record().value, "value");
    QTEST(c.record().command, "command");
}

void TstLineFormat::listings()
{
    LineClassifier c;
    QCOMPARE(c.classify(R"(lc "\\Preset\Gate\SV\Mode\EN")"), Kind::ListingOpened);
    QCOMPARE(c.classify("\tOff"), Kind::ListingItem);
    QCOMPARE(c.classify("\t  Hard Knee  "), Kind::ListingItem);
    QCOMPARE(c.classify(R"(subr "\\Preset\Gate\SV\Threshold" "-3")"), Kind::Dropped); // lost inside a listing
    QCOMPARE(c.classify("endls"), Kind::Dropped);
    QCOMPARE(c.classify("endlc"), Kind::Choices);
    QCOMPARE(c.path(), QStringLiteral("\\\\Preset\\Gate\\SV\\Mode\\EN"));
    QCOMPARE(c.items(), QStringList({"Off", "  Hard Knee  "}));

    QCOMPARE(c.classify(R"(ls "\\Preset\")"), Kind::ListingOpened);
    QCOMPARE(c.classify("\tCompressor : "), Kind::ListingItem);
    QCOMPARE(c.classify("endls"), Kind::Children);
    QCOMPARE(c.items(), QStringList({"Compressor : "}));
    QCOMPARE(c.classify("Corvex Console"), Kind::Greeting);
    QVERIFY(c.items().isEmpty()); // delivered listings are cleared

    // A header without a path opens a listing with an empty path; reset() closes it.
    QCOMPARE(c.classify("lc"), Kind::ListingOpened);
    QCOMPARE(c.classify("Corvex Console"), Kind::Dropped);
    c.reset();
    QCOMPARE(c.classify("Corvex Console"), Kind::Greeting);
}

void TstLineFormat::greetingAndLogin()
{
    LineClassifier c;
    QCOMPARE(c.classify("connect logged in as administrator"), Kind::LoggedIn);
    QCOMPARE(c.classify("error could not connect as administrator"), Kind::LoginRefused);
    QCOMPARE(c.classify("Corvex Console "), Kind::Dropped); // comparisons are exact
    QCOMPARE(c.classify(R"(set "\\Preset\Gate\SV\Threshold")"), Kind::Dropped);
    QCOMPARE(c.classify(R"(bogus "\\Preset\Gate\SV\Threshold" "1")"), Kind::Dropped);
    QCOMPARE(c.classify(""), Kind::Dropped);
}

TARN_TEST_MAIN(TstLineFormat, QCoreApplication)
#include "tst_lineformat.moc"
