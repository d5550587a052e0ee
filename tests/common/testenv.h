#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

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
// Pictures of screens need a real X server: a test that takes them runs itself again under a
// private Xvfb with the software renderer. Returns only in that second run (true), or false
// when xvfb-run is missing (the caller skips); otherwise the process is replaced.
inline bool reexecUnderXvfb(int argc, char *argv[], const char *marker)
{
    if (!qEnvironmentVariableIsEmpty(marker))
        return true;
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfb.isEmpty()) {
        std::fprintf(stderr, "%s: xvfb-run is not installed; skipped\n", argv[0]);
        return false;
    }
    qputenv(marker, "1");
    qputenv("QT_QPA_PLATFORM", "xcb");
    // GL through Xvfb renders on a thread that can stall under load; pictures do not need it.
    qputenv("QT_QUICK_BACKEND", "software");
    QList<QByteArray> arguments;
    arguments.append(QFile::encodeName(xvfb));
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
