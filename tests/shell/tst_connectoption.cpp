#include "datapaths.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>

using tarn::test::ScriptedPeer;

// tarn-control --connect ADDRESS[:PASSWORD] against a scripted processor on a free port.
class TstConnectOption : public QObject {
    Q_OBJECT
private slots:
    void init();
    void connectsAndLogsInAtStart();
    void addressWithoutPassword();

private:
    static QString readLog();
    // Runs the application; the peer is served by this test's event loop meanwhile.
    static void start(QProcess &process, const ScriptedPeer &peer, const QString &connect, int quitAfterMs);
};

void TstConnectOption::init()
{
    qRegisterMetaType<QProcess::ExitStatus>();
    TarnSettings().clear();
    QFile::remove(tarn::logFilePath());
}

QString TstConnectOption::readLog()
{
    QFile file(tarn::logFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
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

void TstConnectOption::connectsAndLogsInAtStart()
{
    ScriptedPeer peer;
    QProcess app;
    QSignalSpy finished(&app, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    start(app, peer, QStringLiteral("127.0.0.1:se:cret"), 4000);
    peer.password = "se:cret"; // split at the first colon only
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("connect administrator \"se:cret\""), 15000);
    QCOMPARE(peer.connections(), 1);
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress)), QStringLiteral("127.0.0.1"));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDevicePassword)), QStringLiteral("se:cret"));

    // A clean exit while logged in: the worker stops and the link says goodbye in the log.
    QVERIFY(finished.wait(20000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QTRY_VERIFY(!peer.currentConnected());
    const QString log = readLog();
    QVERIFY2(log.contains(QStringLiteral("TCP Adaptor: connecting... to 127.0.0.1")), qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("Connected to 127.0.0.1: %1").arg(peer.port())));
    QVERIFY(log.contains(QStringLiteral("TCPAdaptor destroyed.")));
}

void TstConnectOption::addressWithoutPassword()
{
    ScriptedPeer peer;
    QProcess app;
    QSignalSpy finished(&app, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    start(app, peer, QStringLiteral("127.0.0.1"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(peer.received("connect administrator \"127.0.0.1\""), 15000);
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDevicePassword)), QStringLiteral("127.0.0.1"));
    QVERIFY(finished.wait(20000));
    QCOMPARE(app.exitCode(), 0);
}

TARN_TEST_MAIN(TstConnectOption, QCoreApplication)
#include "tst_connectoption.moc"
