#include "ftpclientthread.h"

#include "ftpport.h"
#include "qftp.h"
#include "tuningfile.h"
#include "tuninglog.h"

#include <QBuffer>

namespace {
const char *commandName(int command)
{
    static const char *const names[] = {"QFtp::None",    "QFtp::SetTransferMode", "QFtp::SetProxy", "QFtp::ConnectToHost",
                                        "QFtp::Login",   "QFtp::Close",           "QFtp::List",     "QFtp::NameList",
                                        "QFtp::Cd",      "QFtp::Get",             "QFtp::Put",      "QFtp::Remove",
                                        "QFtp::Mkdir",   "QFtp::Rmdir",           "QFtp::Rename",   "QFtp::RawCommand"};
    return command >= 0 && command < int(sizeof(names) / sizeof(names[0])) ? names[command] : "QFtp::None";
}
} // namespace

FtpClientThread::FtpClientThread(QObject *parent)
    : QObject(parent)
    , m_pause(this) // a child, so that it moves to the worker's thread with this object
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(PutPauseMs);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        auto next = std::move(m_afterPause);
        m_afterPause = nullptr;
        if (next)
            next();
        // Requests that came during the pause run now, in their order, unless one of them
        // pauses again.
        while (!m_held.empty() && !m_pause.isActive()) {
            auto request = std::move(m_held.front());
            m_held.erase(m_held.begin());
            request();
        }
    });
}

FtpClientThread::~FtpClientThread() = default;

void FtpClientThread::onStarted()
{
    m_ftp = std::make_unique<QFtp>();
    connect(m_ftp.get(), &QFtp::commandStarted, this, &FtpClientThread::onCommandStarted);
    connect(m_ftp.get(), &QFtp::commandFinished, this, &FtpClientThread::onCommandFinished);
    connect(m_ftp.get(), &QFtp::stateChanged, this, &FtpClientThread::onStateChanged);
    connect(m_ftp.get(), &QFtp::dataTransferProgress, this, [this](qint64 done, qint64) { onProgress(done); });
}

void FtpClientThread::onFinished()
{
    // Runs on this object's thread as it ends: the client's sockets go with it.
    m_pause.stop();
    m_held.clear();
    m_afterPause = nullptr;
    m_commands.clear();
    if (m_ftp) {
        m_ftp->disconnect(this);
        m_ftp.reset();
    }
}

bool FtpClientThread::ready()
{
    if (m_ftp)
        return true;
    emit error(QStringLiteral("Network thread is not initialized"));
    return false;
}

bool FtpClientThread::hold(std::function<void()> request)
{
    if (!m_pause.isActive())
        return false;
    m_held.push_back(std::move(request));
    return true;
}

int FtpClientThread::track(int id, Command command)
{
    m_commands[id] = std::move(command);
    return id;
}

void FtpClientThread::onConnectToHost(QString hostAddress, QString user, QString password)
{
    if (!ready() || hold([=] { onConnectToHost(hostAddress, user, password); }))
        return;
    closeOnce();
    const quint16 port = tarn::ftp::ftpPortForHost(hostAddress);
    track(m_ftp->connectToHost(hostAddress, port), {QFtp::ConnectToHost});
    track(m_ftp->login(user, password), {QFtp::Login});
}

void FtpClientThread::onDisconnectFromHost()
{
    if (!m_ftp)
        return;
    m_pause.stop();
    m_held.clear();
    m_afterPause = nullptr;
    closeOnce();
}

void FtpClientThread::closeOnce()
{
    // A second close would find the client unconnected, fail, and take the queue with it.
    if (m_ftp->state() == QFtp::Unconnected || m_closeQueued)
        return;
    m_closeQueued = true;
    track(m_ftp->close(), {QFtp::Close});
}

void FtpClientThread::onRequestFileList(QString dir)
{
    if (!ready() || hold([=] { onRequestFileList(dir); }))
        return;
    track(m_ftp->cd(dir), {QFtp::Cd, dir});
    auto buffer = std::make_shared<QBuffer>();
    buffer->open(QIODevice::ReadWrite | QIODevice::Truncate);
    const int id = m_ftp->nameList(buffer.get());
    track(id, {QFtp::NameList, dir, QString(), buffer, false, MaxListingBytes});
}

void FtpClientThread::onGetFile(QString dir, QString fileFullName)
{
    if (!ready() || hold([=] { onGetFile(dir, fileFullName); }))
        return;
    track(m_ftp->cd(dir), {QFtp::Cd, dir, fileFullName});
    auto buffer = std::make_shared<QBuffer>();
    buffer->open(QIODevice::ReadWrite | QIODevice::Truncate);
    const int id = m_ftp->get(fileFullName, buffer.get());
    track(id, {QFtp::Get, dir, fileFullName, buffer, false, tarn::tuning::MaxTuningFileBytes});
}

void FtpClientThread::putAfterPause(const QByteArray &data, const QString &dir, const QString &file)
{
    m_afterPause = [=] {
        if (m_ftp)
            track(m_ftp->put(data, file), {QFtp::Put, dir, file});
    };
    m_pause.start();
}

void FtpClientThread::onPutFile(QByteArray fileData, QString dir, QString fileFullName)
{
    if (!ready() || hold([=] { onPutFile(fileData, dir, fileFullName); }))
        return;
    track(m_ftp->cd(dir), {QFtp::Cd, dir, fileFullName});
    putAfterPause(fileData, dir, fileFullName);
}

