// libFuzzer harness: a builder config (what a client sends to reconfigure the configurable model,
// and what the model keeps in its state folder) read as JSON and built with the shipped template
// library, then one editing routine applied to it. The last bytes of the input choose the routine
// and where it works; the rest is the JSON text.
//
// Properties: JSON that reads also reads back the same from its compact text; the builder either
// returns a document that passes both validations and keeps the structural promises, or false
// with a summary and a null output; the same config always builds the same document; a lookup
// throws nothing but ConfigBuilderError; a refused edit leaves the config as it was and an
// accepted one builds.
#include "configbuilder.h"
#include "configtestutil.h"
#include "fuzzcheck.h"
#include "templatelibrary.h"

#include <fuzzer/FuzzedDataProvider.h>

using tarn::ConfigBuilder;
using tarn::ConfigBuilderError;
using tarn::fuzz::check;

namespace {
const Json::Value &library()
{
    static const Json::Value lib = [] {
        Json::Value value;
        const QByteArray text = tarn::fuzz::sourceFile(
            "resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json");
        check(tarn::config::parseJson(text.toStdString(), value), "the shipped library reads");
        return value;
    }();
    return lib;
}

const std::vector<std::string> &templateNames()
{
    static const std::vector<std::string> names = library().getMemberNames();
    return names;
}

void checkBuild(ConfigBuilder &builder, const Json::Value &config)
{
    Json::Value document(Json::objectValue);
    document["stale"] = 1;
    if (!builder.build(document, config)) {
        check(document.isNull(), "a failed build leaves no output");
        check(!builder.errorSummary().empty(), "a failed build says why");
        return;
    }
    check(builder.errorSummary().empty(), "no failure text on success");
    std::string detail;
    check(ConfigBuilder::validateWires(document, detail), "a built document passes the wire validation");
    check(ConfigBuilder::validateGrids(document, detail), "a built document passes the grid validation");
    check(document[".builderConfig"] == config, "the document keeps its builder config");
    check(!document.isMember("stale"), "nothing of the old output survives");
    check(tarn::test::checkInvariants(document).isEmpty(), "structural promises kept");
    Json::Value again;
    check(builder.build(again, config) && again == document, "the same config builds the same document");
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tarn::fuzz::silenceQt();
    library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int routine = input.ConsumeIntegralInRange(0, 4);
    const int column = input.ConsumeIntegralInRange(-1, 16);
    const int row = input.ConsumeIntegralInRange(-1, 34);
    const int number = input.ConsumeIntegralInRange(-1, 62);
    const bool autoEq = input.ConsumeBool();
    const std::string text = input.ConsumeRemainingBytesAsString();

    Json::Value config;
    std::string error;
    if (!tarn::config::parseJson(text, config, &error)) {
        check(!error.empty(), "a refused document names its fault");
        check(config.isNull(), "a refused document leaves the value alone");
        return 0;
    }
    Json::Value reread;
    check(tarn::config::parseJson(tarn::test::compact(config), reread) && reread == config,
          "compact text reads back the same");

    ConfigBuilder builder(library());
    builder.setMode(autoEq ? "AutoEQ" : "");
    checkBuild(builder, config);

    try {
        builder.cell(config, column, row);
        builder.cellIndex(config, column, row);
        builder.cellSpan(config, column, row);
    } catch (const ConfigBuilderError &) {
    }

    Json::Value edited = config;
    bool changed = false;
    switch (routine) {
    case 0:
        changed = builder.setSpan(edited, column, row, number % 9);
        break;
    case 1: {
        const auto candidates = builder.crossoverCandidates(config, column, row);
        const auto &layouts = ConfigBuilder::crossoverLayoutNames();
        const std::string layout = candidates.empty() ? layouts[size_t(number + 1) % layouts.size()]
                                                      : candidates[size_t(number + 1) % candidates.size()];
        changed = builder.setCrossoverLayout(edited, column, row, layout);
        break;
    }
    case 2:
        changed = builder.replaceTemplate(edited, column, row, templateNames()[size_t(number + 1) % templateNames().size()]);
        break;
    case 3:
        for (const char *t : {"Out_CrossoverIIR", "Out_CrossoverTarn", "Out_CrossoverFIR", "In_PEQ"}) {
            try {
                builder.crossoverTypes(t);
            } catch (const ConfigBuilderError &) {
            }
        }
        break;
    default:
        changed = builder.replaceTemplate(edited, column, row, "Out_CrossoverTarn");
        break;
    }
    if (changed) {
        Json::Value rebuilt;
        check(builder.build(rebuilt, edited), "an accepted edit builds");
    } else {
        check(edited == config, "a refused edit leaves the config as it was");
    }
    return 0;
}
