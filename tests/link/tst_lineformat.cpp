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
    void classification();
    void listingBounds();
    void lineBuffer();
};

void TstLineFormat::requestLines_data()
{
    QTest::addColumn<DataFromDevice>("req");
    QTest::addColumn<QByteArray>("line"); // without its LF; empty when refused
    const auto row = [](const char *name, const DataFromDevice &req, const char *line) {
        QTest::newRow(name) << req << QByteArray(line);
    };
    row("sub", request("sub", "Compressor", "Threshold"), R"(sub "\\Preset\Compressor\SV\Threshold\")");
    row("set", request("set", "Compressor", "Threshold", "-10.0"), R"(set "\\Preset\Compressor\SV\Threshold\" "-10.0")");
    row("percent", request("sub", "OutputMeters", "Channel_1_Level", QString(), "%"),
        R"(sub "\\Preset\OutputMeters\SV\Channel_1_Level\%")");
    row("other qualifier stays off the wire", request("get", "Gate", "Threshold", QString(), "Min"),
        R"(get "\\Preset\Gate\SV\Threshold\")");
    row("presets", request("get", "Presets", "Name_1"), R"(get "\\Storage\Presets\SV\Name_1\")");
    row("node", request("get", "NPO", "Node\\SV\\DeviceName"), R"(get "\\Node\SV\DeviceName\")");
    row("node attribute", request("get", "NPO", "Node\\AT\\Class_Name"), R"(get "\\Node\AT\Class_Name\")");
    row("crossover attribute", request("sub", "Crossover", "NumBands"), R"(sub "\\Preset\Crossover\AT\NumBands\")");
    row("crossover SV", request("sub", "Crossover", "Band_1_Frequency"), R"(sub "\\Preset\Crossover\SV\Band_1_Frequency\")");
    row("pre-quoted value", request("set", "Mid Outputs PEQ", "Band_1_Type", "\"Bell\""),
        R"(set "\\Preset\Mid Outputs PEQ\SV\Band_1_Type\" "Bell")");
    row("utf-8", request("set", "NPO", "Node\\SV\\DeviceName", "Bühne"), R"(set "\\Node\SV\DeviceName\" "Bühne")");
    row("node percent", request("sub", "NPO", "Node\\Wizard\\SV\\Level", QString(), "%"), R"(sub "\\Node\Wizard\SV\Level\%")");
    row("presets percent", request("get", "Presets", "Level", QString(), "%"), R"(get "\\Storage\Presets\SV\Level\%")");
    row("ls of the running preset", request("ls", "NPO", "Preset"), R"(ls "\\Preset\")");
    row("quote inside a value", request("set", "NPO", "Node\\SV\\DeviceName", "a\"b"), R"(set "\\Node\SV\DeviceName\" "a"b")");
    row("no po", request("sub", "", "Threshold"), "");
    row("nothing", request("sub", "", ""), "");
    row("LF in value", request("set", "Gate", "Threshold", "1\nreboot"), "");
    row("CR in po", request("set", "Gate\r", "Threshold", "1"), "");
    row("LF in sv", request("get", "Gate", "Thres\nhold"), "");
    row("LF in command", request("get\n", "Gate", "Threshold"), "");
    row("LF in qualifier", request("get", "Gate", "Threshold", QString(), "%\n"), "");
    row("no sv", request("sub", "Compressor", ""), "");
}

