#include "corvex/settings/profile_store.h"

#include "corvex/settings/normalise.h"
#include "corvex/settings/password_codec.h"
#include "settings_texts.h"

#include <utility>

namespace corvex::settings {

using platform::RegStatus;

namespace {

struct Default {
    const char* name;
    const char* text;
};

constexpr Default kProfileDefaults[] = {
    {"LCMode", "CHK"},
    {"CheckStart", "OFF"},
    {"CheckMode", "OFF"},
    {"CheckTime", "60"},
    {"CheckTime2", "5"},
    {"ReadLineNumC", "20"},
    {"RcvOpt", "LINE"},
    {"ReadLineNum", "200"},
    {"CheckNew", "ON"},
    {"CheckReNew", "ON"},
    {"ToutTime", "60"},
    {"CheckScr", "OFF"},
    {"CHKAPL1", "OFF"},
    {"CHKAPL2", "OFF"},
    {"CheckDispMode", "OFF"},
    {"CheckTitle", "OFF"},
    {"CheckTitle2", "OFF"},
    {"CheckTitle3", "OFF"},
    {"CheckTitleNum", "20"},
    {"ScrollNum", "1"},
    {"DisplayNum", "1"},
    {"DSPTime", "0"},
    {"CHKAteSel", "OFF"},
    {"CHKNoDlg", "OFF"},
    {"CHKAdrDsp", "OFF"},
    {"CHKLvChk", "ON"},
    {"CHKDelMsg1", "ON"},
    {"CHKDelMsg2", "ON"},
    {"CHKDspSort", "ON"},
    {"CheckSound", "OFF"},
    {"SoundNum", "1"},
    {"WinStyle", texts::kSettingsWinStyleNormal},
    {"DialupName", texts::kSettingsLanConnection},
    {"ChkOSSave", "OFF"},
    {"DSavePass", "ON"},
    {"DSConNow", "OFF"},
    {"THDiscon", "OFF"},
    {"ALDiscon", "OFF"},
    {"THNone", "OFF"},
    {"CheckFilter", "OFF"},
    {"CheckFilter2", "OFF"},
    {"CheckSpam", "OFF"},
    {"SpmDel", "OFF"},
    {"SpmEnt", "OFF"},
    {"SpamCloseSec", "30"},
};

constexpr Default kAccountDefaults[] = {
    {"SavePass", "ON"},
    {"POP3Mode", "POP3"},
    {"CHKACC", "ON"},
    {"ErrJump", "OFF"},
    {"WinStyle2", texts::kSettingsWinStyleNormal},
};

// Numeric values that take their default also when they read back empty.
constexpr const char* kNumericDefaults[] = {"CheckTime", "CheckTime2",  "DSPTime",
                                            "ToutTime",  "ReadLineNum", "ReadLineNumC"};

std::string_view Lookup(const Default* table, std::size_t count, std::string_view name) {
    for (std::size_t i = 0; i < count; ++i)
        if (name == table[i].name) return table[i].text;
    return {};
}

bool EmptyTakesDefault(std::string_view name) {
    for (const char* n : kNumericDefaults)
        if (name == n) return true;
    return false;
}

bool IsOn(std::string_view flag) {
    return flag == "ON";
}

std::string AccountValueLabel(int index, std::string_view name) {
    return std::to_string(index) + "\\" + std::string(name);
}

// Collects what a load meets: cut values and the first real failure.
class LoadNotes {
  public:
    explicit LoadNotes(LoadReport& report) : report_(report) {}
    void Status(RegStatus status) {
        if (status != RegStatus::ok && status != RegStatus::not_found && report_.first_error == RegStatus::ok)
            report_.first_error = status;
    }
    template <class Field> void Assign(Field& field, std::string_view text, const std::string& label) {
        if (!field.assign(text)) report_.cut.push_back(label);
    }

