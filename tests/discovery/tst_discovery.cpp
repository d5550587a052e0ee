// Guards against processors missing from the list, shown twice or in a jumble, and probes that
// accept another model, hang or report after the user moved on.
#include "deviceinfo.h"
#include "discovereddevicesmodel.h"
#include "discovereddevicesprovider.h"
#include "modelprocess.h"
#include "platform.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTimer>
#include <QUdpSocket>

namespace {
QByteArray answer(const QString &className, const QString &name = QStringLiteral("Stage Left"),
                  const QString &software = QStringLiteral("2.4.1"), const QString &hardware = QStringLiteral("Dante"))
{
    return QStringLiteral("get \\\\Node\\AT\\Class_Name \"%1\"\n"
                          "get \\\\Node\\AT\\Instance_Name \"%2\"\n"
                          "get \\\\Node\\AT\\Software_Version \"%3\"\n"
                          "get \\\\Node\\SV\\HardwareVersion \"%4\"\n")
        .arg(className, name, software, hardware)
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
class ScriptedResponder : public QObject {
public:
    ScriptedResponder()
    {
        QVERIFY(m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
        connect(&m_socket, &QUdpSocket::readyRead, this, [this]() {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram query = m_socket.receiveDatagram();
                m_queries.append(query.data());
                if (!m_reply.isNull())
                    m_socket.writeDatagram(m_reply, query.senderAddress(), query.senderPort());
            }
        });
    }
    quint16 port() const { return m_socket.localPort(); }
    void setReply(const QByteArray &reply) { m_reply = reply; }
    const QList<QByteArray> &queries() const { return m_queries; }

private:
    QUdpSocket m_socket;
    QByteArray m_reply;
    QList<QByteArray> m_queries;
};
} // namespace

class TstDiscovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void parsing();
    void modelRows();
    void manualProbe();
    void manualProbeAgainstOfflineModel();
};

void TstDiscovery::init()
{
    qunsetenv("TARN_DEVICE_PORT");
}

void TstDiscovery::parsing()
{
    const QStringList prefixes = tarn::discovery::expectedPrefixes();

    // A full answer: quotes removed, surrounding blanks trimmed, fields by position.
    DeviceInfo info;
    info.ipAddress = QStringLiteral("10.0.0.4");
    QVERIFY(tarn::discovery::parseAnswer(answer(QStringLiteral("norvCadenzoTarn"), QStringLiteral("  FOH Rack ")), prefixes, info));
    QCOMPARE(QStringList({info.className, info.instanceName, info.softwareVersion, info.hardwareVersion, info.ipAddress}),
             QStringList({"norvCadenzoTarn", "FOH Rack", "2.4.1", "Dante", "10.0.0.4"}));

    // Class name line but no hardware-version line: incomplete, whether or not the last line ends.
    QByteArray threeLines = answer(QStringLiteral("norvCadenzoTarn"));
    threeLines.truncate(threeLines.lastIndexOf("get \\\\Node\\SV"));
    DeviceInfo rejected;
    QTest::ignoreMessage(QtDebugMsg, "Incomplete response received.");
    QVERIFY(!tarn::discovery::parseAnswer(threeLines, prefixes, rejected));
    threeLines.chop(1);
    QTest::ignoreMessage(QtDebugMsg, "Incomplete response received.");
    QVERIFY(!tarn::discovery::parseAnswer(threeLines, prefixes, rejected));
    QVERIFY(rejected.className.isEmpty());

    // The configurable model is served too; any other model is not.
    DeviceInfo configurable;
    QVERIFY(tarn::discovery::parseAnswer(answer(QStringLiteral("norvCadenzoQuarra")), prefixes, configurable));
    QCOMPARE(configurable.className, QStringLiteral("norvCadenzoQuarra"));
    QVERIFY(!tarn::discovery::parseAnswer(answer(QStringLiteral("norvQuarra")), prefixes, rejected));
    QVERIFY(!tarn::discovery::parseAnswer(answer(QStringLiteral("norvCadenzoTarnX")), prefixes, rejected));

    // Matched by position only: a blank line shifts the rest, and a line without its prefix
    // leaves its field empty.
    QByteArray shifted = answer(QStringLiteral("norvCadenzoTarn"));
    shifted.insert(shifted.indexOf('\n') + 1, "\n");
    DeviceInfo partial;
    QVERIFY(tarn::discovery::parseAnswer(shifted, prefixes, partial));
    QCOMPARE(partial.instanceName + partial.softwareVersion + partial.hardwareVersion, QString());

    // The answer's class line must come first.
    QByteArray swapped("get \\\\Node\\AT\\Instance_Name \"x\"\nget \\\\Node\\AT\\Class_Name \"norvCadenzoTarn\"\na\nb\n");
    QVERIFY(!tarn::discovery::parseAnswer(swapped, prefixes, rejected));

    // Garbage of any size is refused without harm.
    QVERIFY(!tarn::discovery::parseAnswer(QByteArray(), prefixes, rejected));
    QByteArray huge = answer(QStringLiteral("norvCadenzoTarn"));
    huge += QByteArray(tarn::discovery::kMaxDatagramSize, 'x');
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Oversized discovery answer")));
    QVERIFY(!tarn::discovery::parseAnswer(huge, prefixes, rejected));
    QByteArray binary("\xff\xfe\x00\x01\n\n\n\n", 8);
    QVERIFY(!tarn::discovery::parseAnswer(binary, prefixes, rejected));
}

