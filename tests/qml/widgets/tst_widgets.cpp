// Qt Quick Tests of the widget documents, with the application's QML types and a link logged in
// to a scripted processor. Any QML or JavaScript warning fails the run.
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
} // namespace

class Setup : public QObject {
    Q_OBJECT
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
    }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        connect(engine, &QQmlEngine::warnings, this, [](const QList<QQmlError> &warnings) {
            g_qmlWarnings += warnings.size();
        });
    }

private:
    TestLink *m_link = nullptr;
};

int main(int argc, char **argv)
{
    tarn::test::isolateEnvironment();
    g_previous = qInstallMessageHandler(countQmlWarnings);
    Setup setup;
    const int result = quick_test_main_with_setup(argc, argv, "widgets", QUICK_TEST_SOURCE_DIR, &setup);
    if (result == 0 && g_qmlWarnings > 0) {
        std::fprintf(stderr, "FAIL: %d QML warning(s) during the run\n", int(g_qmlWarnings));
        return 1;
    }
    return result;
}

#include "tst_widgets.moc"
