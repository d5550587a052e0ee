#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <deque>
#include <memory>

#include <QAuthenticator>
class QNetworkAccessManager;
#include <QNetworkProxy>
class QNetworkReply;
class QFile;

// Fetches files over HTTP(S) into local folders, one after another, on a thread of its own.
// A file is written beside its final name and moved into place only when the whole body of a
// 200 answer has arrived, so a failed or cut-off download never replaces what was there.
// Callers on other threads post work through the download signals.
class DownloadManager : public QObject
{
    Q_OBJECT
public:
    // A transfer that moves no byte for this long fails.
    static constexpr int TransferTimeoutMs = 30 * 1000;
    static constexpr int MaxRedirects = 5;
    static constexpr qint64 DefaultMaxFileBytes = 64 * 1024 * 1024;
    // A file on its way is written under its name with this suffix.
    static constexpr char PartSuffix[] = ".part";

    explicit DownloadManager(QObject *parent = nullptr);
    ~DownloadManager() override;

    // The largest body accepted for one file; set before the thread starts.
    void setMaxFileBytes(qint64 bytes) { m_maxFileBytes = bytes; }

signals:
    void download(QUrl url, QString dir, bool deleteExisitingDirectory);
    void downloadMultiple(QList<QUrl> urls, QString dir, bool deleteExisitingDirectory);
    void currentDownloadFinished(QUrl url, bool success, QString errorString);
    void currentDownloadProgress(QUrl url, qlonglong bytesReceived, qlonglong bytesTotal);
    void allDonwloadsFinished(int downloadCount, int totalCount);
    // Relayed from the network access object, on this object's thread.
    void proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *authenticator);
    void authenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);

public slots:
    void onThreadStarted();
    void onThreadFinished();
    void onDownload(QUrl url, QString dir, bool deleteExisitingDirectory);
    void onDownloadMultiple(QList<QUrl> urls, QString dir, bool deleteExisitingDirectory);
    void startNextDownload();
    void onDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void onDownloadFinished();
    void onDownloadReadyRead();

private:
    struct Job
    {
        QUrl url;
        QString dir;
    };
    void prepareFolder(const QString &dir, bool deleteExisting);
    void finishCurrent(bool success, const QString &errorString);
    bool commitOutput();
    void discardOutput();

    std::unique_ptr<QNetworkAccessManager> m_network;
    std::deque<Job> m_queue;
    Job m_current;
    QNetworkReply *m_reply = nullptr;
    std::unique_ptr<QFile> m_output;
    QString m_target;
    QString m_failure; // set when this side stopped the transfer
    qint64 m_received = 0;
    qint64 m_maxFileBytes = DefaultMaxFileBytes;
    int m_downloaded = 0;
    int m_total = 0;
    bool m_startPosted = false;
};
