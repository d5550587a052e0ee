#include "tarnlabel.h"

TarnLabel::TarnLabel(QObject *parent) : TarnControl(parent) {}

void TarnLabel::setLabelValue(const QString &labelValue)
{
    if (m_labelValue == labelValue)
        return;
    m_labelValue = labelValue;
    emit labelValueChanged(m_labelValue);
}

void TarnLabel::handleDataAvailable(DataFromDevice data)
{
    if (data.command == QLatin1String("unsubr"))
        return;
    setLabelValue(data.value);
}
