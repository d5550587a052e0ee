// The tuning library's two hot paths, against real peers:
//  - initialise with 2,000 local and 2,000 processor files (the offline model's FTP service):
//    wall time from the request to the published list, and the longest time the GUI thread
//    went without running its event loop meanwhile;
//  - the download manager fetching 200 files from nginx, and curl fetching the same files in
//    the same run.
#include "cloudstoreserver.h"
#include "downloadmanager.h"
#include "modelprocess.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "tuningfile.h"
#include "tuningfilelistmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace tarn::tuning;

namespace {
constexpr int LibraryFiles = 2000;
constexpr int DownloadFiles = 200;
constexpr int DownloadFileBytes = 16 * 1024;
constexpr int TimeoutMs = 60000;

QString libraryName(int i, int stampShift)
{
    // 20 brands x 10 series x 10 models: 200 groups of 10 files each.
    return QStringLiteral("Brand%1_Series%2_Model%3_Main_2016_%4_10_12_%5.hdf")
        .arg(i / 100)
        .arg((i / 10) % 10)
        .arg(i % 10)
        .arg(1 + (i % 12))
        .arg(30 + stampShift);
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

struct LibrarySetup
{
    tarn::test::ModelProcess model;
    bool ready = false;
    QString error;
};

std::unique_ptr<LibrarySetup> g_library;

LibrarySetup &librarySetup()
{
    if (g_library)
        return *g_library;
    g_library = std::make_unique<LibrarySetup>();
    LibrarySetup &s = *g_library;
    const QByteArray body(2048, 't');
    for (Kind kind : {Kind::Speaker, Kind::Amplifier}) {
        const QString processor = s.model.stateDir() + "/ftp" + processorFolder(kind);
        QDir().mkpath(localFolder(kind));
        QDir().mkpath(processor);
        for (int i = 0; i < LibraryFiles / 2; ++i) {
            writeFile(QDir(localFolder(kind)).filePath(libraryName(i, 0)), body);
            // A third older on the processor, a third the same, a third newer.
            writeFile(QDir(processor).filePath(libraryName(i, (i % 3) - 1)), body);
        }
    }
    if (!s.model.start()) {
        s.error = "the offline model did not start: " + s.model.output();
        return s;
    }
    qputenv("TARN_FTP_PORT", QByteArray::number(s.model.status().value("ftpPort").toInt()));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    s.ready = true;
    return s;
}

void BM_Initialise(benchmark::State &state)
{
    LibrarySetup &s = librarySetup();
    if (!s.ready) {
        state.SkipWithError(qPrintable(s.error));
        return;
    }
    qint64 worstStallNs = 0;
    int rows = 0;
    for (auto _ : state) {
        TuningFileListModel model;
        QEventLoop loop;
        bool done = false;
        QObject::connect(&model, &TuningFileListModel::initialized, &loop, [&](bool ok) {
            done = ok && model.processorStateKnown();
            if (done || !ok)
                loop.quit();
        });
        // The GUI thread's pulse: a 1 ms timer whose gaps show any block of its event loop.
        QElapsedTimer pulse;
        qint64 stallNs = 0;
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            stallNs = qMax(stallNs, pulse.nsecsElapsed());
            pulse.restart();
        });
        QTimer::singleShot(TimeoutMs, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        pulse.start();
        probe.start();
        model.initializeModel(true);
        loop.exec();
        const double seconds = clock.nsecsElapsed() / 1e9;
        probe.stop();
        if (!done) {
            state.SkipWithError("initialise failed or timed out");
            return;
        }
        state.SetIterationTime(seconds);
        worstStallNs = qMax(worstStallNs, stallNs);
        rows = model.rowCount();
    }
    state.counters["gui_max_stall_ms"] = worstStallNs / 1e6;
    state.counters["rows"] = rows;
}

struct DownloadSetup
{
    QTemporaryDir root;
    std::unique_ptr<tarn::test::CloudStore> store;
    QList<QUrl> urls;
    bool ready = false;
};

std::unique_ptr<DownloadSetup> g_download;

DownloadSetup &downloadSetup()
{
    if (g_download)
        return *g_download;
    g_download = std::make_unique<DownloadSetup>();
    DownloadSetup &s = *g_download;
    QDir().mkpath(s.root.filePath("files"));
    QByteArray body(DownloadFileBytes, Qt::Uninitialized);
    for (int i = 0; i < DownloadFiles; ++i) {
        body.fill(char('a' + i % 26));
        const QString name = QStringLiteral("Bench_Series_M%1_Main_2018_1_1_0_0.hdf").arg(i);
        writeFile(s.root.filePath("files/" + name), body);
    }
    s.store = std::make_unique<tarn::test::CloudStore>(s.root.filePath("files"));
    if (!s.store->isRunning())
        return s;
    for (int i = 0; i < DownloadFiles; ++i)
        s.urls << QUrl(s.store->url().toString() + QStringLiteral("/Bench_Series_M%1_Main_2018_1_1_0_0.hdf").arg(i));
    s.ready = true;
    return s;
}

std::map<std::string, double> &filesPerSecond()
{
    static std::map<std::string, double> rates;
    return rates;
}

bool downloadManagerRun(const QString &target)
{
    DownloadSetup &s = downloadSetup();
    QThread thread;
    auto *downloads = new DownloadManager;
    downloads->moveToThread(&thread);
    QObject::connect(&thread, &QThread::started, downloads, &DownloadManager::onThreadStarted);
    QObject::connect(&thread, &QThread::finished, downloads, &DownloadManager::onThreadFinished, Qt::DirectConnection);
    QObject::connect(&thread, &QThread::finished, downloads, &QObject::deleteLater);
    QEventLoop loop;
    int fetched = -1;
    QObject::connect(downloads, &DownloadManager::allDonwloadsFinished, &loop, [&](int count, int) {
        fetched = count;
        loop.quit();
    });
    QTimer::singleShot(TimeoutMs, &loop, &QEventLoop::quit);
    thread.start();
    emit downloads->downloadMultiple(s.urls, target, true);
    loop.exec();
    thread.quit();
    thread.wait();
    return fetched == DownloadFiles;
}

bool curlRun(const QString &target)
{
    DownloadSetup &s = downloadSetup();
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QStringList args{QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("--fail")};
    for (const QUrl &url : qAsConst(s.urls))
        args << QStringLiteral("-o") << QDir(target).filePath(url.fileName()) << url.toString();
    QProcess curl;
    curl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    curl.start(QStringLiteral("curl"), args);
    return curl.waitForFinished(TimeoutMs) && curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0
        && QDir(target).entryList(QDir::Files).size() == DownloadFiles;
}

template <bool Curl>
void BM_Download(benchmark::State &state)
{
    DownloadSetup &s = downloadSetup();
    if (!s.ready) {
        state.SkipWithError("nginx did not start");
        return;
    }
    QTemporaryDir target;
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const bool ok = Curl ? curlRun(target.path()) : downloadManagerRun(target.path());
        const double elapsed = clock.nsecsElapsed() / 1e9;
        if (!ok) {
            state.SkipWithError("a download failed");
            return;
        }
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    const double rate = state.iterations() * DownloadFiles / seconds;
    state.counters["files/s"] = rate;
    state.SetBytesProcessed(state.iterations() * qint64(DownloadFiles) * DownloadFileBytes);
    filesPerSecond()[Curl ? "curl" : "manager"] = rate;
}

BENCHMARK(BM_Initialise)->Name("tuning_initialise/2000+2000")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Download, false)->Name("tuning_download200/manager")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Download, true)->Name("tuning_download200/curl")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    tarn::test::isolateEnvironment();
    QCoreApplication app(argc, argv);
    // Per-file debug lines are not what is measured.
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.tuning.debug=false\ntarn.ftp.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto &rates = filesPerSecond();
    if (rates.count("manager") && rates.count("curl"))
        std::printf("200 files of %d KiB from nginx: download manager %.0f files/s, curl %.0f files/s, ratio %.0f %%\n",
                    DownloadFileBytes / 1024, rates.at("manager"), rates.at("curl"),
                    100.0 * rates.at("manager") / rates.at("curl"));
    g_library.reset();
    g_download.reset();
    return 0;
}
