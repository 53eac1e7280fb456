// The seen list: what counts as new, the trim past 500 keys, the in-memory list of a pass
// held against the call-by-call functions, and the .$GR / .$TL handling of the check driver.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/seen_list.h"
#include "support/engine_files.h"

using namespace corvex;
using engine_files::Golden;
using engine_files::ReadBytes;
using engine_files::TempDir;
using engine_files::WriteBytes;

namespace {

SeenFiles FilesIn(const TempDir& dir) {
    return SeenListFiles(dir.str(), "user", "pop.example.jp");
}

std::string Key(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "<%04d.mail@example.jp>", i);
    return text;
}

std::string ListOf(int first, int last) {
    std::string bytes;
    for (int i = first; i <= last; ++i)
        bytes += Key(i) + "\r\n";
    return bytes;
}

// One pass of the check run over the seen list, by its rules: a result of -1 with a list
// length over 500 appends the key again, a positive result or no list appends it and counts.
int Pass(const SeenFiles& files, const std::vector<std::string>& server) {
    SeenList list(files);
    const int n = static_cast<int>(server.size());
    int fresh = 0;
    SeenResult last;
    for (const std::string& key : server) {
        last = list.Check(key, n);
        if (last.result == -1 && last.list_length > kSeenListTrimLength) {
            list.Append(key);
        } else if (last.result > 0 || last.result == -2) {
            list.Append(key);
            ++fresh;
        }
    }
    if (n > 0) list.Trim(n, last.list_length);
    EXPECT_TRUE(list.Commit());
    return fresh;
}

// The words of a list file as every reader takes them.
std::vector<std::string> WordsOf(const std::string& path) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : ReadBytes(path)) {
        if (IsFieldSpace(c)) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

} // namespace

TEST(SeenList, NewAccountCountsEveryMessageAndStartsTheList) {
    TempDir dir;
    ASSERT_TRUE(EnsureDirectory(IdDirectory(dir.str())));
    const SeenFiles files = FilesIn(dir);
    EXPECT_EQ(SeenCheck(files, Key(1), 3).result, -2);
    EXPECT_FALSE(SeenList(files).exists());

    std::vector<std::string> server = {Key(1), Key(2), Key(3)};
    EXPECT_EQ(Pass(files, server), 3);
    EXPECT_EQ(ReadBytes(files.list), ListOf(1, 3));
    EXPECT_EQ(Pass(files, server), 0);
    EXPECT_EQ(ReadBytes(files.list), ListOf(1, 3));
}

