#include "ftpserver.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

const char *const OfflineFtpServer::UserName = "tarnftp";
const char *const OfflineFtpServer::Password = "lomarvex@517";

namespace {
constexpr int MaxCommandLine = 4096;
constexpr int MaxDeferredLines = 64;
constexpr qint64 Chunk = 256 * 1024;
constexpr qint64 HighWater = 1024 * 1024;

bool sameHost(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::TolerantConversion);
}
} // namespace

// One control connection. Lives until the client leaves; owned by the server object.
class OfflineFtpSession : public QObject
{
public:
    OfflineFtpSession(OfflineFtpServer *server, QTcpSocket *socket);

private:
    enum Transfer { NoTransfer, SendBytes, SendFile, Receive };

    void onReadyRead();
    void handle(const QByteArray &line);
    void reply(int code, const QString &text);
    QString resolve(const QString &arg, bool *ok) const;
    QString localPath(const QString &virtualPath) const { return m_server->m_root + virtualPath; }
    bool inRoot(const QString &path) const;
    bool existingInRoot(const QString &virtualPath) const;
    bool creatableInRoot(const QString &virtualPath) const;
    QString listing(const QString &dir, bool names) const;

    void openPassive(bool extended);
    bool setActive(const QHostAddress &address, quint16 port);
    void startTransfer(Transfer kind);
    void onDataConnected();
    void pump();
    void onDataReadyRead();
    void onDataDisconnected();
    void endTransfer(int code, const QString &text);
    void dropData();
    void finishRename(const QString &from, const QString &to);
    // Counts the bytes of a transfer; true (and the transfer ended) when the cut fault strikes.
    bool cutByFault(qint64 bytes);

    OfflineFtpServer *m_server;
    QTcpSocket *m_control;
    QByteArray m_in;
    QString m_user;
    bool m_loggedIn = false;
    QString m_cwd = QStringLiteral("/");
    QString m_renameFrom;
    QPointer<QTcpServer> m_passive;
    QHostAddress m_activeAddress;
    quint16 m_activePort = 0;
    QPointer<QTcpSocket> m_data;
    bool m_dataConnected = false;
    Transfer m_transfer = NoTransfer;
    QFile m_file;
    QString m_transferPath;
    qint64 m_transferred = 0;
    QByteArray m_outgoing;
    qint64 m_outPos = 0;
    QTimer m_dataTimer;
    QList<QByteArray> m_deferred;
};

OfflineFtpSession::OfflineFtpSession(OfflineFtpServer *server, QTcpSocket *socket)
    : QObject(server)
    , m_server(server)
    , m_control(socket)
{
    socket->setParent(this);
    m_dataTimer.setSingleShot(true);
    m_dataTimer.setInterval(OfflineFtpServer::DataTimeout);
    connect(&m_dataTimer, &QTimer::timeout, this, [this] {
        endTransfer(m_dataConnected ? 426 : 425,
                    m_dataConnected ? QStringLiteral("Data connection stalled; transfer aborted.")
                                    : QStringLiteral("Can't open data connection."));
    });
    connect(socket, &QTcpSocket::readyRead, this, &OfflineFtpSession::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        dropData();
        deleteLater();
    });
    reply(220, QStringLiteral("Tarn offline model FTP service ready."));
}

void OfflineFtpSession::reply(int code, const QString &text)
{
    if (m_control->state() == QAbstractSocket::ConnectedState)
        m_control->write(QString::number(code).toLatin1() + ' ' + text.toUtf8() + "\r\n");
}

