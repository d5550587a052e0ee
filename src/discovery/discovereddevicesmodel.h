#pragma once

#include "deviceinfo.h"

#include <QAbstractListModel>
#include <QVector>

class DiscoveredDevicesProvider;

// The processors found, one row each, ordered by address text; what the discovery screen shows
// and calls.
class DiscoveredDevicesModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Roles {
        ClassNameRole = Qt::UserRole + 1,
        InstanceNameRole,
        IpAddressRole,
        SoftwareVersionRole,
        HardwareVersionRole,
    };

    explicit DiscoveredDevicesModel(QObject *parent = nullptr);
    ~DiscoveredDevicesModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void startScanning();
    Q_INVOKABLE void stopScanning();
    Q_INVOKABLE void getDeviceDetailsForIP(const QString &ipAddress);
    Q_INVOKABLE void ignoreDeviceDetailsResponse();
    Q_INVOKABLE void waitForPassword();
    Q_INVOKABLE void clear();

    DiscoveredDevicesProvider *provider() const { return m_provider; }

signals:
    void noDeviceFound();
    void invalidIPForQuarra();
    void scanningForDevices();
    void quarraConfirmed(QString deviceType);
    void deviceConfirmed(QVariantMap device);

public slots:
    void onDeviceList(QMap<QString, DeviceInfo> devices);
    void onNetworkAvailableChanged(bool bAvailable);

private:
    QVector<DeviceInfo> m_rows;
    DiscoveredDevicesProvider *m_provider = nullptr;
};
