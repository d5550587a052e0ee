// Qt Quick Tests of the home screen and the screens it leads to, with the application's QML
// types and a link logged in to a scripted processor; the processor's answers are played
// through the link adaptor's signals. Any QML warning fails the run.
#include "homeprocessor.h"
#include "quicktestrunner.h"

#include <QQmlEngine>

int main(int argc, char **argv)
{
    return tarn::test::runQuickTests(argc, argv, "homescreen", QUICK_TEST_SOURCE_DIR, []() {
        qmlRegisterSingletonType<HomeProcessor>("TarnHomeTest", 1, 0, "HomeProcessor",
                                                [](QQmlEngine *, QJSEngine *) -> QObject * { return new HomeProcessor; });
    });
}
