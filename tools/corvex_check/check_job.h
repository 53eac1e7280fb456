// One check of a profile through the tray program's own check (ProfileCheck), without the
// window: the passwords the profile does not keep are asked on the terminal, the one-account
// form puts its account in slot 0, and what each account found is printed as it finishes.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "corvex/mainwin/profile_check.h"
#include "platform/registry.h"
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
    const corvex::settings::ProfileSettings& settings() const { return check_.profile(); }

  private:
    void AskMissingPasswords();
    corvex::DriverSettings DriverSettingsFor() const;

    corvex::ProfileCheck check_;
    int profile_;
    std::optional<OneAccount> one_;
    std::string data_dir_;
    // Passwords typed for accounts of the profile that keep none, whole (the run-time table of
    // the settings store holds 19 bytes).
    std::array<std::optional<std::string>, corvex::kDriverAccountSlots> typed_;
    TerminalUi ui_;
};

// Exit status of one check: 3 when an account failed, else 1 with new mail, else 0; 130 when
// interrupted.
int ExitStatus(const CheckSummary& summary);

} // namespace corvex_check
