#include "deviceinfo.h"

#include "platform.h"

#include <QDebug>
#include <QStringList>

namespace tarn::discovery {

QByteArray queryBatch()
{
    QByteArray batch("delay 100\n");
    for (const QString &line : expectedPrefixes())
        batch += line.toUtf8() + '\n';
    return batch;
}

QStringList expectedPrefixes()
{
    return {QStringLiteral("get \\\\Node\\AT\\Class_Name"), QStringLiteral("get \\\\Node\\AT\\Instance_Name"),
            QStringLiteral("get \\\\Node\\AT\\Software_Version"), QStringLiteral("get \\\\Node\\SV\\HardwareVersion")};
}

bool parseAnswer(const QByteArray &datagram, const QStringList &prefixes, DeviceInfo &info)
{
    if (datagram.size() > kMaxDatagramSize) {
        qWarning() << "Oversized discovery answer dropped:" << datagram.size() << "bytes";
        return false;
    }
    QStringList lines = QString::fromUtf8(datagram).split(QLatin1Char('\n'));
    // The line feed that ends the last line does not start another one; blank lines inside stay.
    if (datagram.endsWith('\n'))
        lines.removeLast();
    if (lines.size() < prefixes.size()) {
        qDebug() << "Incomplete response received.";
        return false;
    }

    QString fields[4];
    for (int i = 0; i < prefixes.size() && i < 4; ++i) {
        QString line = lines.at(i);
        line.remove(QLatin1Char('"'));
        const int at = line.indexOf(prefixes.at(i));
        if (at >= 0)
            fields[i] = line.mid(at + prefixes.at(i).size()).trimmed();
    }
    if (platformOfClassName(fields[0]).isEmpty())
        return false;

    info.className = fields[0];
    info.instanceName = fields[1];
    info.softwareVersion = fields[2];
    info.hardwareVersion = fields[3];
    return true;
}

void registerDeviceInfoTypes()
{
    qRegisterMetaType<DeviceInfo>("DeviceInfo");
    qRegisterMetaType<DeviceInfoMap>("QMap<QString,DeviceInfo>");
    qRegisterMetaType<DeviceInfoMap>("DeviceInfoMap");
}
} // namespace tarn::discovery
