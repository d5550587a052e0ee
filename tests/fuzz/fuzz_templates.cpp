// libFuzzer harness: a template library read as JSON, its own and the shipped default config
// built with it, and the crossover lookups asked. Properties: a build is sound or fails with a
// reason whatever the library says; lookups throw only ConfigBuilderError; candidates have spans.
#include "fuzzconfig.h"

using tarn::ConfigBuilder;
using tarn::ConfigBuilderError;
using tarn::fuzz::checkBuild;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Json::Value library;
    if (!tarn::config::parseJson(std::string(reinterpret_cast<const char *>(data), size), library))
        return 0;
    ConfigBuilder builder(library);
    const Json::Value &shippedDefault = tarn::fuzz::shippedLibrary()[".default"];
    for (const char *mode : {"", "AutoEQ"}) {
        builder.setMode(mode);
        checkBuild(builder, shippedDefault);
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
            for (const std::string &candidate : builder.crossoverCandidates(shippedDefault, 8, row, t)) {
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
