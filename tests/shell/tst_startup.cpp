// Guards against a second instance that disturbs the first, start-up settings written wrongly, a
// log that does not start afresh for every run, and a --connect option split or logged in wrongly.
#include "applog.h"
#include "datapaths.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

using tarn::test::applicationLog;
using tarn::test::ScriptedPeer;

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        TarnSettings().clear();
        QFile::remove(tarn::logFilePath());
    }

    void secondInstanceLeavesTheFirstAloneAndStartupKeys()
    {
        QProcess first;
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(program(), {QStringLiteral("--quit-after"), QStringLiteral("20000")});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(applicationLog().contains(QStringLiteral("Init View Loader: ")), 15000);
        const QString logBefore = applicationLog();
        QVERIFY(logBefore.contains(QStringLiteral("File locked by process.")));

        // Anything the second instance wrote would show here.
        TarnSettings settings;
        settings.setValue(QString::fromLatin1(tarn::keys::CurrentVersion), QStringLiteral("sentinel"));
        settings.remove(QString::fromLatin1(tarn::keys::ExtraFeaturesReady));

        QProcess second;
        second.start(program(), {QStringLiteral("--quit-after"), QStringLiteral("20000")});
        QVERIFY(second.waitForFinished(15000));
        QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QVERIFY(second.readAllStandardError().contains("Another instance of the application is already running."));

        QVERIFY(applicationLog().startsWith(logBefore));
        QVERIFY(!applicationLog().contains(QStringLiteral("Another instance")));
        QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::CurrentVersion)).toString(), QStringLiteral("sentinel"));
        QVERIFY(!settings.contains(QString::fromLatin1(tarn::keys::ExtraFeaturesReady)));

        first.terminate();
        QVERIFY(first.waitForFinished(10000));

        // With the first one gone the lock is free again. Start-up keys: those present are kept or
        // set ready (absent ones are created "true", see below), and the version is brought up to date.
        for (const char *key : {tarn::keys::CheckOnStart, tarn::keys::AppAnalytics, tarn::keys::ExtraFeaturesReady, tarn::keys::ResizeReady})
            settings.setValue(QString::fromLatin1(key), QStringLiteral("false"));
        settings.setValue(QString::fromLatin1(tarn::keys::CurrentVersion), QStringLiteral("0.9"));
        QProcess third;
        third.start(program(), {QStringLiteral("--quit-after"), QStringLiteral("500")});
        QVERIFY(third.waitForFinished(20000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(!applicationLog().startsWith(logBefore)); // a fresh log for every run
        QStringList values;
        for (const char *key : {tarn::keys::CheckOnStart, tarn::keys::AppAnalytics, tarn::keys::ExtraFeaturesReady,
                                tarn::keys::ResizeReady, tarn::keys::CurrentVersion})
            values.append(settings.value(QString::fromLatin1(key)).toString());
        QCOMPARE(values, QStringList({"false", "false", "true", "true", "1.1.4"}));

        // The start-up texts are there in order.
        const QString log = applicationLog();
        const int locked = log.indexOf(QStringLiteral("File locked by process."));
        const int platform = log.indexOf(QStringLiteral("QT PLATFORM NAME =  \"offscreen\""));
        const int init = log.indexOf(QStringLiteral("Init View Loader: "));
        QVERIFY2(locked >= 0 && platform > locked && init > platform, qPrintable(log));
    }

    // The password is split at the first colon only; without one the address stands in for it.
    void connectsAndLogsInAtStart_data()
    {
        QTest::addColumn<QString>("connect");
        QTest::addColumn<QString>("password");
        QTest::newRow("with password") << "127.0.0.1:se:cret" << "se:cret";
        QTest::newRow("address only") << "127.0.0.1" << "127.0.0.1";
    }

    void connectsAndLogsInAtStart()
    {
        QFETCH(QString, connect);
        QFETCH(QString, password);
        ScriptedPeer peer;
        peer.password = password.toUtf8();
        QProcess app;
        QSignalSpy finished(&app, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARN_DEVICE_PORT"), QString::number(peer.port()));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(program(), {QStringLiteral("--connect"), connect, QStringLiteral("--quit-after"), QStringLiteral("4000")});
        QTRY_VERIFY_WITH_TIMEOUT(peer.received("connect administrator \"" + password.toUtf8() + "\""), 15000);
        QCOMPARE(peer.connections(), 1);
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress)), QStringLiteral("127.0.0.1"));
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDevicePassword)), password);
        // From cleared settings: the start-up keys are created "true".
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CheckOnStart)), QStringLiteral("true"));
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::AppAnalytics)), QStringLiteral("true"));

        // A clean exit while logged in: the worker stops and the link says goodbye in the log.
        QVERIFY(finished.wait(20000));
        QVERIFY(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0);
        QTRY_VERIFY(!peer.currentConnected());
        const QString log = applicationLog();
        QVERIFY2(log.contains(QStringLiteral("TCP Adaptor: connecting... to 127.0.0.1")), qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("Connected to 127.0.0.1: %1").arg(peer.port())));
        QVERIFY(log.contains(QStringLiteral("TCPAdaptor destroyed.")));
    }

private:
    static QString program() { return QStringLiteral(TARN_BIN_DIR "/tarn-control"); }
};

TARN_TEST_MAIN(TstStartup, QCoreApplication)
#include "tst_startup.moc"
