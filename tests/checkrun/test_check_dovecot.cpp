// The check run of mode 1 against a real Dovecot: a first check, an unchanged mailbox, mail
// that arrives and goes, the visiting order, an empty mailbox, logins, and the action filters.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "corvex/filters/action_filters.h"
#include "support/checkrun_dovecot.h"

namespace checkrun_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using CheckTest = DovecotCheckTest;

// Report lines after the message blocks.
std::vector<std::string> Trailer(const std::vector<std::string>& report, std::size_t n) {
    return report.size() < n
               ? report
               : std::vector<std::string>(report.end() - static_cast<std::ptrdiff_t>(n), report.end());
}

TEST_F(CheckTest, FirstCheckListsEveryMessageNewestFirstAndWritesEveryFile) {
    constexpr int kCount = 50;
    for (int i = 1; i <= kCount; ++i)
        Deliver(TestMail(i));
    RecordingUi ui;
    EXPECT_EQ(Check(ui), kCount);
    EXPECT_EQ(input.remaining, kCount);

    const std::vector<ReportBlock> blocks = files.Blocks();
    ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kCount));
    for (int k = 1; k <= kCount; ++k) {
        const ReportBlock& b = blocks[static_cast<std::size_t>(k - 1)];
        const int n = kCount - k + 1; // CHKDspSort "ON": the highest number first
        EXPECT_EQ(b.number, k);
        EXPECT_EQ(b.new_flag, 1);
        EXPECT_EQ(b.attachment, 0);
        EXPECT_EQ(b.from, "Sender " + std::to_string(n));
        EXPECT_EQ(b.subject, "message " + std::to_string(n));
        EXPECT_THAT(b.cache_name, FullyMatches("0-[0-9]{10}-" + std::to_string(k)));
        EXPECT_TRUE(Exists(files.CacheFile(b.cache_name))) << b.cache_name;
    }
    const std::vector<std::string> report = files.Report();
    EXPECT_THAT(Trailer(report, 3), ElementsAre("", "[CNT] 50", FullyMatches("\\[INF\\] 50 [0-9]+ 50 50")));

    // Seen list in visiting order; index entries hold the whole message (it fitted in TOP n 20).
    const std::vector<std::string> seen = ReadLines(files.SeenList());
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(seen.front(), "<msg50@example.com>");
    EXPECT_EQ(seen.back(), "<msg1@example.com>");
    const std::vector<std::string> index = files.WorkLines("IDLIST.IDX");
    ASSERT_EQ(index.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(index.front(),
              "<msg50@example.com>-Mon,+1+Jan+2024+10+00+00++0900 " + blocks.front().cache_name + " -1");
    std::vector<std::string> keys;
    for (const std::string& line : index)
        keys.push_back(line.substr(0, line.find(' ')));
    EXPECT_THAT(files.WorkLines("IDLIST.IDL"), ElementsAreArray(keys));
    EXPECT_FALSE(Exists(files.WorkFile("IDLIST.$DL")));
    EXPECT_EQ(files.CacheFileCount(), kCount);

    // The cache file of one message, from its info block to its body.
    const std::vector<std::string> cache = ReadLines(files.CacheFile(blocks.back().cache_name));
    EXPECT_THAT(cache,
                ::testing::IsSupersetOf(
                    {"---INFO ST---", "[XXX] 0 1 Sender 1", "ID <msg1@example.com>", "SD 2024/01/01 09:59",
                     "RD 2024/01/01 10:00", "F1 sender1@example.com", "TO bob@example.com", "CC 記述無し",
                     "FL DISP", "SB message 1", "---HEAD ST---", "---BODY ST---", "body 1 line 3"}));

    // The spam log is created at the first check even with spam checking off.
    EXPECT_EQ(ReadLines(files.DataFile("SpamDelLog.csv")),
              std::vector<std::string>{
                  "削除年月日,宛先,差出人,件名,ﾒｰﾗｰ種別,添付ﾌｧｲﾙ有無,ﾒｰﾙ種別,送信日時,受信日時"});
    // Progress: tenths of the messages visited.
    EXPECT_EQ(ui.resets, 1);
    EXPECT_THAT(ui.positions, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10));
}

TEST_F(CheckTest, UnchangedMailboxReturnsThePreviousResultAndClearsTheNewMarks) {
    for (int i = 1; i <= 3; ++i)
        Deliver(TestMail(i));
    ASSERT_EQ(Check(), 3);
    const std::vector<std::string> before = files.Report();
    const std::string index = ReadBytes(files.WorkFile("IDLIST.IDX"));
    const std::string seen = ReadBytes(files.SeenList());
    // The check driver moved the last sound list aside; an unchanged mailbox puts it back.
    WriteBytes(files.WorkFile("FSOUND.$BK"), "*|*|ring.wav\r\n");

    UsePreviousValues();
    input.previous_result = 7; // whatever the caller holds comes back
    EXPECT_EQ(Check(), 7);

    std::vector<std::string> expected = before;
    for (std::string& line : expected)
        if (line.rfind("[  ", 0) == 0) line[8] = '0';
    EXPECT_EQ(files.Report(), expected);
    EXPECT_EQ(ReadBytes(files.WorkFile("IDLIST.IDX")), index);
    EXPECT_EQ(ReadBytes(files.SeenList()), seen);
    EXPECT_EQ(ReadBytes(files.WorkFile("FSOUND.LST")), "*|*|ring.wav\r\n");
    EXPECT_FALSE(Exists(files.WorkFile("FSOUND.$BK")));
}

