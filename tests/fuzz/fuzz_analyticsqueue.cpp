// libFuzzer harness: the stored analytics queue. The first byte picks the cap (1 .. 128); the
// rest is the queue file as found on disk. Properties: the cap and hit form are kept, a queue
// reads back as written, refusals say why, and the file and document readers agree.
#include "analyticsqueue.h"
#include "fuzzcheck.h"

#include <QTemporaryDir>

#include <algorithm>

using namespace tarn::analytics;

namespace {
bool sameHits(const HitQueue &a, const HitQueue &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Hit &x, const Hit &y) { return x.query == y.query && x.queuedMs == y.queuedMs; });
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
    static const QTemporaryDir dir;
    if (size == 0)
        return 0;
    const int cap = 1 + data[0] % 128;
    const QByteArray document = tarn::fuzz::bytes(data + 1, size - 1);

    HitQueue hits;
    int skipped = 0;
    QString error;
    const bool parsed = parseQueue(document, cap, &hits, &skipped, &error);
    if (!parsed)
        tarn::fuzz::checkRefused("queue", error, hits.isEmpty());
    check(hits.size() <= cap, "the cap is kept");
    for (const Hit &hit : qAsConst(hits))
        check(isWellFormedQuery(hit.query) && hit.query.size() <= kMaxHitBytes, "every hit is well formed");

    // What the reader gave, written and read again.
    const QByteArray written = serializeQueue(hits);
    check(written.size() <= maxQueueFileBytes(cap), "a written queue fits its cap");
    HitQueue again;
    int skippedAgain = 0;
    check(parseQueue(written, cap, &again, &skippedAgain, &error), "a written queue reads back");
    check(skippedAgain == 0 && sameHits(hits, again), "a written queue reads back as it was");

    // The same bytes as a file.
    const QString path = dir.filePath(QStringLiteral("queue.json"));
    tarn::fuzz::writeFile(path, document);
    HitQueue fromFile;
    int skippedFile = 0;
    QString fileError;
    const bool read = readQueueFile(path, cap, &fromFile, &skippedFile, &fileError);
    if (!read)
        tarn::fuzz::checkRefused("file", fileError, fromFile.isEmpty());
    else if (!document.isEmpty()) {
        check(parsed && sameHits(fromFile, hits) && skippedFile == skipped, "the file reads as its document");
    }
    check(writeQueueFile(path, hits, &error), "the queue is written");
    HitQueue written2;
    check(readQueueFile(path, cap, &written2, &skippedFile, &error) && sameHits(written2, hits), "the written file reads back");
    QFile::remove(path);
    return 0;
}
