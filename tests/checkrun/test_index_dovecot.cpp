// The index and the cache files of a check against a real Dovecot: keys that carry control
// characters, fresh cache names, what is dropped after a pass, and messages hidden by an
// action filter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "corvex/engine/cache_file.h"
#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/filters/action_filters.h"
#include "support/checkrun_dovecot.h"

namespace checkrun_test {
namespace {

namespace fs = std::filesystem;

using IndexTest = DovecotCheckTest;

// Every file under root outside the data directory, with its bytes.
std::map<std::string, std::string> FilesOutside(const fs::path& root, const fs::path& data_dir) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == data_dir) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file()) files[it->path().string()] = ReadBytes(it->path().string());
    }
    return files;
}

// Each IDLIST.IDX line is one entry of cache key, cache name and line count.
void ExpectWellFormedIndex(const std::vector<std::string>& index) {
    for (const std::string& line : index) {
        const std::vector<std::string_view> f = corvex::SplitFields(line);
        ASSERT_EQ(f.size(), 3u) << line;
        EXPECT_TRUE(corvex::IsCacheName(f[1])) << line;
    }
}

struct CraftedCase {
    const char* name;
    std::string crafted_headers; // the key's headers of a mail made to split its index line
    std::string plain_headers;   // those of a mail whose cache key is the split line's first field
    std::string plain_key;       // that cache key
};

class ControlCharacterKeys : public DovecotCheckTest, public ::testing::WithParamInterface<CraftedCase> {};

std::string MailWith(const std::string& key_headers, const std::string& subject) {
    return key_headers + "From: x@example.com\nTo: bob@example.com\nSubject: " + subject +
           "\nDate: Mon, 1 Jan 2024 09:59:00 +0900\n\nbody\n";
}

// The crafted mail arrives last and is visited first. Were its key left with the control
// characters, its index line would read as an entry of the plain mail's cache key naming
// "../../../../victim/target": the delete run would then remove that file outside the data
// directory.
TEST_P(ControlCharacterKeys, NeverReachAFileOutsideTheDataDirectory) {
    const CraftedCase& c = GetParam();
    const fs::path root = fs::path(files.data_dir()).parent_path().parent_path();
    fs::create_directories(root / "victim");
    WriteBytes((root / "victim" / "target.emf").string(), "precious\r\n");
    const std::map<std::string, std::string> outside = FilesOutside(root, files.data_dir());

    Deliver(MailWith(c.plain_headers, "plain"));
    Deliver(MailWith(c.crafted_headers, "crafted"));
    Check();
    EXPECT_EQ(files.Blocks().size(), 2u);
    ExpectWellFormedIndex(files.WorkLines("IDLIST.IDX"));
    for (const std::string& key : ReadLines(files.SeenList()))
        EXPECT_EQ(std::count_if(key.begin(), key.end(), corvex::IsControlByte), 0) << key;

    input.run_mode = corvex::kRunDelete;
    input.selection = {{c.plain_key, "", ""}};
    EXPECT_EQ(Check(), 0);
    EXPECT_EQ(MessagesOnServer(), 1); // the plain mail, and only it, was deleted
    ASSERT_EQ(files.Blocks().size(), 1u);
    EXPECT_EQ(files.Blocks()[0].subject, "crafted");
    ExpectWellFormedIndex(files.WorkLines("IDLIST.IDX"));

    // A selection naming a path instead of a cache file selects nothing.
    input.run_mode = corvex::kRunFetch;
    input.selection = {{CacheKeyOf(files.Blocks()[0].cache_name), "../../../../victim/target", "ALL"}};
    RecordingUi ui;
    EXPECT_EQ(Check(ui), -1);
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(FilesOutside(root, files.data_dir()), outside);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ControlCharacterKeys,
    ::testing::Values(CraftedCase{"MessageIdWithVerticalTabAndFormFeed",
                                  "Message-ID: <c-X\v../../../../victim/target\f-1\v>\n", "X-UIDL: <c\n",
                                  "<c-X"},
                      CraftedCase{"ReceivedDateWithTabs",
                                  "Received: from a by b; X\t../../../../victim/target\t-1\tMon, 1 Jan 2024 "
                                  "10:00:00 +0900\nMessage-ID: <c>\n",
                                  "Message-ID: <c>\n", "<c>-X"}),
    [](const ::testing::TestParamInfo<CraftedCase>& info) { return std::string(info.param.name); });

