#include "corvex/settings/profile_settings.h"

#include "corvex/engine/sjis_text.h"

namespace corvex::settings {

std::size_t FitSjis(std::string_view text, std::size_t max) {
    return sjis::Prefix(text, max).size();
}

Password& RuntimePasswords::account(int profile, int index) {
    if (!ValidProfile(profile) || !ValidAccount(index)) {
        none_.clear();
        return none_;
    }
    return accounts_[profile - 1][index];
}

const Password& RuntimePasswords::account(int profile, int index) const {
    if (!ValidProfile(profile) || !ValidAccount(index)) {
        none_.clear();
        return none_;
    }
    return accounts_[profile - 1][index];
}

Password& RuntimePasswords::dialup(int profile) {
    if (!ValidProfile(profile)) {
        none_.clear();
        return none_;
    }
    return dialup_[profile - 1];
}

const Password& RuntimePasswords::dialup(int profile) const {
    if (!ValidProfile(profile)) {
        none_.clear();
        return none_;
    }
    return dialup_[profile - 1];
}

void RuntimePasswords::ClearProfile(int profile) {
    if (!ValidProfile(profile)) return;
    for (Password& p : accounts_[profile - 1])
        p.clear();
    dialup_[profile - 1].clear();
}

} // namespace corvex::settings
