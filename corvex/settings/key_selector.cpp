#include "corvex/settings/key_selector.h"

#include <cstdio>

namespace corvex::settings {

bool ValidProfile(int profile) {
    return profile >= 1 && profile <= kProfileCount;
}

bool ValidAccount(int index) {
    return index >= 0 && index < kAccountSlots;
}

std::string ProfileKeyName(int profile) {
    if (!ValidProfile(profile) || profile == 1) return {};
    char name[8];
    std::snprintf(name, sizeof name, "%03d", profile);
    return name;
}

bool KeySelector::Path(std::string_view root, std::string& path) const {
    path.clear();
    std::string result(root);
    const auto add = [&result](std::string_view part) {
        if (part.empty()) return;
        if (!result.empty()) result += '\\';
        result += part;
    };
    switch (kind_) {
    case Kind::root:
        break;
    case Kind::work:
        add(kWorkKeyName);
        break;
    case Kind::profile:
        if (!ValidProfile(profile_)) return false;
        add(ProfileKeyName(profile_));
        break;
    case Kind::account:
        if (!ValidProfile(profile_) || !ValidAccount(account_)) return false;
        add(ProfileKeyName(profile_));
        add(std::to_string(account_));
        break;
    }
    path = std::move(result);
    return true;
}

} // namespace corvex::settings
