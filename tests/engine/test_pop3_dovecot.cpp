// The POP3 session against a real Dovecot on the loopback address: both logins, the
// commands of a check, a fetch and a delete. Skips where Dovecot cannot run (fails under CI).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvex/engine/pop3_session.h"
#include "support/dovecot_server.h"

namespace {

using corvex::Pop3Session;
using ::testing::Contains;
using ::testing::ElementsAre;

const std::string kFirst = "From: Alice <alice@example.com>\n"
                           "To: bob@example.com\n"
                           "Subject: first\n"
                           "Message-ID: <1@example.com>\n"
                           "\n"
                           "line 1\n"
                           "line 2\n"
                           ".line with a leading dot\n"
                           "line 4\n";
const std::string kSecond = "From: carol@example.com\n"
                            "Subject: second\n"
                            "\n"
                            "short\n";
// Dovecot serves the messages with CR LF line ends.
std::string OnTheWire(const std::string& message) {
    std::string out;
    for (const char c : message) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class Pop3DovecotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PELMORA_REQUIRE_DOVECOT(dovecot);
        ASSERT_TRUE(dovecot.AddUser("bob", "s3cret")) << dovecot.error();
        ASSERT_TRUE(dovecot.Deliver("bob", kFirst)) << dovecot.error();
        ASSERT_TRUE(dovecot.Deliver("bob", kSecond)) << dovecot.error();
        session.SetTimeoutSeconds(10);
    }

    void LoginUser(const char* password = "s3cret") {
        std::string stamp = corvex::kPopNoTimestamp;
        ASSERT_EQ(session.PopConnect(dovecot.host(), dovecot.port(), stamp), 0);
        ASSERT_EQ(session.PopLoginUser("bob", password), 0);
    }

    pelmora_test::DovecotServer dovecot;
    Pop3Session session;
};

TEST_F(Pop3DovecotTest, UserPassLoginAndTheCommandsOfACheck) {
    LoginUser();
    EXPECT_EQ(session.PopCommand("STAT"), 2);
    const long long first = static_cast<long long>(OnTheWire(kFirst).size());
    const long long second = static_cast<long long>(OnTheWire(kSecond).size());
    EXPECT_EQ(session.mailbox_octets(), first + second);

    std::string size;
    ASSERT_EQ(session.PopList(1, size), 0);
    EXPECT_EQ(size, std::to_string(first));
    EXPECT_EQ(session.list_octets(), first);
    ASSERT_EQ(session.PopList(3, size), 0) << "no such message: no error, the size is unknown";
    EXPECT_EQ(size, "???");

    std::vector<std::string> lines;
    long bytes = 0;
    const auto collect = [&](std::string_view line, long count) {
        lines.emplace_back(line);
        bytes += count;
    };
    ASSERT_EQ(session.PopMultiLine("TOP 1 0", collect), 0);
    EXPECT_THAT(lines, Contains("Subject: first"));
    EXPECT_THAT(lines, Contains("Message-ID: <1@example.com>"));
    EXPECT_EQ(lines.back(), "\r\n") << "the header ends with its empty line";

    lines.clear();
    bytes = 0;
    ASSERT_EQ(session.PopMultiLine("TOP 1 100", collect), 0);
    EXPECT_EQ(bytes, first + 1) << "the whole message, plus the dot that stuffs the dotted line";
    EXPECT_THAT(lines, Contains(".line with a leading dot"));
    session.PopQuit();
    EXPECT_FALSE(session.is_open());
}

TEST_F(Pop3DovecotTest, ApopLoginWithTheGreetingsTimestamp) {
    std::string stamp;
    ASSERT_EQ(session.PopConnect(dovecot.host(), dovecot.port(), stamp), 0);
    ASSERT_GE(stamp.size(), 2u);
    EXPECT_EQ(stamp.front(), '<');
    EXPECT_EQ(stamp.back(), '>');
    EXPECT_EQ(session.PopLoginApop("bob", "s3cret", stamp), 0);
    EXPECT_EQ(session.PopCommand("STAT"), 2);
    session.PopQuit();
}

TEST_F(Pop3DovecotTest, WrongPasswordIsAuthError) {
    std::string stamp = corvex::kPopNoTimestamp;
    ASSERT_EQ(session.PopConnect(dovecot.host(), dovecot.port(), stamp), 0);
    EXPECT_EQ(session.PopLoginUser("bob", "wrong"), corvex::kPopAuthError);
    session.PopQuit();

    stamp.clear();
    ASSERT_EQ(session.PopConnect(dovecot.host(), dovecot.port(), stamp), 0);
    EXPECT_EQ(session.PopLoginApop("bob", "wrong", stamp), corvex::kPopAuthError);
    session.PopQuit();
}

TEST_F(Pop3DovecotTest, FetchWritesHeaderAndBody) {
    LoginUser();
    std::string size;
    ASSERT_EQ(session.PopList(2, size), 0);
    std::vector<std::string> written;
    ASSERT_EQ(session.PopFetchToFile("RETR 2", [&](std::string_view line) { written.emplace_back(line); }),
              0);
    // Dovecot may add header lines of its own; ours come in order, then the body.
    ASSERT_GE(written.size(), 6u);
    EXPECT_EQ(written.front(), "---HEAD ST---");
    EXPECT_THAT(std::vector<std::string>(written.end() - 3, written.end()),
                ElementsAre("", "---BODY ST---", "short"));
    EXPECT_THAT(written, Contains("Subject: second"));
    session.PopQuit();
}

TEST_F(Pop3DovecotTest, DeleteTakesEffectAfterQuit) {
    LoginUser();
    ASSERT_EQ(session.PopCommand("DELE 1"), 0);
    EXPECT_EQ(session.PopCommand("DELE 1"), corvex::kPopCommError) << "already deleted";
    session.PopQuit();

    LoginUser();
    EXPECT_EQ(session.PopCommand("STAT"), 1);
    std::vector<std::string> lines;
    ASSERT_EQ(session.PopMultiLine("TOP 1 0", [&](std::string_view line, long) { lines.emplace_back(line); }),
              0);
    EXPECT_THAT(lines, Contains("Subject: second"));
    session.PopQuit();
}

TEST_F(Pop3DovecotTest, AnotherClientRemovesMessages) {
    ASSERT_TRUE(dovecot.RemoveByPop3("bob", "s3cret", 1)) << dovecot.error();
    LoginUser();
    EXPECT_EQ(session.PopCommand("STAT"), 1);
    session.PopQuit();

    ASSERT_TRUE(dovecot.RemoveMessageFile("bob", 1)) << dovecot.error();
    LoginUser();
    EXPECT_EQ(session.PopCommand("STAT"), 0);
    session.PopQuit();
}

} // namespace
