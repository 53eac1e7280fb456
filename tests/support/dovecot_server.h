// A private Dovecot POP3 server on the loopback address, run through tools/test-dovecot in a
// fresh temporary folder that is removed again. The tests add users, deliver messages and
// take messages away as another client would.
// The Windows build's tests, running under Wine, start it the same way (host_shell.h).
// Where Dovecot cannot run, running() is false and PELMORA_REQUIRE_DOVECOT skips, except under
// CI, where it fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora_test {

class DovecotServer {
  public:
    // Starts the server; see running() and error().
    DovecotServer();
    // Stops the server and removes its folder.
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // A missing Dovecot fails the test instead of skipping it: under CI (the CI variable set).
    static bool Required();

    bool running() const { return running_; }
    // Why the server is not running, or what the last failed step said.
    const std::string& error() const { return error_; }
    std::uint16_t port() const { return port_; }
    const std::string& host() const { return host_; }

    // A mailbox user for USER/PASS and APOP.
    bool AddUser(std::string_view user, std::string_view password);
    // Puts a message into the user's mailbox; lines become CR LF. Delivery order is the
    // order of the message numbers.
    bool Deliver(std::string_view user, std::string_view message);
    bool DeliverFile(std::string_view user, const std::string& path);
    // Removes message number n (1 = the first delivered still there) as another client:
    // in a POP3 session of its own ("DELE n", "QUIT").
    bool RemoveByPop3(std::string_view user, std::string_view password, int n);
    // Removes the n-th message file of the user's maildir directly.
    bool RemoveMessageFile(std::string_view user, int n);
    // Message files in the user's maildir.
    int MessageFileCount(std::string_view user) const;

  private:
    bool Tool(const std::string& arguments, std::string* output = nullptr);

    std::string dir_;
    std::string host_ = "127.0.0.1";
    std::uint16_t port_ = 0;
    bool running_ = false;
    std::string error_;
    int delivered_ = 0;
};

} // namespace pelmora_test

// At the start of a test (or in SetUp): skips when Dovecot cannot run here, or fails when it
// is required (CI). Needs GoogleTest included before use.
#define PELMORA_REQUIRE_DOVECOT(server)                                                                      \
    do {                                                                                                     \
        if (!(server).running()) {                                                                           \
            if (::pelmora_test::DovecotServer::Required()) {                                                 \
                FAIL() << "Dovecot is required under CI: " << (server).error();                              \
            } else {                                                                                         \
                GTEST_SKIP() << (server).error();                                                            \
            }                                                                                                \
        }                                                                                                    \
    } while (0)
