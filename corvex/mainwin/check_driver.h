// One check of the active profile from the account loop to the result: seen-list preparation,
// one account run per active slot (paused accounts get the "[OFF]" report), the summary text,
// the totals, the notification hand-over and the seen-list finishing. The window work
// (icons, buttons, message boxes) and dialling stay with the caller; the suspension test and
// the line state come through CheckEnvironment.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "corvex/checkrun/check_account.h"
#include "corvex/mainwin/previous_values.h"

namespace corvex {

inline constexpr int kDriverAccountSlots = 30;

// The values of one account slot the driver reads.
struct DriverAccount {
    std::string server;        // POP3Server
    std::string port = "110";  // POP3PortNum
    std::string user;          // POP3UserName (empty: slot unused, ends the loop)
    std::string password;      // run-time password
    std::string mode = "POP3"; // POP3Mode
    std::string mail_address;  // MailAdrs
    std::string chkacc = "ON"; // CHKACC
    std::string err_jump = "OFF";
};

// The profile values the driver reads (texts as stored).
struct DriverSettings {
    std::string check_new = "OFF"; // CheckNew
    std::string check_filter = "OFF";
    std::string check_filter2 = "OFF";
    std::string check_spam = "OFF";
    std::string check_renew = "OFF"; // CheckReNew
    std::string tout_time = "60";
    std::array<DriverAccount, kDriverAccountSlots> accounts;
};

// Runs one account with the engine's inputs for run mode 1 (input.remaining in and out) and
// returns its result: positive new, 0 none, negative failure, kForcedPreviousResult
// neither.
using AccountRunner = std::function<int(CheckInput& input)>;

// Hooks to the rest of the program; the defaults suit a run without a tray.
class CheckEnvironment {
  public:
    virtual ~CheckEnvironment() = default;
    // Before each account: the label of the account being checked.
    virtual void account_started(int /*slot*/, const std::string& /*tooltip*/) {}
    // After the engine ran an account: its inputs, with what the run left in them (the error
    // text, whether the report was written).
    virtual void account_ran(int /*slot*/, const CheckInput& /*input*/) {}
    // After each account with its result and notify count.
    virtual void account_finished(int /*slot*/, int /*result*/, int /*notify_count*/) {}
};

struct CheckOutcome {
    int result = 0; // 1: something to announce
    int notify_total = 0;
    int total_count = 0; // sum of the counts (remaining messages on the servers)
    int new_total = 0;   // sum of the positive results
    bool error_mark = false;
    int last_error = 0;  // 0 when no failure was remembered
    std::string summary; // Shift_JIS, one line per account with news or failure
    std::array<int, kDriverAccountSlots> results{};
    std::array<int, kDriverAccountSlots> counts{};
    std::array<int, kDriverAccountSlots> restored{};
    std::array<int, kDriverAccountSlots> notify_counts{};
    int accounts_checked = 0; // slots the loop visited
    // Another check of the same data folder ran for the whole wait: nothing was checked, and
    // summary holds the text that says so.
    bool busy = false;
};

// Filter mode from CheckFilter / CheckFilter2 (only the first two characters count):
// kFilterModeOff, kFilterModeOn or kFilterModeOnlyMatching.
int FilterMode(const std::string& check_filter, const std::string& check_filter2);
// MailAdrs, or "user@host" when it is empty.
std::string AccountLabel(const DriverAccount& account);

// Steps of a check from the deletion of the hand-over lists to the totals. The notification
// itself is the caller's: call FinishCheck afterwards.
CheckOutcome RunAccounts(const DriverSettings& settings, CheckState& state, const std::string& data_dir,
                         const AccountRunner& run, CheckEnvironment& env);

// Seen-list finishing for every account with a user name; unacknowledged: the announcement
// was the title-bar notification alone.
void FinishCheck(const DriverSettings& settings, const std::string& data_dir, bool unacknowledged);

} // namespace corvex
