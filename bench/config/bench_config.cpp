// Every edit in configuration mode rebuilds the whole configuration document, so building the
// default configuration must stay well under 5 ms.
#include "configbuilder.h"
#include "templatelibrary.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {

const Json::Value &library()
{
    static const Json::Value lib = [] {
        Json::Value value;
        if (!tarn::config::loadJsonFile(tarn::config::templatesResource(), value))
            std::abort();
        return value;
    }();
    return lib;
}

void buildDefault(benchmark::State &state, const char *mode)
{
    tarn::ConfigBuilder builder(library());
    builder.setMode(mode);
    const Json::Value config = library()[".default"];
    for (auto _ : state) {
        Json::Value document;
        if (!builder.build(document, config))
            state.SkipWithError(builder.errorSummary().c_str());
        benchmark::DoNotOptimize(document);
    }
}

void BM_BuildDefault(benchmark::State &state)
{
    buildDefault(state, "");
}

void BM_BuildDefaultAutoEQ(benchmark::State &state)
{
    buildDefault(state, "AutoEQ");
}

// One link edit as the editing engine does it: the span change (which tries its result on a
// copy) followed by the rebuild of the document.
void BM_LinkThenRebuild(benchmark::State &state)
{
    tarn::ConfigBuilder builder(library());
    Json::Value config = library()[".default"];
    config["Columns"][3][2] = Json::Value();
    for (auto _ : state) {
        Json::Value edited = config;
        if (!builder.setSpan(edited, 3, 1, 2))
            state.SkipWithError("link refused");
        Json::Value document;
        builder.build(document, edited);
        benchmark::DoNotOptimize(document);
    }
}

void BM_CrossoverCandidates(benchmark::State &state)
{
    tarn::ConfigBuilder builder(library());
    Json::Value config = library()[".default"];
    for (Json::ArrayIndex r = 2; r <= 6; ++r)
        config["Columns"][8][r] = Json::Value();
    for (auto _ : state)
        benchmark::DoNotOptimize(builder.crossoverCandidates(config, 8, 1));
}

void BM_ParseLibrary(benchmark::State &state)
{
    QFile file(tarn::config::templatesResource());
    file.open(QIODevice::ReadOnly);
    const std::string text = file.readAll().toStdString();
    for (auto _ : state) {
        Json::Value value;
        tarn::config::parseJson(text, value);
        benchmark::DoNotOptimize(value);
    }
}

} // namespace

BENCHMARK(BM_BuildDefault)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildDefaultAutoEQ)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinkThenRebuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CrossoverCandidates)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
