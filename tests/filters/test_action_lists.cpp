// The hand-over lists FSOUND.LST, FAPL.LST, FSEND.LST and the send-setting list ACTSEND.LST.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "corvex/filters/action_lists.h"
#include "support/filter_files.h"

using namespace corvex;
using filter_files::DataDir;
using filter_files::kAccount;
using filter_files::ReadBytes;
using filter_files::WriteBytes;

namespace {

const std::string kSep(1, static_cast<char>(std::filesystem::path::preferred_separator));

TEST(ActionLists, PathsInTheDataDirectory) {
    DataDir dir;
    EXPECT_EQ(SoundListPath(dir.str(), kAccount), dir.File(std::string("Temp/") + kAccount + "/FSOUND.LST"));
    EXPECT_EQ(ProgramListPath(dir.str()), dir.File("ACT/FAPL.LST"));
    EXPECT_EQ(SendListPath(dir.str()), dir.File("ACT/FSEND.LST"));
    EXPECT_EQ(SendSettingListPath(dir.str()), dir.File("ACT/ACTSEND.LST"));
}

TEST(ActionLists, ProgramLinesAreAppendedWithCrLf) {
    DataDir dir;
    const std::string list = ProgramListPath(dir.str());
    ASSERT_EQ(AppendActionLine(list, kAccount, "0-0102030405-1", "notepad.exe %SUBJECT"), 0);
    ASSERT_EQ(AppendActionLine(list, kAccount, "0-0102030405-1", "notepad.exe %SUBJECT"), 0); // no de-dup
    EXPECT_EQ(ReadBytes(list), std::string(kAccount) + "|0-0102030405-1|notepad.exe %SUBJECT\r\n" + kAccount +
                                   "|0-0102030405-1|notepad.exe %SUBJECT\r\n");
}

TEST(ActionLists, SoundsAreListedOnce) {
    DataDir dir;
    const std::string list = SoundListPath(dir.str(), kAccount);
    ASSERT_EQ(AppendActionLine(list, "\"C:\\Sounds\\a.wav\""), 0);
    ASSERT_EQ(AppendActionLine(list, "b.mid"), 0);
    ASSERT_EQ(AppendActionLine(list, "\"C:\\Sounds\\a.wav\""), 0);
    EXPECT_EQ(ReadBytes(list), "*|*|\"C:\\Sounds\\a.wav\"\r\n*|*|b.mid\r\n");
}

TEST(ActionLists, UnopenableListReportsFailure) {
    DataDir dir;
    EXPECT_EQ(AppendActionLine(dir.File("no/such/FAPL.LST"), "a", "b", "c"), -1);
    EXPECT_EQ(AppendActionLine(dir.File("no/such/FSOUND.LST"), "c"), -1);
}

TEST(ActionLists, ReadActionLineDeliversValueAndPath) {
    DataDir dir;
    const std::string list = dir.File("ACT/FAPL.LST");
    WriteBytes(list, std::string(kAccount) +
                         "|1-0102030405-2|cmd /c \"a|b\"\r\n*|*|x.wav\r\nplain\r\nleft|right\n");
    struct Case {
        int n;
        std::string value, path;
    };
    const Case cases[] = {
        {1, "cmd /c \"a|b\"", std::string(kAccount) + kSep + "1-0102030405-2"},
        {2, "x.wav", "*" + kSep + "*"},
        {3, "plain", ""},
        {4, "right", "left"},
        {5, "", ""},
        {0, "", ""},
    };
    for (const Case& c : cases) {
        std::string value = "stale", path = "stale";
        EXPECT_EQ(ReadActionLine(list, c.n, value, path), 4);
        EXPECT_EQ(value, c.value) << c.n;
        EXPECT_EQ(path, c.path) << c.n;
    }
    std::string value, path;
    EXPECT_EQ(ReadActionLine(dir.File("ACT/none.LST"), 1, value, path), 0);
}

TEST(ActionLists, SendSettingsAreCutAndBounded) {
    DataDir dir;
    std::string bytes = "1 office " + std::string("Office") + "\r\n" + "2 " + std::string(20, 'i') + " " +
                        std::string(60, 'n') + "\r\n" + "3 onlyid\r\n" + "4 late Late\r\n";
    WriteBytes(SendSettingListPath(dir.str()), bytes);
    std::vector<SendSetting> settings = ReadSendSettings(dir.str());
    ASSERT_EQ(settings.size(), 2u); // the third line has no name and ends the list
    EXPECT_EQ(settings[0].id, "office");
    EXPECT_EQ(settings[0].name, "Office");
    EXPECT_EQ(settings[1].id, std::string(kSendSettingIdMax, 'i'));
    EXPECT_EQ(settings[1].name, std::string(kSendSettingNameMax, 'n'));

    bytes.clear();
    for (int i = 0; i < 120; ++i)
        bytes += std::to_string(i) + " id" + std::to_string(i) + " name\r\n";
    WriteBytes(SendSettingListPath(dir.str()), bytes);
    EXPECT_EQ(ReadSendSettings(dir.str()).size(), kSendSettingsMax);
    EXPECT_TRUE(ReadSendSettings(dir.File("none")).empty());
}

} // namespace
