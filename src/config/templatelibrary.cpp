#include "templatelibrary.h"

#include <json/reader.h>

#include <QFile>

#include <memory>

namespace tarn::config {

bool parseJson(const std::string &text, Json::Value &value, std::string *error)
{
    if (text.size() > static_cast<std::size_t>(kMaxJsonBytes)) {
        if (error)
            *error = "document larger than " + std::to_string(kMaxJsonBytes) + " bytes";
        return false;
    }
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    builder["strictRoot"] = false;
    builder["stackLimit"] = 256;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string message;
    Json::Value parsed;
    bool ok = false;
    try {
        ok = reader->parse(text.data(), text.data() + text.size(), &parsed, &message);
    } catch (const std::exception &e) {
        // The nesting limit is reported by an exception rather than by the result.
        message = e.what();
    }
    if (!ok) {
        if (error)
            *error = message;
        return false;
    }
    value = std::move(parsed);
    return true;
}

bool loadJsonFile(const QString &path, Json::Value &value, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.size() > kMaxJsonBytes) {
        if (error)
            *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxJsonBytes);
        return false;
    }
    const QByteArray bytes = file.read(kMaxJsonBytes + 1);
    std::string message;
    if (!parseJson(bytes.toStdString(), value, &message)) {
        if (error)
            *error = QString::fromStdString(message);
        return false;
    }
    return true;
}

} // namespace tarn::config
