#include "tarnnumericalsv.h"

#include "controlconstants.h"
#include "tcpadaptor.h"
#include "valuetext.h"

#include <QTimer>

TarnNumericalSV::TarnNumericalSV(QObject *parent) : TarnControl(parent), m_throttle(new QTimer(this))
{
    setEntityName(QStringLiteral("NSV"));
    m_throttle->setSingleShot(true);
    connect(m_throttle, &QTimer::timeout, this, &TarnNumericalSV::onThrottleTimeOut);
    connect(this, &TarnNumericalSV::valueChanged, this, &TarnNumericalSV::onValueChanged);
}

void TarnNumericalSV::setValue(float value)
{
    if (m_value == value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

void TarnNumericalSV::handleDataAvailable(DataFromDevice data)
{
    if (data.command == QLatin1String("unsubr") || data.value.isEmpty())
        return;
    float received;
    if (data.value == QLatin1String("Off"))
        received = 0.0f;
    else if (data.value == QLatin1String("On"))
        received = 1.0f;
    else
        received = float(tarn::valuetext::stripUnits(data.value));
    m_lastReceived = received;
    m_expected = received;
    setValue(received);
}

// A value equal to what the processor holds is not sent, unless a set is still waiting: then the
// newest value wins, so moving away and back within one interval ends where the user stopped.
void TarnNumericalSV::setValueWithoutFeedback(float a)
{
    if (!m_throttle->isActive() && a == m_expected)
        return;
    m_pending = a;
    if (!m_throttle->isActive())
        m_throttle->start(tarn::controls::kValueThrottleMs);
}

void TarnNumericalSV::onThrottleTimeOut()
{
    if (!TCPAdaptor::instance())
        return;
    m_expected = m_pending;
    send(QStringLiteral("set"), tarn::valuetext::formatNumber(m_pending));
}

void TarnNumericalSV::onValueChanged(float value)
{
    Q_UNUSED(value);
}
