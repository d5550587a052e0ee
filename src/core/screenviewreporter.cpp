#include "screenviewreporter.h"

#include <atomic>

namespace tarn {
namespace {
std::atomic<ScreenViewReporter *> s_reporter{nullptr};
}

ScreenViewReporter::~ScreenViewReporter()
{
    ScreenViewReporter *self = this;
    s_reporter.compare_exchange_strong(self, nullptr);
}

ScreenViewReporter *ScreenViewReporter::instance()
{
    return s_reporter.load();
}

void ScreenViewReporter::setInstance(ScreenViewReporter *reporter)
{
    s_reporter.store(reporter);
}
} // namespace tarn
