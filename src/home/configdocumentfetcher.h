#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

namespace tarn::home {
class NodeCommandChannel;

// Fetches the processor's running configuration document over the node command channel, one
// chunk per "GetConfigDocument" command: {"offset", "size", "sha256", "data" (base64)}. The
// document arrives whole or not at all: a size over the cap, a chunk that does not start where
// it was asked for, a size or digest that changes on the way, undecodable or oversized data, an
// error answer, silence, or a digest that does not match all end the fetch with failed(why).
class ConfigDocumentFetcher : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxDocumentBytes = 8 * 1024 * 1024;
    static constexpr int kMaxChunkBytes = 32768;
    // Time allowed for each chunk's answer.
    static constexpr int kChunkTimeoutMs = 10000;
    static constexpr const char kMethod[] = "GetConfigDocument";
    static constexpr const char kId[] = "appID_getConfigDocument";

    explicit ConfigDocumentFetcher(NodeCommandChannel *channel, QObject *parent = nullptr);

    // Starts a fetch from offset 0; a running one is abandoned.
    void start();
    void cancel();
    bool isRunning() const { return m_running; }

    // The answer to one chunk request; true when it was taken (the next is asked for, or the
    // document is complete). Public so that the rules can be tested without a link.
    bool takeAnswer(const QJsonObject &answer, bool done);

signals:
    void received(QByteArray document, qint64 elapsedMs);
    void failed(QString why);

private:
    void request();
    void fail(const QString &why);

    NodeCommandChannel *m_channel;
    QTimer m_timeout;
    QElapsedTimer m_clock;
    QByteArray m_data;
    QByteArray m_digest; // the announced SHA-256, as hex text
    qint64 m_size = -1;
    bool m_running = false;
};
} // namespace tarn::home
