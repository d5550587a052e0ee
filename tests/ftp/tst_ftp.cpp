// Guards against FTP sessions that hang, lose or corrupt data, or take a server's bad reply for
// success: the client against pyftpdlib, vsftpd, the offline model's server and scripted peers.
#include "ftpparse.h"
#include "ftppeers.h"
#include "ftpport.h"
#include "ftpserver.h"
#include "qftp.h"
#include "qurlinfo.h"
#include "testenv.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>

using tarn::test::ScriptedServer;

namespace {
constexpr int Wait = 60000;

struct Outcome
{
    bool failed = false;
    int error = 0;
    QString text;
    int command = 0;
};

// Captures what QFtp reports; error() and errorString() are only meaningful inside
// commandFinished, so they are taken there.
struct Recorder
{
    explicit Recorder(QFtp *ftp)
    {
        QObject::connect(ftp, &QFtp::commandFinished, [this, ftp](int id, bool failed) {
            finished.insert(id, {failed, ftp->error(), ftp->errorString(), int(ftp->currentCommand())});
            reads += ftp->readAll();
        });
        QObject::connect(ftp, &QFtp::readyRead, [this, ftp] { reads += ftp->readAll(); }); // gets without a device
        QObject::connect(ftp, &QFtp::commandStarted, [this](int id) { started << id; });
        QObject::connect(ftp, &QFtp::stateChanged, [this](int s) { states << s; });
        QObject::connect(ftp, &QFtp::dataTransferProgress, [this](qint64 done, qint64 total) { progress << qMakePair(done, total); });
        QObject::connect(ftp, &QFtp::done, [this](bool e) {
            ++doneCount;
            lastDoneError = e;
        });
        QObject::connect(ftp, &QFtp::listInfo, [this](const QUrlInfo &i) { infos << i; });
        QObject::connect(ftp, &QFtp::rawCommandReply, [this](int code, const QString &text) { raw << qMakePair(code, text); });
    }

    QMap<int, Outcome> finished;
    QList<int> started;
    QList<int> states;
    QList<QPair<qint64, qint64>> progress;
    QList<QUrlInfo> infos;
    QList<QPair<int, QString>> raw;
    QByteArray reads;
    int doneCount = 0;
    bool lastDoneError = false;

