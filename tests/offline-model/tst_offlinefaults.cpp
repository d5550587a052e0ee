// Guards against fault modes of the offline model that do not do what link tests rely on them
// to do (silence, refusals, drops, stalls, garbage, oversized lines, slowness).
#include "linkclient.h"
#include "modelprocess.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;
using tarn::test::request;

namespace {
constexpr int kWaitMs = 10000;

// A "model status" round trip on the client's own connection: everything the model wrote to
// it before the answer has arrived once this returns true.
bool statusRoundTrip(LinkClient &client)
{
    const int before = client.lines.filter(QStringLiteral("model status ")).size();
    client.sendRaw("model status\n");
    for (int i = 0; i < 100; ++i) {
        if (client.lines.filter(QStringLiteral("model status ")).size() > before)
            return true;
        QSignalSpy spy(&client, &LinkClient::lineReceived);
        spy.wait(100);
    }
    return false;
}

bool control(quint16 port, const QByteArray &line)
{
    LinkClient c;
    QSignalSpy answered(&c, &LinkClient::lineReceived);
    c.connectToHost(port);
    c.sendRaw(line);
    for (int i = 0; i < 100; ++i) {
        if (c.lines.contains(QStringLiteral("model ok")))
            return true;
        answered.wait(100);
    }
    qWarning() << "control line unanswered; received" << c.lines;
    return false;
}

QJsonObject counters(const ModelProcess &model)
{
    return model.status().value(QStringLiteral("counters")).toObject();
}
} // namespace

class TstOfflineFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tarn::registerDataFromDeviceTypes(); }
    void neverGreets();
    void dropsAfterLines();
    void stopsAnswering();
    void sendsGarbage();
    void sendsOversizedLine();
    void slowLink();
    void ignoresDiscovery();
    void controlLineChangesFaultsAtRunTime();
};

void TstOfflineFaults::neverGreets()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-no-greeting")}), qPrintable(model.output()));
    LinkClient c;
    QSignalSpy connected(&c, &LinkClient::connected);
    c.connectToHost(model.port());
    QVERIFY(connected.wait(kWaitMs));
    c.enterPassword(QStringLiteral("stagemanagers"));
    c.sendRaw(QByteArray(100000, 'x') + "\n\x01\n");
    QVERIFY(statusRoundTrip(c));
    // Only the control answer came: no greeting, no login answer, no error lines.
    QCOMPARE(c.lines.size(), 1);
    QVERIFY(c.lines.first().startsWith(QStringLiteral("model status {")));
    QVERIFY(c.isConnected());
}

void TstOfflineFaults::dropsAfterLines()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-drop-after"), QStringLiteral("3")}), qPrintable(model.output()));
    LinkClient c;
    QSignalSpy gone(&c, &LinkClient::disconnected);
    QVERIFY(c.login(model.port()));                                                                           // line 1
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold"))); // line 2
    QTRY_COMPARE_WITH_TIMEOUT(c.records.size(), 1, kWaitMs);
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));       // line 3: cut
    QVERIFY(gone.wait(kWaitMs));
    QCOMPARE(c.records.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(counters(model).value(QStringLiteral("droppedConnections")).toInt() == 1, kWaitMs);
    // New connections are served (and dropped) the same way.
    LinkClient again;
    QVERIFY(again.login(model.port()));
}

void TstOfflineFaults::stopsAnswering()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-stall-after"), QStringLiteral("2")}), qPrintable(model.output()));
    LinkClient a;
    QVERIFY(a.login(model.port()));                                                                                 // line 1
    a.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));       // line 2
    QTRY_COMPARE_WITH_TIMEOUT(a.records.size(), 1, kWaitMs);
    a.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));             // line 3: silence

    LinkClient b;
    QVERIFY(b.login(model.port()));
    b.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-7")));
    QTRY_COMPARE_WITH_TIMEOUT(b.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-7.0dB"), kWaitMs);
    // The stalled client got neither the answer nor the push, yet stays connected.
    QVERIFY(statusRoundTrip(a));
    QCOMPARE(a.records.size(), 1);
    QVERIFY(a.isConnected());
}

