#include "customcombobox.h"

#include "tcpadaptor.h"

CustomComboBox::CustomComboBox(QObject *parent) : TarnControl(parent) {}

CustomComboBox::~CustomComboBox()
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        adaptor->sendRequest(unsubscribeRequest());
}

void CustomComboBox::handleDataAvailable(DataFromDevice data)
{
    // "unsubr" carries no value; the base has already subscribed again.
    if (data.command == QLatin1String("get") || data.command == QLatin1String("unsubr"))
        return;
    m_deviceSvValue = data.value;
    emit deviceSvValueChanged(m_deviceSvValue);
}

void CustomComboBox::setValueWithoutFeedback(const QString &text)
{
    if (text == m_deviceSvValue)
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
