#include "platform/process.h"

#include <unistd.h>

namespace platform {

unsigned long process_id() noexcept {
    return static_cast<unsigned long>(::getpid());
}

} // namespace platform
