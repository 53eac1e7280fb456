// The running process.
#pragma once

namespace platform {

// The process id (GetCurrentProcessId / getpid).
unsigned long process_id() noexcept;

} // namespace platform
