// The spam deletion confirmation: its countdown length from SpamCloseSec, the countdown's
// steps, and the answer handed back to the check run.
#include <gtest/gtest.h>

#include <string>

#include "corvex/filters/spam_confirm.h"
#include "support/filter_files.h"

using namespace corvex;
using filter_files::Sj;

namespace {

TEST(SpamConfirm, CountdownSecondsAreClamped) {
    struct Case {
        const char* value;
        int seconds;
    };
    const Case cases[] = {
        {"", 30},   {"30", 30},  {"5", 10},  {"10", 10}, {"60", 60}, {"90", 60}, {"99999999999999", 60},
        {"-5", 10}, {"abc", 10}, {"45s", 45}};
    for (const Case& c : cases)
        EXPECT_EQ(SpamCountdownSeconds(c.value), c.seconds) << c.value;
}

TEST(SpamConfirm, CountsDownToKeepingTheMessage) {
    SpamCountdown countdown(SpamCountdownSeconds("5"));
    countdown.Start(true);
    EXPECT_EQ(countdown.line(), Sj("あと10秒でこのﾀﾞｲｱﾛｸﾞを閉じます。その場合、このﾒｰﾙは削除されません。"));
    int ticks = 0;
    SpamCountdown::Tick tick{};
    do {
        tick = countdown.OnTimer();
        ++ticks;
        EXPECT_EQ(tick.show_picture, countdown.remaining() % 2 == 0);
        if (ticks == 1) {
            EXPECT_EQ(countdown.line(),
                      Sj("あと9秒でこのﾀﾞｲｱﾛｸﾞを閉じます。その場合、このﾒｰﾙは削除されません。"));
        }
    } while (!tick.close && ticks < 100);
    EXPECT_EQ(ticks, 10);
    EXPECT_FALSE(countdown.running());
    EXPECT_FALSE(countdown.OnTimer().close); // the timer is stopped
}

TEST(SpamConfirm, StoppedCountdownWaitsForAButton) {
    SpamCountdown countdown(SpamCountdownSeconds("90"));
    countdown.Start(true);
    EXPECT_EQ(countdown.remaining(), 60);
    countdown.OnTimer();
    countdown.Stop();
    EXPECT_TRUE(countdown.line().empty());
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(countdown.OnTimer().close);
    EXPECT_EQ(countdown.remaining(), 59);

    SpamCountdown no_timer(10);
    no_timer.Start(false);
    EXPECT_TRUE(no_timer.line().empty());
    EXPECT_FALSE(no_timer.OnTimer().close);
}

class FakeConfirmer : public SpamConfirmer {
  public:
    int answer = kSpamConfirmDelete;
    int seconds = 0;
    std::string text;
    int ConfirmSpamDeletion(const std::string& t, int countdown_seconds) override {
        text = t;
        seconds = countdown_seconds;
        return answer;
    }
};

TEST(SpamConfirm, OnlyAnExplicitDeleteDeletes) {
    FakeConfirmer confirmer;
    EXPECT_EQ(ConfirmSpamDeletion(confirmer, "description", "5"), kSpamConfirmDelete);
    EXPECT_EQ(confirmer.seconds, 10);
    EXPECT_EQ(confirmer.text, "description");
    for (int answer : {kSpamConfirmKeep, 0, -1, 3}) {
        confirmer.answer = answer;
        EXPECT_EQ(ConfirmSpamDeletion(confirmer, "description", ""), kSpamConfirmKeep) << answer;
        EXPECT_EQ(confirmer.seconds, 30);
    }
}

} // namespace
