#include "account_save.h"

#include <cctype>
#include <string_view>
#include <utility>

#include "corvex/engine/pop3_session.h"

namespace corvex_check {

namespace {

bool SameHost(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The name given to an unused profile that receives an account: "ﾌﾟﾛﾌｧｲﾙ%d".
std::string NewProfileName(int profile) {
    return "\xCC\xDF\xDB\xCC\xA7\xB2\xD9" + std::to_string(profile);
}

} // namespace

std::optional<int> SaveAccount(corvex::settings::ProfileStore& store, int profile, const OneAccount& account,
                               std::string& error) {
    namespace settings = corvex::settings;
    // A line break would end the USER or PASS command early and send the rest as a command
    // of its own: such an account is never stored.
    for (const auto& [what, text] :
         {std::pair{"user name", &account.user}, std::pair{"password", &account.password}})
        if (corvex::Pop3Session::CheckCredential(*text) < 0) {
            error = std::string("the ") + what +
                    " holds a line break (CR or LF) or a NUL byte and cannot be used";
            return std::nullopt;
        }
    settings::ProfileSettings s;
    settings::RuntimePasswords passwords;
    const settings::LoadReport load = store.Load(profile, s, passwords);
    if (load.first_error != platform::RegStatus::ok) {
        error = std::string("the settings could not be read (") + platform::to_string(load.first_error) + ")";
        return std::nullopt;
    }
    const int current = store.ReadCurrentProfile();

    int slot = -1;
    for (int i = 0; i < settings::kAccountSlots && slot < 0; ++i)
        if (SameHost(s.accounts[i].POP3Server.view(), account.server) &&
            s.accounts[i].POP3UserName == account.user)
            slot = i;
    for (int i = 0; i < settings::kAccountSlots && slot < 0; ++i)
        if (!s.accounts[i].InUse()) slot = i;
    if (slot < 0) {
        error = "profile " + std::to_string(profile) + " has no free account slot";
        return std::nullopt;
    }

    settings::AccountSettings& a = s.accounts[slot];
    auto too_long = [&](const char* what, std::size_t max) {
        error = std::string("the ") + what + " is longer than " + std::to_string(max) +
                " bytes and cannot be stored";
        return std::nullopt;
    };
    // A cut text would be a wrong account: refuse instead.
    if (!a.POP3Server.assign(account.server)) return too_long("server name", a.POP3Server.kMax);
    if (!a.POP3UserName.assign(account.user)) return too_long("user name", a.POP3UserName.kMax);
    if (!a.POP3PassWord.assign(account.password)) return too_long("password", a.POP3PassWord.kMax);
    a.SavePass.assign("ON");
    a.POP3PortNum.assign(std::to_string(account.port));
    a.POP3Mode.assign(account.apop ? "APOP" : "POP3");
    a.CHKACC.assign("ON");
    if (s.pName == settings::kUnusedProfileName) s.pName.assign(NewProfileName(profile));

    const settings::SaveReport saved = store.Save(s);
    if (!saved.ok()) {
        error = std::string("the settings could not be written (") + platform::to_string(saved.status) + ")";
        return std::nullopt;
    }
    // Saving writes CurrentProfID: the tray program keeps the profile it had.
    if (current != profile) store.WriteCurrentProfile(current);
    return slot;
}

} // namespace corvex_check
