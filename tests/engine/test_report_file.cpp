// The check report index.tmp: its lines byte for byte, clearing the new marks of an
// unchanged mailbox, and the readers of the result list and of the next check.
#include <gtest/gtest.h>

#include "corvex/engine/data_paths.h"
#include "corvex/engine/report_file.h"
#include "support/engine_files.h"

using namespace corvex;
using engine_files::Golden;
using engine_files::ReadBytes;
using engine_files::TempDir;
using engine_files::WriteBytes;

namespace {

const char kSato[] = "\x8d\xb2\x93\xa1 \x88\xea\x98Y";      // 佐藤 一郎
const char kMeeting[] = "\x89\xef\x8b\x63\x82\xcc\x8c\x8f"; // 会議の件
const char kPrize[] =
    "\x81y\x93\x96\x91I\x81z\x82\xa8\x82\xdf\x82\xc5\x82\xc6\x82\xa4\x82\xb2\x82\xb4\x82\xa2\x82\xdc"
    "\x82\xb7"; // 【当選】おめでとうございます

std::string ReportOf(const TempDir& dir) {
    return ReadBytes(JoinPath(dir.str(), kReportFileName));
}

// Three blocks with new flags 1, 2 (a spam match the user kept) and 0.
void WriteThreeBlocks(const std::string& work_dir) {
    ReportWriter report;
    ASSERT_TRUE(report.Open(work_dir));
    report.Message(1, 0, 1, kSato, "0-0501091602-1", kMeeting);
    report.Message(2, 1, 2, "prize@spam.example", "0-0501091603-2", kPrize);
    report.Message(3, 0, 0, "Alice", "0-0501091604-3", "Re: hello");
    report.EndOfMessages();
    report.Trailer(3, 3, 4567, 1, 3, /*kept_spam=*/true);
    ASSERT_TRUE(report.Close());
}

} // namespace

TEST(ReportFile, MessageBlocksAndTrailerMatchGolden) {
    TempDir dir;
    WriteThreeBlocks(dir.str());
    EXPECT_EQ(ReportOf(dir), Golden("index.tmp"));
}

// The last report stays whole until the new one is complete: a check that is killed or fails
// half-way leaves no half report.
TEST(ReportFile, NewReportReplacesTheLastOneOnlyAtCommit) {
    TempDir dir;
    WriteThreeBlocks(dir.str());
    const std::string temp = JoinPath(dir.str(), kReportTempName);
    {
        ReportWriter report;
        ASSERT_TRUE(report.Open(dir.str()));
        report.Message(1, 0, 1, "Bob", "0-0601010000-1", "new");
        ASSERT_TRUE(report.Finish());
        EXPECT_EQ(ReportOf(dir), Golden("index.tmp"));
        report.Discard();
    }
    EXPECT_EQ(ReportOf(dir), Golden("index.tmp"));
    EXPECT_FALSE(engine_files::Exists(temp));

    ReportWriter report;
    ASSERT_TRUE(report.Open(dir.str()));
    report.Trailer(0, 0, 0, 0, 0, false);
    EXPECT_EQ(ReportOf(dir), Golden("index.tmp"));
    ASSERT_TRUE(report.Commit());
    EXPECT_EQ(ReportOf(dir), "[CNT] 0\r\n[INF] 0 0 0 0\r\n");
    EXPECT_FALSE(engine_files::Exists(temp));
}

TEST(ReportFile, ClearingNewMarksKeepsSpamMatchesOnly) {
    TempDir dir;
    WriteThreeBlocks(dir.str());
    ASSERT_TRUE(ClearNewMarks(dir.str()));
    EXPECT_EQ(ReportOf(dir), Golden("index_cleared.tmp"));
    EXPECT_FALSE(engine_files::Exists(JoinPath(dir.str(), kReportTempName)));

    const int expected[] = {0, 2, 0};
    for (int n = 0; n < 3; ++n) {
        const ReportEntry e = ReadReportEntry(dir.str(), n);
        EXPECT_EQ(e.value, expected[n]) << "block " << n;
        EXPECT_EQ(e.cache_path, CacheFilePath(dir.str(), "0-050109160" + std::to_string(n + 2) + "-" +
                                                             std::to_string(n + 1)));
    }
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, 3);
    EXPECT_EQ(ReadReportEntry(dir.str(), 3).value, -1); // no fourth block
}

