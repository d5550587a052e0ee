#include "clientconnectionwatchdog.h"

#include "settingskeys.h"
#include "tarnsettings.h"

#include <QCoreApplication>
#include <QNetworkInterface>
#include <QTimer>

#include <atomic>

namespace {
std::atomic<ClientConnectionWatchDog *> g_watchdog{nullptr};
std::atomic<bool> g_watchdogGone{false};

void destroyWatchdog()
{
    if (!g_watchdogGone.exchange(true))
        delete g_watchdog.exchange(nullptr);
}
} // namespace

ClientConnectionWatchDog *ClientConnectionWatchDog::instance()
{
    if (g_watchdogGone.load())
        return nullptr;
    static const bool created = [] {
        g_watchdog.store(new ClientConnectionWatchDog);
        qAddPostRoutine(&destroyWatchdog);
        return true;
    }();
    Q_UNUSED(created);
    return g_watchdog.load();
}

ClientConnectionWatchDog::ClientConnectionWatchDog(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ClientConnectionWatchDog::onPollingTimeout);
    m_timer->start(kPollingIntervalMs);
}

ClientConnectionWatchDog::~ClientConnectionWatchDog()
{
    m_timer->stop();
}

bool ClientConnectionWatchDog::isNetworkAvailable(const QString &deviceAddress, const QList<InterfaceData> &interfaces)
{
    if (deviceAddress == QLatin1String("127.0.0.1"))
        return true;
    for (const InterfaceData &iface : interfaces) {
        if (!iface.valid || !iface.up || !iface.running || iface.loopback || iface.pointToPoint)
            continue;
        for (const QHostAddress &address : iface.addresses) {
            if (!address.isNull() && !address.isLoopback()
                && address.protocol() == QAbstractSocket::IPv4Protocol)
                return true;
        }
    }
    return false;
}

QList<ClientConnectionWatchDog::InterfaceData> ClientConnectionWatchDog::hostInterfaces()
{
    QList<InterfaceData> result;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : all) {
        InterfaceData data;
        const QNetworkInterface::InterfaceFlags flags = iface.flags();
        data.valid = iface.isValid();
        data.up = flags.testFlag(QNetworkInterface::IsUp);
        data.running = flags.testFlag(QNetworkInterface::IsRunning);
        data.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        data.pointToPoint = flags.testFlag(QNetworkInterface::IsPointToPoint);
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries)
            data.addresses.append(entry.ip());
        result.append(data);
    }
    return result;
}

void ClientConnectionWatchDog::onPollingTimeout()
{
    const bool available = isNetworkAvailable(
        TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress)), hostInterfaces());
    if (available != m_networkAvailable) {
        m_networkAvailable = available;
        emit networkAvailableChanged(available);
    }
    if (!available)
        emit connectionLost();
    m_timer->start(kPollingIntervalMs);
}
