#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// The update document of the cloud store: Config/Brand/Product/Revision elements whose
// revisions carry Version, ImageUrl and, optionally, Platform, Sha256 and Size.
namespace tarn::updates {
struct Revision {
    QString version;
    QUrl url;          // resolved against the document's own address
    QByteArray sha256; // lower-case hex, empty when not announced
    qint64 size = -1;  // -1 when not announced
    bool isValid() const { return !version.isEmpty(); }
};

// The query for one product, exactly as the store's documents are read; `platform` empty for
// products without platforms (firmware).
QString revisionQuery(const QString &product, const QString &platform);

// Runs the query over `document` (the root's default namespace declared first when it has
// one) and returns the greatest revision. False with `why` when the document or query fails;
// true with an invalid revision when the document offers none.
bool latestRevision(const QByteArray &document, const QUrl &documentUrl, const QString &product,
                    const QString &platform, Revision *latest, QString *why);

inline constexpr qint64 kMaxFeedBytes = 1 << 20;
} // namespace tarn::updates
