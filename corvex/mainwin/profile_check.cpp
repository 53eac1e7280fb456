#include "corvex/mainwin/profile_check.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "corvex/mainwin/schedule.h"
#include "mainwin_texts.h"

namespace corvex {

DriverSettings DriverSettingsFrom(const settings::ProfileSettings& s) {
    DriverSettings d;
    d.check_new = s.CheckNew.str();
    d.check_filter = s.CheckFilter.str();
    d.check_filter2 = s.CheckFilter2.str();
    d.check_spam = s.CheckSpam.str();
    d.check_renew = s.CheckReNew.str();
    d.tout_time = s.ToutTime.str();
    for (int slot = 0; slot < kDriverAccountSlots; ++slot) {
        const settings::AccountSettings& from = s.accounts[slot];
        DriverAccount& a = d.accounts[slot];
        a.server = from.POP3Server.str();
        a.port = from.POP3PortNum.str();
        a.user = from.POP3UserName.str();
        a.password = from.POP3PassWord.str();
        a.mode = from.POP3Mode.str();
        a.mail_address = from.MailAdrs.str();
        a.chkacc = from.CHKACC.str();
        a.err_jump = from.ErrJump.str();
    }
    return d;
}

CheckSettings EngineSettingsFrom(const settings::ProfileSettings& s, const std::string& data_dir) {
    CheckSettings check;
    check.data_dir = data_dir;
    check.profile = s.profile;
    check.dsp_sort = s.CHKDspSort.str();
    check.rcv_opt = s.RcvOpt.str();
    check.read_line_num = s.ReadLineNum.str();
    check.read_line_num_c = s.ReadLineNumC.str();
    check.spam_close_sec = s.SpamCloseSec.str();
    return check;
}

ProfileCheck::ProfileCheck(platform::Registry& registry, std::string data_dir)
    : registry_(registry), store_(registry), data_dir_(std::move(data_dir)) {}

settings::LoadReport ProfileCheck::Load(int profile, const settings::DialCredentialsLookup& dial) {
    const platform::RegStatus reloaded = registry_.reload();
    settings::LoadReport report = store_.Load(profile, profile_, passwords_, dial);
    if (report.first_error == platform::RegStatus::ok) report.first_error = reloaded;
    return report;
}

CheckOutcome ProfileCheck::Run(const DriverSettings& driver, EngineUi& ui, CheckEnvironment& env,
                               const std::function<bool()>& stop) {
    const long long wait_seconds = std::clamp(ParseDecimal(driver.tout_time), 0LL, 24LL * 3600);
    const platform::LockResult locked = lock_.acquire(data_dir_, std::chrono::seconds(wait_seconds), [&] {
        ui.pump();
        return !(stop && stop());
    });
    // A lock that cannot be made at all (a file system without locks) does not stop the check.
    if (locked == platform::LockResult::busy || locked == platform::LockResult::stopped) {
        CheckOutcome busy;
        busy.busy = true;
        busy.error_mark = locked == platform::LockResult::busy;
        if (busy.error_mark) busy.summary = texts::kDriverCheckBusy;
        return busy;
    }
    running_ = true;
    const CheckSettings check = EngineSettingsFrom(profile_, data_dir_);
    const AccountRunner run = [&](CheckInput& in) {
        if (stop && stop()) return kForcedPreviousResult;
        return CheckAccount(in, ui, check);
    };
    return RunAccounts(driver, state_, data_dir_, run, env);
}

void ProfileCheck::Finish(const DriverSettings& driver, bool unacknowledged) {
    if (running_) FinishCheck(driver, data_dir_, unacknowledged);
    running_ = false;
    lock_.release();
}

} // namespace corvex
