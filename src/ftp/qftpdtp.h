#pragma once

#include "qurlinfo.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>

class QIODevice;
class QTcpServer;
class QTcpSocket;
class QFtpPI;

// The data connection of one transfer: passive (we connect) or active (the server connects to
// a listener of ours). Feeds a get into a device or a read buffer, a LIST into listInfo, and
// writes a put from a byte array or a device.
class QFtpDTP : public QObject
{
    Q_OBJECT
public:
    enum ConnectState { CsHostFound, CsConnected, CsClosed, CsHostNotFound, CsConnectionRefused };

    explicit QFtpDTP(QFtpPI *pi, QObject *parent = nullptr);
    ~QFtpDTP() override;

    // Source or target of the running command; cleared by reset().
    void setData(const QByteArray &data);
    void setDevice(QIODevice *device);
    void setBytesTotal(qint64 total);
    qint64 bytesTotal() const { return m_bytesTotal; }
    qint64 bytesDone() const { return m_bytesDone; }

    // Passive: connect to the server's data port. Active: listen and report the port.
    void connectToHost(const QHostAddress &address, quint16 port);
    bool setupListener(const QHostAddress &address, const QHostAddress &expectedPeer,
                       quint16 *port);
    // The server announced the transfer (1yz): it will connect or has connected.
    void setTransferStarted() { m_transferStarted = true; }
    // A put may start writing once the connection is up.
    void waitForConnectionToWrite();

    // True while a data connection is open or, after the server announced the transfer, still
    // expected: its end must be seen before the final reply counts.
    bool isOpenOrPending() const;
    bool isConnected() const;

    bool hasError() const { return !m_error.isEmpty(); }
    QString errorMessage() const { return m_error; }
    void clearError() { m_error.clear(); }

    qint64 bytesAvailable() const { return m_readBuffer.size(); }
    qint64 read(char *data, qint64 maxlen);
    QByteArray readAll();
    void clearData() { m_readBuffer.clear(); }

    // Drops the connection at once (reset, not an orderly close) and forgets the transfer.
    void abortConnection();
    // Forgets the transfer: sockets, listener, source and target. Unread data stays.
    void reset();

signals:
    void listInfo(const QUrlInfo &info);
    void readyRead();
    void dataTransferProgress(qint64 done, qint64 total);
    void connectState(int state);
    // Any traffic on the data connection: keeps the interpreter's watchdog quiet.
    void activity();

private:
    void adoptSocket(QTcpSocket *socket);
    void onNewConnection();
    void onSocketConnected();
    void onSocketReadyRead();
    void onSocketError();
    void onSocketDisconnected();
    void onBytesWritten(qint64 n);
    void onSourceReadyRead();
    void writeMore();
    bool sourceEnded() const;
    void parseListLines(bool flush);
    void closeSocket(bool announce);

    QFtpPI *m_pi;
    QPointer<QTcpSocket> m_socket;
    QPointer<QTcpServer> m_server;
    QHostAddress m_expectedPeer;
    QPointer<QIODevice> m_device;
    QByteArray m_data;
    qint64 m_dataPos = 0;
    bool m_hasData = false;
    qint64 m_bytesDone = 0;
    qint64 m_bytesTotal = 0;
    bool m_transferStarted = false;
    bool m_writeWanted = false;
    bool m_connected = false;
    bool m_sourceFinished = false;
    QByteArray m_readBuffer;
    QByteArray m_lineBuffer;
    bool m_skippingLongLine = false;
    QString m_error;
};
