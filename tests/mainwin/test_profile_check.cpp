// A check of a stored profile as both programs run it: the values kept in the settings file
// reach the driver and the engine, and a check of a real mailbox announces what is new once.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "corvex/engine/data_paths.h"
#include "corvex/mainwin/profile_check.h"
#include "platform/registry.h"
#include "support/dovecot_server.h"

namespace {

namespace fs = std::filesystem;

class ProfileCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home =
            fs::temp_directory_path() / ("pelmora-profile-check-" + std::to_string(std::random_device{}()));
        fs::create_directories(home);
        ASSERT_TRUE(corvex::EnsureDataDirectories(home.string()));
        data_dir = corvex::DataDirectory(home.string());
        ASSERT_EQ(registry.open_file(home.string()), platform::RegStatus::ok);
    }
    void TearDown() override { fs::remove_all(home); }

    // Stores profile 1 with one account; change adjusts the values first.
    template <class F> void StoreProfile(F change) {
        corvex::settings::ProfileStore store(registry);
        corvex::settings::ProfileSettings s;
        corvex::settings::RuntimePasswords passwords;
        store.Load(1, s, passwords);
        change(s);
        ASSERT_TRUE(store.Save(s).ok());
    }

    fs::path home;
    std::string data_dir;
    platform::Registry registry;
};

TEST_F(ProfileCheckTest, StoredValuesReachTheDriverAndTheEngine) {
    StoreProfile([](corvex::settings::ProfileSettings& s) {
        s.CheckFilter.assign("ON");
        s.CheckSpam.assign("ON");
        s.ToutTime.assign("90");
        s.CHKDspSort.assign("OFF");
        s.ReadLineNumC.assign("40");
        s.SpamCloseSec.assign("15");
        corvex::settings::AccountSettings& a = s.accounts[1];
        a.POP3Server.assign("pop.example.com");
        a.POP3UserName.assign("bob");
        a.POP3PassWord.assign("pw");
        a.POP3PortNum.assign("995");
        a.POP3Mode.assign("APOP");
        a.MailAdrs.assign("bob@example.com");
        a.CHKACC.assign("OFF");
        a.ErrJump.assign("ON");
    });
    corvex::ProfileCheck check(registry, data_dir);
    ASSERT_EQ(check.Load(1).first_error, platform::RegStatus::ok);

    const corvex::DriverSettings d = corvex::DriverSettingsFrom(check.profile());
    EXPECT_EQ(d.check_filter, "ON");
    EXPECT_EQ(d.check_spam, "ON");
    EXPECT_EQ(d.tout_time, "90");
    EXPECT_EQ(d.check_new, "ON") << "the default of a fresh profile";
    const corvex::DriverAccount& a = d.accounts[1];
    EXPECT_EQ(a.server, "pop.example.com");
    EXPECT_EQ(a.user, "bob");
    EXPECT_EQ(a.password, "pw") << "the decoded run-time password";
    EXPECT_EQ(a.port, "995");
    EXPECT_EQ(a.mode, "APOP");
    EXPECT_EQ(a.mail_address, "bob@example.com");
    EXPECT_EQ(a.chkacc, "OFF");
    EXPECT_EQ(a.err_jump, "ON");
    EXPECT_TRUE(d.accounts[0].user.empty());

    const corvex::CheckSettings e = corvex::EngineSettingsFrom(check.profile(), data_dir);
    EXPECT_EQ(e.data_dir, data_dir);
    EXPECT_EQ(e.profile, 1);
    EXPECT_EQ(e.dsp_sort, "OFF");
    EXPECT_EQ(e.read_line_num_c, "40");
    EXPECT_EQ(e.spam_close_sec, "15");
}

// Another program (the tray program, corvex-check --save) changes the settings file between two
// checks of a long-running one: the second check reads the change.
TEST_F(ProfileCheckTest, EachLoadReadsWhatAnotherProgramStoredSince) {
    corvex::ProfileCheck check(registry, data_dir);
    ASSERT_EQ(check.Load(1).first_error, platform::RegStatus::ok);
    EXPECT_EQ(check.profile().ToutTime, "60");
    EXPECT_TRUE(check.profile().accounts[0].POP3UserName.empty());

    {
        platform::Registry other;
        ASSERT_EQ(other.open_file(home.string()), platform::RegStatus::ok);
        corvex::settings::ProfileStore store(other);
        corvex::settings::ProfileSettings s;
        corvex::settings::RuntimePasswords passwords;
        store.Load(1, s, passwords);
        s.ToutTime.assign("120");
        s.accounts[0].POP3UserName.assign("dave");
        ASSERT_TRUE(store.Save(s).ok());
    }
    ASSERT_EQ(check.Load(1).first_error, platform::RegStatus::ok);
    EXPECT_EQ(check.profile().ToutTime, "120");
    EXPECT_EQ(check.profile().accounts[0].POP3UserName, "dave");
}

TEST_F(ProfileCheckTest, ACheckOfAStoredProfileAnnouncesNewMailOnce) {
    pelmora_test::DovecotServer dovecot;
    PELMORA_REQUIRE_DOVECOT(dovecot);
    ASSERT_TRUE(dovecot.AddUser("carol", "s3cret")) << dovecot.error();
    ASSERT_TRUE(
        dovecot.Deliver("carol", "Message-ID: <a@example.com>\nFrom: a@example.com\nSubject: hi\n\nbody\n"))
        << dovecot.error();
    StoreProfile([&](corvex::settings::ProfileSettings& s) {
        corvex::settings::AccountSettings& a = s.accounts[0];
        a.POP3Server.assign(dovecot.host());
        a.POP3UserName.assign("carol");
        a.POP3PassWord.assign("s3cret");
        a.POP3PortNum.assign(std::to_string(dovecot.port()));
    });

    corvex::ProfileCheck check(registry, data_dir);
    corvex::EngineUi ui;
    corvex::CheckEnvironment env;
    for (const int expected : {1, 0}) {
        ASSERT_EQ(check.Load(1).first_error, platform::RegStatus::ok);
        const corvex::DriverSettings driver = corvex::DriverSettingsFrom(check.profile());
        const corvex::CheckOutcome outcome = check.Run(driver, ui, env);
        check.Finish(driver, false);
        EXPECT_EQ(outcome.accounts_checked, 1);
        EXPECT_EQ(outcome.results[0], expected);
        EXPECT_FALSE(outcome.error_mark);
    }

    // A stop request before the account: it is not started and counts as neither.
    const corvex::CheckOutcome stopped =
        check.Run(corvex::DriverSettingsFrom(check.profile()), ui, env, [] { return true; });
    EXPECT_EQ(stopped.results[0], corvex::kForcedPreviousResult);
    EXPECT_FALSE(stopped.error_mark);
}

} // namespace
