#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QTimer>

namespace tarn::offline {
// Counters and firmware uploads, readable by tests: "model status" on the control line, and
// status.json in the state folder (rewritten whole, atomically, shortly after each change).
class StatusRecorder : public QObject {
    Q_OBJECT
public:
    explicit StatusRecorder(QObject *parent = nullptr);

    void setStateDir(const QString &dir);
    QString stateDir() const { return m_stateDir; }
    void setInfo(const QString &key, const QJsonValue &value);
    void count(const char *counter, qint64 by = 1);
    qint64 counter(const char *counter) const { return m_counters.value(QLatin1String(counter)); }

    int beginUpload(const QString &target, qint64 size, const QString &peer);
    void uploadProgress(int id, qint64 received);
    void finishUpload(int id, const QByteArray &sha256Hex, bool complete, const QString &storedAt);

    QJsonObject snapshot() const;
    void writeNow();

private:
    void scheduleWrite();

    QString m_stateDir;
    QJsonObject m_info;
    QMap<QString, qint64> m_counters;
    QJsonArray m_uploads;
    QTimer m_writeTimer;
};
} // namespace tarn::offline
