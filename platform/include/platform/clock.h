// Local time, the local offset from UTC, time formatting and a monotonic clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A calendar time: month 1..12, day 1..31, hour 0..23, minute and second 0..59.
struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// The machine's local time now.
DateTime local_now();

// The local offset east of UTC in minutes, now. Windows: the time-zone information (bias plus the
// standard or the daylight bias, negated); POSIX: tm_gmtoff. When the system cannot tell, the last
// value obtained is returned (-1 before any).
int utc_offset_minutes();
// The local offset in effect at the given time; false when the system cannot tell.
bool utc_offset_minutes_at(std::time_t when, int& minutes);

// Tests only: makes both functions above report a fixed offset (nullopt: the system's again).
void set_utc_offset_for_tests(std::optional<int> minutes);

// Formats like strftime with the fields %Y %y %m %d %H %M %S and %% (zero-padded, no locale);
// any other character is copied. "%m%d%H%M%S" gives 1207102030.
std::string format_time(const DateTime& time, std::string_view pattern);

// Milliseconds of a monotonic clock (never goes back; arbitrary origin).
std::int64_t monotonic_ms();

} // namespace platform
