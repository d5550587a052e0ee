// Guards against FTP sessions that hang, lose or corrupt data, or take a server's bad reply for
// success: the client against pyftpdlib, vsftpd, the offline model's server and scripted peers.
#include "ftpparse.h"
#include "ftpport.h"
#include "ftpserver.h"
#include "ftptestservers.h"
#include "qftp.h"
#include "qurlinfo.h"
#include "scriptedserver.h"
#include "testenv.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpSocket>

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
class Recorder
{
public:
    explicit Recorder(QFtp *ftp)
        : m_ftp(ftp)
    {
        QObject::connect(ftp, &QFtp::commandFinished, [this](int id, bool failed) {
            finished.insert(id, {failed, m_ftp->error(), m_ftp->errorString(),
                                 int(m_ftp->currentCommand())});
            if (collectReads)
                reads += m_ftp->readAll();
        });
        QObject::connect(ftp, &QFtp::commandStarted, [this](int id) { started << id; });
        QObject::connect(ftp, &QFtp::stateChanged, [this](int s) { states << s; });
        QObject::connect(ftp, &QFtp::dataTransferProgress,
                         [this](qint64 done, qint64 total) { progress << qMakePair(done, total); });
        QObject::connect(ftp, &QFtp::done, [this](bool e) {
            ++doneCount;
            lastDoneError = e;
        });
        QObject::connect(ftp, &QFtp::listInfo, [this](const QUrlInfo &i) { infos << i; });
        QObject::connect(ftp, &QFtp::readyRead, [this] {
            if (collectReads)
                reads += m_ftp->readAll();
        });
        QObject::connect(ftp, &QFtp::rawCommandReply,
                         [this](int code, const QString &text) { raw << qMakePair(code, text); });
    }

    QMap<int, Outcome> finished;
    QList<int> started;
    QList<int> states;
    QList<QPair<qint64, qint64>> progress;
    QList<QUrlInfo> infos;
    QList<QPair<int, QString>> raw;
    QByteArray reads;
    bool collectReads = false;
    int doneCount = 0;
    bool lastDoneError = false;

private:
    QFtp *m_ftp;
};

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    gen.fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    for (int i = size / 4 * 4; i < size; ++i)
        data[i] = char(gen.generate());
    return data;
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

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(data);
}

#define WAIT_DONE(rec, id) QTRY_VERIFY_WITH_TIMEOUT((rec).finished.contains(id), Wait)
#define EXPECT_OK(rec, id)                                                                        \
    do {                                                                                          \
        WAIT_DONE(rec, id);                                                                       \
        QVERIFY2(!(rec).finished.value(id).failed, qPrintable((rec).finished.value(id).text));    \
    } while (0)

// A client of a scripted server whose answer to one command verb is replaced (an empty answer
// hangs up).
struct Scripted
{
    explicit Scripted(const QByteArray &verb = {}, const QByteArray &answer = {},
                      const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
        : server(address)
    {
        if (verb.isEmpty())
            return;
        server.handler = [this, verb, answer](const QByteArray &line) {
            if (!line.startsWith(verb))
                server.standard(line);
            else if (answer.isEmpty())
                server.control()->disconnectFromHost();
            else
                server.send(answer);
        };
    }
    // Queues connect and login; the login's id.
    int login(const QString &host = QStringLiteral("127.0.0.1"))
    {
        ftp.connectToHost(host, server.port());
        return ftp.login(QStringLiteral("u"), QStringLiteral("p"));
    }
    ScriptedServer server;
    QFtp ftp;
    Recorder rec{&ftp};
};
} // namespace

// The server of the current row; the test is skipped where that server is not available.
#define TARGET_OR_SKIP(t)                                                                          \
    const Target t = target();                                                                     \
    if (!t.skip.isEmpty())                                                                         \
    QSKIP(qPrintable(t.skip))

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
        const int login = ftp.login(t.user, t.password);
        return QTest::qWaitFor([&] { return rec.finished.contains(login); }, Wait) && !rec.finished[login].failed;
    }

private slots:
    void initTestCase();
    void cleanupTestCase();

    void replyParser();
    void passiveReplies();
    void listLines();
    void portForHost();

    void sessionAndStates_data() { addServerRows(); }
    void sessionAndStates();
    void transfers_data();
    void transfers();
    void abortDuringTransfer_data() { addServerRows(); }
    void abortDuringTransfer();
    void sequentialUpload_data() { addServerRows(); }
    void sequentialUpload();
    void directories_data() { addServerRows(); }
    void directories();

    void offlineServerConfinesPaths();

    void scriptedFailures_data();
    void scriptedFailures();
    void scriptedLoginLines();
    void scriptedRefusedEpsv();
    void scriptedActiveOverIPv6();
    void scriptedReplyOvertakesData();
    void scriptedSizeFails();
    void scriptedMultiLineReplies();
    void scriptedForeignPassiveAddress();
    void scriptedEndlessReplies();
    void scriptedUnsolicitedAndUnreachable();
    void queueBehaviour();
};

