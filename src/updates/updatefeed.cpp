#include "updatefeed.h"

#include "updatecommon.h"

#include <QAbstractMessageHandler>
#include <QBuffer>
#include <QDebug>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlQuery>
#include <QXmlStreamReader>

namespace tarn::updates {
namespace {
constexpr int kMaxVersionLength = 32;

// The root element's namespace; false for a document that is no XML or carries a DTD (whose
// entities could swell it or reach outside).
bool rootNamespace(const QByteArray &document, QString *ns, QString *why)
{
    QXmlStreamReader reader(document);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            *why = QStringLiteral("document type declarations are not accepted");
            return false;
        }
        if (token == QXmlStreamReader::StartElement) {
            *ns = reader.namespaceUri().toString();
            return true;
        }
    }
    *why = reader.hasError() ? reader.errorString() : QStringLiteral("no root element");
    return false;
}

QString prolog(const QString &ns)
{
    return ns.isEmpty() ? QString() : QStringLiteral("declare default element namespace \"%1\";").arg(ns);
}

bool isVersionText(const QString &version)
{
    static const QRegularExpression dotted(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})*$"));
    return version.size() <= kMaxVersionLength && dotted.match(version).hasMatch();
}

// The step to a product's revisions, filtered by platform where the product has platforms.
QString revisionStep(const QString &product, const QString &platform)
{
    const QString revision = platform.isEmpty() ? QStringLiteral("Revision")
                                                : QStringLiteral("Revision[@Platform='%1']").arg(platform);
    return QStringLiteral("/Config/Brand[@Name='norv']/Product[@Name='%1']/%2").arg(product, revision);
}

// The query engine's complaints, kept for the reason instead of going to the standard error.
class QueryMessages : public QAbstractMessageHandler {
public:
    QString first;

protected:
    void handleMessage(QtMsgType type, const QString &description, const QUrl &, const QSourceLocation &) override
    {
        if (type != QtDebugMsg && first.isEmpty()) {
            static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
            first = QString(description).remove(markup).simplified().left(200);
        }
    }
};

bool evaluate(QXmlQuery &query, QStringList *results)
{
    return query.isValid() && query.evaluateTo(results);
}
} // namespace

QString revisionQuery(const QString &product, const QString &platform)
{
    // Four strings per revision, so that no character of an attribute can be taken for a
    // separator.
    return QStringLiteral("for $r in %1 return ($r/string(@Version), $r/string(@ImageUrl), $r/string(@Sha256), "
                          "$r/string(@Size))")
        .arg(revisionStep(product, platform));
}

bool latestRevision(const QByteArray &document, const QUrl &documentUrl, const QString &product,
                    const QString &platform, Revision *latest, QString *why)
{
    *latest = Revision();
    QString ns;
    if (document.size() > kMaxFeedBytes) {
        *why = QStringLiteral("document larger than %1 bytes").arg(kMaxFeedBytes);
        return false;
    }
    if (!rootNamespace(document, &ns, why))
        return false;
    if (ns.contains(QLatin1Char('"')) || ns.contains(QLatin1Char('&'))) {
        *why = QStringLiteral("unusable namespace");
        return false;
    }

    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    QueryMessages messages;
    QXmlQuery query;
    query.setMessageHandler(&messages);
    if (!query.setFocus(&buffer)) {
        *why = QStringLiteral("not a well-formed document");
        if (!messages.first.isEmpty())
            *why += QStringLiteral(": ") + messages.first;
        return false;
    }
    query.setQuery(prolog(ns) + revisionQuery(product, platform));
    QStringList results;
    if (!evaluate(query, &results) || results.size() % 4 != 0) {
        *why = messages.first.isEmpty() ? QStringLiteral("the query failed") : messages.first;
        return false;
    }

    // The greatest version, and what its revision says beside it.
    int best = -1;
    for (int i = 0; i < results.size(); i += 4) {
        const QString version = results.at(i).trimmed();
        if (!isVersionText(version)) {
            qWarning().noquote() << "Update document: ignoring a revision with the version" << version.left(kMaxVersionLength);
            continue;
        }
        if (best < 0 || isFirstGreaterThanSecond(version, results.at(best).trimmed()))
            best = i;
    }
    if (best < 0)
        return true;
    const QString bestVersion = results.at(best).trimmed();

    const QUrl url = documentUrl.resolved(QUrl(results.at(best + 1).trimmed()));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        *why = QStringLiteral("the image address of version %1 is no http(s) address").arg(bestVersion);
        return false;
    }
    latest->version = bestVersion;
    latest->url = url;

    // Its checksum and size, when it names them.
    const QByteArray sha = results.at(best + 2).trimmed().toLatin1().toLower();
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    if (!sha.isEmpty()) {
        if (!hex.match(QString::fromLatin1(sha)).hasMatch()) {
            *why = QStringLiteral("the checksum of version %1 is no SHA-256").arg(bestVersion);
            *latest = Revision();
            return false;
        }
        latest->sha256 = sha;
    }
    const QString size = results.at(best + 3).trimmed();
    if (!size.isEmpty()) {
        bool ok = false;
        latest->size = size.toLongLong(&ok);
        if (!ok || latest->size < 0) {
            *why = QStringLiteral("the size of version %1 is no number").arg(bestVersion);
            *latest = Revision();
            return false;
        }
    }
    return true;
}
} // namespace tarn::updates
