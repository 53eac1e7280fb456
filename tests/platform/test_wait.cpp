#include "platform/wait.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(Wait, SleepWithPumpRunsThePumpAndStopsOnCancelOnlyWhenAsked) {
    platform::clear_cancel();
    int pumps = 0;
    EXPECT_TRUE(platform::sleep_with_pump(200ms, [&] { ++pumps; }));
    EXPECT_GE(pumps, 2);

    platform::request_cancel();
    EXPECT_TRUE(platform::sleep_with_pump(60ms, {}));
    EXPECT_FALSE(platform::sleep_with_pump(10s, {}, true));
    EXPECT_TRUE(platform::take_cancel());
    EXPECT_FALSE(platform::take_cancel());
    EXPECT_FALSE(platform::cancel_requested());
}