    // Waits for command `id`: "ok", or the first line of its error text ("Login failed:"). Polls
    // as QTRY_* does: qWaitFor would sleep between passes of the event loop and slow transfers.
    QString result(int id)
    {
        if (!finished.contains(id))
            QTest::qWait(0);
        for (int waited = 0; waited < Wait && !finished.contains(id); waited += 50)
            QTest::qWait(50);
        if (!finished.contains(id)) {
            QTest::qFail("the command did not finish", __FILE__, __LINE__);
            return QStringLiteral("still running");
        }
        return finished[id].failed ? finished[id].text.section(QLatin1Char('\n'), 0, 0) : QStringLiteral("ok");
    }
};
const QString ok = QStringLiteral("ok");

QByteArray randomBytes(int size, quint32 seed)
{
    QVector<quint32> words(size / 4 + 1);
    QRandomGenerator(seed).fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

QByteArray sha(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// `size` zero bytes that cost no disk.
bool sparseFile(const QString &path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}

// A client of a scripted server whose answer to one command verb is replaced: an empty answer
// hangs up, "%1,%2" in it stands for a fresh passive port. A flood is sent again and again once
// the answer (or, without a verb, the greeting) went out: a reply that never ends.
struct Scripted
{
    explicit Scripted(const QByteArray &verb = {}, const QByteArray &answer = {},
                      const QHostAddress &address = QHostAddress(QHostAddress::LocalHost), const QByteArray &flood = {})
        : server(address)
    {
        flooding = verb.isEmpty();
        if (!flood.isEmpty()) {
            QObject::connect(&pump, &QTimer::timeout, &server, [this, flood] {
                if (flooding && server.current() && server.current()->bytesToWrite() < 65536)
                    server.send(flood);
            });
            pump.start(1);
        }
        if (verb.isEmpty())
            return;
        server.onLine = [this, verb, answer](const QByteArray &line) {
            if (!line.startsWith(verb)) {
                server.standard(line);
            } else if (answer.isEmpty()) {
                server.current()->disconnectFromHost();
            } else if (answer.contains("%1,%2")) {
                const quint16 p = server.openPassive();
                server.send(QString::fromLatin1(answer).arg(p >> 8).arg(p & 0xff).toLatin1());
            } else {
                server.send(answer);
                flooding = true;
            }
        };
    }
    // Queues connect and login; the login's id.
    int login(const QString &host = QStringLiteral("127.0.0.1"), const QString &user = QStringLiteral("u"),
              const QString &password = QStringLiteral("p"))
    {
        ftp.connectToHost(host, server.port());
        return ftp.login(user, password);
    }
    QByteArray commands() const { return server.received().join(';'); }
    ScriptedServer server;
    QFtp ftp;
    Recorder rec{&ftp};
    QTimer pump;
    bool flooding = false;
};

// A failure a scripted server provokes (see Scripted) and what the client reports of it.
struct Failure
{
    QByteArray greeting;
    QByteArray verb;
    QByteArray answer;
    QByteArray flood;
    bool active;
    int timeout;
    QString op;
    int error; // -1: any
    bool closes;
    QString text;
};

// One listing entry as one comparable line.
QString describe(const QUrlInfo &i)
{
    const char *kind = i.isSymLink() ? "link" : i.isDir() ? "dir" : i.isFile() ? "file" : "?";
    const QString rwx = QLatin1String(i.isReadable() ? "r" : "-") + QLatin1String(i.isWritable() ? "w" : "-")
        + QLatin1String(i.isExecutable() ? "x" : "-");
    return QStringList{QLatin1String(kind), i.name(), QString::number(i.size()), QString::number(i.permissions(), 8),
                       rwx, i.owner() + QLatin1Char(':') + i.group(), i.lastModified().toString(Qt::ISODate)}
        .join(QLatin1Char('|'));
}
} // namespace
Q_DECLARE_METATYPE(Failure)

class TestFtp : public QObject
{
    Q_OBJECT

    struct Target
    {
        quint16 port = 0;
        QString user;
        QString password;
        QString root;
        QString skip; // why the server is not there
        tarn::test::VsftpdServer *vsftpd = nullptr;
    };

    tarn::test::PyFtpdServer m_pyftpd;
    tarn::test::VsftpdServer m_vsftpd;
    std::unique_ptr<OfflineFtpServer> m_offline;
    QTemporaryDir m_offlineDir;
    QMap<QString, Target> m_targets;

    Target target()
    {
        QFETCH(QString, server);
        return m_targets.value(server);
    }
    void addServerRows()
    {
        QTest::addColumn<QString>("server");
        for (const char *name : {"pyftpdlib", "vsftpd", "offline"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    // Hands freshly laid-out files to the served user (vsftpd runs as that user).
    static void settle(const Target &t)
    {
        if (t.vsftpd)
            t.vsftpd->giveRootToUser();
    }
    static bool connectAndLogin(QFtp &ftp, Recorder &rec, const Target &t)
    {
        ftp.connectToHost(QStringLiteral("127.0.0.1"), t.port);
        return rec.result(ftp.login(t.user, t.password)) == ok;
    }

private slots:
    void initTestCase();

    void replyParser_data();
    void replyParser();
    void passiveReplies();
    void listLines_data();
    void listLines();
    void portForHost();

    void sessionAndStates_data() { addServerRows(); }
    void sessionAndStates();
    void transfers_data();
    void transfers();

    void offlineServerConfinesPaths();

    void scriptedFailures_data();
    void scriptedFailures();
    void scriptedConversations_data();
    void scriptedConversations();
    void scriptedTransfers_data();
    void scriptedTransfers();
    void scriptedReplyOvertakesData();
    void queueBehaviour();
};

void TestFtp::initTestCase()
{
    const auto add = [this](const char *name, tarn::test::FtpServerProcess &server, tarn::test::VsftpdServer *vsftpd) {
        QString why; // stays empty when the server starts
        if (!server.start(&why))
            qWarning("FTP server unavailable: %s", qPrintable(why));
        m_targets.insert(QLatin1String(name), {server.port(), server.user(), server.password(), server.root(), why, vsftpd});
    };
    add("pyftpdlib", m_pyftpd, nullptr);
    add("vsftpd", m_vsftpd, &m_vsftpd);
    QVERIFY(m_offlineDir.isValid());
    m_offline = std::make_unique<OfflineFtpServer>(m_offlineDir.path());
    QVERIFY2(m_offline->listen(QHostAddress::LocalHost, 0), qPrintable(m_offline->errorString()));
    m_targets.insert(QStringLiteral("offline"),
                     {m_offline->serverPort(), QString::fromLatin1(OfflineFtpServer::UserName),
                      QString::fromLatin1(OfflineFtpServer::Password), m_offlineDir.path(), {}, nullptr});
}

void TestFtp::replyParser_data()
{
    using Parser = tarn::ftp::FtpReplyParser;
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("reply"); // "code text" of a complete reply
    const int max = tarn::ftp::MaxReplyLineLength;
    // Inner lines with the code and a hyphen, free text, and a line with the code but no blank.
    QTest::newRow("multi-line") << QByteArray("230-Welcome\r\n230-Rules\r\n free text\r\n2301 not the end\r\n230 Done\r\n")
                                << int(Parser::Complete) << "230 Welcome\nRules\n free text\n2301 not the end\nDone";
    QTest::newRow("bare code") << QByteArray("200\r\n") << int(Parser::Complete) << "200 ";
    QTest::newRow("no code") << QByteArray("hello there\r\n") << int(Parser::Malformed) << "";
    QTest::newRow("letter in the code") << QByteArray("2x0 odd\r\n") << int(Parser::Malformed) << "";
    QTest::newRow("endless line") << "220 " + QByteArray(max + 10, 'x') << int(Parser::TooLong) << "";
    QTest::newRow("over-long line") << "220 " + QByteArray(max, 'x') + "\r\n" << int(Parser::TooLong) << "";
    // A multi-line reply that never ends.
    QTest::newRow("endless reply") << "250-start\r\n" + QByteArray("250-" + QByteArray(100, 'y') + "\r\n").repeated(5000)
                                   << int(Parser::TooLong) << "";
}

void TestFtp::replyParser()
{
    using tarn::ftp::FtpReplyParser;
    QFETCH(QByteArray, input);
    FtpReplyParser p;
    tarn::ftp::FtpReply r;
    QTEST(int(p.parse(input, &r)), "result");
    if (r.code != 0)
        QTEST(QString::number(r.code) + QLatin1Char(' ') + r.text, "reply");

    // Split anywhere, several replies in one read.
    p.reset();
    QByteArray buf = "22";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::NeedMore);
    buf += "0 Hello\r\n331 Pass";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Complete);
    QCOMPARE(QString::number(r.code) + QLatin1Char(' ') + r.text, QStringLiteral("220 Hello"));
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::NeedMore);
    buf += "word please\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Complete);
    QCOMPARE(QString::number(r.code) + QLatin1Char(' ') + r.text, QStringLiteral("331 Password please"));
    QVERIFY(buf.isEmpty());
}

void TestFtp::passiveReplies()
{
    quint32 ip = 0;
    quint16 port = 0;
    QVERIFY(tarn::ftp::parsePassiveReply(QStringLiteral("Entering Passive Mode (192,168,1,20,19,137)."), &ip, &port));
    QCOMPARE(QHostAddress(ip).toString() + QLatin1Char(':') + QString::number(port), QStringLiteral("192.168.1.20:5001"));
    QVERIFY(tarn::ftp::parsePassiveReply(QStringLiteral("=127,0,0,1,4,1"), &ip, &port));
    for (const char *bad : {"(300,0,0,1,4,1)", "(1,2,3,4,0,0)", "(1,2,3,4,5)", "(1,2,3,4,99999999999,1)"})
        QVERIFY2(!tarn::ftp::parsePassiveReply(QLatin1String(bad), &ip, &port), bad);

    QVERIFY(tarn::ftp::parseExtendedPassiveReply(QStringLiteral("Entering Extended Passive Mode (|||6446|)"), &port));
    QCOMPARE(port, quint16(6446));
    QVERIFY(tarn::ftp::parseExtendedPassiveReply(QStringLiteral("ok (!!!21!)"), &port));
    QCOMPARE(port, quint16(21));
    for (const char *bad : {"(|||70000|)", "(|||0|)", "(||6446|)", "(|||64x6|)", "(|||"})
        QVERIFY2(!tarn::ftp::parseExtendedPassiveReply(QLatin1String(bad), &port), bad);
}

void TestFtp::listLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("entry"); // "" when refused
    const auto row = [](const char *name, const QString &line, const char *entry, const QDate &today = QDate(2024, 3, 10)) {
        QTest::newRow(name) << line << today << QString::fromLatin1(entry);
    };
    row("unix file", "-rw-r--r--   1 owner group    12345 Jan 15  2020 My Preset.xml",
        "file|My Preset.xml|12345|644|rw-|owner:group|2020-01-15T00:00:00");
    // A time without a year: this year, or last year when that would lie in the future.
    row("this year", "drwxr-xr-x 2 a b 4096 Feb  3 09:15 presets", "dir|presets|4096|755|rwx|a:b|2024-02-03T09:15:00");
    row("last year", "-rw-r--r-- 1 a b 1 Dec 24 18:00 old.txt", "file|old.txt|1|644|rw-|a:b|2023-12-24T18:00:00");
    row("leap day", "-rw-r--r-- 1 a b 1 Feb 29 18:00 leap.txt", "file|leap.txt|1|644|rw-|a:b|2024-02-29T18:00:00", QDate(2025, 1, 5));
    row("symlink", "lrwxrwxrwx 1 a b 7 Mar  1  2021 latest -> v1.2.3", "link|latest|7|777|rwx|a:b|2021-03-01T00:00:00");
    row("dos dir", "01-16-02  11:14AM       <DIR>          epsgroup", "dir|epsgroup|0|666|rw-|:|2002-01-16T11:14:00");
    row("dos program", "06-05-03  03:19PM                 1973 setup.EXE", "file|setup.EXE|1973|777|rwx|:|2003-06-05T15:19:00");
    row("dos link", "06-05-03  03:19PM                   12 link.lnk", "link|link.lnk|12|666|rw-|:|2003-06-05T15:19:00");
    for (const char *bad : {"", "total 12", "-rw-r--r-- x a b 1 Jan 1 2020 f", "-rw-r--r-- 1 a b 99999999999999999999999 Jan 1 2020 f",
                            "?rw-r--r-- 1 a b 1 Jan 1 2020 f", "01-16-02 11:14AM <DIR> x"})
        row(bad, QString::fromLatin1(bad), "");
    row("over-long", "-rw-r--r-- 1 a b 1 Jan 1 2020 " + QString(tarn::ftp::MaxListLineLength, 'n'), "");
}

void TestFtp::listLines()
{
    QFETCH(QString, line);
    QFETCH(QDate, today);
    QFETCH(QString, entry);
    QUrlInfo i;
    QVERIFY(!i.isValid());
    QCOMPARE(tarn::ftp::parseListLine(line, &i, QDateTime(today, QTime(12, 0))), !entry.isEmpty());
    if (!entry.isEmpty())
        QCOMPARE(describe(i), entry);
}

void TestFtp::portForHost()
{
    qunsetenv("TARN_FTP_PORT");
    QCOMPARE(tarn::ftp::ftpPortForHost(QStringLiteral("127.0.0.1")), quint16(19221));
    QCOMPARE(tarn::ftp::ftpPortForHost(QStringLiteral("192.168.0.20")), quint16(21));
    qputenv("TARN_FTP_PORT", "2121");
    QCOMPARE(tarn::ftp::ftpPortForHost(QStringLiteral("127.0.0.1")), quint16(2121));
    QCOMPARE(tarn::ftp::ftpPortForHost(QStringLiteral("10.0.0.1")), quint16(2121));
    qputenv("TARN_FTP_PORT", "not-a-port");
    QCOMPARE(tarn::ftp::ftpPortForHost(QStringLiteral("10.0.0.1")), quint16(21));
    qputenv("TARN_FTP_PORT", "70000");
    QCOMPARE(tarn::ftp::ftpPortForHost(QStringLiteral("127.0.0.1")), quint16(19221));
    qunsetenv("TARN_FTP_PORT");
}

void TestFtp::sessionAndStates()
{
    const Target t = target(); // skipped where the row's server is not available
    if (!t.skip.isEmpty())
        QSKIP(qPrintable(t.skip));
    QDir(t.root).mkpath(QStringLiteral("full"));
    QDir(t.root).mkpath(QStringLiteral("emptydir"));
    for (const char *name : {"a.txt", "b.txt", "c.bin"})
        QVERIFY(tarn::test::writeFile(t.root + QStringLiteral("/full/") + QLatin1String(name), name));
    settle(t);

    QFtp ftp;
    Recorder rec(&ftp);
    const int connectId = ftp.connectToHost(QStringLiteral("127.0.0.1"), t.port);
    const int loginId = ftp.login(t.user, t.password);
    QCOMPARE(loginId, connectId + 1);
    QCOMPARE(ftp.currentCommand(), QFtp::ConnectToHost);
    QVERIFY(ftp.hasPendingCommands());
    QVERIFY(rec.started.isEmpty()); // nothing runs inside the call
    QCOMPARE(rec.result(loginId), ok);
    QCOMPARE(ftp.state(), QFtp::LoggedIn);

    const int missing = ftp.cd(QStringLiteral("no-such-folder"));
    QCOMPARE(rec.result(missing), QStringLiteral("Changing directory failed:"));
    QCOMPARE(rec.finished[missing].error, int(QFtp::UnknownError));
    QCOMPARE(rec.finished[missing].command, int(QFtp::Cd));
    QVERIFY(rec.lastDoneError);

    QBuffer names;
    ftp.cd(QStringLiteral("full"));
    QCOMPARE(rec.result(ftp.nameList(&names)), ok);
    QStringList got = QString::fromUtf8(names.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    got.sort();
    QCOMPARE(got, (QStringList{"a.txt", "b.txt", "c.bin"}));

    QBuffer empty;
    ftp.cd(QStringLiteral("../emptydir"));
    const int emptyList = ftp.nameList(&empty);
    if (rec.result(emptyList) != ok)
        QCOMPARE(rec.finished[emptyList].error, int(QFtp::NoFiles));
    QVERIFY(empty.data().isEmpty());

    ftp.cd(QStringLiteral(".."));
    ftp.mkdir(QStringLiteral("made"));
    ftp.put(QByteArray("12345"), QStringLiteral("made/x.txt"));
    ftp.rename(QStringLiteral("made/x.txt"), QStringLiteral("made/y.txt"));
    QCOMPARE(rec.result(ftp.list(QStringLiteral("made"))), ok);
    QCOMPARE(rec.infos.size(), 1);
    QCOMPARE(describe(rec.infos[0]).section(QLatin1Char('|'), 0, 2), QStringLiteral("file|y.txt|5"));

    rec.infos.clear();
    QCOMPARE(rec.result(ftp.list()), ok);
    QVERIFY(std::any_of(rec.infos.cbegin(), rec.infos.cend(),
                        [](const QUrlInfo &i) { return i.name() == QLatin1String("made") && i.isDir(); }));

    QCOMPARE(rec.result(ftp.rmdir(QStringLiteral("made"))), QStringLiteral("Removing directory failed:"));
    ftp.remove(QStringLiteral("made/y.txt"));
    QCOMPARE(rec.result(ftp.rmdir(QStringLiteral("made"))), ok);
    QVERIFY(!QFileInfo::exists(t.root + QStringLiteral("/made")));
    QCOMPARE(rec.result(ftp.mkdir(QStringLiteral("no/such/parent"))), QStringLiteral("Creating directory failed:"));

    QCOMPARE(rec.result(ftp.rawCommand(QStringLiteral("PWD"))), ok);
    QCOMPARE(rec.raw.last().first, 257);

    QCOMPARE(rec.result(ftp.close()), ok);
    QTRY_COMPARE(ftp.state(), QFtp::Unconnected);
    QCOMPARE(rec.states, (QList<int>{QFtp::HostLookup, QFtp::Connecting, QFtp::Connected,
                                     QFtp::LoggedIn, QFtp::Closing, QFtp::Unconnected}));
    QCOMPARE(rec.doneCount, 11);

    // A wrong password; the offline model's server counts it.
    const int failedBefore = m_offline->failedLogins();
    QFtp bad;
    Recorder badRec(&bad);
    bad.connectToHost(QStringLiteral("127.0.0.1"), t.port);
    const int badLogin = bad.login(t.user, QStringLiteral("wrong-password"));
    const int after = bad.cd(QStringLiteral("full"));
    QCOMPARE(badRec.result(badLogin), QStringLiteral("Login failed:"));
    QVERIFY(badRec.finished[badLogin].text.size() > int(strlen("Login failed:\n")));
    QVERIFY(!badRec.finished.contains(after) && !badRec.started.contains(after)); // the rest of the queue is dropped
    QVERIFY(badRec.doneCount == 1 && badRec.lastDoneError);
    QCOMPARE(m_offline->failedLogins() - failedBefore, t.port == m_offline->serverPort() ? 1 : 0);
}

void TestFtp::transfers_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("mode");
    for (const char *name : {"pyftpdlib", "vsftpd", "offline"}) {
        QTest::addRow("%s passive", name) << QString::fromLatin1(name) << int(QFtp::Passive);
        QTest::addRow("%s active", name) << QString::fromLatin1(name) << int(QFtp::Active);
    }
}

void TestFtp::transfers()
{
    const Target t = target(); // skipped where the row's server is not available
    if (!t.skip.isEmpty())
        QSKIP(qPrintable(t.skip));
    QFETCH(int, mode);
    const QString tag = mode == QFtp::Active ? QStringLiteral("act") : QStringLiteral("pas");

    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    QCOMPARE(rec.result(ftp.setTransferMode(QFtp::TransferMode(mode))), ok);

    // A whole file through readAll, or "<failed>".
    const auto fetch = [&](const QString &name) {
        rec.reads.clear();
        const bool fetched = rec.result(ftp.get(name)) == ok;
        return fetched ? rec.reads : QByteArray("<failed>");
    };
    QTemporaryDir local;
    for (int size : {0, 1, 10 * 1024 * 1024}) {
        const QByteArray data = randomBytes(size, quint32(size + mode));
        const QString name = QStringLiteral("up-%1-%2.bin").arg(tag).arg(size);

        rec.progress.clear();
        QCOMPARE(rec.result(ftp.put(data, name)), ok);
        QCOMPARE(sha(fileContents(t.root + QLatin1Char('/') + name)), sha(data));
        if (size > 0)
            QCOMPARE(rec.progress.value(rec.progress.size() - 1), qMakePair(qint64(size), qint64(size)));

        QFile target(local.filePath(name));
        rec.progress.clear();
        QCOMPARE(rec.result(ftp.get(name, &target)), ok);
        target.close();
        QCOMPARE(sha(fileContents(target.fileName())), sha(data));
        if (size > 0) // TYPE I is in force from the put, so every server can tell the size.
            QCOMPARE(rec.progress.value(rec.progress.size() - 1), qMakePair(qint64(size), qint64(size)));

        QCOMPARE(sha(fetch(name)), sha(data));
    }

    // From a device, then removed.
    const QByteArray big = randomBytes(3 * 1024 * 1024 + 7, 99);
    QFile sourceFile(local.filePath(QStringLiteral("source.bin")));
    QVERIFY(tarn::test::writeFile(sourceFile.fileName(), big));
    const QString devName = QStringLiteral("dev-%1.bin").arg(tag);
    QCOMPARE(rec.result(ftp.put(&sourceFile, devName)), ok);
    QCOMPARE(sha(fileContents(t.root + QLatin1Char('/') + devName)), sha(big));
    QCOMPARE(rec.result(ftp.remove(devName)), ok);
    QVERIFY(!QFile::exists(t.root + QLatin1Char('/') + devName));

    QBuffer sink;
    QCOMPARE(rec.result(ftp.get(QStringLiteral("missing-%1.bin").arg(tag), &sink)), QStringLiteral("Downloading file failed:"));
    QCOMPARE(rec.result(ftp.remove(QStringLiteral("missing-%1.bin").arg(tag))), QStringLiteral("Removing file failed:"));

    // A source whose size nobody knows: no ALLO, total 0, and the end comes when the producer
    // closes its output.
    QByteArray counted;
    for (int i = 1; i <= 200000; ++i)
        counted += QByteArray::number(i) + '\n';
    for (bool finishedFirst : {false, true}) {
        QProcess producer;
        producer.start(QStringLiteral("/usr/bin/seq"), {QStringLiteral("1"), QStringLiteral("200000")});
        QVERIFY(producer.waitForStarted());
        if (finishedFirst)
            QVERIFY(producer.waitForFinished());
        const QString name = QStringLiteral("seq-%1-%2.txt").arg(tag).arg(finishedFirst);
        rec.progress.clear();
        QCOMPARE(rec.result(ftp.put(&producer, name)), ok);
        QVERIFY(fileContents(t.root + QLatin1Char('/') + name) == counted);
        QCOMPARE(rec.progress.last(), qMakePair(qint64(counted.size()), qint64(0)));
    }

    QCOMPARE(rec.result(ftp.get(QStringLiteral("up-%1-1.bin").arg(tag), &sink)), ok);

    // Aborted transfers, of sparse files that cost no disk.
    const qint64 bigSize = 256LL * 1024 * 1024;
    QVERIFY(sparseFile(t.root + QStringLiteral("/big.bin"), bigSize));
    settle(t);

    QFile bigSink(local.filePath(QStringLiteral("big.bin")));
    bool aborted = false;
    connect(&ftp, &QFtp::dataTransferProgress, this, [&](qint64 done, qint64) {
        if (!aborted && done > 0) {
            aborted = true;
            ftp.abort();
        }
    });
    const int getId = ftp.get(QStringLiteral("big.bin"), &bigSink);
    const int queued = ftp.cd(QStringLiteral("."));
    QCOMPARE(rec.result(getId), QStringLiteral("Downloading file failed:"));
    QVERIFY(aborted && !rec.started.contains(queued)); // abort clears the queue
    bigSink.close();
    QVERIFY(bigSink.size() < bigSize);

    // The control connection survives and stays in step.
    QVERIFY(tarn::test::writeFile(t.root + QStringLiteral("/small.txt"), "still here"));
    settle(t);
    QCOMPARE(fetch(QStringLiteral("small.txt")), QByteArray("still here"));
    QCOMPARE(rec.result(ftp.rawCommand(QStringLiteral("NOOP"))), ok);
    QCOMPARE(rec.raw.last().first, 200);
    QFile::remove(t.root + QStringLiteral("/big.bin"));

    // The same for an upload.
    QFile bigSource(local.filePath(QStringLiteral("aborted.bin")));
    QVERIFY(sparseFile(bigSource.fileName(), bigSize));
    aborted = false;
    QCOMPARE(rec.result(ftp.put(&bigSource, QStringLiteral("aborted-upload.bin"))), QStringLiteral("Uploading file failed:"));
    QVERIFY(aborted);
    QVERIFY(QFileInfo(t.root + QStringLiteral("/aborted-upload.bin")).size() < bigSize);
    QCOMPARE(fetch(QStringLiteral("small.txt")), QByteArray("still here"));
    QCOMPARE(rec.result(ftp.close()), ok);
}

void TestFtp::offlineServerConfinesPaths()
{
    const Target t = m_targets.value(QStringLiteral("offline"));
    for (const char *folder : {"presets", "SpeakerTunings", "AmplifierData"})
        QVERIFY(QFileInfo(t.root + QLatin1Char('/') + QLatin1String(folder)).isDir());
    QTemporaryDir outside;
    QVERIFY(tarn::test::writeFile(outside.filePath(QStringLiteral("secret.txt")), "secret"));
    QVERIFY(QFile::link(outside.path(), t.root + QStringLiteral("/escape")));

    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    for (const char *path : {"../secret.txt", "/../../etc/passwd", "escape/secret.txt", "presets/../../x"})
        QCOMPARE(rec.result(ftp.get(QLatin1String(path))), QStringLiteral("Downloading file failed:"));
    QVERIFY(rec.reads.isEmpty());
    QCOMPARE(rec.result(ftp.cd(QStringLiteral(".."))), QStringLiteral("Changing directory failed:"));
    QCOMPARE(rec.result(ftp.put(QByteArray("x"), QStringLiteral("escape/planted.txt"))), QStringLiteral("Uploading file failed:"));
    QVERIFY(!QFile::exists(outside.filePath(QStringLiteral("planted.txt"))));
    QFile::remove(t.root + QStringLiteral("/escape"));

    // Inside the root all is well, with the processor's folder names.
    ftp.cd(QStringLiteral("/presets"));
    QCOMPARE(rec.result(ftp.put(QByteArray("<preset/>"), QStringLiteral("P1.xml"))), ok);
    QCOMPARE(fileContents(t.root + QStringLiteral("/presets/P1.xml")), QByteArray("<preset/>"));
    QVERIFY(m_offline->sessionCount() >= 1);
}

void TestFtp::scriptedFailures_data()
{
    QTest::addColumn<Failure>("f");
    const QByteArray ready = "220 Scripted server ready\r\n";
    const QByteArray opening = "150 Opening data connection\r\n";
    const auto row = [](const char *name, const Failure &f) { QTest::newRow(name) << f; };
    row("greeting is no reply", {"SSH-2.0-something\r\n", {}, {}, {}, false, 0, "connect", -1, false,
                                 "Connecting to host failed:\nMalformed reply from server"});
    row("greeting refuses", {"421 Too many users\r\n", {}, {}, {}, false, 0, "connect", -1, true,
                             "Connecting to host failed:\nToo many users"});
    row("no greeting", {{}, {}, {}, {}, false, 400, "connect", QFtp::ConnectionRefused, false,
                        "Connecting to host failed:\nConnection timed out to host 127.0.0.1"});
    row("endless greeting", {"220 ", {}, {}, QByteArray(16384, 'x'), false, 0, "connect", -1, true,
                             "Connecting to host failed:\nReply from server too long"});
    row("refused", {ready, {}, {}, {}, false, 0, "refused", QFtp::ConnectionRefused, false,
                    "Connecting to host failed:\nConnection refused to host 127.0.0.1"});
    row("unknown host", {ready, {}, {}, {}, false, 0, "unknown host", QFtp::HostNotFound, false,
                         "Connecting to host failed:\nHost no-such-host.invalid not found"});
    row("no files", {ready, "NLST", "450 No files found\r\n", {}, false, 0, "nlst", QFtp::NoFiles, false, "No files found"});
    row("data never comes", {ready, "RETR", opening, {}, false, 400, "get", -1, true,
                             "Downloading file failed:\nServer did not answer in time"});
    row("active: server never connects", {ready, "RETR", opening, {}, true, 400, "get", -1, false,
                                          "Downloading file failed:\nData connection timed out"});
    row("hang-up in a command", {ready, "CWD", {}, {}, false, 0, "cd", -1, false, "Changing directory failed:\nConnection closed"});
    row("endless reply", {ready, "CWD", "250-Here it comes\r\n", QByteArray("250-more and more text\r\n").repeated(200), false,
                          0, "cd", -1, true, "Changing directory failed:\nReply from server too long"});
    // An unsolicited reply while idle, then the server hangs up.
    row("hung up while idle", {ready, {}, {}, {}, false, 0, "cd after hang-up", QFtp::NotConnected, false,
                               "Changing directory failed:\nNot connected"});
}

void TestFtp::scriptedFailures()
{
    QFETCH(Failure, f);
    const QString &op = f.op;
    Scripted s(f.verb, f.answer, QHostAddress(QHostAddress::LocalHost), f.flood);
    s.server.greeting = f.greeting;
    if (f.timeout > 0)
        s.ftp.setTimeout(f.timeout);
    if (f.active)
        s.ftp.setTransferMode(QFtp::Active);
    QBuffer names;
    int id = 0;
    if (op == QLatin1String("connect")) {
        id = s.ftp.connectToHost(QStringLiteral("127.0.0.1"), s.server.port());
    } else if (op == QLatin1String("refused")) {
        id = s.ftp.connectToHost(QStringLiteral("127.0.0.1"), tarn::test::freePort());
    } else if (op == QLatin1String("unknown host")) {
        id = s.ftp.connectToHost(QStringLiteral("no-such-host.invalid"), 21);
    } else if (op == QLatin1String("cd after hang-up")) {
        QCOMPARE(s.rec.result(s.login()), ok);
        s.server.send("421 Timeout\r\n");
        s.server.current()->disconnectFromHost();
        QTRY_COMPARE(s.ftp.state(), QFtp::Unconnected);
        id = s.ftp.cd(QStringLiteral("x"));
    } else {
        s.login();
        id = op == QLatin1String("cd") ? s.ftp.cd(QStringLiteral("x"))
            : op == QLatin1String("get") ? s.ftp.get(QStringLiteral("f"))
                                          : s.ftp.nameList(&names);
    }
    QVERIFY(s.rec.result(id) != ok);
    QCOMPARE(s.rec.finished[id].text, f.text);
    if (f.error >= 0)
        QCOMPARE(s.rec.finished[id].error, f.error);
    if (f.closes)
        QTRY_COMPARE(s.ftp.state(), QFtp::Unconnected);
    if (op == QLatin1String("nlst"))
        QVERIFY(s.server.received().contains("TYPE A") && s.server.received().contains("PASV"));
}

void TestFtp::scriptedConversations_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("verb"); // its answer replaced
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("command"); // sent raw after the login
    QTest::addColumn<QByteArray>("commands"); // what the server received, joined by ';'
    QTest::addColumn<QString>("reply");     // the raw command's reply: "code text"
    const QByteArray ready = "220 Scripted server ready\r\n";
    QTest::newRow("230 straight after USER: no PASS") << ready << QByteArray("USER") << QByteArray("230 Already logged in\r\n")
                                                    << "someone" << "CWD presets" << QByteArray("USER someone;CWD presets")
                                                    << "250 Directory changed";
    QTest::newRow("empty user logs in anonymously") << ready << QByteArray() << QByteArray() << "" << "NOOP"
                                                    << QByteArray("USER anonymous;PASS anonymous@;NOOP") << "250 OK";
    // One USER line only: the greeting was taken as one reply.
    QTest::newRow("multi-line replies")
        << QByteArray("220-Welcome to the processor\r\n220-Second line\r\nfree text line\r\n220 Ready\r\n") << QByteArray("HELP")
        << QByteArray("214-The following commands are recognized.\r\n USER PASS\r\n214 Help OK.\r\n") << "u" << "HELP"
        << QByteArray("USER u;PASS p;HELP") << "214 The following commands are recognized.\n USER PASS\nHelp OK.";
}

