#include "corvex/mainwin/check_driver.h"

#include <cstdio>
#include <vector>

#include "corvex/engine/data_paths.h"
#include "corvex/engine/report_file.h"
#include "corvex/engine/seen_list.h"
#include "corvex/filters/action_filters.h"
#include "corvex/mainwin/schedule.h"
#include "corvex/mainwin/seen_prep.h"
#include "mainwin_texts.h"
#include "platform/files.h"

namespace corvex {
namespace {

// printf into a string sized to fit.
template <typename... Args> std::string Format(const char* pattern, Args... args) {
    const int n = std::snprintf(nullptr, 0, pattern, args...);
    if (n <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
    std::snprintf(buffer.data(), buffer.size(), pattern, args...);
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

int ClampInt(long long v) {
    if (v > 2147483647LL) return 2147483647;
    if (v < -2147483647LL) return -2147483647;
    return static_cast<int>(v);
}

} // namespace

int FilterMode(const std::string& check_filter, const std::string& check_filter2) {
    if (check_filter.compare(0, 2, "ON") != 0) return kFilterModeOff;
    return check_filter2.compare(0, 2, "ON") == 0 ? kFilterModeOnlyMatching : kFilterModeOn;
}

std::string AccountLabel(const DriverAccount& account) {
    if (!account.mail_address.empty()) return account.mail_address;
    return account.user + "@" + account.server;
}

CheckOutcome RunAccounts(const DriverSettings& settings, CheckState& state, const std::string& data_dir,
                         const AccountRunner& run, CheckEnvironment& env) {
    CheckOutcome out;
    platform::remove_file(JoinPath(data_dir, "SpamList.ADD"));
    platform::remove_file(JoinPath(ActDirectory(data_dir), "FAPL.LST"));
    platform::remove_file(JoinPath(ActDirectory(data_dir), "FSEND.LST"));

    for (int slot = 0; slot < kDriverAccountSlots; ++slot) {
        const DriverAccount& a = settings.accounts[slot];
        out.counts[slot] = 0;
        if (!a.user.empty()) out.restored[slot] = PrepareSeenList(data_dir, a.user, a.server) ? 1 : 0;
    }

    const bool check_new = settings.check_new == "ON";
    for (int slot = 0; slot < kDriverAccountSlots; ++slot) {
        const DriverAccount& a = settings.accounts[slot];
        if (a.user.empty()) break;
        ++out.accounts_checked;
        const std::string work_dir = WorkDirectory(data_dir, a.user, a.server);
        const std::string sound_backup = WorkFilePath(work_dir, "FSOUND.$BK");
        platform::remove_file(sound_backup);
        platform::rename_file(WorkFilePath(work_dir, "FSOUND.LST"), sound_backup);

        const std::string tip = a.mail_address.empty()
                                    ? Format(texts::kDriverTipUserHost, a.user.c_str(), a.server.c_str())
                                    : Format(texts::kDriverTipAddress, a.mail_address.c_str());
        env.account_started(slot, tip);
        EnsureDirectory(work_dir);

        int r = 0;
        if (a.chkacc != "OFF") {
            const PreviousRunValues prev =
                DeterminePreviousValues(state, data_dir, work_dir, out.restored[slot] != 0);
            if (prev.has_remaining) out.counts[slot] = prev.remaining;
            CheckInput in;
            in.host = a.server;
            in.port = ClampInt(ParseDecimal(a.port));
            in.user = a.user;
            in.password = a.password;
            in.login_method = a.mode == "APOP" ? kLoginApop : kLoginUserPass;
            in.run_mode = kRunCheck;
            in.filter_mode = FilterMode(settings.check_filter, settings.check_filter2);
            in.spam_check = settings.check_spam == "ON" ? 1 : 0;
            in.timeout_seconds = ClampInt(ParseDecimal(settings.tout_time));
            in.account = slot;
            in.previous_count = prev.count;
            in.previous_size = prev.size;
            in.previous_result = prev.result;
            in.remaining = out.counts[slot];
            r = run(in);
            out.counts[slot] = in.remaining;
            env.account_ran(slot, in);
        } else {
            WritePausedReport(work_dir);
            out.counts[slot] = 0;
        }

        out.total_count += out.counts[slot];
        out.results[slot] = r;
        const std::string label = AccountLabel(a);

        int n = out.counts[slot];
        if (check_new) {
            n = r;
            if (r == 0) SeenRemoveGr(SeenListFiles(data_dir, a.user, a.server));
        }
        out.notify_counts[slot] = n;

        if (r > 0) {
            out.summary += Format(texts::kDriverSummaryLine, label.c_str(), check_new ? r : out.counts[slot]);
            out.new_total += r;
        } else if (r < 0 && r != kForcedPreviousResult) {
            out.error_mark = true;
            if (a.err_jump == "OFF") {
                out.summary += Format(texts::kDriverFailureLine, label.c_str());
                out.last_error = r;
            }
        }
        env.account_finished(slot, r, n);
    }

    out.notify_total = check_new ? out.new_total : out.total_count;
    out.result = (out.notify_total > 0 || (out.notify_total == 0 && out.last_error != 0)) ? 1 : 0;
    return out;
}

void FinishCheck(const DriverSettings& settings, const std::string& data_dir, bool unacknowledged) {
    for (const DriverAccount& a : settings.accounts)
        if (!a.user.empty()) FinishSeenList(data_dir, a.user, a.server, unacknowledged, settings.check_renew);
}

} // namespace corvex
