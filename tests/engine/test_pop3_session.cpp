// The POP3 session against a scripted fake server: greetings, logins, one-line and
// multi-line replies, the line reader's cut and strip rules, timeouts, a closed connection,
// Cancel, and the report texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "corvex/engine/pop3_session.h"
#include "cp932.h"
#include "platform/socket.h"
#include "platform/wait.h"
#include "support/fake_pop3_server.h"
#include "support/recording_ui.h"

namespace {

using namespace std::chrono_literals;
using corvex::Pop3Session;
using corvex::TrayStep;
using pelmora_test::FakePop3Server;
using pelmora_test::FakeScript;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kLoopback[] = "127.0.0.1";

std::string Utf8(const std::string& sjis) {
    return dorvik::cp932_to_utf8(sjis);
}

std::string ErrorText(const Pop3Session& session, int code) {
    std::string text;
    session.PopErrorText(code, text);
    return Utf8(text);
}

using test_support::RecordingUi;

class Pop3SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::clear_cancel();
        session.SetTimeout(5s);
    }
    void TearDown() override { platform::clear_cancel(); }

    // Starts a fake server with the script and connects to it for USER/PASS.
    void Start(const FakeScript& script) {
        server = std::make_unique<FakePop3Server>(script);
        std::string stamp = corvex::kPopNoTimestamp;
        ASSERT_EQ(session.PopConnect(kLoopback, server->port(), stamp), 0);
    }
    void Start(std::string_view script) { Start(FakeScript::Parse(script)); }

    // Ends the dialogue and checks that the client sent exactly what the script expects.
    void ExpectTranscript(const FakeScript& script) {
        session.Close();
        EXPECT_EQ(server->Finish(), script.ClientTranscript());
        EXPECT_THAT(server->problems(), IsEmpty());
    }

    std::string ReadLine(int& got, std::size_t size = corvex::kPopReplySize) {
        std::vector<char> buffer(size, 'X');
        got = session.PopReadLine(buffer.data(), buffer.size());
        return buffer.data();
    }

    RecordingUi ui;
    Pop3Session session{ui};
    std::unique_ptr<FakePop3Server> server;
};

// ---- connect and greeting -------------------------------------------------------------

TEST_F(Pop3SessionTest, GreetingDecidesConnectAndTimestamp) {
    struct Case {
        const char* name;
        const char* script;
        const char* stamp_in;
        int code;
        const char* stamp_out;
        const char* text;
    };
    const Case cases[] = {
        {"no time-stamp, USER/PASS", "S: +OK POP3 ready\nC: QUIT\nS: +OK", "NONE", 0, "NONE", ""},
        {"time-stamp", "S: +OK <1896.697170952> ready\nC: QUIT\nS: +OK", "", 0, "<1896.697170952>", ""},
        {"stamp at the end", "S: +OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\nC: QUIT\nS: +OK",
         "", 0, "<1896.697170952@dbc.mtview.ca.us>", ""},
        {"APOP without time-stamp", "S: +OK POP3 ready", "", -6, "", "ｻｰﾊﾞｰｴﾗｰ(APOP未対応)"},
        {"'>' before any '<'", "S: +OK ready> <1.2@x>", "", -6, "", "ｻｰﾊﾞｰｴﾗｰ(APOP未対応)"},
        {"'<' without '>'", "S: +OK ready <1.2@x", "", -6, "", "ｻｰﾊﾞｰｴﾗｰ(APOP未対応)"},
        {"negative greeting", "S: -ERR busy", "NONE", -5, "NONE", "ﾀｲﾑｱｳﾄ(-5)"},
        {"web server", "S: HTTP/1.1 400 Bad Request", "NONE", -12, "NONE",
         "ｻｰﾊﾞｰｴﾗｰ(POP3ｻｰﾊﾞｰの応答ではありません)"},
        {"binary garbage", "R: \\x16\\x03\\x01\\x00\\r\\n", "", -12, "",
         "ｻｰﾊﾞｰｴﾗｰ(POP3ｻｰﾊﾞｰの応答ではありません)"},
        {"closed at once", "CLOSE", "NONE", -5, "NONE", "ﾀｲﾑｱｳﾄ(-5)"},
        {"no greeting in time", "STALL 3000", "NONE", -5, "NONE", "ﾀｲﾑｱｳﾄ(-5)"},
    };
    session.SetTimeout(1s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeScript script = FakeScript::Parse(c.script);
        FakePop3Server fake(script);
        std::string stamp = c.stamp_in;
        EXPECT_EQ(session.PopConnect(kLoopback, fake.port(), stamp), c.code);
        EXPECT_EQ(stamp, c.stamp_out);
        if (c.code == 0) {
            EXPECT_TRUE(session.is_open());
            session.PopQuit();
        } else {
            EXPECT_FALSE(session.is_open()) << "a failed connect leaves nothing open";
            EXPECT_EQ(ErrorText(session, c.code), c.text);
        }
        EXPECT_FALSE(session.is_open());
        EXPECT_EQ(fake.Finish(), script.ClientTranscript());
        EXPECT_THAT(fake.problems(), IsEmpty());
    }
}

