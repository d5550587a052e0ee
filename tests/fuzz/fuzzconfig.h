#pragma once

// For the harnesses that build configuration documents with the config builder.

#include "configbuilder.h"
#include "fuzzcheck.h"
#include "templatelibrary.h"

namespace tarn::fuzz {
// The shipped template library, read once.
inline const Json::Value &shippedLibrary()
{
    static const Json::Value library = [] {
        Json::Value value;
        const QByteArray text = sourceFile(
            "resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json");
        check(tarn::config::parseJson(text.toStdString(), value), "the shipped library reads");
        return value;
    }();
    return library;
}

// A build either fails with a reason and no output, or gives a fresh document that passes both
// validations; `built` gets it.
inline bool checkBuild(ConfigBuilder &builder, const Json::Value &config, Json::Value *built = nullptr)
{
    Json::Value document(Json::objectValue);
    document["stale"] = 1;
    if (!builder.build(document, config)) {
        checkRefused("build", QString::fromStdString(builder.errorSummary()), document.isNull());
        return false;
    }
    std::string detail;
    check(ConfigBuilder::validateWires(document, detail), "a built document passes the wire validation");
    check(ConfigBuilder::validateGrids(document, detail), "a built document passes the grid validation");
    check(!document.isMember("stale"), "nothing of the old output survives");
    if (built)
        *built = document;
    return true;
}
} // namespace tarn::fuzz
