#include "discovereddevicesmodel.h"

#include "clientconnectionwatchdog.h"
#include "discovereddevicesprovider.h"

#include <QDebug>
#include <algorithm>

DiscoveredDevicesModel::DiscoveredDevicesModel(QObject *parent)
    : QAbstractListModel(parent), m_provider(new DiscoveredDevicesProvider(this))
{
    connect(m_provider, &DiscoveredDevicesProvider::deviceList, this, &DiscoveredDevicesModel::onDeviceList);
    connect(m_provider, &DiscoveredDevicesProvider::noDeviceFound, this, &DiscoveredDevicesModel::noDeviceFound);
    connect(m_provider, &DiscoveredDevicesProvider::quarraConfirmed, this, &DiscoveredDevicesModel::quarraConfirmed);
    connect(m_provider, &DiscoveredDevicesProvider::deviceConfirmed, this, &DiscoveredDevicesModel::deviceConfirmed);
    connect(m_provider, &DiscoveredDevicesProvider::invalidIPForQuarra, this,
            &DiscoveredDevicesModel::invalidIPForQuarra);
    connect(ClientConnectionWatchDog::instance(), &ClientConnectionWatchDog::networkAvailableChanged, this,
            &DiscoveredDevicesModel::onNetworkAvailableChanged);
}

DiscoveredDevicesModel::~DiscoveredDevicesModel() = default;

int DiscoveredDevicesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant DiscoveredDevicesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return QVariant();
    const DeviceInfo &info = m_rows.at(index.row());
    switch (role) {
    case ClassNameRole:
        return info.className;
    case InstanceNameRole:
        return info.instanceName;
    case IpAddressRole:
        return info.ipAddress;
    case SoftwareVersionRole:
        return info.softwareVersion;
    case HardwareVersionRole:
        return info.hardwareVersion;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> DiscoveredDevicesModel::roleNames() const
{
    return {{ClassNameRole, "className"},
            {InstanceNameRole, "instanceName"},
            {IpAddressRole, "ipAddress"},
            {SoftwareVersionRole, "softwareVersion"},
            {HardwareVersionRole, "hardwareVersion"}};
}

void DiscoveredDevicesModel::startScanning()
{
    clear();
    if (ClientConnectionWatchDog::instance()->networkAvailable()) {
        emit scanningForDevices();
        m_provider->startScanning();
    }
}

void DiscoveredDevicesModel::stopScanning()
{
    m_provider->stopScanning();
}

void DiscoveredDevicesModel::getDeviceDetailsForIP(const QString &ipAddress)
{
    m_provider->getDeviceDetailsForIP(ipAddress);
}

void DiscoveredDevicesModel::ignoreDeviceDetailsResponse()
{
    m_provider->ignoreDeviceDetailsResponse();
}

void DiscoveredDevicesModel::waitForPassword()
{
    m_provider->waitForPassword();
}

void DiscoveredDevicesModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, m_rows.size() - 1);
    m_rows.clear();
    endRemoveRows();
}

void DiscoveredDevicesModel::onDeviceList(QMap<QString, DeviceInfo> devices)
{
    QStringList current;
    for (const DeviceInfo &row : qAsConst(m_rows))
        current.append(row.ipAddress);
    qDebug() << "Discovered:" << devices.keys() << "listed:" << current;

    for (int row = m_rows.size() - 1; row >= 0; --row) {
        if (devices.contains(m_rows.at(row).ipAddress))
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.remove(row);
        endRemoveRows();
    }
    for (auto it = devices.constBegin(); it != devices.constEnd(); ++it) {
        const auto pos = std::lower_bound(m_rows.begin(), m_rows.end(), it.key(),
                                          [](const DeviceInfo &row, const QString &key) { return row.ipAddress < key; });
        if (pos != m_rows.end() && pos->ipAddress == it.key())
            continue;
        const int row = int(pos - m_rows.begin());
        beginInsertRows(QModelIndex(), row, row);
        m_rows.insert(row, it.value());
        endInsertRows();
    }
}

void DiscoveredDevicesModel::onNetworkAvailableChanged(bool bAvailable)
{
    if (bAvailable) {
        emit scanningForDevices();
        m_provider->startScanning();
    } else {
        clear();
        m_provider->stopScanning();
        emit noDeviceFound();
    }
}
