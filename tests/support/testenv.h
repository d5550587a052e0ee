#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

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
        // Usage hits and update checks of any test go to a local port that refuses (discard),
        // never off the machine; a test that needs a store or a collector starts its own.
        if (qEnvironmentVariableIsEmpty("TARN_ANALYTICS_URL"))
            qputenv("TARN_ANALYTICS_URL", "http://127.0.0.1:9/collect");
        if (qEnvironmentVariableIsEmpty("TARN_CLOUD_URL"))
            qputenv("TARN_CLOUD_URL", "http://127.0.0.1:9");
    }
    return root->path();
}

// A whole file's bytes (empty when it cannot be read), and a file written whole, its folder made.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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

// Several results in one line, as the debug stream writes them, to compare at once.
template <typename... T> QString joined(const T &...values)
{
    QString text;
    QDebug debug(&text);
    debug.nospace().noquote();
    ((debug << values << ' '), ...);
    return text.trimmed();
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
