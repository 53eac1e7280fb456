// The check run on a data folder that refuses writes: a disk that fills up at every point of
// the pass (a tmpfs of limited size, when the tests run as root) and a read-only folder. A
// write that fails fails the run with the file and the reason, leaves the seen list as it was,
// and the next check announces the mail again; nothing announced before is announced again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "corvex/engine/data_paths.h"
#include "corvex/engine/report_file.h"
#include "support/checkrun_dovecot.h"

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace checkrun_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kMountOptions[] = "size=512k";

class WriteFaultTest : public DovecotCheckTest {
  protected:
    void SetUp() override {
        DovecotCheckTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (int n = 1; n <= 5; ++n)
            Deliver(TestMail(n));
        root = fs::path(files.data_dir()).parent_path().parent_path().string();
        // Root ignores file permissions: its faults come from a tmpfs of its own.
        if (::geteuid() == 0) {
            if (::mount("tmpfs", root.c_str(), "tmpfs", 0, kMountOptions) != 0)
                GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
            mounted = true;
            fs::create_directories(files.work_dir());
        }
        fresh_input = input;
    }
    void TearDown() override {
        if (read_only) SetReadOnly(false);
        if (mounted) ::umount2(root.c_str(), MNT_DETACH);
        DovecotCheckTest::TearDown();
    }

    // The data folder read-only, or writable again.
    void SetReadOnly(bool on) {
        read_only = on;
        if (mounted) {
            const unsigned long flags = MS_REMOUNT | (on ? MS_RDONLY : 0);
            ASSERT_EQ(::mount("tmpfs", root.c_str(), "tmpfs", flags, kMountOptions), 0)
                << std::strerror(errno);
            return;
        }
        const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        const fs::perm_options how = on ? fs::perm_options::remove : fs::perm_options::add;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            fs::permissions(entry.path(), write, how);
        fs::permissions(root, write, how);
    }

    int CheckAgain() {
        input = fresh_input;
        return Check();
    }
    std::vector<int> NewBlocks() const {
        std::vector<int> numbers;
        for (const ReportBlock& b : files.Blocks())
            if (b.new_flag == 1)
                numbers.push_back(std::stoi(b.subject.substr(std::string("message ").size())));
        return numbers;
    }

    std::string root; // the folder that holds the data folder
    bool mounted = false;
    bool read_only = false;
    corvex::CheckInput fresh_input;
};

// The disk is full with 0, 1, 2 ... pages left: the pass fails at a cache file, the visit list,
// the report, the seen list or the index, or succeeds. Either way no announcement is lost.
TEST_F(WriteFaultTest, FullDiskAtAnyPointFailsThePassAndTheNextCheckAnnouncesTheMail) {
    if (!mounted) GTEST_SKIP() << "a tmpfs of limited size needs root";
    const std::string seen_before = "<msg1@example.com>\r\n<msg2@example.com>\r\n";
    const long page = ::sysconf(_SC_PAGESIZE);
    int failed = 0, passed = 0;
    for (int free_pages = 0; free_pages <= 16; ++free_pages) {
        SCOPED_TRACE(std::to_string(free_pages) + " pages free");
        for (const auto& entry : fs::directory_iterator(root))
            fs::remove_all(entry.path());
        fs::create_directories(files.work_dir());
        fs::create_directories(corvex::IdDirectory(files.data_dir()));
        // The check before this one announced messages 1 and 2.
        WriteBytes(files.SeenList(), seen_before);
        WriteBytes(files.WorkFile(corvex::kReportFileName), "[CNT] 2\r\n[INF] 2 1000 2 2\r\n");
        {
            struct statvfs fs_info {};
            ASSERT_EQ(::statvfs(root.c_str(), &fs_info), 0);
            const long long filler =
                static_cast<long long>(fs_info.f_bavail) * static_cast<long long>(fs_info.f_frsize) -
                free_pages * page;
            std::ofstream out(fs::path(root) / "filler", std::ios::binary);
            const std::string chunk(static_cast<std::size_t>(page), 'x');
            for (long long written = 0; written < filler; written += page)
                out.write(chunk.data(),
                          static_cast<std::streamsize>(std::min<long long>(page, filler - written)));
        }

        const int result = CheckAgain();
        if (result == -1) {
            ++failed;
            const std::vector<std::string> report = files.Report();
            ASSERT_EQ(report.size(), 1u);
            EXPECT_THAT(report[0],
                        FullyMatches(R"(\[ERR\] .*/(index\.tmp|IDLIST\.\$DL|IDLIST\.IDX|IDLIST\.IDL|)"
                                     R"(SpamDelLog\.csv|bob_127\.0\.0\.1\.\$ID|[0-9-]+\.emf))"
                                     R"(の書き込みに失敗しました。\(ディスクの空き容量が不足しています\))"));
            EXPECT_EQ("[ERR] " + Utf8(input.error_text), report[0]);
            EXPECT_TRUE(input.report_written);
            EXPECT_EQ(ReadBytes(files.SeenList()), seen_before);
            EXPECT_FALSE(Exists(files.WorkFile(corvex::kReportTempName)));
        } else {
            ++passed;
            EXPECT_EQ(result, 3);
            EXPECT_THAT(NewBlocks(), ElementsAre(5, 4, 3));
        }

        fs::remove(fs::path(root) / "filler");
        EXPECT_EQ(CheckAgain(), result == -1 ? 3 : 0);
        const std::vector<int> announced = result == -1 ? std::vector<int>{5, 4, 3} : std::vector<int>();
        EXPECT_EQ(NewBlocks(), announced);
        EXPECT_EQ(files.Blocks().size(), 5u);
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(passed, 0);
}

TEST_F(WriteFaultTest, ReadOnlyFolderSaysWhyAndShowsNothingAsNewAgain) {
    ASSERT_EQ(CheckAgain(), 5);
    const std::string report_before = ReadBytes(files.WorkFile(corvex::kReportFileName));
    const std::string seen_before = ReadBytes(files.SeenList());
    Deliver(TestMail(6));

    SetReadOnly(true);
    // A whole pass, and a mailbox that looks unchanged (whose report cannot be cleared).
    for (const bool unchanged : {false, true}) {
        SCOPED_TRACE(unchanged ? "unchanged mailbox" : "whole pass");
        input = fresh_input;
        if (unchanged) {
            // STAT as the server gives it: the messages with CR LF line ends.
            long long size = 0;
            for (int n = 1; n <= 6; ++n) {
                const std::string mail = TestMail(n);
                size += static_cast<long long>(mail.size() + std::count(mail.begin(), mail.end(), '\n'));
            }
            input.previous_count = 6;
            input.previous_size = size;
            input.previous_result = 5;
        }
        RecordingUi ui;
        const int result = Check(ui);
        EXPECT_EQ(result, -1);
        EXPECT_FALSE(input.report_written);
        EXPECT_THAT(Utf8(input.error_text), HasSubstr("書き込みが許可されていません"));
        EXPECT_EQ(ReadBytes(files.WorkFile(corvex::kReportFileName)), report_before);
        EXPECT_EQ(ReadBytes(files.SeenList()), seen_before);
    }
    SetReadOnly(false);

    EXPECT_EQ(CheckAgain(), 1);
    EXPECT_THAT(NewBlocks(), ElementsAre(6));
}

} // namespace
} // namespace checkrun_test
