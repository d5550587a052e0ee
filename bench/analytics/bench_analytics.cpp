// 10,000 queued usage hits: the memory they hold, the time to save and to load their file, and
// the longest stall of the GUI thread while they drain to a collection endpoint on 127.0.0.1
// (a recorder on a thread of its own, so its work is not counted as the client's).
// On a busy machine the clock figures count the time other processes had; run it as
// `chrt -f 20 build/bench/bench_analytics` (root) to leave that out.
#include "analyticsqueue.h"
#include "appanalytics.h"
#include "appanalytics_p.h"
#include "httprecorder.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>


namespace {
constexpr int kHits = 10000;

using tarn::analytics::HitQueue;

// CPU time of the calling thread: a gap between ticks that the machine's other work caused is
// not the client's.
qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Times every event the GUI thread handles at the outermost level: the longest one is the longest
// time the thread could not react to anything else.
class TimedApplication : public QGuiApplication {
public:
    using QGuiApplication::QGuiApplication;
    bool measuring = false;
    qint64 longestEventNs = 0;
    qint64 longestEventCpuNs = 0;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!measuring || m_depth > 0 || QThread::currentThread() != thread())
            return QGuiApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer wall;
        wall.start();
        const qint64 cpu = threadCpuNs();
        const bool handled = QGuiApplication::notify(receiver, event);
        longestEventCpuNs = std::max(longestEventCpuNs, threadCpuNs() - cpu);
        longestEventNs = std::max(longestEventNs, wall.nsecsElapsed());
        --m_depth;
        return handled;
    }

private:
    int m_depth = 0;
};

struct Fixture {
    HitQueue queue;
    QString path;      // the file as the client saved it
    size_t bytesHeld = 0;
    qint64 fileBytes = 0;
};

// Queues 10,000 screen views of the kind the view loader reports, through the real client, with
// the endpoint down; the client's file is what the other measurements read.
const Fixture &fixture()
{
    static Fixture f;
    if (!f.queue.isEmpty())
        return f;
    qputenv("TARN_ANALYTICS_URL", tarn::test::HttpRecorder().url().toEncoded());
    TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("true"));
    const QStringList screens{"HomeScreen", "PEQ", "GEQ", "Mixers", "Utilities", "Presets", "Compressor", "Delay"};
    {
        AppAnalytics analytics;
        analytics.setSendInterval(1000000);
        auto *d = analytics.findChild<AppAnalytics::Private *>();
        d->setMaxQueuedHits(kHits);
        const size_t before = mallinfo2().uordblks;
        for (int i = 0; i < kHits; ++i)
            analytics.sendScreenView(screens.at(i % screens.size()), {{QStringLiteral("Payload"), QStringLiteral("High")}});
        f.bytesHeld = mallinfo2().uordblks - before;
        f.queue = d->queue();
        f.path = d->queueFilePath();
    }
    f.fileBytes = QFileInfo(f.path).size();
    return f;
}

void BM_SaveQueue(benchmark::State &state)
{
    const Fixture &f = fixture();
    const QString path = f.path + QStringLiteral(".bench");
    QString error;
    for (auto _ : state) {
        if (!tarn::analytics::writeQueueFile(path, f.queue, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["hits"] = f.queue.size();
    state.counters["file_KiB"] = f.fileBytes / 1024.0;
    state.counters["held_KiB"] = f.bytesHeld / 1024.0;
    state.counters["held_B_per_hit"] = double(f.bytesHeld) / f.queue.size();
    QFile::remove(path);
}

void BM_LoadQueue(benchmark::State &state)
{
    const Fixture &f = fixture();
    HitQueue hits;
    int skipped = 0;
    QString error;
    for (auto _ : state) {
        if (!tarn::analytics::readQueueFile(f.path, kHits, &hits, &skipped, &error) || hits.size() != kHits)
            state.SkipWithError("the queue did not load whole");
    }
    state.counters["hits"] = hits.size();
}

// Drains the 10,000 hits one POST at a time. Two views of the GUI thread's stalls: the longest
// single event it handled, and the longest gap between the ticks of a 1 ms timer on it (which
// also counts a backlog of events handled in one go). Both by the clock and by the thread's own
// CPU time, which leaves out time the machine gave to other processes.
void BM_DrainStall(benchmark::State &state)
{
    const Fixture &f = fixture();
    QThread serverThread;
    QObject serverContext;
    serverContext.moveToThread(&serverThread);
    serverThread.start();
    std::unique_ptr<tarn::test::HttpRecorder> collector;
    QMetaObject::invokeMethod(&serverContext, [&]() { collector = std::make_unique<tarn::test::HttpRecorder>(); },
                              Qt::BlockingQueuedConnection);
    qputenv("TARN_ANALYTICS_URL", collector->url().toEncoded());
    auto *app = static_cast<TimedApplication *>(QCoreApplication::instance());
    app->longestEventNs = app->longestEventCpuNs = 0;
    double worstMs = 0;
    double worstCpuMs = 0;
    double hitsPerSecond = 0;
    for (auto _ : state) {
        AppAnalytics analytics;
        auto *d = analytics.findChild<AppAnalytics::Private *>();
        d->setMaxQueuedHits(kHits);
        QEventLoop loop;
        // The client's own start-up write (the file trimmed to the usual cap) is let finish first.
        while (d->isSaving())
            loop.processEvents(QEventLoop::WaitForMoreEvents);
        QString error;
        tarn::analytics::writeQueueFile(f.path, f.queue, &error);
        d->loadQueue();
        if (d->queue().size() != kHits) {
            state.SkipWithError("the stored queue did not load whole");
            break;
        }
        QElapsedTimer sinceTick;
        QElapsedTimer drain;
        qint64 longestGapNs = 0;
        qint64 longestCpuNs = 0;
        qint64 cpuAtTick = threadCpuNs();
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&]() {
            longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
            const qint64 cpu = threadCpuNs();
            longestCpuNs = std::max(longestCpuNs, cpu - cpuAtTick);
            cpuAtTick = cpu;
            if (d->queue().isEmpty() && !analytics.isSending())
                loop.quit();
        });
        QTimer::singleShot(300000, &loop, &QEventLoop::quit);
        drain.start();
        sinceTick.start();
        cpuAtTick = threadCpuNs();
        tick.start();
        analytics.setSendInterval(1);
        app->measuring = true;
        loop.exec();
        app->measuring = false;
        const double seconds = drain.nsecsElapsed() / 1e9;
        if (!d->queue().isEmpty())
            state.SkipWithError("the queue did not drain");
        // One tick interval is the timer's own, not a stall.
        worstMs = std::max(worstMs, (longestGapNs - 1000000) / 1e6);
        worstCpuMs = std::max(worstCpuMs, longestCpuNs / 1e6);
        hitsPerSecond = kHits / seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["tick_gap_ms"] = worstMs;
    state.counters["tick_gap_cpu_ms"] = worstCpuMs;
    state.counters["max_event_ms"] = app->longestEventNs / 1e6;
    state.counters["max_event_cpu_ms"] = app->longestEventCpuNs / 1e6;
    state.counters["hits_per_s"] = hitsPerSecond;
    QMetaObject::invokeMethod(&serverContext, [&]() { collector.reset(); }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
}

BENCHMARK(BM_SaveQueue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadQueue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrainStall)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    tarn::test::isolateEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    // Per-hit debug lines and the endpoint-down warnings of the set-up are not what is measured.
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.analytics.debug=false\ntarn.analytics.warning=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