void TstDiscovery::modelRows()
{
    DiscoveredDevicesModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    DeviceInfoMap cycle;
    for (const char *address : {"192.168.1.9", "192.168.1.10"})
        cycle.insert(QLatin1String(address), device(QLatin1String(address)));
    cycle.insert(QStringLiteral("192.168.1.10"), device(QStringLiteral("192.168.1.10"), QStringLiteral("Old name")));
    model.onDeviceList(cycle);
    QCOMPARE(addresses(model), QStringList({"192.168.1.10", "192.168.1.9"})); // address-text order

    // A newcomer lands at its ordered position, announced there; a row missing from one cycle
    // goes, and rows already listed keep what they showed.
    inserted.clear();
    cycle.insert(QStringLiteral("192.168.1.100"), device(QStringLiteral("192.168.1.100")));
    cycle.insert(QStringLiteral("192.168.1.10"), device(QStringLiteral("192.168.1.10"), QStringLiteral("New name")));
    cycle.remove(QStringLiteral("192.168.1.9"));
    model.onDeviceList(cycle);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(1).toInt(), 1);
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
    QCOMPARE(aboutToRemove.count(), 1);
    QCOMPARE(aboutToRemove.at(0).at(2).toInt(), 1);
    QCOMPARE(model.rowCount(), 0);
}

