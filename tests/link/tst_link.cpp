// Guards against a link that logs in wrongly, loses, reorders, splits or misreads lines, lets line breaks
// onto the wire, does not recover from errors and time-outs, or whose watchdog misjudges the network.
#include "appbusy.h"
#include "clientconnectionwatchdog.h"
#include "linebuffer.h"
#include "lineformat.h"
#include "linkfixture.h"
#include "testenv.h"

#include <QElapsedTimer>

using namespace tarn::protocol;
using Kind = LineClassifier::Kind;
using Iface = ClientConnectionWatchDog::InterfaceData;
Q_DECLARE_METATYPE(Iface)
using tarn::test::line;
using tarn::test::request;
using tarn::test::ScriptedPeer;

namespace {
constexpr int kWait = 5000;
const QString kPasswordKey = QString::fromLatin1(tarn::keys::CurrentDevicePassword);
const QString kAddressKey = QString::fromLatin1(tarn::keys::CurrentDeviceAddress);

void aimAt(const ScriptedPeer &peer)
{
    qputenv("TARN_DEVICE_PORT", QByteArray::number(peer.port()));
    TarnSettings::write(kAddressKey, QStringLiteral("127.0.0.1"));
}

// A quoted value line as the processor writes it.
QByteArray valueLine(const QByteArray &word, const QByteArray &po, const QByteArray &sv, const QByteArray &value)
{
    return word + " \"\\\\Preset\\" + po + "\\SV\\" + sv + "\" \"" + value + "\"\n";
}

// An interface with these addresses; `flags` may name "loopback", "p2p", "down", "stopped", "invalid".
Iface iface(QList<QHostAddress> addresses, const QString &flags = QString())
{
    Iface data;
    data.valid = !flags.contains(QLatin1String("invalid"));
    data.up = !flags.contains(QLatin1String("down"));
    data.running = !flags.contains(QLatin1String("stopped"));
    data.loopback = flags.contains(QLatin1String("loopback"));
    data.pointToPoint = flags.contains(QLatin1String("p2p"));
    data.addresses = std::move(addresses);
    return data;
}

} // namespace

// Line format units, the watchdog's rule, and the real worker thread against a scripted processor
// on a free loopback port.
class TstLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void requestLines_data();
    void requestLines();
    void loginAndNodeCommand();
    void valueLines_data();
    void valueLines();
    void classification();
    void listingBounds();
    void lineBuffer();
    void interfaceRule_data();
    void interfaceRule();
    void pollingFollowsTheHost();
    void loginAndPasswords();
    void socketErrors_data();
    void socketErrors();
    void movingToAnotherProcessor();
    void requestsOnTheWire();
    void incomingLines();
    // Last: it ends the adaptor.
    void recordsInFlightWhenDestroyed();

private:
    // Disconnects (when connected) and connects again, with the peer's lines cleared.
    void reconnect()
    {
        m_adaptor->doDisconnect();
        QTRY_VERIFY(!m_adaptor->isConnected());
        m_link->peer().clearLines();
        m_adaptor->doConnect();
    }
    TCPAdaptor *m_adaptor = nullptr;
    std::unique_ptr<tarn::test::LinkFixture> m_link; // a fresh peer for every test, logged in with "secret"
    QList<DataFromDevice> m_received;     // what the adaptor delivered during this test
};

void TstLink::requestLines_data()
{
    QTest::addColumn<DataFromDevice>("req");
    QTest::addColumn<QByteArray>("line"); // without its LF; empty when refused
    const auto row = [](const char *name, const DataFromDevice &req, const char *line) {
        QTest::newRow(name) << req << QByteArray(line);
    };
    // Plain sub, set and get lines, and line breaks in the value or the PO: requestsOnTheWire.
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
    row("LF in sv", request("get", "Gate", "Thres\nhold"), "");
    row("LF in command", request("get\n", "Gate", "Threshold"), "");
    row("LF in qualifier", request("get", "Gate", "Threshold", QString(), "%\n"), "");
    row("no sv", request("sub", "Compressor", ""), "");
}

