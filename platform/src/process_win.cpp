#include "platform/process.h"

#include <windows.h>

namespace platform {

unsigned long process_id() noexcept {
    return GetCurrentProcessId();
}

} // namespace platform
