// Guards against controls that subscribe at the wrong time, take records meant for another
// binding, or stay unbound after a lost connection; and a remote watchdog that never notices.
#include "clientconnectionwatchdog.h"
#include "remoteconnectionwatchdog.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarncontrol.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

using tarn::test::ScriptedPeer;

namespace {
constexpr int kWait = 5000;

// A control that keeps what reaches its hook.
class RecordingControl : public TarnControl {
    Q_OBJECT
public:
    using TarnControl::TarnControl;
    QList<DataFromDevice> handled;

protected:
    void handleDataAvailable(DataFromDevice data) override { handled.append(data); }
};

std::unique_ptr<RecordingControl> makeControl(const QString &po, const QString &sv, const QString &type = QString())
{
    auto control = std::make_unique<RecordingControl>();
    control->setValueType(type);
    control->setPoName(po);
    control->setSvName(sv);
    control->componentCompleted();
    return control;
}

QStringList valuesOf(const RecordingControl &control)
{
    QStringList values;
    for (const DataFromDevice &record : control.handled)
        values.append(record.value);
    return values;
}

QByteArray subLine(const QByteArray &po, const QByteArray &sv, const QByteArray &suffix = QByteArray())
{
    return "sub \"\\\\Preset\\" + po + "\\SV\\" + sv + "\\" + suffix + "\"";
}
} // namespace

class TstTarnControl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void subscribesAtLoginOnly();
    void filtersRecordsToItsBinding();
    void unsubscribesOnDestruction();
    void renamedControlFollowsItsNewKey();
    void remoteWatchdogPollsAndReportsLoss();

private:
    bool login(ScriptedPeer &peer);
    // Sends a marker request and waits until the peer has it, so every request made before it
    // has arrived too.
    void syncWith(ScriptedPeer &peer);
    TCPAdaptor *m_adaptor = nullptr;
    int m_marker = 0;
};

void TstTarnControl::initTestCase()
{
    m_adaptor = TCPAdaptor::instance();
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("secret"));
}

void TstTarnControl::cleanup()
{
    m_adaptor->doDisconnect();
    QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isConnected(), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isReady(), kWait);
}

bool TstTarnControl::login(ScriptedPeer &peer)
{
    qputenv("TARN_DEVICE_PORT", QByteArray::number(peer.port()));
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    m_adaptor->doConnect();
    return ready.wait(kWait);
}

void TstTarnControl::syncWith(ScriptedPeer &peer)
{
    const QString name = QStringLiteral("Marker%1").arg(++m_marker);
    DataFromDevice marker;
    marker.command = QStringLiteral("get");
    marker.poName = QStringLiteral("Sync");
    marker.svName = name;
    m_adaptor->sendRequest(marker);
    QTRY_VERIFY(peer.received("get \"\\\\Preset\\Sync\\SV\\" + name.toUtf8() + "\\\""));
}