void TestFtp::scriptedConversations()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, answer);
    QFETCH(QString, user);
    QFETCH(QString, command);
    Scripted s(verb, answer);
    QFETCH(QByteArray, greeting);
    s.server.greeting = greeting;
    const int login = s.login(QStringLiteral("127.0.0.1"), user, user.isEmpty() ? QString() : QStringLiteral("p"));
    QCOMPARE(s.rec.result(s.ftp.rawCommand(command)), ok);
    QVERIFY(!s.rec.finished[login - 1].failed && !s.rec.finished[login].failed);
    QCOMPARE(s.ftp.state(), QFtp::LoggedIn);
    QTEST(s.commands(), "commands");
    QCOMPARE(s.rec.raw.size(), 1);
    QTEST(QString::number(s.rec.raw[0].first) + QLatin1Char(' ') + s.rec.raw[0].second, "reply");
}

void TestFtp::scriptedTransfers_data()
{
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QByteArray>("verb"); // its answer replaced
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("commands"); // a pattern for what the server received, joined by ';'
    QTest::addColumn<bool>("sized");       // the progress knows the total
    QTest::newRow("EPSV refused over IPv6: not tried again")
        << true << false << QByteArray("EPSV") << QByteArray("500 EPSV not understood\r\n")
        << "USER u;PASS p;SIZE f.bin;TYPE I;EPSV;PASV;RETR f.bin;SIZE f.bin;TYPE I;PASV;RETR f.bin" << true;
    QTest::newRow("active over IPv6") << true << true << QByteArray() << QByteArray()
                                      << R"(USER u;PASS p;TYPE I;EPRT \|2\|::1\|\d+\|;ALLO 100000;STOR f.bin)" << true;
    QTest::newRow("SIZE refused: total unknown")
        << false << false << QByteArray("SIZE") << QByteArray("550 SIZE not allowed in ASCII mode\r\n")
        << "USER u;PASS p;SIZE f.bin;TYPE I;PASV;RETR f.bin;SIZE f.bin;TYPE I;PASV;RETR f.bin" << false;
    // The data connection goes to the control connection's host, not to the one in the reply.
    QTest::newRow("foreign passive address")
        << false << false << QByteArray("PASV") << QByteArray("227 Entering Passive Mode (10,9,8,7,%1,%2)\r\n")
        << "USER u;PASS p;SIZE f.bin;TYPE I;PASV;RETR f.bin;SIZE f.bin;TYPE I;PASV;RETR f.bin" << true;
}

