#pragma once

#include "sha256.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class QFile;
class QTcpSocket;

// Sends a downloaded firmware image to the processor over a TCP connection of its own: a
// "write" line names the target and the size, the processor answers "writer OK", the image
// follows in chunks, and the processor confirms what it received ("writer done <n> <sha256>").
class FwUpdateUploader : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool uploadInProgress READ uploadInProgress NOTIFY uploadInProgressChanged)
    Q_PROPERTY(float progress READ progress NOTIFY progressChanged)
public:
    static constexpr int kChunkBytes = 8192;
    // Chunks handed to the socket ahead of its confirmations, so that the wire never waits on
    // a round through the event loop.
    static constexpr qint64 kWindowBytes = 64 * kChunkBytes;
    static constexpr int kConnectTimeoutMs = 5000;
    // How long the processor may take to accept the upload and to confirm the whole image.
    static constexpr int kAnswerTimeoutMs = 60000;
    static constexpr int kMaxAnswerLineBytes = 4096;

    explicit FwUpdateUploader(QObject *parent = nullptr);
    ~FwUpdateUploader() override;

    bool uploadInProgress() const { return m_uploadInProgress; }
    float progress() const { return m_progress; }

    // Sends the image folder's file `fileName` to the processor at "Data/CurrentDeviceAddress".
    Q_INVOKABLE void upload(QString fileName);

signals:
    void uploadDone();
    void error(QString errorString);
    void write(QByteArray data);
    void uploadInProgressChanged(bool inProgress);
    void progressChanged(float progress);
    void showProgress(qlonglong bytesReceived, qlonglong bytesTotal);

public slots:
    void onWrite(QByteArray data);
    void onError(QAbstractSocket::SocketError socketError);
    void onUploadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void onUploadDone();
    void onBytesWritten(qlonglong bytes);
    void onReadyRead();

private:
    enum class Phase { Idle, Connecting, AwaitingWriter, Sending, AwaitingConfirmation };
    void onConnected();
    void handleLine(const QByteArray &line);
    void sendChunks();
    void fail(const QString &text);
    void finish();
    void setUploadInProgress(bool inProgress);

    Phase m_phase = Phase::Idle;
    QPointer<QTcpSocket> m_socket;
    std::unique_ptr<QFile> m_file;
    tarn::updates::Sha256 m_sha;
    QByteArray m_lineBuffer;
    QTimer m_timer;
    qint64 m_fileSize = 0;
    qint64 m_sent = 0;
    qint64 m_queued = 0;   // bytes read from the file and handed on
    qint64 m_reported = 0; // bytes last shown as progress
    bool m_uploadInProgress = false;
    float m_progress = 0;
};
