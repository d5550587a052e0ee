#pragma once

#include <functional>

namespace tarn::test {
// Runs the Qt Quick Tests in sourceDir with the application's QML types and a link logged in to
// a scripted processor (the TarnTest "TestLink" singleton); registerExtra adds a suite's own
// types. Any QML or JavaScript warning during the run fails it.
int runQuickTests(int argc, char **argv, const char *name, const char *sourceDir,
                  std::function<void()> registerExtra = {});
} // namespace tarn::test