void TestFtp::initTestCase()
{
    QString why;
    Target py;
    if (m_pyftpd.start(&why)) {
        py = {m_pyftpd.port(), m_pyftpd.user(), m_pyftpd.password(), m_pyftpd.root(), {}, nullptr};
    } else {
        py.skip = why;
        qWarning("pyftpdlib unavailable: %s", qPrintable(why));
    }
    m_targets.insert(QStringLiteral("pyftpdlib"), py);

    Target vs;
    why.clear();
    if (m_vsftpd.start(&why)) {
        vs = {m_vsftpd.port(), m_vsftpd.user(), m_vsftpd.password(), m_vsftpd.root(), {}, &m_vsftpd};
    } else {
        vs.skip = why;
        qWarning("vsftpd unavailable: %s", qPrintable(why));
    }
    m_targets.insert(QStringLiteral("vsftpd"), vs);

    QVERIFY(m_offlineDir.isValid());
    m_offline = std::make_unique<OfflineFtpServer>(m_offlineDir.path());
    QVERIFY2(m_offline->listen(QHostAddress::LocalHost, 0), qPrintable(m_offline->errorString()));
    m_targets.insert(QStringLiteral("offline"),
                     {m_offline->serverPort(), QString::fromLatin1(OfflineFtpServer::UserName),
                      QString::fromLatin1(OfflineFtpServer::Password), m_offlineDir.path(), {},
                      nullptr});
}

void TestFtp::cleanupTestCase()
{
    m_pyftpd.stop();
    m_vsftpd.stop();
    m_offline.reset();
}

void TestFtp::replyParser()
{
    using tarn::ftp::FtpReply;
    using tarn::ftp::FtpReplyParser;
    FtpReplyParser p;
    FtpReply r;

    // Split anywhere, several replies in one read.
    QByteArray buf = "22";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::NeedMore);
    buf += "0 Hello\r\n331 Pass";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Complete);
    QCOMPARE(r.code, 220);
    QCOMPARE(r.text, QStringLiteral("Hello"));
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::NeedMore);
    buf += "word please\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Complete);
    QCOMPARE(r.code, 331);
    QCOMPARE(r.text, QStringLiteral("Password please"));
    QVERIFY(buf.isEmpty());

    // Multi-line: inner lines with the code and a hyphen, free text, and a line that starts
    // with the code but not followed by a blank.
    buf = "230-Welcome\r\n230-Rules\r\n free text\r\n2301 not the end\r\n230 Done\r\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Complete);
    QCOMPARE(r.code, 230);
    QCOMPARE(r.text, QStringLiteral("Welcome\nRules\n free text\n2301 not the end\nDone"));

    // A bare code is a complete reply.
    buf = "200\r\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Complete);
    QCOMPARE(r.code, 200);
    QVERIFY(r.text.isEmpty());

    buf = "hello there\r\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Malformed);
    p.reset();
    buf = "2x0 odd\r\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::Malformed);
    p.reset();

    // Caps: an endless line, an over-long line, a multi-line reply that never ends.
    buf = "220 " + QByteArray(tarn::ftp::MaxReplyLineLength + 10, 'x');
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::TooLong);
    p.reset();
    buf = "220 " + QByteArray(tarn::ftp::MaxReplyLineLength, 'x') + "\r\n";
    QCOMPARE(p.parse(buf, &r), FtpReplyParser::TooLong);
    p.reset();
    FtpReplyParser::Result res = FtpReplyParser::NeedMore;
    buf = "250-start\r\n";
    for (int i = 0; i < 5000 && res == FtpReplyParser::NeedMore; ++i) {
        buf += "250-" + QByteArray(100, 'y') + "\r\n";
        res = p.parse(buf, &r);
    }
    QCOMPARE(res, FtpReplyParser::TooLong);
}

void TestFtp::passiveReplies()
{
    quint32 ip = 0;
    quint16 port = 0;
    QVERIFY(tarn::ftp::parsePassiveReply(QStringLiteral("Entering Passive Mode (192,168,1,20,19,137)."),
                                         &ip, &port));
    QCOMPARE(QHostAddress(ip).toString(), QStringLiteral("192.168.1.20"));
    QCOMPARE(port, quint16(19 * 256 + 137));
    QVERIFY(tarn::ftp::parsePassiveReply(QStringLiteral("=127,0,0,1,4,1"), &ip, &port));
    for (const char *bad : {"(300,0,0,1,4,1)", "(1,2,3,4,0,0)", "(1,2,3,4,5)", "(1,2,3,4,99999999999,1)"})
        QVERIFY2(!tarn::ftp::parsePassiveReply(QLatin1String(bad), &ip, &port), bad);

    QVERIFY(tarn::ftp::parseExtendedPassiveReply(
        QStringLiteral("Entering Extended Passive Mode (|||6446|)"), &port));
    QCOMPARE(port, quint16(6446));
    QVERIFY(tarn::ftp::parseExtendedPassiveReply(QStringLiteral("ok (!!!21!)"), &port));
    QCOMPARE(port, quint16(21));
    for (const char *bad : {"(|||70000|)", "(|||0|)", "(||6446|)", "(|||64x6|)", "(|||"})
        QVERIFY2(!tarn::ftp::parseExtendedPassiveReply(QLatin1String(bad), &port), bad);
}

