// Where each setting lives: the key of a profile, of an account slot, or the scratch Work key,
// all under one root key in the current user's hive.
//
//   root                 profile 1's values and program-wide ones (CurrentProfID, SetDialogHWND)
//   root\002 .. root\010 profiles 2..10
//   root\0 .. root\29    account slots of profile 1
//   root\002\0 ...       account slots of profiles 2..10
//   root\Work            values handed between a list page and its edit dialog
#pragma once

#include <string>
#include <string_view>

namespace corvex::settings {

inline constexpr int kProfileCount = 10; // profiles 1..10
inline constexpr int kAccountSlots = 30; // account slots 0..29 of each profile

// The real root key under HKEY_CURRENT_USER. Tests pass a throw-away root instead.
inline constexpr char kRootKeyPath[] = "Software\\Quillon\\Ravelin98";
inline constexpr char kWorkKeyName[] = "Work";

bool ValidProfile(int profile);
bool ValidAccount(int index);

// Which key a value is read from or written to.
class KeySelector {
  public:
    enum class Kind { root, profile, account, work };

    // The root key itself (program-wide values; also profile 1's key).
    static KeySelector Root() { return KeySelector(Kind::root, 1, 0); }
    // The key of profile n: the root key for 1, the "%03d" subkey otherwise.
    static KeySelector Profile(int profile) { return KeySelector(Kind::profile, profile, 0); }
    // The key of account slot index (0..29) of a profile.
    static KeySelector Account(int profile, int index) { return KeySelector(Kind::account, profile, index); }
    static KeySelector Work() { return KeySelector(Kind::work, 1, 0); }

    Kind kind() const { return kind_; }
    int profile() const { return profile_; }
    int account() const { return account_; }

    // The key's path under root; false (and an empty path) for a profile outside 1..10 or an
    // account index outside 0..29.
    bool Path(std::string_view root, std::string& path) const;

  private:
    KeySelector(Kind kind, int profile, int account) : kind_(kind), profile_(profile), account_(account) {}
    Kind kind_;
    int profile_;
    int account_;
};

// The relative name of a profile's key: "" for profile 1, "002".."010" otherwise.
std::string ProfileKeyName(int profile);

} // namespace corvex::settings
