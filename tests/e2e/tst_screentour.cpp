// Guards against the real application under Xvfb, against the real offline model, that fails to
// start offline, shows a screen of the tour late or with a QML warning or a control without its
// value, does not fall back to discovery when the model dies, or leaves the model behind.
#include "applog.h"
#include "datapaths.h"
#include "modelprocess.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <sys/types.h>

using tarn::test::applicationLog;

namespace {
struct Stop {
    QString document;
    QString command;
};

// How long a control may go without a value before that is a fault: a meter's first poll waits
// about a second, and a loaded machine has left home screens' meters unanswered after 2.05 s.
constexpr qint64 kValueDueMs = 3000 * TARN_TEST_SLOWDOWN;

QList<Stop> readTour(const QString &path)
{
    QList<Stop> stops;
    QFile file(path);
    for (const QString &line : file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')) : QStringList()) {
        const QStringList fields = line.trimmed().split(QLatin1Char('\t'));
        if (fields.size() == 3 && !line.trimmed().startsWith(QLatin1Char('#')))
            stops.append({fields[0], fields[1]});
    }
    return stops;
}

// The offline model's process id, as the application logged it.
qint64 modelPid(const QString &log)
{
    const QString marker = QStringLiteral("Offline model listening, pid ");
    const int at = log.lastIndexOf(marker);
    return at < 0 ? 0 : log.mid(at + marker.size()).section(QLatin1Char('\n'), 0, 0).trimmed().toLongLong();
}

bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) != "Z";
}

// QML or JavaScript warnings and errors in the log, and complaints of the tour.
QStringList problems(const QString &log)
{
    return log.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral(R"(^(?=.*(: Warning \[|: Error   \[))(?=.*(\.qml|\.js|qml:|Tour:)))")));
}
} // namespace

class TstScreenTour : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void offlineToHomeAndBack();
    void everyScreenOfTheTour_data();
    void everyScreenOfTheTour();

private:
    bool startApplication(const QStringList &arguments, const QString &quickBackend = QString());
    bool stopApplication();

    QString m_pictures;
    QProcess m_app;
};

