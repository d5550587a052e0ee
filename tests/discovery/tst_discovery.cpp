// Guards against processors missing from the list, shown twice or in a jumble, kept after they
// stop answering, and probes that accept another model, hang or report after the user moved on.
#include "deviceinfo.h"
#include "discovereddevicesmodel.h"
#include "discovereddevicesprovider.h"
#include "modelprocess.h"
#include "platform.h"
#include "testenv.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {
QByteArray answer(const QString &className, const QString &name = QStringLiteral("Stage Left"))
{
    return QStringLiteral("get \\\\Node\\AT\\Class_Name \"%1\"\n"
                          "get \\\\Node\\AT\\Instance_Name \"%2\"\n"
                          "get \\\\Node\\AT\\Software_Version \"2.4.1\"\n"
                          "get \\\\Node\\SV\\HardwareVersion \"Dante\"\n")
        .arg(className, name)
        .toUtf8();
}

DeviceInfo device(const QString &address, const QString &name = QString())
{
    DeviceInfo info;
    info.ipAddress = address;
    info.className = QString::fromLatin1(tarn::kTarnClassName);
    info.instanceName = name.isEmpty() ? address : name;
    return info;
}

QStringList addresses(const DiscoveredDevicesModel &model)
{
    QStringList list;
    for (int row = 0; row < model.rowCount(); ++row)
        list.append(model.data(model.index(row), DiscoveredDevicesModel::IpAddressRole).toString());
    return list;
}

// A processor that answers discovery datagrams with a scripted reply (or none) on 127.0.0.1.
struct ScriptedResponder : QObject {
    ScriptedResponder()
    {
        QVERIFY(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
        connect(&socket, &QUdpSocket::readyRead, this, [this]() {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram query = socket.receiveDatagram();
                queries.append(query.data());
                if (!reply.isNull())
                    socket.writeDatagram(reply, query.senderAddress(), query.senderPort());
            }
        });
    }
    QUdpSocket socket;
    QByteArray reply; // none: the query goes unanswered
    QList<QByteArray> queries;
};
// A typed-in address asked about, with what the screen hears back; the clock runs from the last ask.
struct ManualProbe {
    DiscoveredDevicesModel model;
    QSignalSpy confirmed{&model, &DiscoveredDevicesModel::quarraConfirmed};
    QSignalSpy details{&model, &DiscoveredDevicesModel::deviceConfirmed};
    QSignalSpy invalid{&model, &DiscoveredDevicesModel::invalidIPForQuarra};
    QElapsedTimer clock;
    void ask(const QString &address = QStringLiteral("127.0.0.1"))
    {
        clock.start();
        model.getDeviceDetailsForIP(address);
    }
};
} // namespace

