#pragma once

// The FTP peers of the tests: real servers from the distribution, started on loopback for one test
// run and always stopped with it (they die with the test process even when it crashes), and a
// scripted control connection for what real servers will not do on demand (replies that overtake
// data, refusals, silence, endless lines), with the data connections it opens or accepts.

#include "modelprocess.h"
#include "scriptedpeer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <memory>
#include <utility>
#include <unistd.h>

namespace tarn::test {

// True once something on 127.0.0.1:port greets with "220" while the process runs.
inline bool waitForFtpGreeting(quint16 port, int timeoutMs, const QProcess &process)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs && process.state() != QProcess::NotRunning) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        if (s.waitForConnected(500) && s.waitForReadyRead(1000) && s.readAll().startsWith("220"))
            return true;
        QThread::msleep(50); // poll interval while the server starts
    }
    return false;
}

class FtpServerProcess
{
public:
    virtual ~FtpServerProcess() { stop(); }
    virtual bool start(QString *why) = 0;
    void stop()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    QString root() const { return m_root; }
    quint16 port() const { return m_port; }
    QString user() const { return m_user; }
    QString password() const { return m_password; }

protected:
    bool launch(const QString &program, const QStringList &args, QString *why)
    {
        // setpriv ties the server's life to ours.
        const QStringList full =
            QStringList{QStringLiteral("--pdeathsig"), QStringLiteral("KILL"), QStringLiteral("--"), program} + args;
        m_process.setStandardOutputFile(m_log);
        m_process.setStandardErrorFile(m_log, QIODevice::Append);
        m_process.start(QStringLiteral("/usr/bin/setpriv"), full);
        if (!m_process.waitForStarted(5000)) {
            *why = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
            return false;
        }
        if (waitForFtpGreeting(m_port, 15000, m_process))
            return true;
        QFile log(m_log);
        log.open(QIODevice::ReadOnly);
        *why = QStringLiteral("%1 did not come up: %2").arg(program, QString::fromLocal8Bit(log.readAll().right(2000)));
        stop();
        return false;
    }

    QProcess m_process;
    QString m_root;
    QString m_log;
    quint16 m_port = 0;
    QString m_user;
    QString m_password;
};

class PyFtpdServer : public FtpServerProcess
{
public:
    bool start(QString *why) override
    {
        if (!m_dir.isValid()) {
            *why = QStringLiteral("no temporary folder");
            return false;
        }
        m_root = m_dir.path() + QStringLiteral("/root");
        QDir().mkpath(m_root);
        m_log = m_dir.path() + QStringLiteral("/pyftpdlib.log");
        m_user = QStringLiteral("tarnuser");
        m_password = QStringLiteral("tarn-secret");
        m_port = freePort();
        return launch(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"),
                       QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port),
                       QStringLiteral("-d"), m_root, QStringLiteral("-w"), QStringLiteral("-u"),
                       m_user, QStringLiteral("-P"), m_password},
                      why);
    }

private:
    QTemporaryDir m_dir;
};

class VsftpdServer : public FtpServerProcess
{
public:
    static constexpr const char *LocalUser = "tarnftptest";

