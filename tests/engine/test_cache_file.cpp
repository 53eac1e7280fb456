// Header cache files: the info block byte for byte, the work file appended after it, and
// the flags read back by the next check.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "corvex/engine/cache_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/header_scan.h"
#include "support/engine_files.h"

using namespace corvex;
using engine_files::Golden;
using engine_files::ReadBytes;
using engine_files::TempDir;
using engine_files::WriteBytes;

namespace {

const char kSato[] = "\x8d\xb2\x93\xa1 \x88\xea\x98Y";                               // 佐藤 一郎
const char kYamada[] = "\x8eR\x93\x63 \x91\xbe\x98Y";                                // 山田 太郎
const char kBuchoBlanks[] = "\x95\x94\x92\xb7  ";                                    // "部長  "
const char kResent[] = "\x89\xef\x8b\x63\x82\xcc\x8c\x8f\x81i\x8d\xc4\x91\x97\x81j"; // 会議の件（再送）
const char kNoEntry[] = "\x8bL\x8fq\x96\xb3\x82\xb5";                                // 記述無し

MessageSummary SampleSummary() {
    MessageSummary s;
    s.key = "<20240501091500.ABCD@mail.example.jp>";
    s.send_date = "2024/05/01 09:15";
    s.received_date = "2024/05/01 09:16";
    s.key_suffix = "Wed, 1 May 2024 09:16:02 +0900";
    s.to = {{"To: " + std::string(kYamada) + " <taro@example.jp>", "taro@example.jp", kYamada},
            {" hanako@example.jp", "hanako@example.jp", ""}};
    s.cc = {{"Cc: boss", "boss@example.jp", kBuchoBlanks}};
    s.from_address = "sato@example.co.jp";
    s.from_name = kSato;
    s.from_display = "stale display text"; // the writer builds FR from name and address itself
    s.mailer = "Becky! ver. 2.81";
    s.subject = "display subject";
    s.match_subject = "match subject";
    s.cache_subject = kResent;
    s.attachment = 1;
    s.html = 0;
    return s;
}

// The work file as the header scan leaves it: CR LF lines (one LF-only), and a last line
// without a line end that must not reach the cache.
const char kWorkFile[] = "---HEAD ST---\r\n"
                         "From: sato@example.co.jp\r\n"
                         "To: taro@example.jp, hanako@example.jp\n"
                         "Subject: =?ISO-2022-JP?B?GyRCMnFERCRON28bKEI=?=\r\n"
                         "\r\n"
                         "---BODY ST---\r\n"
                         "first body line\r\n"
                         "\r\n"
                         "third body line\r\n"
                         "cut off by the line count";

std::string WriteSample(const TempDir& dir, const MessageSummary& s, const CacheMarks& marks,
                        int* result = nullptr) {
    const std::string work = JoinPath(dir.str(), kWorkFileName);
    WriteBytes(work, kWorkFile);
    const std::string cache = CacheFilePath(dir.str(), "0-0501091602-1");
    const int r = WriteCacheFile(cache, work, s, marks);
    if (result) *result = r;
    return ReadBytes(cache);
}

// The info block of a written cache file, without the "---INFO ST---" and "[XXX]" lines.
std::string InfoLines(const std::string& file) {
    const std::size_t start = file.find("\r\nID ");
    const std::size_t end = file.find("---HEAD ST---");
    return file.substr(start + 2, (end == std::string::npos ? file.size() : end) - start - 2);
}

} // namespace

