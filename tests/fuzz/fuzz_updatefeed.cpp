// libFuzzer harness: the cloud store's update document, read for the firmware and this
// platform's application. Properties: refused with a reason, or a well-formed revision (or none)
// that a plain stream reading agrees with: a named version, none greater, its checksum kept.
#include "fuzzcheck.h"
#include "updatecommon.h"
#include "updatefeed.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

using namespace tarn::updates;

namespace {
// The versions a plain reading finds for a product (and platform); false when that reading
// fails, so that there is nothing to compare.
// `announced` collects, per version, whether every revision of it names a checksum.
bool streamVersions(const QByteArray &document, const QString &product, const QString &platform, QStringList *versions,
                    QHash<QString, bool> *announced)
{
    QXmlStreamReader reader(document);
    QStringList path;
    QString rootNs;
    bool brandOk = false;
    bool productOk = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (path.isEmpty())
                rootNs = reader.namespaceUri().toString();
            const bool ours = reader.namespaceUri() == rootNs;
            const QString name = ours ? reader.name().toString() : QString();
            const QXmlStreamAttributes a = reader.attributes();
            if (path.size() == 1 && name == QLatin1String("Brand"))
                brandOk = path.at(0) == QLatin1String("Config") && a.value(QLatin1String("Name")) == QLatin1String("norv");
            if (path.size() == 2 && name == QLatin1String("Product"))
                productOk = brandOk && path.at(1) == QLatin1String("Brand")
                            && a.value(QLatin1String("Name")) == product;
            if (path.size() == 3 && name == QLatin1String("Revision") && productOk && path.at(2) == QLatin1String("Product")
                && (platform.isEmpty() || (a.hasAttribute(QLatin1String("Platform")) && a.value(QLatin1String("Platform")) == platform))) {
                const QString version = a.value(QLatin1String("Version")).toString().trimmed();
                versions->append(version);
                const bool sha = !a.value(QLatin1String("Sha256")).trimmed().isEmpty();
                announced->insert(version, announced->value(version, true) && sha);
            }
            path.append(name);
        } else if (reader.isEndElement()) {
            path.removeLast();
        }
    }
    return !reader.hasError();
}

void checkProduct(const QByteArray &document, const QString &product, const QString &platform)
{
    Revision latest;
    QString why;
    const QUrl base(QStringLiteral("http://store.test/cz-tarn-update/update.xml"));
    const bool ok = latestRevision(document, base, product, platform, &latest, &why);
    if (!ok)
        return tarn::fuzz::checkRefused("document", why, !latest.isValid());
    QStringList versions;
    QHash<QString, bool> announced;
    const bool compared = streamVersions(document, product, platform, &versions, &announced);
    static const QRegularExpression dotted(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})*$"));
    if (!latest.isValid()) {
        if (compared) {
            for (const QString &v : qAsConst(versions))
                check(!dotted.match(v).hasMatch() || v.size() > 32, "no revision only when none is usable");
        }
        return;
    }
    check(dotted.match(latest.version).hasMatch(), "the version is dotted numbers");
    const QString scheme = latest.url.scheme();
    check((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !latest.url.host().isEmpty(),
          "the image is at an http(s) address");
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    check(latest.sha256.isEmpty() || hex.match(QString::fromLatin1(latest.sha256)).hasMatch(), "the checksum is hex");
    check(latest.size >= -1, "the size is a size");
    if (compared) {
        check(versions.contains(latest.version), "the version is one the document names");
        check(latest.sha256.size() == 64 || !announced.value(latest.version), "an announced checksum is kept");
        for (const QString &v : qAsConst(versions)) {
            if (v.size() <= 32 && dotted.match(v).hasMatch())
                check(!isFirstGreaterThanSecond(v, latest.version), "no named version is greater");
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
    const QByteArray document = tarn::fuzz::bytes(data, size);
    checkProduct(document, QStringLiteral("Tarn Firmware"), QString());
    checkProduct(document, QStringLiteral("Tarn Application"), QStringLiteral("Linux"));
    return 0;
}
