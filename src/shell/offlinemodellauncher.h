#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

class QTimer;

// Runs the offline model (tarn-offline-model) as a child process listening on 127.0.0.1 at the
// device port, and says when it accepts connections (its "ready" line). The child never outlives this object,
// nor, on Linux, the application.
class OfflineModelLauncher : public QObject {
    Q_OBJECT
public:
    static constexpr int kStartTimeoutMs = 15000;
    static constexpr int kStopTimeoutMs = 3000;
    static constexpr const char *kPassword = "stagemanagers";

    explicit OfflineModelLauncher(QObject *parent = nullptr);
    ~OfflineModelLauncher() override;

    // TARN_OFFLINE_MODEL when set, else tarn-offline-model beside the executable.
    static QString programPath();
    static bool isAvailable();

    bool isRunning() const;
    // The model's FTP port as its ready line gave it (0 before).
    quint16 ftpPort() const { return m_ftpPort; }
    // A private instance: ports of the kernel's choice and still meters, for work beside a
    // connection to a processor (the settings transfer). Set before start().
    void setPrivateInstance(bool privateInstance) { m_private = privateInstance; }
    bool isListening() const { return m_listening; }
    qint64 processId() const;

public slots:
    void start();
    void stop();
    // The hardware variant the model should present ("Standard", "Parvane", "Dante").
    void setHardwareVersion(const QString &hardwareVersion);
    // Asks the model to end and returns at once; stopped() follows.
    void requestStop();
    // The processor model to start with: "Tarn" (fixed chain, the default) or "Quarra"
    // (configurable chain); anything else means "Tarn". Applies from the next start().
    void setModel(const QString &model);

signals:
    void started();
    void stopped();
    void failed(QString reason);

private:
    void onReady();
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void forwardOutput();
    void giveUp(const QString &reason);

    QProcess *m_process = nullptr;
    QTimer *m_startDeadline = nullptr;
    QString m_hardwareVersion;
    QString m_model;
    QByteArray m_pendingOutput;
    bool m_listening = false;
    bool m_private = false;
    quint16 m_ftpPort = 0;
    bool m_stopping = false;
};
