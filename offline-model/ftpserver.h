#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>

// What the owner of the served folders does around file operations. Paths are as the client
// sees them ("/presets/Preset_3.preset"). A hook that refuses gives the client its reason.
struct OfflineFtpHooks {
    // Before a file is sized or sent: it may be written afresh.
    std::function<void(const QString &path)> beforeRead;
    // After a file was received (complete: the upload ran to its end) or renamed into place.
    std::function<bool(const QString &path, bool complete, QString *why)> afterWrite;
    // After a file was deleted or renamed away.
    std::function<bool(const QString &path, QString *why)> afterRemove;
    // Fault for tests: when above 0, every data transfer is cut after this many bytes.
    std::function<qint64()> cutAfterBytes;
};

// The offline model's FTP service: the processor's login, a root folder holding presets/,
// SpeakerTunings/ and AmplifierData/, and nothing outside that root.
class OfflineFtpServer : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 19221;
    static const char *const UserName;
    static const char *const Password;
    // A client that neither finishes nor abandons a data connection is dropped after this.
    static constexpr int DataTimeout = 30 * 1000;

    explicit OfflineFtpServer(const QString &rootPath, QObject *parent = nullptr);
    ~OfflineFtpServer() override;

    // Creates the root's folders when missing, then listens.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost,
                quint16 port = DefaultPort);
    void close();
    bool isListening() const { return m_server.isListening(); }
    quint16 serverPort() const { return m_server.serverPort(); }
    QString errorString() const { return m_errorString; }
    QString rootPath() const { return m_root; }
    void setHooks(const OfflineFtpHooks &hooks) { m_hooks = hooks; }

    // The path a client's argument names from the folder `cwd`: absolute, without "." and ".."
    // steps. ok is false for a path above the root or one holding a NUL or a backslash.
    static QString resolvePath(const QString &cwd, const QString &arg, bool *ok);

    // Counters that tests read.
    int sessionCount() const { return m_sessions; }
    int failedLogins() const { return m_failedLogins; }

private:
    friend class OfflineFtpSession;
    void onNewConnection();

    QTcpServer m_server;
    QString m_root;
    QString m_errorString;
    OfflineFtpHooks m_hooks;
    int m_sessions = 0;
    int m_failedLogins = 0;
};
