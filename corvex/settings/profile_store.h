// Moving a whole profile between the registry and the settings record: load with every default,
// save in one rewrite of the store, the profile names, the active profile number and deleting a
// profile. The store never shows a message; what went wrong comes back in the reports.
#pragma once

#include "corvex/settings/profile_settings.h"
#include "corvex/settings/settings_values.h"
#include "platform/registry.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::settings {

// The user name and password that the system keeps for a dial-up entry.
struct DialCredentials {
    std::string user_name;
    std::string password;
};
// Looks up the kept credentials of an entry in a phone book (the PhoneBook text as stored);
// false when there are none. An empty function stands for a system that keeps none.
using DialCredentialsLookup =
    std::function<bool(std::string_view entry, std::string_view phone_book, DialCredentials& out)>;

struct LoadReport {
    int profile = 1;           // the profile that was loaded
    int no_password_count = 0; // accounts with a user name but no password to log in with
    // Values longer than their field, kept cut: "POP3Server" or, for an account, "3\POP3Server".
    std::vector<std::string> cut;
    // The first failure other than a missing key or value (the defaults applied all the same).
    platform::RegStatus first_error = platform::RegStatus::ok;
};

struct SaveReport {
    platform::RegStatus status = platform::RegStatus::ok; // the first failure, or that of the rewrite
    std::vector<std::string> refused;                     // values not written, named as in LoadReport
    bool ok() const { return status == platform::RegStatus::ok; }
};

class ProfileStore {
  public:
    explicit ProfileStore(platform::Registry& registry, std::string root = kRootKeyPath);

    ValueStore& values() { return values_; }

    // CurrentProfID: missing, not a number, below 1 or above 10 -> 1.
    int ReadCurrentProfile();
    // Writes CurrentProfID, creating the root key when missing.
    platform::RegStatus WriteCurrentProfile(int profile);

    // pName of profiles 1..10; missing -> "標準のﾌﾟﾛﾌｧｲﾙ" for profile 1, "__XXX__" for the others.
    std::array<ProfileName, kProfileCount> ReadProfileNames();

    // Loads profile 1..10 (another number loads 1) into settings and makes it the active one:
    // the names of all profiles, every profile value with its default, the thirty account slots.
    // Passwords: a stored password (SavePass / DSavePass "ON") is decoded and copied into the
    // run-time table; otherwise the run-time table's password is taken. With ChkOSSave "ON" and a
    // dial-up entry, the dial-up user name and password come from dial (none when it is empty).
    LoadReport Load(int profile, ProfileSettings& settings, RuntimePasswords& passwords,
                    const DialCredentialsLookup& dial = {});
    // Loads settings.profile, or the profile of CurrentProfID when none has been chosen yet (0).
    LoadReport LoadActive(ProfileSettings& settings, RuntimePasswords& passwords,
                          const DialCredentialsLookup& dial = {});

    // Saves settings.profile inside one registry batch: CurrentProfID at the root key, every
    // profile value, then all thirty account keys. Passwords are written encoded, or as an empty
    // text when their SavePass / DSavePass is not "ON" (or they are empty). The profile's key is
    // created first, so the first save of a new profile keeps its values.
    SaveReport Save(const ProfileSettings& settings);

    // Deletes the active profile (settings.profile): its name becomes "__XXX__", every value and
    // account slot is cleared, its run-time passwords are forgotten, and it is saved, so its keys
    // remain with empty values.
    SaveReport DeleteProfile(ProfileSettings& settings, RuntimePasswords& passwords);

  private:
    ValueStore values_;
};

// The name of a profile when its pName is missing.
std::string_view DefaultProfileName(int profile);

// The default of a profile or account value ("" for those without one, and for CheckSubject,
// whose default depends on the notification methods).
std::string_view ProfileValueDefault(std::string_view name);
std::string_view AccountValueDefault(std::string_view name);

} // namespace corvex::settings
