#include "tarnexclusivegroup.h"

#include "tcpadaptor.h"

TarnExclusiveGroup::TarnExclusiveGroup(QObject *parent) : TarnControl(parent)
{
    connect(this, &TarnExclusiveGroup::selectedValueChanged, this, &TarnExclusiveGroup::OnSelectedValueChanged);
}

TarnExclusiveGroup::~TarnExclusiveGroup()
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        adaptor->sendRequest(unsubscribeRequest());
}

void TarnExclusiveGroup::setSelectedValue(const QString &selectedValue)
{
    if (m_selectedValue == selectedValue)
        return;
    m_selectedValue = selectedValue;
    emit selectedValueChanged(m_selectedValue);
}

void TarnExclusiveGroup::handleDataAvailable(DataFromDevice data)
{
    // "unsubr" carries no value; the base has already subscribed again.
    if (data.command == QLatin1String("unsubr"))
        return;
    m_lastReceived = data.value;
    m_received = true;
    setSelectedValue(data.value);
}

void TarnExclusiveGroup::OnSelectedValueChanged(QString text)
{
    if (!m_received || text == m_lastReceived)
        return;
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        DataFromDevice request;
        request.poName = poName();
        request.svName = svName();
        request.value = QLatin1Char('"') + text + QLatin1Char('"');
        request.command = QStringLiteral("set");
        adaptor->sendRequest(request);
    }
}
