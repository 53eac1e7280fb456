#include "corvex/mainwin/schedule.h"

namespace corvex {

long long ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > 100000000000LL) break; // far beyond any minute or port value; stop before overflow
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

CheckSchedule ResetSchedule(std::time_t now, std::string_view check_time, std::string_view check_time2) {
    CheckSchedule s;
    s.base = now;
    s.offline_deadline = now + static_cast<std::time_t>(ParseDecimal(check_time) * 60);
    s.online_deadline = now + static_cast<std::time_t>(ParseDecimal(check_time2) * 60);
    return s;
}

bool FlatRateHours(std::string_view th_none, int local_hour) {
    if (th_none == "ON") return false;
    return local_hour > 22 || local_hour < 8;
}

std::time_t ChosenDeadline(const TickInputs& in, const CheckSchedule& schedule) {
    const bool online_interval =
        (in.dial_up && in.line_active) || (in.flat_rate && ParseDecimal(in.check_time2) > 0);
    if (online_interval) return ParseDecimal(in.check_time2) == 0 ? kNever : schedule.online_deadline;
    return ParseDecimal(in.check_time) == 0 ? kNever : schedule.offline_deadline;
}

bool TickDue(const TickInputs& in, const CheckSchedule& schedule) {
    if (in.check_mode != "ON" || in.busy) return false;
    return in.now >= ChosenDeadline(in, schedule);
}

} // namespace corvex