void TstLineFormat::requestLines()
{
    QFETCH(DataFromDevice, req);
    QFETCH(QByteArray, line);
    QCOMPARE(formatRequest(req), line.isEmpty() ? line : line + '\n');
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
    QTest::addColumn<QString>("record"); // command|po|sv|type|value
    const auto row = [](const char *name, const char *line, const char *record) {
        QTest::newRow(name) << QString::fromUtf8(line) << QString::fromUtf8(record);
    };
    row("subr", R"(subr "\\Preset\Compressor\SV\Threshold" "-10.0")", "subr|Compressor|Threshold||-10.0");
    row("percent", R"(get "\\Preset\OutputMeters\SV\Channel_1_Level\%" "42")", "get|OutputMeters|Channel_1_Level|%|42");
    row("node", R"(subr "\\Node\SV\DeviceName" "Stage left")", "subr|NPO|Node\\SV\\DeviceName||Stage left");
    row("node percent", R"(subr "\\Node\Wizard\SV\Level\%" "50")", "subr|NPO|Node\\Wizard\\SV\\Level|%|50");
    row("node five", R"(get "\\Node\Wizard\SV\WizardGenericAmpLevel\Min" "-20")", "get|NPO|Node\\Wizard\\SV\\WizardGenericAmpLevel\\Min|Min|-20");
    row("node status", R"(subr "\\Node\Config\SV\Command:Status" "Load:1:InProgress")", "subr|NPO|Node\\Config\\SV\\Command:Status||Load:1:InProgress");
    row("blanks in names", R"(setr "\\Preset\Mid Outputs PEQ\SV\Band_1_Gain" "3.0dB")", "setr|Mid Outputs PEQ|Band_1_Gain||3.0dB");
    row("no value", R"(unsubr "\\Preset\Gate\SV\Threshold")", "unsubr|Gate|Threshold||");
    row("short path", R"(subr "\\Preset\Gate\SV" "1")", "subr||||1");
    row("storage", R"(get "\\Storage\Presets\SV\Name_1" "Show A")", "get|Presets|Name_1||Show A");
    row("node trailing percent only", R"(subr "\\Node\SV\DeviceName\%" "x")", "subr|NPO|Node\\SV\\DeviceName||x");
    row("node percent inside", R"(get "\\Node\%\SV\Name" "x")", "get|NPO|Node\\SV\\Name||x");
    row("node alone", R"(get "\\Node" "x")", "get|NPO|Node||x");
    row("storage percent", R"(get "\\Storage\Presets\SV\Level\%" "5")", "get|Presets|Level|%|5");
    row("six components", R"(get "\\Preset\A\SV\B\Max\x" "9")", "get|A|B|Max|9");
    row("doubled backslashes", R"(get "\\\\Preset\\A\SV\\\B\" "1")", "get|A|B||1");
    row("unterminated value", R"(subr "\\Preset\A\SV\B" "open)", "subr|A|B||open");
    row("extra quotes", R"(subr "\\Preset\A\SV\B" "x" "y")", "subr|A|B||x");
    row("value with blanks kept", R"(subr "\\Preset\A\SV\B" "  x  ")", "subr|A|B||  x  ");
    row("unterminated path", R"(get "\\Preset\A\SV\B)", "get|A|B||");
    row("empty value", R"(set "\\Preset\A\SV\B" "")", "set|A|B||");
    row("word only", "subr", "subr||||");
    row("tab around word", "\tsub\t\"\\\\Preset\\A\\SV\\B\"", "sub|A|B||");
    row("word with blanks", R"( asyncget  "\\Preset\RTA\SV\Band_1" "-40")", "asyncget|RTA|Band_1||-40");
}

void TstLineFormat::valueLines()
{
    QFETCH(QString, line);
    LineClassifier c;
    QCOMPARE(c.classify(line), Kind::Value);
    const DataFromDevice &r = c.record();
    QTEST(QStringList({r.command, r.poName, r.svName, r.valueType, r.value}).join('|'), "record");

    // The in-place classifier agrees with the plain functions the offline model uses.
    const QStringList parts = splitQuoted(line);
    const QString word = parts.at(0).trimmed();
    QVERIFY(isValueWord(word));
    QCOMPARE(c.record(), parseValueLine(parts, word));
}

void TstLineFormat::classification()
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

    QCOMPARE(c.classify("connect logged in as administrator"), Kind::LoggedIn);
    QCOMPARE(c.classify("error could not connect as administrator"), Kind::LoginRefused);
    // Comparisons are exact and case-sensitive; a set needs its value; request words are no replies.
    for (const char *dropped : {"Corvex Console ", R"(set "\\Preset\Gate\SV\Threshold")", R"(bogus "\\Preset\Gate\SV\Threshold" "1")",
                                "", R"(SUBR "\\Preset\A\SV\B" "1")", R"(set "\\Preset\A\SV\B" )", R"(unsub "\\Preset\A\SV\B")"})
        QVERIFY2(c.classify(QString::fromUtf8(dropped)) == Kind::Dropped, dropped);
    QVERIFY(!isValueWord("unsub") && !isValueWord("lc"));
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
    constexpr int max = LineBuffer::kMaxLineLength;
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
