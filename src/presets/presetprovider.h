#pragma once

#include "presetinfo.h"
#include "tarncontrol.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class QFtp;
class QTimer;

// Moves presets between the processor and the application and drives the processor's preset
// store. Preset files travel over FTP to and from the processor's "/presets" folder; recall,
// store and rename are writes to the "Presets" object over the device link. It follows the
// processor's list of stored presets ("PresetRecallList") and their names ("Name_<n>").
class PresetProvider : public TarnControl {
    Q_OBJECT
public:
    static constexpr const char *kFtpUser = "tarnftp";
    static constexpr const char *kFtpPassword = "lomarvex@517";
    static constexpr const char *kPresetFolder = "/presets";
    // The processor is given this long after the change of folder before a file is put.
    static constexpr int kPutDelayMs = 1000;
    // Longest preset name taken from the processor; longer ones are cut.
    static constexpr int kMaxNameLength = 64;
    // Longest preset accepted from the processor.
    static constexpr qint64 kMaxPresetBytes = 16 * 1024 * 1024;

    explicit PresetProvider(QObject *parent = nullptr);
    ~PresetProvider() override;

    // "Preset_" + id + ".preset".
    static QString presetFileName(int id);

    // The processor's stored presets (slot numbers), in its order.
    QList<int> presetIds() const { return m_ids; }
    bool hasPreset(int id) const { return m_ids.contains(id); }
    // Asks the processor for its list of presets again.
    void requestPresetList();

    void presetFetch(int id);
    void recall(int id, const QString &name);
    void rename(int id, const QString &name);
    void store(int id, const QString &name);
    void transfer(int id, const QString &presetName, const QByteArray &presetConfig);
    // Lists the names of the files in a folder of the processor (fileList).
    void listFiles(const QString &dir);

    bool acceptsRecord(const DataFromDevice &data) const override;

signals:
    void refreshRequestSent();
    void busy(bool state, QString msg);
    void presetAvailable(QByteArray presetData);
    void presetInfoAvailable(PresetInfo &preset);
    void presetNameChanged(QString name, int presetIndex);
    void connected();
    void disconnected();
    void error(QString errorString);
    void fileList(QString dir, QStringList list);
    void fileData(QByteArray data, QString dir, QString fileName);
    void actionFinished();
    // The processor's list of stored presets changed.
    void presetListChanged(QList<int> ids);
    // Bytes of the running get or put.
    void transferProgress(qint64 done, qint64 total);

public slots:
    void onConnectToHost(QString hostAddress, QString user, QString password);
    void onDisconnectFromHost();
    void onCommandStarted(int id);
    void onCommandFinished(int id, bool hasError);
    void onStateChanged(int state);
    void onGetFile(QString dir, QString fileFullName);
    void onPutFile(QByteArray fileData, QString dir, QString fileFullName);
    void onRemoveFile(QString dir, QString fileFullName);
    void onUpdateFile(QByteArray newFileData, QString dir, QString oldFileFullName, QString newFileFullName);

protected slots:
    void sendDataRequest() override;
    void handleDataAvailable(DataFromDevice data) override;
    void onCorvexReady() override;

private:
    enum class PutKind { File, Preset, Update };
    // A slot the processor has and a name it takes; false with the failure told.
    bool acceptsSlotAndName(int id, const QString &name);
    void ensureConnected();
    void startGet(const QString &dir, const QString &file, const QString &busyText);
    void queuePut(const QByteArray &data, const QString &dir, const QString &file, PutKind kind);
    // False (and the failure told) when the processor is not connected.
    bool sendPresetWrite(const QString &svName, const QString &value);
    void subscribe(const QString &poName, const QString &svName, const QString &command = QStringLiteral("sub")) const;
    void takePresetList(const QString &text);
    void endOperation();
    void fail(const QString &text);

    QFtp *m_ftp = nullptr;
    QTimer *m_putTimer = nullptr;
    QString m_host;
    QString m_user;
    QString m_password;
    QString m_currentDir;
    QString m_currentFile;
    QString m_presetName;
    int m_presetId = 0;
    QBuffer m_buffer;
    bool m_updateInProgress = false;
    // The put that waits for kPutDelayMs, and what it is for.
    QByteArray m_putData;
    QString m_putFile;
    PutKind m_putKind = PutKind::File;
    PutKind m_runningPut = PutKind::File;
    // An FTP operation runs: the screen shows it busy until it ends.
    bool m_operationRunning = false;
    bool m_oversized = false;
    QList<int> m_ids;
    QSet<int> m_namesFollowed;
};
