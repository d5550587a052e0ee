// Guards against an offline model child process that is not reported once it listens, is not
// stopped on request, or fails without saying so instead of leaving the application hanging.
#include "offlinemodellauncher.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

class TstOfflineLauncher : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsListensAndStops();
    void failuresAreReported_data();
    void failuresAreReported();

private:
    static QString model() { return QStringLiteral(TARN_BIN_DIR "/tarn-offline-model"); }
    static quint16 freePort();
};

quint16 TstOfflineLauncher::freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

void TstOfflineLauncher::init()
{
    qunsetenv("TARN_OFFLINE_MODEL");
    qputenv("TARN_DEVICE_PORT", QByteArray::number(freePort()));
    qputenv("TARN_FTP_PORT", QByteArray::number(freePort()));
}

void TstOfflineLauncher::startsListensAndStops()
{
    // Beside the executable (the tests live in the same folder as the programs).
    QCOMPARE(OfflineModelLauncher::programPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/tarn-offline-model"));
    if (!OfflineModelLauncher::isAvailable())
        QSKIP("tarn-offline-model is not built");

    OfflineModelLauncher launcher;
    QSignalSpy started(&launcher, &OfflineModelLauncher::started);
    QSignalSpy stopped(&launcher, &OfflineModelLauncher::stopped);
    QSignalSpy failed(&launcher, &OfflineModelLauncher::failed);
    launcher.setHardwareVersion(QStringLiteral("Parvane"));
    launcher.start();
    QVERIFY(started.wait(20000));
    QVERIFY(launcher.isListening());
    QCOMPARE(failed.count(), 0);

    // It greets on the device port of 127.0.0.1.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(qEnvironmentVariableIntValue("TARN_DEVICE_PORT")));
    QVERIFY(socket.waitForConnected(5000));
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine() || socket.waitForReadyRead(100), 5000);
    QCOMPARE(socket.readLine().trimmed(), QByteArray("Corvex Console"));

    // A second start while it runs changes nothing.
    const qint64 pid = launcher.processId();
    launcher.start();
    QCOMPARE(launcher.processId(), pid);

    launcher.stop();
    QCOMPARE(stopped.count(), 1);
    QVERIFY(!launcher.isRunning());
    QCOMPARE(failed.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 5000);

    // And it starts again, as the configurable model when asked to.
    launcher.setModel(QStringLiteral("Quarra"));
    launcher.start();
    QVERIFY(started.wait(20000));
    QCOMPARE(started.count(), 2);
    QTcpSocket quarra;
    quarra.connectToHost(QHostAddress::LocalHost, quint16(qEnvironmentVariableIntValue("TARN_DEVICE_PORT")));
    QVERIFY(quarra.waitForConnected(5000));
    quarra.write("connect administrator \"stagemanagers\"\nget \"\\\\Node\\AT\\Class_Name\"\n");
    QByteArray answer;
    QTRY_VERIFY_WITH_TIMEOUT((answer += quarra.readAll()).contains("\"norvCadenzoQuarra\""), 10000);
}

void TstOfflineLauncher::failuresAreReported_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing program") << QByteArray("/nonexistent/tarn-offline-model") << "/nonexistent/tarn-offline-model";
    QTest::newRow("program ending early") << QByteArray("/bin/false") << "exit code 1";
}

void TstOfflineLauncher::failuresAreReported()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, reason);
    qputenv("TARN_OFFLINE_MODEL", program);
    OfflineModelLauncher launcher;
    QSignalSpy failed(&launcher, &OfflineModelLauncher::failed);
    QSignalSpy started(&launcher, &OfflineModelLauncher::started);
    const bool installed = QFileInfo(QString::fromLatin1(program)).isExecutable();
    QCOMPARE(OfflineModelLauncher::isAvailable(), installed);
    if (installed)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ended while starting")));
    launcher.start();
    QVERIFY(failed.count() == 1 || failed.wait(10000));
    QVERIFY2(failed.at(0).at(0).toString().contains(reason), qPrintable(failed.at(0).at(0).toString()));
    QCOMPARE(started.count(), 0);
    QVERIFY(!launcher.isRunning());
}

TARN_TEST_MAIN(TstOfflineLauncher, QCoreApplication)
#include "tst_offlinelauncher.moc"
