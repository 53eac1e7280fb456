// The check driver's account loop with a scripted account run: paused accounts, the summary
// and totals, the previous values after start-up and after a spam-list change, and the
// seen-list bookkeeping that announces unacknowledged mail again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "corvex/engine/data_paths.h"
#include "corvex/mainwin/check_driver.h"
#include "cp932.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
std::string Utf8(const std::string& sjis) {
    return dorvik::cp932_to_utf8(sjis);
}
void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class CheckDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("pelmora-driver-" + std::to_string(std::random_device{}()));
        fs::create_directories(root);
        ASSERT_TRUE(corvex::EnsureDataDirectories(root.string()));
        data_dir = corvex::DataDirectory(root.string());
    }
    void TearDown() override { fs::remove_all(root); }

    corvex::DriverAccount& Account(int slot, const char* user, const char* host) {
        corvex::DriverAccount& a = settings.accounts[slot];
        a.user = user;
        a.server = host;
        return a;
    }
    fs::path WorkDir(int slot) const {
        return corvex::WorkDirectory(data_dir, settings.accounts[slot].user, settings.accounts[slot].server);
    }

    // Each account run returns results[host] and leaves remaining[host] on the server; it
    // records what it was given.
    corvex::CheckOutcome Run() {
        corvex::CheckEnvironment env;
        return corvex::RunAccounts(
            settings, state, data_dir,
            [this](corvex::CheckInput& in) {
                calls.push_back(in);
                in.remaining = remaining[in.host];
                return results[in.host];
            },
            env);
    }

    fs::path root;
    std::string data_dir;
    corvex::DriverSettings settings;
    corvex::CheckState state;
    std::map<std::string, int> results, remaining;
    std::vector<corvex::CheckInput> calls;
};

TEST_F(CheckDriverTest, AccountLoopTotalsAndSummary) {
    Account(0, "bob", "pop.example.com").mail_address = "bob@example.com";
    corvex::DriverAccount& paused = Account(1, "eve", "paused.example.com");
    paused.chkacc = "OFF";
    Account(2, "ann", "fail.example.com");
    corvex::DriverAccount& quiet = Account(3, "joe", "quiet-fail.example.com");
    quiet.err_jump = "ON";
    Account(5, "zed", "after-gap.example.com"); // behind an empty slot: never reached
    settings.accounts[1].port = "995";
    settings.check_spam = "ON";
    settings.check_filter = "ON";
    settings.check_filter2 = "ON";
    settings.tout_time = "30";
    settings.accounts[2].mode = "APOP";
    results = {{"pop.example.com", 3}, {"fail.example.com", -8}, {"quiet-fail.example.com", -9}};
    remaining = {{"pop.example.com", 7}, {"fail.example.com", 0}, {"quiet-fail.example.com", 2}};

    const corvex::CheckOutcome out = Run();
    ASSERT_EQ(calls.size(), 3u) << "the paused account has no server contact";
    EXPECT_EQ(out.accounts_checked, 4);
    EXPECT_EQ(calls[0].host, "pop.example.com");
    EXPECT_EQ(calls[0].login_method, 1);
    EXPECT_EQ(calls[1].login_method, 2);
    EXPECT_EQ(calls[0].filter_mode, 2);
    EXPECT_EQ(calls[0].spam_check, 1);
    EXPECT_EQ(calls[0].timeout_seconds, 30);
    EXPECT_EQ(calls[1].account, 2);
    // The first run after start-up is forced; the next accounts use their reports.
    EXPECT_EQ(calls[0].previous_result, -99);
    EXPECT_EQ(calls[1].previous_result, 0);
    EXPECT_EQ(calls[1].previous_count, -1);

    EXPECT_EQ(Utf8(Read(WorkDir(1) / "index.tmp")), "[OFF] メールチェック一時停止中です。\r\n");
    EXPECT_EQ(out.total_count, 9);
    EXPECT_EQ(out.new_total, 3);
    EXPECT_EQ(out.notify_total, 9) << "CheckNew OFF announces the messages on the servers";
    EXPECT_EQ(out.result, 1);
    EXPECT_TRUE(out.error_mark);
    EXPECT_EQ(out.last_error, -8) << "ErrJump ON keeps a failure out of the summary";
    EXPECT_EQ(Utf8(out.summary), "bob@example.com : 7件\nann@fail.example.com : ﾒｰﾙﾁｪｯｸに失敗しました。\n");
}

