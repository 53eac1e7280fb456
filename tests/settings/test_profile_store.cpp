// Loading and saving whole profiles through the machine's registry: defaults, key layout,
// passwords and the run-time table, the load rules, the active profile and deleting a profile.
#include "corvex/settings/password_codec.h"
#include "corvex/settings/profile_store.h"
#include "settings_texts.h"
#include "support/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace corvex::settings;
using platform::RegStatus;
using settings_test::Sj;
namespace texts = corvex::texts;

namespace {

class ProfileStoreTest : public settings_test::RegistryTest {
  protected:
    void SetUp() override {
        RegistryTest::SetUp();
        store_ = std::make_unique<ProfileStore>(reg_, root_);
    }
    // A fresh record, as after a restart of the program.
    static std::unique_ptr<ProfileSettings> Fresh() { return std::make_unique<ProfileSettings>(); }

    LoadReport Load(int profile, ProfileSettings& s, const DialCredentialsLookup& dial = {}) {
        return store_->Load(profile, s, passwords_, dial);
    }

    std::unique_ptr<ProfileStore> store_;
    RuntimePasswords passwords_;
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST_F(ProfileStoreTest, FirstStartWithoutKeysGivesTheStandardProfileWithDefaults) {
    auto s = Fresh();
    const LoadReport report = store_->LoadActive(*s, passwords_);
    EXPECT_EQ(report.profile, 1);
    EXPECT_EQ(s->profile, 1);
    EXPECT_EQ(report.no_password_count, 0);
    EXPECT_EQ(report.first_error, RegStatus::ok);
    EXPECT_TRUE(report.cut.empty());

    EXPECT_EQ(s->pName, texts::kSettingsStandardProfileName);
    EXPECT_EQ(s->pName, Sj("標準のﾌﾟﾛﾌｧｲﾙ"));
    EXPECT_EQ(s->names[0], Sj("標準のﾌﾟﾛﾌｧｲﾙ"));
    for (int n = 2; n <= kProfileCount; ++n)
        EXPECT_EQ(s->names[n - 1], "__XXX__") << n;

    const struct {
        const char* name;
        std::string text;
    } defaults[] = {
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
        {"CheckDispMode", "OFF"},
        {"CheckSubject", "ON"},
        {"CheckTitle3", "OFF"},
        {"CheckTitleNum", "20"},
        {"ScrollNum", "1"},
        {"DisplayNum", "1"},
        {"DSPTime", "0"},
        {"CHKAteSel", "OFF"},
        {"CHKLvChk", "ON"},
        {"CHKDelMsg1", "ON"},
        {"CHKDelMsg2", "ON"},
        {"CHKDspSort", "ON"},
        {"CheckSound", "OFF"},
        {"SoundFile", ""},
        {"SoundNum", "1"},
        {"MailAgent", ""},
        {"WinStyle", Sj("標準サイズ")},
        {"DialupName", Sj("LANで接続する")},
        {"ChkOSSave", "OFF"},
        {"DialupUserName", ""},
        {"DialupPassWord", ""},
        {"DSavePass", "ON"},
        {"PhoneBook", ""},
        {"THNone", "OFF"},
        {"CheckFilter2", "OFF"},
        {"SpmEnt", "OFF"},
        {"SpamCloseSec", "30"},
    };
    std::vector<std::string> seen;
    ForEachProfileValue(*s, [&](const char* name, const auto& field) {
        for (const auto& d : defaults)
            if (std::string(name) == d.name) {
                EXPECT_EQ(field.view(), d.text) << name;
                seen.push_back(name);
            }
    });
    EXPECT_EQ(seen.size(), std::size(defaults)) << "every listed value exists in the record";

    for (const AccountSettings& a : s->accounts) {
        EXPECT_FALSE(a.InUse());
        EXPECT_EQ(a.POP3PortNum, "");
        EXPECT_EQ(a.SavePass, "ON");
        EXPECT_EQ(a.POP3Mode, "POP3");
        EXPECT_EQ(a.CHKACC, "ON");
        EXPECT_EQ(a.ErrJump, "OFF");
        EXPECT_EQ(a.WinStyle2, Sj("標準サイズ"));
        EXPECT_FALSE(a.password_missing);
    }
    EXPECT_FALSE(reg_.key_exists(HKCU, root_)) << "loading writes nothing";
}

TEST_F(ProfileStoreTest, ProfileOneLivesInTheRootKeyProfileTwoUnder002) {
    auto s = Fresh();
    Load(1, *s);
    s->pName.assign("first");
    s->accounts[0].POP3Server.assign("pop.one.example");
    ASSERT_TRUE(store_->Save(*s).ok());

    Load(2, *s);
    EXPECT_EQ(s->pName, "__XXX__");
    EXPECT_EQ(s->accounts[0].POP3Server, "") << "profile 2 does not see profile 1's accounts";
    s->pName.assign("second");
    s->CheckTime.assign("15");
    s->accounts[0].POP3Server.assign("pop.two.example");
    ASSERT_TRUE(store_->Save(*s).ok());

    EXPECT_EQ(Raw("", "pName"), "first");
    EXPECT_EQ(Raw("", "CurrentProfID"), "2") << "program-wide value beside profile 1's";
    EXPECT_EQ(Raw("", "CheckTime"), "60");
    EXPECT_EQ(Raw("002", "pName"), "second");
    EXPECT_EQ(Raw("002", "CheckTime"), "15");
    EXPECT_EQ(Raw("002", "CurrentProfID"), "<missing>");
    EXPECT_EQ(Raw("0", "POP3Server"), "pop.one.example");
    EXPECT_EQ(Raw("002\\0", "POP3Server"), "pop.two.example");
    EXPECT_EQ(Raw("002\\29", "POP3Server"), "") << "all thirty slots are written";
    EXPECT_EQ(Raw("002\\29", "WinStyle2"), Sj("標準サイズ"));
    EXPECT_EQ(Raw("002\\30", "POP3Server"), "<missing>");

    const auto names = store_->ReadProfileNames();
    EXPECT_EQ(names[0], "first");
    EXPECT_EQ(names[1], "second");
    EXPECT_EQ(names[2], "__XXX__");
    EXPECT_EQ(store_->ReadCurrentProfile(), 2);

    auto again = Fresh();
    EXPECT_EQ(store_->LoadActive(*again, passwords_).profile, 2) << "no profile chosen yet: CurrentProfID";
    EXPECT_EQ(again->CheckTime, "15");
    again->profile = 1;
    EXPECT_EQ(store_->LoadActive(*again, passwords_).profile, 1) << "the chosen profile stays";
}

TEST_F(ProfileStoreTest, EveryValueSurvivesSaveAndLoad) {
    auto s = Fresh();
    Load(4, *s);
    int i = 0;
    ForEachProfileValue(*s, [&](const char*, auto& field) { field.assign("v" + std::to_string(++i)); });
    s->ChkOSSave.assign("OFF");
    s->DSavePass.assign("ON");
    s->SpamCloseSec.assign("45");
    s->pName.assign(Sj("仕事用"));
    s->DialupName.assign(Sj("プロバイダ"));
    for (AccountSettings& a : s->accounts)
        ForEachAccountValue(a, [&](const char*, auto& field) { field.assign("a" + std::to_string(++i)); });
    s->accounts[7].POP3Mode.assign("APOP");
    s->accounts[7].POP3PassWord.assign("\x85\x40pw");
    for (AccountSettings& a : s->accounts)
        a.SavePass.assign("ON");
    const SaveReport saved = store_->Save(*s);
    ASSERT_TRUE(saved.ok()) << platform::to_string(saved.status) << " " << reg_.last_error();
    EXPECT_TRUE(saved.refused.empty());

    auto back = Fresh();
    RuntimePasswords other; // as after a restart
    const LoadReport report = store_->Load(4, *back, other);
    EXPECT_TRUE(report.cut.empty());
    EXPECT_EQ(report.first_error, RegStatus::ok);
    std::vector<std::string> written;
    ForEachProfileValue(*s, [&](const char*, const auto& field) { written.push_back(field.str()); });
    std::size_t k = 0;
    ForEachProfileValue(
        *back, [&](const char* name, const auto& field) { EXPECT_EQ(field.view(), written[k++]) << name; });
    for (int slot = 0; slot < kAccountSlots; ++slot) {
        std::vector<std::string> account;
        ForEachAccountValue(s->accounts[slot],
                            [&](const char*, const auto& f) { account.push_back(f.str()); });
        std::size_t j = 0;
        ForEachAccountValue(back->accounts[slot], [&](const char* name, const auto& field) {
            EXPECT_EQ(field.view(), account[j++]) << "slot " << slot << " " << name;
        });
    }
    EXPECT_EQ(other.account(4, 7), "\x85\x40pw") << "a stored password fills the run-time table";
    EXPECT_EQ(other.dialup(4), s->DialupPassWord.view());
    EXPECT_EQ(Raw("004\\7", "POP3PassWord"), EncodePassword("\x85\x40pw"));
}

TEST_F(ProfileStoreTest, UnstoredPasswordsComeFromTheRuntimeTable) {
    auto s = Fresh();
    Load(2, *s);
    AccountSettings& stored = s->accounts[0];
    stored.POP3Server.assign("pop.example.com");
    stored.POP3UserName.assign("alice");
    stored.POP3PassWord.assign("abc");
    AccountSettings& typed = s->accounts[1];
    typed.POP3Server.assign("pop.example.com");
    typed.POP3UserName.assign("bob");
    typed.SavePass.assign("OFF");
    typed.POP3PassWord.assign("typed");
    AccountSettings& none = s->accounts[2];
    none.POP3Server.assign("pop.example.com");
    none.POP3UserName.assign("carol");
    none.SavePass.assign("OFF");
    s->DialupPassWord.assign("dial");
    s->DSavePass.assign("OFF");
    ASSERT_TRUE(store_->Save(*s).ok());

    EXPECT_EQ(Raw("002\\0", "POP3PassWord"), "2YZb]YZb_YZba");
    EXPECT_EQ(Raw("002\\1", "POP3PassWord"), "") << "SavePass OFF: nothing stored";
    EXPECT_EQ(Raw("002", "DialupPassWord"), "");

    // This run's table knows what the user typed.
    passwords_.account(2, 1).assign("typed");
    passwords_.dialup(2).assign("dial");
    auto back = Fresh();
    LoadReport report = Load(2, *back);
    EXPECT_EQ(back->accounts[0].POP3PassWord, "abc");
    EXPECT_EQ(passwords_.account(2, 0), "abc");
    EXPECT_EQ(back->accounts[1].POP3PassWord, "typed");
    EXPECT_FALSE(back->accounts[1].password_missing);
    EXPECT_EQ(back->accounts[2].POP3PassWord, "");
    EXPECT_TRUE(back->accounts[2].password_missing);
    EXPECT_FALSE(back->accounts[3].password_missing) << "an unused slot needs no password";
    EXPECT_EQ(report.no_password_count, 1);
    EXPECT_EQ(back->DialupPassWord, "dial");

    // After a restart the table is empty.
    RuntimePasswords restarted;
    auto later = Fresh();
    report = store_->Load(2, *later, restarted);
    EXPECT_EQ(report.no_password_count, 2);
    EXPECT_EQ(later->accounts[0].POP3PassWord, "abc");
    EXPECT_EQ(later->accounts[1].POP3PassWord, "");
    EXPECT_EQ(later->DialupPassWord, "");
    EXPECT_EQ(restarted.account(1, 0), "") << "other profiles' slots untouched";
}

TEST_F(ProfileStoreTest, StoredDialupPasswordFillsTheRuntimeTable) {
    auto s = Fresh();
    Load(1, *s);
    s->DialupUserName.assign("user");
    s->DialupPassWord.assign("abc");
    ASSERT_TRUE(store_->Save(*s).ok());
    EXPECT_EQ(Raw("", "DialupPassWord"), "2YZb]YZb_YZba");
    EXPECT_EQ(Raw("", "DialupUserName"), "user");
    auto back = Fresh();
    Load(1, *back);
    EXPECT_EQ(back->DialupPassWord, "abc");
    EXPECT_EQ(passwords_.dialup(1), "abc");
}

TEST_F(ProfileStoreTest, SystemKeptDialupLoginReplacesTheStoredOne) {
    PutRaw("", "ChkOSSave", "ON");
    PutRaw("", "DialupName", "Office");
    PutRaw("", "PhoneBook", "\"C:\\pbk\\rasphone.pbk\"");
    PutRaw("", "DialupUserName", "stored");
    PutRaw("", "DialupPassWord", EncodePassword("storedpw"));
    std::string asked_entry, asked_book;
    const DialCredentialsLookup kept = [&](std::string_view entry, std::string_view book,
                                           DialCredentials& out) {
        asked_entry = entry;
        asked_book = book;
        out.user_name = "sysuser";
        out.password = "syspw";
        return true;
    };
    auto s = Fresh();
    Load(1, *s, kept);
    EXPECT_EQ(asked_entry, "Office");
    EXPECT_EQ(asked_book, "\"C:\\pbk\\rasphone.pbk\"");
    EXPECT_EQ(s->DialupUserName, "sysuser");
    EXPECT_EQ(s->DialupPassWord, "syspw");
    EXPECT_EQ(passwords_.dialup(1), "syspw") << "dialling takes the run-time password";

    // Natively the system keeps nothing: no login at all, not the stored one.
    auto native = Fresh();
    Load(1, *native);
    EXPECT_EQ(native->DialupUserName, "");
    EXPECT_EQ(native->DialupPassWord, "");

    // The LAN entry dials nothing, so nothing is asked.
    PutRaw("", "DialupName", Sj("LANで接続する"));
    asked_entry.clear();
    auto lan = Fresh();
    Load(1, *lan, kept);
    EXPECT_EQ(asked_entry, "");
    EXPECT_EQ(lan->DialupUserName, "");
}

TEST_F(ProfileStoreTest, LoadRulesForMissingEmptyAndOutOfRangeValues) {
    const struct {
        const char* name;
        const char* stored;
        const char* loaded;
    } cases[] = {
        {"CheckTime", "", "60"},     {"CheckTime2", "", "5"},      {"DSPTime", "", "0"},
        {"ToutTime", "", "60"},      {"ReadLineNum", "", "200"},   {"ReadLineNumC", "", "20"},
        {"CheckTitleNum", "", ""},   {"SoundNum", "", ""},         {"LCMode", "", ""},
        {"SpamCloseSec", "5", "10"}, {"SpamCloseSec", "99", "60"}, {"SpamCloseSec", "abc", "10"},
        {"SpamCloseSec", "", "10"},  {"SpamCloseSec", "25", "25"}, {"CheckTime", "1000", "1000"},
    };
    for (const auto& c : cases) {
        PutRaw("003", c.name, c.stored);
        auto s = Fresh();
        Load(3, *s);
        std::string got;
        ForEachProfileValue(*s, [&](const char* name, const auto& field) {
            if (std::string(name) == c.name) got = field.str();
        });
        EXPECT_EQ(got, c.loaded) << c.name << " stored as \"" << c.stored << "\"";
    }
    PutRaw("003\\4", "POP3Mode", "");
    PutRaw("003\\5", "POP3Mode", "APOP");
    auto s = Fresh();
    Load(3, *s);
    EXPECT_EQ(s->accounts[4].POP3Mode, "POP3");
    EXPECT_EQ(s->accounts[5].POP3Mode, "APOP");
}

TEST_F(ProfileStoreTest, MissingCheckSubjectFollowsTheOtherNotificationMethods) {
    auto s = Fresh();
    Load(5, *s);
    EXPECT_EQ(s->CheckSubject, "ON");
    for (const char* other : {"CheckDispMode", "CheckTitle", "CheckTitle2", "CheckTitle3"}) {
        reg_.delete_tree(HKCU, root_ + "\\005");
        PutRaw("005", other, "ON");
        Load(5, *s);
        EXPECT_EQ(s->CheckSubject, "OFF") << other;
    }
    PutRaw("005", "CheckSubject", "ON");
    Load(5, *s);
    EXPECT_EQ(s->CheckSubject, "ON") << "a stored value is kept";
    reg_.delete_tree(HKCU, root_ + "\\005");
    PutRaw("005", "CheckSubject", "OFF");
    Load(5, *s);
    EXPECT_EQ(s->CheckSubject, "OFF");
}

TEST_F(ProfileStoreTest, CurrentProfileNumber) {
    EXPECT_EQ(store_->ReadCurrentProfile(), 1) << "missing";
    const struct {
        const char* stored;
        int profile;
    } cases[] = {{"3", 3}, {"10", 10}, {"0", 1}, {"-2", 1}, {"11", 1}, {"abc", 1}, {"", 1}};
    for (const auto& c : cases) {
        PutRaw("", "CurrentProfID", c.stored);
        EXPECT_EQ(store_->ReadCurrentProfile(), c.profile) << "\"" << c.stored << "\"";
    }
    reg_.delete_tree(HKCU, root_);
    EXPECT_EQ(store_->WriteCurrentProfile(7), RegStatus::ok) << "creates the root key";
    EXPECT_EQ(Raw("", "CurrentProfID"), "7");
}

TEST_F(ProfileStoreTest, OverlongStoredValuesAreCutOnCharacterBoundariesAndReported) {
    PutRaw("006\\2", "POP3Server", std::string(60, 's'));
    const std::string address = std::string(78, 'm') + Sj("亜"); // 80 bytes, the last character double
    PutRaw("006\\2", "MailAdrs", address);
    PutRaw("006\\2", "POP3PassWord", EncodePassword(std::string(25, 'p')));
    auto s = Fresh();
    const LoadReport report = Load(6, *s);
    EXPECT_EQ(s->accounts[2].POP3Server, std::string(49, 's'));
    EXPECT_EQ(s->accounts[2].MailAdrs, std::string(78, 'm')) << "the double-byte character is not split";
    EXPECT_EQ(s->accounts[2].POP3PassWord, std::string(19, 'p'));
    EXPECT_TRUE(Contains(report.cut, "2\\POP3Server"));
    EXPECT_TRUE(Contains(report.cut, "2\\MailAdrs"));
    EXPECT_TRUE(Contains(report.cut, "2\\POP3PassWord"));
    EXPECT_EQ(report.cut.size(), 3u);
}

TEST_F(ProfileStoreTest, DeletedProfileKeepsItsKeysWithEmptyValues) {
    auto s = Fresh();
    Load(3, *s);
    s->pName.assign("holiday");
    s->CheckMode.assign("ON");
    s->accounts[0].POP3Server.assign("pop.example.com");
    s->accounts[0].POP3UserName.assign("dave");
    s->accounts[0].POP3PassWord.assign("pw");
    s->accounts[0].SavePass.assign("OFF");
    ASSERT_TRUE(store_->Save(*s).ok());
    passwords_.account(3, 0).assign("pw");
    passwords_.dialup(3).assign("dial");
    passwords_.account(2, 0).assign("other");

    ASSERT_TRUE(store_->DeleteProfile(*s, passwords_).ok());
    EXPECT_EQ(s->pName, "__XXX__");
    EXPECT_EQ(s->names[2], "__XXX__");
    EXPECT_EQ(s->CheckMode, "");
    EXPECT_FALSE(s->accounts[0].InUse());
    EXPECT_EQ(passwords_.account(3, 0), "");
    EXPECT_EQ(passwords_.dialup(3), "");
    EXPECT_EQ(passwords_.account(2, 0), "other") << "other profiles keep theirs";

    EXPECT_EQ(Raw("003", "pName"), "__XXX__");
    EXPECT_EQ(Raw("003", "CheckMode"), "");
    EXPECT_EQ(Raw("003", "LCMode"), "");
    EXPECT_EQ(Raw("003\\0", "POP3Server"), "");
    EXPECT_EQ(Raw("003\\29", "SavePass"), "");
    EXPECT_EQ(store_->ReadProfileNames()[2], "__XXX__");

    auto back = Fresh();
    const LoadReport report = Load(3, *back);
    EXPECT_EQ(back->pName, "__XXX__");
    EXPECT_EQ(back->CheckTime, "60") << "an empty number takes its default";
    EXPECT_EQ(back->CheckSubject, "") << "present, so not derived";
    EXPECT_EQ(back->accounts[0].POP3Mode, "POP3");
    EXPECT_EQ(report.no_password_count, 0);
}

} // namespace
