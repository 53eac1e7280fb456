// corvex-check as a user runs it: the real program with a settings folder of its own (--home)
// against a private Dovecot. The one-account form stores its account with --save, the profile
// form then checks it; a second check finds nothing new; a refused login and bad usage show in
// the exit status and on standard error; spam matches are deleted or, without a terminal to
// ask on, kept.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "corvex/filters/spam_list.h"
#include "corvex/settings/password_codec.h"
#include "corvex/settings/profile_store.h"
#include "corvex/settings/settings_values.h"
#include "cp932.h"
#include "platform/registry.h"
#include "report_view.h"
#include "support/dovecot_server.h"
#include "support/fake_pop3_server.h"
#include "support/program_run.h"
#include "text_convert.h"

namespace {

namespace fs = std::filesystem;
using cli_test::ProgramResult;
using cli_test::RunProgram;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char kUser[] = "carol";
constexpr char kPassword[] = "s3cret";

// UTF-8 (the test's texts) to Shift_JIS (the program's), for BMP characters.
std::string Sjis(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        std::size_t extra = c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) cp = c & (extra == 2 ? 0x0F : 0x1F);
        for (std::size_t k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        unsigned char bytes[2];
        const int n = dorvik::utf16_to_cp932(static_cast<std::uint16_t>(cp), bytes);
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
    }
    return out;
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A message whose subject and sender name are ISO-2022-JP encoded words (見積書の送付, 佐藤花子).
std::string JapaneseMail() {
    return "Received: from mx.example.jp by pop.example.jp; Mon, 1 Jan 2024 10:00:00 +0900\n"
           "Message-ID: <quote-1@example.jp>\n"
           "Date: Mon, 1 Jan 2024 09:59:00 +0900\n"
           "From: =?ISO-2022-JP?B?GyRCOjRGIzJWO1IbKEI=?= <sato@example.jp>\n"
           "To: carol@example.jp\n"
           "Subject: =?ISO-2022-JP?B?GyRCOCtAUT1xJE5Bd0lVGyhC?=\n"
           "MIME-Version: 1.0\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\n"
           "\n"
           "body\n";
}

std::string PlainMail(int n, const std::string& subject) {
    const std::string id = std::to_string(n);
    return "Received: from mx.example.com by pop.example.com; Mon, 1 Jan 2024 10:0" + id +
           ":00 +0900\n"
           "Message-ID: <plain-" +
           id +
           "@example.com>\n"
           "Date: Mon, 1 Jan 2024 10:0" +
           id +
           ":00 +0900\n"
           "From: Sender " +
           id + " <sender" + id +
           "@example.com>\n"
           "To: carol@example.com\n"
           "Subject: " +
           subject +
           "\n"
           "\n"
           "body " +
           id + "\n";
}

// The size Dovecot lists for a message: its lines end in CR LF on the server.
std::size_t ServerSize(const std::string& message) {
    std::size_t lines = 0;
    for (const char c : message)
        lines += c == '\n';
    return message.size() + lines;
}

// A settings folder of its own for each test.
class CorvexCheckHome : public ::testing::Test {
  protected:
    void SetUp() override {
        home = fs::temp_directory_path() / ("pelmora-cli-home-" + std::to_string(std::random_device{}()));
    }
    void TearDown() override { fs::remove_all(home); }

    // Runs corvex-check with --home; dates are shown in Japan time.
    ProgramResult Check(std::vector<std::string> args, std::map<std::string, std::string> env = {}) {
        args.insert(args.begin(), {"--home", home.string()});
        env.emplace("TZ", "JST-9");
        return RunProgram(CORVEX_CHECK_EXE, args, env);
    }
    std::string AccountValue(int slot, const char* name, int profile = 1) {
        platform::Registry registry;
        EXPECT_EQ(registry.open_file(home.string()), platform::RegStatus::ok);
        corvex::settings::ValueStore values(registry);
        return values.ReadOr(corvex::settings::KeySelector::Account(profile, slot), name, "<missing>");
    }
    std::string RootValue(const char* name) {
        platform::Registry registry;
        EXPECT_EQ(registry.open_file(home.string()), platform::RegStatus::ok);
        corvex::settings::ValueStore values(registry);
        return values.ReadOr(corvex::settings::KeySelector::Root(), name, "<missing>");
    }

