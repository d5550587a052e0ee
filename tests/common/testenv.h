#pragma once

#include <QByteArray>
#include <QStandardPaths>
#include <QCoreApplication>
#include <QStringList>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <vector>

namespace tarn::test {
// Points XDG_CONFIG_HOME, XDG_DATA_HOME and TMPDIR at folders of this test process, so no test
// reads or writes the user's own settings, data or lock file. Call before anything opens them.
inline QString isolateEnvironment()
{
    static std::unique_ptr<QTemporaryDir> root;
    if (!root) {
        root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tarn-test-XXXXXX"));
        const QString base = root->path();
        for (const char *sub : {"config", "data", "tmp"})
            QDir().mkpath(base + QLatin1Char('/') + QLatin1String(sub));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("/data")));
        qputenv("TMPDIR", QFile::encodeName(base + QStringLiteral("/tmp")));
        // Usage hits of any test go to a local port that refuses (discard), never off the machine.
        if (qEnvironmentVariableIsEmpty("TARN_ANALYTICS_URL"))
            qputenv("TARN_ANALYTICS_URL", "http://127.0.0.1:9/collect");
    }
    return root->path();
}

// Arguments for xvfb-run that start a private X server of 1280x800. "-a" alone searches from
// display 99, so two tests starting at once can pick the same number and one of them ends up
// on the other's server; starting the search at a number derived from the process id avoids it.
inline QStringList xvfbRunArguments()
{
    const qint64 start = 100 + QCoreApplication::applicationPid() % 20000;
    return {QStringLiteral("-a"), QStringLiteral("-n"), QString::number(start), QStringLiteral("-s"),
            QStringLiteral("-screen 0 1280x800x24")};
}
// Runs this program again under a private X server of its own (xvfb-run), for tests that take
// pictures of real windows. Returns true in the process that is to go on: the one already under
// the X server (the variable `marker` is set there). Returns false when xvfb-run is not installed.
inline bool underPrivateXServer(int argc, char *argv[], const char *marker)
{
    if (!qEnvironmentVariableIsEmpty(marker))
        return true;
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfb.isEmpty())
        return false;
    qputenv(marker, "1");
    qputenv("QT_QPA_PLATFORM", "xcb");
    // GL through Xvfb renders on a thread that can stall under load; pictures do not need it.
    qputenv("QT_QUICK_BACKEND", "software");
    QList<QByteArray> arguments{QFile::encodeName(xvfb)};
    for (const QString &a : xvfbRunArguments())
        arguments.append(a.toLocal8Bit());
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    std::vector<char *> list;
    for (QByteArray &a : arguments)
        list.push_back(a.data());
    list.push_back(nullptr);
    ::execv(list[0], list.data());
    std::perror("xvfb-run");
    std::exit(1);
}
} // namespace tarn::test

// QTEST_MAIN with the environment isolated before the application object exists.
#define TARN_TEST_MAIN(TestObject, AppType)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        tarn::test::isolateEnvironment();                                                          \
        AppType app(argc, argv);                                                                   \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