void TstLink::requestLines()
{
    QFETCH(DataFromDevice, req);
    QFETCH(QByteArray, line);
    QCOMPARE(formatRequest(req), line.isEmpty() ? line : line + '\n');
}

void TstLink::loginAndNodeCommand()
{
    // The login line as such: loginAndPasswords.
    QCOMPARE(formatNodeCommand(R"({"method": "GetInputRouterSourceNames", "params": [], "id": "fwID_getInputRouterSourceNames"})"),
             QByteArray("set \"\\\\Node\\Config\\SV\\Command\" \"{`method`: `GetInputRouterSourceNames`, "
                        "`params`: [], `id`: `fwID_getInputRouterSourceNames`}\"\n"));
    // A line break would end the line early and smuggle in another command.
    QCOMPARE(formatLogin("pass\nsub \"\\\\Node\\SV\\X\\\""), QByteArray());
    QCOMPARE(formatLogin("a\rb"), QByteArray());
    QCOMPARE(formatNodeCommand("{\n  \"method\": \"X\"\n}"), QByteArray());
    QVERIFY(!containsLineBreak(request("set", "A", "B", "x\ty")));
}

void TstLink::valueLines_data()
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

void TstLink::valueLines()
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

void TstLink::classification()
{
    // Items, paths and a value lost inside a listing: incomingLines. Here: only a listing's own end
    // word closes it, and a delivered listing is cleared.
    LineClassifier c;
    QCOMPARE(c.classify(R"(lc "\\Preset\Gate\SV\Mode\EN")"), Kind::ListingOpened);
    QCOMPARE(c.classify("\tOff"), Kind::ListingItem);
    QCOMPARE(c.classify("endls"), Kind::Dropped);
    QCOMPARE(c.classify("endlc"), Kind::Choices);
    QCOMPARE(c.items(), QStringList({"Off"}));
    QCOMPARE(c.classify("Corvex Console"), Kind::Greeting);
    QVERIFY(c.items().isEmpty());

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

void TstLink::listingBounds()
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

void TstLink::lineBuffer()
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
    // In two pieces (the second starting between CR and LF) or byte by byte: a partial line waits
    // for its terminator and only the CR before the LF goes.
    const QByteArray stream("one\ntwo\r\nthree\r\n\n\r\na\rb\n");
    for (const int piece : {15, 1}) {
        QList<QByteArray> lines;
        for (int at = 0; at < stream.size(); at += piece) {
            b.append(stream.mid(at, piece));
            lines += drain();
        }
        QCOMPARE(lines, QList<QByteArray>({"one", "two", "three", "", "", "a\rb"}));
        QCOMPARE(b.pending(), 0);
    }

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

void TstLink::interfaceRule_data()
{
    QTest::addColumn<QList<Iface>>("interfaces");
    QTest::addColumn<bool>("available");
    const QHostAddress lan(QStringLiteral("192.168.1.20"));
    const QHostAddress v6(QStringLiteral("fe80::1"));
    const QHostAddress v6Global(QStringLiteral("2001:db8::5"));

    QTest::newRow("none") << QList<Iface>() << false;
    QTest::newRow("ethernet") << QList<Iface>({iface({lan})}) << true;
    QTest::newRow("ethernet with IPv6 too") << QList<Iface>({iface({v6, lan})}) << true;
    QTest::newRow("loopback only") << QList<Iface>({iface({QHostAddress(QHostAddress::LocalHost)}, "loopback")}) << false;
    QTest::newRow("loopback flag with a LAN address") << QList<Iface>({iface({lan}, "loopback")}) << false;
    QTest::newRow("loopback and VPN") << QList<Iface>({iface({QHostAddress(QHostAddress::LocalHost)}, "loopback"),
                                                       iface({QHostAddress(QStringLiteral("10.8.0.2"))}, "p2p")})
                                      << false;
    QTest::newRow("IPv6 only") << QList<Iface>({iface({v6, v6Global})}) << false;
    QTest::newRow("loopback address on a plain interface") << QList<Iface>({iface({QHostAddress(QStringLiteral("127.0.0.5"))})}) << false;
    QTest::newRow("null address") << QList<Iface>({iface({QHostAddress()})}) << false;
    QTest::newRow("down") << QList<Iface>({iface({lan}, "down")}) << false;
    QTest::newRow("not running") << QList<Iface>({iface({lan}, "stopped")}) << false;
    QTest::newRow("invalid") << QList<Iface>({iface({lan}, "invalid")}) << false;
    QTest::newRow("second interface counts") << QList<Iface>({iface({lan}, "down"), iface({v6}), iface({lan})}) << true;
}

void TstLink::interfaceRule()
{
    QFETCH(QList<Iface>, interfaces);
    QFETCH(bool, available);
    // Only the offline model's address needs no interface at all, not other loopback names.
    for (const char *host : {"192.168.1.50", "", "127.0.0.2", "localhost"})
        QVERIFY2(ClientConnectionWatchDog::isNetworkAvailable(QLatin1String(host), interfaces) == available, host);
    QVERIFY(ClientConnectionWatchDog::isNetworkAvailable(QStringLiteral("127.0.0.1"), interfaces));
}

void TstLink::pollingFollowsTheHost()
{
    TarnSettings::write(kAddressKey, QStringLiteral("127.0.0.1"));
    ClientConnectionWatchDog watchdog;
    QSignalSpy changed(&watchdog, &ClientConnectionWatchDog::networkAvailableChanged);
    QSignalSpy lost(&watchdog, &ClientConnectionWatchDog::connectionLost);
    watchdog.onPollingTimeout();
    QVERIFY(watchdog.property("networkAvailable").toBool());
    QCOMPARE(changed.count() + lost.count(), 0);

    // A processor address that is not the local host: the answer depends on this host's own
    // interfaces, which the rule above decides.
    TarnSettings::write(kAddressKey, QStringLiteral("192.0.2.10"));
    const bool expected = ClientConnectionWatchDog::isNetworkAvailable(QStringLiteral("192.0.2.10"),
                                                                       ClientConnectionWatchDog::hostInterfaces());
    watchdog.onPollingTimeout();
    watchdog.onPollingTimeout();
    QCOMPARE(watchdog.networkAvailable(), expected);
    QCOMPARE(changed.count(), expected ? 0 : 1); // only a change is announced
    if (!expected)
        QCOMPARE(changed.at(0).at(0).toBool(), false);
    QCOMPARE(lost.count(), expected ? 0 : 2); // repeated while the network stays down

    // Back to the offline model: the network counts again, announced once.
    TarnSettings::write(kAddressKey, QStringLiteral("127.0.0.1"));
    watchdog.onPollingTimeout();
    QVERIFY(watchdog.networkAvailable());
    QCOMPARE(changed.count(), expected ? 0 : 2);
    QCOMPARE(lost.count(), expected ? 0 : 2);

    // The polling timer runs by itself and is a single shot re-armed after every check.
    const QList<QTimer *> timers = watchdog.findChildren<QTimer *>();
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers.at(0)->isActive() && timers.at(0)->isSingleShot());
    QCOMPARE(timers.at(0)->interval(), ClientConnectionWatchDog::kPollingIntervalMs);
    QCOMPARE(ClientConnectionWatchDog::instance(), ClientConnectionWatchDog::instance());
}