    bool start(QString *why) override
    {
        *why = geteuid() != 0 ? QStringLiteral("vsftpd cases need root (a local user must be created); skipped")
            : QFile::exists(QStringLiteral("/usr/sbin/vsftpd")) ? QString() : QStringLiteral("vsftpd is not installed");
        if (!why->isEmpty())
            return false;
        m_user = QString::fromLatin1(LocalUser);
        m_password = QStringLiteral("Tarn-vs-517");
        const QString addUser = QStringLiteral("/usr/bin/id -u %1 >/dev/null 2>&1 || /usr/sbin/useradd -M -d /tmp -s /bin/bash %1; "
                                               "echo '%1:%2' | /usr/sbin/chpasswd").arg(m_user, m_password);
        if (QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), addUser}) != 0) {
            *why = QStringLiteral("the local user cannot be made");
            return false;
        }
        // The served user must reach its root: a folder outside the test's private (0700) tree.
        m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/tarn-vsftpd-XXXXXX"));
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                 | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        m_root = m_dir->path() + QStringLiteral("/root");
        QDir().mkpath(m_root);
        giveRootToUser();
        QDir().mkpath(QStringLiteral("/var/run/vsftpd/empty"));
        m_log = m_dir->path() + QStringLiteral("/vsftpd.log");
        m_port = freePort();
        const quint16 pasv = freePort();
        const QString conf = m_dir->path() + QStringLiteral("/vsftpd.conf");
        QFile f(conf);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\nbackground=NO\n"
                               "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\nlocal_root=%2\n"
                               "pasv_enable=YES\npasv_min_port=%3\npasv_max_port=%4\nseccomp_sandbox=NO\n"
                               "secure_chroot_dir=/var/run/vsftpd/empty\npam_service_name=vsftpd\ncheck_shell=NO\n"
                               "delay_failed_login=0\nxferlog_enable=NO\nuse_localtime=YES\n")
                    .arg(QString::number(m_port), m_root, QString::number(pasv), QString::number(qMin(65535, pasv + 50)))
                    .toUtf8());
        f.close();
        return launch(QStringLiteral("/usr/sbin/vsftpd"), {conf}, why);
    }

    // Files the test lays out must belong to the served user so it may replace them.
    void giveRootToUser()
    {
        QProcess::execute(QStringLiteral("/bin/chown"), {QStringLiteral("-R"), m_user + QLatin1Char(':'), m_root});
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

class ScriptedServer : public QObject, public ScriptedPeer
{
public:
    explicit ScriptedServer(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
        : ScriptedPeer(address)
        , m_address(address)
    {
        greeting = "220 Scripted server ready\r\n";
        lineEnd = "\r\n";
        onLine = [this](const QByteArray &line) { standard(line); };
    }

    // Every command line received, without CR LF.
    QList<QByteArray> received() const { return linesStartingWith(QByteArray()); }
    QByteArray payload = "scripted payload";
    QByteArray stored;
    int dataConnections = 0;
    QHostAddress lastDataPeer;

    // Calls fn with the data socket once it is connected (at once when it already is).
    void whenDataConnected(std::function<void(QTcpSocket *)> fn)
    {
        if (m_data && m_data->state() == QAbstractSocket::ConnectedState) {
            fn(m_data);
            return;
        }
        m_pendingData = std::move(fn);
        if (!m_data && m_activePort != 0) {
            m_data = new QTcpSocket(this);
            QObject::connect(m_data, &QTcpSocket::connected, this, [this] { dataReady(); });
            m_data->connectToHost(m_activeAddress, m_activePort);
        }
    }

    quint16 openPassive()
    {
        dropData();
        m_passive = new QTcpServer(this);
        m_passive->listen(m_address, 0);
        QObject::connect(m_passive, &QTcpServer::newConnection, this, [this] {
            m_data = m_passive->nextPendingConnection();
            dataReady();
        });
        return m_passive->serverPort();
    }

    void standard(const QByteArray &line)
    {
        static const QHash<QByteArray, QByteArray> plain{
            {"USER", "331 Password required"}, {"PASS", "230 Logged in"}, {"TYPE", "200 Type set"},
            {"CWD", "250 Directory changed"}, {"ALLO", "202 ALLO command ignored"}, {"NOOP", "250 OK"},
            {"DELE", "250 OK"}, {"MKD", "250 OK"}, {"RMD", "250 OK"}};
        const QByteArray verb = line.split(' ').first().toUpper();
        const QByteArray arg = line.mid(verb.size() + 1);
        if (plain.contains(verb)) {
            send(plain.value(verb) + "\r\n");
        } else if (verb == "SIZE") {
            send("213 " + QByteArray::number(payload.size()) + "\r\n");
        } else if (verb == "PASV") {
            const quint16 p = openPassive();
            send(QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2)\r\n").arg(p >> 8).arg(p & 0xff).toLatin1());
        } else if (verb == "EPSV") {
            send("229 Entering Extended Passive Mode (|||" + QByteArray::number(openPassive()) + "|)\r\n");
        } else if (verb == "PORT" || verb == "EPRT") {
            const QList<QByteArray> n = verb == "PORT" ? arg.split(',') : arg.mid(1).split(arg.at(0));
            dropData();
            m_activeAddress = QHostAddress(QString::fromLatin1(verb == "PORT" ? n.mid(0, 4).join('.') : n[1]));
            m_activePort = quint16(verb == "PORT" ? n[4].toUInt() * 256 + n[5].toUInt() : n[2].toUInt());
            send("200 " + verb + " command successful\r\n");
        } else if (verb == "RETR" || verb == "NLST") {
            send("150 Opening data connection\r\n");
            whenDataConnected([this](QTcpSocket *s) { // the payload, then the final reply
                s->write(payload);
                QObject::connect(s, &QTcpSocket::disconnected, this, [this] { send("226 Transfer complete\r\n"); });
                s->disconnectFromHost();
            });
        } else if (verb == "STOR") {
            send("150 Ok to send data\r\n");
            stored.clear();
            whenDataConnected([this](QTcpSocket *s) {
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { stored += s->readAll(); });
                QObject::connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    stored += s->readAll();
                    send("226 Transfer complete\r\n");
                });
                stored += s->readAll();
            });
        } else if (verb == "QUIT") {
            send("221 Goodbye\r\n");
            current()->disconnectFromHost();
        } else {
            send("502 Command not implemented\r\n");
        }
    }

private:
    void dataReady()
    {
        ++dataConnections;
        lastDataPeer = m_data->peerAddress();
        if (auto fn = std::exchange(m_pendingData, nullptr))
            fn(m_data);
    }

    void dropData()
    {
        if (m_passive)
            m_passive->deleteLater();
        m_passive = nullptr;
        m_data = nullptr;
        m_activePort = 0;
        m_pendingData = nullptr;
    }

    QHostAddress m_address;
    QPointer<QTcpServer> m_passive;
    QPointer<QTcpSocket> m_data;
    QHostAddress m_activeAddress;
    quint16 m_activePort = 0;
    std::function<void(QTcpSocket *)> m_pendingData;
};

} // namespace tarn::test
