#pragma once

#include "tarncontrol.h"

class QTimer;

// A text state variable; also a one-shot reader (requestValue) and, with isMeter, a poller.
class TarnTextSV : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(QString value READ value WRITE setValue NOTIFY valueChanged)
public:
    explicit TarnTextSV(QObject *parent = nullptr);

    QString value() const { return m_value; }
    // Stores and announces; a text other than the processor's last is then sent at once.
    void setValue(const QString &value);

    Q_INVOKABLE void setValueWithoutFeedback(const QString &text);
    // Asks once for the current value; the answer is always announced, even when unchanged.
    Q_INVOKABLE void requestValue();
    Q_INVOKABLE void cancelSubscription();
    Q_INVOKABLE void subscribe();

signals:
    void valueChanged(QString value);

public slots:
    void sendDataRequest() override;
    void onValueChanged(QString text);
    void onThrottleTimeOut();
    void onResendDataRequest(bool send) override;

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

protected:

private:
    QString m_value;
    QString m_lastReceived;
    QString m_pending;
    QTimer *m_throttle = nullptr;
    bool m_requestAllowed = true;
};
