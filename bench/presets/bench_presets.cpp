// A 1 MB preset copied each way between the offline model and this PC through the presets
// screen's models, timed, while a 1 ms timer on the GUI thread measures the longest time the
// thread was kept from its events (a frame every 16 ms needs it below 16 ms).
#include "devicepresetmodel.h"
#include "filesystemmodel.h"
#include "modelprocess.h"
#include "presetprovider.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

namespace {
constexpr qint64 kPresetBytes = 1024 * 1024;
constexpr int kWaitMs = 30000;
const QString kSlot = QStringLiteral("15");
const QString kPcName = QStringLiteral("Big");

struct Setup {
    tarn::test::ModelProcess model;
    std::unique_ptr<DevicePresetModel> device;
    std::unique_ptr<FileSystemModel> pc;
    QByteArray preset;
    QString error;
};

// Runs the event loop until done() holds or the time is up; false on time-out.
template <typename Done>
bool spin(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

std::unique_ptr<Setup> g_setup;

Setup *setup()
{
    if (g_setup)
        return g_setup.get();
    g_setup = std::make_unique<Setup>();
    Setup *s = g_setup.get();
    if (!s->model.start()) {
        s->error = QStringLiteral("the offline model did not start");
        return s;
    }
    qputenv("TARN_DEVICE_PORT", QByteArray::number(s->model.port()));
    qputenv("TARN_FTP_PORT", QByteArray::number(s->model.status().value(QStringLiteral("ftpPort")).toInt()));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("stagemanagers"));
    TCPAdaptor::instance()->doConnect();
    if (!spin([] { return TCPAdaptor::instance()->isReady(); })) {
        s->error = QStringLiteral("no login");
        return s;
    }
    s->device = std::make_unique<DevicePresetModel>();
    s->pc = std::make_unique<FileSystemModel>();
    // A valid preset of the model, grown to 1 MB with blanks before its closing brace.
    QFile first(s->model.stateDir() + QStringLiteral("/ftp/presets/Preset_1.preset"));
    if (!first.open(QIODevice::ReadOnly) || !spin([&] { return s->device->count() > 0; })) {
        s->error = QStringLiteral("no preset list");
        return s;
    }
    QByteArray bytes = first.readAll().trimmed();
    bytes.chop(1);
    bytes += QByteArray(int(kPresetBytes - bytes.size() - 1), ' ') + '}';
    s->preset = bytes;
    QFile::remove(s->pc->folder() + QLatin1Char('/') + kPcName);
    s->pc->addPresetToFileSystem(kPcName, bytes);
    return s;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times every event the GUI thread handles: the longest one (wall and CPU) is what this
// code itself keeps the thread busy for, whatever else the machine is doing.
class TimedApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ > 0) {
            const bool handled = QCoreApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        QElapsedTimer wall;
        wall.start();
        const double cpu = threadCpuMs();
        const bool handled = QCoreApplication::notify(receiver, event);
        longestWallMs = qMax(longestWallMs, double(wall.nsecsElapsed()) / 1e6);
        longestCpuMs = qMax(longestCpuMs, threadCpuMs() - cpu);
        --m_depth;
        return handled;
    }
    double longestWallMs = 0;
    double longestCpuMs = 0;

private:
    int m_depth = 0;
};

TimedApplication *timedApp()
{
    return static_cast<TimedApplication *>(QCoreApplication::instance());
}

// The longest gap between ticks of a 1 ms timer while it runs.
class StallWatch {
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_clock.nsecsElapsed());
            m_clock.restart();
        });
        m_clock.start();
        m_timer.start();
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

void report(benchmark::State &state, double longestStall)
{
    state.counters["longest_gui_stall_ms"] = benchmark::Counter(longestStall, benchmark::Counter::kAvgThreads);
    state.counters["longest_event_ms"] = timedApp()->longestWallMs;
    state.counters["longest_event_cpu_ms"] = timedApp()->longestCpuMs;
    state.SetBytesProcessed(int64_t(state.iterations()) * kPresetBytes);
}

