// The delete run (mode 2) and the fetch run (mode 3) against a real Dovecot.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/checkrun_dovecot.h"

namespace checkrun_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSubsetOf;
using ::testing::Not;

using ServerOpsTest = DovecotCheckTest;

TEST_F(ServerOpsTest, DeleteRunRemovesTheSelectedMessagesUpToTheFirstEmptyEntry) {
    for (int i = 1; i <= 5; ++i)
        Deliver(TestMail(i));
    ASSERT_EQ(Check(), 5);
    std::map<std::string, std::string> cache_of;
    for (const ReportBlock& b : files.Blocks())
        cache_of[b.subject] = b.cache_name;

    input.run_mode = corvex::kRunDelete;
    input.selection = {{CacheKeyOf(cache_of["message 2"]), "", ""},
                       {CacheKeyOf(cache_of["message 4"]), "", ""},
                       {"", "", ""},
                       {CacheKeyOf(cache_of["message 5"]), "", ""}}; // after the empty entry: not read
    RecordingUi ui;
    EXPECT_EQ(Check(ui), 0); // everything was seen before
    EXPECT_EQ(input.remaining, 3);
    EXPECT_EQ(MessagesOnServer(), 3);

    std::vector<std::string> subjects;
    for (const ReportBlock& b : files.Blocks())
        subjects.push_back(b.subject);
    EXPECT_THAT(subjects, ElementsAre("message 5", "message 3", "message 1"));
    // The summary line counts what stays on the server.
    EXPECT_THAT(files.Report().back(), FullyMatches("\\[INF\\] 3 [0-9]+ 0 3"));
    EXPECT_FALSE(Exists(files.CacheFile(cache_of["message 2"])));
    EXPECT_FALSE(Exists(files.CacheFile(cache_of["message 4"])));
    EXPECT_TRUE(Exists(files.CacheFile(cache_of["message 5"])));

    // Visiting from message 5 down: message 4 is visit 2, message 2 visit 4.
    EXPECT_THAT((std::vector<std::string>{"検索中(ﾒｯｾｰｼﾞ   1)", "削除中(ﾒｯｾｰｼﾞ   2)", "削除中(ﾒｯｾｰｼﾞ   4)"}),
                IsSubsetOf(ui.statuses));
    EXPECT_THAT(ui.statuses, Not(Contains("削除中(ﾒｯｾｰｼﾞ   1)")));
}

TEST_F(ServerOpsTest, FetchRunWritesTheSelectedMessageIntoItsCacheFile) {
    for (int i = 1; i <= 3; ++i)
        Deliver(TestMail(i, "", 10));
    // Without Message-ID the key is made of From and Subject, marked "S-" in the selection.
    Deliver("From: Dave <dave@example.com>\nSubject: no id\n\nfirst\nsecond\nthird\n");
    ASSERT_EQ(Check(), 4);
    std::map<std::string, std::string> cache_of;
    for (const ReportBlock& b : files.Blocks())
        cache_of[b.subject] = b.cache_name;
    settings.read_line_num = "2";

    struct Case {
        const char* name;
        std::string key;
        const char* option;
        const char* rcv_opt;
        int result;
        std::vector<std::string> body; // the body lines the cache file holds
    };
    const std::string key2 = CacheKeyOf(cache_of["message 2"]);
    const std::vector<Case> cases = {
        {"TOP with ReadLineNum lines", key2, "NORMAL", "LINE", 1, {"body 2 line 1", "body 2 line 2"}},
        {"RETR asked for by the selection", key2, "ALL", "LINE", 1, {}},
        {"RETR by RcvOpt", key2, "NORMAL", "ALL", 1, {}},
        {"synthesised key", "S-" + CacheKeyOf(cache_of["no id"]), "NORMAL", "LINE", 1, {"first", "second"}},
        {"message no longer there", "<gone@example.com>-X", "NORMAL", "LINE", 2, {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "0-0101000000-" + std::to_string(++n);
        input.run_mode = corvex::kRunFetch;
        input.selection = {{c.key, name, c.option}};
        settings.rcv_opt = c.rcv_opt;
        RecordingUi ui;
        ASSERT_EQ(Check(ui), c.result);
        if (c.result != 1) {
            EXPECT_FALSE(Exists(files.CacheFile(name)));
            continue;
        }
        EXPECT_THAT((std::vector<std::string>{"受信開始...", "受信完了"}), IsSubsetOf(ui.statuses));
        const std::vector<std::string> cache = ReadLines(files.CacheFile(name));
        const auto body = std::find(cache.begin(), cache.end(), "---BODY ST---");
        ASSERT_NE(body, cache.end());
        std::vector<std::string> lines(body + 1, cache.end());
        if (c.body.empty()) {
            ASSERT_EQ(lines.size(), 10u);
            EXPECT_EQ(lines.back(), "body 2 line 10");
        } else {
            EXPECT_EQ(lines, c.body);
        }
        EXPECT_THAT(cache, Contains(c.key.rfind("S-", 0) == 0 ? FullyMatches("ID S-.*")
                                                              : FullyMatches("ID <msg2@.*")));
    }
    // A fetch leaves the check's files alone.
    EXPECT_EQ(files.Blocks().size(), 4u);
}

} // namespace
} // namespace checkrun_test