TEST_F(CheckTest, MailThatArrivesIsNewAndMailDeletedByAnotherClientIsGone) {
    for (int i = 1; i <= 5; ++i)
        Deliver(TestMail(i));
    ASSERT_EQ(Check(), 5);
    std::map<std::string, std::string> cache_of;
    for (const ReportBlock& b : files.Blocks())
        cache_of[b.subject] = b.cache_name;

    Deliver(TestMail(6));
    Deliver(TestMail(7));
    ASSERT_TRUE(dovecot.RemoveByPop3(kUser, kPassword, 2)) << dovecot.error();
    UsePreviousValues();
    EXPECT_EQ(Check(), 2);
    EXPECT_EQ(input.remaining, 6);

    std::vector<std::string> subjects;
    std::vector<int> flags;
    for (const ReportBlock& b : files.Blocks()) {
        subjects.push_back(b.subject);
        flags.push_back(b.new_flag);
        // Messages seen before keep their cache files.
        if (cache_of.count(b.subject)) {
            EXPECT_EQ(b.cache_name, cache_of[b.subject]) << b.subject;
        }
    }
    EXPECT_THAT(subjects,
                ElementsAre("message 7", "message 6", "message 5", "message 4", "message 3", "message 1"));
    EXPECT_THAT(flags, ElementsAre(1, 1, 0, 0, 0, 0));
    EXPECT_THAT(files.Report().back(), FullyMatches("\\[INF\\] 6 [0-9]+ 2 6"));

    const std::vector<std::string> visited = files.WorkLines("IDLIST.IDL");
    EXPECT_EQ(visited.size(), 6u);
    for (const std::string& key : visited)
        EXPECT_THAT(key, ::testing::Not(StartsWith("<msg2@")));
    EXPECT_EQ(files.WorkLines("IDLIST.IDX").size(), 6u); // message 2's entry left with it
    EXPECT_EQ(ReadLines(files.SeenList()).size(), 7u);
}

TEST_F(CheckTest, DspSortChoosesTheVisitingOrder) {
    for (int i = 1; i <= 3; ++i)
        Deliver(TestMail(i));
    struct Case {
        const char* dsp_sort;
        std::vector<std::string> subjects;
    };
    for (const Case& c : {Case{"ON", {"message 3", "message 2", "message 1"}},
                          Case{"OFF", {"message 1", "message 2", "message 3"}}}) {
        SCOPED_TRACE(c.dsp_sort);
        settings.dsp_sort = c.dsp_sort;
        // Without the index and the cache files every message is cached anew under the name of
        // this visit (a name whose file exists is never given again).
        std::filesystem::remove(files.WorkFile("IDLIST.IDX"));
        for (const auto& entry : std::filesystem::directory_iterator(files.work_dir()))
            if (entry.path().extension() == ".emf") std::filesystem::remove(entry.path());
        Check();
        const std::vector<ReportBlock> blocks = files.Blocks();
        ASSERT_EQ(blocks.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(blocks[i].subject, c.subjects[i]);
            EXPECT_THAT(blocks[i].cache_name, FullyMatches("0-[0-9]{10}-" + std::to_string(i + 1)));
        }
    }
}

TEST_F(CheckTest, EmptyMailboxWritesTheNoMailReport) {
    input.remaining = 4;
    EXPECT_EQ(Check(), 0);
    EXPECT_EQ(input.remaining, 0);
    EXPECT_THAT(files.Report(), ElementsAre("[ZRO] メールはありません。", "", "[CNT] 0", "[INF] 0 0 0 0"));
}

TEST_F(CheckTest, RefusedPasswordLeavesTheSingleErrorLine) {
    Deliver(TestMail(1));
    input.password = "wrong";
    EXPECT_EQ(Check(), -1);
    EXPECT_THAT(files.Report(), ElementsAre("[ERR] 認証ｴﾗｰ(ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞが違います)"));
    EXPECT_FALSE(Exists(files.WorkFile("IDLIST.IDL")));
}

TEST_F(CheckTest, ApopLoginChecksTheMailbox) {
    Deliver(TestMail(1));
    input.login_method = corvex::kLoginApop;
    EXPECT_EQ(Check(), 1);
    EXPECT_EQ(files.Blocks().size(), 1u);
}

TEST_F(CheckTest, MessageTakenByAnActionFilterIsNeitherListedNorCounted) {
    for (int i = 1; i <= 3; ++i)
        Deliver(TestMail(i));
    corvex::ActionFilter filter;
    filter.subject = "message 2";
    filter.no_notify = 1;
    filter.notify = 0;
    WriteBytes(corvex::ActionFilterPath(files.data_dir(), 1),
               corvex::FormatActionFilterLine(filter) + "\r\n");
    input.filter_mode = corvex::kFilterModeOn;

    EXPECT_EQ(Check(), 2);
    EXPECT_EQ(input.remaining, 2);
    std::vector<std::string> subjects;
    for (const ReportBlock& b : files.Blocks())
        subjects.push_back(b.subject);
    EXPECT_THAT(subjects, ElementsAre("message 3", "message 1"));
    EXPECT_THAT(files.Report().back(), FullyMatches("\\[INF\\] 3 [0-9]+ 2 2"));
    // Its cache file records that it is not to be announced.
    bool found = false;
    for (const std::string& line : files.WorkLines("IDLIST.IDX")) {
        if (line.rfind("<msg2@", 0) != 0) continue;
        const std::string name = line.substr(line.find(' ') + 1, line.rfind(' ') - line.find(' ') - 1);
        EXPECT_THAT(ReadLines(files.CacheFile(name)), ::testing::Contains("FL NODISP"));
        found = true;
    }
    EXPECT_TRUE(found);
}

} // namespace
} // namespace checkrun_test
