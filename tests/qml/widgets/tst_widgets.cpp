// Guards against widget documents that misbehave with the application's QML types and a link
// logged in to a scripted processor; any QML or JavaScript warning fails the run.
#include "quicktestrunner.h"

int main(int argc, char **argv)
{
    return tarn::test::runQuickTests(argc, argv, "widgets", QUICK_TEST_SOURCE_DIR);
}
