#include "qftp.h"

#include "ftpparse.h"
#include "qftpdtp.h"
#include "qftppi.h"

#include <QAtomicInt>
#include <QIODevice>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QVariant>

namespace {
// One counter for every client in the process, so ids never repeat across clients.
QBasicAtomicInt nextCommandId = Q_BASIC_ATOMIC_INITIALIZER(1);

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'))
        || s.contains(QChar(0));
}
} // namespace

struct QFtpCommand
{
    int id = nextCommandId.fetchAndAddRelaxed(1);
    QFtp::Command command = QFtp::None;
    QStringList rawLines;
    QByteArray data;
    QPointer<QIODevice> device;
    bool isByteArray = false;
    bool hasDevice = false;
    QString host;
    quint16 port = 0;
    int mode = QFtp::Passive;
    QString refusal; // set when an argument would break the line protocol
};

QFtp::QFtp(QObject *parent)
    : QObject(parent)
    , m_pi(new QFtpPI(this))
    , m_errorString(tr("Unknown error"))
{
    qRegisterMetaType<QUrlInfo>();
    connect(m_pi, &QFtpPI::connectState, this, &QFtp::piConnectState);
    connect(m_pi, &QFtpPI::finished, this, &QFtp::piFinished);
    connect(m_pi, &QFtpPI::error, this, &QFtp::piError);
    connect(m_pi, &QFtpPI::rawFtpReply, this, &QFtp::piFtpReply);
    QFtpDTP *dtp = m_pi->dtp();
    connect(dtp, &QFtpDTP::readyRead, this, &QFtp::readyRead);
    connect(dtp, &QFtpDTP::listInfo, this, &QFtp::listInfo);
    connect(dtp, &QFtpDTP::dataTransferProgress, this, &QFtp::dataTransferProgress);
}

QFtp::~QFtp() = default;

int QFtp::addCommand(std::unique_ptr<QFtpCommand> command)
{
    for (const QString &line : qAsConst(command->rawLines)) {
        // Each raw line ends in CR LF; nothing else may break it.
        if (hasLineBreak(line.left(line.size() - 2)))
            command->refusal = tr("Refusing to send a line break inside a command");
    }
    const int id = command->id;
    m_pending.push_back(std::move(command));
    if (m_pending.size() == 1)
        postStart();
    return id;
}

void QFtp::postStart()
{
    QTimer::singleShot(0, this, &QFtp::_q_startNextCommand);
}

namespace {
std::unique_ptr<QFtpCommand> makeCommand(QFtp::Command type, const QStringList &lines = {})
{
    auto c = std::make_unique<QFtpCommand>();
    c->command = type;
    for (const QString &l : lines)
        c->rawLines << l + QLatin1String("\r\n");
    return c;
}

QString dataLine(const QFtpPI *pi)
{
    return pi->transferMode() == QFtp::Passive ? QStringLiteral("PASV") : QStringLiteral("PORT");
}

QString transferTypeLine(QFtp::TransferType type)
{
    return type == QFtp::Binary ? QStringLiteral("TYPE I") : QStringLiteral("TYPE A");
}
} // namespace

int QFtp::setProxy(const QString &host, quint16 port)
{
    auto c = makeCommand(SetProxy);
    c->host = host;
    c->port = port;
    return addCommand(std::move(c));
}

int QFtp::connectToHost(const QString &host, quint16 port)
{
    auto c = makeCommand(ConnectToHost);
    c->host = host;
    c->port = port;
    return addCommand(std::move(c));
}

int QFtp::login(const QString &user, const QString &password)
{
    return addCommand(makeCommand(
        Login,
        {QLatin1String("USER ") + (user.isEmpty() ? QStringLiteral("anonymous") : user),
         QLatin1String("PASS ") + (password.isEmpty() ? QStringLiteral("anonymous@") : password)}));
}

int QFtp::close()
{
    return addCommand(makeCommand(Close, {QStringLiteral("QUIT")}));
}

int QFtp::setTransferMode(TransferMode mode)
{
    auto c = makeCommand(SetTransferMode);
    c->mode = mode;
    return addCommand(std::move(c));
}

int QFtp::list(const QString &dir)
{
    return addCommand(makeCommand(
        List, {QStringLiteral("TYPE A"), dataLine(m_pi),
               dir.isEmpty() ? QStringLiteral("LIST") : QLatin1String("LIST ") + dir}));
}

