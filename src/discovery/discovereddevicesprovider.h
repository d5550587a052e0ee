#pragma once

#include "deviceinfo.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QTimer;
class QUdpSocket;

// Finds processors by broadcasting the query batch on every usable IPv4 network, collecting the
// answers of one scan cycle, and probes a typed address the same way.
class DiscoveredDevicesProvider : public QObject {
    Q_OBJECT
public:
    // A scan cycle ends this long after the last answer; a manual probe gives up after as long.
    static constexpr int kCycleMs = 2000;
    static constexpr int kManualTimeoutMs = 2000;

    explicit DiscoveredDevicesProvider(QObject *parent = nullptr);
    ~DiscoveredDevicesProvider() override;

    void startScanning();
    void stopScanning();
    void getDeviceDetailsForIP(const QString &ipAddress);
    void ignoreDeviceDetailsResponse();
    void waitForPassword();

signals:
    void deviceList(QMap<QString, DeviceInfo> devices);
    void noDeviceFound();
    void quarraConfirmed(QString deviceType);
    void invalidIPForQuarra();
    // Everything a confirmed manual probe learnt: ipAddress, className, instanceName,
    // softwareVersion, hardwareVersion. Emitted just before quarraConfirmed.
    void deviceConfirmed(QVariantMap device);

public slots:
    void onTimeout();
    void onReadyRead(QObject *sender);
    void onReadyReadForManual();
    void cancelDeviceDetailsRequest();

private:
    void startScanCycle();
    void closeBroadcastSockets();

    QHash<QUdpSocket *, QHostAddress> m_broadcastSockets;
    DeviceInfoMap m_devices;
    const QStringList m_prefixes;
    const QByteArray m_query;
    QTimer *m_cycleTimer = nullptr;
    bool m_cycleTimerConnected = false;
    QUdpSocket *m_manualSocket = nullptr;
    QTimer *m_manualTimer = nullptr;
    bool m_waitingForPassword = false;
};
