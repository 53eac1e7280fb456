// One check of a profile as the tray program runs it, without the window: the profile is
// loaded again, the hand-over lists are deleted, the seen lists prepared, every account run
// in slot order (paused ones get their "[OFF]" report), the totals formed and the seen lists
// finished. What each account found is printed as it finishes.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "corvex/mainwin/check_driver.h"
#include "corvex/settings/profile_store.h"
#include "platform/Registry.h"
#include "terminal_ui.h"

namespace corvex_check {

// The account of the one-account form (Shift_JIS texts).
struct OneAccount {
    std::string server;
    int port = 110;
    std::string user;
    std::string password;
    bool apop = false;
};

struct CheckSummary {
    bool loaded = false;      // the profile could be read
    int accounts = 0;         // accounts the loop visited
    int new_total = 0;        // new messages of all accounts
    bool failed = false;      // an account failed
    bool interrupted = false; // the interrupt key stopped the check
};

class CheckJob {
  public:
    CheckJob(platform::Registry& registry, int profile, std::optional<OneAccount> one, std::string data_dir);

    // Runs one check. quiet: print only the accounts with news, a failure or a spam deletion;
    // header: a line printed before the first account line, when there is one.
    CheckSummary RunOnce(bool quiet, const std::string& header = {});

    // The profile as the last check loaded it.
    const corvex::settings::ProfileSettings& settings() const { return settings_; }

  private:
    void AskMissingPasswords();
    corvex::DriverSettings DriverSettingsFor() const;

    corvex::settings::ProfileStore store_;
    int profile_;
    std::optional<OneAccount> one_;
    std::string data_dir_;
    corvex::settings::ProfileSettings settings_;
    corvex::settings::RuntimePasswords passwords_;
    // Passwords typed for accounts of the profile that keep none, whole (the run-time table of
    // the settings store holds 19 bytes).
    std::array<std::optional<std::string>, corvex::kDriverAccountSlots> typed_;
    corvex::CheckState state_;
    TerminalUi ui_;
};

// Exit status of one check: 3 when an account failed, else 1 with new mail, else 0; 130 when
// interrupted.
int ExitStatus(const CheckSummary& summary);

} // namespace corvex_check
