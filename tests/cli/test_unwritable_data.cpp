// corvex-check with a data folder it cannot write to: the account fails with the file and the
// reason, the mail of the last check is not shown as new again, and once the folder can be
// written the next check announces the mail that arrived meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "support/fake_pop3_server.h"
#include "support/program_run.h"

#include <sys/mount.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using cli_test::ProgramResult;
using cli_test::RunProgram;
using pelmora_test::FakePop3Server;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kLogin = "S: +OK ready\nC: USER bob\nS: +OK\nC: PASS pw\nS: +OK\n";

std::string Stat(int n) {
    return "C: STAT\nS: +OK " + std::to_string(n) + " " + std::to_string(n * 100) + "\n";
}

// The server's side of a whole check of n messages, as corvex-check starts it.
std::string CheckScript(int n) {
    std::string script = kLogin + Stat(n);
    for (int u = n; u >= 1; --u) {
        const std::string id = std::to_string(u);
        script += "C: LIST " + id + "\nS: +OK " + id + " 100\nC: TOP " + id +
                  " 20\nS: +OK\nS: From: Sender " + id + " <s" + id + "@example.com>\nS: Subject: message " +
                  id + "\nS: Message-ID: <m" + id + "@example.com>\nS: \nS: body\nS: .\n";
    }
    return script + "C: QUIT\nS: +OK\n";
}

class UnwritableDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home =
            fs::temp_directory_path() / ("pelmora-unwritable-home-" + std::to_string(std::random_device{}()));
        fs::create_directories(home);
        // Root ignores file permissions: its read-only folder is a tmpfs mounted read-only.
        if (::geteuid() == 0) {
            if (::mount("tmpfs", home.c_str(), "tmpfs", 0, "size=4m") != 0)
                GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
            mounted = true;
        }
    }
    void TearDown() override {
        if (read_only) SetReadOnly(false);
        if (mounted) ::umount2(home.c_str(), MNT_DETACH);
        fs::remove_all(home);
    }

    void SetReadOnly(bool on) {
        read_only = on;
        if (mounted) {
            const unsigned long flags = MS_REMOUNT | (on ? MS_RDONLY : 0);
            ASSERT_EQ(::mount("tmpfs", home.c_str(), "tmpfs", flags, "size=4m"), 0) << std::strerror(errno);
            return;
        }
        const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        const fs::perm_options how = on ? fs::perm_options::remove : fs::perm_options::add;
        for (const auto& entry : fs::recursive_directory_iterator(home))
            fs::permissions(entry.path(), write, how);
        fs::permissions(home, write, how);
    }

    ProgramResult Check(const FakePop3Server& server) {
        return RunProgram(CORVEX_CHECK_EXE,
                          {"--home", home.string(), "--server", "127.0.0.1", "--port",
                           std::to_string(server.port()), "--user", "bob"},
                          {{"PELMORA_PASSWORD", "pw"}});
    }

    fs::path home;
    bool mounted = false;
    bool read_only = false;
};

TEST_F(UnwritableDataTest, ReadOnlyFolderFailsWithTheReasonAndShowsNoOldMailAsNew) {
    {
        FakePop3Server server(CheckScript(2));
        const ProgramResult first = Check(server);
        ASSERT_EQ(first.status, 1) << first.out << first.err;
        EXPECT_THAT(first.out, HasSubstr("  [2] Sender 1<s1@example.com> | message 1 |"));
    }

    SetReadOnly(true);
    {
        // A third message arrived; the check cannot open its files.
        FakePop3Server server(kLogin + Stat(3) + "C: QUIT\nS: +OK\n");
        const ProgramResult failed = Check(server);
        EXPECT_EQ(failed.status, 3) << failed.out << failed.err;
        EXPECT_THAT(failed.out, HasSubstr("bob@127.0.0.1: failed: "));
        EXPECT_THAT(failed.out,
                    HasSubstr("SpamDelLog.csvの書き込みに失敗しました。(書き込みが許可されていません)"));
        EXPECT_THAT(failed.out, Not(HasSubstr("message"))) << "mail of the last check shown again";
        EXPECT_THAT(server.problems(), IsEmpty());
    }
    SetReadOnly(false);

    FakePop3Server server(CheckScript(3));
    const ProgramResult next = Check(server);
    EXPECT_EQ(next.status, 1) << next.out << next.err;
    EXPECT_THAT(next.out, HasSubstr("bob@127.0.0.1: 1 new"));
    EXPECT_THAT(next.out, HasSubstr(" | message 3 |"));
    EXPECT_THAT(next.out, Not(HasSubstr(" | message 2 |")));
    EXPECT_THAT(next.out, Not(HasSubstr(" | message 1 |")));
}

} // namespace
