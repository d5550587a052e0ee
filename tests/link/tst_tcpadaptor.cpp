// Guards against a link that logs in wrongly, loses, reorders or splits lines, lets line breaks
// onto the wire, or does not recover from errors and time-outs.
#include "appbusy.h"
#include "devicerecord.h"
#include "linkfixture.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

using tarn::test::line;
using tarn::test::request;
using tarn::test::ScriptedPeer;

namespace {
constexpr int kWait = 5000;
const QString kPasswordKey = QString::fromLatin1(tarn::keys::CurrentDevicePassword);

void aimAt(const ScriptedPeer &peer)
{
    qputenv("TARN_DEVICE_PORT", QByteArray::number(peer.port()));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
}

// A quoted value line as the processor writes it.
QByteArray valueLine(const QByteArray &word, const QByteArray &po, const QByteArray &sv, const QByteArray &value)
{
    return word + " \"\\\\Preset\\" + po + "\\SV\\" + sv + "\" \"" + value + "\"\n";
}
} // namespace

// The real worker thread against a scripted processor on a free loopback port.
class TstTcpAdaptor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
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

void TstTcpAdaptor::initTestCase()
{
    m_adaptor = TCPAdaptor::instance();
    QVERIFY(m_adaptor && !m_adaptor->isReady() && !m_adaptor->isConnected());
    connect(m_adaptor, &TCPAdaptor::dataAvailable, this, [this](const DataFromDevice &d) { m_received.append(d); });
}

void TstTcpAdaptor::init()
{
    tarn::AppBusy::setBusy(false);
    m_link = std::make_unique<tarn::test::LinkFixture>();
    QVERIFY(m_link->peer().isListening());
    m_received.clear();
}

void TstTcpAdaptor::cleanup()
{
    tarn::AppBusy::setBusy(false);
    if (m_adaptor)
        QVERIFY(m_link->logout() && !m_adaptor->isConnected());
}

void TstTcpAdaptor::loginAndPasswords()
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

void TstTcpAdaptor::socketErrors_data()
{
    QTest::addColumn<QString>("failure");
    for (const char *failure : {"peer drops a logged-in connection", "nobody listens", "no stored address"})
        QTest::newRow(failure) << QString::fromLatin1(failure);
}

void TstTcpAdaptor::socketErrors()
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
            TarnSettings().remove(QString::fromLatin1(tarn::keys::CurrentDeviceAddress));
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

void TstTcpAdaptor::movingToAnotherProcessor()
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

void TstTcpAdaptor::requestsOnTheWire()
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

void TstTcpAdaptor::incomingLines()
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

void TstTcpAdaptor::recordsInFlightWhenDestroyed()
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

TARN_TEST_MAIN(TstTcpAdaptor, QCoreApplication)
#include "tst_tcpadaptor.moc"
