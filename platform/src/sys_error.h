// The system's own text for an error code (errno natively, GetLastError / Winsock on Windows).
#pragma once

#include <string>

namespace platform::detail {

std::string system_error_text(unsigned long code);
// The code of the last failed system call (errno / GetLastError()).
unsigned long last_system_error();

} // namespace platform::detail