void TstLink::initTestCase()
{
    m_adaptor = TCPAdaptor::instance();
    QVERIFY(m_adaptor && !m_adaptor->isReady() && !m_adaptor->isConnected());
    connect(m_adaptor, &TCPAdaptor::dataAvailable, this, [this](const DataFromDevice &d) { m_received.append(d); });
}

void TstLink::init()
{
    tarn::AppBusy::setBusy(false);
    m_link = std::make_unique<tarn::test::LinkFixture>();
    QVERIFY(m_link->peer().isListening());
    m_received.clear();
}

void TstLink::cleanup()
{
    tarn::AppBusy::setBusy(false);
    if (m_adaptor)
        QVERIFY(m_link->logout() && !m_adaptor->isConnected());
}

void TstLink::loginAndPasswords()
{
    ScriptedPeer &peer = m_link->peer();
    TarnSettings::write(kPasswordKey, QStringLiteral("wrong"));
    aimAt(peer);
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    QSignalSpy homeData(m_adaptor, &TCPAdaptor::homeScreenData);
    QSignalSpy refused(m_adaptor, &TCPAdaptor::incorrectPassword);
    QSignalSpy errors(m_adaptor, &TCPAdaptor::error);
    m_adaptor->doConnect();
    QCOMPARE(m_adaptor->hostAddress(), QStringLiteral("127.0.0.1"));
    QVERIFY(refused.wait(kWait));
    QVERIFY(!m_adaptor->isReady());
    QCOMPARE(peer.linesStartingWith("connect"), QList<QByteArray>({"connect administrator \"wrong\""}));

    // The new password is in the settings before its login line goes out.
    m_adaptor->enterPassword(QStringLiteral("secret"));
    QCOMPARE(TarnSettings::text(kPasswordKey), QStringLiteral("secret"));
    QVERIFY(ready.wait(kWait));
    QVERIFY(m_adaptor->isReady() && m_adaptor->isConnected());
    QTRY_COMPARE(homeData.count(), 1);
    QCOMPARE(homeData.at(0).at(0).toByteArray(), QByteArray("connect logged in as administrator"));
    QCOMPARE(peer.lines().size(), 2);
    QCOMPARE(refused.count() + errors.count(), 1);

    // An orderly disconnection ends the login; the next automatic login uses the new password.
    QSignalSpy disconnected(m_adaptor, &TCPAdaptor::disconnected);
    QSignalSpy lost(m_adaptor, &TCPAdaptor::connectionLost);
    reconnect();
    QVERIFY(ready.wait(kWait));
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(lost.count(), 0);
    QCOMPARE(peer.linesStartingWith("connect"), QList<QByteArray>({"connect administrator \"secret\""}));

    // No stored password at all sends the empty one.
    TarnSettings().remove(kPasswordKey);
    reconnect();
    QVERIFY(refused.wait(kWait));
    QCOMPARE(peer.linesStartingWith("connect"), QList<QByteArray>({"connect administrator \"\""}));
}

