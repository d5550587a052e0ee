// Guards against lines split or joined wrongly on the wire, values misread from them, and
// line breaks smuggled into requests.
#include "devicerecord.h"
#include "linebuffer.h"
#include "lineformat.h"
#include "testenv.h"

#include <QCoreApplication>

using namespace tarn::protocol;
using Kind = LineClassifier::Kind;

using tarn::test::request;

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
    void listingBounds();
    void lineBuffer();
    void lineBufferBounds();
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
    QTest::newRow("node percent") << request("sub", "NPO", "Node\\Wizard\\SV\\Level", QString(), "%")
                                  << QByteArray("sub \"\\\\Node\\Wizard\\SV\\Level\\%\"\n");
    QTest::newRow("presets percent") << request("get", "Presets", "Level", QString(), "%")
                                     << QByteArray("get \"\\\\Storage\\Presets\\SV\\Level\\%\"\n");
    QTest::newRow("ls of the running preset") << request("ls", "NPO", "Preset")
                                              << QByteArray("ls \"\\\\Preset\\\"\n");
    QTest::newRow("quote inside a value") << request("set", "NPO", "Node\\SV\\DeviceName", "a\"b")
                                          << QByteArray("set \"\\\\Node\\SV\\DeviceName\\\" \"a\"b\"\n");
    QTest::newRow("no po") << request("sub", "", "Threshold") << QByteArray();
    QTest::newRow("nothing") << request("sub", "", "") << QByteArray();
    QTest::newRow("LF in value") << request("set", "Gate", "Threshold", "1\nreboot") << QByteArray();
    QTest::newRow("CR in po") << request("set", "Gate\r", "Threshold", "1") << QByteArray();
    QTest::newRow("LF in sv") << request("get", "Gate", "Thres\nhold") << QByteArray();
    QTest::newRow("LF in command") << request("get\n", "Gate", "Threshold") << QByteArray();
    QTest::newRow("LF in qualifier") << request("get", "Gate", "Threshold", QString(), "%\n") << QByteArray();
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
    // A line break would end the line early and smuggle in another command.
    QCOMPARE(formatLogin("pass\nsub \"\\\\Node\\SV\\X\\\""), QByteArray());
    QCOMPARE(formatLogin("a\rb"), QByteArray());
    QCOMPARE(formatNodeCommand("{\n  \"method\": \"X\"\n}"), QByteArray());
    QVERIFY(!containsLineBreak(request("set", "A", "B", "x\ty")));
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
    QTest::newRow("node trailing percent only") << R"(subr "\\Node\SV\DeviceName\%" "x")" << "NPO" << "Node\\SV\\DeviceName" << "" << "x" << "subr";
    QTest::newRow("node percent inside") << R"(get "\\Node\%\SV\Name" "x")" << "NPO" << "Node\\SV\\Name" << "" << "x" << "get";
    QTest::newRow("node alone") << R"(get "\\Node" "x")" << "NPO" << "Node" << "" << "x" << "get";
    QTest::newRow("storage percent") << R"(get "\\Storage\Presets\SV\Level\%" "5")" << "Presets" << "Level" << "%" << "5" << "get";
    QTest::newRow("six components") << R"(get "\\Preset\A\SV\B\Max\x" "9")" << "A" << "B" << "Max" << "9" << "get";
    QTest::newRow("doubled backslashes") << R"(get "\\\\Preset\\A\SV\\\B\" "1")" << "A" << "B" << "" << "1" << "get";
    QTest::newRow("unterminated value") << R"(subr "\\Preset\A\SV\B" "open)" << "A" << "B" << "" << "open" << "subr";
    QTest::newRow("extra quotes") << R"(subr "\\Preset\A\SV\B" "x" "y")" << "A" << "B" << "" << "x" << "subr";
    QTest::newRow("value with blanks kept") << R"(subr "\\Preset\A\SV\B" "  x  ")" << "A" << "B" << "" << "  x  " << "subr";
    QTest::newRow("unterminated path") << R"(get "\\Preset\A\SV\B)" << "A" << "B" << "" << "" << "get";
    QTest::newRow("empty value") << R"(set "\\Preset\A\SV\B" "")" << "A" << "B" << "" << "" << "set";
    QTest::newRow("word only") << "subr" << "" << "" << "" << "" << "subr";
    QTest::newRow("tab around word") << "\tsub\t\"\\\\Preset\\A\\SV\\B\"" << "A" << "B" << "" << "" << "sub";
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

    // The in-place classifier agrees with the plain functions the offline model uses.
    const QStringList parts = splitQuoted(line);
    const QString word = parts.at(0).trimmed();
    QVERIFY(isValueWord(word));
    QCOMPARE(c.record(), parseValueLine(parts, word));
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
    QCOMPARE(c.classify("SUBR \"\\\\Preset\\A\\SV\\B\" \"1\""), Kind::Dropped); // case-sensitive
    QCOMPARE(c.classify("set \"\\\\Preset\\A\\SV\\B\" "), Kind::Dropped);         // three parts
    QCOMPARE(c.classify("unsub \"\\\\Preset\\A\\SV\\B\""), Kind::Dropped);        // a request word
    QVERIFY(!isValueWord("unsub"));
    QVERIFY(!isValueWord("lc"));
    for (const char *word : {"sub", "subr", "set", "setr", "get", "asyncget", "unsubr"})
        QVERIFY(isValueWord(QString::fromLatin1(word)));
}

