#include "updatefeed.h"

#include "updatecommon.h"

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

bool evaluate(QXmlQuery &query, QStringList *results)
{
    return query.isValid() && query.evaluateTo(results);
}
} // namespace

QString revisionQuery(const QString &product, const QString &platform)
{
    return revisionStep(product, platform) + QStringLiteral("/string(concat(@Version,\"|\",@ImageUrl))");
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
    QXmlQuery query;
    if (!query.setFocus(&buffer)) {
        *why = QStringLiteral("not a well-formed document");
        return false;
    }
    query.setQuery(prolog(ns) + revisionQuery(product, platform));
    QStringList results;
    if (!evaluate(query, &results)) {
        *why = QStringLiteral("the query failed");
        return false;
    }

    QString bestVersion;
    QString bestUrl;
    for (const QString &result : qAsConst(results)) {
        const QStringList parts = result.split(QLatin1Char('|'));
        if (parts.size() != 2)
            continue;
        const QString version = parts.at(0).trimmed();
        if (!isVersionText(version)) {
            qWarning().noquote() << "Update document: ignoring a revision with the version" << version.left(kMaxVersionLength);
            continue;
        }
        if (bestVersion.isEmpty() || isFirstGreaterThanSecond(version, bestVersion)) {
            bestVersion = version;
            bestUrl = parts.at(1).trimmed();
        }
    }
    if (bestVersion.isEmpty())
        return true;

    const QUrl url = documentUrl.resolved(QUrl(bestUrl));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        *why = QStringLiteral("the image address of version %1 is no http(s) address").arg(bestVersion);
        return false;
    }
    latest->version = bestVersion;
    latest->url = url;

    // What the document says of the chosen revision beyond version and address: its checksum
    // and size, when it names them. The values travel as bound variables, never as query text.
    buffer.seek(0);
    QXmlQuery details;
    details.setFocus(&buffer);
    details.bindVariable(QStringLiteral("version"), QVariant(bestVersion));
    details.bindVariable(QStringLiteral("url"), QVariant(bestUrl));
    details.setQuery(prolog(ns) + QLatin1Char('(') + revisionStep(product, platform)
                     + QStringLiteral("[@Version=$version][@ImageUrl=$url])[1]/string(concat(@Sha256,\"|\",@Size))"));
    QStringList extra;
    if (evaluate(details, &extra) && !extra.isEmpty()) {
        const QStringList parts = extra.first().split(QLatin1Char('|'));
        const QByteArray sha = parts.value(0).trimmed().toLatin1().toLower();
        static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
        if (!sha.isEmpty()) {
            if (!hex.match(QString::fromLatin1(sha)).hasMatch()) {
                *why = QStringLiteral("the checksum of version %1 is no SHA-256").arg(bestVersion);
                *latest = Revision();
                return false;
            }
            latest->sha256 = sha;
        }
        const QString size = parts.value(1).trimmed();
        if (!size.isEmpty()) {
            bool ok = false;
            latest->size = size.toLongLong(&ok);
            if (!ok || latest->size < 0) {
                *why = QStringLiteral("the size of version %1 is no number").arg(bestVersion);
                *latest = Revision();
                return false;
            }
        }
    }
    return true;
}
} // namespace tarn::updates
