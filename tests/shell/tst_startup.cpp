// Guards against a second instance that disturbs the first, start-up settings written wrongly,
// and a log that does not start afresh for every run.
#include "applog.h"
#include "datapaths.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QProcess>

using tarn::test::applicationLog;

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void secondInstanceLeavesTheFirstAlone();
    void startupKeys();

private:
    static QString program() { return QStringLiteral(TARN_BIN_DIR "/tarn-control"); }
};

void TstStartup::init()
{
    TarnSettings().clear();
    QFile::remove(tarn::logFilePath());
}

void TstStartup::secondInstanceLeavesTheFirstAlone()
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
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardError().contains("Another instance of the application is already running."));

    QVERIFY(applicationLog().startsWith(logBefore));
    QVERIFY(!applicationLog().contains(QStringLiteral("Another instance")));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::CurrentVersion)).toString(), QStringLiteral("sentinel"));
    QVERIFY(!settings.contains(QString::fromLatin1(tarn::keys::ExtraFeaturesReady)));

    first.terminate();
    QVERIFY(first.waitForFinished(10000));

    // With the first one gone the lock is free again.
    QProcess third;
    third.start(program(), {QStringLiteral("--quit-after"), QStringLiteral("500")});
    QVERIFY(third.waitForFinished(20000));
    QCOMPARE(third.exitCode(), 0);
    QVERIFY(applicationLog().contains(QStringLiteral("File locked by process.")));
    QVERIFY(!applicationLog().startsWith(logBefore)); // a fresh log for every run
}

void TstStartup::startupKeys()
{
    TarnSettings settings;
    settings.setValue(QString::fromLatin1(tarn::keys::CheckOnStart), QStringLiteral("false"));
    settings.setValue(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
    settings.setValue(QString::fromLatin1(tarn::keys::ExtraFeaturesReady), QStringLiteral("false"));
    settings.setValue(QString::fromLatin1(tarn::keys::ResizeReady), QStringLiteral("false"));
    settings.setValue(QString::fromLatin1(tarn::keys::CurrentVersion), QStringLiteral("0.9"));

    QProcess run;
    run.start(program(), {QStringLiteral("--quit-after"), QStringLiteral("300")});
    QVERIFY(run.waitForFinished(20000));
    QCOMPARE(run.exitCode(), 0);

    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::CheckOnStart)).toString(), QStringLiteral("false"));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::AppAnalytics)).toString(), QStringLiteral("false"));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::ExtraFeaturesReady)).toString(), QStringLiteral("true"));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::ResizeReady)).toString(), QStringLiteral("true"));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::CurrentVersion)).toString(), QStringLiteral("1.1.4"));

    // Absent keys are created "true" on a fresh store.
    settings.clear();
    QProcess fresh;
    fresh.start(program(), {QStringLiteral("--quit-after"), QStringLiteral("300")});
    QVERIFY(fresh.waitForFinished(20000));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::CheckOnStart)).toString(), QStringLiteral("true"));
    QCOMPARE(settings.value(QString::fromLatin1(tarn::keys::AppAnalytics)).toString(), QStringLiteral("true"));

    // The log's lines follow the format, and the start-up texts are there in order.
    const QString log = applicationLog();
    const int locked = log.indexOf(QStringLiteral("File locked by process."));
    const int platform = log.indexOf(QStringLiteral("QT PLATFORM NAME =  \"offscreen\""));
    const int init = log.indexOf(QStringLiteral("Init View Loader: "));
    QVERIFY2(locked >= 0 && platform > locked && init > platform, qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("Debug   [application.cpp: ")));
}

TARN_TEST_MAIN(TstStartup, QCoreApplication)
#include "tst_startup.moc"