TEST_F(Pop3SessionTest, ConnectFailuresHaveTheirCodes) {
    std::uint16_t unused_port = 0;
    {
        platform::Listener listener;
        ASSERT_EQ(listener.open(), platform::IoStatus::ok);
        unused_port = listener.port();
    }
    std::string stamp = corvex::kPopNoTimestamp;
    EXPECT_EQ(session.PopConnect(kLoopback, unused_port, stamp), corvex::kPopConnectError);
    EXPECT_EQ(ErrorText(session, corvex::kPopConnectError), "socketの接続ｴﾗｰ(-4)");
    EXPECT_EQ(session.PopConnect(kLoopback, 0, stamp), corvex::kPopConnectError);
    EXPECT_EQ(session.PopConnect(kLoopback, 70000, stamp), corvex::kPopConnectError);
    EXPECT_EQ(session.PopConnect("no-such-host.invalid", 110, stamp), corvex::kPopHostError);
    EXPECT_EQ(ErrorText(session, corvex::kPopHostError), "ｻｰﾊﾞｰのﾎｽﾄｴﾝﾄﾘ取得ｴﾗｰ(-2)");
    EXPECT_FALSE(session.is_open());
}

// ---- login ----------------------------------------------------------------------------

TEST_F(Pop3SessionTest, ApopSendsDigestOfTimestampAndPassword) {
    struct Case {
        const char* greeting;
        const char* stamp;
        const char* password;
        const char* digest;
    };
    // The first is the example of RFC 1939; the digests were computed independently.
    const Case cases[] = {
        {"+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>", "<1896.697170952@dbc.mtview.ca.us>",
         "tanstaaf", "c4c9334bac560ecc979e58001b3e22fb"},
        {"+OK <1896.697170952> ready", "<1896.697170952>", "tanstaaf", "bdb61dc2f64e6e21a103d908f9604d4a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.greeting);
        const FakeScript script = FakeScript()
                                      .Reply(c.greeting)
                                      .Expect(std::string("APOP mrose ") + c.digest)
                                      .Reply("+OK maildrop has 1 message")
                                      .Expect("QUIT")
                                      .Reply("+OK bye");
        FakePop3Server fake(script);
        std::string stamp;
        ASSERT_EQ(session.PopConnect(kLoopback, fake.port(), stamp), 0);
        EXPECT_EQ(stamp, c.stamp);
        EXPECT_EQ(session.PopLoginApop("mrose", c.password, stamp), 0);
        session.PopQuit();
        EXPECT_EQ(fake.Finish(), script.ClientTranscript());
    }
}

TEST_F(Pop3SessionTest, RefusedApopIsAuthError) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK <1.2@host>
        C: APOP bob df68dac4efbd2209cc50ce36148b9eb1
        S: -ERR permission denied
    )");
    server = std::make_unique<FakePop3Server>(script);
    std::string stamp;
    ASSERT_EQ(session.PopConnect(kLoopback, server->port(), stamp), 0);
    EXPECT_EQ(session.PopLoginApop("bob", "secret", stamp), corvex::kPopAuthError);
    EXPECT_EQ(ErrorText(session, corvex::kPopAuthError), "認証ｴﾗｰ(ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞが違います)");
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, UserPassJudgesOnlyThePassReply) {
    struct Case {
        const char* name;
        const char* user_reply;
        const char* after_pass; // the server's part after PASS
        int code;
    };
    const Case cases[] = {
        {"both accepted", "+OK", "S: +OK logged in", 0},
        {"USER refused, PASS still sent", "-ERR who?", "S: +OK logged in", 0},
        {"PASS refused", "+OK", "S: -ERR invalid password", -8},
        {"closed after PASS", "+OK", "CLOSE", -8},
        {"no PASS reply in time", "+OK", "STALL 3000", -8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeScript script = FakeScript::Parse(std::string("S: +OK ready\nC: USER bob\nS: ") +
                                                    c.user_reply + "\nC: PASS secret\n" + c.after_pass);
        Start(script);
        session.SetTimeout(1s);
        EXPECT_EQ(session.PopLoginUser("bob", "secret"), c.code);
        ExpectTranscript(script);
    }
}

TEST_F(Pop3SessionTest, OverlongCredentialsAreRefusedBeforeAnythingIsSent) {
    // "USER " or "PASS " and the text must fit the 127 characters of a command line;
    // "APOP " , the user, a blank and the 32-digit digest likewise.
    const std::string user122(122, 'u');
    const std::string pass122(122, 'p');
    const FakeScript script = FakeScript()
                                  .Reply("+OK <1.2@host>")
                                  .Expect("USER " + user122)
                                  .Reply("+OK")
                                  .Expect("PASS " + pass122)
                                  .Reply("+OK");
    server = std::make_unique<FakePop3Server>(script);
    std::string stamp;
    ASSERT_EQ(session.PopConnect(kLoopback, server->port(), stamp), 0);
    EXPECT_EQ(session.PopLoginUser(user122 + "u", "pw"), corvex::kPopTooLong);
    EXPECT_EQ(session.PopLoginUser("bob", pass122 + "p"), corvex::kPopTooLong);
    EXPECT_EQ(session.PopLoginApop(std::string(90, 'a'), "pw", stamp), corvex::kPopTooLong);
    EXPECT_EQ(ErrorText(session, corvex::kPopTooLong), "ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞが長すぎます。");
    EXPECT_EQ(session.PopLoginUser(user122, pass122), 0);
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, LineBreaksAndNulInCredentialsAreRefusedBeforeAnythingIsSent) {
    // "secret\r\nDELE 1" as a password would otherwise send a DELE of its own.
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string user;
        std::string password;
    };
    const Case cases[] = {
        {"CR LF in the password", "bob", "secret\r\nDELE 1"}, {"LF in the password", "bob", "secret\nDELE 1"},
        {"CR in the user name", "bob\rDELE 1", "secret"},     {"NUL in the user name", "bob\0x"s, "secret"},
        {"NUL in the password", "bob", "sec\0ret"s},
    };
    const FakeScript script = FakeScript()
                                  .Reply("+OK <1.2@host>")
                                  .Expect("USER bob")
                                  .Reply("+OK")
                                  .Expect("PASS secret")
                                  .Reply("+OK");
    server = std::make_unique<FakePop3Server>(script);
    std::string stamp;
    ASSERT_EQ(session.PopConnect(kLoopback, server->port(), stamp), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(session.PopLoginUser(c.user, c.password), corvex::kPopBadCredentials);
        EXPECT_EQ(session.PopLoginApop(c.user, c.password, stamp), corvex::kPopBadCredentials);
    }
    EXPECT_EQ(ErrorText(session, corvex::kPopBadCredentials),
              "ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞに使えない文字(改行など)があります。");
    // Nothing reached the server: the next login is the first thing it sees.
    EXPECT_EQ(session.PopLoginUser("bob", "secret"), 0);
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, ApopUserOfEightyNineCharactersFits) {
    // The command line is exactly 127 characters and goes out whole.
    const std::string user(89, 'a');
    const FakeScript script = FakeScript()
                                  .Reply("+OK <1.2@host>")
                                  .Expect("APOP " + user + " 9efd8f742dc138171923c50a4da31186")
                                  .Reply("+OK");
    server = std::make_unique<FakePop3Server>(script);
    std::string stamp;
    ASSERT_EQ(session.PopConnect(kLoopback, server->port(), stamp), 0);
    EXPECT_EQ(session.PopLoginApop(user, "pw", stamp), 0);
    ExpectTranscript(script);
    EXPECT_EQ(script.ClientTranscript().size(), 127u + 2u);
}

