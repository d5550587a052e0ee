// Guards against firmware images that reach the processor cut, corrupted or unconfirmed.
#include "fwupdateuploader.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "updatecommon.h"

#include <QCryptographicHash>
#include <QTcpServer>
#include <QtTest>

namespace {
// An image as the store's generator makes them: a header naming the version, then the payload.
QByteArray firmwareImage(const QByteArray &version, int bytes)
{
    QByteArray data = "TARNFW1\nversion " + version + "\n\n";
    data.reserve(bytes);
    for (int i = data.size(); i < bytes; ++i)
        data.append(char((quint32(i) * 2654435761u) >> 24));
    return data;
}
void keep(const QString &name, const QByteArray &data)
{
    QDir().mkpath(tarn::updates::firmwareImageFolder());
    QFile file(tarn::updates::firmwareImageFolder() + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}
void pointAt(quint16 port)
{
    TarnSettings::write(tarn::keys::CurrentDeviceAddress, "127.0.0.1");
    qputenv("TARN_DEVICE_PORT", QByteArray::number(port));
}
} // namespace

class UploadTest : public QObject {
    Q_OBJECT
private slots:
    void toOfflineModel();
    void scriptedProcessor_data();
    void scriptedProcessor();
};

// 20 MB reach the model whole; after its restart it reports the image's version.
void UploadTest::toOfflineModel()
{
    tarn::test::ModelProcess model;
    QVERIFY2(model.start(), qPrintable(model.output()));
    pointAt(model.port());
    const QByteArray data = firmwareImage("1.5.0", 20 << 20);
    keep("tarn-fw-1.5.0.bin", data);

    FwUpdateUploader uploader;
    QSignalSpy done(&uploader, &FwUpdateUploader::uploadDone);
    QSignalSpy errors(&uploader, &FwUpdateUploader::error);
    QSignalSpy progress(&uploader, &FwUpdateUploader::progressChanged);
    uploader.upload("tarn-fw-1.5.0.bin");
    QVERIFY(uploader.uploadInProgress());
    QVERIFY2(done.wait(60000), qPrintable(errors.value(0).value(0).toString()));
    QVERIFY(!uploader.uploadInProgress());
    QVERIFY(progress.size() > 10);
    QCOMPARE(uploader.progress(), 1.0f);
    QTRY_VERIFY(!model.status().value("firmwareUploads").toArray().isEmpty());
    const QJsonObject record = model.status().value("firmwareUploads").toArray().last().toObject();
    QCOMPARE(record.value("target").toString(), QString("file\\updQuarTar"));
    QCOMPARE(record.value("size").toDouble(), double(data.size()));
    QCOMPARE(record.value("sha256").toString().toLatin1(), QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());

    tarn::test::LinkClient client;
    QVERIFY(client.login(model.port()));
    DataFromDevice get;
    get.poName = "NPO";
    get.svName = "Node\\AT\\Software_Version";
    get.command = "sub";
    client.sendRequest(get);
    QTRY_COMPARE_WITH_TIMEOUT(client.value("NPO", "Node\\AT\\Software_Version"), QString("1.5.0"), 15000);
}

void UploadTest::scriptedProcessor_data()
{
    QTest::addColumn<QByteArray>("accept"); // what the processor answers the write line with
    QTest::addColumn<int>("cutAfter");      // bytes taken before the connection is cut; -1: all
    QTest::addColumn<QByteArray>("confirm"); // "" for the right confirmation
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");      // "" for success
    QTest::newRow("greeting and OK in one read") << QByteArray("Corvex Console\nwriter OK\n") << -1 << QByteArray() << "fw.bin" << "";
    QTest::newRow("inexact answer") << QByteArray("writer ok\n") << 0 << QByteArray() << "fw.bin" << "The connection to the processor was lost";
    QTest::newRow("lost mid-upload") << QByteArray("writer OK\n") << 65536 << QByteArray() << "fw.bin" << "The connection to the processor was lost";
    QTest::newRow("short confirmation") << QByteArray("writer OK\n") << -1 << QByteArray("writer done 5\n") << "fw.bin" << "The processor received a damaged";
    QTest::newRow("refused") << QByteArray("writer error size must lie in 1..5\n") << 0 << QByteArray() << "fw.bin" << "The processor refused the firmware image: size";
    QTest::newRow("missing file") << QByteArray() << 0 << QByteArray() << "none.bin" << "Firmware file not found";
    QTest::newRow("path as name") << QByteArray() << 0 << QByteArray() << "../fw.bin" << "Firmware file not found";
    QTest::newRow("nobody listening") << QByteArray() << 0 << QByteArray() << "-" << "Error in connecting to device.";
}

void UploadTest::scriptedProcessor()
{
    QFETCH(QByteArray, accept);
    QFETCH(int, cutAfter);
    QFETCH(QByteArray, confirm);
    QFETCH(QString, file);
    QFETCH(QString, text);
    const QByteArray data = firmwareImage("2.0", 300000);
    keep("fw.bin", data);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    pointAt(server.serverPort());
    QByteArray received;
    QTcpSocket *peer = nullptr;
    connect(&server, &QTcpServer::newConnection, this, [&]() {
        peer = server.nextPendingConnection();
        connect(peer, &QTcpSocket::readyRead, peer, [&]() {
            received += peer->readAll();
            const int head = received.indexOf('\n');
            if (head < 0)
                return;
            const qint64 body = received.size() - head - 1;
            if (body == 0 && !received.endsWith("\x01")) {
                QCOMPARE(received.left(head + 1), "write \"file\\updQuarTar\" " + QByteArray::number(data.size()) + " \n");
                received.append('\x01'); // answered
                peer->write(accept);
            }
            if (cutAfter >= 0 && body - 1 >= cutAfter) {
                peer->abort();
            } else if (body - 1 == data.size()) {
                QCOMPARE(received.mid(head + 2), data);
                peer->write(confirm.isEmpty() ? "writer done " + QByteArray::number(data.size()) + " "
                                                    + QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex() + "\n"
                                              : confirm);
            }
        });
    });
    if (file == "-") {
        server.close();
        file = "fw.bin";
    }
    FwUpdateUploader uploader;
    QSignalSpy done(&uploader, &FwUpdateUploader::uploadDone);
    QSignalSpy errors(&uploader, &FwUpdateUploader::error);
    uploader.upload(file);
    if (accept == "writer ok\n") {
        // Nothing but the exact answer starts the transfer.
        QTest::qWait(300);
        QCOMPARE(received.size(), received.indexOf('\n') + 2);
        peer->abort();
    }
    QTRY_VERIFY_WITH_TIMEOUT(done.size() + errors.size() > 0, 15000);
    QCOMPARE(errors.value(0).value(0).toString().left(text.size()), text);
    QCOMPARE(done.size(), text.isEmpty() ? 1 : 0);
    QVERIFY(!uploader.uploadInProgress());
}

TARN_TEST_MAIN(UploadTest, QCoreApplication)
#include "tst_upload.moc"