void TestFtp::listLines()
{
    const QDateTime now(QDate(2024, 3, 10), QTime(12, 0));
    QUrlInfo i;
    QVERIFY(!i.isValid());

    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("-rw-r--r--   1 owner group    12345 Jan 15  2020 My Preset.xml"), &i, now));
    QVERIFY(i.isValid() && i.isFile() && !i.isDir() && !i.isSymLink());
    QCOMPARE(i.name(), QStringLiteral("My Preset.xml"));
    QCOMPARE(i.size(), qint64(12345));
    QCOMPARE(i.owner(), QStringLiteral("owner"));
    QCOMPARE(i.group(), QStringLiteral("group"));
    QCOMPARE(i.permissions(), 0644);
    QVERIFY(i.isReadable() && i.isWritable() && !i.isExecutable());
    QCOMPARE(i.lastModified(), QDateTime(QDate(2020, 1, 15), QTime(0, 0)));

    // A time without a year: this year, or last year when that would lie in the future.
    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("drwxr-xr-x 2 a b 4096 Feb  3 09:15 presets"), &i, now));
    QVERIFY(i.isDir());
    QCOMPARE(i.lastModified(), QDateTime(QDate(2024, 2, 3), QTime(9, 15)));
    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("-rw-r--r-- 1 a b 1 Dec 24 18:00 old.txt"), &i, now));
    QCOMPARE(i.lastModified(), QDateTime(QDate(2023, 12, 24), QTime(18, 0)));
    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("-rw-r--r-- 1 a b 1 Feb 29 18:00 leap.txt"), &i, QDateTime(QDate(2025, 1, 5), QTime())));
    QCOMPARE(i.lastModified(), QDateTime(QDate(2024, 2, 29), QTime(18, 0)));

    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("lrwxrwxrwx 1 a b 7 Mar  1  2021 latest -> v1.2.3"), &i, now));
    QVERIFY(i.isSymLink());
    QCOMPARE(i.name(), QStringLiteral("latest"));
    QCOMPARE(i.permissions(), 0777);

    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("01-16-02  11:14AM       <DIR>          epsgroup"), &i, now));
    QVERIFY(i.isDir());
    QCOMPARE(i.name(), QStringLiteral("epsgroup"));
    QCOMPARE(i.lastModified(), QDateTime(QDate(2002, 1, 16), QTime(11, 14)));
    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("06-05-03  03:19PM                 1973 setup.EXE"), &i, now));
    QVERIFY(i.isFile() && i.isExecutable());
    QCOMPARE(i.size(), qint64(1973));
    QCOMPARE(i.permissions(), 0777);
    QCOMPARE(i.lastModified(), QDateTime(QDate(2003, 6, 5), QTime(15, 19)));
    QVERIFY(tarn::ftp::parseListLine(
        QStringLiteral("06-05-03  03:19PM                   12 link.lnk"), &i, now));
    QVERIFY(i.isSymLink());
    QCOMPARE(i.permissions(), 0666);

    for (const char *bad : {"", "total 12", "-rw-r--r-- x a b 1 Jan 1 2020 f",
                            "-rw-r--r-- 1 a b 99999999999999999999999 Jan 1 2020 f",
                            "?rw-r--r-- 1 a b 1 Jan 1 2020 f", "01-16-02 11:14AM <DIR> x"}) {
        QVERIFY2(!tarn::ftp::parseListLine(QString::fromLatin1(bad), &i, now), bad);
    }
    QVERIFY(!tarn::ftp::parseListLine(
        QStringLiteral("-rw-r--r-- 1 a b 1 Jan 1 2020 ") + QString(tarn::ftp::MaxListLineLength, 'n'),
        &i, now));
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
    TARGET_OR_SKIP(t);
    QDir(t.root).mkpath(QStringLiteral("full"));
    QDir(t.root).mkpath(QStringLiteral("emptydir"));
    for (const char *name : {"a.txt", "b.txt", "c.bin"})
        writeFile(t.root + QStringLiteral("/full/") + QLatin1String(name), name);
    settle(t);

    QFtp ftp;
    Recorder rec(&ftp);
    const int connectId = ftp.connectToHost(QStringLiteral("127.0.0.1"), t.port);
    const int loginId = ftp.login(t.user, t.password);
    QCOMPARE(loginId, connectId + 1);
    QCOMPARE(ftp.currentCommand(), QFtp::ConnectToHost);
    QVERIFY(ftp.hasPendingCommands());
    QVERIFY(rec.started.isEmpty()); // nothing runs inside the call
    EXPECT_OK(rec, loginId);
    QCOMPARE(ftp.state(), QFtp::LoggedIn);

    const int missing = ftp.cd(QStringLiteral("no-such-folder"));
    WAIT_DONE(rec, missing);
    QVERIFY(rec.finished[missing].failed);
    QCOMPARE(rec.finished[missing].error, int(QFtp::UnknownError));
    QVERIFY2(rec.finished[missing].text.startsWith(QStringLiteral("Changing directory failed:\n")),
             qPrintable(rec.finished[missing].text));
    QCOMPARE(rec.finished[missing].command, int(QFtp::Cd));
    QVERIFY(rec.lastDoneError);

    QBuffer names;
    ftp.cd(QStringLiteral("full"));
    const int nlst = ftp.nameList(&names);
    EXPECT_OK(rec, nlst);
    QStringList got = QString::fromUtf8(names.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    got.sort();
    QCOMPARE(got, (QStringList{"a.txt", "b.txt", "c.bin"}));

    QBuffer empty;
    ftp.cd(QStringLiteral("../emptydir"));
    const int emptyList = ftp.nameList(&empty);
    WAIT_DONE(rec, emptyList);
    if (rec.finished[emptyList].failed)
        QCOMPARE(rec.finished[emptyList].error, int(QFtp::NoFiles));
    QVERIFY(empty.data().isEmpty());

    const int closeId = ftp.close();
    EXPECT_OK(rec, closeId);
    QTRY_COMPARE(ftp.state(), QFtp::Unconnected);
    QCOMPARE(rec.states, (QList<int>{QFtp::HostLookup, QFtp::Connecting, QFtp::Connected,
                                     QFtp::LoggedIn, QFtp::Closing, QFtp::Unconnected}));
    QCOMPARE(rec.doneCount, 5);

    // A wrong password.
    QFtp bad;
    Recorder badRec(&bad);
    bad.connectToHost(QStringLiteral("127.0.0.1"), t.port);
    const int badLogin = bad.login(t.user, QStringLiteral("wrong-password"));
    const int after = bad.cd(QStringLiteral("full"));
    WAIT_DONE(badRec, badLogin);
    QVERIFY(badRec.finished[badLogin].failed);
    QVERIFY2(badRec.finished[badLogin].text.startsWith(QStringLiteral("Login failed:\n")),
             qPrintable(badRec.finished[badLogin].text));
    QVERIFY(badRec.finished[badLogin].text.size() > int(strlen("Login failed:\n")));
    QVERIFY(!badRec.finished.contains(after)); // the rest of the queue is dropped
    QVERIFY(!badRec.started.contains(after));
    QCOMPARE(badRec.doneCount, 1);
    QVERIFY(badRec.lastDoneError);
}