// ---- one-line commands and LIST -------------------------------------------------------

TEST_F(Pop3SessionTest, OneLineCommands) {
    struct Case {
        const char* command;
        const char* reply;
        int result;
        long long octets; // mailbox size after the command
    };
    const Case cases[] = {
        {"STAT", "+OK 2 320", 2, 320},
        {"STAT", "+OK 0 0", 0, 0},
        {"DELE 1", "+OK message 1 deleted", 0, 0},
        {"DELE 9", "-ERR no such message", -10, 0},
        {"STAT", "-ERR mailbox locked", -10, 0},
        {"STAT", "+OK", -10, 0},
        {"STAT", "+OK two 320", -10, 0},
        {"STAT", "+OK 3 4294967296", 3, 4294967296LL},
        {"STAT", "+OK 2 320 octets", 2, 320}, // words after the octets
        {"STAT", "+OK 4 1200 octets (maildrop)", 4, 1200},
        {"STAT", "+OK 1 extra 77", 1, 77}, // the octets are the last word
        {"STAT", "+OK 5", 5, 0},           // no octets given: the count still stands
    };
    FakeScript script;
    script.Reply("+OK ready");
    for (const Case& c : cases)
        script.Expect(c.command).Reply(c.reply);
    script.Expect("STAT").Stall(3000);
    Start(script);
    session.SetTimeout(1s);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " -> " + c.reply);
        EXPECT_EQ(session.PopCommand(c.command), c.result);
        if (c.result >= 0 && std::string(c.command) == "STAT") {
            EXPECT_EQ(session.mailbox_octets(), c.octets);
        }
    }
    EXPECT_EQ(session.PopCommand("STAT"), corvex::kPopTimeout) << "a one-line reply that times out";
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, ListSizeTexts) {
    struct Case {
        const char* reply;
        const char* text;
        long long octets;
    };
    const Case cases[] = {
        {"+OK 1 0", "0", 0},
        {"+OK 1 1023", "1023", 1023},
        {"+OK 1 1024", "1.0k", 1024},
        {"+OK 1 1536", "1.5k", 1536},
        {"+OK 1 1048575", "1024.0k", 1048575},
        {"+OK 1 1048576", "1.0M", 1048576},
        {"+OK 1 3145728", "3.0M", 3145728},
        {"+OK 1 5000000000", "4768.4M", 5000000000LL},
        {"-ERR no such message", "???", 0},
        {"+OK 1", "???", 0},
        {"+OK 1 abc", "???", 0},
        {"+OK", "???", 0},
    };
    FakeScript script;
    script.Reply("+OK ready");
    for (const Case& c : cases)
        script.Expect("LIST 1").Reply(c.reply);
    script.Expect("LIST 2").Stall(3000);
    Start(script);
    session.SetTimeout(1s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        std::string size;
        EXPECT_EQ(session.PopList(1, size), 0);
        EXPECT_EQ(size, c.text);
        EXPECT_EQ(session.list_octets(), c.octets);
    }
    std::string size = "old";
    EXPECT_EQ(session.PopList(2, size), 0) << "a LIST that times out is no error";
    EXPECT_EQ(size, "???");
    ExpectTranscript(script);
}