    fs::path home;
};

// With a private Dovecot and its mailbox user carol.
class CorvexCheckTest : public CorvexCheckHome {
  protected:
    void SetUp() override {
        CorvexCheckHome::SetUp();
        PELMORA_REQUIRE_DOVECOT(dovecot);
        ASSERT_TRUE(dovecot.AddUser(kUser, kPassword)) << dovecot.error();
    }

    void Deliver(const std::string& message, const std::string& user = kUser) {
        ASSERT_TRUE(dovecot.Deliver(user, message)) << dovecot.error();
    }
    std::vector<std::string> OneAccount(const std::string& user = kUser) {
        return {"--server", dovecot.host(), "--port", std::to_string(dovecot.port()), "--user", user};
    }
    static std::map<std::string, std::string> Password(const std::string& password = kPassword) {
        return {{"PELMORA_PASSWORD", password}};
    }
    std::string Label(const std::string& user = kUser) const { return user + "@" + dovecot.host(); }

    // A profile value written into the settings file before the program runs.
    void SetProfileValue(const char* name, const char* text) {
        platform::Registry registry;
        ASSERT_EQ(registry.open_file(home.string()), platform::RegStatus::ok);
        corvex::settings::ValueStore values(registry);
        const auto key = corvex::settings::KeySelector::Profile(1);
        ASSERT_EQ(values.CreateKey(key), platform::RegStatus::ok);
        ASSERT_EQ(values.Write(key, name, text), platform::RegStatus::ok);
    }
    void SetAccountValue(int slot, const char* name, const char* text) {
        platform::Registry registry;
        ASSERT_EQ(registry.open_file(home.string()), platform::RegStatus::ok);
        corvex::settings::ValueStore values(registry);
        ASSERT_EQ(values.Write(corvex::settings::KeySelector::Account(1, slot), name, text),
                  platform::RegStatus::ok);
    }
    // SpamList.999 with one subject pattern (mode 0 deletes at once, 1 asks first).
    void WriteSpamPattern(const std::string& subject_pattern_utf8, int mode) {
        corvex::SpamPattern pattern;
        const corvex::SpamCondition off{corvex::kSpamKindIgnore, Sjis("条件にしない")};
        pattern.recipient = pattern.sender = pattern.mailer = off;
        pattern.subject = {corvex::kSpamKindPattern, Sjis(subject_pattern_utf8)};
        pattern.attachment = pattern.type = 2;
        pattern.mode = mode;
        const fs::path data = home / "Quillon" / "Corvex";
        fs::create_directories(data);
        std::ofstream(data / "SpamList.999", std::ios::binary)
            << corvex::FormatSpamLine(corvex::EncodeSpamPattern(pattern)) << "\r\n";
    }

