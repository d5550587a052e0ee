// A 100 MB firmware image: downloaded from nginx by the firmware updater (checksum checked,
// written to disk) and by curl (written to disk) in one run; then sent to the offline model
// by the uploader until the model confirms it whole.
#include "cloudstoreserver.h"
#include "firmwareupdater.h"
#include "fwupdateuploader.h"
#include "modelprocess.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "updatecommon.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
constexpr qint64 kImageBytes = 100LL * 1024 * 1024;
const QString kImage = QStringLiteral("tarn-firmware-9.0.bin");

struct Setup {
    QTemporaryDir store;
    QTemporaryDir scratch;
    std::unique_ptr<tarn::test::CloudStore> cloud;
    tarn::test::ModelProcess model;
    QString error;
    bool ready = false;
};

Setup &setup()
{
    static Setup s;
    static bool once = false;
    if (once)
        return s;
    once = true;
    QDir().mkpath(s.store.filePath("cz-tarn-update/fw"));
    QFile image(s.store.filePath("cz-tarn-update/fw/" + kImage));
    image.open(QIODevice::WriteOnly);
    QCryptographicHash sha(QCryptographicHash::Sha256);
    QRandomGenerator gen(519);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 done = 0; done < kImageBytes; done += block.size()) {
        gen.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        if (done == 0)
            block.replace(0, 24, QByteArray("TARNFW1\nversion 9.0\n\n").leftJustified(24, '\0'));
        image.write(block);
        sha.addData(block);
    }
    image.close();
    QFile feed(s.store.filePath("cz-tarn-update/update.xml"));
    feed.open(QIODevice::WriteOnly);
    feed.write("<Config><Brand Name=\"norv\"><Product Name=\"Tarn Firmware\"><Revision Version=\"9.0\" ImageUrl=\"fw/" + kImage.toLatin1()
               + "\" Sha256=\"" + sha.result().toHex() + "\"/></Product></Brand></Config>");
    feed.close();
    s.cloud = std::make_unique<tarn::test::CloudStore>(s.store.path());
    if (!s.cloud->isRunning()) {
        s.error = QStringLiteral("nginx did not start");
        return s;
    }
    qputenv("TARN_CLOUD_URL", s.cloud->url().toEncoded());
    if (!s.model.start()) {
        s.error = QStringLiteral("the offline model did not start: ") + s.model.output();
        return s;
    }
    qputenv("TARN_DEVICE_PORT", QByteArray::number(s.model.port()));
    TarnSettings::write(tarn::keys::CurrentDeviceAddress, QStringLiteral("127.0.0.1"));
    s.ready = true;
    return s;
}

// Runs the event loop until `done` or `failed` is emitted; QTest::qWaitFor would sleep between
// rounds and time its own naps rather than the transfer.
template <typename Object, typename Done, typename Failed>
bool runUntil(Object *object, Done done, Failed failed, int timeoutMs)
{
    QEventLoop loop;
    bool ok = false;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(object, done, &loop, [&] { ok = true; loop.quit(); });
    QObject::connect(object, failed, &loop, &QEventLoop::quit);
    loop.exec();
    return ok;
}

void report(benchmark::State &state, double seconds)
{
    state.SetBytesProcessed(state.iterations() * kImageBytes);
    state.counters["MiB/s"] = state.iterations() * kImageBytes / seconds / (1024.0 * 1024.0);
}

// The updater and curl take turns on the same image, so both see the same load on the machine.
void BM_Download(benchmark::State &state)
{
    Setup &s = setup();
    if (!s.ready)
        return state.SkipWithError(qPrintable(s.error));
    FirmwareUpdater updater;
    updater.setFirmwareVersion(QStringLiteral("1.0"));
    updater.checkForUpdate();
    if (!QTest::qWaitFor([&] { return updater.updateState() == FirmwareUpdater::DownloadUpdate; }, 10000))
        return state.SkipWithError("the check failed");
    const QString url = s.cloud->url().toString() + QStringLiteral("/cz-tarn-update/fw/") + kImage;
    const QString out = s.scratch.filePath(QStringLiteral("curl.bin"));
    double updaterSeconds = 0;
    double curlSeconds = 0;
    for (auto _ : state) {
        updater.clearCache();
        QSignalSpy failed(&updater, &FirmwareUpdater::error);
        QElapsedTimer t;
        t.start();
        updater.downLoadUpdate();
        if (!runUntil(&updater, &FirmwareUpdater::updateDownloaded, &FirmwareUpdater::error, 120000))
            return state.SkipWithError(qPrintable(QStringLiteral("download: ") + failed.value(0).value(0).toString()));
        const double elapsed = t.nsecsElapsed() / 1e9;
        updaterSeconds += elapsed;

        QFile::remove(out);
        QProcess curl;
        t.restart();
        curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("-o"), out, url});
        if (!curl.waitForFinished(120000) || curl.exitCode() != 0 || QFileInfo(out).size() != kImageBytes)
            return state.SkipWithError("curl failed");
        curlSeconds += t.nsecsElapsed() / 1e9;
        state.SetIterationTime(elapsed);
    }
    report(state, updaterSeconds);
    state.counters["curl MiB/s"] = state.iterations() * kImageBytes / curlSeconds / (1024.0 * 1024.0);
    state.counters["of curl"] = curlSeconds / updaterSeconds;
}

void BM_UploadToModel(benchmark::State &state)
{
    Setup &s = setup();
    if (!s.ready)
        return state.SkipWithError(qPrintable(s.error));
    const QString kept = tarn::updates::firmwareImageFolder() + QLatin1Char('/') + kImage;
    QDir().mkpath(tarn::updates::firmwareImageFolder());
    if (!QFile::exists(kept) && !QFile::copy(s.store.filePath("cz-tarn-update/fw/" + kImage), kept))
        return state.SkipWithError("no image to send");
    double seconds = 0;
    for (auto _ : state) {
        FwUpdateUploader uploader;
        QSignalSpy failed(&uploader, &FwUpdateUploader::error);
        QElapsedTimer t;
        t.start();
        uploader.upload(kImage);
        if (!runUntil(&uploader, &FwUpdateUploader::uploadDone, &FwUpdateUploader::error, 120000))
            return state.SkipWithError(qPrintable(QStringLiteral("upload: ") + failed.value(0).value(0).toString()));
        const double elapsed = t.nsecsElapsed() / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    report(state, seconds);
}

BENCHMARK(BM_Download)->Name("update_download/updater_vs_curl")->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadToModel)->Name("update_upload/offline_model")->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    tarn::test::isolateEnvironment();
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.updates.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
