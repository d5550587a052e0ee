#include "ftpport.h"

#include "ftpparse.h"

#include <QHostAddress>

namespace tarn::ftp {

quint16 ftpPortForHost(const QString &host)
{
    const QByteArray env = qgetenv("TARN_FTP_PORT");
    if (!env.isEmpty()) {
        bool ok = false;
        const uint port = env.trimmed().toUInt(&ok);
        if (ok && port > 0 && port <= 65535)
            return quint16(port);
        qCWarning(lcFtp) << "Ignoring invalid TARN_FTP_PORT" << env;
    }
    if (QHostAddress(host.trimmed()) == QHostAddress(QHostAddress::LocalHost))
        return OfflineModelFtpPort;
    return DefaultFtpPort;
}

} // namespace tarn::ftp