TEST(CacheFile, InfoBlockAndWorkFileMatchGolden) {
    TempDir dir;
    int result = -9;
    const std::string written = WriteSample(dir, SampleSummary(), {1, 0, "2.3k"}, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(written, Golden("0-0501091602-1.emf"));

    // The work lines held in memory (each already ending in CR LF) give the same file.
    const std::string golden = Golden("0-0501091602-1.emf");
    const std::string in_memory = CacheFilePath(dir.str(), "0-0501091602-2");
    const std::string work_lines = golden.substr(golden.find("---HEAD ST---"));
    EXPECT_EQ(WriteCacheFileFromText(in_memory, work_lines, SampleSummary(), {1, 0, "2.3k"}), 0);
    EXPECT_EQ(ReadBytes(in_memory), golden);

    CacheFlags flags;
    EXPECT_EQ(ReadCacheInfo(engine_files::GoldenPath("0-0501091602-1.emf"), flags), 0);
    EXPECT_EQ(flags.new_flag, 1);
    EXPECT_EQ(flags.display_flag, 0);
    EXPECT_EQ(flags.html, 0);
    EXPECT_EQ(flags.attachment, 1);
}

TEST(CacheFile, SynthesisedKeyEmptyListsAndFilteredMessage) {
    TempDir dir;
    MessageSummary s = SampleSummary();
    s.synthesised_key = true;
    s.key = "From:+a@b.c+Subject:+x";
    s.to.clear();
    s.cc.clear();
    s.from_name.clear();
    s.html = 1;
    s.attachment = 0;
    const std::string file = WriteSample(dir, s, {2, 1, "???"});
    EXPECT_EQ(file.substr(0, 35), "---INFO ST---\r\n[XXX] 0 2 \r\nID S-Fro");
    EXPECT_EQ(InfoLines(file), "ID S-From:+a@b.c+Subject:+x\r\nSD 2024/05/01 09:15\r\nRD 2024/05/01 09:16\r\n"
                               "TP 1\r\nAT 0\r\nFR sato@example.co.jp\r\nF1 sato@example.co.jp\r\nF2 \r\n"
                               "TO " +
                                   std::string(kNoEntry) + "\r\nCC " + kNoEntry +
                                   "\r\nFL NODISP\r\nSZ ???\r\n"
                                   "ML Becky! ver. 2.81\r\nNO Wed, 1 May 2024 09:16:02 +0900\r\nSB " +
                                   kResent + "\r\n");

    CacheFlags flags;
    EXPECT_EQ(ReadCacheInfo(CacheFilePath(dir.str(), "0-0501091602-1"), flags), -1); // new flag 2: scan again
    EXPECT_EQ(flags.new_flag, 2);
    EXPECT_EQ(flags.display_flag, 1);
    EXPECT_EQ(flags.html, 1);
    EXPECT_EQ(flags.attachment, 0);
}

// FR as the header scan's summary gives it: a From without a name is the address alone.
TEST(CacheFile, FromLineOfTheScannedHeader) {
    const struct {
        const char* from;
        const char* fr;
    } cases[] = {
        {"From: a@example.jp", "FR a@example.jp"},
        {"From: <a@example.jp>", "FR a@example.jp"},
        {"From: Taro <a@example.jp>", "FR Taro<a@example.jp>"},
    };
    for (const auto& c : cases) {
        HeaderScanner scan;
        scan.Begin(1, {});
        for (const std::string& line : {std::string(c.from), std::string("Subject: s"), std::string()})
            scan.Feed(line, static_cast<long>(line.size() + 2));
        scan.Finish();
        TempDir dir;
        const std::string file = WriteSample(dir, BuildSummary(scan, 540), {0, 0, "1k"});
        EXPECT_NE(file.find(std::string("\r\n") + c.fr + "\r\n"), std::string::npos) << c.from;
    }
}

TEST(CacheFile, FieldsNeverSplitALine) {
    TempDir dir;
    MessageSummary s = SampleSummary();
    s.cache_subject = "two\r\nlines";
    s.to = {{"", "", ""}}; // an empty raw entry
    const std::string file = WriteSample(dir, s, {0, 0, "1k"});
    EXPECT_NE(file.find("\r\nSB two  lines\r\n---HEAD ST---"), std::string::npos);
    EXPECT_NE(file.find("\r\nTO \r\nT1 \r\nT2 \r\nCC "), std::string::npos);
}

TEST(CacheFile, MissingWorkFileLeavesTheInfoBlockAlone) {
    TempDir dir;
    const std::string cache = CacheFilePath(dir.str(), "1-0101000000-1");
    EXPECT_EQ(WriteCacheFile(cache, JoinPath(dir.str(), kWorkFileName), SampleSummary(), {}), -2);
    const std::string file = ReadBytes(cache);
    EXPECT_EQ(file.find("---HEAD ST---"), std::string::npos);
    EXPECT_TRUE(file.ends_with(std::string("SB ") + kResent + "\r\n"));
    EXPECT_EQ(WriteCacheFile(JoinPath(dir.str(), "no/such/dir.emf"), "", SampleSummary(), {}), -1);
}

TEST(CacheFile, ReadCacheInfoCases) {
    struct Case {
        const char* name;
        const char* text;
        int result, new_flag, display, html, attachment;
    };
    const Case cases[] = {
        {"all flags", "---INFO ST---\r\n[XXX] 1 1 a\r\nTP 1\r\nAT 1\r\nFL NODISP\r\n", 0, 1, 1, 1, 1},
        {"display", "---INFO ST---\n[XXX] 0 0 a\nFL DISP\nTP 0\n", 0, 0, 0, 0, 0},
        {"spam kept", "[XXX] 0 2 a\r\n", -1, 2, 0, 0, 0},
        {"bare FL", "FL\r\n", 0, 0, 1, 0, 0},
        {"flags in the body do not count",
         "[XXX] 0 1 a\r\nFL DISP\r\n---HEAD ST---\r\nFL NODISP\r\nTP 1\r\n[XXX] 1 2 b\r\n", 0, 1, 0, 0, 0},
        {"short [XXX] line", "[XXX] 1\r\nTP x\r\nAT\r\n", 0, 0, 0, 0, 0},
        {"empty file", "", 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.File("c.emf");
        WriteBytes(path, c.text);
        CacheFlags flags;
        EXPECT_EQ(ReadCacheInfo(path, flags), c.result) << c.name;
        EXPECT_EQ(flags.new_flag, c.new_flag) << c.name;
        EXPECT_EQ(flags.display_flag, c.display) << c.name;
        EXPECT_EQ(flags.html, c.html) << c.name;
        EXPECT_EQ(flags.attachment, c.attachment) << c.name;
    }
    CacheFlags flags;
    TempDir dir;
    EXPECT_EQ(ReadCacheInfo(dir.File("missing.emf"), flags), -1);
}

TEST(CacheFile, NamesAndKeys) {
    std::tm t{};
    t.tm_mon = 4; // May
    t.tm_mday = 1;
    t.tm_hour = 9;
    t.tm_min = 16;
    t.tm_sec = 2;
    t.tm_year = 124;
    EXPECT_EQ(FormatVisitTime(t), "0501091602");
    EXPECT_EQ(MakeCacheName(3, t, 12), "3-0501091602-12");
    EXPECT_EQ(MakeCacheKey("<a:b@c>", "Wed, 1 May 2024 09:16:02 +0900"),
              "<a+b@c>-Wed,+1+May+2024+09+16+02++0900");
    EXPECT_EQ(MakeCacheKey("k", "X"), "k-X");
}

// A new message never gets the name of a cache file that exists: the counter moves on.
TEST(CacheFile, FreeCacheNameSkipsExistingFiles) {
    TempDir dir;
    EXPECT_EQ(FreeCacheName(dir.str(), 3, "0501091602", 1), "3-0501091602-1");
    WriteBytes(CacheFilePath(dir.str(), "3-0501091602-1"), "x");
    WriteBytes(CacheFilePath(dir.str(), "3-0501091602-2"), "x");
    WriteBytes(CacheFilePath(dir.str(), "3-0501091602-4"), "x");
    EXPECT_EQ(FreeCacheName(dir.str(), 3, "0501091602", 1), "3-0501091602-3");
    EXPECT_EQ(FreeCacheName(dir.str(), 3, "0501091602", 4), "3-0501091602-5");
    EXPECT_EQ(FreeCacheName(dir.str(), 2, "0501091602", 1), "2-0501091602-1");
    // A name still in use elsewhere (the index names it, its file lost) is passed over as well.
    const auto in_use = [](const std::string& name) { return name == "3-0501091602-3"; };
    EXPECT_EQ(FreeCacheName(dir.str(), 3, "0501091602", 1, in_use), "3-0501091602-5");
}

// The cache key is one field of an index line: no control character may split it.
TEST(CacheFile, CacheKeyHoldsNoControlCharacter) {
    struct Case {
        const char* key;
        const char* suffix;
        const char* cache_key;
    };
    const Case cases[] = {
        {"<a\v../x\f-1@h>", "X", "<a../x-1@h>-X"},
        {"<a@h>", "X\t../../x\t-1\tMon, 1 Jan", "<a@h>-X+../../x+-1+Mon,+1+Jan"},
        {"<a\x7f\x1b@h>", "Mon,\r1\nJan\x01", "<a@h>-Mon,+1+Jan+"},
    };
    for (const Case& c : cases) {
        const std::string key = MakeCacheKey(c.key, c.suffix);
        EXPECT_EQ(key, c.cache_key);
        EXPECT_FALSE(std::any_of(key.begin(), key.end(), IsControlByte)) << key;
    }
}

TEST(CacheFile, AdoptedCacheFileTakesTheIndexedName) {
    TempDir dir;
    WriteBytes(CacheFilePath(dir.str(), "0-0101000000-1"), "old");
    WriteBytes(CacheFilePath(dir.str(), "0-0202000000-5"), "new");
    EXPECT_TRUE(AdoptCacheFile(dir.str(), "0-0202000000-5", "0-0101000000-1"));
    EXPECT_EQ(ReadBytes(CacheFilePath(dir.str(), "0-0101000000-1")), "new");
    EXPECT_FALSE(engine_files::Exists(CacheFilePath(dir.str(), "0-0202000000-5")));
    EXPECT_TRUE(AdoptCacheFile(dir.str(), "0-0101000000-1", "0-0101000000-1"));
    EXPECT_EQ(ReadBytes(CacheFilePath(dir.str(), "0-0101000000-1")), "new");
}
