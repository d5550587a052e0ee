#pragma once

#include <json/value.h>

#include <QString>

#include <string>

namespace tarn::config {

// Where the template library and the crossover layout list live among the resources.
inline const QString templatesResource()
{
    return QStringLiteral(":/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json");
}
inline const QString crossoverLayoutsResource()
{
    return QStringLiteral(":/xml/CrossoverConfigurations.xml");
}

// Largest JSON document read here; the library itself is well below 100 kB.
constexpr qint64 kMaxJsonBytes = 8 * 1024 * 1024;

// Parses one JSON document strictly: nothing after the value, no repeated keys, nesting bounded.
bool parseJson(const std::string &text, Json::Value &value, std::string *error = nullptr);
// Reads and parses a file or resource of at most kMaxJsonBytes.
bool loadJsonFile(const QString &path, Json::Value &value, QString *error = nullptr);

} // namespace tarn::config
