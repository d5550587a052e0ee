#pragma once

#include "tarncontrol.h"

class QTimer;

// A numeric state variable. The value shown is always the processor's; a user's change goes out
// through setValueWithoutFeedback, throttled, and shows once the processor reports it back.
class TarnNumericalSV : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(float value READ value WRITE setValue NOTIFY valueChanged)
public:
    explicit TarnNumericalSV(QObject *parent = nullptr);

    float value() const { return m_value; }
    // Stores and announces; sends nothing.
    void setValue(float value);

    Q_INVOKABLE void setValueWithoutFeedback(float a);

signals:
    void valueChanged(float value);

public slots:
    void onThrottleTimeOut();
    void onValueChanged(float value);

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    float m_value = -1000.0f;
    float m_lastReceived = -1000.0f;
    // What the processor holds once every set sent so far has taken effect.
    float m_expected = -1000.0f;
    float m_pending = 0.0f;
    QTimer *m_throttle = nullptr;
};