void OfflineFtpSession::onReadyRead()
{
    m_in += m_control->readAll();
    for (;;) {
        const int nl = m_in.indexOf('\n');
        if (nl < 0)
            break;
        QByteArray line = m_in.left(nl);
        m_in.remove(0, nl + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > MaxCommandLine) {
            m_in.clear();
            break;
        }
        // While a transfer runs only ABOR is taken at once; the rest waits its turn.
        if (m_transfer != NoTransfer && !line.trimmed().toUpper().startsWith("ABOR")) {
            if (m_deferred.size() >= MaxDeferredLines) {
                reply(421, QStringLiteral("Too many commands during a transfer."));
                m_control->disconnectFromHost();
                return;
            }
            m_deferred << line;
        } else {
            handle(line);
        }
        if (m_control->state() != QAbstractSocket::ConnectedState)
            return;
    }
    if (m_in.size() > MaxCommandLine) {
        reply(500, QStringLiteral("Command line too long."));
        m_control->disconnectFromHost();
    }
}

QString OfflineFtpSession::resolve(const QString &arg, bool *ok) const
{
    return OfflineFtpServer::resolvePath(m_cwd, arg, ok);
}

QString OfflineFtpServer::resolvePath(const QString &cwd, const QString &arg, bool *ok)
{
    *ok = false;
    if (arg.contains(QChar(0)) || arg.contains(QLatin1Char('\\')))
        return QString();
    const QString full = arg.startsWith(QLatin1Char('/')) ? arg : cwd + QLatin1Char('/') + arg;
    QStringList parts;
    for (const QString &part : full.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.isEmpty())
                return QString(); // above the root
            parts.removeLast();
            continue;
        }
        parts << part;
    }
    *ok = true;
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

bool OfflineFtpSession::inRoot(const QString &path) const
{
    const QString root = QFileInfo(m_server->m_root).canonicalFilePath();
    return !root.isEmpty() && (path == root || path.startsWith(root + QLatin1Char('/')));
}

bool OfflineFtpSession::existingInRoot(const QString &virtualPath) const
{
    // Symbolic links must not lead out of the root either.
    const QString canonical = QFileInfo(localPath(virtualPath)).canonicalFilePath();
    return !canonical.isEmpty() && inRoot(canonical);
}

bool OfflineFtpSession::creatableInRoot(const QString &virtualPath) const
{
    if (virtualPath == QLatin1String("/"))
        return false;
    const QFileInfo target(localPath(virtualPath));
    if (target.exists() || target.isSymLink())
        return existingInRoot(virtualPath);
    const QString parent = QFileInfo(target.absolutePath()).canonicalFilePath();
    return !parent.isEmpty() && inRoot(parent);
}

QString OfflineFtpSession::listing(const QString &dir, bool names) const
{
    const QFileInfoList entries = QDir(localPath(dir)).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    const QLocale c = QLocale::c();
    const QDateTime halfYearAgo = QDateTime::currentDateTime().addMonths(-6);
    QString out;
    for (const QFileInfo &fi : entries) {
        if (names) {
            out += fi.fileName() + QLatin1String("\r\n");
            continue;
        }
        const QDateTime modified = fi.lastModified();
        const QString date = modified < halfYearAgo
            ? c.toString(modified, QStringLiteral("MMM dd  yyyy"))
            : c.toString(modified, QStringLiteral("MMM dd hh:mm"));
        out += QStringLiteral("%1 1 %2 %2 %3 %4 %5\r\n")
                   .arg(fi.isDir() ? QLatin1String("drwxr-xr-x") : QLatin1String("-rw-r--r--"),
                        QLatin1String(OfflineFtpServer::UserName))
                   .arg(fi.isDir() ? 4096 : fi.size())
                   .arg(date, fi.fileName());
    }
    return out;
}