void TstTarnControl::subscribesAtLoginOnly()
{
    ScriptedPeer peer;
    // Made before the login: nothing can be sent yet.
    auto gate = makeControl(QStringLiteral("Gate"), QStringLiteral("Threshold"));
    auto meter = makeControl(QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level"), QStringLiteral("%"));
    meter->setIsMeter(true);
    auto percent = makeControl(QStringLiteral("OutputMeters"), QStringLiteral("Channel_2_Level"), QStringLiteral("%"));
    auto half = makeControl(QStringLiteral("Gate"), QString());
    QSignalSpy gateReady(gate.get(), &TarnControl::corvexReady);

    QVERIFY(login(peer));
    syncWith(peer);
    QCOMPARE(gateReady.count(), 1);
    QCOMPARE(peer.linesStartingWith("sub"),
             QList<QByteArray>({subLine("Gate", "Threshold"), subLine("OutputMeters", "Channel_2_Level", "%")}));

    // Logged in: completing a control subscribes at once; equal names send nothing more.
    peer.clearLines();
    auto later = std::make_unique<RecordingControl>();
    later->setPoName(QStringLiteral("Compressor"));
    later->setSvName(QStringLiteral("Ratio")); // both names set: subscribes
    QSignalSpy svChanged(later.get(), &TarnControl::svNameChanged);
    later->setSvName(QStringLiteral("Ratio"));
    later->setPoName(QStringLiteral("Compressor"));
    QCOMPARE(svChanged.count(), 0);
    half->componentCompleted();
    meter->componentCompleted();
    // A new name subscribes the new path; the old one is left as it is.
    later->setSvName(QStringLiteral("Threshold"));
    QCOMPARE(svChanged.count(), 1);
    syncWith(peer);
    QCOMPARE(peer.linesStartingWith("sub"),
             QList<QByteArray>({subLine("Compressor", "Ratio"), subLine("Compressor", "Threshold")}));
    QVERIFY(peer.linesStartingWith("unsub").isEmpty());
}

void TstTarnControl::filtersRecordsToItsBinding()
{
    ScriptedPeer peer;
    QVERIFY(login(peer));
    auto plain = makeControl(QStringLiteral("Gate"), QStringLiteral("Threshold"));
    auto percent = makeControl(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%"));
    syncWith(peer);
    peer.clearLines();

    QSignalSpy data(m_adaptor, &TCPAdaptor::dataAvailable);
    peer.send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-3dB\"\n"
              "subr \"\\\\Preset\\Gate\\SV\\Threshold\\%\" \"40\"\n"
              "setr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-4dB\"\n"
              "subr \"\\\\Preset\\Gate\\SV\\Attack\" \"1ms\"\n"
              "subr \"\\\\Preset\\gate\\SV\\Threshold\" \"-5dB\"\n"
              "get \"\\\\Preset\\Gate\\SV\\Threshold\" \"-6dB\"\n");
    QTRY_COMPARE(data.count(), 6);
    QCOMPARE(valuesOf(*plain), QStringList({"-3dB", "-6dB"}));
    QCOMPARE(valuesOf(*percent), QStringList({"40"}));

    // "unsubr": exactly one new subscription, and the record still reaches the hook.
    peer.send("unsubr \"\\\\Preset\\Gate\\SV\\Threshold\"\n");
    QTRY_COMPARE(data.count(), 7);
    syncWith(peer);
    QCOMPARE(peer.linesStartingWith("sub"), QList<QByteArray>({subLine("Gate", "Threshold")}));
    QCOMPARE(plain->handled.size(), 3);
    QCOMPARE(plain->handled.last().command, QStringLiteral("unsubr"));
    QCOMPARE(percent->handled.size(), 1);

    // The filter on its own, as a subclass or an index would ask it.
    DataFromDevice record;
    record.poName = QStringLiteral("Gate");
    record.svName = QStringLiteral("Threshold");
    record.command = QStringLiteral("subr");
    QVERIFY(plain->acceptsRecord(record));
    QVERIFY(!percent->acceptsRecord(record));
    record.command = QStringLiteral("setr");
    QVERIFY(!plain->acceptsRecord(record));
}

void TstTarnControl::unsubscribesOnDestruction()
{
    ScriptedPeer peer;
    QVERIFY(login(peer));
    auto percent = makeControl(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%"));
    auto meter = makeControl(QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level"));
    meter->setIsMeter(true);
    auto unnamed = makeControl(QStringLiteral("Gate"), QString());
    auto survivor = makeControl(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%"));
    syncWith(peer);
    peer.clearLines();

    percent.reset();
    meter.reset();
    unnamed.reset();
    syncWith(peer);
    // The qualifier is not part of an unsubscription.
    QCOMPARE(peer.linesStartingWith("unsub"),
             QList<QByteArray>({"unsub \"\\\\Preset\\Gate\\SV\\Threshold\\\""}));

    // The processor ends the shared subscription; the control still alive takes it up again.
    peer.send("unsubr \"\\\\Preset\\Gate\\SV\\Threshold\\%\"\n");
    QTRY_VERIFY(peer.received(subLine("Gate", "Threshold", "%")));
    QCOMPARE(survivor->handled.size(), 1);
}

void TstTarnControl::renamedControlFollowsItsNewKey()
{
    ScriptedPeer peer;
    QVERIFY(login(peer));
    auto control = makeControl(QStringLiteral("Gate"), QStringLiteral("Threshold"));
    QSignalSpy data(m_adaptor, &TCPAdaptor::dataAvailable);

    // Renamed, retyped and named back: each record over the real link reaches it only under the
    // binding it has when the record arrives.
    control->setSvName(QStringLiteral("Attack"));
    peer.send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-3dB\"\n"
              "subr \"\\\\Preset\\Gate\\SV\\Attack\" \"1ms\"\n");
    QTRY_COMPARE(data.count(), 2);
    control->setValueType(QStringLiteral("%"));
    peer.send("subr \"\\\\Preset\\Gate\\SV\\Attack\" \"2ms\"\n"
              "subr \"\\\\Preset\\Gate\\SV\\Attack\\%\" \"30%\"\n");
    QTRY_COMPARE(data.count(), 4);
    control->setPoName(QStringLiteral("Compressor"));
    control->setValueType(QString());
    control->setPoName(QStringLiteral("Gate"));
    control->setSvName(QStringLiteral("Threshold"));
    peer.send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-4dB\"\n");
    QTRY_COMPARE(data.count(), 5);
    QCOMPARE(valuesOf(*control), QStringList({"1ms", "30%", "-4dB"}));
}

void TstTarnControl::remoteWatchdogPollsAndReportsLoss()
{
    ScriptedPeer peer;
    RemoteConnectionWatchDog watchdog;
    QTimer *timer = watchdog.findChild<QTimer *>();
    QVERIFY(timer && !timer->isActive());

    QVERIFY(login(peer));
    QVERIFY(timer->isActive());
    const QByteArray get = "get \"\\\\Node\\SV\\DeviceName\\\"";
    // The timer asks by itself (one real interval) and keeps asking.
    QTRY_COMPARE_WITH_TIMEOUT(peer.linesStartingWith(get).size(), 1, RemoteConnectionWatchDog::kRepollIntervalMs + 3000);
    QVERIFY(timer->isActive());
    QVERIFY(peer.linesStartingWith("sub").isEmpty()); // it polls, it does not subscribe

    // The answers are not used and never resubscribe anything.
    peer.send("unsubr \"\\\\Node\\SV\\DeviceName\"\n"
              "get \"\\\\Node\\SV\\DeviceName\" \"Stage left\"\n");
    syncWith(peer);
    QVERIFY(peer.linesStartingWith("sub").isEmpty());

    // An orderly disconnection stops it; a poll then finds the link not ready and sends nothing.
    QSignalSpy disconnected(m_adaptor, &TCPAdaptor::disconnected);
    m_adaptor->doDisconnect();
    QVERIFY(disconnected.wait(kWait));
    QVERIFY(!timer->isActive());
    QMetaObject::invokeMethod(&watchdog, "onRepollTimeout");
    QVERIFY(!timer->isActive());
    QVERIFY(watchdog.connectionAvailable()); // only a link error counts as a loss

    // A lost link stops it and is reported once; the next login makes it available again.
    QSignalSpy lost(&watchdog, &RemoteConnectionWatchDog::connectionLost);
    QVERIFY(login(peer));
    QVERIFY(timer->isActive());
    peer.abortCurrent();
    QVERIFY(lost.wait(kWait));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!timer->isActive());
    QVERIFY(!watchdog.connectionAvailable());
    peer.clearLines();
    QVERIFY(login(peer));
    QVERIFY(watchdog.connectionAvailable());
    QVERIFY(timer->isActive());
    QMetaObject::invokeMethod(&watchdog, "onRepollTimeout");
    QTRY_COMPARE(peer.linesStartingWith(get).size(), 1);
    // Losing the PC's network stops it too.
    emit ClientConnectionWatchDog::instance()->connectionLost();
    QVERIFY(!timer->isActive());
}

TARN_TEST_MAIN(TstTarnControl, QCoreApplication)
#include "tst_tarncontrol.moc"
