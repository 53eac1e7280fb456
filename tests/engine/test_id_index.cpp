// IDLIST.IDX and the visit lists: the reuse rules, purging, the exact file left behind, and
// the in-memory index of a check run held against the call-by-call functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "corvex/engine/data_paths.h"
#include "corvex/engine/id_index.h"
#include "support/engine_files.h"

using namespace corvex;
using engine_files::Golden;
using engine_files::ReadBytes;
using engine_files::TempDir;
using engine_files::WriteBytes;

namespace {

const char kKeyA[] = "<a1@example.jp>-Wed,+1+May+2024+09+16+02+++0900";
const char kKeyB[] = "<b2@example.jp>-Wed,+1+May+2024+09+17+40+++0900";
const char kKeyC[] = "<c3@example.jp>-X";
const char kKeyD[] = "<d4@example.jp>-X";

std::string IndexOf(const std::string& dir) {
    return ReadBytes(JoinPath(dir, kIndexFileName));
}
void SetIndex(const std::string& dir, const std::string& bytes) {
    WriteBytes(JoinPath(dir, kIndexFileName), bytes);
}
void MakeCache(const std::string& dir, const std::string& name) {
    WriteBytes(CacheFilePath(dir, name), "x");
}

// An index as an older run may leave it: LF-only and CR LF lines, a line without an entry,
// an entry whose cache file is gone.
void SetUpOldIndex(const std::string& dir) {
    SetIndex(dir, std::string(kKeyA) + " 0-0501091602-1 20\r\n" + kKeyB + " 0-0501091603-2 -1\n" + kKeyC +
                      " 0-0501091604-3 20\r\n" + "a line without an entry\r\n");
    MakeCache(dir, "0-0501091602-1");
    MakeCache(dir, "0-0501091603-2");
}

} // namespace

TEST(IdIndex, CallByCallAndInMemoryLeaveTheGoldenFile) {
    TempDir ref_dir, mem_dir;
    SetUpOldIndex(ref_dir.str());
    SetUpOldIndex(mem_dir.str());
    const std::string before = IndexOf(ref_dir.str());

    IndexUpdateResult r = IndexUpdate(ref_dir.str(), kKeyA, 20, false);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.cache_name, "0-0501091602-1");
    EXPECT_EQ(r.lines, 20);
    EXPECT_EQ(IndexOf(ref_dir.str()), before); // nothing dropped: the file stays as it was
    r = IndexUpdate(ref_dir.str(), kKeyC, 20, false);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.cache_name, "0-0501091604-3");
    EXPECT_TRUE(IndexAppend(ref_dir.str(), kKeyD, "0-0502080000-4", 20));
    EXPECT_EQ(IndexOf(ref_dir.str()), Golden("IDLIST.IDX"));
    EXPECT_FALSE(engine_files::Exists(JoinPath(ref_dir.str(), kIndexTempName)));

    {
        IdIndex index(mem_dir.str());
        EXPECT_EQ(index.Update(kKeyA, 20, false).result, 1);
        EXPECT_EQ(index.Update(kKeyC, 20, false).cache_name, "0-0501091604-3");
        EXPECT_TRUE(index.Append(kKeyD, "0-0502080000-4", 20));
        EXPECT_EQ(index.Lookup(kKeyD)->cache_name, "0-0502080000-4");
        EXPECT_FALSE(index.Lookup(kKeyC));
        EXPECT_EQ(IndexOf(mem_dir.str()), before); // nothing written before the flush
        EXPECT_TRUE(index.Flush());
        EXPECT_FALSE(index.dirty());
    }
    EXPECT_EQ(IndexOf(mem_dir.str()), Golden("IDLIST.IDX"));
}