void TestFtp::scriptedTransfers()
{
    QFETCH(bool, ipv6);
    QFETCH(bool, active);
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, answer);
    QFETCH(bool, sized);
    const QHostAddress address(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost);
    Scripted s(verb, answer, address);
    if (!s.server.isListening())
        QSKIP("no IPv6 loopback here");
    s.server.payload = randomBytes(100000, 7);
    if (active)
        s.ftp.setTransferMode(QFtp::Active);
    s.login(address.toString());
    if (active) {
        QCOMPARE(s.rec.result(s.ftp.put(s.server.payload, QStringLiteral("f.bin"))), ok);
        QCOMPARE(s.server.stored, s.server.payload);
    } else {
        for (int i = 0; i < 2; ++i) {
            QBuffer sink;
            QCOMPARE(s.rec.result(s.ftp.get(QStringLiteral("f.bin"), &sink)), ok);
            QCOMPARE(sink.data(), s.server.payload);
        }
    }
    QFETCH(QString, commands);
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(commands)).match(QString::fromLatin1(s.commands())).hasMatch(),
             s.commands().constData());
    QCOMPARE(s.server.lastDataPeer, address);
    QCOMPARE(s.server.dataConnections, active ? 1 : 2);
    for (const auto &p : qAsConst(s.rec.progress))
        QCOMPARE(p.second, sized ? qint64(100000) : qint64(0));
    QCOMPARE(s.rec.progress.last().first, qint64(100000));
}

