#include "cloudstore.h"

#include <QDebug>

namespace tarn {
namespace {
const char *const kDefaultCloudStore = "https://cloudstore.tessil.example";
}

QUrl httpUrlFromEnvironment(const char *variable, const QUrl &defaultUrl)
{
    const QString fromEnvironment = qEnvironmentVariable(variable).trimmed();
    if (!fromEnvironment.isEmpty()) {
        const QUrl url(fromEnvironment, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
            return url;
        qWarning().noquote() << variable << "is not an http(s) address, using the default:" << fromEnvironment;
    }
    return defaultUrl;
}

QUrl cloudStoreUrl()
{
    return httpUrlFromEnvironment("TARN_CLOUD_URL", QUrl(QString::fromLatin1(kDefaultCloudStore)))
        .adjusted(QUrl::StripTrailingSlash);
}

QUrl cloudContainerUrl(const QString &container)
{
    QUrl url = cloudStoreUrl();
    url.setPath(url.path() + QLatin1Char('/') + container);
    return url;
}
} // namespace tarn
