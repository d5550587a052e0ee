#include "quicktestrunner.h"

#include "qmltypes.h"
#include "testenv.h"
#include "testlink.h"

#include <QLoggingCategory>
#include <QQmlEngine>
#include <QtQuickTest>

#include <atomic>
#include <cstdio>

namespace {
std::atomic<int> g_qmlWarnings{0};
QtMessageHandler g_previous = nullptr;

void countQmlWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QLatin1String category(context.category ? context.category : "");
    const bool fromQml = category == QLatin1String("qml") || category == QLatin1String("js")
        || message.contains(QLatin1String(".qml")) || message.contains(QLatin1String(".js:"));
    if ((type == QtWarningMsg || type == QtCriticalMsg) && fromQml)
        ++g_qmlWarnings;
    if (g_previous)
        g_previous(type, context, message);
}

class QuickTestSetup : public QObject {
    Q_OBJECT
public:
    explicit QuickTestSetup(std::function<void()> registerExtra) : m_registerExtra(std::move(registerExtra)) {}

public slots:
    void applicationAvailable()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tarn.*.debug=false"));
        tarn::registerQmlTypes();
        m_link = new TestLink(this);
        if (!m_link->login())
            qFatal("The scripted processor did not log in.");
        // One link for every test file (each has an engine of its own).
        static TestLink *link = m_link;
        qmlRegisterSingletonType<TestLink>("TarnTest", 1, 0, "TestLink", [](QQmlEngine *, QJSEngine *) -> QObject * {
            QQmlEngine::setObjectOwnership(link, QQmlEngine::CppOwnership);
            return link;
        });
        if (m_registerExtra)
            m_registerExtra();
    }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        connect(engine, &QQmlEngine::warnings, this,
                [](const QList<QQmlError> &warnings) { g_qmlWarnings += warnings.size(); });
    }

private:
    std::function<void()> m_registerExtra;
    TestLink *m_link = nullptr;
};
} // namespace

int tarn::test::runQuickTests(int argc, char **argv, const char *name, const char *sourceDir,
                              std::function<void()> registerExtra)
{
    tarn::test::isolateEnvironment();
    g_previous = qInstallMessageHandler(countQmlWarnings);
    QuickTestSetup setup(std::move(registerExtra));
    const int result = quick_test_main_with_setup(argc, argv, name, sourceDir, &setup);
    if (result == 0 && g_qmlWarnings > 0) {
        std::fprintf(stderr, "FAIL: %d QML warning(s) during the run\n", int(g_qmlWarnings));
        return 1;
    }
    return result;
}

#include "quicktestrunner.moc"
