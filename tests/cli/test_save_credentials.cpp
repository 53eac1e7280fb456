// corvex-check refuses a user name or password that holds a line break or a NUL byte: --save
// stores nothing and contacts no server, and a check without --save fails at the login with
// the report's text, sending the server nothing but QUIT.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/fake_pop3_server.h"
#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using cli_test::ProgramResult;
using cli_test::RunProgram;
using pelmora_test::FakePop3Server;
using pelmora_test::FakeScript;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class SaveCredentials : public ::testing::Test {
  protected:
    void SetUp() override {
        home = fs::temp_directory_path() / ("pelmora-cli-cred-" + std::to_string(std::random_device{}()));
    }
    void TearDown() override { fs::remove_all(home); }

    ProgramResult Check(const FakePop3Server& server, const std::string& user, const std::string& password,
                        bool save) {
        std::vector<std::string> args = {"--home",    home.string(), "--server",
                                         "127.0.0.1", "--port",      std::to_string(server.port()),
                                         "--user",    user};
        if (save) args.push_back("--save");
        return RunProgram(CORVEX_CHECK_EXE, args, {{"PELMORA_PASSWORD", password}, {"TZ", "JST-9"}});
    }

    fs::path home;
};

TEST_F(SaveCredentials, LineBreaksInUserOrPasswordAreRefusedBeforeAnythingIsStoredOrSent) {
    struct Case {
        const char* user;
        const char* password;
        const char* what;
    };
    const Case cases[] = {
        {"bob", "secret\r\nDELE 1", "the password holds a line break"},
        {"bob\nDELE 1", "secret", "the user name holds a line break"},
        {"bob", "secret\rDELE 1", "the password holds a line break"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePop3Server server("S: +OK ready\nC: QUIT\nS: +OK");
        const ProgramResult result = Check(server, c.user, c.password, true);
        EXPECT_EQ(result.status, 3) << result.out << result.err;
        EXPECT_THAT(result.err, HasSubstr(std::string("--save: ") + c.what));
        EXPECT_THAT(result.out, IsEmpty());
        EXPECT_EQ(server.Finish(), "") << "no server was contacted";
        if (fs::exists(home / "pelmora.reg")) {
            std::ifstream settings(home / "pelmora.reg", std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(settings)),
                                   std::istreambuf_iterator<char>());
            EXPECT_THAT(text, Not(HasSubstr("POP3UserName"))) << "no account was stored";
        }
    }

    // Without --save the check itself refuses the login and sends nothing but QUIT.
    const FakeScript script = FakeScript::Parse("S: +OK ready\nC: QUIT\nS: +OK bye");
    FakePop3Server server(script);
    const ProgramResult checked = Check(server, "bob", "secret\r\nDELE 1", false);
    EXPECT_EQ(checked.status, 3) << checked.out << checked.err;
    EXPECT_EQ(checked.out,
              "bob@127.0.0.1: failed: ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞに使えない文字(改行など)があります。\n");
    EXPECT_EQ(server.Finish(), "QUIT\r\n");
    EXPECT_THAT(server.problems(), IsEmpty());
}

} // namespace
