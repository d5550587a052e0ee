#include "analyticsqueue.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>

#include <algorithm>
#include <numeric>

namespace tarn::analytics {
namespace {
// The "time" text of a stored hit, e.g. "2024-05-01T12:00:00.123Z".
constexpr int kTimeTextBytes = 24;
// {"url":"","time":""},\n around each element, and the brackets around all.
constexpr int kElementFrameBytes = 32;

constexpr qint64 kMsPerDay = 86400000;
constexpr qint64 kJulianDayOfEpoch = 2440588; // 1970-01-01

void appendDigits(QByteArray *out, int value, int width)
{
    char digits[8];
    for (int i = width - 1; i >= 0; --i, value /= 10)
        digits[i] = char('0' + value % 10);
    out->append(digits, width);
}

// Written by hand: formatting through QDateTime costs more than the rest of the file together.
void appendTimeText(QByteArray *out, qint64 ms)
{
    const qint64 days = ms >= 0 ? ms / kMsPerDay : (ms - kMsPerDay + 1) / kMsPerDay;
    const qint64 inDay = ms - days * kMsPerDay;
    int year = 0, month = 0, day = 0;
    QDate::fromJulianDay(kJulianDayOfEpoch + days).getDate(&year, &month, &day);
    if (year < 1 || year > 9999) {
        out->append(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1());
        return;
    }
    appendDigits(out, year, 4);
    out->append('-');
    appendDigits(out, month, 2);
    out->append('-');
    appendDigits(out, day, 2);
    out->append('T');
    appendDigits(out, int(inDay / 3600000), 2);
    out->append(':');
    appendDigits(out, int(inDay / 60000 % 60), 2);
    out->append(':');
    appendDigits(out, int(inDay / 1000 % 60), 2);
    out->append('.');
    appendDigits(out, int(inDay % 1000), 3);
    out->append('Z');
}

// Reads the form appendTimeText writes; any other ISO 8601 text goes the long way. False when the
// text is no date-time.
bool parseTimeText(const QString &text, qint64 *ms)
{
    const auto number = [&](int from, int width, int *value) {
        *value = 0;
        for (int i = from; i < from + width; ++i) {
            const QChar c = text.at(i);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            *value = *value * 10 + (c.unicode() - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second, milli;
    if (text.size() == kTimeTextBytes && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')
        && text.at(10) == QLatin1Char('T') && text.at(13) == QLatin1Char(':') && text.at(16) == QLatin1Char(':')
        && text.at(19) == QLatin1Char('.') && text.at(23) == QLatin1Char('Z') && number(0, 4, &year)
        && number(5, 2, &month) && number(8, 2, &day) && number(11, 2, &hour) && number(14, 2, &minute)
        && number(17, 2, &second) && number(20, 3, &milli)) {
        const QDate date(year, month, day);
        if (!date.isValid() || hour > 23 || minute > 59 || second > 59)
            return false;
        *ms = (date.toJulianDay() - kJulianDayOfEpoch) * kMsPerDay + ((hour * 60 + minute) * 60 + second) * 1000 + milli;
        return true;
    }
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return false;
    *ms = time.toMSecsSinceEpoch();
    return true;
}
} // namespace

bool isWellFormedQuery(const QByteArray &query)
{
    if (query.isEmpty() || query.size() > kMaxHitBytes)
        return false;
    for (const char c : query) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain && c != '-' && c != '.' && c != '_' && c != '~' && c != '%' && c != '&' && c != '=')
            return false;
    }
    return true;
}

QByteArray serializeQueue(const HitQueue &hits)
{
    QByteArray out;
    out.reserve(2 + hits.size() * kElementFrameBytes
                + std::accumulate(hits.cbegin(), hits.cend(), 0,
                                  [](int sum, const Hit &hit) { return sum + hit.query.size() + kTimeTextBytes; }));
    out += '[';
    for (int i = 0; i < hits.size(); ++i) {
        // Queries are checked when queued, so they need no escaping; one that is not well formed
        // is not written at all.
        if (!isWellFormedQuery(hits.at(i).query))
            continue;
        if (out.size() > 1)
            out += ",\n";
        out += "{\"url\":\"";
        out += hits.at(i).query;
        out += "\",\"time\":\"";
        appendTimeText(&out, hits.at(i).queuedMs);
        out += "\"}";
    }
    out += "]\n";
    return out;
}

bool parseQueue(const QByteArray &document, int cap, HitQueue *hits, int *skipped, QString *error)
{
    hits->clear();
    *skipped = 0;
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(document, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON: %1 at %2").arg(parseError.errorString()).arg(parseError.offset);
        return false;
    }
    if (!json.isArray()) {
        *error = QStringLiteral("not an array of hits");
        return false;
    }
    const QJsonArray array = json.array();
    // Only the newest `cap` elements can be kept; older ones are not even looked at.
    const int first = std::max(0, array.size() - std::max(cap, 0));
    *skipped = first;
    hits->reserve(array.size() - first);
    for (int i = first; i < array.size(); ++i) {
        const QJsonObject element = array.at(i).toObject();
        const QByteArray query = element.value(QLatin1String("url")).toString().toLatin1();
        qint64 queuedMs = 0;
        if (!isWellFormedQuery(query) || !parseTimeText(element.value(QLatin1String("time")).toString(), &queuedMs)) {
            ++*skipped;
            continue;
        }
        hits->append(Hit{query, queuedMs, 0});
    }
    return true;
}

qint64 maxQueueFileBytes(int cap)
{
    return 4 + qint64(std::max(cap, 0)) * (kMaxHitBytes + kTimeTextBytes + kElementFrameBytes);
}

bool writeQueueFile(const QString &path, const HitQueue &hits, QString *error)
{
    if (hits.isEmpty()) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        *error = QStringLiteral("cannot remove %1").arg(path);
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(serializeQueue(hits));
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool readQueueFile(const QString &path, int cap, HitQueue *hits, int *skipped, QString *error)
{
    hits->clear();
    *skipped = 0;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const qint64 limit = maxQueueFileBytes(cap);
    // Read one byte past the limit rather than trusting size(): the file may be a pipe or grow.
    const QByteArray document = file.read(limit + 1);
    if (document.size() > limit) {
        *error = QStringLiteral("larger than %1 bytes").arg(limit);
        return false;
    }
    return parseQueue(document, cap, hits, skipped, error);
}
} // namespace tarn::analytics
