#pragma once

#include "tarncontrol.h"

class QTimer;

// A polled indicator such as a clip LED: it asks for its value 100 ms after each answer, so it
// keeps polling for as long as the processor answers.
class TarnLED : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(QString value READ value NOTIFY valueChanged)
public:
    explicit TarnLED(QObject *parent = nullptr);

    QString value() const { return m_value; }

    // Matching binding; every command but "unsubr" (answers to polls, and any other report).
    bool acceptsRecord(const DataFromDevice &data) const override;

signals:
    void valueChanged(QString value);

public slots:
    void sendDataRequest() override;

protected slots:
    void onDataAvailable(DataFromDevice data) override;
    void onCorvexReady() override;
    void onResendDataRequest(bool send) override;

private:
    QString m_value;
    QTimer *m_pollTimer = nullptr;
};