TEST(ReportFile, EmptyMailboxAndSingleLineReports) {
    TempDir dir;
    ReportWriter report;
    ASSERT_TRUE(report.Open(dir.str()));
    report.NoMail();
    report.EndOfMessages();
    report.Trailer(0, 0, 0, 0, 0, false);
    ASSERT_TRUE(report.Close());
    // "[ZRO] メールはありません。"
    EXPECT_EQ(ReportOf(dir),
              "[ZRO] \x83\x81\x81[\x83\x8b\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42\r\n"
              "\r\n[CNT] 0\r\n[INF] 0 0 0 0\r\n");
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, -2);

    ASSERT_TRUE(WriteErrorReport(dir.str(), "E\r\nR"));
    EXPECT_EQ(ReportOf(dir), "[ERR] E  R\r\n");
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, -2);
    EXPECT_EQ(ReadReportEntry(dir.str(), 0).value, -2);

    ASSERT_TRUE(WritePausedReport(dir.str()));
    // "[OFF] メールチェック一時停止中です。"
    EXPECT_EQ(ReportOf(dir),
              "[OFF] \x83\x81\x81[\x83\x8b\x83`\x83\x46\x83\x62\x83N\x88\xea\x8e\x9e\x92\xe2\x8e~\x92\x86"
              "\x82\xc5\x82\xb7\x81\x42\r\n");
    EXPECT_EQ(ReadReportEntry(dir.str(), 0).value, -2);
}

TEST(ReportFile, FlagsStayAtTheirColumnsForLargeNumbersAndOddValues) {
    TempDir dir;
    ReportWriter report;
    ASSERT_TRUE(report.Open(dir.str()));
    report.Message(1234, 7, 1, "From\nName", "c", "S\rB");
    ASSERT_TRUE(report.Close());
    EXPECT_EQ(ReportOf(dir), "[999] 1 1 From Name\r\nCF c\r\nSB S B\r\n");
    EXPECT_EQ(ReadReportEntry(dir.str(), 0).value, 1);
}

TEST(ReportFile, ReadersSurviveMalformedReports) {
    TempDir dir;
    const std::string report = JoinPath(dir.str(), kReportFileName);
    // LF-only line ends, a block line too short for its flags, a block without "CF", no line end at the end.
    WriteBytes(report,
               "[1] 1\nSB short\n[  2] 0 1 x\nSB no cache line\n[  3] 0 1 y\r\nCF name3\r\nSB s\r\n[CNT] 3");
    ASSERT_TRUE(ClearNewMarks(dir.str()));
    EXPECT_EQ(ReadBytes(report), "[1] 1\r\nSB short\r\n[  2] 0 0 x\r\nSB no cache line\r\n[  3] 0 0 y\r\nCF "
                                 "name3\r\nSB s\r\n[CNT] 3\r\n");
    EXPECT_EQ(ReadReportEntry(dir.str(), 0).value, -1); // block 0 has no "CF" line
    EXPECT_EQ(ReadReportEntry(dir.str(), 2).cache_path, CacheFilePath(dir.str(), "name3"));
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, 3);

    WriteBytes(report, "[CNT] x\n");
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, 0);
    WriteBytes(report, "");
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, -1);
}

