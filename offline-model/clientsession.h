#pragma once

#include "request.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>

class QTcpSocket;

namespace tarn::offline {
class ControlServer;

// One client on the control port: line framing, login, requests, subscriptions, firmware
// upload, and the faults it is told to show.
class ClientSession : public QObject {
    Q_OBJECT
public:
    ClientSession(QTcpSocket *socket, ControlServer *server, quint64 id);
    ~ClientSession() override;

    void start();
    void pushChange(int idx);
    void cut(const QString &why);
    quint64 id() const { return m_id; }

signals:
    void finished(tarn::offline::ClientSession *session);

private:
    void onReadyRead();
    void onDisconnected();
    void processBuffer();
    void processLine(QByteArray raw);
    void dispatch(const Request &request);
    void handleModelLine(const Request &request);
    void login(const Request &request);
    void valueRequest(const Request &request);
    void listChildren(const ResolvedPath &path, const QString &asked);
    void listChoices(const ResolvedPath &path, const QString &asked);
    QString valueText(const ResolvedPath &path) const;
    void beginFirmware(const Request &request);
    void feedFirmware(const char *data, qint64 n);
    void finishFirmware(bool complete);

    void answer(const QByteArray &line);
    void answerError(const QString &reason, const QString &path = QString());
    void enqueue(const QByteArray &bytes, bool countLine);
    void writeNow(const QByteArray &bytes);
    void onSlowTick();
    QByteArray garbageLine();

    static quint32 subscriptionKey(int idx, ResolvedPath::Form form) { return quint32(idx) << 3 | quint32(form); }

    QTcpSocket *m_socket;
    ControlServer *m_server;
    quint64 m_id;
    QString m_peer;
    bool m_loopback = false;
    bool m_mute = false;   // never greeted: answers nothing
    bool m_closed = false;
    bool m_loggedIn = false;
    qint64 m_lines = 0;    // protocol lines received ("model" lines do not count)
    QByteArray m_buffer;
    bool m_discarding = false;
    QSet<quint32> m_subscriptions;
    QList<QByteArray> m_slowQueue;
    QTimer m_slowTimer;
    int m_garbageIndex = 0;

    qint64 m_firmwareRemaining = 0;
    qint64 m_firmwareSize = 0;
    int m_firmwareRecord = -1;
    QString m_firmwareName;
    QCryptographicHash m_sha{QCryptographicHash::Sha256};
    std::unique_ptr<QFile> m_firmwareFile;
    qint64 m_lastProgressReport = 0;
    QByteArray m_firmwareHead;
};
} // namespace tarn::offline
