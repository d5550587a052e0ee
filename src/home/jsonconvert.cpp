#include "jsonconvert.h"

#include "templatelibrary.h"

#include <json/writer.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <memory>
#include <sstream>

namespace tarn::home {

QJsonObject toQtObject(const Json::Value &value)
{
    if (!value.isObject())
        return QJsonObject();
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    const std::string text = Json::writeString(builder, value);
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

Json::Value toJsoncpp(const QJsonValue &value)
{
    QByteArray text;
    if (value.isObject())
        text = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        text = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else
        return Json::Value();
    Json::Value result;
    if (!config::parseJson(text.toStdString(), result))
        return Json::Value();
    return result;
}
} // namespace tarn::home
