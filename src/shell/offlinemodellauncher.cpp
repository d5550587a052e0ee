#include "offlinemodellauncher.h"

#include "datapaths.h"
#include "lineformat.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace {
constexpr int kMaxLoggedLine = 500;
constexpr char kReadyLine[] = "tarn-offline-model ready ";

// The kernel ends the model together with the application, even when the application dies
// without running any destructor.
class ChildProcess : public QProcess {
public:
    using QProcess::QProcess;

protected:
    void setupChildProcess() override
    {
#ifdef Q_OS_LINUX
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    }
};
} // namespace

OfflineModelLauncher::OfflineModelLauncher(QObject *parent) : QObject(parent), m_startDeadline(new QTimer(this))
{
    m_startDeadline->setSingleShot(true);
    connect(m_startDeadline, &QTimer::timeout, this,
            [this]() { giveUp(tr("The offline model did not start listening in time.")); });
}

OfflineModelLauncher::~OfflineModelLauncher()
{
    stop();
}

QString OfflineModelLauncher::programPath()
{
    const QString fromEnvironment = qEnvironmentVariable("TARN_OFFLINE_MODEL");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tarn-offline-model");
}

bool OfflineModelLauncher::isAvailable()
{
    const QFileInfo info(programPath());
    return info.isFile() && info.isExecutable();
}

bool OfflineModelLauncher::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 OfflineModelLauncher::processId() const
{
    return m_process ? m_process->processId() : 0;
}

void OfflineModelLauncher::setHardwareVersion(const QString &hardwareVersion)
{
    m_hardwareVersion = hardwareVersion;
}

void OfflineModelLauncher::setModel(const QString &model)
{
    m_model = model.compare(QLatin1String("Quarra"), Qt::CaseInsensitive) == 0 ? QStringLiteral("quarra") : QString();
}

void OfflineModelLauncher::start()
{
    if (isRunning())
        return;
    if (!isAvailable()) {
        emit failed(tr("The offline model is not installed (%1).").arg(programPath()));
        return;
    }

    delete m_process;
    m_process = new ChildProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::readyRead, this, &OfflineModelLauncher::forwardOutput);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &OfflineModelLauncher::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            giveUp(tr("The offline model could not be started: %1").arg(m_process->errorString()));
    });

    m_listening = false;
    m_stopping = false;
    m_pendingOutput.clear();
    m_ftpPort = 0;
    QStringList arguments{QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                          m_private ? QStringLiteral("0") : QString::number(tarn::protocol::devicePort()),
                          QStringLiteral("--password"), QString::fromLatin1(kPassword), QStringLiteral("--state-dir"),
                          tarn::dataFolder() + QStringLiteral("/OfflineModel")};
    if (!m_hardwareVersion.isEmpty())
        arguments << QStringLiteral("--hardware-version") << m_hardwareVersion;
    if (!m_model.isEmpty())
        arguments << QStringLiteral("--model") << m_model;
    bool ok = false;
    const uint ftpPort = qEnvironmentVariable("TARN_FTP_PORT").toUInt(&ok);
    if (m_private)
        arguments << QStringLiteral("--ftp-port") << QStringLiteral("0") << QStringLiteral("--meter-interval") << QStringLiteral("0");
    else if (ok && ftpPort > 0 && ftpPort <= 65535)
        arguments << QStringLiteral("--ftp-port") << QString::number(ftpPort);
    qDebug() << "Starting the offline model:" << programPath() << arguments;
    m_process->start(programPath(), arguments, QIODevice::ReadOnly);
    m_startDeadline->start(kStartTimeoutMs);
}

void OfflineModelLauncher::stop()
{
    requestStop();
    if (isRunning() && !m_process->waitForFinished(kStopTimeoutMs)) {
        m_process->kill();
        m_process->waitForFinished(kStopTimeoutMs);
    }
}

void OfflineModelLauncher::requestStop()
{
    m_startDeadline->stop();
    if (!isRunning())
        return;
    m_stopping = true;
    m_process->terminate();
    // A model that does not end when asked is ended.
    QTimer::singleShot(kStopTimeoutMs, m_process, [process = m_process]() {
        if (process->state() != QProcess::NotRunning)
            process->kill();
    });
}

void OfflineModelLauncher::onReady()
{
    m_startDeadline->stop();
    m_listening = true;
    qDebug() << "Offline model listening, pid" << m_process->processId();
    emit started();
}

void OfflineModelLauncher::giveUp(const QString &reason)
{
    qWarning().noquote() << reason;
    const bool wasStopping = m_stopping;
    stop();
    if (!wasStopping)
        emit failed(reason);
}

void OfflineModelLauncher::onFinished(int exitCode, QProcess::ExitStatus status)
{
    forwardOutput();
    m_startDeadline->stop();
    const bool expected = m_stopping;
    const bool wasListening = m_listening;
    m_listening = false;
    m_stopping = false;
    if (!expected && !wasListening) {
        const QString reason = status == QProcess::CrashExit
            ? tr("The offline model crashed while starting.")
            : tr("The offline model ended while starting (exit code %1).").arg(exitCode);
        qWarning().noquote() << reason;
        emit failed(reason);
    } else if (!expected) {
        qWarning() << "The offline model ended unexpectedly, exit code" << exitCode;
    }
    emit stopped();
}

void OfflineModelLauncher::forwardOutput()
{
    if (!m_process)
        return;
    m_pendingOutput += m_process->readAll();
    int end;
    while ((end = m_pendingOutput.indexOf('\n')) >= 0) {
        const QByteArray line = m_pendingOutput.left(qMin(end, kMaxLoggedLine));
        m_pendingOutput.remove(0, end + 1);
        qDebug().noquote() << "Offline model:" << QString::fromUtf8(line);
        // The model announces on one line that both its ports are open.
        if (!m_listening && line.startsWith(kReadyLine)) {
            const int at = line.indexOf(" ftp=");
            if (at >= 0)
                m_ftpPort = quint16(line.mid(at + 5).split(' ').value(0).toUInt());
            onReady();
        }
    }
    if (m_pendingOutput.size() > kMaxLoggedLine) {
        qDebug().noquote() << "Offline model:" << QString::fromUtf8(m_pendingOutput.left(kMaxLoggedLine));
        m_pendingOutput.clear();
    }
}