void TstScreenTour::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        QSKIP("xvfb-run is not installed");
    if (!QFileInfo(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model")).isExecutable())
        QSKIP("tarn-offline-model is not built");
    m_pictures = QFileInfo(QStringLiteral(TARN_BIN_DIR "/../screenshots")).absoluteFilePath();
    QDir().mkpath(m_pictures);
}

void TstScreenTour::cleanup()
{
    stopApplication();
}

// The application offline under a private Xvfb, with a fresh log and ports of its own (the default
// ones may belong to another test).
bool TstScreenTour::startApplication(const QStringList &arguments, const QString &quickBackend)
{
    QFile::remove(tarn::logFilePath());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARN_DEVICE_PORT"), QString::number(tarn::test::freePort()));
    env.insert(QStringLiteral("TARN_FTP_PORT"), QString::number(tarn::test::freePort()));
    env.insert(QStringLiteral("TARN_TRACE_BINDINGS"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("QT_QUICK_BACKEND"));
    if (!quickBackend.isEmpty())
        env.insert(QStringLiteral("QT_QUICK_BACKEND"), quickBackend);
    env.remove(QStringLiteral("TARN_OFFLINE_MODEL"));
    m_app.setProcessEnvironment(env);
    m_app.setProcessChannelMode(QProcess::ForwardedChannels);
    m_app.start(QStringLiteral("xvfb-run"), tarn::test::xvfbRunArguments()
                                                + QStringList{QStringLiteral(TARN_BIN_DIR "/tarn-control"), QStringLiteral("--offline")}
                                                + arguments);
    return m_app.waitForStarted();
}

// True when the application ended by itself on a termination request.
bool TstScreenTour::stopApplication()
{
    if (m_app.state() == QProcess::NotRunning)
        return true;
    // xvfb-run does not pass a termination on; the application's own pid is in its lock file.
    QFile lock(tarn::lockFilePath());
    const qint64 pid = lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
    if (pid > 0)
        ::kill(pid_t(pid), SIGTERM);
    if (m_app.waitForFinished(20000))
        return true;
    // xvfb-run takes its X server down when it is asked to end, not when it is killed.
    m_app.terminate();
    if (!m_app.waitForFinished(5000)) {
        m_app.kill();
        m_app.waitForFinished(5000);
    }
    return false;
}

// Start offline, reach home, lose the model, fall back to discovery with the message.
void TstScreenTour::offlineToHomeAndBack()
{
    const QString home = m_pictures + QStringLiteral("/TarnHomeScreen.png");
    const QString discovery = m_pictures + QStringLiteral("/TarnDiscovery.png");
    QFile::remove(home);
    QFile::remove(discovery);
    QVERIFY(startApplication({QStringLiteral("--screenshot-dir"), m_pictures, QStringLiteral("--quit-after"), QStringLiteral("120000")},
                             QStringLiteral("software")));

    for (const QString &expected : {QStringLiteral("Offline model started."), QStringLiteral("Entering state: HomeScreen"), "Screenshot saved: \"" + home})
        QTRY_VERIFY2_WITH_TIMEOUT(applicationLog().contains(expected), qPrintable(expected), 60000);
    QVERIFY2(QImage(home).width() >= 1024, qPrintable(applicationLog().right(3000)));

    const qint64 model = modelPid(applicationLog());
    QVERIFY(model > 0);
    const int before = applicationLog().size();
    QCOMPARE(::kill(pid_t(model), SIGKILL), 0);
    for (const QString &expected : {QStringLiteral("Entering state: Discovery"), QStringLiteral("Discovery message: Connection to Cadenzo Tarn was lost!"),
                                    "Screenshot saved: \"" + discovery, QStringLiteral("Offline model stopped.")})
        QTRY_VERIFY2_WITH_TIMEOUT(applicationLog().mid(before).contains(expected), qPrintable(expected), 30000);
    QVERIFY2(problems(applicationLog()).isEmpty(), qPrintable(problems(applicationLog()).join(QLatin1Char('\n'))));
    QVERIFY(stopApplication());
}

// Each processor model has its tour and folder of pictures.
void TstScreenTour::everyScreenOfTheTour_data()
{
    QTest::addColumn<QString>("tourFile");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("screenshots");
    QTest::newRow("fixed chain") << QStringLiteral(TARN_SOURCE_DIR "/tests/e2e/screentour.txt") << QStringLiteral("tarn") << m_pictures;
    QTest::newRow("configurable") << QStringLiteral(TARN_SOURCE_DIR "/tests/e2e/screentour-quarra.txt")
                                  << QStringLiteral("quarra") << m_pictures + QStringLiteral("/quarra");
}

// Every screen of the list, through the commands its buttons raise, appears, is pictured, raises no
// QML warning, and gives every control its value.
void TstScreenTour::everyScreenOfTheTour()
{
    QFETCH(QString, tourFile);
    QFETCH(QString, model);
    QFETCH(QString, screenshots);
    const QList<Stop> stops = readTour(tourFile);
    QVERIFY2(!stops.isEmpty(), qPrintable(tourFile));
    QDir().mkpath(screenshots);
    // A document shown again is pictured as <document>-2.png and so on.
    QStringList pictures;
    QMap<QString, int> seen;
    for (const Stop &stop : stops) {
        const int n = ++seen[stop.document];
        pictures << screenshots + QLatin1Char('/') + stop.document + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QStringLiteral(".png");
        QFile::remove(pictures.last());
    }

    const int budgetMs = 60000 + 8000 * stops.size();
    QVERIFY(startApplication({QStringLiteral("--model"), model, QStringLiteral("--tour"), tourFile, QStringLiteral("--screenshot-dir"),
                              screenshots, QStringLiteral("--quit-after"), QString::number(budgetMs + 30000)}));
    QTRY_VERIFY_WITH_TIMEOUT(applicationLog().contains(QStringLiteral("Tour finished:")), budgetMs);
    const QString log = applicationLog();
    // Killed outright, the application takes its offline model along.
    const qint64 modelProcess = modelPid(log);
    QVERIFY(modelProcess > 0 && alive(modelProcess));
    if (model == QLatin1String("quarra")) {
        QFile lock(tarn::lockFilePath());
        const qint64 application = lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
        QVERIFY(application > 0);
        QCOMPARE(::kill(pid_t(application), SIGKILL), 0);
        QVERIFY(m_app.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!alive(modelProcess), 10000);
    }
    QVERIFY(stopApplication());

    // Every stop appeared, in time for its first frame to be measured, and was pictured.
    const QString summary = QStringLiteral("Tour finished: %1 screens shown, 0 missing").arg(stops.size());
    QVERIFY2(log.contains(summary), qPrintable(summary));
    QStringList timings;
    for (int i = 0; i < stops.size(); ++i) {
        const Stop &stop = stops.at(i);
        const QRegularExpression shown(QStringLiteral("Tour: %1 shown ([0-9.]+) ms after %2")
                                           .arg(QRegularExpression::escape(stop.document), QRegularExpression::escape(stop.command)));
        const QRegularExpressionMatch m = shown.match(log);
        QVERIFY2(m.hasMatch(), qPrintable(stop.document));
        timings << QStringLiteral("%1 %2 ms").arg(stop.document, -24).arg(m.captured(1));
        const QImage image(pictures.at(i));
        QVERIFY2(log.contains("Screenshot saved: \"" + pictures.at(i)) && image.width() >= 1024 && image.height() >= 768, qPrintable(pictures.at(i)));
    }
    qInfo().noquote() << "Time from the command to the first frame of each screen:\n" + timings.join(QLatin1Char('\n'));
    QVERIFY2(problems(log).isEmpty(), qPrintable(problems(log).join(QLatin1Char('\n'))));

    // Every control that was bound got its value, unless its screen went before the value was due.
    const QRegularExpression traced(QStringLiteral("\\[tarncontrol\\.cpp: .*\\] (bound|value|unbound) (.+?)(?: after (\\d+) ms)?$"));
    QMap<QString, int> open;
    QStringList late;
    int bindings = 0;
    for (const QString &line : log.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = traced.match(line);
        const bool bound = m.captured(1) == QLatin1String("bound");
        if (m.hasMatch())
            open[m.captured(2)] += bound ? 1 : -1;
        bindings += bound ? 1 : 0;
        if (m.captured(1) == QLatin1String("unbound") && m.captured(3).toLongLong() >= kValueDueMs)
            late << line;
    }
    QVERIFY2(bindings > 50, "the binding trace is missing");
    for (auto it = open.cbegin(); it != open.cend(); ++it)
        if (it.value() > 0)
            late << QStringLiteral("%1: %2 binding(s) without a value").arg(it.key()).arg(it.value());
    QVERIFY2(late.isEmpty(), qPrintable(late.join(QLatin1Char('\n'))));
}

TARN_TEST_MAIN(TstScreenTour, QCoreApplication)
#include "tst_screentour.moc"
