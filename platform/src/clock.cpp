// The portable parts of the clock: formatting, the monotonic clock, the offset kept between calls.
#include "platform/clock.h"

#include "clock_sys.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace platform {

namespace {
constexpr int kNoOverride = 1 << 30;
std::atomic<int> g_offset_override{kNoOverride};
std::atomic<int> g_last_offset{-1};
} // namespace

void set_utc_offset_for_tests(std::optional<int> minutes) {
    g_offset_override.store(minutes.value_or(kNoOverride));
}

int utc_offset_minutes() {
    if (const int fixed = g_offset_override.load(); fixed != kNoOverride) return fixed;
    int minutes = 0;
    if (detail::sys_utc_offset_now(minutes)) g_last_offset.store(minutes);
    return g_last_offset.load();
}

bool utc_offset_minutes_at(std::time_t when, int& minutes) {
    if (const int fixed = g_offset_override.load(); fixed != kNoOverride) {
        minutes = fixed;
        return true;
    }
    return detail::sys_utc_offset_at(when, minutes);
}

std::string format_time(const DateTime& time, std::string_view pattern) {
    std::string out;
    auto number = [&out](int value, int width) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
        out += buffer;
    };
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (pattern[++i]) {
        case 'Y':
            number(time.year, 4);
            break;
        case 'y':
            number(((time.year % 100) + 100) % 100, 2);
            break;
        case 'm':
            number(time.month, 2);
            break;
        case 'd':
            number(time.day, 2);
            break;
        case 'H':
            number(time.hour, 2);
            break;
        case 'M':
            number(time.minute, 2);
            break;
        case 'S':
            number(time.second, 2);
            break;
        case '%':
            out += '%';
            break;
        default:
            out += '%';
            out += pattern[i];
        }
    }
    return out;
}

std::int64_t monotonic_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace platform