// ---- the line reader ------------------------------------------------------------------

TEST_F(Pop3SessionTest, LineReaderCutsStripsAndKeepsShortLines) {
    const std::string long_line(600, 'a');
    const FakeScript script = FakeScript()
                                  .Reply("+OK ready")
                                  .Send(long_line + "\r\nnext\r\n.\r\n\r\nabc  \r\nab\r\nx\r\n")
                                  .Send("hel")
                                  .Stall(200)
                                  .Send("lo\r\n")
                                  .Send("abcdefghijkl\r\ntail\r\n")
                                  .Close();
    Start(script);
    struct Want {
        std::string text;
        int got;
    };
    const Want wants[] = {
        {std::string(511, 'a'), 602}, // cut, but the whole line is consumed
        {"next", 6},
        {".\r", 3},  // the terminator keeps its CR
        {"\r\n", 2}, // the empty line stays CR LF
        {"abc", 7},  // blanks go too
        {"ab", 4},
        {"x\r", 3},
        {"hello", 7}, // arrived in two pieces
    };
    for (const Want& want : wants) {
        SCOPED_TRACE(want.text);
        int got = 0;
        EXPECT_EQ(ReadLine(got), want.text);
        EXPECT_EQ(got, want.got);
    }
    int got = 0;
    EXPECT_EQ(ReadLine(got, 8), "abcdefg") << "a buffer of 8 bytes holds 7 characters";
    EXPECT_EQ(got, 14);
    EXPECT_EQ(ReadLine(got, 8), "tail");
    EXPECT_EQ(ReadLine(got), "");
    EXPECT_EQ(got, 0) << "the server closed";
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, TrayIconAlternatesAroundEveryRead) {
    Start("S: +OK ready\nR: one\\r\\ntwo\\r\\nthree\\r\\n");
    int got = 0;
    ui.steps.clear();
    ReadLine(got);
    session.SetTrayPhase(2);
    ReadLine(got);
    session.SetDeleting(true);
    ReadLine(got);
    EXPECT_THAT(ui.steps, ElementsAre(TrayStep::Check1, TrayStep::Check2, TrayStep::Check3, TrayStep::Check4,
                                      TrayStep::Delete1, TrayStep::Delete2));
    ASSERT_FALSE(ui.tips.empty());
    EXPECT_EQ(ui.tips.back(), "ﾒｰﾙ削除中...");
}

