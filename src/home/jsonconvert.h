#pragma once

#include <json/value.h>

#include <QJsonObject>
#include <QJsonValue>

namespace tarn::home {
// Between the builder's JSON trees and Qt's: through compact text, so the result is laid out
// exactly as the builder writes it.
QJsonObject toQtObject(const Json::Value &value);
Json::Value toJsoncpp(const QJsonValue &value);
} // namespace tarn::home
