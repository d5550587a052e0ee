#pragma once

#include "testenv.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace tarn::test {
// Pictures need a real X server: a test calls this first thing in main() and runs itself again
// under a private Xvfb (xcb platform, software scene graph). Returns only in the run under Xvfb
// (true), or when xvfb-run is missing (false: the caller skips).
inline bool reexecUnderXvfb(const char *marker, int argc, char *argv[])
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

// TARN_TEST_MAIN for a suite that takes pictures: it runs itself again under a private Xvfb
// first (the marker names the environment variable that tells the second run).
#define TARN_XVFB_TEST_MAIN(TestObject, marker)                                                    \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        if (!tarn::test::reexecUnderXvfb(marker, argc, argv))                                      \
            return 0;                                                                              \
        tarn::test::isolateEnvironment();                                                          \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