// ---- multi-line replies ---------------------------------------------------------------

TEST_F(Pop3SessionTest, MultiLineReplyHandsEveryLineUpToTheTerminator) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: TOP 1 2
        R: +OK top follows\r\nFrom: a@example.com\r\nSubject: hi\r\n\r\n..leading dot\r\nx\r\n.\r\n
        C: TOP 2 0
        S: -ERR no such message
        C: STAT
        S: +OK 1 100
    )");
    Start(script);
    std::vector<std::string> lines;
    std::vector<long> counts;
    const auto collect = [&](std::string_view line, long count) {
        lines.emplace_back(line);
        counts.push_back(count);
    };
    EXPECT_EQ(session.PopMultiLine("TOP 1 2", collect), 0);
    EXPECT_THAT(lines, ElementsAre("From: a@example.com", "Subject: hi", "\r\n", ".leading dot", "x\r"));
    EXPECT_THAT(counts, ElementsAre(21, 13, 2, 15, 3));
    lines.clear();
    EXPECT_EQ(session.PopMultiLine("TOP 2 0", collect), corvex::kPopCommError);
    EXPECT_THAT(lines, IsEmpty());
    EXPECT_EQ(session.PopCommand("STAT"), 1) << "the terminator was consumed, the next reply is in step";
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, ServerThatStopsMidReplyTimesOut) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: TOP 1 20
        R: +OK\r\nFrom: a@example.com\r\nSubj
        STALL 3000
    )");
    Start(script);
    session.SetTimeout(1s);
    std::vector<std::string> lines;
    EXPECT_EQ(
        session.PopMultiLine("TOP 1 20", [&](std::string_view line, long) { lines.emplace_back(line); }),
        corvex::kPopWaitTimeout);
    EXPECT_THAT(lines, ElementsAre("From: a@example.com"));
    EXPECT_EQ(ErrorText(session, corvex::kPopWaitTimeout), "通信処理でﾀｲﾑｱｳﾄしました。");
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, ADribbledReplyIsBoundedByTheTimeoutAsAWhole) {
    // Each byte comes well within the timeout, the whole reply does not: the operation ends
    // when the timeout has passed since the command, not when the server is done.
    using Clock = std::chrono::steady_clock;
    struct Case {
        const char* name;
        const char* script;
        std::function<int(Pop3Session&)> operation;
        int code;
    };
    const auto connect = [this](Pop3Session& s) {
        std::string stamp = corvex::kPopNoTimestamp;
        return s.PopConnect(kLoopback, server->port(), stamp);
    };
    const Case cases[] = {
        {"greeting", "DRIBBLE 250 +OK ready\\r\\n", connect, corvex::kPopTimeout},
        {"one-line reply", "S: +OK ready\nC: STAT\nDRIBBLE 250 +OK 1 100\\r\\n",
         [&](Pop3Session& s) {
             EXPECT_EQ(connect(s), 0);
             return s.PopCommand("STAT");
         },
         corvex::kPopTimeout},
        {"lines of TOP",
         "S: +OK ready\nC: TOP 1 0\nR: +OK\\r\\n\nDRIBBLE 250 From: a\\r\\nSubject: b\\r\\n.\\r\\n",
         [&](Pop3Session& s) {
             EXPECT_EQ(connect(s), 0);
             return s.PopMultiLine("TOP 1 0", nullptr);
         },
         corvex::kPopWaitTimeout},
        {"body fetch", "S: +OK ready\nC: RETR 1\nDRIBBLE 250 +OK\\r\\nFrom: a\\r\\n\\r\\nbody\\r\\n.\\r\\n",
         [&](Pop3Session& s) {
             EXPECT_EQ(connect(s), 0);
             return s.PopFetchToFile("RETR 1", nullptr);
         },
         corvex::kPopWaitTimeout},
    };
    session.SetTimeout(1s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server = std::make_unique<FakePop3Server>(c.script);
        const auto start = Clock::now();
        EXPECT_EQ(c.operation(session), c.code);
        EXPECT_LT(Clock::now() - start, 1800ms) << "the reply took its time byte by byte";
        session.PopQuit();
        EXPECT_LT(Clock::now() - start, 3s) << "QUIT is not waited for beyond the timeout either";
        server->Finish();
    }
}