TEST(ReportFile, NothingChangesWithoutReport) {
    TempDir dir;
    EXPECT_FALSE(ClearNewMarks(dir.str()));
    EXPECT_FALSE(engine_files::Exists(JoinPath(dir.str(), kReportFileName)));
    EXPECT_FALSE(engine_files::Exists(JoinPath(dir.str(), kReportTempName)));
    EXPECT_EQ(ReadReportEntry(dir.str(), -1).value, -1);
    const PreviousValues prev = ReadPreviousValues(dir.str());
    EXPECT_FALSE(prev.has_info);
    EXPECT_EQ(prev.count, -1);
    EXPECT_EQ(prev.size, -1);
    EXPECT_EQ(prev.result, 0);
}

TEST(ReportFile, PreviousValuesForTheNextCheck) {
    struct Case {
        const char* name;
        std::string trailer;
        bool cache_present;
        bool has_info;
        int count;
        long long size;
        int result;
        int remaining;
    };
    const Case cases[] = {
        {"normal", "[INF] 5 12345 2 4\r\n", true, true, 5, 12345, 2, 4},
        {"beyond 2 GiB", "[INF] 7 5368709120 1 7\r\n", true, true, 7, 5368709120LL, 1, 7},
        {"spam kept", "[INF] -1 -1 0 0\r\n", true, true, -1, -1, 0, 0},
        {"cache file gone", "[INF] 5 12345 2 4\r\n", false, true, -1, -1, 0, 4},
        {"no [INF]", "", true, false, -1, -1, 0, 0},
        {"short [INF]", "[INF] 5 12345\r\n", true, false, -1, -1, 0, 0},
        {"garbled [INF]", "[INF] 5 12x45 2 4\r\n", true, false, -1, -1, 0, 0},
        // "1 new, then failed": the next check must visit the mailbox again.
        {"failed part-way", "[ERR] x\r\n[INF] 5 12345 1 5\r\n", true, true, -1, -1, 0, 5},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteBytes(JoinPath(dir.str(), kReportFileName),
                   "[  1] 0 1 a\r\nCF 0-0101000000-1\r\nSB s\r\n\r\n[CNT] 1\r\n" + c.trailer);
        if (c.cache_present) WriteBytes(CacheFilePath(dir.str(), "0-0101000000-1"), "---INFO ST---\r\n");
        const PreviousValues prev = ReadPreviousValues(dir.str());
        EXPECT_EQ(prev.has_info, c.has_info) << c.name;
        EXPECT_EQ(prev.count, c.count) << c.name;
        EXPECT_EQ(prev.size, c.size) << c.name;
        EXPECT_EQ(prev.result, c.result) << c.name;
        EXPECT_EQ(prev.remaining, c.remaining) << c.name;
    }
}

TEST(ReportFile, StatSizeBeyondTwoGibibytesIsWrittenWhole) {
    TempDir dir;
    ReportWriter report;
    ASSERT_TRUE(report.Open(dir.str()));
    report.Trailer(0, 2, 5368709120LL, -1, 2, false);
    ASSERT_TRUE(report.Close());
    EXPECT_EQ(ReportOf(dir), "[CNT] 0\r\n[INF] 2 5368709120 -1 2\r\n");
}

// A report whose block names a path instead of a cache file gives the result list no file, and
// the next check treats the cache file as gone (full check), even when the path's file exists.
TEST(ReportFile, CacheNameThatIsAPathNamesNoFile) {
    TempDir root;
    const std::string dir = root.Sub("work");
    WriteBytes(root.File("x.emf"), "outside");
    WriteBytes(JoinPath(dir, kReportFileName), "[  1] 0 1 Alice\r\nCF ../x\r\nSB s\r\n\r\n[CNT] 1\r\n"
                                               "[INF] 1 100 1 1\r\n");
    EXPECT_EQ(ReadReportEntry(dir, 0).cache_path, "");
    const PreviousValues previous = ReadPreviousValues(dir);
    EXPECT_TRUE(previous.has_info);
    EXPECT_EQ(previous.count, -1);
    EXPECT_EQ(previous.size, -1);
}
