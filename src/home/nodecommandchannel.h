#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

namespace tarn::home {
class NodeValueWatch;

// The processor's node command channel: a command goes out as a "set" of
// \\Node\Config\SV\Command (JSON with grave accents for quotes); the processor reports the
// command's progress on "Node\Config\SV\Command:Status" ("<method>:InProgress", then ":Done" or
// ":Failed") and its answer on "Node\Config\SV\Result", written before the closing status.
//
// finished() pairs each closing status with the answer then held, once per command the
// channel sent and saw start, so a stale status or answer left by an earlier command or another
// client is never taken for this one's.
class NodeCommandChannel : public QObject {
    Q_OBJECT
public:
    // A result line longer than this is not read (a configuration chunk is about 44 kB).
    static constexpr int kMaxResultLength = 60 * 1024;

    explicit NodeCommandChannel(QObject *parent = nullptr);
    ~NodeCommandChannel() override;

    // Sends {"method": ..., "params": ..., "id": ...}; false when there is no logged-in link.
    bool send(const QString &method, const QJsonArray &params, const QString &id);
    // Sends one raw line (the builder's "Reconfig" command) and waits for `method`'s status.
    bool sendRaw(const QByteArray &line, const QString &method);
    // Forgets the command waited for (a time-out or a new login).
    void cancel();
    bool isWaiting() const { return !m_method.isEmpty(); }
    QString status() const { return m_status; }

    // The answer object of a result text ("`" stands for '"'); empty when it is no object.
    static QJsonObject parseResult(const QString &text);
    // The message of an error answer ("error <code>" when it has none); empty for no error.
    static QString errorText(const QJsonObject &answer);

signals:
    void statusChanged(QString status);
    // The command ended; `answer` is the result object held at that moment.
    void finished(QString method, bool done, QJsonObject answer);

private:
    void onStatus(const QString &status);
    bool isLoggedIn() const;

    NodeValueWatch *m_statusWatch;
    NodeValueWatch *m_resultWatch;
    QString m_status;
    QString m_result;
    QString m_method;  // the method waited for, empty when none
    bool m_started = false;
};
} // namespace tarn::home
