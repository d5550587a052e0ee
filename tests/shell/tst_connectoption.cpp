// Guards against the --connect option splitting the address and password wrongly, or the link
// left open or not logged in when the application starts and ends with it.
#include "applog.h"
#include "datapaths.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>

using tarn::test::applicationLog;
using tarn::test::ScriptedPeer;

class TstConnectOption : public QObject {
    Q_OBJECT
private slots:
    void init();
    void connectsAndLogsInAtStart_data();
    void connectsAndLogsInAtStart();

private:
    // Runs the application; the peer is served by this test's event loop meanwhile.
    static void start(QProcess &process, const ScriptedPeer &peer, const QString &connect, int quitAfterMs);
};

void TstConnectOption::init()
{
    qRegisterMetaType<QProcess::ExitStatus>();
    TarnSettings().clear();
    QFile::remove(tarn::logFilePath());
}

void TstConnectOption::start(QProcess &process, const ScriptedPeer &peer, const QString &connect, int quitAfterMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARN_DEVICE_PORT"), QString::number(peer.port()));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(TARN_BIN_DIR "/tarn-control"),
                  {QStringLiteral("--connect"), connect, QStringLiteral("--quit-after"), QString::number(quitAfterMs)});
}

// The password is split at the first colon only; without one the address stands in for it.
void TstConnectOption::connectsAndLogsInAtStart_data()
{
    QTest::addColumn<QString>("connect");
    QTest::addColumn<QString>("password");
    QTest::newRow("with password") << "127.0.0.1:se:cret" << "se:cret";
    QTest::newRow("address only") << "127.0.0.1" << "127.0.0.1";
}

void TstConnectOption::connectsAndLogsInAtStart()
{
    QFETCH(QString, connect);
    QFETCH(QString, password);
    ScriptedPeer peer;
    peer.password = password.toUtf8();
    QProcess app;
    QSignalSpy finished(&app, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    start(app, peer, connect, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("connect administrator \"" + password.toUtf8() + "\""), 15000);
    QCOMPARE(peer.connections(), 1);
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress)), QStringLiteral("127.0.0.1"));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDevicePassword)), password);

    // A clean exit while logged in: the worker stops and the link says goodbye in the log.
    QVERIFY(finished.wait(20000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QTRY_VERIFY(!peer.currentConnected());
    const QString log = applicationLog();
    QVERIFY2(log.contains(QStringLiteral("TCP Adaptor: connecting... to 127.0.0.1")), qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("Connected to 127.0.0.1: %1").arg(peer.port())));
    QVERIFY(log.contains(QStringLiteral("TCPAdaptor destroyed.")));
}

TARN_TEST_MAIN(TstConnectOption, QCoreApplication)
#include "tst_connectoption.moc"
