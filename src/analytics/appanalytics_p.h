#pragma once

// The queue and network work behind AppAnalytics. Not part of the public interface; tests and
// measurements include it to reach the queue and shorten time limits.

#include "analyticsqueue.h"
#include "appanalytics.h"

#include <QObject>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

class AppAnalytics::Private : public QObject {
    Q_OBJECT
public:
    // Used when TARN_ANALYTICS_URL is not set.
    static constexpr const char *kDefaultEndpoint = "https://collect.tessil.example/collect";
    // A POST that takes longer is given up; its hit stays queued for the next round.
    static constexpr int kPostTimeoutMs = 30000;
    // Saves start at least this far apart, so a draining queue is not rewritten for every hit.
    static constexpr int kMinSaveSpacingMs = 250;
    // A reply body is not needed; one longer than this is cut off.
    static constexpr qint64 kMaxReplyBodyBytes = 64 * 1024;

    explicit Private(AppAnalytics *owner);
    ~Private() override;

    // Queues one hit. Refused while analytics is not allowed, or when the query is malformed
    // or too long; the oldest hit makes room when the queue is full.
    void enqueue(const QByteArray &query);
    // The start of every hit's query: version, tracking, client and user ids, type, language,
    // viewport and screen.
    QByteArray commonQuery(const char *hitType) const;

    bool isAllowed();
    void setAllowed(bool allowed);
    bool isSending() const { return m_reply != nullptr; }
    int sendInterval() const { return m_sendTimer.interval(); }
    void setSendInterval(int ms);

    const tarn::analytics::HitQueue &queue() const { return m_queue; }
    QString queueFilePath() const { return m_path; }
    int maxQueuedHits() const { return m_cap; }
    void setMaxQueuedHits(int cap);
    void setPostTimeout(int ms) { m_postTimeoutMs = ms; }
    // Replaces the queue with the stored one (done at construction, with the cap then in force).
    void loadQueue();
    // Whether the file may still lag behind the queue.
    bool isSaving() const { return m_saveRunning || m_saveWanted; }

signals:
    void postNextMessage();
    void isSendingChanged(bool isSending);
    void allowedChanged(bool allowed);
    // The file now holds the queue as it was when this save began.
    void saved();

public slots:
    void postMessage();
    void postMessageFinished();
    void onApplicationStateChanged(Qt::ApplicationState appState);

private:
    void requestSave();
    void startSave();
    void onSaveDone();
    void dropReply();
    QString userAgent() const;

    AppAnalytics *m_owner;
    QString m_path;
    QByteArray m_clientId;
    QByteArray m_userId;
    QByteArray m_screenResolution;
    QUrl m_endpoint;
    QNetworkAccessManager *m_network;
    QNetworkReply *m_reply = nullptr;
    quint64 m_inFlightId = 0;
    qint64 m_replyBytes = 0;
    QTimer m_sendTimer;
    QTimer m_keepAliveTimer;
    tarn::analytics::HitQueue m_queue;
    quint64 m_nextId = 1;
    int m_cap = tarn::analytics::kMaxQueuedHits;
    int m_postTimeoutMs = kPostTimeoutMs;
    bool m_allowed = false;
    bool m_suspended = false;
    bool m_failing = false; // the last POST failed

    // The file is written on a thread of its own, so a long queue never stalls the GUI. At most
    // one write runs; changes meanwhile are gathered into the next one.
    QThread m_writerThread;
    QTimer m_saveSpacing;
    std::unique_ptr<QObject> m_writer;
    std::shared_ptr<std::atomic<bool>> m_storeAllowed;
    bool m_saveRunning = false;
    bool m_saveWanted = false;
};
