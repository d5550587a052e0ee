// libFuzzer harness: a builder config (JSON, after the bytes that pick one editing routine and
// where it works) built with the shipped library. Properties: compact JSON reads back; a build is
// sound, repeatable and keeps the structural promises, or fails with a reason; lookups throw only
// ConfigBuilderError; a refused edit changes nothing and an accepted one builds.
#include "configtestutil.h"
#include "fuzzconfig.h"

#include <fuzzer/FuzzedDataProvider.h>

using tarn::ConfigBuilder;
using tarn::ConfigBuilderError;
using tarn::fuzz::shippedLibrary;

namespace {
const std::vector<std::string> &templateNames()
{
    static const std::vector<std::string> names = shippedLibrary().getMemberNames();
    return names;
}

void checkBuild(ConfigBuilder &builder, const Json::Value &config)
{
    Json::Value document;
    if (!tarn::fuzz::checkBuild(builder, config, &document))
        return;
    check(builder.errorSummary().empty(), "no failure text on success");
    check(document[".builderConfig"] == config, "the document keeps its builder config");
    check(tarn::test::checkInvariants(document).isEmpty(), "structural promises kept");
    Json::Value again;
    check(builder.build(again, config) && again == document, "the same config builds the same document");
}
} // namespace

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
        tarn::fuzz::checkRefused("document", QString::fromStdString(error), config.isNull());
        return 0;
    }
    Json::Value reread;
    check(tarn::config::parseJson(tarn::test::text(config).toStdString(), reread) && reread == config,
          "compact text reads back the same");

    ConfigBuilder builder(shippedLibrary());
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