void OfflineFtpSession::handle(const QByteArray &rawLine)
{
    const QString line = QString::fromUtf8(rawLine);
    const int space = line.indexOf(QLatin1Char(' '));
    const QString verb = (space < 0 ? line : line.left(space)).trimmed().toUpper();
    const QString arg = space < 0 ? QString() : line.mid(space + 1);

    if (verb == QLatin1String("USER")) {
        m_user = arg;
        m_loggedIn = false;
        reply(331, QStringLiteral("Please specify the password."));
        return;
    }
    if (verb == QLatin1String("PASS")) {
        if (m_user == QLatin1String(OfflineFtpServer::UserName)
            && arg == QLatin1String(OfflineFtpServer::Password)) {
            m_loggedIn = true;
            reply(230, QStringLiteral("Login successful."));
        } else {
            ++m_server->m_failedLogins;
            reply(530, QStringLiteral("Login incorrect."));
        }
        return;
    }
    if (verb == QLatin1String("QUIT")) {
        reply(221, QStringLiteral("Goodbye."));
        dropData();
        m_control->disconnectFromHost();
        return;
    }
    if (verb == QLatin1String("NOOP")) {
        reply(200, QStringLiteral("NOOP ok."));
        return;
    }
    if (verb == QLatin1String("ABOR")) {
        if (m_transfer == NoTransfer) {
            reply(225, QStringLiteral("No transfer to abort."));
            return;
        }
        endTransfer(426, QStringLiteral("Transfer aborted."));
        reply(226, QStringLiteral("Abort successful."));
        return;
    }
    if (!m_loggedIn) {
        reply(530, QStringLiteral("Please login with USER and PASS."));
        return;
    }

    bool ok = false;
    if (verb == QLatin1String("SYST")) {
        reply(215, QStringLiteral("UNIX Type: L8"));
    } else if (verb == QLatin1String("TYPE")) {
        const QString t = arg.trimmed().toUpper();
        if (t == QLatin1String("A") || t == QLatin1String("I"))
            reply(200, QStringLiteral("Switching to %1 mode.")
                           .arg(t == QLatin1String("A") ? QLatin1String("ASCII")
                                                        : QLatin1String("Binary")));
        else
            reply(504, QStringLiteral("Unsupported type."));
    } else if (verb == QLatin1String("PWD")) {
        reply(257, QStringLiteral("\"%1\" is the current directory.").arg(m_cwd));
    } else if (verb == QLatin1String("CWD") || verb == QLatin1String("CDUP")) {
        const QString target = resolve(verb == QLatin1String("CDUP") ? QStringLiteral("..") : arg, &ok);
        if (ok && existingInRoot(target) && QFileInfo(localPath(target)).isDir()) {
            m_cwd = target;
            reply(250, QStringLiteral("Directory successfully changed."));
        } else {
            reply(550, QStringLiteral("Failed to change directory."));
        }
    } else if (verb == QLatin1String("SIZE")) {
        const QString target = resolve(arg, &ok);
        if (ok && m_server->m_hooks.beforeRead)
            m_server->m_hooks.beforeRead(target);
        const QFileInfo fi(localPath(target));
        if (ok && existingInRoot(target) && fi.isFile())
            reply(213, QString::number(fi.size()));
        else
            reply(550, QStringLiteral("Could not get file size."));
    } else if (verb == QLatin1String("PASV") || verb == QLatin1String("EPSV")) {
        openPassive(verb == QLatin1String("EPSV"));
    } else if (verb == QLatin1String("PORT")) {
        const QStringList n = arg.trimmed().split(QLatin1Char(','));
        bool good = n.size() == 6;
        uint v[6] = {};
        for (int i = 0; good && i < 6; ++i) {
            v[i] = n[i].toUInt(&good);
            good = good && v[i] <= 255;
        }
        if (good && setActive(QHostAddress((v[0] << 24) | (v[1] << 16) | (v[2] << 8) | v[3]),
                              quint16(v[4] * 256 + v[5])))
            reply(200, QStringLiteral("PORT command successful."));
        else
            reply(500, QStringLiteral("Illegal PORT command."));
    } else if (verb == QLatin1String("EPRT")) {
        const QString a = arg.trimmed();
        const QStringList f = a.isEmpty() ? QStringList() : a.mid(1).split(a.at(0));
        bool good = f.size() >= 4;
        const uint port = good ? f[2].toUInt(&good) : 0;
        if (good && port > 0 && port < 65536 && setActive(QHostAddress(f[1]), quint16(port)))
            reply(200, QStringLiteral("EPRT command successful."));
        else
            reply(500, QStringLiteral("Illegal EPRT command."));
    } else if (verb == QLatin1String("NLST") || verb == QLatin1String("LIST")) {
        // Options such as "-a" carry nothing here.
        const QString path = arg.trimmed().startsWith(QLatin1Char('-')) ? QString() : arg.trimmed();
        const QString target = resolve(path, &ok);
        if (!ok || !existingInRoot(target) || !QFileInfo(localPath(target)).isDir()) {
            reply(550, QStringLiteral("No such directory."));
            return;
        }
        m_outgoing = listing(target, verb == QLatin1String("NLST")).toUtf8();
        m_outPos = 0;
        startTransfer(SendBytes);
    } else if (verb == QLatin1String("RETR")) {
        const QString target = resolve(arg, &ok);
        if (ok && m_server->m_hooks.beforeRead)
            m_server->m_hooks.beforeRead(target);
        if (!ok || !existingInRoot(target) || !QFileInfo(localPath(target)).isFile()) {
            reply(550, QStringLiteral("Failed to open file."));
            return;
        }
        m_file.setFileName(localPath(target));
        if (!m_file.open(QIODevice::ReadOnly)) {
            reply(550, QStringLiteral("Failed to open file."));
            return;
        }
        startTransfer(SendFile);
    } else if (verb == QLatin1String("STOR")) {
        const QString target = resolve(arg, &ok);
        if (!ok || !creatableInRoot(target) || QFileInfo(localPath(target)).isDir()) {
            reply(553, QStringLiteral("Could not create file."));
            return;
        }
        m_file.setFileName(localPath(target));
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            reply(553, QStringLiteral("Could not create file."));
            return;
        }
        m_transferPath = target;
        startTransfer(Receive);
    } else if (verb == QLatin1String("ALLO")) {
        reply(202, QStringLiteral("ALLO command ignored."));
    } else if (verb == QLatin1String("DELE")) {
        const QString target = resolve(arg, &ok);
        QString why;
        if (!ok || !existingInRoot(target) || !QFileInfo(localPath(target)).isFile()
            || !QFile::remove(localPath(target)))
            reply(550, QStringLiteral("Delete operation failed."));
        else if (m_server->m_hooks.afterRemove && !m_server->m_hooks.afterRemove(target, &why))
            reply(550, why);
        else
            reply(250, QStringLiteral("Delete operation successful."));
    } else if (verb == QLatin1String("MKD")) {
        const QString target = resolve(arg, &ok);
        if (ok && creatableInRoot(target) && QDir().mkdir(localPath(target)))
            reply(257, QStringLiteral("\"%1\" created.").arg(target));
        else
            reply(550, QStringLiteral("Create directory operation failed."));
    } else if (verb == QLatin1String("RMD")) {
        const QString target = resolve(arg, &ok);
        if (ok && target != QLatin1String("/") && existingInRoot(target)
            && QDir().rmdir(localPath(target)))
            reply(250, QStringLiteral("Remove directory operation successful."));
        else
            reply(550, QStringLiteral("Remove directory operation failed."));
    } else if (verb == QLatin1String("RNFR")) {
        const QString target = resolve(arg, &ok);
        if (ok && target != QLatin1String("/") && existingInRoot(target)) {
            m_renameFrom = target;
            reply(350, QStringLiteral("Ready for RNTO."));
        } else {
            m_renameFrom.clear();
            reply(550, QStringLiteral("RNFR command failed."));
        }
    } else if (verb == QLatin1String("RNTO")) {
        const QString from = m_renameFrom;
        m_renameFrom.clear();
        const QString target = resolve(arg, &ok);
        if (from.isEmpty())
            reply(503, QStringLiteral("RNFR required first."));
        else if (!ok || !creatableInRoot(target) || QFileInfo::exists(localPath(target))
                 || !QDir().rename(localPath(from), localPath(target)))
            reply(553, QStringLiteral("Rename failed."));
        else
            finishRename(from, target);
    } else {
        reply(502, QStringLiteral("Command not implemented."));
    }
}