void TstOfflineFaults::sendsGarbage()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-garbage")}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QSignalSpy enums(&c, &LinkClient::enumsAvailable);
    c.sendRequest(request(QStringLiteral("sub"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    c.sendRequest(request(QStringLiteral("set"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-11")));
    c.sendRequest(request(QStringLiteral("lc"), QStringLiteral("Crossover"), QStringLiteral("Band_1_LPType")));
    QVERIFY(enums.wait(kWaitMs));
    // Junk between the items is dropped by the link; the choices stay the catalogue's.
    QCOMPARE(enums.last().at(0).toStringList().size(), 12);
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-11.0dB"), kWaitMs);
    // Every answer line came after a malformed one; the link dropped those.
    int malformed = 0;
    for (const QString &line : qAsConst(c.lines)) {
        if (!line.startsWith(QLatin1String("subr \"\\\\Preset\\Compressor\\SV\\Threshold\""))
            && !line.startsWith(QLatin1String("setr ")) && !line.startsWith(QLatin1String("lc "))
            && !line.startsWith(QLatin1Char('\t')) && line != QLatin1String("endlc") && !line.startsWith(QLatin1String("Corvex"))
            && !line.startsWith(QLatin1String("connect logged")))
            ++malformed;
    }
    QVERIFY2(malformed >= 5, qPrintable(c.lines.join(QLatin1Char('\n'))));
    for (const DataFromDevice &d : qAsConst(c.records)) {
        QVERIFY2(d.poName.isEmpty() || (d.poName == QLatin1String("Compressor") && d.svName == QLatin1String("Threshold")),
                 qPrintable(d.poName + QLatin1Char('/') + d.svName));
    }
}

void TstOfflineFaults::sendsOversizedLine()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-oversize"), QString::number(3 * 1024 * 1024)}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QTRY_COMPARE_WITH_TIMEOUT(c.oversizedLines, 1, kWaitMs);
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB"), kWaitMs);
}

void TstOfflineFaults::slowLink()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-slow"), QStringLiteral("150")}), qPrintable(model.output()));
    LinkClient c;
    QVERIFY(c.login(model.port()));
    QElapsedTimer clock;
    clock.start();
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    c.sendRequest(request(QStringLiteral("get"), QStringLiteral("Gate"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(c.records.size(), 2, kWaitMs);
    // Two lines cannot arrive sooner than one full delay after the first: they leave one
    // delay apart.
    QVERIFY(clock.elapsed() >= 150);
    QCOMPARE(c.value(QStringLiteral("Gate"), QStringLiteral("Threshold")), QStringLiteral("-60.0dB"));
    // Lines come in halves: the link saw reads that ended inside a line.
    QVERIFY(c.partialReads >= 2);
}

void TstOfflineFaults::ignoresDiscovery()
{
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-no-discovery")}), qPrintable(model.output()));
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress(QHostAddress::LocalHost), 0));
    udp.writeDatagram("get \\\\Node\\AT\\Class_Name\n", QHostAddress::LocalHost, model.port());
    QTRY_COMPARE_WITH_TIMEOUT(counters(model).value(QStringLiteral("discoveryQueries")).toInt(), 1, kWaitMs);
    QVERIFY(control(model.port(), "model fault no-discovery off\n"));
    udp.writeDatagram("get \\\\Node\\AT\\Instance_Name\n", QHostAddress::LocalHost, model.port());
    QTRY_VERIFY_WITH_TIMEOUT(udp.hasPendingDatagrams(), kWaitMs);
    // Only the second query was answered.
    QCOMPARE(udp.receiveDatagram().data(), QByteArray("get \"\\\\Node\\AT\\Instance_Name\" \"Tarn Offline\"\n"));
    QVERIFY(!udp.hasPendingDatagrams());
}

void TstOfflineFaults::controlLineChangesFaultsAtRunTime()
{
    // Started refusing: every password, also a second one on the same connection.
    ModelProcess model;
    QVERIFY2(model.start({QStringLiteral("--fault-refuse-login")}), qPrintable(model.output()));
    LinkClient refused;
    QVERIFY(!refused.login(model.port()));
    QCOMPARE(refused.lines.last(), QStringLiteral("error could not connect as administrator"));
    QSignalSpy refusedAgain(&refused, &LinkClient::incorrectPassword);
    refused.enterPassword(QStringLiteral("stagemanagers"));
    QVERIFY(refusedAgain.wait(kWaitMs));
    QVERIFY(control(model.port(), "model fault clear\n"));
    LinkClient first;
    QVERIFY(first.login(model.port()));
    // Switched on and off again by the control line.
    QVERIFY(control(model.port(), "model fault refuse-login on\n"));
    QVERIFY(!LinkClient().login(model.port()));
    QTRY_COMPARE_WITH_TIMEOUT(model.status().value(QStringLiteral("faults")).toObject().value(QStringLiteral("refuseLogin")).toBool(), true, kWaitMs);
    QVERIFY(control(model.port(), "model fault clear\n"));
    LinkClient accepted;
    QVERIFY(accepted.login(model.port()));

    // Bad control lines are answered, never acted on.
    LinkClient c;
    c.connectToHost(model.port());
    c.sendRaw("model fault slow banana\nmodel fault\nmodel frobnicate\nmodel tick 0\n");
    QTRY_COMPARE_WITH_TIMEOUT(c.lines.filter(QStringLiteral("model error")).size(), 4, kWaitMs);

    // Faults switched at run time act on running connections.
    QVERIFY(control(model.port(), "model fault garbage on\n"));
    accepted.sendRequest(request(QStringLiteral("get"), QStringLiteral("Compressor"), QStringLiteral("Threshold")));
    QTRY_COMPARE_WITH_TIMEOUT(accepted.value(QStringLiteral("Compressor"), QStringLiteral("Threshold")), QStringLiteral("-20.0dB"), kWaitMs);
    QCOMPARE(accepted.lines.size(), 4); // greeting, login answer, junk, answer

    // "drop-all" cuts every other connection.
    QSignalSpy gone(&accepted, &LinkClient::disconnected);
    QVERIFY(control(model.port(), "model drop-all\n"));
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, kWaitMs);
}

TARN_TEST_MAIN(TstOfflineFaults, QCoreApplication)
#include "tst_offlinefaults.moc"
