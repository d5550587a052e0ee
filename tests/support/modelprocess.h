#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace tarn::test {
// A free port for both TCP and UDP on 127.0.0.1, asked from the kernel.
quint16 freePort();

// The real tarn-offline-model, started on a free port with a private state folder and
// stopped when this goes.
class ModelProcess {
public:
    ModelProcess();
    ~ModelProcess();

    // Starts with the given extra arguments and waits for its ready line.
    bool start(const QStringList &arguments = QStringList());
    void stop();

    quint16 port() const { return m_port; }
    QString stateDir() const { return m_dir.path(); }
    QJsonObject status() const; // status.json as last written
    QString output() const;     // standard error so far, for failure messages
    QProcess &process() { return m_process; }

    static QString program();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QByteArray m_stdout;
};
} // namespace tarn::test
