#include "updatecommon.h"

#include "datapaths.h"

#include <QNetworkReply>

Q_LOGGING_CATEGORY(lcUpdates, "tarn.updates", QtDebugMsg)
#include <QStringList>

namespace tarn::updates {
namespace {
constexpr int kMaxFileNameLength = 128;

qlonglong part(const QStringList &parts, int i)
{
    if (i >= parts.size())
        return 0;
    bool ok = false;
    const qlonglong n = parts.at(i).trimmed().toLongLong(&ok);
    return ok ? n : 0;
}
} // namespace

bool isFirstGreaterThanSecond(const QString &newVersion, const QString &oldVersion)
{
    const QStringList a = newVersion.split(QLatin1Char('.'));
    const QStringList b = oldVersion.split(QLatin1Char('.'));
    const int n = qMax(a.size(), b.size());
    for (int i = 0; i < n; ++i) {
        const qlonglong x = part(a, i);
        const qlonglong y = part(b, i);
        if (x != y)
            return x > y;
    }
    return false;
}

QString networkErrorText(int code)
{
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
        return QStringLiteral("Failed to connect to update server. Please check your internet connection and try again.");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("The connection timed out. Please check your internet connection and try again.");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("The operation was canceled.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
        return QStringLiteral("The server is temporarily unable to handle the request at this time. Please try again after sometime.");
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::AuthenticationRequiredError:
        return QStringLiteral("Proxy authentication failed. Please disable the firewall or connect to an open network.");
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
        return QStringLiteral("The content requested was not found in the remote server. Please contact customer care.");
    default:
        return QStringLiteral("Unknown network error. Please check your internet connection and try again.");
    }
}

QString safeFileName(const QUrl &url)
{
    const QString name = url.fileName(QUrl::FullyDecoded);
    if (name.isEmpty() || name.size() > kMaxFileNameLength || name == QLatin1String(".") || name == QLatin1String("..")
        || name.startsWith(QLatin1Char('.')))
        return QString();
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QString();
    }
    return name;
}

QString firmwareImageFolder()
{
    return genericDataLocation() + QStringLiteral("/Tarn/update");
}

QString applicationDownloadFolder()
{
    return genericDataLocation() + QStringLiteral("/Tarn/Download/AppUpdate");
}
} // namespace tarn::updates
