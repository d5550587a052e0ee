#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>

class QTimer;

// Watches the PC's own network: every few seconds it checks that some interface can reach a
// processor, and reports when none can.
class ClientConnectionWatchDog : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool networkAvailable READ networkAvailable NOTIFY networkAvailableChanged)
public:
    static constexpr int kPollingIntervalMs = 5000;

    // What the network check looks at of one interface.
    struct InterfaceData {
        bool valid = false;
        bool up = false;
        bool running = false;
        bool loopback = false;
        bool pointToPoint = false;
        QList<QHostAddress> addresses;
    };

    // The process-wide watchdog, created on first use and destroyed with the application object.
    static ClientConnectionWatchDog *instance();

    explicit ClientConnectionWatchDog(QObject *parent = nullptr);
    ~ClientConnectionWatchDog() override;

    bool networkAvailable() const { return m_networkAvailable; }

    // The network check: the offline model's address needs no network; otherwise an interface
    // must be valid, up, running, neither loopback nor point-to-point, and hold a non-loopback
    // IPv4 address.
    static bool isNetworkAvailable(const QString &deviceAddress, const QList<InterfaceData> &interfaces);
    // The host's interfaces as the check sees them.
    static QList<InterfaceData> hostInterfaces();

signals:
    void networkAvailableChanged(bool available);
    void connectionLost();

public slots:
    void onPollingTimeout();

private:
    QTimer *m_timer = nullptr;
    bool m_networkAvailable = true;
};
