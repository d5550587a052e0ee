#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>

namespace tarn::offline {
class DeviceState;

// Keeps the FTP service's "/presets" folder and the preset store in step: every stored preset
// is the file "Preset_<slot>.preset" there, a valid preset file put there (or renamed into
// place) is stored in its slot, and removing the file empties the slot. "Settings.tarn" carries
// the whole store with the running values: written afresh before each read, taken as a whole
// (or refused as a whole) when one is put there. Formats in README.md.
class PresetFiles : public QObject {
    Q_OBJECT
public:
    static const char *const SettingsFileName;
    static constexpr qint64 MaxPresetBytes = 4 * 1024 * 1024;
    static constexpr qint64 MaxSettingsBytes = 64 * 1024 * 1024;
    static constexpr int FormatVersion = 1;

    // folder: the local folder served as "/presets".
    PresetFiles(DeviceState *state, const QString &folder, QObject *parent = nullptr);

    // Brings the folder in line with the store: files of stored presets written where they are
    // missing or differ, files of empty slots removed. Other files are left alone.
    void sync();

    // The FTP service's hooks (paths as its clients see them).
    void beforeRead(const QString &ftpPath);
    bool afterWrite(const QString &ftpPath, bool complete, QString *why);
    bool afterRemove(const QString &ftpPath, QString *why);

    // The document of one stored preset and the settings document, as served.
    QByteArray presetDocument(int slot) const;
    QByteArray settingsDocument() const;

private:
    // The slot a "/presets/Preset_<n>.preset" path names, 0 for any other path.
    int slotOfPath(const QString &ftpPath) const;
    QString localPath(const QString &fileName) const;
    bool readDocument(const QString &localFile, const char *format, qint64 maxBytes, QJsonObject *body,
                      QString *why) const;
    bool writeFile(const QString &localFile, const QByteArray &bytes) const;
    void restoreFile(int slot);

    DeviceState *m_state;
    QString m_folder;
    // Per slot, the stored preset the file holds now (normalised), so that the folder is
    // written only where the store moved away from it and an uploaded file keeps its bytes.
    QHash<int, QByteArray> m_inStep;
};
} // namespace tarn::offline
