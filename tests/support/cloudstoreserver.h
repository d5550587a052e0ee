#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace tarn::test {
// A local cloud store for one test: nginx serving `root` on a free 127.0.0.1 port through
// tools/cloudstore/serve.py. Stopped (with nginx) when the object goes.
class CloudStore
{
public:
    explicit CloudStore(const QString &root)
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments({QStringLiteral(TARN_SOURCE_DIR "/tools/cloudstore/serve.py"),
                                QStringLiteral("--root"), root});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        QElapsedTimer clock;
        clock.start();
        const QByteArray prefix("cloudstore ready ");
        while (clock.elapsed() < kStartTimeoutMs && m_process.state() != QProcess::NotRunning) {
            if (!m_process.canReadLine() && !m_process.waitForReadyRead(200))
                continue;
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith(prefix)) {
                m_url = QUrl(QString::fromUtf8(line.mid(prefix.size())));
                return;
            }
        }
    }
    ~CloudStore()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    CloudStore(const CloudStore &) = delete;
    CloudStore &operator=(const CloudStore &) = delete;

    bool isRunning() const { return m_url.isValid() && m_process.state() == QProcess::Running; }
    // Base URL, e.g. http://127.0.0.1:41234 (no trailing slash): what TARN_CLOUD_URL takes.
    QUrl url() const { return m_url; }

private:
    static constexpr int kStartTimeoutMs = 15000;
    QProcess m_process;
    QUrl m_url;
};
} // namespace tarn::test
