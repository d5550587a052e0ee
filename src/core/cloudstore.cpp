#include "cloudstore.h"

#include <QDebug>

namespace tarn {
namespace {
const char *const kDefaultCloudStore = "https://cloudstore.tessil.example";
}

QUrl cloudStoreUrl()
{
    const QString fromEnvironment = qEnvironmentVariable("TARN_CLOUD_URL").trimmed();
    if (!fromEnvironment.isEmpty()) {
        const QUrl url(fromEnvironment, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
            return url.adjusted(QUrl::StripTrailingSlash);
        qWarning() << "TARN_CLOUD_URL is not an http(s) address, using the default:" << fromEnvironment;
    }
    return QUrl(QString::fromLatin1(kDefaultCloudStore));
}

QUrl cloudContainerUrl(const QString &container)
{
    QUrl url = cloudStoreUrl();
    url.setPath(url.path() + QLatin1Char('/') + container);
    return url;
}
} // namespace tarn
