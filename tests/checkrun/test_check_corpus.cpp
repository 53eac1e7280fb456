// Every message of a corpus of real-world mail (malformed headers, bounces, several charsets)
// served by Dovecot and checked: each is listed with a sensible summary and cached, and a
// second check reads every cache file back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/checkrun_dovecot.h"

namespace checkrun_test {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> CorpusFiles() {
    const fs::path root = fs::path(PELMORA_SOURCE_DIR) / ".." / "shared" / "fixtures" / "public-mail";
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(root, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".eml")
            paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

using CorpusTest = DovecotCheckTest;

TEST_F(CorpusTest, EveryMessageIsListedWithASensibleSummary) {
    const std::vector<std::string> corpus = CorpusFiles();
    if (corpus.empty()) GTEST_SKIP() << "the mail corpus is not in this checkout";
    for (const std::string& path : corpus)
        ASSERT_TRUE(dovecot.DeliverFile(kUser, path)) << dovecot.error();
    const int count = static_cast<int>(corpus.size());

    // Messages that share a key (the same Message-ID, or no ID and the same From and Subject)
    // are one message to the seen list: only the first of them is new.
    const int result = Check();
    std::vector<ReportBlock> blocks = files.Blocks();
    ASSERT_EQ(blocks.size(), corpus.size());
    int new_count = 0;
    for (const ReportBlock& b : blocks) {
        SCOPED_TRACE(b.subject);
        EXPECT_FALSE(b.from.empty());
        EXPECT_FALSE(b.subject.empty());
        EXPECT_TRUE(b.new_flag == 0 || b.new_flag == 1);
        new_count += b.new_flag;
        const std::vector<std::string> cache = ReadLines(files.CacheFile(b.cache_name));
        ASSERT_FALSE(cache.empty()) << b.cache_name;
        EXPECT_EQ(cache.front(), "---INFO ST---");
        EXPECT_THAT(cache, Contains("---HEAD ST---"));
        EXPECT_THAT(cache, Contains(HasSubstr("SB ")));
    }
    EXPECT_EQ(result, new_count);
    EXPECT_GT(result, count / 2);
    EXPECT_EQ(static_cast<int>(ReadLines(files.SeenList()).size()), result);
    EXPECT_THAT(files.Report().back(), FullyMatches("\\[INF\\] " + std::to_string(count) + " [0-9]+ " +
                                                    std::to_string(result) + " " + std::to_string(count)));

    // One more message: the second check takes every other summary from its cache file.
    Deliver(TestMail(1));
    UsePreviousValues();
    EXPECT_EQ(Check(), 1);
    const std::vector<ReportBlock> again = files.Blocks();
    ASSERT_EQ(again.size(), corpus.size() + 1);
    // The visit list holds the cache keys in the order of the report. Messages that share a
    // cache key share one index entry, so only the others are sure to keep their own file.
    const std::vector<std::string> keys = files.WorkLines("IDLIST.IDL");
    ASSERT_EQ(keys.size(), corpus.size() + 1);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (std::count(keys.begin(), keys.end(), keys[i + 1]) > 1) continue;
        EXPECT_EQ(again[i + 1].cache_name, blocks[i].cache_name);
        EXPECT_EQ(again[i + 1].subject, blocks[i].subject);
        EXPECT_EQ(again[i + 1].attachment, blocks[i].attachment);
        EXPECT_EQ(again[i + 1].new_flag, 0);
    }
    EXPECT_THAT(files.Report(), Not(Contains(HasSubstr("[ERR]"))));
}

} // namespace
} // namespace checkrun_test