void TestFtp::scriptedReplyOvertakesData()
{
    Scripted s;
    s.server.payload = randomBytes(300000, 3);
    s.server.onLine = [&](const QByteArray &line) {
        if (!line.startsWith("RETR"))
            return s.server.standard(line);
        // The final reply leaves before any data does.
        s.server.send("150 Opening\r\n226 Transfer complete\r\n");
        s.server.whenDataConnected([&](QTcpSocket *sock) {
            QTimer::singleShot(150, sock, [&s, sock] {
                sock->write(s.server.payload);
                sock->disconnectFromHost();
            });
        });
    };
    s.login();
    QBuffer sink;
    QCOMPARE(s.rec.result(s.ftp.get(QStringLiteral("late.bin"), &sink)), ok);
    QCOMPARE(sink.data(), s.server.payload);
    QCOMPARE(s.rec.progress.last(), qMakePair(qint64(300000), qint64(300000)));
}

void TestFtp::queueBehaviour()
{
    ScriptedServer server;
    QFtp ftp;
    QFtp other;
    Recorder rec(&ftp);

    // One id counter for every client.
    const int a = ftp.setProxy(QStringLiteral("127.0.0.1"), server.port());
    const int b = other.setTransferMode(QFtp::Active);
    const int c = ftp.connectToHost(QStringLiteral("unreachable.invalid"), 21); // via the proxy
    QCOMPARE(QList<int>({b, c}), QList<int>({a + 1, a + 2}));
    QCOMPARE(rec.result(ftp.login(QStringLiteral("u"), QStringLiteral("p"))), ok);
    QCOMPARE(ftp.state(), QFtp::LoggedIn);
    QCOMPARE(server.connections(), 1);

    // Line breaks inside an argument never reach the server.
    QVERIFY(rec.result(ftp.cd(QStringLiteral("x\r\nDELE important"))) != ok);
    QVERIFY(!server.received().contains("DELE important"));

    // clearPendingCommands keeps only the running command.
    const int first = ftp.cd(QStringLiteral("one"));
    const int second = ftp.cd(QStringLiteral("two"));
    const int third = ftp.cd(QStringLiteral("three"));
    QVERIFY(ftp.hasPendingCommands());
    QCOMPARE(ftp.currentId(), first);
    ftp.clearPendingCommands();
    QVERIFY(!ftp.hasPendingCommands());
    QCOMPARE(rec.result(first), ok);
    QVERIFY(!rec.started.contains(second) && !rec.started.contains(third));
    QCOMPARE(ftp.currentCommand(), QFtp::None);
    QCOMPARE(ftp.currentId(), 0);

    // A command queued from within commandFinished runs next.
    int chained = 0;
    QMetaObject::Connection conn = connect(&ftp, &QFtp::commandFinished, this, [&](int id, bool) {
        if (id == first + 3)
            chained = ftp.cd(QStringLiteral("chained"));
    });
    const int trigger = ftp.cd(QStringLiteral("trigger"));
    QCOMPARE(trigger, first + 3);
    QTRY_VERIFY(chained != 0 && rec.finished.contains(chained));
    disconnect(conn);
    QCOMPARE(server.received().last(), QByteArray("CWD chained"));

    // A device that goes away before its get starts.
    auto *gone = new QBuffer;
    const int getGone = ftp.get(QStringLiteral("f"), gone);
    delete gone;
    QVERIFY(rec.result(getGone) != ok);
}

TARN_TEST_MAIN(TestFtp, QCoreApplication)
#include "tst_ftp.moc"