TEST(SeenList, CheckResults) {
    struct Case {
        const char* name;
        int keys;     // list of Key(1..keys)
        int extra;    // one more copy of this key at the end (0 = none)
        int look_for; // key looked up
        int server;   // server count
        int result;
    };
    const Case cases[] = {
        {"not in a short list", 10, 0, 99, 5, 11},
        {"seen in a short list", 10, 0, 3, 5, 0},
        {"seen beyond the server count", 10, 0, 8, 5, 0},
        {"not in a long list", 600, 0, 999, 5, 601},
        {"long list, among the oldest", 600, 0, 3, 5, -1},
        {"long list, newer than the oldest", 600, 0, 10, 5, 0},
        {"the last copy decides", 600, 2, 2, 5, 0},
        {"length 499 is short", 498, 0, 3, 5, 0},
        {"length 500 is long", 499, 0, 3, 5, -1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const SeenFiles files = SeenListFiles(dir.str(), "u", "h");
        EnsureDirectory(IdDirectory(dir.str()));
        WriteBytes(files.list, ListOf(1, c.keys) + (c.extra ? Key(c.extra) + "\r\n" : ""));
        const int length = c.keys + (c.extra ? 1 : 0) + 1;
        const SeenResult a = SeenCheck(files, Key(c.look_for), c.server);
        const SeenResult b = SeenList(files).Check(Key(c.look_for), c.server);
        EXPECT_EQ(a.result, c.result) << c.name;
        EXPECT_EQ(a.list_length, length) << c.name;
        EXPECT_EQ(b.result, c.result) << c.name;
        EXPECT_EQ(b.list_length, length) << c.name;
    }
}

TEST(SeenList, TrimDropsTheOldestServerCountKeys) {
    for (const bool in_memory : {false, true}) {
        TempDir dir;
        EnsureDirectory(IdDirectory(dir.str()));
        const SeenFiles files = FilesIn(dir);
        WriteBytes(files.list, Golden("seen_before.$ID"));
        if (in_memory) {
            SeenList list(files);
            EXPECT_FALSE(list.Trim(30, 500)); // 500 or less: nothing
            EXPECT_EQ(ReadBytes(files.list), Golden("seen_before.$ID"));
            EXPECT_TRUE(list.Trim(30, 521));
            EXPECT_EQ(list.size(), 490u);
            EXPECT_EQ(list.Check(Key(31), 30).result, 0);
            EXPECT_EQ(list.Check(Key(30), 30).result, 491);
            EXPECT_TRUE(list.Commit());
        } else {
            EXPECT_FALSE(SeenTrim(files, 30, 500, 520));
            EXPECT_EQ(ReadBytes(files.list), Golden("seen_before.$ID"));
            EXPECT_TRUE(SeenTrim(files, 30, 521, 520));
        }
        EXPECT_EQ(ReadBytes(files.list), Golden("seen_after.$ID"));
        EXPECT_FALSE(engine_files::Exists(files.trim_copy));
    }
}

TEST(SeenList, KeysOfMessagesStillOnTheServerSurviveTheTrim) {
    // 520 keys, 30 messages on the server: 15 among the oldest 30 keys, 15 among the newest.
    TempDir dir;
    EnsureDirectory(IdDirectory(dir.str()));
    const SeenFiles files = FilesIn(dir);
    WriteBytes(files.list, ListOf(1, 520));
    std::vector<std::string> server;
    for (int i = 1; i <= 15; ++i)
        server.push_back(Key(i));
    for (int i = 506; i <= 520; ++i)
        server.push_back(Key(i));
    EXPECT_EQ(Pass(files, server), 0);
    EXPECT_EQ(SeenList(files).size(), 505u); // 490 kept + 15 appended again
    EXPECT_EQ(Pass(files, server), 0);
}

TEST(SeenList, FirstPassOverABigMailboxKeepsItsKeys) {
    // Dropping "server count" keys from a list that held fewer before the pass would drop the
    // keys this pass just added, and every check would announce all 600 messages again.
    TempDir dir;
    EnsureDirectory(IdDirectory(dir.str()));
    const SeenFiles files = FilesIn(dir);
    std::vector<std::string> server;
    for (int i = 1; i <= 600; ++i)
        server.push_back(Key(i));
    EXPECT_EQ(Pass(files, server), 600);
    EXPECT_EQ(SeenList(files).size(), 600u);
    EXPECT_EQ(Pass(files, server), 0);
    EXPECT_EQ(Pass(files, server), 0);
    EXPECT_EQ(SeenList(files).size(), 600u);

    // The call-by-call trim with the same count of keys before the pass.
    WriteBytes(files.list, ListOf(1, 600));
    EXPECT_TRUE(SeenTrim(files, 600, 601, 0));
    EXPECT_EQ(ReadBytes(files.list), ListOf(1, 600));
}

TEST(SeenList, InMemoryListLeavesTheSameFileAsCallByCall) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempDir ref_dir, mem_dir;
        EnsureDirectory(IdDirectory(ref_dir.str()));
        EnsureDirectory(IdDirectory(mem_dir.str()));
        const SeenFiles ref = FilesIn(ref_dir), mem = FilesIn(mem_dir);
        // An old list with LF-only lines, several words on a line and no line end at the end.
        const std::string old = ListOf(1, 480) + "<a>  <b>\n\t<c>\r\n" + ListOf(481, 495) + "<tail>";
        if (seed % 3 != 0) {
            WriteBytes(ref.list, old);
            WriteBytes(mem.list, old);
        }
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        auto key = [&]() -> std::string {
            switch (pick(12)) {
            case 0:
                return "<two> <words>";
            case 1:
                return "";
            case 2:
                return "<line\nbreak>";
            default:
                return Key(1 + pick(700));
            }
        };
        auto count_keys = [&]() { return static_cast<int>(SeenList(ref).size()); };
        SeenList list(mem);
        int keys_before = count_keys();
        for (int step = 0; step < 500; ++step) {
            const int server = 1 + pick(60);
            if (pick(40) == 0) {
                const int length = 480 + pick(60);
                const bool a = SeenTrim(ref, server, length, keys_before);
                const bool b = list.Trim(server, length);
                ASSERT_EQ(a, b) << "step " << step;
                if (a) keys_before = count_keys();
            } else if (pick(2) == 0) {
                const std::string k = key();
                ASSERT_EQ(SeenAppend(ref, k), list.Append(k)) << "step " << step;
            } else {
                const std::string k = key();
                const SeenResult a = SeenCheck(ref, k, server);
                const SeenResult b = list.Check(k, server);
                ASSERT_EQ(a.result, b.result) << "step " << step;
                ASSERT_EQ(a.list_length, b.list_length) << "step " << step;
            }
        }
        // The in-memory list writes its keys one a line at the end of the pass.
        ASSERT_TRUE(list.Commit());
        ASSERT_EQ(engine_files::Exists(mem.list), engine_files::Exists(ref.list));
        ASSERT_EQ(WordsOf(mem.list), WordsOf(ref.list));
    }
}

