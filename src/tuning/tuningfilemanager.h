#pragma once

#include "fileinfo.h"
#include "tuningfile.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

class DownloadManager;
class FtpClientThread;
class QThread;

// The tuning library: the local copy on this computer (seeded from the factory set, refreshed
// from the cloud store) and its transfer to the processor's folders. Lives on a thread of its
// own with two workers on further threads: the FTP worker and the download manager. Commands
// arrive as queued signals and run one at a time in arrival order; each ends in its own
// result signal or in error(), and busyChanged(false) follows once nothing is left to do.
class TuningFileManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool validationMode READ validationMode WRITE setValidationMode NOTIFY validationModeChanged)
public:
    static const char *const FtpUser;
    static const char *const FtpPassword;
    static const char *const CloudErrorText;

    explicit TuningFileManager(QObject *parent = nullptr);
    ~TuningFileManager() override;

    bool validationMode() const { return m_validationMode; }
    void setValidationMode(bool validationMode);

signals:
    void connectToHost(QString hostAddress, QString user, QString password);
    void disconnectFromHost();
    void connected();
    void disconnected();
    void error(QString errorString);
    void requestFileList(QString dir);
    void getFile(QString dir, QString fileFullName);
    void putFile(QByteArray fileData, QString dir, QString fileFullName);
    void removeFile(QString dir, QString fileFullName);
    void updateFile(QByteArray newFileData, QString dir, QString oldFileFullName, QString newFileFullName);
    void progressMessage(QString message);
    void fileInfoList(FileInfoList fileInfoList);
    void mapBrandSeriesToFileInfoList(BrandSeriesMap fileInfoList);
    void brandList(QStringList list);
    void initialized(bool success);
    void changesApplied();
    void updatedFromCloud();
    void tuningsReset();
    void validationModeChanged(bool validationMode);
    // Whether the states of the last published list come from the processor's folders.
    void processorStateKnown(bool known);
    // True from the start of a command until no command is left.
    void busyChanged(bool busy);

public slots:
    void onThreadStarted();
    void onThreadFinished();
    void initialize(QString ip, bool full);
    void initialize(QString ip);
    void onConnected();
    void onDisconnected();
    void onError(QString errorString);
    void onFileList(QString dir, QStringList list);
    void onFileData(QByteArray data, QString dir, QString fileName);
    void onActionFinished();
    void onCurrentDownloadFinished(QUrl url, bool success, QString errorString);
    void onCurrentDownloadProgress(QUrl url, qlonglong bytesReceived, qlonglong bytesTotal);
    void onAllDonwloadsFinished(int downloadCount, int totalCount);
    void onSignalApplyChanges(BrandSeriesMap mapBrandSeriesToFileInfoList);
    void onSignalUpdateFromCloud();
    void onSignalResetTunings();

private:
    using Kind = tarn::tuning::Kind;
    enum class Operation { None, Initialise, Apply, CloudUpdate, Reset };
    enum class Step { Idle, Connecting, Listing, Fetching, Performing, Manifest, Downloading };
    struct Action
    {
        enum Type { Put, Remove, Update } type = Put;
        Kind kind = Kind::Speaker;
        QString oldName; // the processor's file (remove, update)
        QString newName; // the local file (put, update)
    };
    struct Staged
    {
        Kind kind;
        QString name;
    };

    void enqueue(std::function<void()> command);
    void runNext();
    void setBusy(bool busy);
    void begin(Operation operation);
    void finish();
    void fail(const QString &text);

    void runInitialise(const QString &ip, bool full);
    void runApply(const BrandSeriesMap &map);
    void runCloudUpdate();
    void runReset();

    void connectProcessor();
    void listProcessor(Kind kind);
    void fetchMissing();
    void storeFile(Kind kind, const QString &name, const QByteArray &data);
    void publish(bool processorKnown);
    void planReset();
    void startActions(const QString &progressFormat);
    void performNext();
    void requestManifest(Kind kind);
    void compareManifests();
    void installDownloads();

    static void seedFactorySet();
    static QStringList localNames(Kind kind);
    QStringList processorNamesOfKey(Kind kind, const QString &key) const;
    QUrl containerFileUrl(Kind kind, const QString &name) const;

    std::unique_ptr<QThread> m_ftpThread;
    std::unique_ptr<QThread> m_downloadThread;
    FtpClientThread *m_ftp = nullptr;
    DownloadManager *m_downloads = nullptr;

    bool m_validationMode = false;
    bool m_connected = false;
    bool m_busy = false;
    std::deque<std::function<void()>> m_commands;
    Operation m_operation = Operation::None;
    Step m_step = Step::Idle;
    Kind m_listing = Kind::Speaker;

    QString m_ip;
    QStringList m_processorNames[2];
    bool m_processorListed = false;
    int m_outstandingGets = 0;

    std::deque<Action> m_actions;
    int m_actionsTotal = 0;
    int m_actionsDone = 0;
    QString m_progressFormat;

    QUrl m_manifestUrl;
    QSet<QUrl> m_pendingDownloads;
    QHash<QUrl, Staged> m_staged;
    QList<Staged> m_downloaded;
    int m_failedDownloads = 0;
    QString m_firstDownloadError;
};
