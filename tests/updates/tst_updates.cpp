// Guards against firmware and application updates that misread feeds, versions or file names,
// download wrongly, offer stale or unverified images, or reach the processor cut or unconfirmed.
#include "cloudstoreserver.h"
#include "firmwareupdater.h"
#include "fwupdateuploader.h"
#include "modelprocess.h"
#include "scriptedhttppeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "updatecommon.h"
#include "updatefeed.h"

#include <QTcpServer>

using namespace tarn::updates;
using tarn::test::ScriptedHttpPeer;
using tarn::test::writeFile;

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
QByteArray sha(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}
QByteArray feed(const QByteArray &extra)
{
    return R"(<Config><Brand Name="norv"><Product Name="Tarn Firmware"><Revision Version="1.3.0" ImageUrl="fw/old.bin"/>)"
           R"(<Revision Version="1.5.0" ImageUrl="fw/tarn-fw-1.5.0.bin" )" + extra + "/></Product></Brand></Config>";
}
QStringList folderFiles()
{
    return QDir(firmwareImageFolder()).entryList(QDir::Files);
}
} // namespace

class UpdatesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QDir(firmwareImageFolder()).removeRecursively(); }

    // Version order, the texts of network errors, and image names taken from URLs.
    void rules()
    {
        const struct { const char *a, *b; bool greater; } versions[] = {
            {"2.10", "2.9", true}, {"2.9", "2.10", false}, {"1.2", "1.2.0", false}, {"1.2.0", "1.2", false},
            {"1.2.1", "1.2", true}, {"1.4.2", "1.4.2", false}, {"1.x.1", "1.0", true}, {"0.1", "", true}};
        for (const auto &v : versions)
            QVERIFY2(isFirstGreaterThanSecond(v.a, v.b) == v.greater, v.a);

        const struct { QList<int> codes; const char *start; } texts[] = {
            {{1, 2, 3, 6, 8, 9, 101, 102, 103}, "Failed to connect to update server."},
            {{4, 104}, "The connection timed out."},
            {{5}, "The operation was canceled."},
            {{7, 301, 302, 399, 401, 402, 403}, "The server is temporarily unable"},
            {{105, 201, 202, 204}, "Proxy authentication failed."},
            {{203, 205, 206, 207}, "The content requested was not found"},
            {{10, 11, 99, 299, 499}, "Unknown network error."}};
        for (const auto &t : texts) {
            for (int code : t.codes)
                QVERIFY2(networkErrorText(code).startsWith(QLatin1String(t.start)), qPrintable(QString::number(code)));
        }

        const struct { const char *url, *name; } names[] = {
            {"http://h/fw/tarn-1.5.0.bin", "tarn-1.5.0.bin"}, {"http://h/fw/..%2F..%2Fevil", "evil"}, {"http://h/fw/%2e%2e", ""},
            {"http://h/fw/a%5Cb.bin", ""}, {"http://h/fw/.bashrc", ""}, {"http://h/fw/", ""}};
        for (const auto &n : names)
            QCOMPARE(safeFileName(QUrl(QString::fromLatin1(n.url))), QString::fromLatin1(n.name));
    }

    void feeds_data(); // below the class: moc cannot read its raw strings inside a class body

    void feeds()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, platform);
        QFETCH(bool, ok);
        QFETCH(QString, version);
        QFETCH(QString, url);
        const QString product = platform.isEmpty() ? QStringLiteral("Tarn Firmware") : QStringLiteral("Tarn Application");
        Revision latest;
        QString why;
        QCOMPARE(latestRevision(xml, QUrl("http://store.test/cz/update.xml"), product, platform, &latest, &why), ok);
        QCOMPARE(latest.version, version);
        QCOMPARE(latest.url.toString(), url);
        if (version == "1.10.0") {
            QCOMPARE(latest.sha256, QByteArray("ab").append(62, '0'));
            QCOMPARE(latest.size, 42);
        }
    }

    // Check, download with progress, the cached image offered only when newer.
    void checkDownloadAndCache()
    {
        QTemporaryDir root;
        const QByteArray data = firmwareImage("1.5.0", 8 << 20);
        QVERIFY(writeFile(root.filePath("cz-tarn-update/update.xml"), feed("Sha256=\"" + sha(data) + "\"")));
        QVERIFY(writeFile(root.filePath("cz-tarn-update/fw/tarn-fw-1.5.0.bin"), data));
        tarn::test::CloudStore store(root.path());
        QVERIFY(store.isRunning());
        qputenv("TARN_CLOUD_URL", store.url().toEncoded());
        // Left by an interrupted download, and an image of an earlier version.
        QVERIFY(writeFile(firmwareImageFolder() + "/tarn-fw-1.5.0.bin.tmp", "partial"));
        QVERIFY(writeFile(firmwareImageFolder() + "/tarn-fw-1.4.0.bin", "older"));

        FirmwareUpdater updater;
        updater.setFirmwareVersion("1.4.2");
        QSignalSpy errors(&updater, &FirmwareUpdater::error);
        updater.checkForUpdate();
        QCOMPARE(updater.updateState(), FirmwareUpdater::CheckingForUpdate);
        QTRY_COMPARE(updater.updateState(), FirmwareUpdater::DownloadUpdate);
        QCOMPARE(updater.latestVersion(), QString("1.5.0"));

        QSignalSpy progress(&updater, &FirmwareUpdater::progressChanged);
        QSignalSpy downloaded(&updater, &FirmwareUpdater::updateDownloaded);
        updater.downLoadUpdate();
        QVERIFY(downloaded.wait(20000));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(0).toString()));
        QVERIFY(progress.size() >= 3);
        for (int i = 1; i < progress.size(); ++i)
            QVERIFY(progress.at(i).at(0).toFloat() >= progress.at(i - 1).at(0).toFloat());
        QCOMPARE(updater.progress(), 1.0f);
        QCOMPARE(updater.updateState(), FirmwareUpdater::UploadUpdate);
        QCOMPARE(folderFiles(), QStringList{"tarn-fw-1.5.0.bin"});
        QCOMPARE(sha(tarn::test::readFile(firmwareImageFolder() + "/tarn-fw-1.5.0.bin")), sha(data));

        // A later check offers the kept image, but only to a processor that runs an older version.
        FirmwareUpdater again;
        again.setFirmwareVersion("1.4.2");
        QSignalSpy cached(&again, &FirmwareUpdater::showCachedInfo);
        again.checkForUpdate();
        QVERIFY(cached.wait(5000));
        QCOMPARE(again.updateState(), FirmwareUpdater::UploadUpdate);
        QCOMPARE(again.downloadedFile(), QString("tarn-fw-1.5.0.bin"));
        again.setFirmwareVersion("1.5.0");
        again.checkForUpdate();
        QTRY_COMPARE(again.updateState(), FirmwareUpdater::CheckForUpdate);
        QCOMPARE(again.downloadedFile(), QString());
        QCOMPARE(cached.size(), 1);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("peer"); // nginx, scripted, none
        QTest::addColumn<QByteArray>("attributes");
        QTest::addColumn<int>("stage"); // 0: the check fails, 1: the download, 2: canceled mid-way
        QTest::addColumn<QString>("text");
            QTest::newRow("refused") << "none" << QByteArray() << 0 << "Failed to connect to update server.";
        QTest::newRow("truncated") << "scripted" << QByteArray() << 1 << "The downloaded file does not have the size";
        QTest::newRow("wrong checksum") << "nginx" << "Sha256=\"" + sha("other") + "\"" << 1 << "The downloaded file is damaged";
        QTest::newRow("wrong size") << "nginx" << QByteArray("Size=\"299999\"") << 1 << "The downloaded file does not have the size";
        QTest::newRow("bad document") << "scripted-garbage" << QByteArray() << 0 << "Failed to parse the server xml file.";
        QTest::newRow("canceled") << "scripted-stall" << QByteArray() << 2 << "The operation was canceled.";
    }

    void failures()
    {
        QFETCH(QString, peer);
        QFETCH(QByteArray, attributes);
        QFETCH(int, stage);
        QFETCH(QString, text);
        const QByteArray data = firmwareImage("1.5.0", 300000);
        QTemporaryDir root;
        std::unique_ptr<tarn::test::CloudStore> store;
        ScriptedHttpPeer scripted;
        if (peer == "nginx") {
            QVERIFY(writeFile(root.filePath("cz-tarn-update/update.xml"), feed(attributes)));
            QVERIFY(writeFile(root.filePath("cz-tarn-update/fw/tarn-fw-1.5.0.bin"), data));
            store = std::make_unique<tarn::test::CloudStore>(root.path());
            QVERIFY(store->isRunning());
            qputenv("TARN_CLOUD_URL", store->url().toEncoded());
        } else if (peer.startsWith("scripted")) {
            scripted.answer("/cz-tarn-update/update.xml", {200, peer == "scripted-garbage" ? QByteArray("<Config><Brand") : feed({})});
            scripted.answer("/cz-tarn-update/fw/tarn-fw-1.5.0.bin", {200, data, 150000, peer == "scripted-stall"});
            qputenv("TARN_CLOUD_URL", scripted.url().toUtf8());
        } else {
            qputenv("TARN_CLOUD_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(tarn::test::freePort()));
        }
        FirmwareUpdater updater;
        updater.setFirmwareVersion("1.0");
        QSignalSpy errors(&updater, &FirmwareUpdater::error);
        QSignalSpy canceled(&updater, &FirmwareUpdater::downloadCanceled);
        updater.checkForUpdate();
        if (stage >= 1) {
            QTRY_COMPARE(updater.updateState(), FirmwareUpdater::DownloadUpdate);
            updater.downLoadUpdate();
        }
        if (stage == 2) {
            QTRY_VERIFY(updater.progress() > 0.1f);
            QCOMPARE(folderFiles(), QStringList{"tarn-fw-1.5.0.bin.tmp"});
            updater.cancelDownload();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 20000);
        QVERIFY2(errors.first().first().toString().startsWith(text), qPrintable(errors.first().first().toString()));
        QVERIFY(updater.isIdle());
        QCOMPARE(updater.downloadInProgress(), false);
        QCOMPARE(updater.updateState(), stage == 1 ? FirmwareUpdater::DownloadUpdate : FirmwareUpdater::CheckForUpdate);
        QCOMPARE(folderFiles(), QStringList()); // nothing half-made is kept
        if (stage == 2) { // a canceled download starts over from the check
            QCOMPARE(canceled.count(), 1);
            QCOMPARE(updater.latestVersion(), QString());
            QCOMPARE(updater.progress(), 0.0f);
        }
    }

    void scriptedProcessor_data()
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

    void scriptedProcessor()
    {
        QFETCH(QByteArray, accept);
        QFETCH(int, cutAfter);
        QFETCH(QByteArray, confirm);
        QFETCH(QString, file);
        QFETCH(QString, text);
        const QByteArray data = firmwareImage("2.0", 300000);
        QVERIFY(writeFile(firmwareImageFolder() + "/fw.bin", data));
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        TarnSettings::write(tarn::keys::CurrentDeviceAddress, "127.0.0.1");
        qputenv("TARN_DEVICE_PORT", QByteArray::number(server.serverPort()));
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
                    peer->write(confirm.isEmpty() ? "writer done " + QByteArray::number(data.size()) + " " + sha(data) + "\n" : confirm);
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
};

void UpdatesTest::feeds_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("version"); // "" when none offered
    QTest::addColumn<QString>("url");
    const QByteArray several = R"(<?xml version="1.0"?>
<Config><Brand Name="other"><Product Name="Tarn Firmware"><Revision Version="9.9" ImageUrl="x/9.bin"/></Product></Brand>
<Brand Name="norv"><Product Name="Tarn Firmware">
  <Revision Version="1.9.0" ImageUrl="fw/1.9.bin"/><Revision Version="1.10.0" ImageUrl="fw/1.10.bin"
   Sha256="AB00000000000000000000000000000000000000000000000000000000000000" Size="42"/>
  <Revision Version="1.2" ImageUrl="fw/1.2.bin"/><Revision Version="7;rm" ImageUrl="fw/bad.bin"/></Product>
<Product Name="Tarn Application">
  <Revision Version="1.3.0" Platform="Win" ImageUrl="http://other.example/setup-1.3.0.exe"/>
  <Revision Version="1.2.0" Platform="Linux" ImageUrl="/apps/tarn-control_1.2.0_amd64.deb"/>
  <Revision Version="1.1.0" Platform="Linux" ImageUrl="/apps/tarn-control_1.1.0_amd64.deb"/></Product></Brand></Config>)";
    QTest::newRow("greatest firmware") << several << "" << true << "1.10.0" << "http://store.test/cz/fw/1.10.bin";
    QTest::newRow("own platform only") << several << "Linux" << true << "1.2.0" << "http://store.test/apps/tarn-control_1.2.0_amd64.deb";
    QTest::newRow("Win") << several << "Win" << true << "1.3.0" << "http://other.example/setup-1.3.0.exe";
    QTest::newRow("no revision") << several << "Mac" << true << "" << "";
    QTest::newRow("default namespace")
        << QByteArray(R"(<Config xmlns="urn:tessil:update"><Brand Name="norv"><Product Name="Tarn Firmware">)"
                      R"(<Revision Version="2.0" ImageUrl="a.bin"/></Product></Brand></Config>)")
        << "" << true << "2.0" << "http://store.test/cz/a.bin";
    QTest::newRow("blanks around the attributes keep the checksum")
        << QByteArray(R"(<Config><Brand Name="norv"><Product Name="Tarn Firmware"><Revision Version=" 1.10.0 " )"
                      R"(ImageUrl=" fw/1.10.bin " Sha256="AB00000000000000000000000000000000000000000000000000000000000000" )"
                      R"(Size="42"/></Product></Brand></Config>)")
        << "" << true << "1.10.0" << "http://store.test/cz/fw/1.10.bin";
    QTest::newRow("not xml") << QByteArray("<Config><Brand>") << "" << false << "" << "";
    QTest::newRow("dtd refused")
        << QByteArray(R"(<!DOCTYPE Config [<!ENTITY a "aaaa">]><Config><Brand Name="norv"/></Config>)") << "" << false << "" << "";
    QTest::newRow("file scheme refused")
        << QByteArray(R"(<Config><Brand Name="norv"><Product Name="Tarn Firmware"><Revision Version="2.0" ImageUrl="file:///etc/passwd"/>)"
                      R"(</Product></Brand></Config>)")
        << "" << false << "" << "";
}

TARN_TEST_MAIN(UpdatesTest, QCoreApplication)
#include "tst_updates.moc"
