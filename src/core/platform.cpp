#include "platform.h"

#include <QCoreApplication>

namespace tarn {

QString platformOfClassName(const QString &className)
{
    if (className == QLatin1String(kTarnClassName))
        return QString::fromLatin1(kTarnPlatform);
    if (className == QLatin1String(kQuarraClassName))
        return QString::fromLatin1(kQuarraPlatform);
    return QString();
}

QString classNameOfPlatform(const QString &platform)
{
    if (platform == QLatin1String(kTarnPlatform))
        return QString::fromLatin1(kTarnClassName);
    if (platform == QLatin1String(kQuarraPlatform))
        return QString::fromLatin1(kQuarraClassName);
    return QString();
}

BusyRequests *BusyRequests::instance()
{
    // Lives as long as the application object; a plain static would outlive it.
    static BusyRequests *requests = [] {
        auto *r = new BusyRequests(QCoreApplication::instance());
        return r;
    }();
    return requests;
}
} // namespace tarn
