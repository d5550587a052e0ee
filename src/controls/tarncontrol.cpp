#include "tarncontrol.h"

#include "controldispatcher.h"
#include "controlslog.h"
#include "linkevents.h"
#include "tcpadaptor.h"

TarnControl::TarnControl(QObject *parent) : QObject(parent)
{
    connectToLink();
}

TarnControl::~TarnControl()
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->detach(this);
    m_beingDestroyed = true;
    // Not through the virtual slot: the subclass part is already gone.
    if (!m_poName.isEmpty() && !m_svName.isEmpty() && !m_isMeter) {
        if (TCPAdaptor *adaptor = TCPAdaptor::instance())
            adaptor->sendRequest(unsubscribeRequest());
    }
}

// Records arrive through the dispatcher (keyed by the binding); the rarer link events reach every
// control directly.
void TarnControl::connectToLink()
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->attach(this);
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        connect(adaptor, &TCPAdaptor::corvexReady, this, &TarnControl::onCorvexReady);
        connect(adaptor, &TCPAdaptor::connectionLost, this, &TarnControl::onConnectionLost);
    }
    if (tarn::LinkEvents *events = tarn::LinkEvents::instance())
        connect(events, &tarn::LinkEvents::resendDataRequest, this, &TarnControl::onResendDataRequest);
}

void TarnControl::keyChanged()
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->rekey(this);
}

void TarnControl::receiveEveryRecord(bool every)
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->setWide(this, every);
}

void TarnControl::setConnectionAvailable(bool available)
{
    m_connectionAvailable = available;
}

void TarnControl::setPoName(const QString &poName)
{
    if (m_poName == poName)
        return;
    m_poName = poName;
    keyChanged();
    emit poNameChanged(m_poName);
    sendDataRequest();
}

void TarnControl::setSvName(const QString &svName)
{
    if (m_svName == svName)
        return;
    m_svName = svName;
    keyChanged();
    emit svNameChanged(m_svName);
    sendDataRequest();
}

void TarnControl::setIsMeter(bool isMeter)
{
    if (m_isMeter == isMeter)
        return;
    m_isMeter = isMeter;
    emit isMeterChanged(m_isMeter);
}

void TarnControl::setEntityName(const QString &entityName)
{
    if (m_entityName == entityName)
        return;
    m_entityName = entityName;
    emit entityNameChanged(m_entityName);
}

void TarnControl::setValueType(const QString &valueType)
{
    m_valueType = valueType;
    keyChanged();
    emit valueTypeChanged(m_valueType);
}

void TarnControl::componentCompleted()
{
    sendDataRequest();
}

DataFromDevice TarnControl::subscribeRequest() const
{
    DataFromDevice request;
    request.poName = m_poName;
    request.svName = m_svName;
    request.valueType = m_valueType;
    request.command = QStringLiteral("sub");
    return request;
}

DataFromDevice TarnControl::unsubscribeRequest() const
{
    DataFromDevice request;
    request.poName = m_poName;
    request.svName = m_svName;
    request.command = QStringLiteral("unsub");
    return request;
}

void TarnControl::sendDataRequest()
{
    if (m_poName.isEmpty() || m_svName.isEmpty() || m_isMeter)
        return;
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (adaptor && adaptor->isReady())
        adaptor->sendRequest(subscribeRequest());
}

void TarnControl::send(const QString &command, const QString &value, const QString &valueType) const
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor)
        return;
    DataFromDevice request;
    request.poName = m_poName;
    request.svName = m_svName;
    request.valueType = valueType;
    request.value = value;
    request.command = command;
    adaptor->sendRequest(request);
}

bool TarnControl::canRequest() const
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    return !m_poName.isEmpty() && !m_svName.isEmpty() && adaptor && adaptor->isReady();
}

void TarnControl::sendUnSubRequest()
{
    if (m_poName.isEmpty() || m_svName.isEmpty() || m_isMeter)
        return;
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        adaptor->sendRequest(unsubscribeRequest());
}

bool TarnControl::acceptsRecord(const DataFromDevice &data) const
{
    return data.poName == m_poName && data.valueType == m_valueType && data.svName == m_svName
        && data.command != QLatin1String("setr");
}

void TarnControl::onDataAvailable(DataFromDevice data)
{
    if (!acceptsRecord(data))
        return;
    // The processor ended the subscription (another binding of the same variable went away):
    // a live control takes it up again at once.
    if (data.command == QLatin1String("unsubr") && !m_beingDestroyed)
        sendDataRequest();
    handleDataAvailable(data);
}

void TarnControl::handleDataAvailable(DataFromDevice data)
{
    Q_UNUSED(data);
}

void TarnControl::onCorvexReady()
{
    sendDataRequest();
    emit corvexReady();
}

void TarnControl::onResendDataRequest(bool send)
{
    Q_UNUSED(send);
}

void TarnControl::resubscribe(bool send)
{
    if (!send || m_poName.isEmpty() || m_svName.isEmpty())
        return;
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor || !adaptor->isReady())
        return;
    qCDebug(lcControls).noquote() << QStringLiteral("resubscribing to ") + m_poName + QLatin1Char(':') + m_svName;
    sendDataRequest();
}

void TarnControl::onConnectionLost()
{
    m_connectionAvailable = false;
    emit connectionLost();
}
