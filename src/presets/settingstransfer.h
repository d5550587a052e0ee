#pragma once

#include <QBuffer>
#include <QObject>
#include <QString>

class QFtp;

namespace tarn::presets {
// One processor's FTP service.
struct FtpEndpoint {
    QString host;
    quint16 port = 21;
    QString user;
    QString password;
};

// Copies the whole settings of one processor (its presets, their names and its running values)
// to another: the source's "/presets/Settings.tarn" is read, then put into the target's
// "/presets", which takes it as a whole or refuses it as a whole. A transfer that fails at any
// point, the target's refusal included, leaves the target as it was and says why.
class SettingsTransfer : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kFolder = "/presets";
    static constexpr const char *kFileName = "Settings.tarn";
    static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

    explicit SettingsTransfer(QObject *parent = nullptr);
    ~SettingsTransfer() override;

    bool isRunning() const { return m_step != Step::Idle; }
    // Starts copying from `from` to `to`; refused while a transfer runs.
    bool start(const FtpEndpoint &from, const FtpEndpoint &to);
    // Abandons the running transfer (failed() follows).
    void cancel();
    // Server time-out for tests; the FTP client's own otherwise.
    void setTimeout(int msecs);

signals:
    // 0 … 100: reading takes the first half, writing the second.
    void progress(float percent);
    void finished();
    void failed(QString errorString);

private:
    enum class Step { Idle, Reading, Writing };
    void startStep(Step step, const FtpEndpoint &endpoint);
    void onCommandFinished(int id, bool error);
    void onProgress(qint64 done, qint64 total);
    void finish(const QString &failure);

    QFtp *m_ftp = nullptr;
    Step m_step = Step::Idle;
    FtpEndpoint m_from;
    FtpEndpoint m_to;
    QBuffer m_buffer;
    int m_transferId = 0;
    int m_timeout = 0;
    bool m_oversized = false;
};
} // namespace tarn::presets
