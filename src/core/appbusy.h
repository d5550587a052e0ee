#pragma once

#include <atomic>

namespace tarn {
// The application-wide busy flag. The view loader owns the value; the link worker reads it
// from its own thread without a lock, so it is an atomic.
class AppBusy {
public:
    static bool isBusy() { return s_busy.load(std::memory_order_relaxed); }
    static void setBusy(bool busy) { s_busy.store(busy, std::memory_order_relaxed); }

private:
    static std::atomic<bool> s_busy;
};
} // namespace tarn
