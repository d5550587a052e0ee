// Guards against broadcast discovery that misses processors on a real network segment or keeps
// listing one that stopped answering.
#include "discovereddevicesmodel.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sched.h>
#include <unistd.h>

// Broadcast discovery across a real (virtual) network: this test process in one network
// namespace, two offline models in two others, joined by a bridge. Needs root.
class TstDiscoveryNetns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsTwoModelsAndDropsOneThatStops();

private:
    // Runs the lines as one ip batch, inside the namespace ns unless it is empty; an empty
    // answer when all went well, else what ip said.
    static QString ip(const QString &ns, const QStringList &lines);

    const QString m_tag = QString::number(QCoreApplication::applicationPid());
    const QStringList m_namespaces{"tdapp" + m_tag, "tdm1_" + m_tag, "tdm2_" + m_tag};
    std::vector<std::unique_ptr<QProcess>> m_models;
};

QString TstDiscoveryNetns::ip(const QString &ns, const QStringList &lines)
{
    QProcess process;
    process.start(QStringLiteral("ip"), (ns.isEmpty() ? QStringList() : QStringList{"-n", ns}) + QStringList{"-batch", "-"});
    process.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    process.closeWriteChannel();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return QStringLiteral("ip did not finish");
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return QString();
    return lines.join(QLatin1String("; ")) + QLatin1String(": ") + QString::fromLocal8Bit(process.readAllStandardError());
}

void TstDiscoveryNetns::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("needs root to make network namespaces");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("iproute2 is not installed");
    if (!QFileInfo(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model")).isExecutable())
        QSKIP("tarn-offline-model is not built");

    // A run killed from outside (a time-out) cannot clean up: its namespaces carry the id of a
    // process that no longer runs.
    QProcess list;
    list.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")});
    list.waitForFinished(10000);
    static const QRegularExpression ours(QStringLiteral("^(tdapp|tdm1_|tdm2_)(\\d+)\\b"), QRegularExpression::MultilineOption);
    for (auto it = ours.globalMatch(QString::fromLocal8Bit(list.readAllStandardOutput())); it.hasNext();) {
        const auto match = it.next();
        if (::kill(pid_t(match.captured(2).toLongLong()), 0) != 0)
            ip({}, {"netns del " + match.captured(0)});
    }

    const QString error = ip({}, {"netns add " + m_namespaces[0]});
    if (!error.isEmpty())
        QSKIP(qPrintable(QStringLiteral("cannot make network namespaces here: ") + error));
    QCOMPARE(ip({}, {"netns add " + m_namespaces[1], "netns add " + m_namespaces[2]}), QString());
    QCOMPARE(ip(m_namespaces[0], {"link add br0 type bridge", "addr add 10.77.0.1/24 broadcast 10.77.0.255 dev br0",
                                  "link set br0 up", "link set lo up"}),
             QString());
    const QStringList addresses{QStringLiteral("10.77.0.2"), QStringLiteral("10.77.0.10")};
    for (int i = 1; i <= 2; ++i) {
        const QString outer = QStringLiteral("tv%1").arg(i);
        QCOMPARE(ip(m_namespaces[0], {QStringLiteral("link add %1 type veth peer name ti0 netns %2").arg(outer, m_namespaces[i]),
                                      "link set " + outer + " master br0", "link set " + outer + " up"}),
                 QString());
        QCOMPARE(ip(m_namespaces[i], {"addr add " + addresses[i - 1] + "/24 broadcast 10.77.0.255 dev ti0", "link set ti0 up",
                                      "link set lo up"}),
                 QString());
    }
}

void TstDiscoveryNetns::cleanupTestCase()
{
    for (auto &process : m_models) {
        process->kill();
        process->waitForFinished(5000);
    }
    for (const QString &ns : m_namespaces)
        ip({}, {"netns del " + ns});
}

void TstDiscoveryNetns::listsTwoModelsAndDropsOneThatStops()
{
    for (int i = 1; i <= 2; ++i) {
        m_models.push_back(std::make_unique<QProcess>());
        m_models.back()->start(QStringLiteral("ip"), {"netns", "exec", m_namespaces[i], TARN_BIN_DIR "/tarn-offline-model",
                                                      "--bind", "0.0.0.0"});
        QVERIFY(m_models.back()->waitForStarted());
    }
    // This thread's sockets, and the interfaces it sees, are those of the application's namespace.
    const int fd = ::open(qPrintable("/var/run/netns/" + m_namespaces[0]), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0);
    ::close(fd);

    DiscoveredDevicesModel model;
    QSignalSpy scanning(&model, &DiscoveredDevicesModel::scanningForDevices);
    const auto addresses = [&model]() {
        QStringList list;
        for (int row = 0; row < model.rowCount(); ++row)
            list.append(model.data(model.index(row), DiscoveredDevicesModel::IpAddressRole).toString());
        return list;
    };
    model.startScanning();
    // Both answer; rows come in address-text order (".10" before ".2").
    QTRY_COMPARE_WITH_TIMEOUT(addresses(), QStringList({"10.77.0.10", "10.77.0.2"}), 30000);
    QVERIFY(scanning.count() > 0);

    // One stops: gone at the end of the next scan cycle; the other stays.
    m_models.back()->kill();
    QVERIFY(m_models.back()->waitForFinished(5000));
    QTRY_COMPARE_WITH_TIMEOUT(addresses(), QStringList({"10.77.0.2"}), 30000);
}

TARN_TEST_MAIN(TstDiscoveryNetns, QCoreApplication)
#include "tst_discovery_netns.moc"
