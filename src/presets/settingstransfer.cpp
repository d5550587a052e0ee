#include "settingstransfer.h"

#include "presetslog.h"
#include "qftp.h"

namespace tarn::presets {
SettingsTransfer::SettingsTransfer(QObject *parent) : QObject(parent) {}

SettingsTransfer::~SettingsTransfer()
{
    if (m_ftp) {
        disconnect(m_ftp, nullptr, this, nullptr);
        m_ftp->abort();
    }
}

void SettingsTransfer::setTimeout(int msecs)
{
    m_timeout = msecs;
}

bool SettingsTransfer::start(const FtpEndpoint &from, const FtpEndpoint &to)
{
    if (isRunning())
        return false;
    m_from = from;
    m_to = to;
    m_buffer.close();
    m_buffer.setData(QByteArray());
    m_buffer.open(QIODevice::ReadWrite);
    emit progress(0);
    startStep(Step::Reading, m_from);
    return true;
}

void SettingsTransfer::startStep(Step step, const FtpEndpoint &endpoint)
{
    // A client of its own per step: nothing of the first session can reach the second.
    if (m_ftp) {
        disconnect(m_ftp, nullptr, this, nullptr);
        m_ftp->deleteLater();
    }
    m_ftp = new QFtp(this);
    if (m_timeout > 0)
        m_ftp->setTimeout(m_timeout);
    connect(m_ftp, &QFtp::commandFinished, this, &SettingsTransfer::onCommandFinished);
    connect(m_ftp, &QFtp::dataTransferProgress, this, &SettingsTransfer::onProgress);
    m_step = step;
    m_oversized = false;
    m_ftp->connectToHost(endpoint.host, endpoint.port);
    m_ftp->login(endpoint.user, endpoint.password);
    m_ftp->cd(QString::fromLatin1(kFolder));
    if (step == Step::Reading) {
        m_transferId = m_ftp->get(QString::fromLatin1(kFileName), &m_buffer, QFtp::Binary);
    } else {
        m_transferId = m_ftp->put(m_buffer.data(), QString::fromLatin1(kFileName), QFtp::Binary);
    }
    m_ftp->close();
    qCInfo(lcPresets).noquote() << (step == Step::Reading ? "reading the settings of" : "writing the settings to")
                                << endpoint.host << endpoint.port;
}

void SettingsTransfer::onProgress(qint64 done, qint64 total)
{
    if (m_step == Step::Reading && done > kMaxBytes) {
        m_oversized = true;
        m_ftp->abort();
        return;
    }
    if (total <= 0)
        return;
    const double part = qBound(0.0, double(done) / double(total), 1.0);
    emit progress(float(m_step == Step::Reading ? 50.0 * part : 50.0 + 50.0 * part));
}

void SettingsTransfer::onCommandFinished(int id, bool error)
{
    if (m_step == Step::Idle)
        return;
    const bool reading = m_step == Step::Reading;
    const FtpEndpoint &endpoint = reading ? m_from : m_to;
    if (error) {
        QString why = m_ftp->errorString();
        if (m_oversized)
            why = QStringLiteral("the settings are larger than %1 MiB").arg(kMaxBytes >> 20);
        why.replace(QLatin1Char('\n'), QLatin1Char(' '));
        finish(reading ? QStringLiteral("Reading the settings from %1 failed: %2").arg(endpoint.host, why)
                       : QStringLiteral("Writing the settings to %1 failed: %2").arg(endpoint.host, why));
        return;
    }
    if (id != m_transferId)
        return;
    if (reading) {
        if (m_buffer.data().isEmpty()) {
            finish(QStringLiteral("Reading the settings from %1 failed: the processor sent none.").arg(endpoint.host));
            return;
        }
        emit progress(50);
        startStep(Step::Writing, m_to);
        return;
    }
    // The target has taken the file (a refusal fails the put): the close may go its own way.
    emit progress(100);
    finish(QString());
}

void SettingsTransfer::cancel()
{
    if (isRunning())
        finish(QStringLiteral("The settings transfer was cancelled."));
}

void SettingsTransfer::finish(const QString &failure)
{
    m_step = Step::Idle;
    if (m_ftp) {
        // Gone with its sockets; a session cut short is all the server sees.
        disconnect(m_ftp, nullptr, this, nullptr);
        m_ftp->deleteLater();
        m_ftp = nullptr;
    }
    m_buffer.close();
    m_buffer.setData(QByteArray());
    if (failure.isEmpty()) {
        qCInfo(lcPresets) << "settings transfer finished";
        emit finished();
    } else {
        qCWarning(lcPresets).noquote() << failure;
        emit failed(failure);
    }
}
} // namespace tarn::presets
