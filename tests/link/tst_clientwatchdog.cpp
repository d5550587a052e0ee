// Guards against a link watchdog that gives up on a reachable processor or keeps polling one
// whose network has gone.
#include "clientconnectionwatchdog.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QSignalSpy>

using Iface = ClientConnectionWatchDog::InterfaceData;
Q_DECLARE_METATYPE(Iface)

namespace {
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

void storeAddress(const QString &address)
{
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), address);
}
} // namespace

class TstClientWatchdog : public QObject {
    Q_OBJECT
private slots:
    void interfaceRule_data();
    void interfaceRule();
    void pollingFollowsTheHost();
};

void TstClientWatchdog::interfaceRule_data()
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

void TstClientWatchdog::interfaceRule()
{
    QFETCH(QList<Iface>, interfaces);
    QFETCH(bool, available);
    QCOMPARE(ClientConnectionWatchDog::isNetworkAvailable(QStringLiteral("192.168.1.50"), interfaces), available);
    QCOMPARE(ClientConnectionWatchDog::isNetworkAvailable(QString(), interfaces), available);
    // The offline model's address needs no interface at all.
    QVERIFY(ClientConnectionWatchDog::isNetworkAvailable(QStringLiteral("127.0.0.1"), interfaces));
}

void TstClientWatchdog::pollingFollowsTheHost()
{
    // The offline model's address needs no network at all; other loopback names do.
    QVERIFY(!ClientConnectionWatchDog::isNetworkAvailable(QStringLiteral("127.0.0.2"), {}));
    QVERIFY(!ClientConnectionWatchDog::isNetworkAvailable(QStringLiteral("localhost"), {}));
    storeAddress(QStringLiteral("127.0.0.1"));
    ClientConnectionWatchDog watchdog;
    QSignalSpy changed(&watchdog, &ClientConnectionWatchDog::networkAvailableChanged);
    QSignalSpy lost(&watchdog, &ClientConnectionWatchDog::connectionLost);
    watchdog.onPollingTimeout();
    QVERIFY(watchdog.property("networkAvailable").toBool());
    QCOMPARE(changed.count() + lost.count(), 0);

    // A processor address that is not the local host: the answer depends on this host's own
    // interfaces, which the rule above decides.
    storeAddress(QStringLiteral("192.0.2.10"));
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
    storeAddress(QStringLiteral("127.0.0.1"));
    watchdog.onPollingTimeout();
    QVERIFY(watchdog.networkAvailable());
    QCOMPARE(changed.count(), expected ? 0 : 2);
    QCOMPARE(lost.count(), expected ? 0 : 2);

    // The polling timer runs by itself and is a single shot re-armed after every check.
    const QList<QTimer *> timers = watchdog.findChildren<QTimer *>();
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers.at(0)->isActive());
    QVERIFY(timers.at(0)->isSingleShot());
    QCOMPARE(timers.at(0)->interval(), ClientConnectionWatchDog::kPollingIntervalMs);
    QCOMPARE(ClientConnectionWatchDog::instance(), ClientConnectionWatchDog::instance());
}

TARN_TEST_MAIN(TstClientWatchdog, QCoreApplication)
#include "tst_clientwatchdog.moc"
