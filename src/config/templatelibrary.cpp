#include "templatelibrary.h"

#include <json/reader.h>

#include <QFile>

#include <cstdint>
#include <memory>

namespace tarn::config {
namespace {
// JSON text is UTF-8, but the reader passes any bytes through in strings (and makes lone
// surrogates of "\udc00"). Such a string would be refused later by readers that check, after
// the builder has copied it into a document, so it is refused here.
bool validUtf8(const std::string &text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        const unsigned char c = *p++;
        if (c < 0x80)
            continue;
        int more = 0;
        std::uint32_t code = 0;
        if (c >= 0xc2 && c <= 0xdf) {
            more = 1;
            code = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            more = 2;
            code = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3f);
        }
        p += more;
        const std::uint32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
        if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
    }
    return true;
}

bool stringsValid(const Json::Value &value)
{
    if (value.isString())
        return validUtf8(value.asString());
    if (value.isObject()) {
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (!validUtf8(it.name()) || !stringsValid(*it))
                return false;
        }
    } else if (value.isArray()) {
        for (const Json::Value &element : value) {
            if (!stringsValid(element))
                return false;
        }
    }
    return true;
}
} // namespace

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
    if (ok && !stringsValid(parsed)) {
        ok = false;
        message = "a text that is not UTF-8";
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
