// Guards against broadcast discovery that misses processors on a real network segment or keeps
// listing one that stopped answering.
#include "testenv.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <csignal>
#include <unistd.h>

// Broadcast discovery across a real (virtual) network: the application side in one network
// namespace, two offline models in two others, joined by a bridge. Needs root.
class TstDiscoveryNetns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsTwoModelsAndDropsOneThatStops();

private:
    bool ip(const QStringList &arguments, QString *error = nullptr);
    std::unique_ptr<QProcess> inNamespace(const QString &ns, const QString &program, const QStringList &arguments);
    void removeNamespaces();
    void sweepStaleNamespaces();

    QString m_app, m_model1, m_model2;
    QStringList m_created;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

bool TstDiscoveryNetns::ip(const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        if (error)
            *error = QStringLiteral("ip did not finish");
        return false;
    }
    if (error)
        *error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TstDiscoveryNetns::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("needs root to make network namespaces");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("iproute2 is not installed");
    if (!QFileInfo(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model")).isExecutable())
        QSKIP("tarn-offline-model is not built");

    sweepStaleNamespaces();
    const QString tag = QString::number(QCoreApplication::applicationPid());
    m_app = QStringLiteral("tdapp") + tag;
    m_model1 = QStringLiteral("tdm1_") + tag;
    m_model2 = QStringLiteral("tdm2_") + tag;

    QString error;
    if (!ip({QStringLiteral("netns"), QStringLiteral("add"), m_app}, &error))
        QSKIP(qPrintable(QStringLiteral("cannot make network namespaces here: ") + error));
    m_created.append(m_app);
    for (const QString &ns : {m_model1, m_model2}) {
        QVERIFY2(ip({QStringLiteral("netns"), QStringLiteral("add"), ns}, &error), qPrintable(error));
        m_created.append(ns);
    }

    const QString bridge = QStringLiteral("br") + tag;
    auto run = [this](const QString &command) {
        QString error;
        QVERIFY2(ip(command.split(QLatin1Char(' '), Qt::SkipEmptyParts), &error), qPrintable(command + QStringLiteral(": ") + error));
    };
    run(QStringLiteral("-n %1 link add %2 type bridge").arg(m_app, bridge));
    run(QStringLiteral("-n %1 addr add 10.77.0.1/24 broadcast 10.77.0.255 dev %2").arg(m_app, bridge));
    run(QStringLiteral("-n %1 link set %2 up").arg(m_app, bridge));
    run(QStringLiteral("-n %1 link set lo up").arg(m_app));
    const QStringList models{m_model1, m_model2};
    const QStringList addresses{QStringLiteral("10.77.0.2"), QStringLiteral("10.77.0.10")};
    for (int i = 0; i < 2; ++i) {
        const QString outer = QStringLiteral("tv%1_%2").arg(i).arg(tag);
        const QString inner = QStringLiteral("ti%1_%2").arg(i).arg(tag);
        run(QStringLiteral("-n %1 link add %2 type veth peer name %3 netns %4").arg(m_app, outer, inner, models[i]));
        run(QStringLiteral("-n %1 link set %2 master %3").arg(m_app, outer, bridge));
        run(QStringLiteral("-n %1 link set %2 up").arg(m_app, outer));
        run(QStringLiteral("-n %1 addr add %2/24 broadcast 10.77.0.255 dev %3").arg(models[i], addresses[i], inner));
        run(QStringLiteral("-n %1 link set %2 up").arg(models[i], inner));
        run(QStringLiteral("-n %1 link set lo up").arg(models[i]));
    }
}

std::unique_ptr<QProcess> TstDiscoveryNetns::inNamespace(const QString &ns, const QString &program,
                                                          const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setReadChannel(QProcess::StandardOutput);
    process->start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns, program} + arguments);
    return process;
}

void TstDiscoveryNetns::removeNamespaces()
{
    for (auto &process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    m_processes.clear();
    for (const QString &ns : qAsConst(m_created))
        ip({QStringLiteral("netns"), QStringLiteral("del"), ns});
    m_created.clear();
}

// A run killed from outside (a time-out) cannot clean up; the next run removes what it left,
// recognised by the name pattern and a process id that no longer runs.
void TstDiscoveryNetns::sweepStaleNamespaces()
{
    QProcess list;
    list.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")});
    if (!list.waitForFinished(10000))
        return;
    const auto lines = QString::fromLocal8Bit(list.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    static const QRegularExpression ours(QStringLiteral("^(tdapp|tdm1_|tdm2_)(\\d+)$"));
    for (const QString &line : lines) {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        const auto match = ours.match(name);
        if (match.hasMatch() && ::kill(pid_t(match.captured(2).toLongLong()), 0) != 0)
            ip({QStringLiteral("netns"), QStringLiteral("del"), name});
    }
}

void TstDiscoveryNetns::cleanupTestCase()
{
    removeNamespaces();
}

void TstDiscoveryNetns::listsTwoModelsAndDropsOneThatStops()
{
    const QString model = QStringLiteral(TARN_BIN_DIR "/tarn-offline-model");
    m_processes.push_back(inNamespace(m_model1, model, {QStringLiteral("--bind"), QStringLiteral("0.0.0.0")}));
    QProcess *first = m_processes.back().get();
    m_processes.push_back(inNamespace(m_model2, model, {QStringLiteral("--bind"), QStringLiteral("0.0.0.0")}));
    QProcess *second = m_processes.back().get();
    QVERIFY(first->waitForStarted());
    QVERIFY(second->waitForStarted());

    m_processes.push_back(inNamespace(m_app, QStringLiteral(TARN_BIN_DIR "/discovery_watch"), {QStringLiteral("90")}));
    QProcess *watch = m_processes.back().get();
    QVERIFY(watch->waitForStarted());

    QString output;
    auto rowsLine = [&]() {
        output += QString::fromLocal8Bit(watch->readAllStandardOutput());
        const auto lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (int i = lines.size() - 1; i >= 0; --i) {
            if (lines.at(i).startsWith(QStringLiteral("ROWS ")))
                return lines.at(i).mid(5);
        }
        return QString();
    };
    auto addressesOf = [](const QString &rows) {
        QStringList list;
        for (const QString &row : rows.split(QLatin1Char(','), Qt::SkipEmptyParts))
            list.append(row.section(QLatin1Char('='), 0, 0));
        return list;
    };

    // Both answer; rows come in address-text order (".10" before ".2").
    QTRY_COMPARE_WITH_TIMEOUT(addressesOf(rowsLine()),
                              QStringList({QStringLiteral("10.77.0.10"), QStringLiteral("10.77.0.2")}), 30000);
    QVERIFY(output.contains(QStringLiteral("SCANNING")));

    // One stops: gone at the end of the next scan cycle; the other stays.
    second->kill();
    QVERIFY(second->waitForFinished(5000));
    QTRY_COMPARE_WITH_TIMEOUT(addressesOf(rowsLine()), QStringList({QStringLiteral("10.77.0.2")}), 30000);

    watch->closeWriteChannel();
    QVERIFY(watch->waitForFinished(10000));
    removeNamespaces();
}

TARN_TEST_MAIN(TstDiscoveryNetns, QCoreApplication)
#include "tst_discovery_netns.moc"