// PC -> processor: read the file, put it into slot 15, name it there. The provider waits
// kPutDelayMs before the put on purpose; "put_ms" is the time without that wait.
void BM_CopyToProcessor(benchmark::State &state)
{
    Setup *s = setup();
    if (!s->error.isEmpty()) {
        state.SkipWithError(qPrintable(s->error));
        return;
    }
    double longest = 0;
    double putMs = 0;
    timedApp()->longestWallMs = timedApp()->longestCpuMs = 0;
    for (auto _ : state) {
        int finished = 0;
        QString failure;
        QObject scope;
        QObject::connect(s->pc.get(), &FileSystemModel::presetAvailable, &scope,
                         [s](const QByteArray &bytes) { s->device->transfer(kSlot, kPcName, bytes); });
        QObject::connect(s->device.get(), &DevicePresetModel::actionFinished, &scope, [&] { ++finished; });
        QObject::connect(s->device.get(), &DevicePresetModel::error, &scope, [&](const QString &e) { failure = e; });
        StallWatch watch;
        QElapsedTimer clock;
        clock.start();
        s->pc->transfer(kPcName);
        if (!spin([&] { return finished > 0 || !failure.isEmpty(); }) || !failure.isEmpty()) {
            state.SkipWithError(qPrintable(QStringLiteral("copy to the processor failed: ") + failure));
            return;
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        putMs += ms - PresetProvider::kPutDelayMs;
        longest = qMax(longest, watch.longestMs());
    }
    state.counters["put_ms"] = putMs / double(state.iterations());
    report(state, longest);
}

// Processor -> PC: fetch slot 15 and save it under a new name.
void BM_CopyToPC(benchmark::State &state)
{
    Setup *s = setup();
    if (!s->error.isEmpty() || !s->device->provider()->hasPreset(kSlot.toInt())) {
        state.SkipWithError("run BM_CopyToProcessor first (slot 15 must hold the 1 MB preset)");
        return;
    }
    double longest = 0;
    timedApp()->longestWallMs = timedApp()->longestCpuMs = 0;
    for (auto _ : state) {
        QByteArray fetched;
        QString failure;
        QObject scope;
        const QString name = s->pc->availablePresetName(QStringLiteral("Fetched"));
        QObject::connect(s->device.get(), &DevicePresetModel::presetAvailable, &scope, [&](const QByteArray &bytes) {
            fetched = bytes;
            s->pc->addPresetToFileSystem(name, bytes);
        });
        QObject::connect(s->device.get(), &DevicePresetModel::error, &scope, [&](const QString &e) { failure = e; });
        StallWatch watch;
        QElapsedTimer clock;
        clock.start();
        s->device->presetFetch(kSlot);
        if (!spin([&] { return !fetched.isEmpty() || !failure.isEmpty(); }) || fetched != s->preset) {
            state.SkipWithError(qPrintable(QStringLiteral("copy to the PC failed or changed the bytes: ") + failure));
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        longest = qMax(longest, watch.longestMs());
        s->pc->deletePreset(name);
    }
    report(state, longest);
}

// The same watch over an idle second: what the machine alone costs the GUI thread.
void BM_IdleBaseline(benchmark::State &state)
{
    double longest = 0;
    timedApp()->longestWallMs = timedApp()->longestCpuMs = 0;
    for (auto _ : state) {
        StallWatch watch;
        QElapsedTimer clock;
        clock.start();
        spin([&] { return clock.elapsed() >= 1000; });
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        longest = qMax(longest, watch.longestMs());
    }
    report(state, longest);
    state.SetBytesProcessed(0);
}

BENCHMARK(BM_IdleBaseline)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyToProcessor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyToPC)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
} // namespace

int main(int argc, char **argv)
{
    tarn::test::isolateEnvironment();
    TimedApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_setup.reset();
    TCPAdaptor::destroyInstance();
    return 0;
}
