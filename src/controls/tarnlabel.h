#pragma once

#include "tarncontrol.h"

// A read-only text shown as the processor reports it.
class TarnLabel : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(QString labelValue READ labelValue WRITE setLabelValue NOTIFY labelValueChanged)
public:
    explicit TarnLabel(QObject *parent = nullptr);

    QString labelValue() const { return m_labelValue; }
    // Stores and announces; sends nothing.
    void setLabelValue(const QString &labelValue);

signals:
    void labelValueChanged(QString labelValue);

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    QString m_labelValue;
};
