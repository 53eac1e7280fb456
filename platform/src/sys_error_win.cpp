#include "sys_error.h"

#include <windows.h>

namespace platform::detail {

std::string system_error_text(unsigned long code) {
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                   0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n < sizeof buffer ? n : 0);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

unsigned long last_system_error() {
    return GetLastError();
}

} // namespace platform::detail
