// Layout of the data directory: folder creation, name sanitising and the account's paths.
#include <gtest/gtest.h>

#include <filesystem>

#include "corvex/engine/data_paths.h"
#include "support/engine_files.h"

using namespace corvex;
using engine_files::TempDir;

TEST(DataPaths, SanitisesEveryCharacterThatCannotBeInAName) {
    EXPECT_EQ(SanitiseName("a\tb\nc\rd e/f:g\\h"), "a_b_c_d_e_f_g_h");
    EXPECT_EQ(AccountName("taro yamada", "pop.example.jp:110"), "taro_yamada_pop.example.jp_110");
    // "ソ" is 0x83 0x5C: its second byte is no backslash.
    EXPECT_EQ(SanitiseName("\x83\\\\"), "\x83\\_");
    EXPECT_EQ(SanitiseName("\x83"), "\x83"); // a lone first byte at the end
}

TEST(DataPaths, AccountPaths) {
    const std::string s(1, PathSeparator());
    const std::string data = DataDirectory("root");
    EXPECT_EQ(data, "root" + s + "Quillon" + s + "Corvex");
    EXPECT_EQ(WorkDirectory(data, "u/1", "h"), data + s + "Temp" + s + "u_1_h");
    EXPECT_EQ(CacheFilePath("w", "0-0101000000-1"), "w" + s + "0-0101000000-1.emf");
    const SeenFiles f = SeenListFiles(data, "u", "h");
    const std::string base = data + s + "ID" + s + "u_h";
    EXPECT_EQ(f.list, base + ".$ID");
    EXPECT_EQ(f.trim_copy, base + ".NEW");
    EXPECT_EQ(f.snapshot, base + ".$GR");
    EXPECT_EQ(f.restore, base + ".$TL");
}

TEST(DataPaths, JoinPathKeepsShiftJisTrailBytes) {
    const std::string s(1, PathSeparator());
    EXPECT_EQ(JoinPath("dir" + s, "f"), "dir" + s + "f");
    EXPECT_EQ(JoinPath("", "f"), "f");
    // A folder name ending in "ソ" (0x83 0x5C) still needs its separator.
    EXPECT_EQ(JoinPath("\x83\\", "f"), "\x83\\" + s + "f");
    // A real backslash after it is a separator on Windows only.
    EXPECT_EQ(JoinPath("\x83\\\\", "f"), PathSeparator() == '\\' ? "\x83\\\\f" : "\x83\\\\/f");
}

TEST(DataPaths, CreatesTheFoldersOnlyWhenMissing) {
    TempDir dir;
    const std::string data = DataDirectory(dir.str());
    ASSERT_TRUE(EnsureDataDirectories(dir.str()));
    for (const std::string& sub : {TempDirectory(data), IdDirectory(data), ActDirectory(data)})
        EXPECT_TRUE(std::filesystem::is_directory(sub)) << sub;
    engine_files::WriteBytes(JoinPath(IdDirectory(data), "keep.$ID"), "k\r\n");
    ASSERT_TRUE(EnsureDataDirectories(dir.str())); // again: nothing is lost
    EXPECT_EQ(engine_files::ReadBytes(JoinPath(IdDirectory(data), "keep.$ID")), "k\r\n");
    EXPECT_FALSE(EnsureDirectory(JoinPath(JoinPath(dir.str(), "missing"), "deeper")));
}

// A cache name read back from a file becomes a path only in the form the check run writes.
TEST(DataPaths, OnlyCacheNamesBecomeCacheFilePaths) {
    for (const char* name : {"0-0101000000-1", "29-1231235959-300", "3-0000000000-2147483647"}) {
        EXPECT_TRUE(IsCacheName(name)) << name;
        EXPECT_EQ(CacheFilePath("w", name), JoinPath("w", std::string(name) + ".emf"));
    }
    for (const char* name : {"", "../../../x", "..\\..\\x", "0-0101000000-1/../../x", "0-0101000000-",
                             "-0101000000-1", "0-010100000-1", "0-01010000000-1", "0-0101000000-1-2",
                             "0-0101000000-1 ", "0-0101000000-1\t", "+0-0101000000-1", "a-0101000000-1",
                             "0-0101000000-12345678901", "/0-0101000000-1", "0-0101000000-1.emf"}) {
        EXPECT_FALSE(IsCacheName(name)) << name;
        EXPECT_EQ(CacheFilePath("w", name), "") << name;
    }
}