void TstLineFormat::listingBounds()
{
    LineClassifier c;
    QCOMPARE(c.classify("ls \"  \\\\Preset\\  \" trailing"), Kind::ListingOpened);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("too long"));
    for (int i = 0; i < LineClassifier::kMaxListingItems + 50; ++i)
        c.classify(QStringLiteral("\tPO %1").arg(i));
    QCOMPARE(c.classify("endls"), Kind::Children);
    QCOMPARE(c.path(), QStringLiteral("\\\\Preset\\"));
    QCOMPARE(c.items().size(), LineClassifier::kMaxListingItems);
    QCOMPARE(c.items().last(), QStringLiteral("PO %1").arg(LineClassifier::kMaxListingItems - 1));

    // The character bound applies as well, and a new listing starts afresh.
    QCOMPARE(c.classify("lc \"\\\\Preset\\G\\SV\\M\""), Kind::ListingOpened);
    const QString big = QLatin1Char('\t') + QString(60000, QLatin1Char('x'));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("too long"));
    int kept = 0;
    for (int i = 0; i < 40; ++i)
        kept += c.classify(big) == Kind::ListingItem ? 1 : 0;
    QCOMPARE(kept, LineClassifier::kMaxListingChars / 60000);
    QCOMPARE(c.classify("endlc"), Kind::Choices);
    QCOMPARE(c.items().size(), kept);
    QCOMPARE(c.classify("lc \"p\""), Kind::ListingOpened);
    QCOMPARE(c.classify("\tone"), Kind::ListingItem);
    QCOMPARE(c.classify("endlc"), Kind::Choices);
    QCOMPARE(c.items(), QStringList({"one"}));
}

void TstLineFormat::lineBuffer()
{
    using Result = LineBuffer::Result;
    LineBuffer b;
    const auto drain = [&b]() {
        QList<QByteArray> lines;
        while (b.next() == Result::Line)
            lines.append(b.line());
        return lines;
    };
    QCOMPARE(b.next(), Result::None);
    b.append(QByteArray("one\ntwo\r\nthr"));
    QCOMPARE(drain(), QList<QByteArray>({"one", "two"}));
    QCOMPARE(b.pending(), 3); // a partial line waits for its terminator
    b.append(QByteArray("ee\r"));
    QCOMPARE(drain(), QList<QByteArray>());
    b.append(QByteArray("\n\n\r\na\rb\n"));
    // CR LF split across appends; only the CR before the LF goes.
    QCOMPARE(drain(), QList<QByteArray>({"three", "", "", "a\rb"}));
    QCOMPARE(b.pending(), 0);

    // Byte by byte gives the same lines.
    const QByteArray stream("subr \"\\\\Preset\\A\\SV\\B\" \"1\"\r\nget x\n");
    QList<QByteArray> lines;
    for (const char ch : stream) {
        b.append(&ch, 1);
        lines += drain();
    }
    QCOMPARE(lines, QList<QByteArray>({"subr \"\\\\Preset\\A\\SV\\B\" \"1\"", "get x"}));

    b.append(QByteArray("left over"));
    b.clear();
    b.append(QByteArray("fresh\n"));
    QCOMPARE(drain(), QList<QByteArray>({"fresh"}));
}

void TstLineFormat::lineBufferBounds()
{
    using Result = LineBuffer::Result;
    constexpr int max = LineBuffer::kMaxLineLength;
    LineBuffer b;

    // Exactly at the bound (with CR LF) is a line; one byte more is discarded.
    b.append(QByteArray(max, 'a') + "\r\n" + QByteArray(max + 1, 'b') + "\nnext\n");
    QCOMPARE(b.next(), Result::Line);
    QCOMPARE(b.lineSize(), max);
    QCOMPARE(b.next(), Result::Discarded);
    QCOMPARE(b.next(), Result::Line);
    QCOMPARE(b.line(), QByteArray("next"));

    // A stream that never ends its line: memory stays bounded, one report, resync at the LF.
    const QByteArray chunk(4096, 'z');
    int discarded = 0;
    int maxPending = 0;
    for (int i = 0; i < 256; ++i) { // 1 MiB
        b.append(chunk);
        for (Result r; (r = b.next()) != Result::None;)
            discarded += r == Result::Discarded ? 1 : 0;
        maxPending = qMax(maxPending, b.pending());
    }
    QCOMPARE(discarded, 1);
    QVERIFY(b.skipping());
    QVERIFY(maxPending <= max + 2);
    b.append(QByteArray("zzzz\nafter\n"));
    QVERIFY(!b.skipping());
    QCOMPARE(b.next(), Result::Line);
    QCOMPARE(b.line(), QByteArray("after"));
    QCOMPARE(b.next(), Result::None);
}

TARN_TEST_MAIN(TstLineFormat, QCoreApplication)
#include "tst_lineformat.moc"