// Cache files of an earlier check made in this very second (or a year ago on this date, or
// before the clock was set back) keep their contents, and names the index still holds are not
// given again: new messages get names that are free.
TEST_F(IndexTest, NewMessagesNeverTakeTheNameOfAnExistingCacheFile) {
    constexpr int kSeconds = 20;
    constexpr int kTaken = 3;
    std::map<std::string, std::string> earlier;
    std::string lost_index;
    std::set<std::string> lost;
    const std::time_t now = std::time(nullptr);
    for (int s = 0; s < kSeconds; ++s) {
        const std::time_t t = now + s;
        const std::tm local = *std::localtime(&t); // the test runs on one thread
        for (int k = 1; k <= kTaken; ++k) {
            const std::string name = corvex::MakeCacheName(0, local, k);
            earlier[name] = "earlier message " + name + "\r\n";
            WriteBytes(files.CacheFile(name), earlier[name]);
        }
        // And one the index still names though its file is lost.
        lost_index += "<lost" + std::to_string(s) + "@example.com>-X " +
                      corvex::MakeCacheName(0, local, kTaken + 1) + " -1\r\n";
        lost.insert(corvex::MakeCacheName(0, local, kTaken + 1));
    }
    WriteBytes(files.WorkFile("IDLIST.IDX"), lost_index);
    for (int i = 1; i <= 2; ++i)
        Deliver(TestMail(i));
    ASSERT_EQ(Check(), 2);

    for (const auto& [name, bytes] : earlier)
        EXPECT_EQ(ReadBytes(files.CacheFile(name)), bytes) << name;
    const std::vector<ReportBlock> blocks = files.Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    for (const ReportBlock& b : blocks) {
        EXPECT_EQ(earlier.count(b.cache_name), 0u) << b.cache_name;
        EXPECT_EQ(lost.count(b.cache_name), 0u) << b.cache_name;
        EXPECT_THAT(ReadLines(files.CacheFile(b.cache_name)), ::testing::Contains("SB " + b.subject));
    }
    EXPECT_NE(blocks[0].cache_name, blocks[1].cache_name);
    EXPECT_THAT(blocks[1].cache_name, FullyMatches("0-[0-9]{10}-[0-9]+"));
}

// A message that left the server takes its index entry and its cache file along at the end of
// the next complete pass; a pass that failed part-way drops nothing, as it did not visit all.
TEST_F(IndexTest, CompletePassDropsWhatLeftTheServer) {
    for (int i = 1; i <= 3; ++i)
        Deliver(TestMail(i));
    ASSERT_EQ(Check(), 3);
    std::map<std::string, std::string> cache_of;
    for (const ReportBlock& b : files.Blocks())
        cache_of[b.subject] = b.cache_name;
    const std::vector<std::string> index = files.WorkLines("IDLIST.IDX");
    ASSERT_EQ(index.size(), 3u);
    ASSERT_TRUE(dovecot.RemoveByPop3(kUser, kPassword, 2)) << dovecot.error();

    // The work file cannot be made (a folder, not empty, holds its name): the pass fails at its
    // first message.
    const fs::path work_file = files.WorkFile("$HBWORK$.TMP");
    fs::remove(work_file);
    fs::create_directory(work_file);
    WriteBytes((work_file / "x").string(), "x");
    Check();
    ASSERT_THAT(files.Report(), ::testing::Contains(::testing::StartsWith("[ERR]")));
    EXPECT_EQ(files.WorkLines("IDLIST.IDX"), index);
    EXPECT_EQ(files.CacheFileCount(), 3);
    fs::remove_all(work_file);

    input.previous_result = corvex::kForcedPreviousResult;
    Check();
    const std::vector<std::string> after = files.WorkLines("IDLIST.IDX");
    ASSERT_EQ(after.size(), 2u);
    for (const std::string& line : after)
        EXPECT_EQ(line.find("<msg2@"), std::string::npos) << line;
    EXPECT_FALSE(Exists(files.CacheFile(cache_of["message 2"])));
    EXPECT_TRUE(Exists(files.CacheFile(cache_of["message 1"])));
    EXPECT_TRUE(Exists(files.CacheFile(cache_of["message 3"])));
    EXPECT_EQ(files.CacheFileCount(), 2);

    // The last one goes too: an empty mailbox keeps nothing.
    ASSERT_TRUE(dovecot.RemoveByPop3(kUser, kPassword, 1)) << dovecot.error();
    ASSERT_TRUE(dovecot.RemoveByPop3(kUser, kPassword, 1)) << dovecot.error();
    Check();
    EXPECT_THAT(files.WorkLines("IDLIST.IDX"), ::testing::IsEmpty());
    EXPECT_EQ(files.CacheFileCount(), 0);
}

