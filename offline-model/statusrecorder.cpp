#include "statusrecorder.h"

#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcStatus, "tarn.offline.status", QtInfoMsg)

namespace tarn::offline {
namespace {
constexpr int kWriteDelayMs = 50;
constexpr int kMaxUploadRecords = 100;
} // namespace

StatusRecorder::StatusRecorder(QObject *parent) : QObject(parent)
{
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(kWriteDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &StatusRecorder::writeNow);
    for (const char *name : {"connections", "openConnections", "loginsAccepted", "loginsRefused", "linesReceived",
                             "linesSent", "malformedLines", "discoveryQueries", "discoveryAnswers", "valuesSet",
                             "droppedConnections"})
        m_counters.insert(QLatin1String(name), 0);
}

void StatusRecorder::setStateDir(const QString &dir)
{
    m_stateDir = dir;
    scheduleWrite();
}

void StatusRecorder::setInfo(const QString &key, const QJsonValue &value)
{
    m_info.insert(key, value);
    scheduleWrite();
}

void StatusRecorder::count(const char *counter, qint64 by)
{
    m_counters[QLatin1String(counter)] += by;
    scheduleWrite();
}

int StatusRecorder::beginUpload(const QString &target, qint64 size, const QString &peer)
{
    if (m_uploads.size() >= kMaxUploadRecords)
        m_uploads.removeFirst();
    m_uploads.append(QJsonObject{{QStringLiteral("target"), target},
                                 {QStringLiteral("size"), double(size)},
                                 {QStringLiteral("received"), 0},
                                 {QStringLiteral("sha256"), QString()},
                                 {QStringLiteral("complete"), false},
                                 {QStringLiteral("peer"), peer},
                                 {QStringLiteral("started"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}});
    scheduleWrite();
    return m_uploads.size() - 1;
}

void StatusRecorder::uploadProgress(int id, qint64 received)
{
    if (id < 0 || id >= m_uploads.size())
        return;
    QJsonObject o = m_uploads.at(id).toObject();
    o.insert(QStringLiteral("received"), double(received));
    m_uploads.replace(id, o);
    scheduleWrite();
}

void StatusRecorder::finishUpload(int id, const QByteArray &sha256Hex, bool complete, const QString &storedAt)
{
    if (id < 0 || id >= m_uploads.size())
        return;
    QJsonObject o = m_uploads.at(id).toObject();
    o.insert(QStringLiteral("sha256"), QString::fromLatin1(sha256Hex));
    o.insert(QStringLiteral("complete"), complete);
    o.insert(QStringLiteral("finished"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    if (!storedAt.isEmpty())
        o.insert(QStringLiteral("file"), storedAt);
    m_uploads.replace(id, o);
    writeNow();
}

QJsonObject StatusRecorder::snapshot() const
{
    QJsonObject counters;
    for (auto it = m_counters.begin(); it != m_counters.end(); ++it)
        counters.insert(it.key(), double(it.value()));
    QJsonObject o = m_info;
    o.insert(QStringLiteral("counters"), counters);
    o.insert(QStringLiteral("firmwareUploads"), m_uploads);
    return o;
}

void StatusRecorder::scheduleWrite()
{
    if (!m_stateDir.isEmpty() && !m_writeTimer.isActive())
        m_writeTimer.start();
}

void StatusRecorder::writeNow()
{
    m_writeTimer.stop();
    if (m_stateDir.isEmpty())
        return;
    QSaveFile file(QDir(m_stateDir).filePath(QStringLiteral("status.json")));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(snapshot()).toJson()) < 0 || !file.commit())
        qCWarning(lcStatus) << "cannot write" << file.fileName() << file.errorString();
}
} // namespace tarn::offline