void TestFtp::transfers_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("mode");
    for (const char *name : {"pyftpdlib", "vsftpd", "offline"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 passive").arg(QLatin1String(name))))
            << QString::fromLatin1(name) << int(QFtp::Passive);
        QTest::newRow(qPrintable(QStringLiteral("%1 active").arg(QLatin1String(name))))
            << QString::fromLatin1(name) << int(QFtp::Active);
    }
}

void TestFtp::transfers()
{
    TARGET_OR_SKIP(t);
    QFETCH(int, mode);
    const QString tag = mode == QFtp::Active ? QStringLiteral("act") : QStringLiteral("pas");

    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    const int modeId = ftp.setTransferMode(QFtp::TransferMode(mode));
    EXPECT_OK(rec, modeId);

    QTemporaryDir local;
    for (int size : {0, 1, 10 * 1024 * 1024}) {
        const QByteArray data = randomBytes(size, quint32(size + mode));
        const QString name = QStringLiteral("up-%1-%2.bin").arg(tag).arg(size);

        rec.progress.clear();
        const int putId = ftp.put(data, name);
        EXPECT_OK(rec, putId);
        QCOMPARE(sha(fileContents(t.root + QLatin1Char('/') + name)), sha(data));
        if (size > 0) {
            QVERIFY(!rec.progress.isEmpty());
            QCOMPARE(rec.progress.last(), qMakePair(qint64(size), qint64(size)));
        }

        // Into a device.
        QFile target(local.filePath(name));
        rec.progress.clear();
        const int getId = ftp.get(name, &target);
        EXPECT_OK(rec, getId);
        target.close();
        QCOMPARE(sha(fileContents(target.fileName())), sha(data));
        if (size > 0) {
            QCOMPARE(rec.progress.last().first, qint64(size));
            // TYPE I is in force from the put, so every server can tell the size.
            QCOMPARE(rec.progress.last().second, qint64(size));
        }

        // Into readAll.
        rec.collectReads = true;
        rec.reads.clear();
        const int readId = ftp.get(name);
        EXPECT_OK(rec, readId);
        rec.collectReads = false;
        QCOMPARE(sha(rec.reads), sha(data));
    }

    // Put from a device, then remove it.
    const QByteArray big = randomBytes(3 * 1024 * 1024 + 7, 99);
    const QString source = local.filePath(QStringLiteral("source.bin"));
    writeFile(source, big);
    QFile sourceFile(source);
    const QString devName = QStringLiteral("dev-%1.bin").arg(tag);
    const int devPut = ftp.put(&sourceFile, devName);
    EXPECT_OK(rec, devPut);
    QCOMPARE(sha(fileContents(t.root + QLatin1Char('/') + devName)), sha(big));
    const int removeId = ftp.remove(devName);
    EXPECT_OK(rec, removeId);
    QVERIFY(!QFile::exists(t.root + QLatin1Char('/') + devName));

    // Missing files.
    QBuffer sink;
    const int getMissing = ftp.get(QStringLiteral("missing-%1.bin").arg(tag), &sink);
    WAIT_DONE(rec, getMissing);
    QVERIFY(rec.finished[getMissing].failed);
    QVERIFY2(rec.finished[getMissing].text.startsWith(QStringLiteral("Downloading file failed:\n")),
             qPrintable(rec.finished[getMissing].text));
    const int removeMissing = ftp.remove(QStringLiteral("missing-%1.bin").arg(tag));
    WAIT_DONE(rec, removeMissing);
    QVERIFY(rec.finished[removeMissing].failed);
    QVERIFY(rec.finished[removeMissing].text.startsWith(QStringLiteral("Removing file failed:\n")));

    // The session is still good.
    const int last = ftp.get(QStringLiteral("up-%1-1.bin").arg(tag), &sink);
    EXPECT_OK(rec, last);
    const int closeId = ftp.close();
    EXPECT_OK(rec, closeId);
}

