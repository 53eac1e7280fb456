// The check run against a scripted fake server, for what a real server does not do on demand
// and for the exact commands a run sends: the unchanged mailbox, a forced full check, a stall
// in the middle of a TOP, a refused STAT or DELE, a cancelled fetch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvex/checkrun/check_account.h"
#include "corvex/engine/report_file.h"
#include "platform/wait.h"
#include "support/checkrun_support.h"
#include "support/fake_pop3_server.h"

namespace checkrun_test {
namespace {

using pelmora_test::FakePop3Server;
using pelmora_test::FakeScript;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kLogin = "S: +OK ready\n"
                           "C: USER bob\n"
                           "S: +OK\n"
                           "C: PASS pw\n"
                           "S: +OK\n";

// The reply lines of "TOP n m" for a small message, terminator included.
std::string TopReply(int n) {
    const std::string id = std::to_string(n);
    return "S: +OK\n"
           "S: From: Sender " +
           id + " <s" + id +
           "@example.com>\n"
           "S: Subject: message " +
           id +
           "\n"
           "S: Message-ID: <m" +
           id +
           "@example.com>\n"
           "S: \n"
           "S: body\n"
           "S: .\n";
}

class FaultTest : public ::testing::Test {
  protected:
    int Run(FakePop3Server& server, RecordingUi& ui) {
        input.host = "127.0.0.1";
        input.port = server.port();
        input.user = "bob";
        input.password = "pw";
        settings.data_dir = files.data_dir();
        return corvex::CheckAccount(input, ui, settings);
    }
    int Run(FakePop3Server& server) {
        RecordingUi ui;
        return Run(server, ui);
    }

    AccountFiles files{"127.0.0.1", "bob"};
    corvex::CheckInput input;
    corvex::CheckSettings settings;
};

TEST_F(FaultTest, UnchangedMailboxCostsOneStat) {
    const FakeScript script = FakeScript::Parse(kLogin + "C: STAT\nS: +OK 2 320\nC: QUIT\nS: +OK\n");
    FakePop3Server server(script);
    input.previous_count = 2;
    input.previous_size = 320;
    input.previous_result = 5;
    EXPECT_EQ(Run(server), 5);
    EXPECT_EQ(server.Finish(), script.ClientTranscript());
    EXPECT_THAT(server.problems(), IsEmpty());
}

TEST_F(FaultTest, ForcedFullCheckFetchesEveryHeaderWithTheConfiguredLines) {
    struct Case {
        const char* read_line_num_c;
        int lines;
    };
    // The same account each time: the cache files of the earlier runs are never reused.
    for (const Case& c : {Case{"5", 20}, Case{"500", 200}, Case{"", 20}, Case{"50", 50}}) {
        SCOPED_TRACE(c.read_line_num_c);
        const FakeScript script =
            FakeScript::Parse(kLogin + "C: STAT\nS: +OK 1 100\nC: LIST 1\nS: +OK 1 100\n" + "C: TOP 1 " +
                              std::to_string(c.lines) + "\n" + TopReply(1) + "C: QUIT\nS: +OK\n");
        FakePop3Server server(script);
        settings.read_line_num_c = c.read_line_num_c;
        Run(server);
        EXPECT_EQ(server.Finish(), script.ClientTranscript());
        EXPECT_THAT(server.problems(), IsEmpty());
        const std::vector<ReportBlock> blocks = files.Blocks();
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0].subject, "message 1");
    }
}

TEST_F(FaultTest, StallInTheMiddleOfATopEndsTheListWithTheTimeoutLine) {
    FakePop3Server server(kLogin +
                          "C: STAT\nS: +OK 2 320\n"
                          "C: LIST 1\nS: +OK 1 160\nC: TOP 1 0\n" +
                          TopReply(1) + "C: TOP 1 20\n" + TopReply(1) +
                          "C: LIST 2\nS: +OK 2 160\nC: TOP 2 0\n"
                          "S: +OK\nS: From: b@example.com\nSTALL 3000\n");
    settings.dsp_sort = "OFF";
    input.previous_result = 0;
    input.timeout_seconds = 1;
    EXPECT_EQ(Run(server), 1);
    EXPECT_EQ(input.remaining, 2);
    EXPECT_THAT(files.Report(),
                ElementsAre(::testing::StartsWith("[  1] 0 1 Sender 1"), "CF " + files.Blocks()[0].cache_name,
                            "SB message 1", "[ERR] 通信処理でﾀｲﾑｱｳﾄしました。", "[CNT] 1",
                            "[INF] 2 320 1 2"));
}

