#include "watch.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "corvex/dialup/line_state.h"
#include "corvex/mainwin/schedule.h"
#include "options.h"
#include "platform/clock.h"
#include "platform/terminal.h"

namespace corvex_check {

namespace {

constexpr auto kTick = std::chrono::seconds(10);
constexpr auto kSlice = std::chrono::milliseconds(200);

// Waits one tick; false when the interrupt key ended the wait.
bool WaitTick() {
    for (auto waited = std::chrono::milliseconds(0); waited < kTick; waited += kSlice) {
        if (platform::interrupt_requested()) return false;
        std::this_thread::sleep_for(kSlice);
    }
    return !platform::interrupt_requested();
}

corvex::CheckSchedule Reset(const corvex::settings::ProfileSettings& s) {
    return corvex::ResetSchedule(std::time(nullptr), s.CheckTime.view(), s.CheckTime2.view());
}

} // namespace

int Watch(CheckJob& job) {
    CheckSummary first = job.RunOnce(false);
    if (first.interrupted) return kExitInterrupted;
    if (!first.loaded || first.accounts == 0) return ExitStatus(first);

    const corvex::settings::ProfileSettings* s = &job.settings();
    if (corvex::ParseDecimal(s->CheckTime.view()) <= 0 && corvex::ParseDecimal(s->CheckTime2.view()) <= 0) {
        std::fputs("corvex-check: CheckTime and CheckTime2 are 0 in this profile: no periodic check\n",
                   stderr);
        return ExitStatus(first);
    }
    std::fprintf(stderr, "corvex-check: watching every %s min (%s min on line or at night); Ctrl-C stops\n",
                 s->CheckTime.c_str(), s->CheckTime2.c_str());
    corvex::CheckSchedule schedule = Reset(*s);

    while (WaitTick()) {
        s = &job.settings();
        corvex::TickInputs in;
        in.check_mode = "ON"; // --watch asks for periodic checks whatever CheckMode says
        in.busy = false;
        in.check_time = s->CheckTime.view();
        in.check_time2 = s->CheckTime2.view();
        in.dial_up = !corvex::IsLanEntry(s->DialupName.view());
        in.line_active = corvex::LanOnly().connection_active(); // this program does not dial
        in.flat_rate = corvex::FlatRateHours(s->THNone.view(), platform::local_now().hour);
        in.now = std::time(nullptr);
        if (!corvex::TickDue(in, schedule)) continue;

        const std::string header = "-- " + platform::format_time(platform::local_now(), "%Y/%m/%d %H:%M:%S");
        const CheckSummary summary = job.RunOnce(true, header);
        if (summary.interrupted) break;
        schedule = Reset(job.settings());
    }
    // Only the interrupt key ends the watch.
    return kExitInterrupted;
}

} // namespace corvex_check