void OfflineFtpSession::finishRename(const QString &from, const QString &to)
{
    const OfflineFtpHooks &hooks = m_server->m_hooks;
    QString why;
    // The new name is taken up first: when it is refused, the file goes back where it was.
    if (hooks.afterWrite && !hooks.afterWrite(to, true, &why)) {
        QDir().rename(localPath(to), localPath(from));
        reply(553, why);
        return;
    }
    if (hooks.afterRemove && !hooks.afterRemove(from, &why)) {
        reply(553, why);
        return;
    }
    reply(250, QStringLiteral("Rename successful."));
}

bool OfflineFtpSession::cutByFault(qint64 bytes)
{
    m_transferred += bytes;
    const qint64 cut = m_server->m_hooks.cutAfterBytes ? m_server->m_hooks.cutAfterBytes() : 0;
    if (cut <= 0 || m_transferred < cut)
        return false;
    endTransfer(426, QStringLiteral("Connection cut (fault ftp-cut-after %1)").arg(cut));
    return true;
}

void OfflineFtpSession::openPassive(bool extended)
{
    dropData();
    m_activePort = 0;
    m_passive = new QTcpServer(this);
    if (!m_passive->listen(m_control->localAddress(), 0)) {
        reply(425, QStringLiteral("Cannot open passive connection."));
        return;
    }
    connect(m_passive, &QTcpServer::newConnection, this, [this] {
        while (m_passive && m_passive->hasPendingConnections()) {
            QTcpSocket *s = m_passive->nextPendingConnection();
            if (m_data || !sameHost(s->peerAddress(), m_control->peerAddress())) {
                s->abort();
                s->deleteLater();
                continue;
            }
            m_data = s;
            m_passive->close();
            onDataConnected();
        }
    });
    const quint16 port = m_passive->serverPort();
    if (extended) {
        reply(229, QStringLiteral("Entering Extended Passive Mode (|||%1|).").arg(port));
        return;
    }
    bool v4 = false;
    const quint32 ip = m_control->localAddress().toIPv4Address(&v4);
    if (!v4) {
        reply(425, QStringLiteral("Use EPSV on this connection."));
        return;
    }
    reply(227, QStringLiteral("Entering Passive Mode (%1,%2,%3,%4,%5,%6).")
                   .arg(ip >> 24)
                   .arg((ip >> 16) & 0xff)
                   .arg((ip >> 8) & 0xff)
                   .arg(ip & 0xff)
                   .arg(port >> 8)
                   .arg(port & 0xff));
}

