// Guards against the real application under Xvfb failing to start offline, to fall back to
// discovery when the offline model dies, or to take the model along when it ends.
#include "datapaths.h"
#include "modelprocess.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/types.h>

// The real application on a real X server (Xvfb) with the real offline model: start offline,
// reach home, lose the model, fall back to discovery with the message; a picture of each screen.
class TstEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void offlineToHomeAndBack();
    void offlineModelDiesWithTheApplication();

private:
    static QString readLog();
    static qint64 pidAfter(const QString &log, const QString &marker);
    static QStringList qmlWarnings(const QString &log);

    QString m_screenshots;
    QProcess m_app;
};

void TstEndToEnd::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        QSKIP("xvfb-run is not installed");
    if (!QFileInfo(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model")).isExecutable())
        QSKIP("tarn-offline-model is not built");
    m_screenshots = QFileInfo(QStringLiteral(TARN_BIN_DIR "/../screenshots")).absoluteFilePath();
    QDir().mkpath(m_screenshots);
    TarnSettings().clear();
}

void TstEndToEnd::cleanupTestCase()
{
    if (m_app.state() != QProcess::NotRunning) {
        m_app.terminate();
        if (!m_app.waitForFinished(10000))
            m_app.kill();
        m_app.waitForFinished(5000);
    }
}

QString TstEndToEnd::readLog()
{
    QFile file(tarn::logFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

qint64 TstEndToEnd::pidAfter(const QString &log, const QString &marker)
{
    const int at = log.lastIndexOf(marker);
    if (at < 0)
        return 0;
    const int end = log.indexOf(QLatin1Char('\n'), at);
    return log.mid(at + marker.size(), end - at - marker.size()).trimmed().toLongLong();
}

QStringList TstEndToEnd::qmlWarnings(const QString &log)
{
    QStringList found;
    const auto lines = log.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const bool warning = line.contains(QStringLiteral(": Warning [")) || line.contains(QStringLiteral(": Error   ["));
        if (warning && (line.contains(QStringLiteral(".qml")) || line.contains(QStringLiteral("qml:"))))
            found.append(line);
    }
    return found;
}

void TstEndToEnd::offlineToHomeAndBack()
{
    const quint16 port = tarn::test::freePort();
    QVERIFY(port != 0);

    const QString home = m_screenshots + QStringLiteral("/TarnHomeScreen.png");
    const QString discovery = m_screenshots + QStringLiteral("/TarnDiscovery.png");
    QFile::remove(home);
    QFile::remove(discovery);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARN_DEVICE_PORT"), QString::number(port));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("QT_QUICK_BACKEND"));
    env.remove(QStringLiteral("TARN_OFFLINE_MODEL"));
    m_app.setProcessEnvironment(env);
    m_app.setProcessChannelMode(QProcess::ForwardedChannels);
    m_app.start(QStringLiteral("xvfb-run"),
                tarn::test::xvfbRunArguments() + QStringList{
                 QStringLiteral(TARN_BIN_DIR "/tarn-control"), QStringLiteral("--offline"),
                 QStringLiteral("--screenshot-dir"), m_screenshots, QStringLiteral("--quit-after"),
                 QStringLiteral("120000")});
    QVERIFY(m_app.waitForStarted());

    // Offline: the model starts, the link logs in, the home screen shows and is pictured.
    QTRY_VERIFY_WITH_TIMEOUT(readLog().contains(QStringLiteral("Entering state: HomeScreen")), 60000);
    QVERIFY(readLog().contains(QStringLiteral("Offline model started.")));
    QTRY_VERIFY_WITH_TIMEOUT(readLog().contains(QStringLiteral("Screenshot saved: \"") + home), 30000);
    const QImage homeImage(home);
    QVERIFY2(homeImage.width() >= 1024,
             qPrintable(QStringLiteral("home screenshot %1x%2; log tail:\n%3")
                            .arg(homeImage.width()).arg(homeImage.height()).arg(readLog().right(3000))));
    QVERIFY2(qmlWarnings(readLog()).isEmpty(), qPrintable(qmlWarnings(readLog()).join(QLatin1Char('\n'))));

    // The model dies: discovery comes back and says the connection was lost.
    const qint64 modelPid = pidAfter(readLog(), QStringLiteral("Offline model listening, pid "));
    QVERIFY(modelPid > 0);
    QFile::remove(discovery);
    const int before = readLog().size();
    QCOMPARE(::kill(pid_t(modelPid), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(readLog().mid(before).contains(QStringLiteral("Entering state: Discovery")), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(
        readLog().mid(before).contains(QStringLiteral("Discovery message: Connection to Cadenzo Tarn was lost!")), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(readLog().mid(before).contains(QStringLiteral("Screenshot saved: \"") + discovery), 30000);
    QVERIFY(readLog().mid(before).contains(QStringLiteral("Offline model stopped.")));
    QVERIFY2(qmlWarnings(readLog()).isEmpty(), qPrintable(qmlWarnings(readLog()).join(QLatin1Char('\n'))));

    // The application ends cleanly on request.
    const qint64 appPid = QString::fromLatin1([] {
                              QFile lock(tarn::lockFilePath());
                              return lock.open(QIODevice::ReadOnly) ? lock.readLine() : QByteArray();
                          }())
                              .trimmed()
                              .toLongLong();
    QVERIFY(appPid > 0);
    QCOMPARE(::kill(pid_t(appPid), SIGTERM), 0);
    QVERIFY(m_app.waitForFinished(30000));
}

// Even an application killed outright takes its offline model along.
void TstEndToEnd::offlineModelDiesWithTheApplication()
{
    const quint16 port = tarn::test::freePort();
    QVERIFY(port != 0);

    QFile::remove(tarn::logFilePath()); // the first run's lines must not pass for this run's
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARN_DEVICE_PORT"), QString::number(port));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    env.remove(QStringLiteral("TARN_OFFLINE_MODEL"));
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(QStringLiteral(TARN_BIN_DIR "/tarn-control"), {QStringLiteral("--offline"), QStringLiteral("--quit-after"),
                                                             QStringLiteral("60000")});
    QVERIFY(app.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(pidAfter(readLog(), QStringLiteral("Offline model listening, pid ")) > 0, 30000);
    const qint64 modelPid = pidAfter(readLog(), QStringLiteral("Offline model listening, pid "));
    auto alive = [modelPid]() {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(modelPid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        return close > 0 && text.mid(close + 2, 1) != "Z";
    };
    QVERIFY(alive());
    app.kill();
    QVERIFY(app.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!alive(), 10000);
}

TARN_TEST_MAIN(TstEndToEnd, QCoreApplication)
#include "tst_e2e.moc"
