// Guards against firmware and application updates that download wrongly, offer stale or
// unverified images, or hand over an installer while the application is busy.
#include "applicationupdater.h"
#include "appbusy.h"
#include "cloudstoreserver.h"
#include "firmwareupdater.h"
#include "scriptedhttppeer.h"
#include "testenv.h"
#include "updatecommon.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QtTest>

using tarn::test::ScriptedHttpPeer;

namespace {
QByteArray image(int bytes)
{
    QByteArray data(bytes, Qt::Uninitialized);
    char *out = data.data();
    for (int i = 0; i < bytes; ++i)
        out[i] = char((quint32(i) * 7919u) >> 3);
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
void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}
QStringList folderFiles()
{
    return QDir(tarn::updates::firmwareImageFolder()).entryList(QDir::Files);
}
} // namespace

class UpdateHttpTest : public QObject {
    Q_OBJECT
public slots:
    void openFile(const QUrl &url) { m_opened = url; }

private slots:
    void init() { QDir(tarn::updates::firmwareImageFolder()).removeRecursively(); }
    void checkDownloadAndCache();
    void failures_data();
    void failures();
    void cancel();
    void generatedStore();

private:
    QUrl m_opened;
};

// Check, download with progress, the cached image offered only when newer.
void UpdateHttpTest::checkDownloadAndCache()
{
    QTemporaryDir root;
    const QByteArray data = image(8 << 20);
    writeFile(root.filePath("cz-tarn-update/update.xml"), feed("Sha256=\"" + sha(data) + "\""));
    writeFile(root.filePath("cz-tarn-update/fw/tarn-fw-1.5.0.bin"), data);
    tarn::test::CloudStore store(root.path());
    QVERIFY(store.isRunning());
    qputenv("TARN_CLOUD_URL", store.url().toEncoded());
    // Left by an interrupted download, and an image of an earlier version.
    writeFile(tarn::updates::firmwareImageFolder() + "/tarn-fw-1.5.0.bin.tmp", "partial");
    writeFile(tarn::updates::firmwareImageFolder() + "/tarn-fw-1.4.0.bin", "older");

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
    QFile kept(tarn::updates::firmwareImageFolder() + "/tarn-fw-1.5.0.bin");
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(sha(kept.readAll()), sha(data));

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

void UpdateHttpTest::failures_data()
{
    QTest::addColumn<QString>("peer"); // nginx, scripted, none
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<int>("stage"); // 0: the check fails, 1: the download
    QTest::addColumn<QString>("text");
    const QByteArray data = image(300000);
    QTest::newRow("404") << "nginx-empty" << QByteArray() << 0 << "The content requested was not found";
    QTest::newRow("refused") << "none" << QByteArray() << 0 << "Failed to connect to update server.";
    QTest::newRow("truncated") << "scripted" << QByteArray() << 1 << "The downloaded file does not have the size";
    QTest::newRow("wrong checksum") << "nginx" << "Sha256=\"" + sha("other") + "\"" << 1 << "The downloaded file is damaged";
    QTest::newRow("wrong size") << "nginx" << QByteArray("Size=\"299999\"") << 1 << "The downloaded file does not have the size";
    QTest::newRow("bad document") << "scripted-garbage" << QByteArray() << 0 << "Failed to parse the server xml file.";
}

void UpdateHttpTest::failures()
{
    QFETCH(QString, peer);
    QFETCH(QByteArray, attributes);
    QFETCH(int, stage);
    QFETCH(QString, text);
    const QByteArray data = image(300000);
    QTemporaryDir root;
    std::unique_ptr<tarn::test::CloudStore> store;
    ScriptedHttpPeer scripted;
    if (peer.startsWith("nginx")) {
        if (peer == "nginx") {
            writeFile(root.filePath("cz-tarn-update/update.xml"), feed(attributes));
            writeFile(root.filePath("cz-tarn-update/fw/tarn-fw-1.5.0.bin"), data);
        }
        store = std::make_unique<tarn::test::CloudStore>(root.path());
        QVERIFY(store->isRunning());
        qputenv("TARN_CLOUD_URL", store->url().toEncoded());
    } else if (peer.startsWith("scripted")) {
        scripted.answer("/cz-tarn-update/update.xml", {200, peer == "scripted" ? feed({}) : QByteArray("<Config><Brand")});
        scripted.answer("/cz-tarn-update/fw/tarn-fw-1.5.0.bin", {200, data, 150000});
        qputenv("TARN_CLOUD_URL", scripted.url().toUtf8());
    } else {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        qputenv("TARN_CLOUD_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(closed.serverPort()));
    }
    FirmwareUpdater updater;
    updater.setFirmwareVersion("1.0");
    QSignalSpy errors(&updater, &FirmwareUpdater::error);
    updater.checkForUpdate();
    if (stage == 1) {
        QTRY_COMPARE(updater.updateState(), FirmwareUpdater::DownloadUpdate);
        updater.downLoadUpdate();
    }
    QVERIFY(errors.wait(20000));
    QVERIFY2(errors.first().first().toString().startsWith(text), qPrintable(errors.first().first().toString()));
    QVERIFY(updater.isIdle());
    QCOMPARE(updater.downloadInProgress(), false);
    QCOMPARE(updater.updateState(), stage == 1 ? FirmwareUpdater::DownloadUpdate : FirmwareUpdater::CheckForUpdate);
    QCOMPARE(folderFiles(), QStringList()); // nothing half-made is kept
}

void UpdateHttpTest::cancel()
{
    ScriptedHttpPeer scripted;
    scripted.answer("/cz-tarn-update/update.xml", {200, feed({})});
    scripted.answer("/cz-tarn-update/fw/tarn-fw-1.5.0.bin", {200, image(1 << 20), 200000, true});
    qputenv("TARN_CLOUD_URL", scripted.url().toUtf8());
    FirmwareUpdater updater;
    QSignalSpy errors(&updater, &FirmwareUpdater::error);
    QSignalSpy canceled(&updater, &FirmwareUpdater::downloadCanceled);
    updater.checkForUpdate();
    QTRY_COMPARE(updater.updateState(), FirmwareUpdater::DownloadUpdate);
    updater.downLoadUpdate();
    QTRY_VERIFY(updater.progress() > 0.1f);
    QCOMPARE(folderFiles(), QStringList{"tarn-fw-1.5.0.bin.tmp"});
    updater.cancelDownload();
    QVERIFY(canceled.wait(5000));
    QCOMPARE(errors.value(0).value(0).toString(), QString("The operation was canceled."));
    QCOMPARE(updater.latestVersion(), QString());
    QCOMPARE(updater.updateState(), FirmwareUpdater::CheckForUpdate);
    QCOMPARE(updater.progress(), 0.0f);
    QCOMPARE(folderFiles(), QStringList());
}

// The store the demo serves: both products, this platform's package, checksums that hold;
// the installer is handed over only while the application is idle.
void UpdateHttpTest::generatedStore()
{
    QTemporaryDir root;
    QProcess build;
    build.start("/usr/bin/python3", {TARN_SOURCE_DIR "/tools/cloudstore/build.py", root.path()});
    QVERIFY(build.waitForFinished(60000));
    QCOMPARE(build.exitCode(), 0);
    tarn::test::CloudStore store(root.path());
    QVERIFY(store.isRunning());
    qputenv("TARN_CLOUD_URL", store.url().toEncoded());

    FirmwareUpdater firmware;
    firmware.setFirmwareVersion("1.4.2");
    QSignalSpy firmwareDone(&firmware, &FirmwareUpdater::updateDownloaded);
    firmware.checkForUpdate();
    QTRY_COMPARE(firmware.updateState(), FirmwareUpdater::DownloadUpdate);
    firmware.downLoadUpdate();
    QVERIFY(firmwareDone.wait(20000));

    ApplicationUpdater app;
    QSignalSpy errors(&app, &ApplicationUpdater::error);
    QSignalSpy appDone(&app, &ApplicationUpdater::updateDownloaded);
    app.checkForUpdate();
    QTRY_COMPARE(app.updateState(), ApplicationUpdater::DownloadUpdate);
    QVERIFY(tarn::updates::isFirstGreaterThanSecond(app.latestVersion(), app.applicationVersion()));
    app.downLoadUpdate();
    QVERIFY(appDone.wait(20000));
    QCOMPARE(app.updateState(), ApplicationUpdater::InstallUpdate);
    QVERIFY(app.downloadedFile().endsWith(".deb"));

    QDesktopServices::setUrlHandler("file", this, "openFile");
    tarn::AppBusy::setBusy(true);
    app.installUpdate();
    QVERIFY(errors.wait(2000));
    QVERIFY(errors.last().first().toString().startsWith("The application is busy."));
    QVERIFY(m_opened.isEmpty());
    tarn::AppBusy::setBusy(false);
    app.installUpdate();
    QTRY_COMPARE(m_opened, QUrl::fromLocalFile(app.folder() + "/" + app.downloadedFile()));
    QDesktopServices::unsetUrlHandler("file");
}

TARN_TEST_MAIN(UpdateHttpTest, QApplication)
#include "tst_updatehttp.moc"
