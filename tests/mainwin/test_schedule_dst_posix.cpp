// Schedule deadlines across the end of summer time, with a POSIX time-zone rule in TZ.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "corvex/mainwin/schedule.h"

namespace {

using corvex::CheckSchedule;
using corvex::TickInputs;

// When daylight saving time ends, local 01:00-01:59 comes twice. A check at 01:00:10 summer
// time with a 60-minute interval is due at 01:00:10 standard time, an hour later, not at the
// next tick whose local time reads later than the deadline's.
TEST(Schedule, TheRepeatedHourAtTheEndOfSummerTimeIsAWholeHour) {
    const char* old_tz = std::getenv("TZ");
    const std::string saved = old_tz ? old_tz : "";
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    const std::time_t base = 1'793'509'210; // 2026-11-01 05:00:10 UTC = 01:00:10 EDT
    std::tm local{};
    localtime_r(&base, &local);
    EXPECT_EQ(local.tm_hour, 1);
    EXPECT_GT(local.tm_isdst, 0);

    const CheckSchedule s = corvex::ResetSchedule(base, "60", "5");
    TickInputs in;
    in.check_mode = "ON";
    in.check_time = "60";
    in.check_time2 = "5";
    for (const int seconds : {10, 600, 3590}) {
        SCOPED_TRACE(seconds);
        in.now = base + seconds;
        EXPECT_FALSE(corvex::TickDue(in, s));
    }
    in.now = base + 3600; // 01:00:10 EST
    EXPECT_TRUE(corvex::TickDue(in, s));

    if (old_tz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

} // namespace