// "1 new, then failed": the message that failed is visited by the next check even though
// STAT is the same.
TEST_F(FaultTest, PassThatFailedPartWayIsVisitedAgain) {
    {
        FakePop3Server server(kLogin +
                              "C: STAT\nS: +OK 2 320\n"
                              "C: LIST 1\nS: +OK 1 160\nC: TOP 1 20\n" +
                              TopReply(1) +
                              "C: LIST 2\nS: +OK 2 160\nC: TOP 2 20\nS: -ERR busy\nC: QUIT\nS: +OK\n");
        settings.dsp_sort = "OFF";
        EXPECT_EQ(Run(server), 1);
    }
    const corvex::PreviousValues previous = corvex::ReadPreviousValues(files.work_dir());
    input.previous_count = previous.count;
    input.previous_size = previous.size;
    input.previous_result = previous.result;
    const FakeScript script =
        FakeScript::Parse(kLogin + "C: STAT\nS: +OK 2 320\nC: LIST 1\nS: +OK 1 160\nCLOSE\n");
    FakePop3Server server(script);
    Run(server);
    EXPECT_THAT(server.problems(), IsEmpty());
    EXPECT_THAT(server.Finish(), ::testing::HasSubstr("LIST 1\r\n"));
}

// A seen list that cannot be written is a failure, and the mail is announced again.
TEST_F(FaultTest, SeenListThatCannotBeWrittenFailsTheRunAndTheMailComesAgain) {
    const std::string script = kLogin + "C: STAT\nS: +OK 1 100\nC: LIST 1\nS: +OK 1 100\nC: TOP 1 20\n" +
                               TopReply(1) + "C: QUIT\nS: +OK\n";
    const std::string copy = files.SeenList().substr(0, files.SeenList().size() - 4) + ".NEW";
    std::filesystem::create_directories(copy + "/blocked"); // the list's copy cannot be made
    {
        FakePop3Server server(script);
        EXPECT_EQ(Run(server), -1);
    }
    // The reason depends on the system ("is a directory", "permission denied").
    EXPECT_THAT(files.Report(), ElementsAre(::testing::StartsWith("[ERR] " + files.SeenList() +
                                                                  "の書き込みに失敗しました。(")));
    EXPECT_EQ(Utf8(input.error_text), files.Report()[0].substr(6));
    EXPECT_FALSE(Exists(files.SeenList()));

    std::filesystem::remove_all(copy);
    input = {};
    FakePop3Server server(script);
    EXPECT_EQ(Run(server), 1);
    EXPECT_EQ(files.Blocks().at(0).new_flag, 1);
    EXPECT_TRUE(Exists(files.SeenList()));
}

TEST_F(FaultTest, RefusedStatLeavesTheSingleErrorLine) {
    FakePop3Server server(kLogin + "C: STAT\nS: -ERR no\nC: QUIT\nS: +OK\n");
    input.remaining = 3;
    EXPECT_EQ(Run(server), -1);
    EXPECT_EQ(input.remaining, 0);
    EXPECT_THAT(files.Report(), ElementsAre("[ERR] 通信エラー(cmd=STAT)"));
}

TEST_F(FaultTest, RefusedSpamDeleteKeepsTheMessageAndLogsNothing) {
    WriteSpamPattern(files.data_dir(), "*", 0);
    FakePop3Server server(kLogin + "C: STAT\nS: +OK 1 100\nC: LIST 1\nS: +OK 1 100\nC: TOP 1 20\n" +
                          TopReply(1) + "C: DELE 1\nS: -ERR locked\nC: QUIT\nS: +OK\n");
    input.spam_check = 1;
    EXPECT_EQ(Run(server), 1);
    const std::vector<ReportBlock> blocks = files.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].new_flag, 1);
    EXPECT_EQ(files.Report().back(), "[INF] 1 100 1 1");
    EXPECT_EQ(ReadLines(files.DataFile("SpamDelLog.csv")).size(), 1u); // the header alone
    EXPECT_THAT(server.problems(), IsEmpty());
}