void TstLink::socketErrors_data()
{
    QTest::addColumn<QString>("failure");
    for (const char *failure : {"peer drops a logged-in connection", "nobody listens", "no stored address"})
        QTest::newRow(failure) << QString::fromLatin1(failure);
}

void TstLink::socketErrors()
{
    QFETCH(QString, failure);
    if (failure.startsWith(QLatin1String("peer")))
        QVERIFY(m_link->login());
    QSignalSpy errors(m_adaptor, &TCPAdaptor::error);
    QList<QByteArray> order;
    QObject scope;
    connect(m_adaptor, &TCPAdaptor::error, &scope, [&order]() { order.append("error"); });
    connect(m_adaptor, &TCPAdaptor::connectionLost, &scope, [&order]() { order.append("lost"); });
    if (failure.startsWith(QLatin1String("peer"))) {
        m_link->peer().abortCurrent();
    } else {
        if (failure == QLatin1String("nobody listens"))
            aimAt(ScriptedPeer()); // its port is closed again at once
        else
            TarnSettings().remove(kAddressKey);
        m_adaptor->doConnect();
    }
    QTRY_COMPARE_WITH_TIMEOUT(order, QList<QByteArray>({"error", "lost"}), kWait);
    QCOMPARE(m_adaptor->hostAddress().isEmpty(), failure == QLatin1String("no stored address"));
    QVERIFY(!errors.at(0).at(0).toString().isEmpty());
    QTRY_VERIFY(!m_adaptor->isConnected() && !m_adaptor->isReady());

    // A request while unconnected is lost without a word.
    m_adaptor->sendRequest(request("get", "Gate", "Threshold"));
    QCoreApplication::processEvents();
    QCOMPARE(errors.count(), 1);
}

