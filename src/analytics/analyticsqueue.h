#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace tarn::analytics {
// One queued hit: its form-encoded query and when it was queued.
struct Hit {
    QByteArray query;
    qint64 queuedMs = 0; // milliseconds since the epoch
    quint64 id = 0;      // tells the hit apart while its POST is under way; not stored
};
using HitQueue = QVector<Hit>;

inline constexpr int kMaxQueuedHits = 100;
// A hit's query may not be longer than this; the collection endpoint takes no more either.
inline constexpr int kMaxHitBytes = 8192;

// Whether a query is one this client could have written: non-empty, bounded, and made only of
// the characters percent-encoding leaves (letters, digits, "-._~%") and the "&" and "=" between.
bool isWellFormedQuery(const QByteArray &query);

// The stored queue is a JSON array of {"url": <query>, "time": <ISO 8601 date-time, UTC>}.
QByteArray serializeQueue(const HitQueue &hits);
// Reads a stored queue. Elements that are not well-formed hits are skipped and counted in
// *skipped; of the rest only the newest `cap` are kept. False, with *error, when the document is
// not a queue at all.
bool parseQueue(const QByteArray &document, int cap, HitQueue *hits, int *skipped, QString *error);
// The largest file a queue of `cap` hits can need; anything bigger is not ours.
qint64 maxQueueFileBytes(int cap);

// Writes the queue file atomically, or removes it when the queue is empty.
bool writeQueueFile(const QString &path, const HitQueue &hits, QString *error);
// Reads the queue file; a missing file is an empty queue. False, with *error, when the file is
// unusable (unreadable, too big, not a queue); the caller discards it.
bool readQueueFile(const QString &path, int cap, HitQueue *hits, int *skipped, QString *error);
} // namespace tarn::analytics