int QFtp::nameList(QIODevice *device)
{
    auto c = makeCommand(NameList,
                         {QStringLiteral("TYPE A"), dataLine(m_pi), QStringLiteral("NLST")});
    c->device = device;
    c->hasDevice = device != nullptr;
    return addCommand(std::move(c));
}

int QFtp::cd(const QString &dir)
{
    return addCommand(makeCommand(Cd, {QLatin1String("CWD ") + dir}));
}

int QFtp::get(const QString &file, QIODevice *device, TransferType type)
{
    auto c = makeCommand(Get, {QLatin1String("SIZE ") + file, transferTypeLine(type),
                               dataLine(m_pi), QLatin1String("RETR ") + file});
    c->device = device;
    c->hasDevice = device != nullptr;
    return addCommand(std::move(c));
}

int QFtp::put(const QByteArray &data, const QString &file, TransferType type)
{
    auto c = makeCommand(Put, {transferTypeLine(type), dataLine(m_pi),
                               QLatin1String("ALLO ") + QString::number(data.size()),
                               QLatin1String("STOR ") + file});
    c->data = data;
    c->isByteArray = true;
    return addCommand(std::move(c));
}

int QFtp::put(QIODevice *device, const QString &file, TransferType type)
{
    QStringList lines{transferTypeLine(type), dataLine(m_pi)};
    if (device && !device->isSequential())
        lines << QLatin1String("ALLO ") + QString::number(device->size());
    lines << QLatin1String("STOR ") + file;
    auto c = makeCommand(Put, lines);
    c->device = device;
    c->hasDevice = device != nullptr;
    return addCommand(std::move(c));
}

int QFtp::remove(const QString &file)
{
    return addCommand(makeCommand(Remove, {QLatin1String("DELE ") + file}));
}

int QFtp::mkdir(const QString &dir)
{
    return addCommand(makeCommand(Mkdir, {QLatin1String("MKD ") + dir}));
}

int QFtp::rmdir(const QString &dir)
{
    return addCommand(makeCommand(Rmdir, {QLatin1String("RMD ") + dir}));
}

int QFtp::rename(const QString &oldName, const QString &newName)
{
    return addCommand(makeCommand(
        Rename, {QLatin1String("RNFR ") + oldName, QLatin1String("RNTO ") + newName}));
}

int QFtp::rawCommand(const QString &command)
{
    return addCommand(makeCommand(RawCommand, {command.trimmed()}));
}

qint64 QFtp::bytesAvailable() const
{
    return m_pi->dtp()->bytesAvailable();
}

qint64 QFtp::read(char *data, qint64 maxlen)
{
    return m_pi->dtp()->read(data, maxlen);
}

QByteArray QFtp::readAll()
{
    return m_pi->dtp()->readAll();
}

int QFtp::currentId() const
{
    return m_pending.empty() ? 0 : m_pending.front()->id;
}

QIODevice *QFtp::currentDevice() const
{
    if (m_pending.empty() || m_pending.front()->isByteArray)
        return nullptr;
    return m_pending.front()->device;
}

QFtp::Command QFtp::currentCommand() const
{
    return m_pending.empty() ? None : m_pending.front()->command;
}

bool QFtp::hasPendingCommands() const
{
    return m_pending.size() > 1;
}

void QFtp::clearPendingCommands()
{
    while (m_pending.size() > 1)
        m_pending.pop_back();
}

void QFtp::setTimeout(int msecs)
{
    m_pi->setTimeout(msecs);
}

int QFtp::timeout() const
{
    return m_pi->timeout();
}

void QFtp::abort()
{
    if (m_pending.empty())
        return;
    clearPendingCommands();
    m_pi->abort();
}