void FtpClientThread::onRemoveFile(QString dir, QString fileFullName)
{
    if (!ready() || hold([=] { onRemoveFile(dir, fileFullName); }))
        return;
    track(m_ftp->cd(dir), {QFtp::Cd, dir, fileFullName});
    track(m_ftp->remove(fileFullName), {QFtp::Remove, dir, fileFullName});
}

void FtpClientThread::onUpdateFile(QByteArray newFileData, QString dir, QString oldFileFullName, QString newFileFullName)
{
    if (!ready() || hold([=] { onUpdateFile(newFileData, dir, oldFileFullName, newFileFullName); }))
        return;
    track(m_ftp->cd(dir), {QFtp::Cd, dir, oldFileFullName});
    track(m_ftp->remove(oldFileFullName), {QFtp::Remove, dir, oldFileFullName, nullptr, true});
    putAfterPause(newFileData, dir, newFileFullName);
}

void FtpClientThread::onCommandStarted(int id)
{
    m_runningId = id;
    m_oversize.clear();
    const auto it = m_commands.find(id);
    qCDebug(lcTuning) << "Command started:" << commandName(it != m_commands.end() ? it->second.type : 0);
}

void FtpClientThread::onProgress(qint64 done)
{
    const auto it = m_commands.find(m_runningId);
    if (it == m_commands.end() || it->second.limit <= 0 || done <= it->second.limit || !m_oversize.isEmpty())
        return;
    m_oversize = QStringLiteral("%1 is larger than %2 bytes").arg(it->second.file.isEmpty() ? it->second.dir : it->second.file)
                     .arg(it->second.limit);
    // Not from inside the client's own signal.
    QMetaObject::invokeMethod(this, [this] {
        if (m_ftp)
            m_ftp->abort();
    }, Qt::QueuedConnection);
}

void FtpClientThread::fail(const QString &text)
{
    qCWarning(lcTuning).noquote() << text;
    // The client has dropped its queue; so does this worker.
    m_commands.clear();
    m_closeQueued = false;
    m_pause.stop();
    m_afterPause = nullptr;
    m_held.clear();
    emit error(text);
}

void FtpClientThread::onCommandFinished(int id, bool hasError)
{
    const auto it = m_commands.find(id);
    if (it == m_commands.end())
        return;
    const Command command = std::move(it->second);
    m_commands.erase(it);
    qCDebug(lcTuning) << "Command finished:" << commandName(command.type);
    const QString reason = !m_oversize.isEmpty() ? m_oversize : m_ftp ? m_ftp->errorString() : QString();

    switch (command.type) {
    case QFtp::ConnectToHost:
        if (hasError)
            fail(QStringLiteral("Connection failed: ") + reason);
        break;
    case QFtp::Login:
        if (hasError)
            fail(QStringLiteral("Login failed: ") + reason);
        break;
    case QFtp::Cd:
        if (hasError)
            fail(QStringLiteral("Change directory failed: ") + reason);
        break;
    case QFtp::NameList:
        if (!hasError) {
            QString text = QString::fromUtf8(command.buffer->data());
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            emit fileList(command.dir, text.split(QLatin1Char('\n')));
        } else if (m_oversize.isEmpty()
                   && (m_ftp->error() == QFtp::NoFiles || reason.contains(QLatin1String("No files found")))) {
            // Some servers answer a listing of an empty folder with an error.
            emit fileList(command.dir, QStringList());
        } else {
            fail(QStringLiteral("File listing failed: ") + reason);
        }
        break;
    case QFtp::Get:
        if (hasError) {
            fail(QStringLiteral("File download failed: ") + reason);
        } else {
            qCDebug(lcTuning) << "initial size....... " << command.buffer->size();
            emit fileData(command.buffer->data(), command.dir, command.file);
        }
        break;
    case QFtp::Put:
        if (hasError) {
            fail(QStringLiteral("File upload failed: ") + reason);
        } else {
            qCDebug(lcTuning) << "File uploaded........." << command.file;
            emit actionFinished();
        }
        break;
    case QFtp::Remove:
        if (hasError)
            fail(QStringLiteral("File remove failed: ") + reason);
        else if (!command.partOfUpdate)
            emit actionFinished();
        break;
    case QFtp::Close:
        m_closeQueued = false;
        if (hasError && !m_commands.empty())
            fail(QStringLiteral("Connection failed: ") + reason);
        break;
    default:
        // A failure the client reports elsewhere must still not lose the requests it dropped.
        if (hasError && !m_commands.empty())
            fail(reason);
        break;
    }
}

void FtpClientThread::onStateChanged(int state)
{
    switch (state) {
    case QFtp::Unconnected:
        emit disconnected();
        break;
    case QFtp::HostLookup:
        qCDebug(lcTuning) << "HostLookup";
        break;
    case QFtp::Connecting:
        qCDebug(lcTuning) << "Connecting";
        break;
    case QFtp::Connected:
        qCDebug(lcTuning) << "Connected";
        break;
    case QFtp::LoggedIn:
        qCDebug(lcTuning) << "Logged in";
        emit connected();
        break;
    case QFtp::Closing:
        qCDebug(lcTuning) << "Closing";
        break;
    default:
        break;
    }
}
