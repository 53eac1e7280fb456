// The suspension test: the mailer or a listed program running holds automatic checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "corvex/mainwin/suspension.h"

namespace {

using corvex::SuspensionSettings;

TEST(Suspension, ProgramFileNameOfACommand) {
    struct Case {
        const char* command;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Mail\\mailer.exe", "MAILER.EXE"},
        {"\"C:\\Program Files\\Mail\\Mailer.exe\" /check", "MAILER.EXE"},
        {"D:\\tools\\mua", "MUA"},
        {"mua.exe", "MUA.EXE"},
        {"C:mua.exe", "MUA.EXE"},
        {"", ""},
        // Arguments that hold paths of their own: the program part decides.
        {"\"C:\\Mail\\mail.exe\" /f \"D:\\box\\in.mbx\"", "MAIL.EXE"},
        {"C:\\Program Files\\Mail\\mail.exe /f D:\\box\\in.mbx", "MAIL.EXE"},
        {"C:\\Mail\\MAIL.EXE -s \"a.exe\"", "MAIL.EXE"},
        {"  \"D:\\tools\\mua\" -x C:\\y.txt", "MUA"},
        {"C:\\My.Executables\\mail.exe -x", "MAIL.EXE"},
        // 0x5C is the trail byte of the Shift_JIS character 0x95 0x5C: not a folder separator.
        {"C:\\Mail\\\x95\x5C.exe", "\x95\x5C.EXE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(corvex::ProgramFileName(c.command), c.name);
    }
    EXPECT_EQ(corvex::ProcessFileName("C:\\WINDOWS\\system32\\notepad.exe"), "NOTEPAD.EXE");
    // Only ASCII letters change case: the trail byte of a Shift_JIS pair (here 0x61) stays.
    EXPECT_EQ(corvex::ProcessFileName("C:\\x\\\x83\x61.exe"), "\x83\x61.EXE");
}

TEST(Suspension, MailerAndProgramListRules) {
    SuspensionSettings s;
    s.mail_agent = "C:\\Mail\\MAILER.EXE";
    s.account_agents = {"C:\\Other\\second.exe -a"};
    s.program_list = {"MAILER.EXE", "game.exe"};
    const std::vector<std::string> mailer = {"C:\\WINDOWS\\EXPLORER.EXE", "C:\\Mail\\mailer.exe"};
    const std::vector<std::string> second = {"E:\\Other\\SECOND.EXE"};
    const std::vector<std::string> prefix = {"C:\\bin\\MAIL"};
    const std::vector<std::string> game = {"C:\\Games\\GAME.EXE"};
    const std::vector<std::string> none = {"C:\\WINDOWS\\EXPLORER.EXE", ""};

    EXPECT_FALSE(corvex::SuspendsChecks(s, mailer)) << "both rules off";
    s.chkapl1 = "ON";
    EXPECT_TRUE(corvex::SuspendsChecks(s, mailer));
    EXPECT_TRUE(corvex::SuspendsChecks(s, second)) << "an account's own mailer";
    EXPECT_FALSE(corvex::SuspendsChecks(s, game));
    s.chkapl1 = "OFF";
    s.chkapl2 = "ON";
    EXPECT_TRUE(corvex::SuspendsChecks(s, mailer)) << "the list entry MAILER.EXE";
    EXPECT_TRUE(corvex::SuspendsChecks(s, prefix)) << "an entry that begins with the name";
    EXPECT_TRUE(corvex::SuspendsChecks(s, game)) << "case does not count";
    EXPECT_FALSE(corvex::SuspendsChecks(s, second));
    EXPECT_FALSE(corvex::SuspendsChecks(s, none)) << "an empty name matches nothing";

    corvex::NoProcessList nothing;
    EXPECT_FALSE(corvex::SuspensionTest(s, nothing));
}

TEST(Suspension, ProgramListIsReadByWords) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("pelmora-aplist-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "APList.003", std::ios::binary) << "MAILER.EXE\r\n  game.exe\tother.exe\r\n\r\n";
    EXPECT_EQ(corvex::ReadProgramList(dir.string(), 3),
              (std::vector<std::string>{"MAILER.EXE", "game.exe", "other.exe"}));
    EXPECT_TRUE(corvex::ReadProgramList(dir.string(), 4).empty());
    std::filesystem::remove_all(dir);
}

} // namespace
