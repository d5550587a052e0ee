#pragma once

#include "tarncontrol.h"

class QTimer;

// Watches the processor: after each login it asks for the device name every few seconds, so a
// dead peer turns into a socket error, and it reports the link's loss as connectionLost().
class RemoteConnectionWatchDog : public TarnControl {
    Q_OBJECT
public:
    static constexpr int kRepollIntervalMs = 5000;

    // The process-wide watchdog, created on first use and destroyed with the application object.
    static RemoteConnectionWatchDog *instance();

    explicit RemoteConnectionWatchDog(QObject *parent = nullptr);
    ~RemoteConnectionWatchDog() override;

public slots:
    void sendDataRequest() override;
    void onCorvexReady() override;
    void onDataAvailable(DataFromDevice data) override;
    void onConnectionLost() override;
    void onDisconnected();
    void onClientConnectionLost();
    void onRepollTimeout();

private:
    QTimer *m_repollTimer = nullptr;
};