TEST(IdIndex, ReuseRules) {
    struct Case {
        int stored;
        int wanted;
        bool cache_present;
        int result;
    };
    const Case cases[] = {
        // 20 lines serve 20 or fewer, and any request that does not want the whole message.
        {20, 20, true, 1},
        {20, 10, true, 1},
        {20, 0, true, 1},
        {20, 21, true, 0},
        {20, -1, true, 0},
        // the whole message serves everything
        {-1, -1, true, 1},
        {-1, 0, true, 1},
        {-1, 20, true, 1},
        {-1, 200, true, 1},
        // a cache file that is gone serves nothing
        {20, 20, false, 0},
        {-1, -1, false, 0},
    };
    for (const Case& c : cases) {
        for (const bool in_memory : {false, true}) {
            TempDir dir;
            SetIndex(dir.str(),
                     "k 0-0101000000-1 " + std::to_string(c.stored) + "\r\nother 0-0101000000-2 5\r\n");
            if (c.cache_present) MakeCache(dir.str(), "0-0101000000-1");
            IndexUpdateResult r;
            if (in_memory) {
                IdIndex index(dir.str());
                r = index.Update("k", c.wanted, false);
            } else {
                r = IndexUpdate(dir.str(), "k", c.wanted, false);
            }
            const std::string what = "stored " + std::to_string(c.stored) + " wanted " +
                                     std::to_string(c.wanted) + (c.cache_present ? "" : " no cache") +
                                     (in_memory ? " (memory)" : "");
            EXPECT_EQ(r.result, c.result) << what;
            EXPECT_EQ(r.cache_name, "0-0101000000-1") << what; // also when dropped
            EXPECT_EQ(r.lines, c.stored) << what;
            EXPECT_EQ(IndexOf(dir.str()), c.result == 1 ? "k 0-0101000000-1 " + std::to_string(c.stored) +
                                                              "\r\nother 0-0101000000-2 5\r\n"
                                                        : "other 0-0101000000-2 5\r\n")
                << what;
        }
    }
}

TEST(IdIndex, FirstEntryWinsAndMissingIndex) {
    TempDir dir;
    EXPECT_FALSE(IndexLookup(dir.str(), "k"));
    EXPECT_EQ(IndexUpdate(dir.str(), "k", 20, false).result, -2);
    EXPECT_EQ(IdIndex(dir.str()).Update("k", 20, false).result, -2);
    EXPECT_FALSE(engine_files::Exists(JoinPath(dir.str(), kIndexFileName)));

    SetIndex(dir.str(), "k 0-0101000000-1 20\r\nk 0-0101000000-2 -1\r\n");
    MakeCache(dir.str(), "0-0101000000-1");
    MakeCache(dir.str(), "0-0101000000-2");
    EXPECT_EQ(IndexLookup(dir.str(), "k")->cache_name, "0-0101000000-1");
    EXPECT_EQ(IdIndex(dir.str()).Lookup("k")->cache_name, "0-0101000000-1");
    const IndexUpdateResult r = IndexUpdate(dir.str(), "k", -1, false);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.cache_name, "0-0101000000-2");
    EXPECT_EQ(IndexOf(dir.str()), "k 0-0101000000-2 -1\r\n");
    EXPECT_TRUE(
        engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-1"))); // only purging deletes cache files
}

TEST(IdIndex, PurgeDropsWhatLeftTheServer) {
    for (const bool in_memory : {false, true}) {
        TempDir dir;
        SetIndex(dir.str(), "a 0-0101000000-11 20\r\nb 0-0101000000-12 20\r\nc 0-0101000000-13 -1\r\n");
        for (const char* n : {"0-0101000000-11", "0-0101000000-12", "0-0101000000-13"})
            MakeCache(dir.str(), n);
        WriteBytes(JoinPath(dir.str(), kLastVisitListName), "a\r\nb\r\n");
        IndexUpdateResult r;
        if (in_memory) {
            IdIndex index(dir.str());
            r = index.Update("a", 10, true);
            EXPECT_FALSE(
                engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-13"))); // deleted at once
            ASSERT_TRUE(index.Flush());
        } else {
            r = IndexUpdate(dir.str(), "a", 10, true);
        }
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.cache_name, "0-0101000000-11");
        EXPECT_EQ(IndexOf(dir.str()), "a 0-0101000000-11 20\r\nb 0-0101000000-12 20\r\n");
        EXPECT_FALSE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-13")));
        EXPECT_TRUE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-12")));
    }
}

TEST(IdIndex, PurgeWithoutLastVisitListDeletesNothing) {
    TempDir dir;
    SetIndex(dir.str(), "a 0-0101000000-11 20\r\nc 0-0101000000-13 -1\r\n");
    MakeCache(dir.str(), "0-0101000000-11");
    MakeCache(dir.str(), "0-0101000000-13");
    EXPECT_EQ(IndexUpdate(dir.str(), "a", 10, true).result, 1);
    EXPECT_EQ(IndexOf(dir.str()), "a 0-0101000000-11 20\r\nc 0-0101000000-13 -1\r\n");
    EXPECT_TRUE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-13")));
}

TEST(IdIndex, AppendStartsANewLineAfterAnUnfinishedOne) {
    TempDir dir;
    SetIndex(dir.str(), "a 0-0101000000-11 20");
    EXPECT_TRUE(IndexAppend(dir.str(), "b", "0-0101000000-12", -1));
    EXPECT_EQ(IndexOf(dir.str()), "a 0-0101000000-11 20\r\nb 0-0101000000-12 -1\r\n");
    EXPECT_EQ(IndexLookup(dir.str(), "a")->lines, 20);
    EXPECT_EQ(IndexLookup(dir.str(), "b")->lines, -1);
}