TEST_F(CheckDriverTest, CheckNewCountsTheResults) {
    Account(0, "bob", "a.example.com");
    Account(1, "ann", "b.example.com");
    settings.check_new = "ON";
    results = {{"a.example.com", 2}, {"b.example.com", 0}};
    remaining = {{"a.example.com", 5}, {"b.example.com", 4}};
    const corvex::CheckOutcome out = Run();
    EXPECT_EQ(out.notify_total, 2);
    EXPECT_THAT(std::vector<int>(out.notify_counts.begin(), out.notify_counts.begin() + 2),
                ElementsAre(2, 0));
    EXPECT_EQ(Utf8(out.summary), "bob@a.example.com : 2件\n");
    // Nothing new: the account's snapshot is dropped, so its mail is not announced again.
    const corvex::SeenFiles b = corvex::SeenListFiles(data_dir, "ann", "b.example.com");
    EXPECT_FALSE(fs::exists(b.snapshot));
    EXPECT_TRUE(fs::exists(corvex::SeenListFiles(data_dir, "bob", "a.example.com").snapshot));

    results = {{"a.example.com", 0}, {"b.example.com", -99}};
    const corvex::CheckOutcome none = Run();
    EXPECT_EQ(none.result, 0) << "-99 is neither news nor a failure";
    EXPECT_FALSE(none.error_mark);
}

TEST_F(CheckDriverTest, PreviousValuesFollowTheReportAndTheSpamList) {
    Account(0, "bob", "a.example.com");
    Account(1, "ann", "b.example.com");
    results = {{"a.example.com", 1}, {"b.example.com", 1}};
    Run();
    Write(WorkDir(0) / "index.tmp", "[CNT] 0\r\n[INF] 4 900 1 4\r\n");
    Write(WorkDir(1) / "index.tmp", "[CNT] 0\r\n[INF] 2 300 1 2\r\n");

    calls.clear();
    Run();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].previous_count, 4);
    EXPECT_EQ(calls[0].previous_size, 900);
    EXPECT_EQ(calls[0].previous_result, 0) << "not restored: the news were announced already";
    EXPECT_EQ(calls[1].previous_count, 2);

    // A changed spam list forces a full run for the first account only.
    Write(fs::path(data_dir) / "SpamList.999", "pattern\r\n");
    calls.clear();
    Run();
    EXPECT_EQ(calls[0].previous_result, -99);
    EXPECT_EQ(calls[1].previous_count, 2);
    calls.clear();
    Run();
    EXPECT_EQ(calls[0].previous_count, 4) << "the stamp is unchanged now";
}

TEST_F(CheckDriverTest, UnacknowledgedMailIsAnnouncedAgain) {
    Account(0, "bob", "a.example.com");
    settings.check_renew = "ON";
    results = {{"a.example.com", 1}};
    const corvex::SeenFiles files = corvex::SeenListFiles(data_dir, "bob", "a.example.com");
    Write(files.list, "<old@x>\r\n");
    Run();
    EXPECT_EQ(Read(files.snapshot), "<old@x>\r\n");
    Write(files.list, "<old@x>\r\n<new@x>\r\n"); // what the run appended
    Write(WorkDir(0) / "index.tmp", "[CNT] 0\r\n[INF] 2 300 1 2\r\n");

    corvex::FinishCheck(settings, data_dir, true);
    EXPECT_FALSE(fs::exists(files.snapshot));
    EXPECT_EQ(Read(files.restore), "<old@x>\r\n");

    calls.clear();
    const corvex::CheckOutcome again = Run();
    EXPECT_EQ(again.restored[0], 1);
    EXPECT_EQ(Read(files.list), "<old@x>\r\n") << "the list before the announcement is back";
    EXPECT_FALSE(fs::exists(files.restore));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].previous_result, 1) << "a restored account returns its previous news";

    corvex::FinishCheck(settings, data_dir, false);
    EXPECT_FALSE(fs::exists(files.restore));
    EXPECT_FALSE(fs::exists(files.snapshot));
}

} // namespace