bool OfflineFtpSession::setActive(const QHostAddress &address, quint16 port)
{
    // Connecting anywhere but back to the client would make this a relay for others.
    if (port == 0 || !sameHost(address, m_control->peerAddress()))
        return false;
    dropData();
    m_activeAddress = address;
    m_activePort = port;
    return true;
}

void OfflineFtpSession::startTransfer(Transfer kind)
{
    if (!m_passive && m_activePort == 0) {
        m_file.close();
        reply(425, QStringLiteral("Use PORT or PASV first."));
        return;
    }
    m_transfer = kind;
    m_transferred = 0;
    reply(150, kind == Receive ? QStringLiteral("Ok to send data.")
                               : QStringLiteral("Opening data connection."));
    m_dataTimer.start();
    if (m_data) {
        onDataConnected();
    } else if (m_activePort != 0) {
        m_data = new QTcpSocket(this);
        connect(m_data, &QTcpSocket::connected, this, &OfflineFtpSession::onDataConnected);
        m_data->connectToHost(m_activeAddress, m_activePort);
    }
}

void OfflineFtpSession::onDataConnected()
{
    if (!m_data)
        return;
    m_dataConnected = true;
    disconnect(m_data, nullptr, this, nullptr);
    connect(m_data, &QTcpSocket::readyRead, this, &OfflineFtpSession::onDataReadyRead);
    connect(m_data, &QTcpSocket::bytesWritten, this, &OfflineFtpSession::pump);
    connect(m_data, &QTcpSocket::disconnected, this, &OfflineFtpSession::onDataDisconnected);
    connect(m_data, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::RemoteHostClosedError && m_transfer != NoTransfer)
            endTransfer(426, QStringLiteral("Connection closed; transfer aborted."));
    });
    if (m_transfer == NoTransfer)
        return; // connected before the transfer command: wait for it
    m_dataTimer.start();
    if (m_transfer == Receive)
        onDataReadyRead();
    else
        pump();
}

