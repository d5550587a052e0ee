#pragma once

#include "datafromdevice.h"
#include "linebuffer.h"
#include "lineformat.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>

class QTcpSocket;
class QTimer;

// Owns the control socket and runs the line protocol on a thread of its own: the object is moved
// into the thread it represents, so every slot runs there. Reached only through queued signals.
// Lines are cut from the socket by a bounded LineBuffer (LF or CR LF) and decoded as UTF-8, the
// same encoding requests are sent in; a partial line waits for the rest of its bytes.
class TcpClientThread : public QThread {
    Q_OBJECT
public:
    explicit TcpClientThread(QObject *parent = nullptr);
    ~TcpClientThread() override;

    // The socket's state, readable from any thread.
    QAbstractSocket::SocketState socketState() const { return m_socketState.load(); }

signals:
    void connected();
    void disconnected();
    void corvexReady();
    void error(QString errorString);
    void messageSent(QByteArray message);
    void messageReceived(QByteArray message);
    void homeScreenData(QByteArray message);
    void homeScreenDataAvailable(DataFromDevice *data);
    void optionCardSourceNames(QStringList sourceNames);
    void reconfigResponse(QByteArray message);
    void poSvData(DataFromDevice *data);
    void enumsReceived(QStringList enums, QString svPath);
    void poReceived(QStringList pos, QString path);
    void presetData(QByteArray message);
    void enterPassword();
    void incorrectPassword();
    // A connectToHost request has been taken up: whatever the previous connection reported came
    // before this signal, whatever the new one reports comes after it.
    void connectionAttemptStarted();

public slots:
    void onStarted();
    void onFinished();
    void connectToHost(QString hostAddress, quint16 messagePort);
    void disconnectFromHost();
    void onConnected();
    void onDisconnected();
    void sendMessage(QByteArray message);
    void onMessageReceived();
    void onError(QAbstractSocket::SocketError socketError);

private:
    void handleLine(const char *data, int size);
    void resetConnectionState();

    QTcpSocket *m_socket = nullptr;
    QString m_hostAddress;
    quint16 m_port = 0;
    tarn::protocol::LineBuffer m_lines;
    tarn::protocol::LineClassifier m_classifier;
    std::atomic<QAbstractSocket::SocketState> m_socketState{QAbstractSocket::UnconnectedState};
    // Bumped for every new connection, so a read loop interrupted by one stops reading.
    quint64 m_generation = 0;
    bool m_reading = false;
};

// The one entry to the processor for the GUI thread: starts and stops the worker, turns requests
// into lines, re-emits the worker's results and watches the connection time-out.
class TCPAdaptor : public QObject {
    Q_OBJECT
public:
    // Time allowed from doConnect() to the greeting (or a refusal, disconnection or error).
    // When it runs out, timeOutError() is emitted and the attempt is abandoned, so that a late
    // greeting cannot log in after the user was told the processor did not answer.
    static constexpr int kConnectionTimeoutMs = 5000;

    // The process-wide adaptor, created on first use (on the GUI thread) and destroyed with the
    // application object. Returns nullptr only once it has been destroyed.
    static TCPAdaptor *instance();
    // Destroys the adaptor now (for an orderly exit while the log is still open); instance()
    // returns nullptr afterwards.
    static void destroyInstance();

    ~TCPAdaptor() override;

    // Formats the request as one line and sends it; nothing when poName or svName is empty,
    // refused with a warning when a field holds a CR or LF.
    void sendRequest(const DataFromDevice &request);
    // Stores the password and sends the login line with it.
    void enterPassword(const QString &password);
    bool isReady() const { return m_ready; }
    bool isConnected() const;
    QString hostAddress() const { return m_hostAddress; }

signals:
    void connectToHost(QString hostAddress, quint16 messagePort);
    void disconnectFromHost();
    void disconnected();
    void error(QString errorString);
    void messageReceived(QByteArray message);
    void homeScreenData(QByteArray message);
    void optionCardSourceNames(QStringList sourceNames);
    void reconfigResponse(QByteArray message);
    void presetData(QByteArray message);
    void dataAvailable(DataFromDevice data);
    void sendMessage(QByteArray message);
    void homeScreenDataAvailable(DataFromDevice *data);
    void corvexReady();
    void connectionLost();
    void timeOutError();
    void incorrectPassword();
    void enumsAvailable(QStringList enums, QString svPath);
    void poAvailable(QStringList pos, QString path);

public slots:
    void doConnect();
    void doDisconnect();
    void onEnterPasswrod();

protected slots:
    void onDisconnected();
    void onCorvexReady();
    void onError(QString errorString);
    void onMessageSent(QByteArray message);
    void onPoSvData(DataFromDevice *data);
    void onTimeOut();

private:
    explicit TCPAdaptor(QObject *parent = nullptr);
    void sendLoginLine(const QString &password);
    void stopTimerUnlessReplaced();

    TcpClientThread *m_worker = nullptr;
    QTimer *m_timer = nullptr;
    bool m_ready = false;
    QString m_hostAddress;
    // connectToHost requests the worker has not yet taken up; a disconnection reported while
    // one is outstanding belongs to the connection being replaced and leaves the timer running.
    int m_attemptsInFlight = 0;
};
