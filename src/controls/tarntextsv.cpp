#include "tarntextsv.h"

#include "controlconstants.h"
#include "controlslog.h"
#include "tcpadaptor.h"

#include <QPointer>
#include <QTimer>

TarnTextSV::TarnTextSV(QObject *parent) : TarnControl(parent), m_throttle(new QTimer(this))
{
    setEntityName(QStringLiteral("TSV"));
    m_throttle->setSingleShot(true);
    connect(m_throttle, &QTimer::timeout, this, &TarnTextSV::onThrottleTimeOut);
    connect(this, &TarnTextSV::valueChanged, this, &TarnTextSV::onValueChanged);
}

void TarnTextSV::setValue(const QString &value)
{
    if (m_value == value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

void TarnTextSV::sendDataRequest()
{
    send(isMeter() ? QStringLiteral("asyncget") : QStringLiteral("sub"));
}

void TarnTextSV::subscribe()
{
    sendDataRequest();
}

void TarnTextSV::handleDataAvailable(DataFromDevice data)
{
    qCDebug(lcControls).noquote() << data.svName << data.value;
    if (data.command == QLatin1String("unsubr"))
        return;
    m_lastReceived = data.value;
    // What the new text sets off on screen may remove this very control (a wizard page that
    // changes with the state it shows): nothing of it is touched once it is gone.
    const QPointer<TarnTextSV> alive(this);
    setValue(data.value);
    if (alive)
        m_requestAllowed = true;
}

void TarnTextSV::onValueChanged(QString text)
{
    qCDebug(lcControls).noquote() << "value changed:" << svName() << text;
    if (text != m_lastReceived)
        send(QStringLiteral("set"), m_value);
}

void TarnTextSV::setValueWithoutFeedback(const QString &text)
{
    m_pending = text;
    if (!m_throttle->isActive())
        m_throttle->start(tarn::controls::kValueThrottleMs);
}

void TarnTextSV::onThrottleTimeOut()
{
    send(QStringLiteral("set"), m_pending);
}

void TarnTextSV::requestValue()
{
    if (!m_requestAllowed)
        return;
    send(QStringLiteral("asyncget"));
    m_requestAllowed = false;
    // Cleared without a signal, so that the answer is announced even when it is the same text.
    m_value.clear();
}

void TarnTextSV::cancelSubscription()
{
    send(QStringLiteral("unsub"));
}

void TarnTextSV::onResendDataRequest(bool send)
{
    resubscribe(send);
}