// The new count of a run against the report it leaves: every message counted as new is listed
// with new flag 1, and no other.
int ListedAsNew(const AccountFiles& files) {
    const std::vector<ReportBlock> blocks = files.Blocks();
    return static_cast<int>(
        std::count_if(blocks.begin(), blocks.end(), [](const ReportBlock& b) { return b.new_flag == 1; }));
}

std::vector<std::string> Subjects(const AccountFiles& files) {
    std::vector<std::string> subjects;
    for (const ReportBlock& b : files.Blocks())
        subjects.push_back(b.subject);
    return subjects;
}

// A message an action filter hides is neither listed nor counted; once no filter hides it, it is
// announced like any other message, once, and seen from then on.
TEST_F(IndexTest, MessageNoLongerHiddenIsListedAndCountedOnce) {
    for (int i = 1; i <= 3; ++i)
        Deliver(TestMail(i));
    corvex::ActionFilter filter;
    filter.subject = "message 2";
    filter.no_notify = 1;
    filter.notify = 0;
    WriteBytes(corvex::ActionFilterPath(files.data_dir(), 1),
               corvex::FormatActionFilterLine(filter) + "\r\n");
    input.filter_mode = corvex::kFilterModeOn;

    struct Step {
        const char* name;
        bool hidden;
        int result;
        std::vector<std::string> subjects;
    };
    const Step steps[] = {
        {"first check, hidden", true, 2, {"message 3", "message 1"}},
        {"cached, still hidden", true, 0, {"message 3", "message 1"}},
        {"no longer hidden", false, 1, {"message 3", "message 2", "message 1"}},
        {"seen since", false, 0, {"message 3", "message 2", "message 1"}},
        {"and again", false, 0, {"message 3", "message 2", "message 1"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        input.filter_mode = step.hidden ? corvex::kFilterModeOn : 0;
        // Neither forced nor unchanged: cached messages are taken from their cache files.
        input.previous_count = -1;
        input.previous_size = -1;
        input.previous_result = 0;
        EXPECT_EQ(Check(), step.result);
        EXPECT_EQ(ListedAsNew(files), step.result);
        EXPECT_EQ(Subjects(files), step.subjects);
    }
}

// A key the seen list holds near its end of life (a list of 500 keys or more, the key among the
// oldest) is seen: listed with new flag 0 and not counted.
TEST_F(IndexTest, KeyAboutToBeTrimmedIsListedAsSeen) {
    Deliver(TestMail(1));
    for (const int keys : {499, 520}) {
        SCOPED_TRACE(keys);
        std::string list = "<msg1@example.com>\r\n";
        for (int i = 1; i < keys; ++i)
            list += "<old" + std::to_string(i) + "@example.com>\r\n";
        fs::create_directories(fs::path(files.SeenList()).parent_path());
        WriteBytes(files.SeenList(), list);
        EXPECT_EQ(Check(), 0);
        EXPECT_EQ(ListedAsNew(files), 0);
        EXPECT_EQ(files.Blocks().size(), 1u);
    }
}

} // namespace
} // namespace checkrun_test