class TstDiscovery : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        qunsetenv("TARN_DEVICE_PORT");
    }

    void cleanupTestCase()
    {
        for (auto &process : m_models) {
            process->kill();
            process->waitForFinished(5000);
        }
        for (const QString &ns : m_namespaces)
            ip({}, {"netns del " + ns});
    }

    // What an answer datagram yields: class|name|software|hardware, empty when it is refused.
    void parsing_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("fields");
        const QString ours = QStringLiteral("norvCadenzoTarn");
        QTest::newRow("quotes and blanks go") << answer(ours, QStringLiteral("  FOH Rack ")) << "norvCadenzoTarn|FOH Rack|2.4.1|Dante";
        QTest::newRow("configurable model") << answer(QStringLiteral("norvCadenzoQuarra")) << "norvCadenzoQuarra|Stage Left|2.4.1|Dante";
        QTest::newRow("other model") << answer(QStringLiteral("norvQuarra")) << "";
        QTest::newRow("longer class name") << answer(QStringLiteral("norvCadenzoTarnX")) << "";
        // Fields by position only: a blank line shifts the rest, and lines without their prefix stay empty.
        QByteArray shifted = answer(ours);
        shifted.insert(shifted.indexOf('\n') + 1, "\n");
        QTest::newRow("blank line") << shifted << "norvCadenzoTarn|||";
        QByteArray three = answer(ours);
        three.truncate(three.lastIndexOf("get \\\\Node\\SV"));
        QTest::newRow("no hardware line") << three << "";
        three.chop(1);
        QTest::newRow("no hardware line, last line unended") << three << "";
        QTest::newRow("class line not first")
            << QByteArray("get \\\\Node\\AT\\Instance_Name \"x\"\nget \\\\Node\\AT\\Class_Name \"norvCadenzoTarn\"\na\nb\n") << "";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("oversized") << answer(ours) + QByteArray(tarn::discovery::kMaxDatagramSize, 'x') << "";
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01\n\n\n\n", 8) << "";
    }

    void parsing()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, fields);
        DeviceInfo info;
        info.ipAddress = QStringLiteral("10.0.0.4");
        if (tarn::discovery::parseAnswer(datagram, tarn::discovery::expectedPrefixes(), info))
            QCOMPARE(QStringList({info.className, info.instanceName, info.softwareVersion, info.hardwareVersion}).join('|'), fields);
        else
            QCOMPARE(info.className, fields); // a refused answer leaves the record as it was
        QCOMPARE(info.ipAddress, QStringLiteral("10.0.0.4"));
    }

    void modelRows()
    {
        DiscoveredDevicesModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        DeviceInfoMap cycle{{QStringLiteral("192.168.1.9"), device(QStringLiteral("192.168.1.9"))},
                            {QStringLiteral("192.168.1.10"), device(QStringLiteral("192.168.1.10"), QStringLiteral("Old name"))}};
        model.onDeviceList(cycle);
        QCOMPARE(addresses(model), QStringList({"192.168.1.10", "192.168.1.9"})); // address-text order

        // A newcomer lands at its ordered position, announced there; a row missing from one cycle
        // goes, and rows already listed keep what they showed.
        inserted.clear();
        cycle.insert(QStringLiteral("192.168.1.100"), device(QStringLiteral("192.168.1.100")));
        cycle.insert(QStringLiteral("192.168.1.10"), device(QStringLiteral("192.168.1.10"), QStringLiteral("New name")));
        cycle.remove(QStringLiteral("192.168.1.9"));
        model.onDeviceList(cycle);
        QCOMPARE(inserted + removed, (QList<QVariantList>{{QModelIndex(), 1, 1}, {QModelIndex(), 1, 1}}));
        QCOMPARE(addresses(model), QStringList({"192.168.1.10", "192.168.1.100"}));
        QCOMPARE(model.data(model.index(0), DiscoveredDevicesModel::InstanceNameRole).toString(), QStringLiteral("Old name"));

        model.onDeviceList({});
        QCOMPARE(model.rowCount(), 0);

        // The screens read rows by these role names.
        DeviceInfo info = device(QStringLiteral("10.1.1.1"), QStringLiteral("Monitor"));
        info.softwareVersion = QStringLiteral("1.0");
        info.hardwareVersion = QStringLiteral("Parvane");
        model.onDeviceList({{info.ipAddress, info}, {QStringLiteral("10.1.1.2"), device(QStringLiteral("10.1.1.2"))}});
        QStringList shown;
        for (const char *role : {"className", "instanceName", "ipAddress", "softwareVersion", "hardwareVersion"})
            shown << model.data(model.index(0), model.roleNames().key(role, -1)).toString();
        QCOMPARE(shown, QStringList({"norvCadenzoTarn", "Monitor", "10.1.1.1", "1.0", "Parvane"}));
        QVERIFY(!model.data(model.index(0), Qt::DisplayRole).isValid());
        QVERIFY(!model.data(model.index(5), DiscoveredDevicesModel::IpAddressRole).isValid());

        QSignalSpy aboutToRemove(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
        model.clear();
        QCOMPARE(aboutToRemove, (QList<QVariantList>{{QModelIndex(), 0, 1}}));
        QCOMPARE(model.rowCount(), 0);
    }

    void manualProbe()
    {
        ScriptedResponder responder; // bound, but says nothing at first
        qputenv("TARN_DEVICE_PORT", QByteArray::number(responder.socket.localPort()));
        ManualProbe p;
        p.ask();
        QVERIFY(p.invalid.wait(10000));
        QVERIFY(p.clock.elapsed() >= DiscoveredDevicesProvider::kManualTimeoutMs - 50);
        QCOMPARE(p.invalid.count(), 1);
        QCOMPARE(responder.queries, QList<QByteArray>({tarn::discovery::queryBatch()}));

        // A text that is no address fails the same way, without sending anything.
        p.ask(QStringLiteral("not.an.address"));
        QVERIFY(p.invalid.wait(10000));
        QCOMPARE(responder.queries.size(), 1);

        // While the screen asks for a password, the running-out probe reports nothing.
        auto *timer = p.model.provider()->findChild<QTimer *>(QStringLiteral("manualTimer"));
        p.invalid.clear();
        p.ask();
        p.model.waitForPassword();
        QVERIFY(timer && timer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 10000);
        QCoreApplication::processEvents();
        QCOMPARE(p.invalid.count(), 0);

        // An ignored probe stays silent even when its answer comes late.
        responder.reply = answer(QStringLiteral("norvCadenzoTarn"));
        p.ask();
        p.model.ignoreDeviceDetailsResponse();
        QTRY_COMPARE_WITH_TIMEOUT(responder.queries.size(), 3, 5000);
        QVERIFY(!timer->isActive());
        QVERIFY(!p.confirmed.wait(300));
        QCOMPARE(p.invalid.count(), 0);
        // ...and does not pass for the answer of the next probe: another model, invalid at once,
        // long before the time-out.
        responder.reply = answer(QStringLiteral("norvQuarra"));
        p.ask();
        QVERIFY(p.invalid.wait(5000));
        QVERIFY2(p.clock.elapsed() < DiscoveredDevicesProvider::kManualTimeoutMs, qPrintable(QString::number(p.clock.elapsed())));
        QVERIFY(!timer->isActive());
        QCOMPARE(p.confirmed.count() + p.details.count(), 0);
    }

    // Our processor is confirmed, with its hardware variant and name; another model is refused at
    // once, not after the time-out.
    void manualProbeAgainstOfflineModel()
    {
        for (const QString &className : {QStringLiteral("norvCadenzoTarn"), QStringLiteral("norvQuarra")}) {
            tarn::test::ModelProcess processor;
            QVERIFY2(processor.start({"--class-name", className, "--hardware-version", "Parvane", "--instance-name", "Sidefill"}),
                     qPrintable(processor.output()));
            qputenv("TARN_DEVICE_PORT", QByteArray::number(processor.port()));
            ManualProbe p;
            p.ask();
            const bool ours = className == QLatin1String("norvCadenzoTarn");
            QVERIFY2(ours ? p.confirmed.wait(5000) : p.invalid.wait(5000), qPrintable(className));
            QVERIFY(p.clock.elapsed() < DiscoveredDevicesProvider::kManualTimeoutMs);
            QCOMPARE(p.confirmed.count() + p.invalid.count(), 1);
            if (ours) {
                QCOMPARE(p.confirmed.at(0).at(0).toString(), QStringLiteral("Parvane"));
                QCOMPARE(p.details.at(0).at(0).toMap().value(QStringLiteral("instanceName")).toString(), QStringLiteral("Sidefill"));
            }
        }
    }

    // Broadcast discovery across a real (virtual) network: this test process in one network
    // namespace, two offline models in two others, joined by a bridge. Needs root.
    // last: it moves this thread into another network namespace
    void broadcastAcrossNamespaces()
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
        const QStringList hosts{QStringLiteral("10.77.0.2"), QStringLiteral("10.77.0.10")};
        for (int i = 1; i <= 2; ++i) {
            const QString outer = QStringLiteral("tv%1").arg(i);
            QCOMPARE(ip(m_namespaces[0], {QStringLiteral("link add %1 type veth peer name ti0 netns %2").arg(outer, m_namespaces[i]),
                                          "link set " + outer + " master br0", "link set " + outer + " up"}),
                     QString());
            QCOMPARE(ip(m_namespaces[i], {"addr add " + hosts[i - 1] + "/24 broadcast 10.77.0.255 dev ti0", "link set ti0 up",
                                          "link set lo up"}),
                     QString());
        }

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
        model.startScanning();
        // Both answer; rows come in address-text order (".10" before ".2").
        QTRY_COMPARE_WITH_TIMEOUT(addresses(model), QStringList({"10.77.0.10", "10.77.0.2"}), 30000);
        QVERIFY(scanning.count() > 0);

        // One stops: gone at the end of the next scan cycle; the other stays.
        m_models.back()->kill();
        QVERIFY(m_models.back()->waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(addresses(model), QStringList({"10.77.0.2"}), 30000);
    }

private:
    // Runs the lines as one ip batch, inside the namespace ns unless it is empty; an empty
    // answer when all went well, else what ip said.
    static QString ip(const QString &ns, const QStringList &lines)
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

    const QString m_tag = QString::number(QCoreApplication::applicationPid());
    const QStringList m_namespaces{"tdapp" + m_tag, "tdm1_" + m_tag, "tdm2_" + m_tag};
    std::vector<std::unique_ptr<QProcess>> m_models;
};

TARN_TEST_MAIN(TstDiscovery, QCoreApplication)
#include "tst_discovery.moc"
