#pragma once

#include "configbuilder.h"
#include "templatelibrary.h"

#include <json/value.h>
#include <json/writer.h>

#include <QString>
#include <QtTest>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tarn::test {

// The library as compiled into the resources (so the test also proves it is embedded).
inline Json::Value library()
{
    static const Json::Value lib = [] {
        Json::Value value;
        QString error;
        if (!tarn::config::loadJsonFile(tarn::config::templatesResource(), value, &error))
            qFatal("cannot load the template library: %s", qPrintable(error));
        return value;
    }();
    return lib;
}

inline Json::Value defaultConfig()
{
    return library()[".default"];
}

// The value as compact JSON text.
inline QByteArray text(const Json::Value &value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return QByteArray::fromStdString(Json::writeString(builder, value));
}

inline Json::Value cellOf(const char *templateName, Json::Value second = Json::Value())
{
    Json::Value cell(Json::arrayValue);
    cell.append(templateName);
    if (!second.isNull())
        cell.append(std::move(second));
    return cell;
}

// Index of the named column in "Columns", or -1.
inline int columnIndex(const Json::Value &config, const std::string &name)
{
    const Json::Value &columns = config["Columns"];
    for (Json::ArrayIndex i = 0; i < columns.size(); ++i)
        if (columns[i].isArray() && columns[i][0].isString() && columns[i][0].asString() == name)
            return static_cast<int>(i);
    return -1;
}

inline Json::Value &column(Json::Value &config, const std::string &name)
{
    const int index = columnIndex(config, name);
    if (index < 0)
        qFatal("no column %s", name.c_str());
    return config["Columns"][static_cast<Json::ArrayIndex>(index)];
}

using Endpoint = std::pair<std::string, int>;

struct WireMap {
    std::vector<std::pair<Endpoint, Endpoint>> wires;
    std::map<Endpoint, std::vector<Endpoint>> into;  // destination -> sources

    explicit WireMap(const Json::Value &document)
    {
        for (const Json::Value &w : document["wires"]) {
            Endpoint src{w[0][0].asString(), w[0][1].asInt()};
            Endpoint dst{w[1][0].asString(), w[1][1].asInt()};
            wires.emplace_back(src, dst);
            into[dst].push_back(src);
        }
    }
    bool has(const std::string &src, int sc, const std::string &dst, int dc) const
    {
        return std::find(wires.begin(), wires.end(), std::make_pair(Endpoint{src, sc}, Endpoint{dst, dc})) != wires.end();
    }
    // Wires into (or, with `from`, out of) the object.
    int countInto(const std::string &object, bool from = false) const
    {
        return int(std::count_if(wires.begin(), wires.end(),
                                 [&](const auto &w) { return (from ? w.first : w.second).first == object; }));
    }
};

// Structural promises every built document keeps, beyond the two validations: no channel is
// fed twice, every wire stays inside the channel counts of its objects (read the way the
// shipped templates mean them), no object keeps its builder-only member.
inline QString checkInvariants(const Json::Value &document, bool channelRanges = true)
{
    const WireMap map(document);
    for (const auto &entry : map.into)
        if (entry.second.size() != 1)
            return QStringLiteral("%1:%2 is fed %3 times")
                .arg(QString::fromStdString(entry.first.first))
                .arg(entry.first.second)
                .arg(entry.second.size());
    auto channels = [&](const std::string &name, bool inputs) {
        const Json::Value &object = document[name];
        const Json::Value &a = object["Attributes"];
        const std::string cls = object["ClassName"].asString();
        if (cls == "QuarraCrossover") {
            const int mainInputs = a["Format"].asInt() == 2 ? 2 : a["Format"].asInt() == 3 ? 3 : 1;
            return inputs ? mainInputs + a["AuxSub"].asInt()
                          : a["NumBands"].asInt() * a["NumMainCabinets"].asInt() + a["NumSubCabinets"].asInt();
        }
        if (cls == "CadenzoCrossover")
            return inputs ? a["NumSlots"].asInt() : a["NumSlots"].asInt() * a["NumBands"].asInt() + a["MonoSub"].asInt();
        const char *key = inputs ? "NumInputs" : "NumOutputs";
        return a.isMember(key) ? a[key].asInt() : a["NumChans"].asInt();
    };
    for (const auto &w : map.wires) {
        if (!channelRanges)
            break;
        if (w.first.second < 0 || w.first.second >= channels(w.first.first, false))
            return QStringLiteral("%1 has no output %2").arg(QString::fromStdString(w.first.first)).arg(w.first.second);
        if (w.second.second < 0 || w.second.second >= channels(w.second.first, true))
            return QStringLiteral("%1 has no input %2").arg(QString::fromStdString(w.second.first)).arg(w.second.second);
    }
    for (const std::string &name : document.getMemberNames())
        if (document[name].isObject() && document[name].isMember(".builder"))
            return QStringLiteral("%1 keeps .builder").arg(QString::fromStdString(name));
    return QString();
}

} // namespace tarn::test
