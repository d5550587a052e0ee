// libFuzzer harness: a template library (the document the config builder takes its objects,
// slots and crossover layouts from) read as JSON, then the library's own default config and the
// shipped one built with it, and the crossover lookups asked.
//
// Properties: the builder either returns a document that passes both validations or false with a
// summary and a null output, whatever the library says; lookups throw nothing but
// ConfigBuilderError; a listed crossover candidate has a span.
#include "configbuilder.h"
#include "fuzzcheck.h"
#include "templatelibrary.h"

using tarn::ConfigBuilder;
using tarn::ConfigBuilderError;
using tarn::fuzz::check;

namespace {
const Json::Value &shippedDefault()
{
    static const Json::Value config = [] {
        Json::Value value;
        const QByteArray text = tarn::fuzz::sourceFile(
            "resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json");
        check(tarn::config::parseJson(text.toStdString(), value), "the shipped library reads");
        return value[".default"];
    }();
    return config;
}

void checkBuild(ConfigBuilder &builder, const Json::Value &config)
{
    Json::Value document;
    if (!builder.build(document, config)) {
        check(document.isNull(), "a failed build leaves no output");
        check(!builder.errorSummary().empty(), "a failed build says why");
        return;
    }
    std::string detail;
    check(ConfigBuilder::validateWires(document, detail), "a built document passes the wire validation");
    check(ConfigBuilder::validateGrids(document, detail), "a built document passes the grid validation");
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tarn::fuzz::silenceQt();
    shippedDefault();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Json::Value library;
    if (!tarn::config::parseJson(std::string(reinterpret_cast<const char *>(data), size), library))
        return 0;
    ConfigBuilder builder(library);
    for (const char *mode : {"", "AutoEQ"}) {
        builder.setMode(mode);
        checkBuild(builder, shippedDefault());
        if (library.isObject() && library.isMember(".default"))
            checkBuild(builder, library[".default"]);
    }
    for (const char *t : {"Out_CrossoverIIR", "Out_CrossoverTarn", "Out_CrossoverFIR"}) {
        try {
            const Json::Value &types = builder.crossoverTypes(t);
            for (const std::string &layout : types.isObject() ? types.getMemberNames() : std::vector<std::string>()) {
                try {
                    builder.crossoverSpan(t, layout);
                } catch (const ConfigBuilderError &) {
                }
            }
        } catch (const ConfigBuilderError &) {
        }
        for (int row = 1; row <= 6; ++row) {
            for (const std::string &candidate : builder.crossoverCandidates(shippedDefault(), 8, row, t)) {
                try {
                    check(builder.crossoverSpan(t, candidate) >= 1, "a candidate takes rows");
                } catch (const ConfigBuilderError &) {
                    check(false, "a candidate has a span");
                }
            }
        }
    }
    return 0;
}
