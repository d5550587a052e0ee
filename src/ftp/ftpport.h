#pragma once

#include <QString>

namespace tarn::ftp {

constexpr quint16 DefaultFtpPort = 21;
// The offline model serves FTP on an unprivileged port so that it needs no root.
constexpr quint16 OfflineModelFtpPort = 19221;

// The FTP control port for a processor at host: TARN_FTP_PORT when set to a valid port, else
// OfflineModelFtpPort for 127.0.0.1, else DefaultFtpPort.
quint16 ftpPortForHost(const QString &host);

} // namespace tarn::ftp