TEST_F(Pop3SessionTest, AfterAFailureQuitWaitsOnlyAFewSeconds) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: TOP 1 0
        STALL 1500
        C: QUIT
        STALL 20000
    )");
    Start(script);
    session.SetTimeout(1s);
    EXPECT_EQ(session.PopMultiLine("TOP 1 0", nullptr), corvex::kPopWaitTimeout);
    session.SetTimeout(20s);
    const auto start = std::chrono::steady_clock::now();
    session.PopQuit();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, corvex::kPopQuitWaitAfterFailure - 200ms) << "the QUIT reply is still waited for";
    EXPECT_LT(waited, corvex::kPopQuitWaitAfterFailure + 2s) << "not for the whole timeout";
    EXPECT_FALSE(session.is_open());
    EXPECT_EQ(server->Finish(), script.ClientTranscript());
}

TEST_F(Pop3SessionTest, FetchThatStopsMidReplyTimesOut) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: RETR 1
        R: +OK\r\nFrom: a@example.com\r\n\r\nbody
        STALL 3000
    )");
    Start(script);
    session.SetTimeout(1s);
    EXPECT_EQ(session.PopFetchToFile("RETR 1", nullptr), corvex::kPopWaitTimeout);
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, ReplyCutShortByACloseIsAnError) {
    // Without its terminator the reply is incomplete: never taken for the whole message.
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: RETR 1
        R: +OK\r\nFrom: a@example.com\r\n\r\nfirst half
        CLOSE
    )");
    Start(script);
    std::vector<std::string> written;
    EXPECT_EQ(session.PopFetchToFile("RETR 1", [&](std::string_view line) { written.emplace_back(line); }),
              corvex::kPopCommError);
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, ClosedConnectionFailsEveryCommand) {
    const FakeScript script = FakeScript::Parse("S: +OK ready\nC: STAT\nCLOSE");
    Start(script);
    EXPECT_EQ(session.PopCommand("STAT"), corvex::kPopCommError);
    std::string size;
    EXPECT_LE(session.PopList(1, size), 0);
    EXPECT_EQ(size, "???");
    EXPECT_EQ(session.PopMultiLine("TOP 1 0", nullptr), corvex::kPopCommError);
    EXPECT_EQ(session.PopLoginUser("bob", "pw"), corvex::kPopAuthError);
    session.PopQuit();
    EXPECT_FALSE(session.is_open());
    EXPECT_THAT(server->problems(), IsEmpty());
}

