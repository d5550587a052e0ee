// The configurable model's hot paths, in process: composing the catalogue of a chain at start,
// a whole reconfiguration (builder, catalogue, chain swap, new document) and one chunk of the
// configuration document.
#include "devicestate.h"
#include "quarramodel.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

namespace {
using tarn::offline::Catalogue;
using tarn::offline::DeviceState;
using tarn::offline::QuarraModel;

const QString kStatus = QStringLiteral("Node\\Config\\SV\\Command:Status");

// Runs one command on the state and waits (events processed) until its status ends.
void runToEnd(DeviceState &state, const QString &line, const QString &method)
{
    const int status = state.indexOf(kStatus);
    state.runRawCommand(line);
    while (state.display(status).startsWith(method + QLatin1Char(':')) && state.display(status).endsWith(QLatin1String(":InProgress")))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!state.display(status).endsWith(QLatin1String(":Done")))
        qFatal("%s ended %s", qPrintable(method), qPrintable(state.display(status)));
}

Catalogue prepared(QuarraModel &model)
{
    Catalogue catalogue;
    QString error;
    if (!model.prepare(&catalogue, &error))
        qFatal("%s", qPrintable(error));
    return catalogue;
}

void BM_QuarraStart(benchmark::State &state)
{
    for (auto _ : state) {
        QuarraModel model(QuarraModel::Settings{});
        benchmark::DoNotOptimize(prepared(model).variables().size());
    }
}

void BM_QuarraReconfigure(benchmark::State &state)
{
    QuarraModel model(QuarraModel::Settings{QString(), QString(), false, 0});
    DeviceState device(prepared(model), 1);
    model.attach(&device);
    // Two chains that differ in their input inserts and crossovers, applied in turn.
    QJsonObject config = QJsonDocument::fromJson(model.document()).object().value(QStringLiteral(".builderConfig")).toObject();
    QStringList lines;
    for (const char *insert : {"In_PEQ", "In_GEQ"}) {
        QJsonArray columns = config.value(QStringLiteral("Columns")).toArray();
        columns[3] = QJsonArray{QStringLiteral("Column_In_Insert1"), QJsonArray{QLatin1String(insert), 3}};
        config.insert(QStringLiteral("Columns"), columns);
        const QJsonObject command{{QStringLiteral("id"), QStringLiteral("builder config reconfig")},
                                  {QStringLiteral("method"), QStringLiteral("Reconfig")},
                                  {QStringLiteral("params"), QJsonArray{QStringLiteral("Builder"), config}}};
        lines << QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact));
    }
    int n = 0;
    for (auto _ : state)
        runToEnd(device, lines.at(n++ % 2), QStringLiteral("Reconfig"));
    state.counters["variables"] = double(device.count());
}

void BM_QuarraDocumentChunk(benchmark::State &state)
{
    QuarraModel model(QuarraModel::Settings{});
    DeviceState device(prepared(model), 1);
    model.attach(&device);
    const QString line = QStringLiteral("{\"method\": \"GetConfigDocument\", \"params\": [0], \"id\": \"appID_getConfigDocument\"}");
    for (auto _ : state)
        runToEnd(device, line, QStringLiteral("GetConfigDocument"));
    state.SetBytesProcessed(state.iterations() * QuarraModel::kChunkBytes);
    state.counters["documentBytes"] = double(model.document().size());
}
} // namespace

BENCHMARK(BM_QuarraStart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarraReconfigure)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarraDocumentChunk)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.offline*.info=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
