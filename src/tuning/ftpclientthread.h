#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

class QBuffer;
class QFtp;

// The tuning library's FTP worker: lives on a thread of its own and moves tuning files to and
// from the processor's folders through one QFtp. Every request changes to its folder first.
// Each request ends in its result signal or in error(); after an error the rest of the
// client's queue is dropped.
class FtpClientThread : public QObject
{
    Q_OBJECT
public:
    // The processor wants a moment between changing folder and receiving a file.
    static constexpr int PutPauseMs = 1000;
    // A name listing larger than this is cut off with an error.
    static constexpr qint64 MaxListingBytes = 2 * 1024 * 1024;

    explicit FtpClientThread(QObject *parent = nullptr);
    ~FtpClientThread() override;

signals:
    void connected();
    void disconnected();
    void error(QString errorString);
    void fileList(QString dir, QStringList list);
    void fileData(QByteArray data, QString dir, QString fileName);
    void actionFinished();

public slots:
    void onStarted();
    void onFinished();
    void onConnectToHost(QString hostAddress, QString user, QString password);
    void onDisconnectFromHost();
    void onCommandStarted(int id);
    void onCommandFinished(int id, bool hasError);
    void onStateChanged(int state);
    void onRequestFileList(QString dir);
    void onGetFile(QString dir, QString fileFullName);
    void onPutFile(QByteArray fileData, QString dir, QString fileFullName);
    void onRemoveFile(QString dir, QString fileFullName);
    void onUpdateFile(QByteArray newFileData, QString dir, QString oldFileFullName, QString newFileFullName);

private:
    struct Command
    {
        int type = 0; // QFtp::Command
        QString dir;
        QString file;
        std::shared_ptr<QBuffer> buffer;
        bool partOfUpdate = false;
        qint64 limit = 0;
    };

    bool ready();
    bool hold(std::function<void()> request);
    int track(int id, Command command);
    void closeOnce();
    void putAfterPause(const QByteArray &data, const QString &dir, const QString &file);
    void onProgress(qint64 done);
    void fail(const QString &text);

    std::unique_ptr<QFtp> m_ftp;
    std::map<int, Command> m_commands;
    QTimer m_pause;
    std::function<void()> m_afterPause;
    std::vector<std::function<void()>> m_held;
    int m_runningId = 0;
    bool m_closeQueued = false;
    QString m_oversize; // why the running transfer was stopped, when it was stopped for size
};
