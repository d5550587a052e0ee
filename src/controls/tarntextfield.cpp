#include "tarntextfield.h"

#include "tcpadaptor.h"

#include <QStringList>

TarnTextField::TarnTextField(QObject *parent) : TarnLabel(parent)
{
    connect(this, &TarnLabel::labelValueChanged, this, &TarnTextField::onLabelValueChanged);
}

TarnTextField::~TarnTextField()
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        adaptor->sendRequest(unsubscribeRequest());
}

void TarnTextField::setUnit(const QString &unit)
{
    if (m_unit == unit)
        return;
    m_unit = unit;
    emit unitChanged(m_unit);
}

bool TarnTextField::acceptsRecord(const DataFromDevice &data) const
{
    return data.poName == poName() && data.valueType == valueType() && data.svName == svName();
}

void TarnTextField::handleDataAvailable(DataFromDevice data)
{
    // "unsubr" carries no value; the base has already subscribed again.
    if (data.command == QLatin1String("unsubr"))
        return;
    const QStringList parts = data.value.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.endsWith(m_unit)) {
            m_lastReceived = part;
            setLabelValue(part);
            return;
        }
    }
}

void TarnTextField::onLabelValueChanged(QString text)
{
    if (!text.endsWith(m_unit))
        text += m_unit;
    if (text == m_lastReceived)
        return;
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        DataFromDevice request;
        request.poName = poName();
        request.svName = svName();
        request.value = text;
        request.command = QStringLiteral("set");
        adaptor->sendRequest(request);
    }
}
