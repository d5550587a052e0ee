#pragma once

#include "tarncontrol.h"

// One of several choices selects a text value (a row of buttons). A selection is sent only once
// the processor's own value is known, so a screen cannot overwrite a value it has not seen.
class TarnExclusiveGroup : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(QString selectedValue READ selectedValue WRITE setSelectedValue NOTIFY selectedValueChanged)
public:
    explicit TarnExclusiveGroup(QObject *parent = nullptr);
    ~TarnExclusiveGroup() override;

    QString selectedValue() const { return m_selectedValue; }
    void setSelectedValue(const QString &selectedValue);

signals:
    void selectedValueChanged(QString selectedValue);

public slots:
    void OnSelectedValueChanged(QString text);

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    QString m_selectedValue;
    QString m_lastReceived;
    bool m_received = false;
};
