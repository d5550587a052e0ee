#include "presetfiles.h"

#include "devicestate.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcPresetFiles, "tarn.offline.presetfiles", QtInfoMsg)

namespace tarn::offline {
namespace {
const QString kFolder = QStringLiteral("/presets/");
const char kPresetFormat[] = "tarn-preset";
const char kSettingsFormat[] = "tarn-settings";

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString presetFileName(int slot)
{
    return QStringLiteral("Preset_%1.preset").arg(slot);
}
} // namespace

const char *const PresetFiles::SettingsFileName = "Settings.tarn";

PresetFiles::PresetFiles(DeviceState *state, const QString &folder, QObject *parent)
    : QObject(parent), m_state(state), m_folder(folder)
{
}

QString PresetFiles::localPath(const QString &fileName) const
{
    return m_folder + QLatin1Char('/') + fileName;
}

int PresetFiles::slotOfPath(const QString &ftpPath) const
{
    // Exactly "Preset_<n>.preset" with n written plainly: "Preset_03.preset" is just a file.
    static const QRegularExpression pattern(QStringLiteral("^/presets/Preset_([1-9][0-9]{0,3})\\.preset$"));
    const QRegularExpressionMatch m = pattern.match(ftpPath);
    if (!m.hasMatch())
        return 0;
    const int slot = m.captured(1).toInt();
    return slot <= m_state->presetSlots() ? slot : 0;
}

QByteArray PresetFiles::presetDocument(int slot) const
{
    QJsonObject doc = m_state->presetJson(slot);
    if (doc.isEmpty())
        return QByteArray();
    doc.insert(QStringLiteral("format"), QLatin1String(kPresetFormat));
    doc.insert(QStringLiteral("version"), FormatVersion);
    doc.insert(QStringLiteral("model"), m_state->catalogue().model());
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

QByteArray PresetFiles::settingsDocument() const
{
    QJsonObject doc = m_state->presetStoreJson();
    doc.insert(QStringLiteral("format"), QLatin1String(kSettingsFormat));
    doc.insert(QStringLiteral("version"), FormatVersion);
    doc.insert(QStringLiteral("model"), m_state->catalogue().model());
    return QJsonDocument(doc).toJson(QJsonDocument::Compact);
}

bool PresetFiles::writeFile(const QString &localFile, const QByteArray &bytes) const
{
    QSaveFile file(localFile);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    qCWarning(lcPresetFiles) << "cannot write" << localFile << file.errorString();
    return false;
}

void PresetFiles::sync()
{
    QDir().mkpath(m_folder);
    for (int slot = 1; slot <= m_state->presetSlots(); ++slot) {
        const QString path = localPath(presetFileName(slot));
        if (!m_state->slotUsed(slot)) {
            m_inStep.remove(slot);
            if (QFile::exists(path) && !QFile::remove(path))
                qCWarning(lcPresetFiles) << "cannot remove" << path;
            continue;
        }
        const QByteArray stored = compact(m_state->presetJson(slot));
        if (m_inStep.value(slot) == stored)
            continue;
        // A file already there (from before a restart, or put by a client) stays as it is when
        // it holds the stored preset.
        QJsonObject body;
        QJsonObject normal;
        QString why;
        if (!m_inStep.contains(slot) && QFile::exists(path)
            && readDocument(path, kPresetFormat, MaxPresetBytes, &body, &why)
            && m_state->normalisePreset(body, &normal, &why) && compact(normal) == stored) {
            m_inStep.insert(slot, stored);
            continue;
        }
        if (writeFile(path, presetDocument(slot)))
            m_inStep.insert(slot, stored);
    }
}

void PresetFiles::restoreFile(int slot)
{
    m_inStep.remove(slot);
    const QString path = localPath(presetFileName(slot));
    if (m_state->slotUsed(slot)) {
        if (writeFile(path, presetDocument(slot)))
            m_inStep.insert(slot, compact(m_state->presetJson(slot)));
    } else {
        QFile::remove(path);
    }
}

bool PresetFiles::readDocument(const QString &localFile, const char *format, qint64 maxBytes, QJsonObject *body,
                               QString *why) const
{
    QFile file(localFile);
    if (file.size() > maxBytes) {
        *why = QStringLiteral("larger than %1 bytes").arg(maxBytes);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(maxBytes + 1), &error);
    if (!doc.isObject()) {
        *why = QStringLiteral("not a JSON object (%1)").arg(error.errorString());
        return false;
    }
    *body = doc.object();
    if (body->value(QStringLiteral("format")).toString() != QLatin1String(format)) {
        *why = QStringLiteral("format is not \"%1\"").arg(QLatin1String(format));
        return false;
    }
    if (body->value(QStringLiteral("version")).toInt(-1) != FormatVersion) {
        *why = QStringLiteral("version is not %1").arg(FormatVersion);
        return false;
    }
    if (body->value(QStringLiteral("model")).toString() != m_state->catalogue().model()) {
        *why = QStringLiteral("made for another processor model (\"%1\")")
                   .arg(body->value(QStringLiteral("model")).toString().left(64));
        return false;
    }
    return true;
}

void PresetFiles::beforeRead(const QString &ftpPath)
{
    if (ftpPath == kFolder + QLatin1String(SettingsFileName))
        writeFile(localPath(QLatin1String(SettingsFileName)), settingsDocument());
}

bool PresetFiles::afterWrite(const QString &ftpPath, bool complete, QString *why)
{
    if (ftpPath == kFolder + QLatin1String(SettingsFileName)) {
        const QString path = localPath(QLatin1String(SettingsFileName));
        QJsonObject body;
        QString reason;
        // An upload cut short is never taken, not even when what came parses.
        const bool ok = complete && readDocument(path, kSettingsFormat, MaxSettingsBytes, &body, &reason)
                     && m_state->importSettings(body, &reason);
        QFile::remove(path);
        if (!ok && complete) {
            *why = QStringLiteral("Settings refused: %1").arg(reason);
            qCWarning(lcPresetFiles).noquote() << *why;
        }
        return ok;
    }
    const int slot = slotOfPath(ftpPath);
    if (slot == 0)
        return true;
    if (!complete) {
        restoreFile(slot);
        return true;
    }
    QJsonObject body;
    QJsonObject normal;
    QString reason;
    if (!readDocument(localPath(presetFileName(slot)), kPresetFormat, MaxPresetBytes, &body, &reason)
        || !m_state->normalisePreset(body, &normal, &reason)) {
        restoreFile(slot);
        *why = QStringLiteral("Not a preset of this processor: %1").arg(reason);
        qCWarning(lcPresetFiles).noquote() << ftpPath << *why;
        return false;
    }
    // In step before the store changes, so the file keeps the bytes it came with.
    m_inStep.insert(slot, compact(normal));
    if (!m_state->importPreset(slot, body, &reason)) {
        restoreFile(slot);
        *why = QStringLiteral("Preset refused: %1").arg(reason);
        qCWarning(lcPresetFiles).noquote() << ftpPath << *why;
        return false;
    }
    return true;
}

bool PresetFiles::afterRemove(const QString &ftpPath, QString *why)
{
    const int slot = slotOfPath(ftpPath);
    if (slot == 0)
        return true;
    QString reason;
    if (!m_state->clearPreset(slot, &reason)) {
        restoreFile(slot);
        *why = QStringLiteral("Preset kept: %1").arg(reason);
        return false;
    }
    m_inStep.remove(slot);
    return true;
}
} // namespace tarn::offline
