// The check schedule: which deadline a tick compares with, when a tick is due, and the night
// flat-rate hours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "corvex/mainwin/schedule.h"

namespace {

using corvex::CheckSchedule;
using corvex::TickInputs;

constexpr std::time_t kBase = 1'700'000'000; // any fixed moment

// A tick `minutes` after the schedule's base.
TickInputs TickAt(int minutes, const char* check_time, const char* check_time2) {
    TickInputs in;
    in.check_mode = "ON";
    in.check_time = check_time;
    in.check_time2 = check_time2;
    in.now = kBase + minutes * 60;
    return in;
}

TEST(FlatRateHours, NightFrom23To0759UnlessTurnedOff) {
    struct Case {
        int hour;
        bool flat;
    };
    for (const Case c :
         {Case{0, true}, Case{7, true}, Case{8, false}, Case{12, false}, Case{22, false}, Case{23, true}}) {
        SCOPED_TRACE(c.hour);
        EXPECT_EQ(corvex::FlatRateHours("OFF", c.hour), c.flat);
        EXPECT_FALSE(corvex::FlatRateHours("ON", c.hour));
    }
}

TEST(Schedule, DeadlinesCountFromOneBase) {
    const CheckSchedule s = corvex::ResetSchedule(kBase, "60", "5");
    EXPECT_EQ(s.base, kBase);
    EXPECT_EQ(s.offline_deadline, kBase + 3600);
    EXPECT_EQ(s.online_deadline, kBase + 300);
}

TEST(Schedule, TickIsDueAtTheChosenDeadline) {
    const CheckSchedule s = corvex::ResetSchedule(kBase, "60", "5");
    struct Case {
        const char* what;
        int minutes;
        bool dial_up, line_active, flat_rate;
        bool due;
    };
    const Case cases[] = {
        {"LAN by day waits for the hour", 5, false, false, false, false},
        {"LAN by day after an hour", 60, false, false, false, true},
        {"LAN at night every 5 minutes", 5, false, false, true, true},
        {"LAN at night, 4 minutes", 4, false, false, true, false},
        {"a LAN line state is ignored", 5, false, true, false, false},
        {"dial-up on line: the on-line interval", 5, true, true, false, true},
        {"dial-up off line: the off-line interval", 5, true, false, false, false},
        {"dial-up off line after the hour", 61, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TickInputs in = TickAt(c.minutes, "60", "5");
        in.dial_up = c.dial_up;
        in.line_active = c.line_active;
        in.flat_rate = c.flat_rate;
        EXPECT_EQ(corvex::TickDue(in, s), c.due);
    }
}

TEST(Schedule, ZeroIntervalsNeverStartACheck) {
    const CheckSchedule s = corvex::ResetSchedule(kBase, "0", "0");
    for (const bool flat : {false, true}) {
        TickInputs in = TickAt(60 * 24 * 365, "0", "0");
        in.flat_rate = flat;
        EXPECT_EQ(corvex::ChosenDeadline(in, s), corvex::kNever);
        EXPECT_FALSE(corvex::TickDue(in, s));
    }
    // Night hours with no on-line interval fall back to the off-line one.
    const CheckSchedule day_only = corvex::ResetSchedule(kBase, "60", "0");
    TickInputs night = TickAt(60, "60", "0");
    night.flat_rate = true;
    EXPECT_TRUE(corvex::TickDue(night, day_only));
}

TEST(Schedule, NoTickWhileOffOrBusy) {
    const CheckSchedule s = corvex::ResetSchedule(kBase, "1", "1");
    TickInputs in = TickAt(10, "1", "1");
    EXPECT_TRUE(corvex::TickDue(in, s));
    in.busy = true;
    EXPECT_FALSE(corvex::TickDue(in, s));
    in.busy = false;
    in.check_mode = "OFF";
    EXPECT_FALSE(corvex::TickDue(in, s));
}

TEST(Schedule, DecimalValuesAsTheSettingsAreRead) {
    struct Case {
        const char* text;
        long long value;
    };
    for (const Case c : {Case{"60", 60}, Case{"  15", 15}, Case{"-3", -3}, Case{"10min", 10}, Case{"", 0},
                         Case{"abc", 0}, Case{"+7", 7}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(corvex::ParseDecimal(c.text), c.value);
    }
}

} // namespace
