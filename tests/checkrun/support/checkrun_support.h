// Test helpers for the account check run: a private data directory with one account, a user
// interface that records what the run shows, and readers for the files the run leaves.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/checkrun/check_account.h"
#include "corvex/engine/engine_ui.h"
#include "support/recording_ui.h"
#include "support/sjis.h"
#include "support/temp_dir.h"

namespace checkrun_test {

// A whole-text match with std::regex (ECMAScript): GoogleTest's own regular expressions are
// the reduced "simple" kind in the Windows build.
MATCHER_P(FullyMatches, pattern, "") {
    return std::regex_match(std::string(arg), std::regex(pattern));
}

// Shift_JIS <-> UTF-8, so that tests state their texts as UTF-8.
std::string Utf8(std::string_view sjis);
using test_support::Sj;

using test_support::Exists;
using test_support::ReadBytes;
using test_support::WriteBytes;
// The lines of a CR LF file, in UTF-8; a line without its CR LF fails the test.
std::vector<std::string> ReadLines(const std::string& path);

using test_support::RecordingUi;

// One block of a report.
struct ReportBlock {
    int number = 0;
    int attachment = 0;
    int new_flag = 0;
    std::string from; // UTF-8
    std::string cache_name;
    std::string subject; // UTF-8
};

// A data directory in a fresh temporary folder, with the work directory of one account.
class AccountFiles {
  public:
    AccountFiles(std::string host, std::string user);
    AccountFiles(const AccountFiles&) = delete;
    AccountFiles& operator=(const AccountFiles&) = delete;

    const std::string& data_dir() const { return data_dir_; }
    const std::string& work_dir() const { return work_dir_; }
    std::string WorkFile(std::string_view name) const;
    std::string CacheFile(std::string_view cache_name) const;
    std::string SeenList() const;
    std::string DataFile(std::string_view name) const;

    std::vector<std::string> Report() const; // index.tmp, UTF-8 lines
    std::vector<ReportBlock> Blocks() const;
    // The lines of a file of the work directory (IDLIST.IDX, IDLIST.IDL ...), UTF-8.
    std::vector<std::string> WorkLines(std::string_view name) const;
    int CacheFileCount() const;

  private:
    test_support::TempDir root_;
    std::string data_dir_;
    std::string work_dir_;
};

// SpamList.999 of data_dir with one pattern on the subject (all other conditions off); mode 0
// deletes at once, 1 after confirmation.
void WriteSpamPattern(const std::string& data_dir, const std::string& subject_pattern_utf8, int mode);

// A message of the tests' mailboxes: numbered From, Subject and Message-ID, LF line ends.
std::string TestMail(int n, const std::string& extra_headers = "", int body_lines = 3);

} // namespace checkrun_test
