// 100 MB get and put over loopback against pyftpdlib: this client and curl in one run, whole
// sessions each (connect, login, transfer, quit), so the two are timed alike.
#include "ftppeers.h"
#include "qftp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {
constexpr qint64 FileSize = 100LL * 1024 * 1024;

struct Setup
{
    tarn::test::PyFtpdServer server;
    QTemporaryDir local;
    QString source;
    QString error;
    bool ready = false;
};

Setup &setup()
{
    static Setup s;
    static bool once = false;
    if (!once) {
        once = true;
        if (!s.server.start(&s.error))
            return s;
        s.source = s.local.filePath(QStringLiteral("source.bin"));
        QFile f(s.source);
        f.open(QIODevice::WriteOnly);
        QRandomGenerator gen(517);
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (qint64 done = 0; done < FileSize; done += block.size()) {
            gen.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
            f.write(block);
        }
        f.close();
        QFile::copy(s.source, s.server.root() + QStringLiteral("/big.bin"));
        s.ready = QFile::exists(s.server.root() + QStringLiteral("/big.bin"));
        if (!s.ready)
            s.error = QStringLiteral("cannot lay out the 100 MB file");
    }
    return s;
}

std::map<std::string, double> &throughput()
{
    static std::map<std::string, double> t;
    return t;
}

// One whole session with this client; false when any command failed.
bool qftpSession(bool upload)
{
    Setup &s = setup();
    QFtp ftp;
    QEventLoop loop;
    bool failed = false;
    qint64 moved = 0;
    QObject::connect(&ftp, &QFtp::commandFinished, [&](int, bool e) { failed = failed || e; });
    QObject::connect(&ftp, &QFtp::dataTransferProgress, [&](qint64 done, qint64) { moved = done; });
    QObject::connect(&ftp, &QFtp::done, &loop, &QEventLoop::quit);
    QFile file(upload ? s.source : QStringLiteral("/dev/null"));
    ftp.connectToHost(QStringLiteral("127.0.0.1"), s.server.port());
    ftp.login(s.server.user(), s.server.password());
    if (upload) {
        ftp.put(&file, QStringLiteral("up-qftp.bin"));
    } else {
        file.open(QIODevice::WriteOnly);
        ftp.get(QStringLiteral("big.bin"), &file);
    }
    ftp.close();
    loop.exec();
    if (upload)
        return !failed && moved == FileSize
            && QFileInfo(s.server.root() + QStringLiteral("/up-qftp.bin")).size() == FileSize;
    return !failed && moved == FileSize;
}

bool curlSession(bool upload)
{
    Setup &s = setup();
    const QString base = QStringLiteral("ftp://%1:%2@127.0.0.1:%3/")
                             .arg(s.server.user(), s.server.password())
                             .arg(s.server.port());
    QStringList args{QStringLiteral("-s"), QStringLiteral("-S")};
    if (upload)
        args << QStringLiteral("-T") << s.source << base + QStringLiteral("up-curl.bin");
    else
        args << QStringLiteral("-o") << QStringLiteral("/dev/null") << base + QStringLiteral("big.bin");
    QProcess curl;
    curl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    curl.start(QStringLiteral("curl"), args);
    return curl.waitForFinished(120000) && curl.exitStatus() == QProcess::NormalExit
        && curl.exitCode() == 0
        && (!upload || QFileInfo(s.server.root() + QStringLiteral("/up-curl.bin")).size() == FileSize);
}

template <bool Upload, bool Curl>
void BM_Transfer(benchmark::State &state)
{
    Setup &s = setup();
    if (!s.ready) {
        state.SkipWithError(qPrintable(QStringLiteral("pyftpdlib: ") + s.error));
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const bool ok = Curl ? curlSession(Upload) : qftpSession(Upload);
        const double elapsed = t.nsecsElapsed() / 1e9;
        if (!ok) {
            state.SkipWithError("transfer failed");
            return;
        }
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    state.SetBytesProcessed(state.iterations() * FileSize);
    const double mbps = state.iterations() * FileSize / seconds / (1024.0 * 1024.0);
    state.counters["MiB/s"] = mbps;
    throughput()[std::string(Upload ? "put" : "get") + (Curl ? "/curl" : "/qftp")] = mbps;
}

BENCHMARK_TEMPLATE(BM_Transfer, false, false)->Name("ftp_get/qftp")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Transfer, false, true)->Name("ftp_get/curl")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Transfer, true, false)->Name("ftp_put/qftp")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Transfer, true, true)->Name("ftp_put/curl")->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The client's per-reply debug lines are not what is measured.
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.ftp.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto &t = throughput();
    for (const char *dir : {"get", "put"}) {
        const auto q = t.find(std::string(dir) + "/qftp");
        const auto c = t.find(std::string(dir) + "/curl");
        if (q != t.end() && c != t.end())
            std::printf("100 MB %s: this client %.0f MiB/s, curl %.0f MiB/s, ratio %.0f %%\n", dir,
                        q->second, c->second, 100.0 * q->second / c->second);
    }
    setup().server.stop();
    return 0;
}