  private:
    LoadReport& report_;
};

class SaveNotes {
  public:
    explicit SaveNotes(SaveReport& report) : report_(report) {}
    void Status(RegStatus status, const std::string& label) {
        if (status == RegStatus::ok) return;
        report_.refused.push_back(label);
        if (report_.status == RegStatus::ok) report_.status = status;
    }
    void Final(RegStatus status) {
        if (status != RegStatus::ok && report_.status == RegStatus::ok) report_.status = status;
    }

  private:
    SaveReport& report_;
};

int ClampProfile(int profile) {
    return ValidProfile(profile) ? profile : 1;
}

} // namespace

std::string_view DefaultProfileName(int profile) {
    return profile == 1 ? std::string_view(texts::kSettingsStandardProfileName)
                        : std::string_view(kUnusedProfileName);
}

std::string_view ProfileValueDefault(std::string_view name) {
    return Lookup(kProfileDefaults, std::size(kProfileDefaults), name);
}

std::string_view AccountValueDefault(std::string_view name) {
    return Lookup(kAccountDefaults, std::size(kAccountDefaults), name);
}

ProfileStore::ProfileStore(platform::Registry& registry, std::string root)
    : values_(registry, std::move(root)) {}

int ProfileStore::ReadCurrentProfile() {
    std::string text;
    if (values_.Read(KeySelector::Root(), kCurrentProfID, text) != RegStatus::ok) return 1;
    return ClampProfile(DecimalValue(text));
}

RegStatus ProfileStore::WriteCurrentProfile(int profile) {
    if (RegStatus s = values_.CreateKey(KeySelector::Root()); s != RegStatus::ok) return s;
    return values_.Write(KeySelector::Root(), kCurrentProfID, std::to_string(profile));
}

std::array<ProfileName, kProfileCount> ProfileStore::ReadProfileNames() {
    std::array<ProfileName, kProfileCount> names;
    for (int n = 1; n <= kProfileCount; ++n) {
        std::string text;
        if (values_.Read(KeySelector::Profile(n), "pName", text) != RegStatus::ok)
            text = DefaultProfileName(n);
        names[n - 1].assign(text);
    }
    return names;
}

LoadReport ProfileStore::LoadActive(ProfileSettings& settings, RuntimePasswords& passwords,
                                    const DialCredentialsLookup& dial) {
    const int profile = settings.profile == 0 ? ReadCurrentProfile() : settings.profile;
    return Load(profile, settings, passwords, dial);
}

LoadReport ProfileStore::Load(int profile, ProfileSettings& settings, RuntimePasswords& passwords,
                              const DialCredentialsLookup& dial) {
    LoadReport report;
    LoadNotes notes(report);
    profile = ClampProfile(profile);
    report.profile = profile;
    settings.profile = profile;
    settings.names = ReadProfileNames();

    const KeySelector key = KeySelector::Profile(profile);
    bool check_subject_missing = false;
    ForEachProfileValue(settings, [&](const char* name, auto& field) {
        const std::string_view value_name(name);
        const bool dialup_login = value_name == "DialupUserName" || value_name == "DialupPassWord";
        if (dialup_login && IsOn(settings.ChkOSSave)) {
            field.clear(); // taken from the system below
            return;
        }
        std::string text;
        const RegStatus status = values_.Read(key, value_name, text);
        notes.Status(status);
        if (status != RegStatus::ok) {
            if (value_name == "CheckSubject") check_subject_missing = true;
            text = value_name == "pName" ? DefaultProfileName(profile) : ProfileValueDefault(value_name);
        } else if (text.empty() && EmptyTakesDefault(value_name)) {
            text = ProfileValueDefault(value_name);
        }
        if (value_name == "DialupPassWord") text = DecodePassword(text);
        if (value_name == "SpamCloseSec") text = ClampSpamCloseSec(text);
        notes.Assign(field, text, name);
    });

    // A fresh profile notifies by the notification dialog unless another method is chosen.
    if (check_subject_missing) {
        const bool other_method = IsOn(settings.CheckDispMode) || IsOn(settings.CheckTitle) ||
                                  IsOn(settings.CheckTitle2) || IsOn(settings.CheckTitle3);
        settings.CheckSubject.assign(other_method ? "OFF" : "ON");
    }

    // Dial-up login.
    Password& dial_runtime = passwords.dialup(profile);
    if (IsOn(settings.ChkOSSave)) {
        DialCredentials kept;
        if (settings.DialupName != texts::kSettingsLanConnection && dial &&
            dial(settings.DialupName.view(), settings.PhoneBook.view(), kept)) {
            notes.Assign(settings.DialupUserName, kept.user_name, "DialupUserName");
            notes.Assign(settings.DialupPassWord, kept.password, "DialupPassWord");
        }
        dial_runtime = settings.DialupPassWord;
    } else if (IsOn(settings.DSavePass)) {
        dial_runtime = settings.DialupPassWord;
    } else {
        settings.DialupPassWord = dial_runtime;
    }

    for (int index = 0; index < kAccountSlots; ++index) {
        AccountSettings& account = settings.accounts[index];
        const KeySelector account_key = KeySelector::Account(profile, index);
        ForEachAccountValue(account, [&](const char* name, auto& field) {
            std::string text;
            const RegStatus status = values_.Read(account_key, name, text);
            notes.Status(status);
            if (status != RegStatus::ok) text = AccountValueDefault(name);
            if (std::string_view(name) == "POP3PassWord") text = DecodePassword(text);
            if (std::string_view(name) == "POP3Mode" && text.empty()) text = "POP3";
            notes.Assign(field, text, AccountValueLabel(index, name));
        });
        Password& runtime = passwords.account(profile, index);
        account.password_missing = false;
        if (IsOn(account.SavePass)) {
            runtime = account.POP3PassWord;
        } else {
            account.POP3PassWord = runtime;
            if (runtime.empty() && !account.POP3UserName.empty()) {
                account.password_missing = true;
                ++report.no_password_count;
            }
        }
    }
    return report;
}

SaveReport ProfileStore::Save(const ProfileSettings& settings) {
    SaveReport report;
    SaveNotes notes(report);
    const int profile = settings.profile;
    if (!ValidProfile(profile)) {
        report.status = RegStatus::invalid_name;
        return report;
    }
    platform::Registry::Batch batch(values_.registry());

    notes.Status(WriteCurrentProfile(profile), kCurrentProfID);
    const KeySelector key = KeySelector::Profile(profile);
    notes.Status(values_.CreateKey(key), ProfileKeyName(profile));
    ForEachProfileValue(settings, [&](const char* name, const auto& field) {
        std::string text = field.str();
        if (std::string_view(name) == "DialupPassWord")
            text = IsOn(settings.DSavePass) && !text.empty() ? EncodePassword(text) : std::string();
        notes.Status(values_.Write(key, name, text), name);
    });

    for (int index = 0; index < kAccountSlots; ++index) {
        const AccountSettings& account = settings.accounts[index];
        const KeySelector account_key = KeySelector::Account(profile, index);
        ForEachAccountValue(account, [&](const char* name, const auto& field) {
            std::string text = field.str();
            if (std::string_view(name) == "POP3PassWord")
                text = IsOn(account.SavePass) && !text.empty() ? EncodePassword(text) : std::string();
            notes.Status(values_.Write(account_key, name, text), AccountValueLabel(index, name));
        });
    }
    notes.Final(batch.commit());
    return report;
}

SaveReport ProfileStore::DeleteProfile(ProfileSettings& settings, RuntimePasswords& passwords) {
    const int profile = settings.profile;
    if (!ValidProfile(profile)) {
        SaveReport report;
        report.status = RegStatus::invalid_name;
        return report;
    }
    ProfileSettings cleared;
    cleared.profile = profile;
    cleared.names = settings.names;
    cleared.names[profile - 1].assign(kUnusedProfileName);
    cleared.pName.assign(kUnusedProfileName);
    settings = cleared;
    passwords.ClearProfile(profile);
    return Save(settings);
}

} // namespace corvex::settings