void TstLink::movingToAnotherProcessor()
{
    ScriptedPeer &first = m_link->peer();
    ScriptedPeer second;
    QVERIFY(m_link->login());
    QPointer<QTcpSocket> firstSocket = first.current();

    aimAt(second);
    QSignalSpy disconnected(m_adaptor, &TCPAdaptor::disconnected);
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    m_adaptor->doConnect();
    QVERIFY(ready.wait(kWait));
    QCOMPARE(disconnected.count(), 1); // the first connection, reported before the new login
    QTRY_VERIFY(!firstSocket || firstSocket->state() != QAbstractSocket::ConnectedState);
    QCOMPARE(first.connections() + second.connections(), 2);
    m_adaptor->sendRequest(request("get", "Gate", "Threshold"));
    QTRY_VERIFY(second.received(line("get", "Gate", "Threshold")));
    QVERIFY(first.linesStartingWith("get").isEmpty());

    // On to one that accepts but never greets: the old connection's disconnection must not stop
    // the new attempt's time-out.
    ScriptedPeer silent;
    silent.greet = false;
    aimAt(silent);
    QSignalSpy timeOut(m_adaptor, &TCPAdaptor::timeOutError);
    QSignalSpy password(m_adaptor, &TCPAdaptor::incorrectPassword);
    QElapsedTimer clock;
    clock.start();
    m_adaptor->doDisconnect();
    m_adaptor->doConnect();
    QVERIFY(timeOut.wait(TCPAdaptor::kConnectionTimeoutMs + 3000));
    // A coarse timer may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= TCPAdaptor::kConnectionTimeoutMs * 94 / 100, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(disconnected.count() >= 2);
    QCOMPARE(silent.connections(), 1);
    // The attempt is abandoned: the connection closes and a late greeting logs nobody in.
    QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isConnected() && !silent.currentConnected(), kWait);
    QVERIFY(silent.linesStartingWith("connect").isEmpty() && !m_adaptor->isReady());
    QCOMPARE(timeOut.count() + password.count(), 1);
}

void TstLink::requestsOnTheWire()
{
    ScriptedPeer &peer = m_link->peer();
    QVERIFY(m_link->login());
    constexpr int kCount = 500;
    for (int i = 0; i < kCount; ++i)
        m_adaptor->sendRequest(request("set", "Gain", "Level", QString::number(i)));
    QTRY_COMPARE_WITH_TIMEOUT(peer.linesStartingWith("set").size(), kCount, kWait);
    const QList<QByteArray> sets = peer.linesStartingWith("set");
    for (int i = 0; i < kCount; ++i)
        QCOMPARE(sets.at(i), line("set", "Gain", "Level", QByteArray::number(i).constData()));

    // Meter polls are dropped while the application is busy, nothing else is.
    const DataFromDevice poll = request("asyncget", "OutputMeters", "Channel_1_Level");
    tarn::AppBusy::setBusy(true);
    m_adaptor->sendRequest(poll);
    m_adaptor->sendRequest(request("sub", "Gate", "Threshold"));
    m_adaptor->sendRequest(request("set", "Gate", "Threshold", "-3"));
    QTRY_VERIFY(peer.received(line("set", "Gate", "Threshold", "-3")));
    QVERIFY(peer.received(line("sub", "Gate", "Threshold")));
    QVERIFY(!peer.received(line("asyncget", "OutputMeters", "Channel_1_Level")));
    tarn::AppBusy::setBusy(false);
    m_adaptor->sendRequest(poll);
    QTRY_VERIFY(peer.received(line("asyncget", "OutputMeters", "Channel_1_Level")));
    QCOMPARE(peer.linesStartingWith("asyncget").size(), 1);

    // Line breaks never reach the wire, neither in requests nor in passwords.
    peer.clearLines();
    m_adaptor->sendRequest(request("set", "NPO", "Node\\SV\\DeviceName", "x\nreboot"));
    m_adaptor->sendRequest(request("set", "Gate\r", "Threshold", "1"));
    m_adaptor->enterPassword(QStringLiteral("pass\nword"));
    QCOMPARE(TarnSettings::text(kPasswordKey), QStringLiteral("secret"));
    emit m_adaptor->sendMessage("get \"\\\\Node\\SV\\A\\\"\nget \"\\\\Node\\SV\\B\\\"\n");
    emit m_adaptor->sendMessage("get \"\\\\Node\\SV\\C\\\""); // no terminator
    m_adaptor->sendRequest(request("get", "Gate", "Marker"));
    QTRY_VERIFY(peer.received(line("get", "Gate", "Marker")));
    QCOMPARE(peer.lines().size(), 1);
    TarnSettings::write(kPasswordKey, QStringLiteral("a\r\nb"));
    reconnect();
    QTRY_VERIFY(peer.connections() == 2 && peer.currentConnected());
    m_adaptor->sendRequest(request("get", "Gate", "Marker"));
    QTRY_VERIFY(peer.received(line("get", "Gate", "Marker")));
    QVERIFY(peer.linesStartingWith("connect").isEmpty() && peer.linesStartingWith("b").isEmpty());
}

