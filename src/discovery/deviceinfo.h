#pragma once

#include <QMap>
#include <QMetaType>
#include <QString>

// One processor that answered a discovery query.
struct DeviceInfo {
    QString ipAddress;
    QString className;
    QString instanceName;
    QString softwareVersion;
    QString hardwareVersion;

    bool operator==(const DeviceInfo &other) const
    {
        return ipAddress == other.ipAddress && className == other.className && instanceName == other.instanceName
            && softwareVersion == other.softwareVersion && hardwareVersion == other.hardwareVersion;
    }
};

using DeviceInfoMap = QMap<QString, DeviceInfo>;

Q_DECLARE_METATYPE(DeviceInfo)
Q_DECLARE_METATYPE(DeviceInfoMap)

namespace tarn::discovery {
// A discovery answer is four short lines; anything far larger is not one.
inline constexpr int kMaxDatagramSize = 4096;

// The query batch sent to every network (and to a typed address), one datagram.
QByteArray queryBatch();
// The four "get" lines, which are also the prefixes of the answer lines, in field order.
QStringList expectedPrefixes();

// Parses one answer. Returns false (and leaves `info` untouched but for ipAddress) when the
// answer is incomplete, too large, or comes from a processor of neither served model.
bool parseAnswer(const QByteArray &datagram, const QStringList &prefixes, DeviceInfo &info);

void registerDeviceInfoTypes();
} // namespace tarn::discovery