void OfflineFtpSession::pump()
{
    if (!m_data || !m_dataConnected || m_transfer == NoTransfer || m_transfer == Receive)
        return;
    m_dataTimer.start();
    while (m_data->bytesToWrite() < HighWater) {
        QByteArray chunk;
        if (m_transfer == SendBytes) {
            chunk = m_outgoing.mid(int(m_outPos), int(Chunk));
            m_outPos += chunk.size();
        } else {
            chunk = m_file.read(Chunk);
        }
        if (chunk.isEmpty()) {
            if (m_data->bytesToWrite() == 0)
                m_data->disconnectFromHost();
            return;
        }
        m_data->write(chunk);
        if (cutByFault(chunk.size()))
            return;
    }
}

void OfflineFtpSession::onDataReadyRead()
{
    if (!m_data || m_transfer != Receive)
        return;
    m_dataTimer.start();
    const QByteArray chunk = m_data->readAll();
    if (!chunk.isEmpty() && m_file.write(chunk) != chunk.size())
        endTransfer(452, QStringLiteral("Error writing file."));
    else
        cutByFault(chunk.size());
}

void OfflineFtpSession::onDataDisconnected()
{
    if (m_transfer == Receive)
        onDataReadyRead();
    if (m_transfer != NoTransfer)
        endTransfer(226, QStringLiteral("Transfer complete."));
}

void OfflineFtpSession::endTransfer(int code, const QString &text)
{
    m_dataTimer.stop();
    const bool received = m_transfer == Receive;
    m_transfer = NoTransfer;
    m_file.close();
    m_outgoing.clear();
    dropData();
    QString why;
    if (received && m_server->m_hooks.afterWrite && !m_server->m_hooks.afterWrite(m_transferPath, code == 226, &why)
        && code == 226)
        reply(451, why);
    else
        reply(code, text);
    const QList<QByteArray> deferred = m_deferred;
    m_deferred.clear();
    for (const QByteArray &line : deferred) {
        if (m_transfer != NoTransfer) {
            m_deferred << line;
            continue;
        }
        handle(line);
    }
}

void OfflineFtpSession::dropData()
{
    if (m_data) {
        disconnect(m_data, nullptr, this, nullptr);
        m_data->abort();
        m_data->deleteLater();
    }
    m_data = nullptr;
    m_dataConnected = false;
    if (m_passive) {
        m_passive->close();
        m_passive->deleteLater();
    }
    m_passive = nullptr;
    m_activePort = 0;
}

OfflineFtpServer::OfflineFtpServer(const QString &rootPath, QObject *parent)
    : QObject(parent)
    , m_root(QDir::cleanPath(QDir(rootPath).absolutePath()))
{
    connect(&m_server, &QTcpServer::newConnection, this, &OfflineFtpServer::onNewConnection);
}

OfflineFtpServer::~OfflineFtpServer() = default;

bool OfflineFtpServer::listen(const QHostAddress &address, quint16 port)
{
    for (const char *folder : {"presets", "SpeakerTunings", "AmplifierData"}) {
        if (!QDir().mkpath(m_root + QLatin1Char('/') + QLatin1String(folder))) {
            m_errorString = QStringLiteral("Cannot create %1 in %2").arg(QLatin1String(folder), m_root);
            return false;
        }
    }
    if (!m_server.listen(address, port)) {
        m_errorString = m_server.errorString();
        return false;
    }
    return true;
}

void OfflineFtpServer::close()
{
    m_server.close();
}

void OfflineFtpServer::onNewConnection()
{
    while (m_server.hasPendingConnections()) {
        ++m_sessions;
        new OfflineFtpSession(this, m_server.nextPendingConnection());
    }
}
