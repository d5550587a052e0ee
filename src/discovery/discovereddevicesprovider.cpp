#include "discovereddevicesprovider.h"

#include "lineformat.h"

#include <QDebug>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

namespace {
bool usableInterface(const QNetworkInterface &iface)
{
    const auto flags = iface.flags();
    return iface.isValid() && flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
        && flags.testFlag(QNetworkInterface::CanBroadcast) && !flags.testFlag(QNetworkInterface::IsLoopBack)
        && !flags.testFlag(QNetworkInterface::IsPointToPoint);
}

bool usableAddress(const QHostAddress &ip)
{
    return !ip.isNull() && !ip.isLoopback() && ip.protocol() == QAbstractSocket::IPv4Protocol;
}

// Reads one pending datagram without ever allocating more than the cap for it.
QNetworkDatagram readBounded(QUdpSocket *socket)
{
    const qint64 size = socket->pendingDatagramSize();
    if (size > tarn::discovery::kMaxDatagramSize) {
        QNetworkDatagram head = socket->receiveDatagram(tarn::discovery::kMaxDatagramSize + 1);
        return head;
    }
    return socket->receiveDatagram();
}
} // namespace

DiscoveredDevicesProvider::DiscoveredDevicesProvider(QObject *parent)
    : QObject(parent), m_prefixes(tarn::discovery::expectedPrefixes()), m_query(tarn::discovery::queryBatch()),
      m_cycleTimer(new QTimer(this))
{
    tarn::discovery::registerDeviceInfoTypes();
    m_cycleTimer->setObjectName(QStringLiteral("cycleTimer"));
    m_cycleTimer->setSingleShot(true);
    m_cycleTimer->setTimerType(Qt::PreciseTimer);
}

DiscoveredDevicesProvider::~DiscoveredDevicesProvider()
{
    closeBroadcastSockets();
}

void DiscoveredDevicesProvider::startScanning()
{
    if (!m_cycleTimerConnected) {
        connect(m_cycleTimer, &QTimer::timeout, this, &DiscoveredDevicesProvider::onTimeout);
        m_cycleTimerConnected = true;
    }
    startScanCycle();
}

void DiscoveredDevicesProvider::stopScanning()
{
    m_cycleTimer->stop();
    if (m_cycleTimerConnected) {
        disconnect(m_cycleTimer, &QTimer::timeout, this, &DiscoveredDevicesProvider::onTimeout);
        m_cycleTimerConnected = false;
    }
    closeBroadcastSockets();
}

void DiscoveredDevicesProvider::closeBroadcastSockets()
{
    for (auto it = m_broadcastSockets.constBegin(); it != m_broadcastSockets.constEnd(); ++it) {
        QUdpSocket *socket = it.key();
        socket->disconnect(this);
        socket->close();
        socket->deleteLater();
    }
    m_broadcastSockets.clear();
}

void DiscoveredDevicesProvider::startScanCycle()
{
    closeBroadcastSockets();

    QList<QHostAddress> served;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        if (!usableInterface(iface))
            continue;
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QHostAddress broadcast = entry.broadcast();
            if (served.contains(broadcast) || !usableAddress(entry.ip()) || broadcast.isNull())
                continue;
            auto *socket = new QUdpSocket(this);
            if (!socket->bind(entry.ip(), 0)) {
                qWarning() << "Discovery: cannot bind to" << entry.ip().toString() << socket->errorString();
                delete socket;
                continue;
            }
            socket->setMulticastInterface(iface);
            connect(socket, &QUdpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
            m_broadcastSockets.insert(socket, broadcast);
            served.append(broadcast);
        }
    }

    m_devices.clear();
    const quint16 port = tarn::protocol::devicePort();
    for (auto it = m_broadcastSockets.constBegin(); it != m_broadcastSockets.constEnd(); ++it)
        it.key()->writeDatagram(m_query, it.value(), port);
    m_cycleTimer->start(kCycleMs);
}

