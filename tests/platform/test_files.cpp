#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using platform::path_join;
using test_support::ReadBytes;
using test_support::WriteBytes;

namespace {

TEST(Files, PathJoinUsesThePlatformSeparatorOnce) {
    const std::string sep(1, platform::path_separator());
    EXPECT_EQ(path_join("a", "b"), "a" + sep + "b");
    EXPECT_EQ(path_join("a" + sep, "b"), "a" + sep + "b");
    EXPECT_EQ(path_join("", "b"), "b");
    EXPECT_EQ(path_join(path_join("data", "Quillon"), "Corvex"), "data" + sep + "Quillon" + sep + "Corvex");
    // "表" ends in the byte 0x5C, which is not a separator.
    EXPECT_EQ(path_join("C\x95\x5c", "x"), "C\x95\x5c" + sep + "x");
}

class FilesTest : public ::testing::Test {
  protected:
    std::string at(const std::string& name) const { return path_join(dir_.str(), name); }
    test_support::TempDir dir_;
};

TEST_F(FilesTest, DirectoriesAreCreatedOnlyWhenMissing) {
    const std::string quillon = at("Quillon");
    EXPECT_FALSE(platform::dir_exists(quillon));
    EXPECT_TRUE(platform::make_dir(quillon));
    EXPECT_TRUE(platform::make_dir(quillon)) << "an existing directory is fine";
    EXPECT_TRUE(platform::dir_exists(quillon));
    EXPECT_FALSE(platform::file_exists(quillon));

    std::string error;
    EXPECT_FALSE(platform::make_dir(path_join(at("no"), "such"), &error));
    EXPECT_FALSE(error.empty());
    const std::string deep = path_join(path_join(path_join(quillon, "Corvex"), "Temp"), "user_host");
    EXPECT_TRUE(platform::make_dirs(deep, &error)) << error;
    EXPECT_TRUE(platform::dir_exists(deep));

    WriteBytes(at("plain"), "x");
    EXPECT_FALSE(platform::make_dir(at("plain"))) << "a file is not a directory";
}

TEST_F(FilesTest, ReplaceSwapsInTheTemporaryCopy) {
    const std::string target = at("IDLIST.IDX");
    const std::string temp = at("IDLIST.$DX");
    WriteBytes(target, "old\r\n");
    WriteBytes(temp, "new\r\n");
    ASSERT_TRUE(platform::replace_file(temp, target));
    EXPECT_EQ(ReadBytes(target), "new\r\n");
    EXPECT_FALSE(platform::file_exists(temp));

    // No target yet: the copy just takes its name.
    WriteBytes(temp, "first\r\n");
    ASSERT_TRUE(platform::replace_file(temp, at("fresh")));
    EXPECT_EQ(ReadBytes(at("fresh")), "first\r\n");

    // No copy: the target must survive.
    std::string error;
    EXPECT_FALSE(platform::replace_file(temp, target, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadBytes(target), "new\r\n");
}

TEST_F(FilesTest, RenameNeverOverwritesAndRemoveReportsAMissingFile) {
    WriteBytes(at("a"), "A");
    WriteBytes(at("b"), "B");
    EXPECT_FALSE(platform::rename_file(at("a"), at("b")));
    EXPECT_EQ(ReadBytes(at("b")), "B");
    EXPECT_TRUE(platform::rename_file(at("a"), at("c")));
    EXPECT_FALSE(platform::file_exists(at("a")));
    EXPECT_EQ(ReadBytes(at("c")), "A");

    EXPECT_TRUE(platform::remove_file(at("c")));
    std::string error;
    EXPECT_FALSE(platform::remove_file(at("c"), &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(FilesTest, AtomicWriteLeavesOnlyTheFinishedFile) {
    const std::string path = at("pelmora.reg");
    ASSERT_TRUE(platform::write_file_atomic(path, "one"));
    ASSERT_TRUE(platform::write_file_atomic(path, std::string("two\0\r\n", 6)));
    std::string bytes;
    ASSERT_TRUE(platform::read_file(path, bytes));
    EXPECT_EQ(bytes, std::string("two\0\r\n", 6));
    EXPECT_FALSE(platform::file_exists(path + ".tmp"));
    EXPECT_FALSE(platform::read_file(at("missing"), bytes));
    EXPECT_FALSE(platform::write_file_atomic(path_join(at("missing"), "x"), "y"));
}

TEST_F(FilesTest, ShiftJisNamesWork) {
    const std::string dir = at("\x95\x5c\x8e\xa6"); // 表示
    ASSERT_TRUE(platform::make_dir(dir));
    const std::string file = path_join(dir, "\x83\x5c\x83\x74\x83\x67.txt"); // ソフト.txt
    ASSERT_TRUE(platform::write_file_atomic(file, "x"));
    EXPECT_TRUE(platform::file_exists(file));
    EXPECT_TRUE(platform::remove_file(file));
}

} // namespace
