#include "modelprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QUdpSocket>

namespace tarn::test {
namespace {
constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;
} // namespace

quint16 freePort()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        QTcpServer tcp;
        if (!tcp.listen(QHostAddress::LocalHost, 0))
            continue;
        QUdpSocket udp;
        if (udp.bind(QHostAddress::LocalHost, tcp.serverPort()))
            return tcp.serverPort();
    }
    return 0;
}

ModelProcess::ModelProcess()
{
    m_process.setProgram(program());
    m_process.setReadChannel(QProcess::StandardOutput);
    // TARN_MODEL_LOG=1 shows the model's own log next to the test's.
    if (qEnvironmentVariableIntValue("TARN_MODEL_LOG"))
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ModelProcess::~ModelProcess()
{
    stop();
}

QString ModelProcess::program()
{
    // TARN_TEST_MODEL runs the tests against another build of the model.
    return qEnvironmentVariable("TARN_TEST_MODEL", QStringLiteral(TARN_BIN_DIR "/tarn-offline-model"));
}

bool ModelProcess::start(const QStringList &arguments)
{
    m_port = freePort();
    if (m_port == 0)
        return false;
    QStringList args = {QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--state-dir"), m_dir.path()};
    if (qEnvironmentVariableIntValue("TARN_MODEL_LOG") > 1)
        args << QStringLiteral("--verbose");
    // The FTP service on a port of the kernel's choice, so parallel tests never share one.
    if (!arguments.contains(QStringLiteral("--ftp-port")))
        args << QStringLiteral("--ftp-port") << QStringLiteral("0");
    args << arguments;
    m_process.setArguments(args);
    m_stdout.clear();
    m_process.start();
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return false;
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!m_stdout.contains("ready tcp=")) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired())
            return false;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        m_stdout += m_process.readAllStandardOutput();
    }
    return true;
}

void ModelProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

QJsonObject ModelProcess::status() const
{
    QFile file(m_dir.filePath(QStringLiteral("status.json")));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString ModelProcess::output() const
{
    return QString::fromLocal8Bit(const_cast<QProcess &>(m_process).readAllStandardError());
}
} // namespace tarn::test