// The server deletes at QUIT: a spam deletion is logged only when QUIT is accepted.
TEST_F(FaultTest, SpamDeletionIsLoggedOnlyWhenTheServerAcceptsQuit) {
    struct Case {
        const char* quit_reply;
        bool committed;
    };
    for (const Case& c :
         {Case{"S: +OK bye\n", true}, Case{"S: -ERR some deleted messages not removed\n", false},
          Case{"CLOSE\n", false}}) {
        SCOPED_TRACE(c.quit_reply);
        AccountFiles account{"127.0.0.1", "bob"};
        WriteSpamPattern(account.data_dir(), "*", 0);
        FakePop3Server server(kLogin + "C: STAT\nS: +OK 1 100\nC: LIST 1\nS: +OK 1 100\nC: TOP 1 20\n" +
                              TopReply(1) + "C: DELE 1\nS: +OK\nC: QUIT\n" + c.quit_reply);
        input = {};
        input.spam_check = 1;
        input.host = "127.0.0.1";
        input.port = server.port();
        input.user = "bob";
        input.password = "pw";
        settings.data_dir = account.data_dir();
        RecordingUi ui;
        const int result = corvex::CheckAccount(input, ui, settings);
        EXPECT_THAT(server.problems(), IsEmpty());
        const std::vector<std::string> log = ReadLines(account.DataFile("SpamDelLog.csv"));
        if (c.committed) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(input.remaining, 0);
            ASSERT_EQ(log.size(), 2u);
            EXPECT_THAT(log[1], ::testing::HasSubstr("\"message 1\""));
            EXPECT_THAT(account.Report(),
                        ElementsAre("[ZRO] メールはありません。", "", "[CNT] 0", "[INF] 1 100 0 0"));
        } else {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(input.remaining, 1);
            EXPECT_EQ(log.size(), 1u); // the header alone
            EXPECT_THAT(account.Report(),
                        ::testing::Contains("[ERR] 通信エラー(cmd=QUIT) 削除は確定していません。"));
        }
    }
}

TEST_F(FaultTest, FetchWithoutSelectionAsksNothingOfTheServer) {
    FakePop3Server server(std::string("CLOSE\n"));
    input.run_mode = corvex::kRunFetch;
    input.selection = {{"", "0-1", "NORMAL"}};
    RecordingUi ui;
    EXPECT_EQ(Run(server, ui), -1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "取得するメールが選択されていないか不明です。");
    EXPECT_EQ(ui.boxes[0].caption, "エラー");
    EXPECT_EQ(ui.boxes[0].icon, corvex::MessageIcon::Error);
    EXPECT_EQ(server.Finish(), "");
}

TEST_F(FaultTest, CancelDuringTheFetchEndsAsCancelled) {
    FakePop3Server server(kLogin + "C: STAT\nS: +OK 1 100\nC: LIST 1\nS: +OK 1 100\nC: TOP 1 0\n" +
                          TopReply(1) + "C: TOP 1 20\n" + TopReply(1) +
                          "C: TOP 1 200\nS: +OK\nS: From: x\nSTALL 5000\n");
    input.run_mode = corvex::kRunFetch;
    input.selection = {{"<m1@example.com>-X", "0-0101000000-1", "NORMAL"}};
    RecordingUi ui;
    // The user presses Cancel once the body is on its way.
    ui.on_status = [](const std::string& text) {
        if (text == "受信開始...") platform::request_cancel();
    };
    EXPECT_EQ(Run(server, ui), corvex::kFetchCancelled);
    EXPECT_FALSE(platform::cancel_requested());
    EXPECT_FALSE(Exists(files.CacheFile("0-0101000000-1")));
}

} // namespace
} // namespace checkrun_test