void TstLink::incomingLines()
{
    ScriptedPeer &peer = m_link->peer();
    QVERIFY(m_link->login());
    const auto record = [this](int i) {
        const DataFromDevice &d = m_received.at(i);
        return QStringList({d.command, d.poName, d.svName, d.value}).join(QLatin1Char('|'));
    };
    constexpr int kCount = 500;
    QByteArray burst;
    for (int i = 0; i < kCount; ++i)
        burst += valueLine(i % 2 ? "subr" : "setr", "Gain", "Level", QByteArray::number(i));
    peer.send(burst);
    QTRY_COMPARE_WITH_TIMEOUT(m_received.size(), kCount, kWait);
    for (int i = 0; i < kCount; ++i)
        QCOMPARE(record(i), QStringLiteral("%1|Gain|Level|%2").arg(i % 2 ? "subr" : "setr").arg(i));
    m_received.clear();

    // LF and CR LF alike; a CR elsewhere in the line is kept.
    peer.send("subr \"\\\\Preset\\A\\SV\\X\" \"1\"\nsubr \"\\\\Preset\\A\\SV\\Y\" \"2\"\r\nsubr \"\\\\Preset\\A\\SV\\Z\" \"3\r4\"\r\n");
    QTRY_COMPARE(m_received.size(), 3);
    QCOMPARE(record(0) + record(1) + record(2), QStringLiteral("subr|A|X|1subr|A|Y|2subr|A|Z|3\r4"));

    // One line in two TCP segments, cut inside a UTF-8 character: the first record proves the
    // first segment (with the partial line behind it) was read before the rest was sent.
    const QByteArray name = QStringLiteral("Bühne links").toUtf8();
    const int cut = name.indexOf("\xc3") + 1;
    peer.send("subr \"\\\\Preset\\A\\SV\\Before\" \"b\"\nsubr \"\\\\Node\\SV\\DeviceName\" \"" + name.left(cut));
    QTRY_COMPARE(m_received.size(), 4);
    peer.send(name.mid(cut) + "\"\r\n");
    QTRY_COMPARE(m_received.size(), 5);
    QCOMPARE(record(4), QStringLiteral("subr|NPO|Node\\SV\\DeviceName|Bühne links"));

    // Bytes that never end, far past the bound, then the stream resynchronises at the next LF.
    for (int i = 0; i < 16; ++i)
        peer.send(QByteArray(32 * 1024, 'y'));
    peer.send("tail of garbage\n" + valueLine("subr", "A", "Resynced", "2"));
    QTRY_COMPARE(m_received.size(), 6);
    QCOMPARE(record(5), QStringLiteral("subr|A|Resynced|2"));
    // A line just under the bound still counts.
    peer.send(valueLine("subr", "A", "Long", QByteArray(60000, 'z')));
    QTRY_COMPARE(m_received.size(), 7);
    QCOMPARE(m_received.at(6).value.size(), 60000);

    // Records the home screen follows are handed to it too, ahead of the plain record.
    QList<QByteArray> order;
    QObject scope;
    connect(m_adaptor, &TCPAdaptor::homeScreenDataAvailable, &scope,
            [&](DataFromDevice *d) { order.append("home:" + d->svName.toUtf8() + '=' + d->value.toUtf8()); });
    connect(m_adaptor, &TCPAdaptor::dataAvailable, &scope, [&](const DataFromDevice &d) { order.append("data:" + d.svName.toUtf8()); });
    peer.send("subr \"\\\\Preset\\Crossover\\AT\\NumBands\" \"3\"\n"
              "subr \"\\\\Preset\\Crossover\\SV\\Band_1_Frequency\" \"120Hz\"\n"
              "subr \"\\\\Preset\\Crossover\\AT\\MonoSub\" \"Off\"\n");
    QTRY_COMPARE(order.size(), 5);
    QCOMPARE(order, QList<QByteArray>({"home:NumBands=3", "data:NumBands", "data:Band_1_Frequency", "home:MonoSub=Off", "data:MonoSub"}));

    // Listings; a value line inside one is lost.
    QSignalSpy enums(m_adaptor, &TCPAdaptor::enumsAvailable);
    QSignalSpy pos(m_adaptor, &TCPAdaptor::poAvailable);
    m_received.clear();
    peer.send("lc \"\\\\Preset\\Gate\\SV\\Mode\\\"\r\n\tOff\r\n\t Soft Knee \n"
              "subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-3\"\nendlc\n"
              "ls \"\\\\Preset\\\"\n\tCompressor\n\tMid Outputs PEQ\nendls\n");
    QTRY_COMPARE(pos.count(), 1);
    QCOMPARE(enums.count(), 1);
    QCOMPARE(enums.at(0), QVariantList({QStringList({"Off", " Soft Knee "}), QStringLiteral("\\\\Preset\\Gate\\SV\\Mode\\")}));
    QCOMPARE(pos.at(0), QVariantList({QStringList({"Compressor", "Mid Outputs PEQ"}), QStringLiteral("\\\\Preset\\")}));
    QCOMPARE(m_received.size(), 0);

    // A listing cut off by a dropped connection must not swallow the next greeting.
    peer.send("lc \"\\\\Preset\\Gate\\SV\\Mode\\\"\n\tOff\n");
    QTRY_VERIFY(peer.current()->bytesToWrite() == 0);
    QSignalSpy lost(m_adaptor, &TCPAdaptor::connectionLost);
    peer.abortCurrent();
    QVERIFY(lost.wait(kWait));
    QVERIFY(m_link->login());
    QCOMPARE(enums.count(), 1);
}

void TstLink::recordsInFlightWhenDestroyed()
{
    // The adaptor goes while the worker still hands it records; ./dev sanitize address finds
    // any record left behind with its queued event.
    QVERIFY(m_link->login());
    QSignalSpy data(m_adaptor, &TCPAdaptor::dataAvailable);
    QByteArray burst;
    for (int i = 0; i < 3000; ++i)
        burst += valueLine("subr", "Gain", "Level", QByteArray::number(i));
    m_link->peer().current()->write(burst);
    QVERIFY(data.wait(kWait));
    TCPAdaptor::destroyInstance();
    QVERIFY(!TCPAdaptor::instance());
    m_adaptor = nullptr;
}

TARN_TEST_MAIN(TstLink, QCoreApplication)
#include "tst_link.moc"