TEST_F(Pop3SessionTest, FetchWritesTheWorkFileAndShowsProgress) {
    const std::string message = "From: a@example.com\r\n"
                                "Subject: hi\r\n"
                                "\r\n"
                                "first body line\r\n"
                                "\r\n"
                                "x\r\n"
                                "..dot\r\n"
                                "last line of the body, long enough to count\r\n";
    const FakeScript script = FakeScript()
                                  .Reply("+OK ready")
                                  .Expect("LIST 1")
                                  .Reply("+OK 1 " + std::to_string(message.size()))
                                  .Expect("RETR 1")
                                  .Reply("+OK message follows")
                                  .Send(message + ".\r\n");
    Start(script);
    std::string size;
    ASSERT_EQ(session.PopList(1, size), 0);
    std::vector<std::string> written;
    EXPECT_EQ(session.PopFetchToFile("RETR 1", [&](std::string_view line) { written.emplace_back(line); }),
              0);
    EXPECT_THAT(written, ElementsAre("---HEAD ST---", "From: a@example.com", "Subject: hi", "",
                                     "---BODY ST---", "first body line", "", "x", ".dot",
                                     "last line of the body, long enough to count"));
    ASSERT_FALSE(ui.positions.empty());
    EXPECT_TRUE(std::is_sorted(ui.positions.begin(), ui.positions.end()));
    EXPECT_EQ(ui.positions.back(), 10) << "every byte of the LIST size arrived";
    EXPECT_EQ(ui.statuses.size(), ui.positions.size());
    EXPECT_EQ(ui.statuses.front(), "受信中...");
    ExpectTranscript(script);
}

TEST_F(Pop3SessionTest, FetchWithoutKnownSizeShowsNoProgress) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: TOP 1 5
        R: +OK\r\nSubject: a\r\n\r\nbody\r\n.\r\n
    )");
    Start(script);
    std::vector<std::string> written;
    EXPECT_EQ(session.PopFetchToFile("TOP 1 5", [&](std::string_view line) { written.emplace_back(line); }),
              0);
    EXPECT_THAT(written, ElementsAre("---HEAD ST---", "Subject: a", "", "---BODY ST---", "body"));
    EXPECT_THAT(ui.positions, IsEmpty());
    ExpectTranscript(script);
}

// ---- Cancel ---------------------------------------------------------------------------