void TestFtp::abortDuringTransfer()
{
    TARGET_OR_SKIP(t);
    const qint64 bigSize = 256LL * 1024 * 1024;
    {
        QFile big(t.root + QStringLiteral("/big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(bigSize)); // sparse: costs no disk
    }
    settle(t);

    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    QTemporaryDir local;
    QFile sink(local.filePath(QStringLiteral("big.bin")));
    bool aborted = false;
    connect(&ftp, &QFtp::dataTransferProgress, this, [&](qint64 done, qint64) {
        if (!aborted && done > 0) {
            aborted = true;
            ftp.abort();
        }
    });
    const int getId = ftp.get(QStringLiteral("big.bin"), &sink);
    const int queued = ftp.cd(QStringLiteral("."));
    WAIT_DONE(rec, getId);
    QVERIFY(aborted);
    QVERIFY(rec.finished[getId].failed);
    QVERIFY(rec.finished[getId].text.startsWith(QStringLiteral("Downloading file failed:\n")));
    QVERIFY(!rec.started.contains(queued)); // abort clears the queue
    sink.close();
    QVERIFY(sink.size() < bigSize);

    // The control connection survives and stays in step.
    QFile small(t.root + QStringLiteral("/small.txt"));
    QVERIFY(small.open(QIODevice::WriteOnly));
    small.write("still here");
    small.close();
    settle(t);
    rec.collectReads = true;
    const int after = ftp.get(QStringLiteral("small.txt"));
    EXPECT_OK(rec, after);
    QCOMPARE(rec.reads, QByteArray("still here"));
    const int raw = ftp.rawCommand(QStringLiteral("NOOP"));
    EXPECT_OK(rec, raw);
    QCOMPARE(rec.raw.last().first, 200);
    QFile::remove(t.root + QStringLiteral("/big.bin"));

    // The same for an upload.
    QFile source(local.filePath(QStringLiteral("source.bin")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    QVERIFY(source.resize(bigSize));
    source.close();
    aborted = false;
    const int putId = ftp.put(&source, QStringLiteral("aborted-upload.bin"));
    WAIT_DONE(rec, putId);
    QVERIFY(aborted);
    QVERIFY(rec.finished[putId].failed);
    QVERIFY2(rec.finished[putId].text.startsWith(QStringLiteral("Uploading file failed:\n")),
             qPrintable(rec.finished[putId].text));
    QVERIFY(QFileInfo(t.root + QStringLiteral("/aborted-upload.bin")).size() < bigSize);
    rec.reads.clear();
    const int again = ftp.get(QStringLiteral("small.txt"));
    EXPECT_OK(rec, again);
    QCOMPARE(rec.reads, QByteArray("still here"));
}

void TestFtp::sequentialUpload()
{
    TARGET_OR_SKIP(t);
    QByteArray expected;
    for (int i = 1; i <= 200000; ++i)
        expected += QByteArray::number(i) + '\n';

    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    // A source whose size nobody knows: no ALLO, total 0, and the end comes when the
    // producer closes its output.
    for (bool finishedFirst : {false, true}) {
        QProcess producer;
        producer.start(QStringLiteral("/usr/bin/seq"), {QStringLiteral("1"), QStringLiteral("200000")});
        QVERIFY(producer.waitForStarted());
        if (finishedFirst)
            QVERIFY(producer.waitForFinished());
        const QString name = QStringLiteral("seq-%1.txt").arg(finishedFirst);
        rec.progress.clear();
        const int put = ftp.put(&producer, name);
        EXPECT_OK(rec, put);
        QCOMPARE(fileContents(t.root + QLatin1Char('/') + name), expected);
        QCOMPARE(rec.progress.last(), qMakePair(qint64(expected.size()), qint64(0)));
    }
}

void TestFtp::directories()
{
    TARGET_OR_SKIP(t);
    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    ftp.mkdir(QStringLiteral("made"));
    ftp.put(QByteArray("12345"), QStringLiteral("made/x.txt"));
    ftp.rename(QStringLiteral("made/x.txt"), QStringLiteral("made/y.txt"));
    const int listId = ftp.list(QStringLiteral("made"));
    EXPECT_OK(rec, listId);
    QCOMPARE(rec.infos.size(), 1);
    QCOMPARE(rec.infos[0].name(), QStringLiteral("y.txt"));
    QVERIFY(rec.infos[0].isFile());
    QCOMPARE(rec.infos[0].size(), qint64(5));

    rec.infos.clear();
    const int rootList = ftp.list();
    EXPECT_OK(rec, rootList);
    bool sawDir = false;
    for (const QUrlInfo &i : qAsConst(rec.infos))
        sawDir = sawDir || (i.name() == QLatin1String("made") && i.isDir());
    QVERIFY(sawDir);

    const int rmNonEmpty = ftp.rmdir(QStringLiteral("made"));
    WAIT_DONE(rec, rmNonEmpty);
    QVERIFY(rec.finished[rmNonEmpty].failed);
    QVERIFY(rec.finished[rmNonEmpty].text.startsWith(QStringLiteral("Removing directory failed:\n")));
    ftp.remove(QStringLiteral("made/y.txt"));
    const int rm = ftp.rmdir(QStringLiteral("made"));
    EXPECT_OK(rec, rm);
    QVERIFY(!QFileInfo::exists(t.root + QStringLiteral("/made")));
    const int mkBad = ftp.mkdir(QStringLiteral("no/such/parent"));
    WAIT_DONE(rec, mkBad);
    QVERIFY(rec.finished[mkBad].text.startsWith(QStringLiteral("Creating directory failed:\n")));

    const int pwd = ftp.rawCommand(QStringLiteral("PWD"));
    EXPECT_OK(rec, pwd);
    QCOMPARE(rec.raw.last().first, 257);
}

void TestFtp::offlineServerConfinesPaths()
{
    const Target t = m_targets.value(QStringLiteral("offline"));
    for (const char *folder : {"presets", "SpeakerTunings", "AmplifierData"})
        QVERIFY(QFileInfo(t.root + QLatin1Char('/') + QLatin1String(folder)).isDir());
    QTemporaryDir outside;
    writeFile(outside.filePath(QStringLiteral("secret.txt")), "secret");
    QVERIFY(QFile::link(outside.path(), t.root + QStringLiteral("/escape")));

    QFtp ftp;
    Recorder rec(&ftp);
    QVERIFY(connectAndLogin(ftp, rec, t));
    rec.collectReads = true;
    const QStringList attempts{QStringLiteral("../secret.txt"),
                               QStringLiteral("/../../etc/passwd"),
                               QStringLiteral("escape/secret.txt"),
                               QStringLiteral("presets/../../x")};
    for (const QString &path : attempts) {
        const int g = ftp.get(path);
        WAIT_DONE(rec, g);
        QVERIFY2(rec.finished[g].failed, qPrintable(path));
    }
    QVERIFY(rec.reads.isEmpty());
    const int cdOut = ftp.cd(QStringLiteral(".."));
    WAIT_DONE(rec, cdOut);
    QVERIFY(rec.finished[cdOut].failed);
    const int putOut = ftp.put(QByteArray("x"), QStringLiteral("escape/planted.txt"));
    WAIT_DONE(rec, putOut);
    QVERIFY(rec.finished[putOut].failed);
    QVERIFY(!QFile::exists(outside.filePath(QStringLiteral("planted.txt"))));
    QFile::remove(t.root + QStringLiteral("/escape"));

    // Inside the root all is well, with the processor's folder names.
    ftp.cd(QStringLiteral("/presets"));
    const int put = ftp.put(QByteArray("<preset/>"), QStringLiteral("P1.xml"));
    EXPECT_OK(rec, put);
    QCOMPARE(fileContents(t.root + QStringLiteral("/presets/P1.xml")), QByteArray("<preset/>"));
    QVERIFY(m_offline->sessionCount() >= 1);

    // A wrong login is counted.
    const int before = m_offline->failedLogins();
    QFtp bad;
    Recorder badRec(&bad);
    bad.connectToHost(QStringLiteral("127.0.0.1"), t.port);
    const int l = bad.login(QStringLiteral("tarnftp"), QStringLiteral("nope"));
    WAIT_DONE(badRec, l);
    QVERIFY(badRec.finished[l].failed);
    QCOMPARE(m_offline->failedLogins(), before + 1);
}

void TestFtp::scriptedFailures_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("verb"); // its answer replaced; an empty answer hangs up
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("error"); // -1: any
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("text");
    const QByteArray ready = "220 Scripted server ready\r\n";
    const QByteArray opening = "150 Opening data connection\r\n";
    QTest::newRow("greeting is no reply") << QByteArray("SSH-2.0-something\r\n") << QByteArray() << QByteArray() << false
                                          << 0 << "connect" << -1 << false
                                          << "Connecting to host failed:\nMalformed reply from server";
    QTest::newRow("greeting refuses") << QByteArray("421 Too many users\r\n") << QByteArray() << QByteArray() << false << 0
                                      << "connect" << -1 << true << "Connecting to host failed:\nToo many users";
    QTest::newRow("no greeting") << QByteArray() << QByteArray() << QByteArray() << false << 400 << "connect"
                                 << int(QFtp::ConnectionRefused) << false
                                 << "Connecting to host failed:\nConnection timed out to host 127.0.0.1";
    QTest::newRow("no files") << ready << QByteArray("NLST") << QByteArray("450 No files found\r\n") << false << 0
                              << "nlst" << int(QFtp::NoFiles) << false << "No files found";
    QTest::newRow("data never comes") << ready << QByteArray("RETR") << opening << false << 400 << "get" << -1 << true
                                      << "Downloading file failed:\nServer did not answer in time";
    QTest::newRow("active: server never connects") << ready << QByteArray("RETR") << opening << true << 400 << "get"
                                                   << -1 << false
                                                   << "Downloading file failed:\nData connection timed out";
    QTest::newRow("hang-up in a command") << ready << QByteArray("CWD") << QByteArray() << false << 0 << "cd" << -1
                                          << false << "Changing directory failed:\nConnection closed";
}

void TestFtp::scriptedFailures()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, answer);
    QFETCH(int, timeout);
    QFETCH(QString, op);
    QFETCH(int, error);
    Scripted s(verb, answer);
    QFETCH(QByteArray, greeting);
    s.server.greeting = greeting;
    if (timeout > 0)
        s.ftp.setTimeout(timeout);
    QFETCH(bool, active);
    if (active)
        s.ftp.setTransferMode(QFtp::Active);
    QBuffer names;
    int id = 0;
    if (op == QLatin1String("connect")) {
        id = s.ftp.connectToHost(QStringLiteral("127.0.0.1"), s.server.port());
    } else {
        s.login();
        id = op == QLatin1String("cd") ? s.ftp.cd(QStringLiteral("x"))
            : op == QLatin1String("get") ? s.ftp.get(QStringLiteral("f"))
                                          : s.ftp.nameList(&names);
    }
    WAIT_DONE(s.rec, id);
    QVERIFY(s.rec.finished[id].failed);
    QTEST(s.rec.finished[id].text, "text");
    if (error >= 0)
        QCOMPARE(s.rec.finished[id].error, error);
    QFETCH(bool, closes);
    if (closes)
        QTRY_COMPARE(s.ftp.state(), QFtp::Unconnected);
    if (op == QLatin1String("nlst"))
        QVERIFY(s.server.received.contains("TYPE A") && s.server.received.contains("PASV"));
}

void TestFtp::scriptedLoginLines()
{
    // 230 straight after USER: no PASS goes out.
    {
        Scripted s("USER", "230 Already logged in\r\n");
        s.ftp.connectToHost(QStringLiteral("127.0.0.1"), s.server.port());
        const int login = s.ftp.login(QStringLiteral("someone"), QStringLiteral("secret"));
        const int cd = s.ftp.cd(QStringLiteral("presets"));
        EXPECT_OK(s.rec, cd);
        QVERIFY(!s.rec.finished[login].failed);
        QCOMPARE(s.server.received, (QList<QByteArray>{"USER someone", "CWD presets"}));
        QCOMPARE(s.ftp.state(), QFtp::LoggedIn);
    }
    // Empty user and password log in anonymously.
    Scripted s;
    s.ftp.connectToHost(QStringLiteral("127.0.0.1"), s.server.port());
    const int login = s.ftp.login();
    EXPECT_OK(s.rec, login);
    QCOMPARE(s.server.received, (QList<QByteArray>{"USER anonymous", "PASS anonymous@"}));
}

void TestFtp::scriptedRefusedEpsv()
{
    Scripted s("EPSV", "500 EPSV not understood\r\n", QHostAddress::LocalHostIPv6);
    if (!s.server.isListening())
        QSKIP("no IPv6 loopback here");
    s.server.payload = randomBytes(100000, 7);
    s.login(QStringLiteral("::1"));
    QBuffer first;
    QBuffer second;
    const int get1 = s.ftp.get(QStringLiteral("f.bin"), &first);
    const int get2 = s.ftp.get(QStringLiteral("f.bin"), &second);
    EXPECT_OK(s.rec, get1);
    EXPECT_OK(s.rec, get2);
    QCOMPARE(first.data(), s.server.payload);
    QCOMPARE(second.data(), s.server.payload);
    // Refused once, the extended form is not tried again.
    QCOMPARE(s.server.received.count("EPSV"), 1);
    QCOMPARE(s.server.received.count("PASV"), 2);
    QCOMPARE(s.server.received.indexOf("EPSV") + 1, s.server.received.indexOf("PASV"));
    QCOMPARE(s.server.lastDataPeer, QHostAddress(QHostAddress::LocalHostIPv6));
}

void TestFtp::scriptedActiveOverIPv6()
{
    Scripted s({}, {}, QHostAddress::LocalHostIPv6);
    if (!s.server.isListening())
        QSKIP("no IPv6 loopback here");
    s.ftp.setTransferMode(QFtp::Active);
    s.login(QStringLiteral("::1"));
    const int put = s.ftp.put(QByteArray("over six"), QStringLiteral("v6.txt"));
    EXPECT_OK(s.rec, put);
    QCOMPARE(s.server.stored, QByteArray("over six"));
    QVERIFY(std::any_of(s.server.received.cbegin(), s.server.received.cend(),
                        [](const QByteArray &l) { return l.startsWith("EPRT |2|::1|"); }));
    QVERIFY(s.server.received.contains("ALLO 8"));
}

void TestFtp::scriptedReplyOvertakesData()
{
    Scripted s;
    s.server.payload = randomBytes(300000, 3);
    s.server.handler = [&](const QByteArray &line) {
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
    const int get = s.ftp.get(QStringLiteral("late.bin"), &sink);
    EXPECT_OK(s.rec, get);
    QCOMPARE(sink.data(), s.server.payload);
    QCOMPARE(s.rec.progress.last(), qMakePair(qint64(300000), qint64(300000)));
}

void TestFtp::scriptedSizeFails()
{
    Scripted s("SIZE", "550 SIZE not allowed in ASCII mode\r\n");
    s.server.payload = randomBytes(50000, 5);
    s.login();
    s.rec.collectReads = true;
    const int get = s.ftp.get(QStringLiteral("f.bin"));
    EXPECT_OK(s.rec, get);
    QCOMPARE(s.rec.reads, s.server.payload);
    QVERIFY(!s.rec.progress.isEmpty());
    for (const auto &p : qAsConst(s.rec.progress))
        QCOMPARE(p.second, qint64(0)); // total unknown
    QCOMPARE(s.rec.progress.last().first, qint64(50000));
}

void TestFtp::scriptedMultiLineReplies()
{
    Scripted s("HELP", "214-The following commands are recognized.\r\n USER PASS\r\n214 Help OK.\r\n");
    s.server.greeting = "220-Welcome to the processor\r\n220-Second line\r\nfree text line\r\n220 Ready\r\n";
    const int l = s.login();
    const int h = s.ftp.rawCommand(QStringLiteral("HELP"));
    EXPECT_OK(s.rec, h);
    QVERIFY(!s.rec.finished[l - 1].failed && !s.rec.finished[l].failed);
    // Only one USER line: the greeting was taken as one reply.
    QCOMPARE(s.server.received, (QList<QByteArray>{"USER u", "PASS p", "HELP"}));
    QCOMPARE(s.rec.raw.size(), 1);
    QCOMPARE(s.rec.raw[0].first, 214);
    QCOMPARE(s.rec.raw[0].second, QStringLiteral("The following commands are recognized.\n USER PASS\nHelp OK."));
}

void TestFtp::scriptedForeignPassiveAddress()
{
    Scripted s;
    s.server.payload = "from the right host";
    s.server.handler = [&](const QByteArray &line) {
        if (!line.startsWith("PASV"))
            return s.server.standard(line);
        const quint16 p = s.server.openPassive();
        s.server.send(QStringLiteral("227 Entering Passive Mode (10,9,8,7,%1,%2)\r\n").arg(p >> 8).arg(p & 0xff).toLatin1());
    };
    s.login();
    s.rec.collectReads = true;
    const int get = s.ftp.get(QStringLiteral("f"));
    EXPECT_OK(s.rec, get);
    QCOMPARE(s.rec.reads, s.server.payload);
    QCOMPARE(s.server.dataConnections, 1);
}

void TestFtp::scriptedEndlessReplies()
{
    // A greeting line that never ends, then a multi-line reply that never ends.
    for (const bool inGreeting : {true, false}) {
        Scripted s;
        bool pumping = inGreeting;
        if (inGreeting)
            s.server.greeting = "220 ";
        s.server.handler = [&](const QByteArray &line) {
            if (!line.startsWith("CWD"))
                return s.server.standard(line);
            s.server.send("250-Here it comes\r\n");
            pumping = true;
        };
        const QByteArray more = inGreeting ? QByteArray(16384, 'x') : QByteArray("250-more and more text\r\n").repeated(200);
        QTimer pump;
        connect(&pump, &QTimer::timeout, &s.server, [&] {
            if (pumping && s.server.control() && s.server.control()->bytesToWrite() < 65536)
                s.server.send(more);
        });
        pump.start(1);
        const int id = inGreeting ? s.ftp.connectToHost(QStringLiteral("127.0.0.1"), s.server.port())
                                  : (s.login(), s.ftp.cd(QStringLiteral("x")));
        WAIT_DONE(s.rec, id);
        QVERIFY(s.rec.finished[id].failed);
        QCOMPARE(s.rec.finished[id].text, QLatin1String(inGreeting ? "Connecting to host failed:" : "Changing directory failed:")
                                              + QStringLiteral("\nReply from server too long"));
        QTRY_COMPARE(s.ftp.state(), QFtp::Unconnected);
    }
}

void TestFtp::scriptedUnsolicitedAndUnreachable()
{
    // An unsolicited reply while idle, then the server hangs up.
    {
        Scripted s;
        const int l = s.login();
        EXPECT_OK(s.rec, l);
        s.server.send("421 Timeout\r\n");
        s.server.control()->disconnectFromHost();
        QTRY_COMPARE(s.ftp.state(), QFtp::Unconnected);
        const int cd = s.ftp.cd(QStringLiteral("x"));
        WAIT_DONE(s.rec, cd);
        QCOMPARE(s.rec.finished[cd].error, int(QFtp::NotConnected));
        QCOMPARE(s.rec.finished[cd].text, QStringLiteral("Changing directory failed:\nNot connected"));
    }
    // Refused and unresolvable hosts.
    QFtp ftp;
    Recorder rec(&ftp);
    const int c = ftp.connectToHost(QStringLiteral("127.0.0.1"), tarn::test::freeLoopbackPort());
    WAIT_DONE(rec, c);
    QCOMPARE(rec.finished[c].error, int(QFtp::ConnectionRefused));
    QCOMPARE(rec.finished[c].text, QStringLiteral("Connecting to host failed:\nConnection refused to host 127.0.0.1"));
    const int h = ftp.connectToHost(QStringLiteral("no-such-host.invalid"), 21);
    WAIT_DONE(rec, h);
    QCOMPARE(rec.finished[h].error, int(QFtp::HostNotFound));
    QCOMPARE(rec.finished[h].text, QStringLiteral("Connecting to host failed:\nHost no-such-host.invalid not found"));
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
    QCOMPARE(b, a + 1);
    QCOMPARE(c, b + 1);
    const int l = ftp.login(QStringLiteral("u"), QStringLiteral("p"));
    EXPECT_OK(rec, l);
    QCOMPARE(ftp.state(), QFtp::LoggedIn);
    QCOMPARE(server.connections, 1);

    // Line breaks inside an argument never reach the server.
    const int injected = ftp.cd(QStringLiteral("x\r\nDELE important"));
    WAIT_DONE(rec, injected);
    QVERIFY(rec.finished[injected].failed);
    QVERIFY(!server.received.contains("DELE important"));

    // clearPendingCommands keeps only the running command.
    const int first = ftp.cd(QStringLiteral("one"));
    const int second = ftp.cd(QStringLiteral("two"));
    const int third = ftp.cd(QStringLiteral("three"));
    QVERIFY(ftp.hasPendingCommands());
    QCOMPARE(ftp.currentId(), first);
    ftp.clearPendingCommands();
    QVERIFY(!ftp.hasPendingCommands());
    EXPECT_OK(rec, first);
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
    QCOMPARE(server.received.last(), QByteArray("CWD chained"));

    // A device that goes away before its get starts.
    auto *gone = new QBuffer;
    const int getGone = ftp.get(QStringLiteral("f"), gone);
    delete gone;
    WAIT_DONE(rec, getGone);
    QVERIFY(rec.finished[getGone].failed);
}

TARN_TEST_MAIN(TestFtp, QCoreApplication)
#include "tst_ftp.moc"
