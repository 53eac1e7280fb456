// The system's clock calls (Clock_win.cpp, Clock_posix.cpp).
#pragma once

#include <ctime>

namespace platform::detail {

bool sys_utc_offset_now(int& minutes);
bool sys_utc_offset_at(std::time_t when, int& minutes);

} // namespace platform::detail
