// Guards against log lines that are torn or misread, settings that do not reach other parts of
// the application, and data or cloud addresses taken from the wrong place.
#include "cloudstore.h"
#include "datapaths.h"
#include "messagehandler.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <thread>
#include <vector>

class TstCore : public QObject {
    Q_OBJECT
private slots:
    void logLineFormat()
    {
        // A signature with "::" inside its argument list loses everything up to the last "::".
        const QMessageLogContext context("/home/dev/src/link/tcpadaptor.cpp", 214,
                                         "void __cdecl TCPAdaptor::onError(enum QAbstractSocket::SocketError)",
                                         "default");
        const QString line = tarn::formatLogLine(QtWarningMsg, context, QStringLiteral("socket error"));
        const QRegularExpression shape(QStringLiteral(
            R"(^\d\d:\d\d:\d\d:\d\d\d: Warning \[tcpadaptor\.cpp: SocketError\): 214\] socket error\n$)"));
        QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));

        QCOMPARE(tarn::trimFunctionName("void __cdecl TCPAdaptor::doConnect(void)"), QStringLiteral("doConnect(void)"));
        QCOMPARE(tarn::trimFunctionName("int main(int, char **)"), QStringLiteral("int main(int, char **)"));
        QCOMPARE(tarn::trimFunctionName(nullptr), QString());

        // Windows separators in the file name go too; a missing file leaves the field empty.
        const QMessageLogContext windowsContext("C:\\src\\shell\\viewloader.cpp", 7, "f()", "default");
        QVERIFY(tarn::formatLogLine(QtDebugMsg, windowsContext, "x").contains(QStringLiteral("[viewloader.cpp: f(): 7] x")));
        const QMessageLogContext empty;
        QVERIFY(tarn::formatLogLine(QtDebugMsg, empty, "x").endsWith(QStringLiteral("Debug   [: : 0] x\n")));

        // Each level's word, padded to one width.
        QStringList words;
        for (QtMsgType type : {QtDebugMsg, QtWarningMsg, QtCriticalMsg, QtInfoMsg})
            words << tarn::formatLogLine(type, windowsContext, "t").mid(14, 7);
        QCOMPARE(words, QStringList({"Debug  ", "Warning", "Error  ", "Info   "}));
    }

    void handlerKeepsLinesWholeAcrossThreads()
    {
        const QString path = tarn::test::isolateEnvironment() + QStringLiteral("/threads.log");
        QVERIFY(tarn::installLogHandler(path));
        constexpr int kThreads = 4;
        constexpr int kLines = 3000;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t]() {
                for (int i = 0; i < kLines; ++i)
                    qDebug().noquote() << QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + QString(60, QLatin1Char('x'));
            });
        }
        for (auto &thread : threads)
            thread.join();
        qWarning("näive ünïcode");
        tarn::uninstallLogHandler();

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), kThreads * kLines + 2); // last split piece is empty
        const QRegularExpression shape(QStringLiteral(
            R"(^\d\d:\d\d:\d\d:\d\d\d: Debug   \[tst_core\.cpp: .*\] thread \d line \d+ x{60}$)"));
        for (int i = 0; i < kThreads * kLines; ++i)
            QVERIFY2(shape.match(QString::fromLocal8Bit(lines.at(i))).hasMatch(), lines.at(i).constData());
        QVERIFY(QString::fromLocal8Bit(lines.at(kThreads * kLines)).endsWith(QStringLiteral("näive ünïcode")));
    }

    void settingsAndDataPaths()
    {
        const QString root = tarn::test::isolateEnvironment();
        const QString address = QString::fromLatin1(tarn::keys::CurrentDeviceAddress);
        const QString checkOnStart = QString::fromLatin1(tarn::keys::CheckOnStart);
        TarnSettings writer;
        TarnSettings reader;
        writer.setValue(address, QStringLiteral("10.0.0.7"));
        QCOMPARE(TarnSettings::text(address), QStringLiteral("10.0.0.7"));
        // Booleans are stored as text and stay text.
        writer.setValue(checkOnStart, QStringLiteral("false"));
        QCOMPARE(reader.value(checkOnStart).toString(), QStringLiteral("false"));
        QCOMPARE(reader.value(QStringLiteral("Data/neverWritten"), QStringLiteral("Standard")).toString(), QStringLiteral("Standard"));
        writer.remove(checkOnStart);
        QVERIFY(!reader.contains(checkOnStart) && reader.contains(address));
        writer.clear();
        QVERIFY(!reader.contains(address));

        // Settings, data and the lock file live where XDG says, under the organisation's names.
        QVERIFY(QFile::exists(root + QStringLiteral("/config/Tessil/TarnControl.conf")));
        QCOMPARE(tarn::dataFolder(), root + QStringLiteral("/data/norv/Tarn"));
        QCOMPARE(tarn::logFilePath(), root + QStringLiteral("/data/norv/Tarn/ui.log"));
        QCOMPARE(tarn::lockFilePath(), root + QStringLiteral("/tmp/TESSIL_NORV_CADENZO_TARN_LOCK_FILE"));
    }

    void cloudStoreAddress()
    {
        qunsetenv("TARN_CLOUD_URL");
        const QString fallback = tarn::cloudContainerUrl(QStringLiteral("cz-x")).toString();
        QVERIFY2(fallback.startsWith(QLatin1String("https://")), qPrintable(fallback));
        // A lab's store, with or without a trailing slash, and values that must never be used.
        const struct { const char *environment, *container; } cases[] = {
            {"http://127.0.0.1:8080", "http://127.0.0.1:8080/cz-x"},
            {"http://127.0.0.1:8080/store/", "http://127.0.0.1:8080/store/cz-x"},
            {"ftp://127.0.0.1/", nullptr}, {"http:///x", nullptr}, {"file:///etc", nullptr}};
        for (const auto &c : cases) {
            qputenv("TARN_CLOUD_URL", c.environment);
            const QString url = tarn::cloudContainerUrl(QStringLiteral("cz-x")).toString();
            qunsetenv("TARN_CLOUD_URL");
            QCOMPARE(url, c.container ? QString::fromLatin1(c.container) : fallback);
        }
    }
};

TARN_TEST_MAIN(TstCore, QCoreApplication)
#include "tst_core.moc"
