#include "sys_error.h"

#include <cerrno>
#include <system_error>

namespace platform::detail {

std::string system_error_text(unsigned long code) {
    return std::system_category().message(static_cast<int>(code));
}

unsigned long last_system_error() {
    return static_cast<unsigned long>(errno);
}

} // namespace platform::detail
