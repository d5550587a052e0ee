// Guards against the home screen and the screens it leads to going wrong in QML: Qt Quick Tests
// with the application's types and a link to a scripted processor; any QML warning fails the run.
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
