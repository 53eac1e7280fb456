#include "platform/wait.h"

#include <atomic>
#include <thread>

namespace platform {

namespace {
// Lock-free, so setting it from a signal handler is safe.
std::atomic<bool> g_cancel{false};
static_assert(std::atomic<bool>::is_always_lock_free);
} // namespace

void request_cancel() noexcept {
    g_cancel.store(true);
}
void clear_cancel() noexcept {
    g_cancel.store(false);
}
bool cancel_requested() noexcept {
    return g_cancel.load();
}
bool take_cancel() noexcept {
    return g_cancel.exchange(false);
}

bool sleep_with_pump(std::chrono::milliseconds duration, const Pump& pump, bool cancellable) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + duration;
    for (;;) {
        if (cancellable && cancel_requested()) return false;
        const auto now = clock::now();
        if (now >= deadline) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        std::this_thread::sleep_for(left < kWaitSlice ? left : kWaitSlice);
        if (pump) pump();
    }
}

} // namespace platform