TEST(IdIndex, VisitLists) {
    TempDir dir;
    const std::string visits = JoinPath(dir.str(), kVisitListName);
    const std::string last = JoinPath(dir.str(), kLastVisitListName);
    WriteBytes(visits, "stale\r\n");
    WriteBytes(last, "old\r\n");
    EXPECT_TRUE(VisitListReset(dir.str()));
    EXPECT_FALSE(engine_files::Exists(visits));
    EXPECT_FALSE(VisitListPromote(dir.str())); // no $DL: IDLIST.IDL stays
    EXPECT_EQ(ReadBytes(last), "old\r\n");
    EXPECT_TRUE(VisitListAppend(dir.str(), "k1"));
    EXPECT_TRUE(VisitListAppend(dir.str(), "k2"));
    EXPECT_TRUE(VisitListPromote(dir.str()));
    EXPECT_EQ(ReadBytes(last), "k1\r\nk2\r\n");
    EXPECT_FALSE(engine_files::Exists(visits));
    EXPECT_TRUE(VisitListReset(dir.str())); // nothing to delete is fine
}

namespace {

std::set<std::string> CacheFiles(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".emf") names.insert(e.path().filename().string());
    return names;
}

// Runs one random sequence of lookups, appends, updates (some purging), cache file losses,
// visit-list changes and flushes over both forms and compares everything they leave.
void RunRandomSequence(unsigned seed, bool start_with_index) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempDir ref_dir, mem_dir;
    const std::string ref = ref_dir.str(), mem = mem_dir.str();
    const std::vector<std::string> keys = {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k 7", "k8\t9", ""};
    if (start_with_index) {
        const std::string old =
            "k0 0-0101000000-0 20\r\nk1 0-0101000000-1 -1\ngarbage\r\nk2 0-0101000000-2 x\r\n"
            "k3 0-0101000000-3 5 extra\r\n\r\nk0 0-0101000000-9 -1\r\nk4 0-0101000000-4 +20\r\n"
            "k5 ../../c5 -1\r\nk6 c6 20";
        for (const std::string& dir : {ref, mem}) {
            SetIndex(dir, old);
            for (const char* n : {"0-0101000000-0", "0-0101000000-1", "0-0101000000-3", "0-0101000000-9"})
                MakeCache(dir, n);
        }
    }
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int wanted_values[] = {-1, 0, 10, 20, 50};
    int next_name = 10;

    IdIndex index(mem);
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const std::string& key = keys[pick(static_cast<int>(keys.size()))];
        switch (pick(10)) {
        case 0:
        case 1: {
            const auto a = IndexLookup(ref, key);
            const auto b = index.Lookup(key);
            ASSERT_EQ(a.has_value(), b.has_value());
            if (a) {
                EXPECT_EQ(a->cache_name, b->cache_name);
                EXPECT_EQ(a->lines, b->lines);
            }
            break;
        }
        case 2:
        case 3: {
            const std::string name = "0-0101000000-" + std::to_string(next_name++);
            const int lines = wanted_values[pick(5)];
            if (pick(5) != 0) {
                MakeCache(ref, name);
                MakeCache(mem, name);
            }
            EXPECT_TRUE(IndexAppend(ref, key, name, lines));
            EXPECT_TRUE(index.Append(key, name, lines));
            break;
        }
        case 4:
        case 5:
        case 6: {
            const int wanted = wanted_values[pick(5)];
            const bool purge = pick(8) == 0;
            const IndexUpdateResult a = IndexUpdate(ref, key, wanted, purge);
            const IndexUpdateResult b = index.Update(key, wanted, purge);
            EXPECT_EQ(a.result, b.result);
            EXPECT_EQ(a.cache_name, b.cache_name);
            EXPECT_EQ(a.lines, b.lines);
            break;
        }
        case 7: {
            const std::set<std::string> files = CacheFiles(ref);
            if (files.empty()) break;
            auto it = files.begin();
            std::advance(it, pick(static_cast<int>(files.size())));
            std::filesystem::remove(std::filesystem::path(ref) / *it);
            std::filesystem::remove(std::filesystem::path(mem) / *it);
            break;
        }
        case 8: {
            std::string visited;
            for (const std::string& k : keys)
                if (pick(4) != 0) visited += k + "\r\n";
            const bool remove = pick(6) == 0;
            for (const std::string& dir : {ref, mem}) {
                if (remove)
                    std::filesystem::remove(JoinPath(dir, kLastVisitListName));
                else
                    WriteBytes(JoinPath(dir, kLastVisitListName), visited);
            }
            break;
        }
        case 9:
            ASSERT_TRUE(index.Flush());
            ASSERT_EQ(engine_files::Exists(JoinPath(ref, kIndexFileName)),
                      engine_files::Exists(JoinPath(mem, kIndexFileName)));
            ASSERT_EQ(IndexOf(mem), IndexOf(ref));
            ASSERT_EQ(CacheFiles(mem), CacheFiles(ref));
            break;
        }
    }
    EXPECT_EQ(CacheFiles(mem), CacheFiles(ref));
    ASSERT_TRUE(index.Flush());
    EXPECT_EQ(IndexOf(mem), IndexOf(ref));
    EXPECT_FALSE(engine_files::Exists(JoinPath(mem, kIndexTempName)));
}

} // namespace

