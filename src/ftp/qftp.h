#pragma once

#include "qurlinfo.h"

#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class QIODevice;
class QFtpPI;
struct QFtpCommand;

// Asynchronous FTP client. Every operation only queues a numbered command and returns its id;
// commands run one after another on the owner's event loop and report through signals.
class QFtp : public QObject
{
    Q_OBJECT
public:
    enum State { Unconnected, HostLookup, Connecting, Connected, LoggedIn, Closing };
    Q_ENUM(State)
    enum Error { NoError, UnknownError, HostNotFound, ConnectionRefused, NotConnected, NoFiles };
    Q_ENUM(Error)
    enum Command {
        None, SetTransferMode, SetProxy, ConnectToHost, Login, Close, List, NameList, Cd, Get,
        Put, Remove, Mkdir, Rmdir, Rename, RawCommand
    };
    Q_ENUM(Command)
    enum TransferMode { Active, Passive };
    Q_ENUM(TransferMode)
    enum TransferType { Binary, Ascii };
    Q_ENUM(TransferType)

    // A server that owes an answer or data and stays silent this long ends the running command
    // with an error and loses the connection.
    static constexpr int DefaultTimeout = 60 * 1000;

    explicit QFtp(QObject *parent = nullptr);
    ~QFtp() override;

    int setProxy(const QString &host, quint16 port);
    int connectToHost(const QString &host, quint16 port = 21);
    int login(const QString &user = QString(), const QString &password = QString());
    int close();
    int setTransferMode(TransferMode mode);
    int list(const QString &dir = QString());
    int nameList(QIODevice *device = nullptr);
    int cd(const QString &dir);
    int get(const QString &file, QIODevice *device = nullptr, TransferType type = Binary);
    int put(const QByteArray &data, const QString &file, TransferType type = Binary);
    int put(QIODevice *device, const QString &file, TransferType type = Binary);
    int remove(const QString &file);
    int mkdir(const QString &dir);
    int rmdir(const QString &dir);
    int rename(const QString &oldName, const QString &newName);
    int rawCommand(const QString &command);

    qint64 bytesAvailable() const;
    qint64 read(char *data, qint64 maxlen);
    QByteArray readAll();

    int currentId() const;
    QIODevice *currentDevice() const;
    Command currentCommand() const;
    bool hasPendingCommands() const;
    void clearPendingCommands();

    State state() const { return m_state; }
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }

    void setTimeout(int msecs);
    int timeout() const;

public slots:
    void abort();

signals:
    void stateChanged(int state);
    void listInfo(const QUrlInfo &info);
    void readyRead();
    void dataTransferProgress(qint64 done, qint64 total);
    void rawCommandReply(int replyCode, const QString &detail);
    void commandStarted(int id);
    void commandFinished(int id, bool error);
    void done(bool error);

private slots:
    void _q_startNextCommand();

private:
    int addCommand(std::unique_ptr<QFtpCommand> command);
    void piFinished(const QString &text);
    void piError(int code, const QString &text);
    void piConnectState(int state);
    void piFtpReply(int code, const QString &text);
    void finishCurrent(bool failed);
    void postStart();

    QFtpPI *m_pi;
    std::deque<std::unique_ptr<QFtpCommand>> m_pending;
    bool m_headStarted = false;
    State m_state = Unconnected;
    Error m_error = NoError;
    QString m_errorString;
    QString m_proxyHost;
    quint16 m_proxyPort = 0;
};