void TstDiscovery::manualProbe()
{
    ScriptedResponder responder; // bound, but says nothing at first
    qputenv("TARN_DEVICE_PORT", QByteArray::number(responder.port()));
    DiscoveredDevicesModel model;
    QSignalSpy confirmed(&model, &DiscoveredDevicesModel::quarraConfirmed);
    QSignalSpy details(&model, &DiscoveredDevicesModel::deviceConfirmed);
    QSignalSpy invalid(&model, &DiscoveredDevicesModel::invalidIPForQuarra);
    QElapsedTimer clock;
    clock.start();
    model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
    QVERIFY(invalid.wait(10000));
    QVERIFY(clock.elapsed() >= DiscoveredDevicesProvider::kManualTimeoutMs - 50);
    QCOMPARE(invalid.count(), 1);
    QCOMPARE(responder.queries(), QList<QByteArray>({tarn::discovery::queryBatch()}));

    // A text that is no address fails the same way, without sending anything.
    model.getDeviceDetailsForIP(QStringLiteral("not.an.address"));
    QVERIFY(invalid.wait(10000));
    QCOMPARE(responder.queries().size(), 1);

    // While the screen asks for a password, the running-out probe reports nothing.
    auto *timer = model.provider()->findChild<QTimer *>(QStringLiteral("manualTimer"));
    QVERIFY(timer);
    invalid.clear();
    model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
    model.waitForPassword();
    QVERIFY(timer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 10000);
    QCoreApplication::processEvents();
    QCOMPARE(invalid.count(), 0);

    // An ignored probe stays silent even when its answer comes late.
    responder.setReply(answer(QStringLiteral("norvCadenzoTarn")));
    model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
    model.ignoreDeviceDetailsResponse();
    QTRY_COMPARE_WITH_TIMEOUT(responder.queries().size(), 3, 5000);
    QVERIFY(!timer->isActive());
    QVERIFY(!confirmed.wait(300));
    QCOMPARE(invalid.count(), 0);
    // ...and does not pass for the answer of the next probe: another model, invalid at once,
    // long before the time-out.
    responder.setReply(answer(QStringLiteral("norvQuarra")));
    clock.restart();
    model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
    QVERIFY(invalid.wait(5000));
    QVERIFY2(clock.elapsed() < DiscoveredDevicesProvider::kManualTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!timer->isActive());
    QCOMPARE(confirmed.count(), 0);

    // Confirmed: the hardware variant comes with it.
    responder.setReply(answer(QStringLiteral("norvCadenzoTarn"), QStringLiteral("Sidefill"), QStringLiteral("3.0"),
                              QStringLiteral("Parvane")));
    model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
    QVERIFY(confirmed.wait(5000));
    QCOMPARE(confirmed.at(0).at(0).toString(), QStringLiteral("Parvane"));
    QCOMPARE(details.count(), 1);
    QCOMPARE(details.at(0).at(0).toMap().value(QStringLiteral("instanceName")).toString(), QStringLiteral("Sidefill"));

    // A three-line answer is incomplete, so invalid too.
    QByteArray three = answer(QStringLiteral("norvCadenzoTarn"));
    three.truncate(three.lastIndexOf("get \\\\Node\\SV"));
    responder.setReply(three);
    invalid.clear();
    QTest::ignoreMessage(QtDebugMsg, "Incomplete response received.");
    model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
    QVERIFY(invalid.wait(5000));
    QCOMPARE(confirmed.count(), 1);
}

// Our processor is confirmed; another model is refused at once, not after the time-out.
void TstDiscovery::manualProbeAgainstOfflineModel()
{
    for (const QString &className : {QStringLiteral("norvCadenzoTarn"), QStringLiteral("norvQuarra")}) {
        tarn::test::ModelProcess processor;
        QVERIFY2(processor.start({QStringLiteral("--class-name"), className}), qPrintable(processor.output()));
        qputenv("TARN_DEVICE_PORT", QByteArray::number(processor.port()));
        DiscoveredDevicesModel model;
        QSignalSpy confirmed(&model, &DiscoveredDevicesModel::quarraConfirmed);
        QSignalSpy invalid(&model, &DiscoveredDevicesModel::invalidIPForQuarra);
        QElapsedTimer clock;
        clock.start();
        model.getDeviceDetailsForIP(QStringLiteral("127.0.0.1"));
        const bool ours = className == QLatin1String("norvCadenzoTarn");
        QVERIFY2(ours ? confirmed.wait(5000) : invalid.wait(5000), qPrintable(className));
        QVERIFY(clock.elapsed() < DiscoveredDevicesProvider::kManualTimeoutMs);
        QCOMPARE(confirmed.count() + invalid.count(), 1);
    }
}

TARN_TEST_MAIN(TstDiscovery, QCoreApplication)
#include "tst_discovery.moc"