void QFtp::_q_startNextCommand()
{
    if (m_pending.empty() || m_headStarted)
        return;
    QFtpCommand &c = *m_pending.front();
    m_headStarted = true;
    m_error = NoError;
    m_errorString = tr("Unknown error");
    QFtpDTP *dtp = m_pi->dtp();
    dtp->clearData();
    const int id = c.id;
    emit commandStarted(id);
    if (m_pending.empty() || m_pending.front()->id != id)
        return; // a listener aborted or destroyed the queue

    if (!c.refusal.isEmpty()) {
        piError(UnknownError, c.refusal);
        return;
    }

    switch (c.command) {
    case SetTransferMode:
        m_pi->setTransferMode(c.mode);
        piFinished(tr("Transfer mode set"));
        return;
    case SetProxy:
        m_proxyHost = c.host;
        m_proxyPort = c.port;
        piFinished(tr("Proxy set to %1:%2").arg(c.host).arg(c.port));
        return;
    case ConnectToHost:
        m_pi->controlSocket()->setProperty("_q_networksession", property("_q_networksession"));
        if (m_proxyHost.isEmpty())
            m_pi->connectToHost(c.host, c.port);
        else
            m_pi->connectToHost(m_proxyHost, m_proxyPort);
        return;
    case Put:
        dtp->reset();
        if (c.isByteArray) {
            dtp->setData(c.data);
            dtp->setBytesTotal(c.data.size());
        } else if (c.device) {
            if (!c.device->isOpen() && !c.device->open(QIODevice::ReadOnly)) {
                piError(UnknownError, c.device->errorString());
                return;
            }
            dtp->setDevice(c.device);
            dtp->setBytesTotal(c.device->isSequential() ? 0 : c.device->size());
        } else {
            piError(UnknownError, tr("No data to upload"));
            return;
        }
        break;
    case Get:
    case NameList:
        dtp->reset();
        if (c.hasDevice) {
            if (!c.device) {
                piError(UnknownError, tr("The target device is gone"));
                return;
            }
            if (!c.device->isOpen() && !c.device->open(QIODevice::WriteOnly)) {
                piError(UnknownError, c.device->errorString());
                return;
            }
            dtp->setDevice(c.device);
        }
        break;
    case List:
        dtp->reset();
        break;
    case Close:
        m_state = Closing;
        emit stateChanged(m_state);
        break;
    default:
        break;
    }

    if (c.rawLines.isEmpty())
        return;
    if (!m_pi->sendCommands(c.rawLines))
        piError(NotConnected, tr("Not connected"));
}

void QFtp::piFinished(const QString &text)
{
    if (m_pending.empty())
        return;
    qCDebug(lcFtp).noquote() << "Command finished:" << text;
    finishCurrent(false);
}

void QFtp::piError(int code, const QString &text)
{
    if (m_pending.empty()) {
        qCWarning(lcFtp) << "QFtpPrivate::_q_piError was called without pending command!";
        return;
    }
    QFtpCommand &c = *m_pending.front();
    const QString line = m_pi->currentCommand();
    if (c.command == Get && line.startsWith(QLatin1String("SIZE "))) {
        m_pi->dtp()->setBytesTotal(0); // size unknown; the get goes on
        return;
    }
    if (c.command == Put && line.startsWith(QLatin1String("ALLO ")))
        return;

    m_error = Error(code);
    switch (c.command) {
    case ConnectToHost: m_errorString = tr("Connecting to host failed:\n%1").arg(text); break;
    case Login: m_errorString = tr("Login failed:\n%1").arg(text); break;
    case List: m_errorString = tr("Listing directory failed:\n%1").arg(text); break;
    case Cd: m_errorString = tr("Changing directory failed:\n%1").arg(text); break;
    case Get: m_errorString = tr("Downloading file failed:\n%1").arg(text); break;
    case Put: m_errorString = tr("Uploading file failed:\n%1").arg(text); break;
    case Remove: m_errorString = tr("Removing file failed:\n%1").arg(text); break;
    case Mkdir: m_errorString = tr("Creating directory failed:\n%1").arg(text); break;
    case Rmdir: m_errorString = tr("Removing directory failed:\n%1").arg(text); break;
    default: m_errorString = text; break;
    }
    m_pi->clearPendingCommands();
    clearPendingCommands();
    finishCurrent(true);
}

void QFtp::finishCurrent(bool failed)
{
    // Listeners read currentCommand(), error() and errorString() while the command is still
    // at the head.
    const int id = m_pending.front()->id;
    emit commandFinished(id, failed);
    if (!m_pending.empty() && m_pending.front()->id == id)
        m_pending.pop_front();
    m_headStarted = false;
    if (m_pending.empty()) {
        emit done(failed);
    } else {
        postStart();
    }
}

void QFtp::piConnectState(int state)
{
    if (m_state == State(state))
        return;
    m_state = State(state);
    emit stateChanged(state);
}

void QFtp::piFtpReply(int code, const QString &text)
{
    if (currentCommand() == RawCommand && m_headStarted)
        emit rawCommandReply(code, text);
}
