// A check of a stored profile, the one path of the tray program and of corvex-check: the
// profile is read afresh, its values are mapped onto the check driver and the engine, every
// account runs through CheckAccount, and the seen lists are finished after the announcement.
// The window work (icons, buttons, dialling, the notification itself) stays with the caller.
#pragma once

#include <functional>
#include <string>

#include "corvex/checkrun/check_account.h"
#include "corvex/engine/engine_ui.h"
#include "corvex/mainwin/check_driver.h"
#include "corvex/settings/profile_store.h"
#include "platform/folder_lock.h"
#include "platform/registry.h"

namespace corvex {

// The driver's view of a loaded profile: the check options and the thirty account slots with
// their run-time passwords.
DriverSettings DriverSettingsFrom(const settings::ProfileSettings& profile);
// The engine's view: data folder, profile number, sort order, line counts, spam countdown.
CheckSettings EngineSettingsFrom(const settings::ProfileSettings& profile, const std::string& data_dir);

class ProfileCheck {
  public:
    ProfileCheck(platform::Registry& registry, std::string data_dir);

    // Reads profile 1..10 afresh, as every check does before it starts: the settings file of
    // the native build is read again, so changes made by another program show.
    settings::LoadReport Load(int profile, const settings::DialCredentialsLookup& dial = {});
    // The profile as the last Load read it.
    const settings::ProfileSettings& profile() const { return profile_; }

    // The account loop over driver (normally DriverSettingsFrom(profile()), which the caller may
    // amend, e.g. with passwords typed for this check), each account run by the engine with the
    // loaded profile's settings. stop is asked before each account: once it says so, no further
    // account is started and each counts as kForcedPreviousResult (neither news nor failure).
    //
    // One check at a time per data folder, in any process: Run takes the folder's lock and
    // Finish lets it go. While another check holds it, Run waits up to ToutTime seconds (ui
    // pumps, stop ends the wait); then it checks nothing and returns busy, with error_mark set
    // and kDriverCheckBusy as the summary.
    CheckOutcome Run(const DriverSettings& driver, EngineUi& ui, CheckEnvironment& env,
                     const std::function<bool()>& stop = {});

    // Seen-list finishing after the announcement (unacknowledged: it was the title bar alone),
    // then the data folder's lock is let go. After a busy Run it only lets go.
    void Finish(const DriverSettings& driver, bool unacknowledged);

  private:
    platform::Registry& registry_;
    settings::ProfileStore store_;
    std::string data_dir_;
    settings::ProfileSettings profile_;
    settings::RuntimePasswords passwords_;
    CheckState state_;
    platform::FolderLock lock_;
    bool running_ = false; // between a Run that checked and its Finish
};

} // namespace corvex