// A check that is killed, or fails before its report is written, must leave the list as it
// was: the pass's keys reach the list only through the complete copy .NEW at Commit.
TEST(SeenList, ChangesReachTheListOnlyAtCommit) {
    TempDir dir;
    EnsureDirectory(IdDirectory(dir.str()));
    const SeenFiles files = FilesIn(dir);
    const std::string old = ListOf(1, 520);
    WriteBytes(files.list, old);
    {
        SeenList list(files);
        list.Append(Key(600));
        EXPECT_TRUE(list.Trim(30, 522));
        EXPECT_EQ(list.Check(Key(600), 30).result, 0);
        EXPECT_EQ(ReadBytes(files.list), old);
        ASSERT_TRUE(list.WriteCopy());
        EXPECT_EQ(ReadBytes(files.list), old);
        EXPECT_EQ(ReadBytes(files.trim_copy), ListOf(31, 520) + Key(600) + "\r\n");
        list.Discard(); // the pass failed
    }
    EXPECT_EQ(ReadBytes(files.list), old);
    EXPECT_FALSE(engine_files::Exists(files.trim_copy));

    SeenList list(files);
    list.Append(Key(600));
    ASSERT_TRUE(list.Commit());
    EXPECT_EQ(ReadBytes(files.list), old + Key(600) + "\r\n");
    EXPECT_FALSE(engine_files::Exists(files.trim_copy));

    // Nothing changed: nothing is written.
    SeenList unchanged(files);
    EXPECT_EQ(unchanged.Check(Key(600), 1).result, 0);
    std::filesystem::create_directory(files.trim_copy); // a copy could not be written now
    EXPECT_TRUE(unchanged.Commit());
}

TEST(SeenList, ListThatCannotBeWrittenSaysWhyAndStaysAsItWas) {
    TempDir dir;
    EnsureDirectory(IdDirectory(dir.str()));
    const SeenFiles files = FilesIn(dir);
    WriteBytes(files.list, ListOf(1, 3));
    // .NEW cannot be created: a folder that is not empty stands in its place.
    std::filesystem::create_directory(files.trim_copy);
    WriteBytes(files.trim_copy + "/x", "");
    SeenList list(files);
    list.Append(Key(4));
    EXPECT_FALSE(list.WriteCopy());
    EXPECT_NE(list.error(), 0);
    EXPECT_FALSE(list.Commit());
    EXPECT_EQ(ReadBytes(files.list), ListOf(1, 3));
}

TEST(SeenList, SnapshotAndRestoreAroundACheck) {
    TempDir dir;
    EnsureDirectory(IdDirectory(dir.str()));
    const SeenFiles files = FilesIn(dir);

    // No list: the snapshot is created empty.
    EXPECT_FALSE(SeenCopyToGr(files));
    EXPECT_EQ(ReadBytes(files.snapshot), "");
    EXPECT_TRUE(engine_files::Exists(files.snapshot));

    // The snapshot holds one word a line.
    WriteBytes(files.list, "a b\nc\r\n  d");
    EXPECT_TRUE(SeenCopyToGr(files));
    EXPECT_EQ(ReadBytes(files.snapshot), "a\r\nb\r\nc\r\nd\r\n");

    // Unacknowledged: the snapshot becomes .$TL, which replaces the list before the next check.
    WriteBytes(files.restore, "stale\r\n");
    EXPECT_TRUE(SeenGrToTl(files));
    EXPECT_FALSE(engine_files::Exists(files.snapshot));
    WriteBytes(files.list, "a\r\nb\r\nc\r\nd\r\nnew\r\n");
    EXPECT_TRUE(SeenRestoreFromTl(files));
    EXPECT_EQ(ReadBytes(files.list), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_FALSE(engine_files::Exists(files.restore));
    EXPECT_FALSE(SeenRestoreFromTl(files)); // nothing to restore: the list stays
    EXPECT_EQ(ReadBytes(files.list), "a\r\nb\r\nc\r\nd\r\n");

    EXPECT_FALSE(SeenGrToTl(files)); // no snapshot
    EXPECT_TRUE(SeenCopyToGr(files));
    EXPECT_TRUE(SeenRemoveGr(files));
    EXPECT_FALSE(engine_files::Exists(files.snapshot));
    WriteBytes(files.restore, "x\r\n");
    EXPECT_TRUE(SeenRemoveTl(files));
    EXPECT_FALSE(engine_files::Exists(files.restore));
}