    pelmora_test::DovecotServer dovecot;
};

TEST_F(CorvexCheckTest, SavedAccountIsCheckedByTheProfileFormAndASecondCheckFindsNothingNew) {
    const std::string japanese = JapaneseMail();
    Deliver(japanese);
    Deliver(PlainMail(2, "hello"));

    ProgramResult first = Check(With(OneAccount(), {"--save"}), Password());
    ASSERT_EQ(first.status, 1) << first.out << first.err;
    EXPECT_THAT(first.err, HasSubstr("saved " + Label() + " as account 0 of profile 1"));
    const std::vector<std::string> lines = Lines(first.out);
    ASSERT_EQ(lines.size(), 3u) << first.out;
    EXPECT_EQ(lines[0], Label() + ": 2 new");
    // Newest first (CHKDspSort "ON"); names and subjects decoded to UTF-8.
    EXPECT_EQ(lines[1], "  [1] Sender 2<sender2@example.com> | hello | sent 2024/01/01 10:02 | received "
                        "2024/01/01 10:02 | " +
                            std::to_string(ServerSize(PlainMail(2, "hello"))) + " | new");
    EXPECT_EQ(lines[2], "  [2] 佐藤花子<sato@example.jp> | 見積書の送付 | sent 2024/01/01 09:59 | received "
                        "2024/01/01 10:00 | " +
                            std::to_string(ServerSize(japanese)) + " | new");

    // Stored in slot 0, the password encoded as the settings store keeps it.
    EXPECT_EQ(AccountValue(0, "POP3Server"), dovecot.host());
    EXPECT_EQ(AccountValue(0, "POP3UserName"), kUser);
    EXPECT_EQ(AccountValue(0, "POP3PortNum"), std::to_string(dovecot.port()));
    EXPECT_EQ(AccountValue(0, "POP3PassWord"), corvex::settings::EncodePassword(kPassword));

    // The profile form needs no password now; the mailbox is unchanged.
    ProgramResult second = Check({});
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_EQ(second.out, Label() + ": nothing new\n");

    // One more message: only that one is new.
    Deliver(PlainMail(3, "third"));
    ProgramResult third = Check({});
    EXPECT_EQ(third.status, 1) << third.out << third.err;
    const std::vector<std::string> after = Lines(third.out);
    ASSERT_EQ(after.size(), 2u) << third.out;
    EXPECT_EQ(after[0], Label() + ": 1 new");
    EXPECT_THAT(after[1], HasSubstr("| third |"));
}

TEST_F(CorvexCheckTest, ASecondSavedAccountTakesTheNextSlotAndAPausedOneIsNotChecked) {
    ASSERT_TRUE(dovecot.AddUser("dave", "pw-dave")) << dovecot.error();
    Deliver(PlainMail(1, "for dave"), "dave");
    ASSERT_EQ(Check(With(OneAccount(), {"--save"}), Password()).status, 0);
    ASSERT_EQ(Check(With(OneAccount("dave"), {"--save", "--apop"}), Password("pw-dave")).status, 1);
    // Saving carol again updates her slot instead of taking a new one.
    ASSERT_EQ(Check(With(OneAccount(), {"--save"}), Password()).status, 0);
    EXPECT_EQ(AccountValue(1, "POP3UserName"), "dave");
    EXPECT_EQ(AccountValue(1, "POP3Mode"), "APOP");
    EXPECT_EQ(AccountValue(2, "POP3UserName"), "");

    SetAccountValue(0, "CHKACC", "OFF");
    Deliver(PlainMail(2, "for carol"));
    ProgramResult result = Check({});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(result.out, Label() + ": paused\n" + Label("dave") + ": nothing new\n");
}

TEST_F(CorvexCheckTest, ARefusedLoginFailsWithTheReportsErrorText) {
    Deliver(PlainMail(1, "unseen"));
    ProgramResult result = Check(OneAccount(), Password("wrong"));
    EXPECT_EQ(result.status, 3) << result.out << result.err;
    EXPECT_EQ(result.out, Label() + ": failed: 認証ｴﾗｰ(ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞが違います)\n");
}

TEST_F(CorvexCheckTest, SpamIsDeletedAtOnceOrKeptWhenNoTerminalCanConfirm) {
    SetProfileValue("CheckSpam", "ON");
    const std::string spam = "=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoOiMkOSQwGyhC?="; // 未承諾広告※今すぐ
    Deliver(PlainMail(1, "ordinary"));
    Deliver(PlainMail(2, spam));

    WriteSpamPattern("*未承諾広告*", 1); // ask first: nobody to ask here
    ProgramResult kept = Check(OneAccount(), Password());
    EXPECT_EQ(kept.status, 1) << kept.out << kept.err;
    EXPECT_THAT(kept.out, HasSubstr("| 未承諾広告※今すぐ | sent 2024/01/01 10:02"));
    EXPECT_THAT(kept.out, HasSubstr("| spam kept\n"));
    EXPECT_THAT(kept.err, HasSubstr("no terminal"));
    EXPECT_EQ(dovecot.MessageFileCount(kUser), 2);

    WriteSpamPattern("*未承諾広告*", 0); // at once
    ProgramResult deleted = Check(OneAccount(), Password());
    EXPECT_EQ(deleted.status, 0) << deleted.out << deleted.err;
    EXPECT_EQ(deleted.out,
              Label() + ": nothing new\n"
                        "  spam deleted: sender2@example.com | 未承諾広告※今すぐ | sent 2024/01/01 10:02\n");
    EXPECT_EQ(dovecot.MessageFileCount(kUser), 1);
}

TEST_F(CorvexCheckTest, OnATerminalThePasswordIsTypedUnseenAndSpamIsConfirmedOrKeptAfterTheCountdown) {
    SetProfileValue("CheckSpam", "ON");
    SetProfileValue("SpamCloseSec", "10"); // the shortest countdown
    WriteSpamPattern("*未承諾広告*", 1);
    const std::string spam = "=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoOiMkOSQwGyhC?=";
    Deliver(PlainMail(1, "ordinary"));
    Deliver(PlainMail(2, spam)); // visited last: nobody answers, the countdown keeps it
    Deliver(PlainMail(3, spam)); // visited first: deleted on "y"

    std::vector<std::string> args = With({"--home", home.string()}, OneAccount());
    ProgramResult result =
        cli_test::RunOnTerminal(CORVEX_CHECK_EXE, args, {{"TZ", "JST-9"}},
                                {{"Password for " + Label() + ": ", std::string(kPassword) + "\n"},
                                 {"[y/n/s] ", "y\n"},
                                 {"deleting the message", ""},
                                 {"あと10秒で", ""}});
    EXPECT_THAT(result.err, IsEmpty());
    EXPECT_EQ(result.status, 1) << result.out;
    EXPECT_THAT(result.out, Not(HasSubstr(kPassword)));
    EXPECT_THAT(result.out,
                HasSubstr("スパムパターンに一致するメールが来ています。削除してもよろしいですか？"));
    EXPECT_THAT(result.out, HasSubstr("あと1秒でこのﾀﾞｲｱﾛｸﾞを閉じます。"));
    EXPECT_THAT(result.out, HasSubstr("keeping the message"));
    EXPECT_THAT(result.out,
                HasSubstr("  [1] Sender 2<sender2@example.com> | 未承諾広告※今すぐ | sent 2024/01/01 10:02"));
    EXPECT_THAT(result.out, HasSubstr("| spam kept\r\n"));
    EXPECT_THAT(result.out,
                HasSubstr("  spam deleted: sender3@example.com | 未承諾広告※今すぐ | sent 2024/01/01 10:03"));
    EXPECT_EQ(dovecot.MessageFileCount(kUser), 2);
}

// Shown texts come from mail and servers: no control character of theirs reaches the terminal.
TEST(TerminalText, ControlCharactersShowAsAPlaceholder) {
    const std::string p = corvex_check::kControlPlaceholder;
    struct Case {
        std::string sjis;
        std::string shown;
    };
    const Case cases[] = {
        {"plain text", "plain text"},
        {"\x1b[2Jcleared", p + "[2Jcleared"},
        {"\x1b]0;title\x07", p + "]0;title" + p},
        {"a\tb\r\nc", "a" + p + "b" + p + p + "c"},
        {std::string("a\0b", 3), "a" + p + "b"},
        {"\x7f", p},
        {"\x82\xa0\x95\x5c", "あ表"}, // 0x5C as a trail byte is no control
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(corvex_check::ToTerminal(c.sjis), c.shown);
    }
    // No byte, alone or as a lead byte, turns into a C0, DEL or C1 control.
    for (int b = 0; b < 256; ++b) {
        for (const std::string& text :
             {std::string(1, static_cast<char>(b)), std::string(1, static_cast<char>(b)) + "\x80"}) {
            const std::string shown = corvex_check::ToTerminal(text);
            for (std::size_t i = 0; i < shown.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(shown[i]);
                EXPECT_FALSE(c < 0x20 || c == 0x7F) << "byte " << b;
                const bool c1 =
                    c == 0xC2 && i + 1 < shown.size() && static_cast<unsigned char>(shown[i + 1]) < 0xA0;
                EXPECT_FALSE(c1) << "byte " << b;
            }
        }
    }
    EXPECT_EQ(corvex_check::ToTerminalLines("one\r\ntwo\x1b", "\n  "), "one\n  two" + p);
}

TEST(SpamLogView, RecordsAreReadAsCsv) {
    using Fields = std::vector<std::string>;
    struct Case {
        std::string record;
        Fields fields;
    };
    const Case cases[] = {
        {"2024/01/01 10:00,\"to@x\",\"a@x\",\"sub\",\"m\" ,\"y\",\"t\",\"s\",\"r\"",
         {"2024/01/01 10:00", "to@x", "a@x", "sub", "m", "y", "t", "s", "r"}},
        {"d,\"a, b\",\"x\"", {"d", "a, b", "x"}},
        {"d,\"say \"\"hi\"\", ok\",\"x\"", {"d", "say \"hi\", ok", "x"}},
        {"d,\"a\"\",\"\"b\",\"\"", {"d", "a\",\"b", ""}},
        {"d,\"\"\"\" , \"'=HYPERLINK(1)\"", {"d", "\"", "'=HYPERLINK(1)"}},
        // An older log wrote quotes inside a value as they were.
        {"d,\"say \"hi\" now\",\"x\"", {"d", "say \"hi\" now", "x"}},
        {"d", {"d"}},
        {"d,", {"d", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        EXPECT_EQ(corvex_check::SplitSpamLogRecord(c.record), c.fields);
    }
}

TEST_F(CorvexCheckTest, EscapeSequencesInAMailDoNotReachTheTerminal) {
    // A raw subject with a title change and a screen clear; a sender name whose encoded word
    // (UTF-8) holds a colour change and a C1 CSI (U+009B).
    Deliver("Message-ID: <esc@example.com>\n"
            "From: =?UTF-8?B?G1szMW1yZWTCm20=?= <esc@example.com>\n"
            "Subject: \x1b]0;pwned\x07 hi \x1b[2J\n"
            "\n"
            "body\n");
    ProgramResult result = Check(OneAccount(), Password());
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    const std::string p = corvex_check::kControlPlaceholder;
    EXPECT_THAT(result.out, HasSubstr("| " + p + "]0;pwned" + p + " hi " + p + "[2J |"));
    EXPECT_THAT(result.out, HasSubstr(p + "[31mred"));
    for (const char c : {'\x1b', '\x07', '\r'})
        EXPECT_EQ(result.out.find(c), std::string::npos) << int(c) << result.out;
    EXPECT_EQ(result.out.find("\xC2\x9B"), std::string::npos) << result.out;
}

// A server that drops the line after the first of two messages: the news are shown, and the
// exit status says that the account failed.
TEST_F(CorvexCheckHome, NewMailThenAFailureExitsWithThree) {
    auto top = [](int n) {
        const std::string id = std::to_string(n);
        return "C: TOP " + id + " 20\nS: +OK\nS: From: s" + id + "@example.com\nS: Subject: message " + id +
               "\nS: Message-ID: <m" + id + "@example.com>\nS: \nS: body\nS: .\n";
    };
    pelmora_test::FakePop3Server server("S: +OK ready\nC: USER bob\nS: +OK\nC: PASS pw\nS: +OK\n"
                                        "C: STAT\nS: +OK 2 320\nC: LIST 2\nS: +OK 2 160\n" +
                                        top(2) + "C: LIST 1\nCLOSE\n");
    ProgramResult result =
        Check({"--server", "127.0.0.1", "--port", std::to_string(server.port()), "--user", "bob"},
              {{"PELMORA_PASSWORD", "pw"}});
    EXPECT_EQ(result.status, 3) << result.out << result.err;
    EXPECT_THAT(result.out, HasSubstr("bob@127.0.0.1: 1 new, then failed: "));
    EXPECT_THAT(result.out, HasSubstr("| message 2 |"));
}

// Values stored as numbers or bytes, as another program may leave them, take their defaults:
// the check runs.
std::string Quoted(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

TEST_F(CorvexCheckHome, SettingsOfTheWrongTypeTakeTheirDefaults) {
    pelmora_test::FakePop3Server server("S: +OK ready\nC: USER bob\nS: +OK\nC: PASS pw\nS: +OK\n"
                                        "C: STAT\nS: +OK 0 0\nC: QUIT\nS: +OK\n");
    fs::create_directories(home);
    std::ofstream(home / "pelmora.reg", std::ios::binary)
        << "REGEDIT4\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98]\r\n"
           "\"ToutTime\"=dword:0000005a\r\n"
           "\"CheckNew\"=hex:4f,4e\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\0]\r\n"
           "\"POP3Server\"=\"127.0.0.1\"\r\n"
           "\"POP3UserName\"=\"bob\"\r\n"
           "\"POP3PassWord\"=\""
        << Quoted(corvex::settings::EncodePassword("pw"))
        << "\"\r\n"
           "\"POP3PortNum\"=\""
        << server.port()
        << "\"\r\n"
           "\"CHKACC\"=dword:00000001\r\n";
    ProgramResult result = Check({});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "bob@127.0.0.1: nothing new\n");
    EXPECT_THAT(result.err, HasSubstr("defaults apply"));
}

// Two corvex-check processes on one data folder: the second waits for the first up to ToutTime
// and then runs, or reports that another check is running and contacts no server.
TEST_F(CorvexCheckHome, ASecondCheckOfTheSameFolderWaitsForTheFirst) {
    // The first check takes about 6 s: its server pauses 2 s before each of three replies.
    const std::string slow = "STALL 2000\nS: +OK ready\nC: USER bob\nSTALL 2000\nS: +OK\nC: PASS pw\n"
                             "STALL 2000\nS: +OK\nC: STAT\nS: +OK 0 0\nC: QUIT\nS: +OK\n";
    const std::string quick = "S: +OK ready\nC: USER bob\nS: +OK\nC: PASS pw\nS: +OK\nC: STAT\nS: +OK 0 0\n"
                              "C: QUIT\nS: +OK\n";
    auto account = [](const pelmora_test::FakePop3Server& server) {
        return std::vector<std::string>{"--server", "127.0.0.1", "--port", std::to_string(server.port()),
                                        "--user",   "bob"};
    };
    auto set_tout_time = [&](const char* seconds) {
        platform::Registry registry;
        ASSERT_EQ(registry.open_file(home.string()), platform::RegStatus::ok);
        corvex::settings::ValueStore values(registry);
        ASSERT_EQ(values.CreateKey(corvex::settings::KeySelector::Profile(1)), platform::RegStatus::ok);
        ASSERT_EQ(values.Write(corvex::settings::KeySelector::Profile(1), "ToutTime", seconds),
                  platform::RegStatus::ok);
    };
    const std::map<std::string, std::string> pw = {{"PELMORA_PASSWORD", "pw"}};

    struct Case {
        const char* tout_time;
        bool second_runs;
    };
    for (const Case c : {Case{"3", false}, Case{"20", true}}) {
        SCOPED_TRACE(c.tout_time);
        set_tout_time(c.tout_time);
        pelmora_test::FakePop3Server first_server(slow), second_server(quick);
        auto first = std::async(std::launch::async, [&] { return Check(account(first_server), pw); });
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        const auto start = std::chrono::steady_clock::now();
        const ProgramResult second = Check(account(second_server), pw);
        const auto waited = std::chrono::steady_clock::now() - start;
        const ProgramResult first_result = first.get();

        EXPECT_EQ(first_result.status, 0) << first_result.out << first_result.err;
        EXPECT_EQ(first_result.out, "bob@127.0.0.1: nothing new\n");
        if (c.second_runs) {
            EXPECT_EQ(second.status, 0) << second.out << second.err;
            EXPECT_EQ(second.out, "bob@127.0.0.1: nothing new\n");
            EXPECT_GE(waited, std::chrono::seconds(4)) << "it ran after the first";
        } else {
            EXPECT_EQ(second.status, 3) << second.out << second.err;
            EXPECT_THAT(second.out, IsEmpty());
            EXPECT_THAT(second.err,
                        HasSubstr("他のメールチェックが実行中のため、メールチェックできませんでした。"));
            EXPECT_EQ(second_server.Finish(), "") << "no server contact";
        }
    }
}

// --watch runs until Ctrl-C and then exits with 130, as the interrupt key does everywhere.
TEST_F(CorvexCheckHome, WatchEndsOnTheInterruptKeyWith130) {
    pelmora_test::FakePop3Server server("S: +OK ready\nC: USER bob\nS: +OK\nC: PASS pw\nS: +OK\n"
                                        "C: STAT\nS: +OK 0 0\nC: QUIT\nS: +OK\n");
    const ProgramResult result =
        cli_test::RunAndInterrupt(CORVEX_CHECK_EXE,
                                  {"--home", home.string(), "--server", "127.0.0.1", "--port",
                                   std::to_string(server.port()), "--user", "bob", "--watch"},
                                  {{"PELMORA_PASSWORD", "pw"}}, "Ctrl-C stops");
    EXPECT_EQ(result.status, 130) << result.out << result.err;
    EXPECT_EQ(result.out, "bob@127.0.0.1: nothing new\n");
}

TEST_F(CorvexCheckHome, BadUsageExitsWithTwoAndTouchesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"stray"},
        {"--profile"},
        {"--profile", "0"},
        {"--profile", "11"},
        {"--profile", "2x"},
        {"--server", "127.0.0.1"}, // no --user
        {"--user", "carol"},       // no --server
        {"--save"},                // nothing to save
        {"--server", "127.0.0.1", "--user", "u", "--port", "0"},
        {"--server", "127.0.0.1", "--user", "u", "--port", "65536"},
        {"--server", "127.0.0.1", "--user", "u", "--watch=yes"},
        {"--server", "127.0.0.1", "--user", "u"}, // no password, no terminal
    };
    for (const auto& args : cases) {
        ProgramResult result = Check(args);
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        EXPECT_EQ(result.status, 2) << shown << result.out << result.err;
        EXPECT_THAT(result.err, HasSubstr("corvex-check: ")) << shown;
        EXPECT_THAT(result.out, IsEmpty()) << shown;
    }
    EXPECT_FALSE(fs::exists(home / "pelmora.reg"));

    ProgramResult help = Check({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: corvex-check"));
    EXPECT_THAT(help.err, IsEmpty());
}

TEST_F(CorvexCheckHome, SaveRefusesTextsTooLongForTheirFieldsAndKeepsTheCurrentProfile) {
    // Nothing listens on port 1: each check below fails after the save.
    const std::vector<std::string> account = {"--server", "127.0.0.1", "--port", "1",
                                              "--user",   "erin",      "--save"};
    ProgramResult cut = Check(account, {{"PELMORA_PASSWORD", "twenty-bytes-secret!"}});
    EXPECT_EQ(cut.status, 3) << cut.out << cut.err;
    EXPECT_THAT(cut.err, HasSubstr("password is longer than 19 bytes"));
    EXPECT_THAT(cut.out, IsEmpty());
    EXPECT_EQ(AccountValue(0, "POP3UserName"), "<missing>");

    ProgramResult saved =
        Check(With({"--profile", "2"}, account), {{"PELMORA_PASSWORD", "nineteen-bytes-pw!!"}});
    EXPECT_EQ(saved.status, 3) << saved.out << saved.err;
    EXPECT_THAT(saved.out, HasSubstr("erin@127.0.0.1: failed: "));
    EXPECT_EQ(AccountValue(0, "POP3UserName", 2), "erin");
    EXPECT_EQ(AccountValue(0, "POP3PassWord", 2), corvex::settings::EncodePassword("nineteen-bytes-pw!!"));
    // Saving profile 2 leaves the tray program on profile 1.
    EXPECT_EQ(RootValue("CurrentProfID"), "1");
}

TEST_F(CorvexCheckHome, AnEmptyProfileIsAFailureThatSaysHowToAddAnAccount) {
    ProgramResult result = Check({"--profile", "3"});
    EXPECT_EQ(result.status, 3);
    EXPECT_THAT(result.err, HasSubstr("profile 3 has no account"));
    EXPECT_THAT(result.err, HasSubstr("--save"));
}

} // namespace
