#pragma once

#include "ftpparse.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class QTcpSocket;
class QFtpDTP;

// The protocol interpreter: owns the control connection, sends the raw lines of the running
// command one by one and turns the server's replies into progress, errors and the end of the
// command.
class QFtpPI : public QObject
{
    Q_OBJECT
public:
    enum State { Begin, Idle, Waiting, Success, Failure };
    enum AbortState { None, AbortStarted, WaitForAbortToFinish };

    explicit QFtpPI(QObject *parent = nullptr);
    ~QFtpPI() override;

    void connectToHost(const QString &host, quint16 port);
    // False when the interpreter cannot take a command now (not connected, or busy).
    bool sendCommands(const QStringList &lines);
    bool sendCommand(const QString &line) { return sendCommands(QStringList(line)); }
    // Ends the running command locally. A reply the server still owes is skipped when it comes.
    void clearPendingCommands();
    void abort();

    // The raw line (with CR LF) whose reply is awaited; empty when none.
    QString currentCommand() const { return m_currentLine; }
    bool abortInProgress() const { return m_abortState != None; }
    int transferMode() const { return m_transferMode; }
    void setTransferMode(int mode) { m_transferMode = mode; }
    // Longest silence tolerated while the server owes an answer or data.
    void setTimeout(int msecs);
    int timeout() const { return m_timeout; }
    QTcpSocket *controlSocket() const { return m_control; }
    QFtpDTP *dtp() const { return m_dtp; }

signals:
    void connectState(int state);
    void finished(const QString &text);
    void error(int code, const QString &text);
    void rawFtpReply(int code, const QString &text);

private:
    void onHostFound();
    void onConnected();
    void onSocketError();
    void onSocketStateChanged();
    void onReadyRead();
    void onDtpConnectState(int state);
    void onTimeout();
    void processReply(const tarn::ftp::FtpReply &reply);
    void sendNextLine();
    // Emits error(); true when the listener ended the running command in response.
    bool reportError(int code, const QString &text);
    void closeControl();
    void setConnectState(int state);
    void touch();
    bool busy() const;

    QTcpSocket *m_control;
    QFtpDTP *m_dtp;
    QTimer m_watchdog;
    int m_timeout;
    tarn::ftp::FtpReplyParser m_parser;
    QByteArray m_buffer;
    int m_replyCode = 0;
    QString m_replyText;
    QString m_currentLine;
    QStringList m_pendingLines;
    State m_state = Begin;
    AbortState m_abortState = None;
    int m_transferMode;
    int m_connectState;
    QString m_host;
    bool m_useExtended = false;
    bool m_lineOutstanding = false; // a line was sent and its final reply has not come
    int m_repliesToSkip = 0;        // final replies owed for commands already ended
    bool m_waitForDtpToClose = false;
    tarn::ftp::FtpReply m_heldReply;
    bool m_commandEnded = false;
};
