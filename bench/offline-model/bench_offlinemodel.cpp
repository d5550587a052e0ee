// The offline model under the load of a busy meter screen, and its hot paths in process.
//
// BM_MeterPollLoad starts the real tarn-offline-model, logs in over TCP and keeps 200 meter
// controls busy the way the application's meters poll: each subscribed, and each sending an
// "asyncget" 100 ms after its previous answer. It reports the answer latency, whether any
// poll was left waiting (backlog), and the CPU the model used (from /proc). The load runs for
// TARN_BENCH_SECONDS seconds (default 5).
#include "catalogue.h"
#include "devicestate.h"
#include "displayformat.h"
#include "lineformat.h"
#include "request.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <deque>
#include <vector>

#include <unistd.h>

namespace {
constexpr int kMeters = 200;
constexpr int kPollGapMs = 100;
const QString kCatalogue = QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json");

const tarn::offline::Catalogue &catalogue()
{
    static tarn::offline::Catalogue c;
    static bool loaded = false;
    if (!loaded) {
        QString error;
        loaded = c.load(kCatalogue, &error);
        if (!loaded)
            qFatal("catalogue: %s", qPrintable(error));
    }
    return c;
}

quint16 freePort()
{
    for (int i = 0; i < 50; ++i) {
        QTcpServer tcp;
        QUdpSocket udp;
        if (tcp.listen(QHostAddress::LocalHost, 0) && udp.bind(QHostAddress(QHostAddress::LocalHost), tcp.serverPort()))
            return tcp.serverPort();
    }
    return 0;
}

// utime + stime of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double ownCpuSeconds()
{
    return cpuSeconds(QCoreApplication::applicationPid());
}

// The meters of the running preset, as a meter screen binds them: plain and in percent.
std::vector<DataFromDevice> meterBindings()
{
    std::vector<DataFromDevice> out;
    tarn::offline::DeviceState state(catalogue(), 1);
    for (int i = 0; i < state.count(); ++i) {
        const auto &v = state.variable(i);
        if (v.live.type == tarn::offline::LiveSpec::Type::None || !state.isPresent(i) || v.object.isEmpty())
            continue;
        DataFromDevice d;
        d.poName = v.object;
        d.svName = v.name;
        out.push_back(d);
        if (v.kind == tarn::offline::Variable::Kind::Meter) {
            d.valueType = QStringLiteral("%");
            out.push_back(d);
        }
    }
    return out;
}

struct Chain {
    DataFromDevice binding;
    QElapsedTimer sent;
    bool waiting = false;
};

void BM_MeterPollLoad(benchmark::State &state)
{
    const int seconds = qMax(1, qEnvironmentVariableIntValue("TARN_BENCH_SECONDS") > 0 ? qEnvironmentVariableIntValue("TARN_BENCH_SECONDS") : 5);
    for (auto _ : state) {
        QProcess model;
        const quint16 port = freePort();
        model.start(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model"),
                    {QStringLiteral("--port"), QString::number(port), QStringLiteral("--log"), QStringLiteral("/dev/null")});
        QByteArray out;
        QDeadlineTimer startDeadline(15000);
        while (!out.contains("ready") && model.state() != QProcess::NotRunning && !startDeadline.hasExpired()) {
            model.waitForReadyRead(200);
            out += model.readAllStandardOutput();
        }
        if (!out.contains("ready")) {
            state.SkipWithError("the offline model did not start");
            return;
        }

        const std::vector<DataFromDevice> bindings = meterBindings();
        std::vector<Chain> chains(kMeters);
        for (int i = 0; i < kMeters; ++i)
            chains[size_t(i)].binding = bindings[size_t(i) % bindings.size()];

        QTcpSocket socket;
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        std::deque<int> outstanding; // answers come in request order
        std::vector<double> latencies;
        qint64 pushes = 0;
        bool loggedIn = false;
        bool polling = true;
        QByteArray buffer;
        tarn::protocol::LineClassifier classifier;

        const auto poll = [&](int i) {
            if (!polling)
                return;
            DataFromDevice d = chains[size_t(i)].binding;
            d.command = QStringLiteral("asyncget");
            chains[size_t(i)].sent.start();
            chains[size_t(i)].waiting = true;
            outstanding.push_back(i);
            socket.write(tarn::protocol::formatRequest(d));
        };
        QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
            buffer += socket.readAll();
            int pos = 0;
            for (int end = buffer.indexOf('\n', pos); end >= 0; end = buffer.indexOf('\n', pos)) {
                const QString line = QString::fromUtf8(buffer.mid(pos, end - pos));
                pos = end + 1;
                using Kind = tarn::protocol::LineClassifier::Kind;
                const Kind kind = classifier.classify(line);
                if (kind == Kind::Greeting) {
                    socket.write(tarn::protocol::formatLogin(QStringLiteral("stagemanagers")));
                } else if (kind == Kind::LoggedIn) {
                    loggedIn = true;
                    for (const DataFromDevice &b : bindings) {
                        DataFromDevice d = b;
                        d.command = QStringLiteral("sub");
                        socket.write(tarn::protocol::formatRequest(d));
                    }
                    for (int i = 0; i < kMeters; ++i)
                        QTimer::singleShot(i * kPollGapMs / kMeters, &socket, [&, i] { poll(i); });
                } else if (kind == Kind::Value && classifier.record().command == QLatin1String("asyncget")) {
                    if (outstanding.empty())
                        continue;
                    const int i = outstanding.front();
                    outstanding.pop_front();
                    chains[size_t(i)].waiting = false;
                    latencies.push_back(double(chains[size_t(i)].sent.nsecsElapsed()) / 1e6);
                    QTimer::singleShot(kPollGapMs, &socket, [&, i] { poll(i); });
                } else if (kind == Kind::Value && classifier.record().command == QLatin1String("subr")) {
                    ++pushes;
                }
            }
            buffer.remove(0, pos);
        });
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);

        QEventLoop loop;
        QElapsedTimer wall;
        double modelCpuStart = 0;
        double ownCpuStart = 0;
        QTimer::singleShot(1000, &loop, [&] { // after login and the first round
            wall.start();
            modelCpuStart = cpuSeconds(model.processId());
            ownCpuStart = ownCpuSeconds();
            latencies.clear();
            pushes = 0;
            QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        });
        loop.exec();
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        const double modelCpu = cpuSeconds(model.processId()) - modelCpuStart;
        const double ownCpu = ownCpuSeconds() - ownCpuStart;
        polling = false;

        // Whatever is still waiting must arrive promptly: no backlog.
        const size_t waitingAtStop = outstanding.size();
        QDeadlineTimer drain(2000);
        while (!outstanding.empty() && !drain.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        state.SetIterationTime(elapsed);

        std::sort(latencies.begin(), latencies.end());
        const auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[size_t(q * double(latencies.size() - 1))]; };
        state.counters["logged_in"] = loggedIn ? 1 : 0;
        state.counters["meters"] = kMeters;
        state.counters["distinct_bindings"] = double(bindings.size());
        state.counters["polls_per_s"] = double(latencies.size()) / elapsed;
        state.counters["ideal_polls_per_s"] = double(kMeters) * 1000.0 / kPollGapMs;
        state.counters["pushes_per_s"] = double(pushes) / elapsed;
        state.counters["latency_p50_ms"] = at(0.5);
        state.counters["latency_p99_ms"] = at(0.99);
        state.counters["latency_max_ms"] = latencies.empty() ? 0.0 : latencies.back();
        state.counters["waiting_at_stop"] = double(waitingAtStop);
        state.counters["unanswered_after_drain"] = double(outstanding.size());
        state.counters["model_cpu_percent"] = 100.0 * modelCpu / elapsed;
        state.counters["client_cpu_percent"] = 100.0 * ownCpu / elapsed;

        socket.abort();
        model.terminate();
        if (!model.waitForFinished(5000))
            model.kill();
        model.waitForFinished(5000);
    }
}

void BM_FormatValue(benchmark::State &state)
{
    tarn::offline::DisplayFormat f;
    f.unit = QStringLiteral("Hz");
    f.kiloDecimals = 2;
    double v = 20;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tarn::offline::formatValue(f, v, 20, 20000));
        v = v > 20000 ? 20 : v * 1.01;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ParseAndResolve(benchmark::State &state)
{
    tarn::offline::DeviceState device(catalogue(), 1);
    const QString line = QStringLiteral("asyncget \"\\\\Preset\\OutputMeters\\SV\\Channel_3_Level\\%\"");
    for (auto _ : state) {
        const tarn::offline::Request r = tarn::offline::parseRequest(line);
        benchmark::DoNotOptimize(tarn::offline::resolvePath(device, r.path));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MeterTick(benchmark::State &state)
{
    tarn::offline::DeviceState device(catalogue(), 1);
    for (auto _ : state)
        device.tick();
    state.SetItemsProcessed(state.iterations());
}
} // namespace

BENCHMARK(BM_MeterPollLoad)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_FormatValue);
BENCHMARK(BM_ParseAndResolve);
BENCHMARK(BM_MeterTick);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
