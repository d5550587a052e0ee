#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

namespace tarn::offline {
class DeviceState;
class StatusRecorder;
struct FaultPlan;

// Answers the discovery batch on UDP: one datagram holding an answer line for each "get"
// line of the query, sent from the address the socket is bound to.
class DiscoveryResponder : public QObject {
    Q_OBJECT
public:
    DiscoveryResponder(const DeviceState *state, const FaultPlan *faults, StatusRecorder *status, quint64 seed,
                       QObject *parent = nullptr);

    bool bind(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return m_socket.localPort(); }

    // The answer datagram for one query, and the delay the query asks for ("delay N").
    QByteArray answerFor(const QByteArray &query, int *delayMs) const;

private:
    void onReadyRead();

    const DeviceState *m_state;
    const FaultPlan *m_faults;
    StatusRecorder *m_status;
    QUdpSocket m_socket;
    quint64 m_random;
    int m_pending = 0;
};
} // namespace tarn::offline
