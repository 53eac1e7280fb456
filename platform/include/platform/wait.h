// The process-wide cancel request and the pump callback that every wait calls.
#pragma once

#include <chrono>
#include <functional>

namespace platform {

// Called between the slices of a wait. The Windows GUI dispatches its window messages here.
using Pump = std::function<void()>;

// Length of one slice of a wait: the pump runs and the cancel request is looked at this often.
inline constexpr std::chrono::milliseconds kWaitSlice{50};

// The cancel request: one atomic flag for the whole process. Safe to set from a signal handler or
// from another thread. A cancellable wait that sees it returns at once; nothing here clears it, so
// every later wait fails too until the owner of the operation calls clear_cancel().
void request_cancel() noexcept;
void clear_cancel() noexcept;
bool cancel_requested() noexcept;
// Clears the request and tells whether it was set.
bool take_cancel() noexcept;

// Waits for the given time in slices, calling the pump between them. Does not look at the cancel
// request unless cancellable is true; returns false when it stopped early for it.
bool sleep_with_pump(std::chrono::milliseconds duration, const Pump& pump, bool cancellable = false);

} // namespace platform
