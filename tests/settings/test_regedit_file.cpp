// What a person finds in the REGEDIT4 file after a save, with the real root key in a private file
// store (the same on both platforms), and a save into a store that does not parse.
#include "corvex/settings/profile_store.h"
#include "support/settings_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace corvex::settings;
using platform::RegStatus;
using settings_test::ReadBytes;
using settings_test::Sj;

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class RegeditFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(reg_.open_file(dir_.str()), RegStatus::ok) << reg_.last_error();
        store_ = std::make_unique<ProfileStore>(reg_); // the real root: the file is private
        settings_ = std::make_unique<ProfileSettings>();
    }
    platform::Registry reg_;
    settings_test::TempDir dir_;
    std::unique_ptr<ProfileStore> store_;
    std::unique_ptr<ProfileSettings> settings_;
    RuntimePasswords passwords_;
};

TEST_F(RegeditFileTest, SavedProfileReadsAsRegedit4Text) {
    ProfileSettings& s = *settings_;
    store_->Load(1, s, passwords_);
    s.pName.assign(Sj("仕事"));
    s.MailAgent.assign("\"C:\\Program Files\\Mailer\\mail.exe\"");
    s.accounts[0].POP3Server.assign("pop.example.com");
    s.accounts[0].POP3UserName.assign("abc");
    s.accounts[0].POP3PassWord.assign("abc");
    ASSERT_TRUE(store_->Save(s).ok()) << reg_.last_error();

    const std::string file = ReadBytes(reg_.store_path());
    EXPECT_EQ(file.rfind("REGEDIT4\r\n\r\n", 0), 0u);
    EXPECT_EQ(Count(file, "\n"), Count(file, "\r\n")) << "CR LF line ends only";
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98]\r\n"
                        "\"CurrentProfID\"=\"1\"\r\n"
                        "\"pName\"=\"" +
                        Sj("仕事") +
                        "\"\r\n"
                        "\"LCMode\"=\"CHK\"\r\n"
                        "\"CheckStart\"=\"OFF\"\r\n"),
              std::string::npos)
        << file.substr(0, 400);
    EXPECT_NE(file.find("\"MailAgent\"=\"\\\"C:\\\\Program Files\\\\Mailer\\\\mail.exe\\\"\"\r\n"
                        "\"WinStyle\"=\"" +
                        Sj("標準サイズ") +
                        "\"\r\n"
                        "\"DialupName\"=\"" +
                        Sj("LANで接続する") + "\"\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("\"SpamCloseSec\"=\"30\"\r\n\r\n"), std::string::npos) << "the last profile value";
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\0]\r\n"
                        "\"POP3Server\"=\"pop.example.com\"\r\n"
                        "\"MailAdrs\"=\"\"\r\n"
                        "\"POP3UserName\"=\"abc\"\r\n"
                        "\"POP3PassWord\"=\"2YZb]YZb_YZba\"\r\n"
                        "\"SavePass\"=\"ON\"\r\n"
                        "\"POP3PortNum\"=\"\"\r\n"
                        "\"POP3Mode\"=\"POP3\"\r\n"
                        "\"CHKACC\"=\"ON\"\r\n"
                        "\"ErrJump\"=\"OFF\"\r\n"
                        "\"ASoundFile\"=\"\"\r\n"
                        "\"MailAgent2\"=\"\"\r\n"
                        "\"WinStyle2\"=\"" +
                        Sj("標準サイズ") + "\"\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(Count(file, "[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98"), 31u) << "root and 30 slots";
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\29]\r\n"), std::string::npos);
    EXPECT_EQ(Count(file, "\"POP3PassWord\"=\"\""), 29u) << "empty passwords are stored empty";

    store_->Load(2, s, passwords_);
    s.pName.assign("two");
    ASSERT_TRUE(store_->Save(s).ok());
    const std::string two = ReadBytes(reg_.store_path());
    EXPECT_NE(two.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98]\r\n\"CurrentProfID\"=\"2\"\r\n"),
              std::string::npos);
    EXPECT_NE(two.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\002]\r\n\"pName\"=\"two\"\r\n"),
              std::string::npos);
    EXPECT_NE(two.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\002\\29]\r\n"), std::string::npos);
}

TEST_F(RegeditFileTest, SaveIntoAnUnreadableStoreFailsAndLeavesTheFile) {
    const std::string path = dir_.str() + "/" + platform::kRegFileName;
    {
        std::ofstream out(path, std::ios::binary);
        out << "not a registry file\r\n";
    }
    platform::Registry broken;
    ASSERT_EQ(broken.open_file(dir_.str()), RegStatus::corrupt);
    ProfileStore store(broken);
    ProfileSettings& s = *settings_;
    const LoadReport loaded = store.Load(1, s, passwords_);
    EXPECT_EQ(loaded.first_error, RegStatus::corrupt);
    EXPECT_EQ(s.CheckTime, "60") << "defaults apply";
    const SaveReport report = store.Save(s);
    EXPECT_FALSE(report.ok());
    EXPECT_FALSE(report.refused.empty());
    EXPECT_EQ(ReadBytes(path), "not a registry file\r\n");
}

} // namespace
