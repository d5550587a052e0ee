#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

namespace tarn::offline {
class ClientSession;
class DeviceState;
class StatusRecorder;
struct FaultPlan;

struct ServerSettings {
    QString password = QStringLiteral("stagemanagers");
    int maxLineBytes = 64 * 1024;
    qint64 maxFirmwareBytes = 512ll * 1024 * 1024;
    qint64 maxBacklogBytes = 16ll * 1024 * 1024; // unread output after which a client is cut off
    QString firmwareDir;                         // where received images are kept; empty: nowhere
};

// The control port: accepts clients, hands each to a session, fans value changes out to the
// sessions that subscribed, and runs the loopback-only "model" lines.
class ControlServer : public QObject {
    Q_OBJECT
public:
    ControlServer(DeviceState *state, FaultPlan *faults, StatusRecorder *status, const ServerSettings &settings,
                  QObject *parent = nullptr);
    ~ControlServer() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return m_server.serverPort(); }
    int sessionCount() const { return m_sessions.size(); }

    DeviceState &state() { return *m_state; }
    FaultPlan &faults() { return *m_faults; }
    StatusRecorder &status() { return *m_status; }
    const ServerSettings &settings() const { return m_settings; }

    // Runs "model <args>" for a loopback client and returns the answer line.
    QByteArray controlLine(const QStringList &args, ClientSession *from);
    void dropAll(ClientSession *except);

signals:
    void faultsChanged();
    // A firmware image arrived whole; `head` holds its first bytes.
    void firmwareReceived(const QString &target, const QByteArray &head);

private:
    void onNewConnection();
    void onValueChanged(int idx);
    void onSessionFinished(ClientSession *session);

    DeviceState *m_state;
    FaultPlan *m_faults;
    StatusRecorder *m_status;
    ServerSettings m_settings;
    QTcpServer m_server;
    QList<ClientSession *> m_sessions;
    quint64 m_nextId = 1;
};
} // namespace tarn::offline
