#include "platform/clock.h"

#include "clock_sys.h"

#include <ctime>

namespace platform {

DateTime local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace detail {

bool sys_utc_offset_at(std::time_t when, int& minutes) {
    std::tm tm{};
    if (!localtime_r(&when, &tm)) return false;
    minutes = static_cast<int>(tm.tm_gmtoff / 60);
    return true;
}

bool sys_utc_offset_now(int& minutes) {
    return sys_utc_offset_at(std::time(nullptr), minutes);
}

} // namespace detail
} // namespace platform
