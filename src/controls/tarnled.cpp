#include "tarnled.h"

#include "controlconstants.h"
#include "tcpadaptor.h"

#include <QTimer>

TarnLED::TarnLED(QObject *parent) : TarnControl(parent), m_pollTimer(new QTimer(this))
{
    setEntityName(QStringLiteral("Clip"));
    setIsMeter(true);
    setValueType(QString());
    m_pollTimer->setSingleShot(true);
    m_pollTimer->setInterval(tarn::controls::kPollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &TarnLED::sendDataRequest);
}

void TarnLED::sendDataRequest()
{
    if (canRequest())
        send(QStringLiteral("asyncget"));
}

bool TarnLED::acceptsRecord(const DataFromDevice &data) const
{
    return data.poName == poName() && data.valueType == valueType() && data.svName == svName()
        && data.command != QLatin1String("unsubr");
}

void TarnLED::onDataAvailable(DataFromDevice data)
{
    if (!acceptsRecord(data))
        return;
    if (data.value != m_value) {
        m_value = data.value;
        emit valueChanged(m_value);
    }
    m_pollTimer->start();
}

void TarnLED::onCorvexReady()
{
    sendDataRequest();
}

void TarnLED::onResendDataRequest(bool send)
{
    resubscribe(send);
}
