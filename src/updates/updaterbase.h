#pragma once

#include "sha256.h"
#include "updatefeed.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class QFile;
class QNetworkAccessManager;

// The part the firmware and application updaters share: the update document is fetched and
// queried, the newest revision compared with what runs, and its file downloaded into a folder
// of its own (as name + ".tmp", renamed once whole and checked). The invokables only post
// work; the slots of the same names with "on" do it.
class UpdaterBase : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString latestVersion READ latestVersion NOTIFY latestVersionChanged)
    Q_PROPERTY(bool downloadInProgress READ downloadInProgress NOTIFY downloadInProgressChanged)
    Q_PROPERTY(float progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(bool validationMode READ validationMode WRITE setValidationMode NOTIFY validationModeChanged)
    Q_PROPERTY(bool isIdle READ isIdle WRITE setIsIdle NOTIFY isIdleChanged)
    // The complete file of the latest version in the folder (plain name), "" when none.
    Q_PROPERTY(QString downloadedFile READ downloadedFile NOTIFY downloadedFileChanged)
public:
    // A transfer that moves no byte for this long fails as timed out.
    static constexpr int kStallTimeoutMs = 30000;

    ~UpdaterBase() override;

    QString latestVersion() const { return m_latest.version; }
    bool downloadInProgress() const { return m_downloadInProgress; }
    float progress() const { return m_progress; }
    bool validationMode() const { return m_validationMode; }
    void setValidationMode(bool validationMode);
    bool isIdle() const { return m_isIdle; }
    void setIsIdle(bool idle);
    QString downloadedFile() const { return m_downloadedFile; }
    // Where downloads are kept.
    QString folder() const { return m_folder; }
    // The address of the update document now used.
    QUrl feedUrl() const;

    Q_INVOKABLE void checkForUpdate();
    Q_INVOKABLE void downLoadUpdate();
    Q_INVOKABLE void cancelDownload();
    Q_INVOKABLE void resetAll();
    Q_INVOKABLE void clearCache();
    Q_INVOKABLE bool isFirstGreaterThanSecond(QString newVersion, QString oldVersion);

signals:
    void requestCheckForUpdate();
    void requestDownloadUpdate();
    void requestCancelDownload();
    void latestVersionWithUrl(QString version, QString imageUrl);
    void latestVersionChanged(QString version);
    void downloadInProgressChanged(bool inProgress);
    void updateDownloaded();
    void progressChanged(float progress);
    void downloadCanceled();
    void error(QString errorString);
    void checkCachedVersion();
    void showCachedInfo();
    void validationModeChanged(bool validationMode);
    void isIdleChanged(bool isIdle);
    void downloadedFileChanged();

public slots:
    void onRequestCheckForUpdate();
    void onRequestDownloadUpdate();
    void onRequestCancelDownload();
    void onDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void onReadyRead();
    void onFinished();
    void onError(QNetworkReply::NetworkError errorCode);
    void onCheckForCachedVersion();

protected:
    enum State { CheckForUpdate = 0, CheckingForUpdate = 1, DownloadUpdate = 2, Ready = 3 };
    struct Setup {
        QString product;      // "Tarn Firmware"
        QString platform;     // "" when revisions carry none
        QString folder;       // where files are kept
        QString fileSuffix;   // a required ending of the file name, "" for any
        const char *latestLog; // log text before the newest version found
        qint64 maxBytes;      // largest file accepted
    };
    UpdaterBase(const Setup &setup, QObject *parent);

    int state() const { return m_state; }
    void setState(int state);
    // The version now running, compared with the newest offered.
    virtual QString currentVersion() const = 0;
    virtual void emitStateChanged(int state) = 0;

private:
    enum class Job { None, Feed, File };
    void startRequest(const QUrl &url, Job job);
    void finishFeed();
    void finishFile();
    void fail(const QString &text);
    void report(const QString &text, bool clearLatest);
    void dropReply();
    void setDownloadInProgress(bool inProgress);
    void setProgress(float progress);
    void setDownloadedFile(const QString &name);
    bool cachedFileIsWhole(const QString &path) const;
    void removeOtherFiles(const QString &keep);

    Setup m_setup;
    QString m_folder;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    Job m_job = Job::None;
    QByteArray m_feedBody;
    std::unique_ptr<QFile> m_file;
    tarn::updates::Sha256 m_sha;
    qint64 m_received = 0;
    qint64 m_total = -1; // announced length, -1 until known
    QString m_fileName;
    QString m_failure;  // a local reason that ends the transfer, reported instead of the network's
    bool m_reported = false;
    bool m_canceled = false;
    bool m_timedOut = false;
    QTimer m_stall;
    tarn::updates::Revision m_latest;
    QString m_downloadedFile;
    int m_state = CheckForUpdate;
    bool m_downloadInProgress = false;
    float m_progress = 0;
    bool m_validationMode = false;
    bool m_isIdle = true;
};