TEST(IdIndex, InMemoryIndexLeavesTheSameFilesAsCallByCall) {
    for (unsigned seed = 1; seed <= 10; ++seed)
        RunRandomSequence(seed, seed % 3 != 0);
}

TEST(IdIndex, DestructorWritesPendingChanges) {
    TempDir dir;
    {
        IdIndex index(dir.str());
        index.Append("k", "0-0101000000-1", 20);
    }
    EXPECT_EQ(IndexOf(dir.str()), "k 0-0101000000-1 20\r\n");
}

// A name in the index is only ever a name: a relative or absolute path there is no entry, is
// never opened or deleted, and a rewrite of the index leaves its line out.
TEST(IdIndex, EntriesNamingAPathAreMissing) {
    for (const bool in_memory : {false, true}) {
        SCOPED_TRACE(in_memory ? "in memory" : "call by call");
        TempDir root;
        const std::string dir = root.Sub("Temp");
        const std::string victim = root.File("x.emf");
        WriteBytes(victim, "precious");
        SetIndex(dir, "a ../x 20\r\nb " + root.File("x") +
                          " -1\r\nc 0-0101000000-1 -1\r\nd 0-0101000000-2 20\r\n");
        MakeCache(dir, "0-0101000000-1");
        MakeCache(dir, "0-0101000000-2");
        WriteBytes(JoinPath(dir, kLastVisitListName), "c\r\n");

        IndexUpdateResult r;
        if (in_memory) {
            IdIndex index(dir);
            EXPECT_FALSE(index.Lookup("a"));
            EXPECT_FALSE(index.Lookup("b"));
            r = index.Update("a", 20, true);
            ASSERT_TRUE(index.Flush());
        } else {
            EXPECT_FALSE(IndexLookup(dir, "a"));
            EXPECT_FALSE(IndexLookup(dir, "b"));
            r = IndexUpdate(dir, "a", 20, true);
        }
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.cache_name, "");
        EXPECT_EQ(ReadBytes(victim), "precious");
        EXPECT_EQ(IndexOf(dir), "c 0-0101000000-1 -1\r\n");
    }
}

// After a complete pass, entries of keys not visited go with their cache files; a file that a
// kept entry still names stays.
TEST(IdIndex, DropUnvisitedAfterACompletePass) {
    TempDir dir;
    SetIndex(dir.str(), "a 0-0101000000-1 20\r\nb 0-0101000000-2 20\r\nb 0-0101000000-3 -1\r\n"
                        "c 0-0101000000-4 -1\r\nd 0-0101000000-1 -1\r\nno entry\r\n");
    for (int n = 1; n <= 4; ++n)
        MakeCache(dir.str(), "0-0101000000-" + std::to_string(n));
    IdIndex index(dir.str());
    index.Visited("a");
    index.Visited("e");
    ASSERT_TRUE(index.Append("e", "0-0101000000-5", 20));
    index.Visited("c");
    EXPECT_EQ(index.DropUnvisited(), 3); // both of b, and d
    EXPECT_FALSE(index.Lookup("b"));
    EXPECT_FALSE(index.Lookup("d"));
    EXPECT_FALSE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-2")));
    EXPECT_FALSE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-3")));
    EXPECT_TRUE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-1"))); // still a's
    EXPECT_TRUE(engine_files::Exists(CacheFilePath(dir.str(), "0-0101000000-4")));
    ASSERT_TRUE(index.Flush());
    EXPECT_EQ(IndexOf(dir.str()), "a 0-0101000000-1 20\r\nc 0-0101000000-4 -1\r\ne 0-0101000000-5 20\r\n");
    EXPECT_EQ(index.DropUnvisited(), 0);
    // Names of the run, kept or dropped, are not handed out again; lines without an entry name nothing.
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(index.NamesCacheFile("0-0101000000-" + std::to_string(n))) << n;
    EXPECT_FALSE(index.NamesCacheFile("0-0101000000-6"));
    EXPECT_FALSE(index.NamesCacheFile("entry"));
}