TEST_F(Pop3SessionTest, CancelFromThePumpEndsTheWaitAndTheSession) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: STAT
        STALL 20000
    )");
    Start(script);
    session.SetTimeout(30s);
    ui.on_pump = [] { platform::request_cancel(); };
    const auto start = std::chrono::steady_clock::now();
    const int code = session.PopCommand("STAT");
    EXPECT_LT(code, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "the wait ended long before its timeout";
    EXPECT_TRUE(session.cancelled());
    EXPECT_FALSE(platform::cancel_requested()) << "the request was answered";
    for (const int any : {code, -5, -8, -9, -10, -11})
        EXPECT_EQ(ErrorText(session, any), "ﾕｰｻﾞによって処理が中止されました。");
    ui.on_pump = nullptr;
    // Nothing more goes to the server but the QUIT.
    EXPECT_EQ(session.PopCommand("DELE 1"), corvex::kPopCommError);
    session.PopQuit();
    EXPECT_EQ(server->Finish(), "STAT\r\nQUIT\r\n");
}

TEST_F(Pop3SessionTest, CancelFromAnotherThreadEndsAFetch) {
    const FakeScript script = FakeScript::Parse(R"(
        S: +OK ready
        C: RETR 1
        R: +OK\r\nFrom: a@example.com\r\n
        STALL 20000
    )");
    Start(script);
    session.SetTimeout(30s);
    std::thread canceller([] {
        std::this_thread::sleep_for(300ms);
        platform::request_cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    const int code = session.PopFetchToFile("RETR 1", nullptr);
    canceller.join();
    EXPECT_LT(code, 0) << "a cancelled fetch is no success";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(session.cancelled());
    EXPECT_EQ(ErrorText(session, code), "ﾕｰｻﾞによって処理が中止されました。");

    // The next connect starts afresh.
    FakePop3Server next("S: +OK again\nC: STAT\nS: +OK 0 0");
    std::string stamp = corvex::kPopNoTimestamp;
    ASSERT_EQ(session.PopConnect(kLoopback, next.port(), stamp), 0);
    EXPECT_FALSE(session.cancelled());
    EXPECT_EQ(session.PopCommand("STAT"), 0);
}

TEST_F(Pop3SessionTest, CancelEndsTheReadEvenWhenTheLinesHaveArrived) {
    Start(FakeScript().Reply("+OK ready").Send("one\r\ntwo\r\nthree\r\n"));
    int got = 0;
    EXPECT_EQ(ReadLine(got), "one");
    platform::request_cancel();
    EXPECT_EQ(ReadLine(got), "");
    EXPECT_EQ(got, -1);
    EXPECT_TRUE(session.cancelled());
    EXPECT_FALSE(platform::cancel_requested()) << "the request was answered";
    EXPECT_EQ(ReadLine(got), "") << "a cancelled session reads nothing more";
}

// ---- texts ----------------------------------------------------------------------------

TEST(Pop3ErrorText, EveryCodeHasItsText) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {-1, "socketの開始ｴﾗｰ(-1)"},
        {-2, "ｻｰﾊﾞｰのﾎｽﾄｴﾝﾄﾘ取得ｴﾗｰ(-2)"},
        {-3, "socket作成ｴﾗｰ(-3)"},
        {-4, "socketの接続ｴﾗｰ(-4)"},
        {-5, "ﾀｲﾑｱｳﾄ(-5)"},
        {-6, "ｻｰﾊﾞｰｴﾗｰ(APOP未対応)"},
        {-8, "認証ｴﾗｰ(ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞが違います)"},
        {-9, "通信処理でﾀｲﾑｱｳﾄしました。"},
        {-10, "通信ｴﾗｰ(-10)"},
        {-11, "ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞが長すぎます。"},
        {-12, "ｻｰﾊﾞｰｴﾗｰ(POP3ｻｰﾊﾞｰの応答ではありません)"},
        {-13, "ﾕｰｻﾞ名またはﾊﾟｽﾜｰﾄﾞに使えない文字(改行など)があります。"},
    };
    for (const Case& c : cases) {
        std::string text;
        Pop3Session::ErrorText(c.code, false, text);
        EXPECT_EQ(Utf8(text), c.text) << c.code;
    }
    for (const int other : {0, -7, -99, 1}) {
        std::string text = "kept";
        Pop3Session::ErrorText(other, false, text);
        EXPECT_EQ(text, "kept") << other;
    }
}

} // namespace
