// When the active profile is checked: the schedule of the 10-second timer with its off-line
// (CheckTime) and on-line (CheckTime2) deadlines, and the night flat-rate hours. Deadlines are
// calendar times (seconds), so the hour that repeats when daylight saving time ends changes
// nothing; kNever never comes.
#pragma once

#include <ctime>
#include <limits>
#include <string_view>

namespace corvex {

inline constexpr std::time_t kNever = std::numeric_limits<std::time_t>::max();

// Decimal conversion as the settings are read: leading blanks, an optional sign, digits up to
// the first other character; 0 when there are none.
long long ParseDecimal(std::string_view text);

struct CheckSchedule {
    std::time_t base = 0;
    std::time_t offline_deadline = kNever; // base + CheckTime minutes
    std::time_t online_deadline = kNever;  // base + CheckTime2 minutes
};

// base := now; the deadlines count CheckTime and CheckTime2 minutes from it.
CheckSchedule ResetSchedule(std::time_t now, std::string_view check_time, std::string_view check_time2);

// True from 23:00:00 to 07:59:59 local time, never when THNone is "ON".
bool FlatRateHours(std::string_view th_none, int local_hour);

struct TickInputs {
    std::string_view check_mode;  // CheckMode
    bool busy = false;            // a check or a modal window is running
    std::string_view check_time;  // CheckTime (minutes, off line)
    std::string_view check_time2; // CheckTime2 (minutes, on line)
    bool dial_up = false;         // DialupName is not the LAN entry
    bool line_active = false;     // a remote-access connection is up (dial-up only)
    bool flat_rate = false;       // FlatRateHours() now
    std::time_t now = 0;          // the current calendar time
};

// The deadline the tick compares with: the on-line one while the line is up (dial-up) or in
// flat-rate hours with CheckTime2 above 0, else the off-line one; "never" when the chosen
// interval is 0 minutes.
std::time_t ChosenDeadline(const TickInputs& in, const CheckSchedule& schedule);

// True when this tick is due: CheckMode "ON", not busy, and now not earlier than the chosen
// deadline. A due tick runs the check unless it is skipped (away mode, screen saver, the
// result list window open) and resets the schedule either way.
bool TickDue(const TickInputs& in, const CheckSchedule& schedule);

} // namespace corvex
