#pragma once

#include "tarncontrol.h"

// The processor's side of a drop-down list: the value it reports, and the way a choice is sent.
class CustomComboBox : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(QString deviceSvValue READ deviceSvValue NOTIFY deviceSvValueChanged)
public:
    explicit CustomComboBox(QObject *parent = nullptr);
    ~CustomComboBox() override;

    QString deviceSvValue() const { return m_deviceSvValue; }

    Q_INVOKABLE void setValueWithoutFeedback(const QString &text);

signals:
    // Announced for every report, also an unchanged one, so a list the user moved snaps back.
    void deviceSvValueChanged(QString deviceSvValue);

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    QString m_deviceSvValue;
};
