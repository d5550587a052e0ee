#include "remoteconnectionwatchdog.h"

#include "clientconnectionwatchdog.h"
#include "linklog.h"
#include "tcpadaptor.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>

namespace {
std::atomic<RemoteConnectionWatchDog *> g_remote{nullptr};
std::atomic<bool> g_remoteGone{false};

void destroyRemote()
{
    if (!g_remoteGone.exchange(true))
        delete g_remote.exchange(nullptr);
}
} // namespace

RemoteConnectionWatchDog *RemoteConnectionWatchDog::instance()
{
    if (g_remoteGone.load())
        return nullptr;
    static const bool created = [] {
        g_remote.store(new RemoteConnectionWatchDog);
        qAddPostRoutine(&destroyRemote);
        return true;
    }();
    Q_UNUSED(created);
    return g_remote.load();
}

RemoteConnectionWatchDog::RemoteConnectionWatchDog(QObject *parent)
    : TarnControl(parent), m_repollTimer(new QTimer(this))
{
    m_repollTimer->setInterval(kRepollIntervalMs);
    setPoName(QStringLiteral("NPO"));
    setSvName(QStringLiteral("Node\\SV\\DeviceName"));
    setEntityName(QStringLiteral("Kerberos"));

    connect(m_repollTimer, &QTimer::timeout, this, &RemoteConnectionWatchDog::onRepollTimeout);
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        connect(adaptor, &TCPAdaptor::disconnected, this, &RemoteConnectionWatchDog::onDisconnected);
    if (ClientConnectionWatchDog *client = ClientConnectionWatchDog::instance())
        connect(client, &ClientConnectionWatchDog::connectionLost, this, &RemoteConnectionWatchDog::onClientConnectionLost);
}

RemoteConnectionWatchDog::~RemoteConnectionWatchDog()
{
    m_repollTimer->stop();
}

void RemoteConnectionWatchDog::sendDataRequest()
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor || !adaptor->isReady()) {
        m_repollTimer->stop();
        return;
    }
    DataFromDevice request;
    request.poName = poName();
    request.svName = svName();
    request.command = QStringLiteral("get");
    adaptor->sendRequest(request);
}

void RemoteConnectionWatchDog::onCorvexReady()
{
    qCDebug(lcLink) << "CorvexReady: starting watchdog...";
    setConnectionAvailable(true);
    m_repollTimer->start();
}

void RemoteConnectionWatchDog::onDataAvailable(DataFromDevice data)
{
    // The answers only keep traffic on the connection; their content is not needed.
    Q_UNUSED(data);
}

void RemoteConnectionWatchDog::onConnectionLost()
{
    m_repollTimer->stop();
    setConnectionAvailable(false);
    emit connectionLost();
}

void RemoteConnectionWatchDog::onDisconnected()
{
    m_repollTimer->stop();
}

void RemoteConnectionWatchDog::onClientConnectionLost()
{
    m_repollTimer->stop();
}

void RemoteConnectionWatchDog::onRepollTimeout()
{
    sendDataRequest();
}
