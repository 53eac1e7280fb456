// corvex-check killed with SIGKILL in the middle of a check: the mail it had not reported yet
// is announced by the next check, and the mail an earlier check reported is not announced
// again. The server is a scripted fake that stops answering after a few messages, so the kill
// lands while the program waits for the next header.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/fake_pop3_server.h"
#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using cli_test::ProgramResult;
using cli_test::RunProgram;
using pelmora_test::FakePop3Server;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

// The server's side of a check of a mailbox of n messages, as corvex-check starts it (every
// header fetched with 20 body lines, the newest message first). With stall_at, the server
// stops answering once it has been asked for that message's header.
std::string CheckScript(int n, int stall_at = 0) {
    std::string script = "S: +OK ready\nC: USER bob\nS: +OK\nC: PASS pw\nS: +OK\n"
                         "C: STAT\nS: +OK " +
                         std::to_string(n) + " " + std::to_string(n * 100) + "\n";
    for (int u = n; u >= 1; --u) {
        const std::string id = std::to_string(u);
        script += "C: LIST " + id + "\nS: +OK " + id + " 100\nC: TOP " + id + " 20\n";
        if (u == stall_at) return script + "STALL 60000\n";
        script += "S: +OK\nS: From: Sender " + id + " <s" + id + "@example.com>\nS: Subject: message " + id +
                  "\nS: Message-ID: <m" + id + "@example.com>\nS: \nS: body\nS: .\n";
    }
    return script + "C: QUIT\nS: +OK\n";
}

// The subjects of the messages a check listed as new.
std::vector<std::string> ListedSubjects(const std::string& out) {
    std::vector<std::string> subjects;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("  [", 0) != 0) continue;
        const std::size_t from = line.find(" | ");
        const std::size_t to = line.find(" | ", from + 3);
        if (from != std::string::npos && to != std::string::npos)
            subjects.push_back(line.substr(from + 3, to - from - 3));
    }
    return subjects;
}

std::vector<std::string> Subjects(int first, int last) {
    std::vector<std::string> subjects;
    for (int i = first; i <= last; ++i)
        subjects.push_back("message " + std::to_string(i));
    return subjects;
}

class KillMidCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home = fs::temp_directory_path() / ("pelmora-kill-home-" + std::to_string(std::random_device{}()));
    }
    void TearDown() override { fs::remove_all(home); }

    // One check of the fake server's mailbox; a check still running after `seconds` gets SIGKILL.
    ProgramResult Check(const FakePop3Server& server, int seconds = 60) {
        return RunProgram(CORVEX_CHECK_EXE,
                          {"--home", home.string(), "--server", "127.0.0.1", "--port",
                           std::to_string(server.port()), "--user", "bob"},
                          {{"PELMORA_PASSWORD", "pw"}}, std::chrono::seconds(seconds));
    }

    fs::path home;
};

TEST_F(KillMidCheckTest, NextCheckAnnouncesEveryMessageTheKilledOneDidNotReport) {
    {
        FakePop3Server server(CheckScript(5));
        const ProgramResult first = Check(server);
        ASSERT_EQ(first.status, 1) << first.out << first.err;
        EXPECT_THAT(ListedSubjects(first.out), UnorderedElementsAreArray(Subjects(1, 5)));
        EXPECT_THAT(server.problems(), IsEmpty());
    }
    {
        // Five messages arrived; the server stops answering at the fourth of them (message 7),
        // after the program has handled messages 10, 9 and 8.
        FakePop3Server server(CheckScript(10, 7));
        const ProgramResult killed = Check(server, 5);
        EXPECT_EQ(killed.status, -1) << "the check should still have been waiting\n"
                                     << killed.out << killed.err;
        EXPECT_THAT(server.transcript(), HasSubstr("TOP 7 20\r\n"));
        EXPECT_THAT(server.problems(), IsEmpty());
    }
    FakePop3Server server(CheckScript(10));
    const ProgramResult next = Check(server);
    ASSERT_EQ(next.status, 1) << next.out << next.err;
    EXPECT_THAT(next.out, HasSubstr("bob@127.0.0.1: 5 new")) << next.out;
    EXPECT_THAT(ListedSubjects(next.out), UnorderedElementsAreArray(Subjects(6, 10))) << next.out;
    EXPECT_THAT(server.problems(), IsEmpty());
}

} // namespace