void DiscoveredDevicesProvider::onReadyRead(QObject *sender)
{
    auto *socket = qobject_cast<QUdpSocket *>(sender);
    if (!socket || !m_broadcastSockets.contains(socket))
        return;
    m_cycleTimer->stop();
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = readBounded(socket);
        const QHostAddress from = datagram.senderAddress();
        if (from.isNull() || from.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const QString address = from.toString();
        if (m_devices.contains(address))
            continue;
        DeviceInfo info;
        info.ipAddress = address;
        if (tarn::discovery::parseAnswer(datagram.data(), m_prefixes, info))
            m_devices.insert(address, info);
    }
    if (m_cycleTimerConnected)
        m_cycleTimer->start(kCycleMs);
}

void DiscoveredDevicesProvider::onTimeout()
{
    emit deviceList(m_devices);
    if (m_devices.isEmpty())
        emit noDeviceFound();
    m_devices.clear();
    startScanCycle();
}

void DiscoveredDevicesProvider::getDeviceDetailsForIP(const QString &ipAddress)
{
    qDebug() << "getDeviceDetailsForIP" << ipAddress;
    m_waitingForPassword = false;
    stopScanning();

    if (!m_manualSocket) {
        m_manualSocket = new QUdpSocket(this);
        m_manualSocket->setObjectName(QStringLiteral("manualSocket"));
    }
    if (!m_manualTimer) {
        m_manualTimer = new QTimer(this);
        m_manualTimer->setObjectName(QStringLiteral("manualTimer"));
        m_manualTimer->setSingleShot(true);
        m_manualTimer->setTimerType(Qt::PreciseTimer);
    }
    // Answers to an earlier, abandoned probe must not pass for answers to this one.
    while (m_manualSocket->state() == QAbstractSocket::BoundState && m_manualSocket->hasPendingDatagrams())
        readBounded(m_manualSocket);
    connect(m_manualSocket, &QUdpSocket::readyRead, this, &DiscoveredDevicesProvider::onReadyReadForManual,
            Qt::UniqueConnection);
    connect(m_manualTimer, &QTimer::timeout, this, &DiscoveredDevicesProvider::cancelDeviceDetailsRequest,
            Qt::UniqueConnection);

    // A typed text that is no address sends nothing; the time-out then reports it as invalid.
    const QHostAddress target(ipAddress.trimmed());
    if (!target.isNull())
        m_manualSocket->writeDatagram(m_query, target, tarn::protocol::devicePort());
    m_manualTimer->start(kManualTimeoutMs);
}

void DiscoveredDevicesProvider::onReadyReadForManual()
{
    m_manualTimer->stop();
    while (m_manualSocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = readBounded(m_manualSocket);
        qDebug() << "Manual probe answered by" << datagram.senderAddress().toString() << datagram.data().size() << "bytes";
        DeviceInfo info;
        info.ipAddress = datagram.senderAddress().toString();
        if (tarn::discovery::parseAnswer(datagram.data(), m_prefixes, info)) {
            emit deviceConfirmed({{QStringLiteral("ipAddress"), info.ipAddress},
                                  {QStringLiteral("className"), info.className},
                                  {QStringLiteral("instanceName"), info.instanceName},
                                  {QStringLiteral("softwareVersion"), info.softwareVersion},
                                  {QStringLiteral("hardwareVersion"), info.hardwareVersion}});
            emit quarraConfirmed(info.hardwareVersion);
        }
        else
            emit invalidIPForQuarra();
    }
}

void DiscoveredDevicesProvider::cancelDeviceDetailsRequest()
{
    if (m_manualTimer) {
        m_manualTimer->stop();
        disconnect(m_manualTimer, &QTimer::timeout, this, &DiscoveredDevicesProvider::cancelDeviceDetailsRequest);
    }
    if (m_manualSocket)
        disconnect(m_manualSocket, &QUdpSocket::readyRead, this, &DiscoveredDevicesProvider::onReadyReadForManual);
    if (!m_waitingForPassword)
        emit invalidIPForQuarra();
}

void DiscoveredDevicesProvider::ignoreDeviceDetailsResponse()
{
    if (m_manualTimer) {
        m_manualTimer->stop();
        disconnect(m_manualTimer, &QTimer::timeout, this, &DiscoveredDevicesProvider::cancelDeviceDetailsRequest);
    }
    if (m_manualSocket)
        disconnect(m_manualSocket, &QUdpSocket::readyRead, this, &DiscoveredDevicesProvider::onReadyReadForManual);
}

void DiscoveredDevicesProvider::waitForPassword()
{
    m_waitingForPassword = true;
}
