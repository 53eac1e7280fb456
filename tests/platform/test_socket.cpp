// Sockets against a loopback server run by the test on its own thread.
#include "platform/socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using platform::IoStage;
using platform::IoStatus;
using platform::Socket;

namespace {

std::int64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
        .count();
}

// A server that accepts one client and runs the given script with it.
class LoopbackServer {
  public:
    explicit LoopbackServer(std::function<void(Socket&)> script) {
        EXPECT_EQ(listener_.open(), IoStatus::ok) << listener_.last_error().text;
        thread_ = std::thread([this, script = std::move(script)] {
            Socket client;
            if (listener_.accept(client, 10s) != IoStatus::ok) return;
            client.set_timeout(10s);
            script(client);
        });
    }
    ~LoopbackServer() { thread_.join(); }
    std::uint16_t port() const { return listener_.port(); }

  private:
    platform::Listener listener_;
    std::thread thread_;
};

// Receives until the peer closes; what arrived.
std::string drain(Socket& s) {
    std::string all;
    char buffer[4096];
    std::size_t got = 0;
    while (s.receive(buffer, sizeof buffer, got) == IoStatus::ok)
        all.append(buffer, got);
    return all;
}

class SocketTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::clear_cancel(); }
    void TearDown() override { platform::clear_cancel(); }
};

TEST_F(SocketTest, PeekLeavesBytesThatReceiveThenTakes) {
    const std::string greeting = "+OK ready <1.2@host>\r\nsecond line\r\n";
    std::atomic<bool> client_done{false};
    LoopbackServer server([&](Socket& c) {
        ASSERT_EQ(c.send_all(greeting), IoStatus::ok);
        std::string reply;
        char b[64];
        std::size_t got = 0;
        while (reply.find('\n') == std::string::npos && c.receive(b, sizeof b, got) == IoStatus::ok)
            reply.append(b, got);
        EXPECT_EQ(reply, "QUIT\r\n");
        while (!client_done)
            std::this_thread::sleep_for(5ms);
    });

    Socket s;
    s.set_timeout(5s);
    ASSERT_EQ(s.connect("127.0.0.1", server.port()), IoStatus::ok) << s.last_error().text;
    ASSERT_EQ(s.wait_readable(), IoStatus::ok);

    // Peek until the whole greeting is buffered (loopback may deliver it in pieces).
    char buffer[1024];
    std::size_t got = 0;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(s.peek(buffer, sizeof buffer, got), IoStatus::ok);
        if (got >= greeting.size()) break;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(std::string(buffer, got), greeting);

    // Taking exactly the first line leaves the second one for the next read.
    const std::size_t first = greeting.find('\n') + 1;
    ASSERT_EQ(s.receive(buffer, first, got), IoStatus::ok);
    EXPECT_EQ(std::string(buffer, got), "+OK ready <1.2@host>\r\n");
    ASSERT_EQ(s.peek(buffer, sizeof buffer, got), IoStatus::ok);
    EXPECT_EQ(std::string(buffer, got), "second line\r\n");
    ASSERT_EQ(s.receive(buffer, sizeof buffer, got), IoStatus::ok);
    EXPECT_EQ(std::string(buffer, got), "second line\r\n");

    EXPECT_EQ(s.send_all("QUIT\r\n"), IoStatus::ok);
    client_done = true;
}

TEST_F(SocketTest, ConnectsByNameAndSendsLargeDataThroughAFullBuffer) {
    // Several megabytes fill the socket buffers, so send_all has to wait for the slow reader.
    const std::string data(6 << 20, 'x');
    std::string received;
    {
        LoopbackServer server([&](Socket& c) {
            std::this_thread::sleep_for(200ms);
            received = drain(c);
        });
        Socket s;
        s.set_timeout(10s);
        // "localhost" goes through the resolver and may list ::1 first, which refuses: the next
        // address is tried.
        ASSERT_EQ(s.connect("localhost", server.port()), IoStatus::ok) << s.last_error().text;
        EXPECT_EQ(s.send_all(data), IoStatus::ok) << s.last_error().text;
        s.close();
    }
    EXPECT_EQ(received.size(), data.size());
}

TEST_F(SocketTest, StalledPeerTimesOutAfterTheTimeoutWhileThePumpRuns) {
    std::atomic<bool> release{false};
    LoopbackServer server([&](Socket&) {
        while (!release)
            std::this_thread::sleep_for(5ms);
    });
    Socket s;
    s.set_timeout(5s);
    ASSERT_EQ(s.connect("127.0.0.1", server.port()), IoStatus::ok);

    int pumps = 0;
    s.set_pump([&] { ++pumps; });
    s.set_timeout(400ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.wait_readable(), IoStatus::timeout);
    EXPECT_GE(elapsed_ms(start), 390);
    EXPECT_EQ(s.last_error().stage, IoStage::wait);
    EXPECT_GE(pumps, 3) << "the pump runs between wait slices";

    char buffer[16];
    std::size_t got = 99;
    EXPECT_EQ(s.receive(buffer, sizeof buffer, got), IoStatus::timeout);
    EXPECT_EQ(got, 0u);
    release = true;
}

TEST_F(SocketTest, CancelFromAnotherThreadAbortsTheWaitAtOnce) {
    std::atomic<bool> release{false};
    LoopbackServer server([&](Socket& c) {
        while (!release)
            std::this_thread::sleep_for(5ms);
        // The accepted socket ignores the cancel request: the server still talks.
        EXPECT_TRUE(platform::cancel_requested());
        EXPECT_EQ(c.send_all("+OK\r\n"), IoStatus::ok);
    });
    Socket s;
    s.set_timeout(30s);
    ASSERT_EQ(s.connect("127.0.0.1", server.port()), IoStatus::ok);
    std::atomic<int> pumps{0};
    s.set_pump([&] { ++pumps; });

    std::thread canceller([] {
        std::this_thread::sleep_for(200ms);
        platform::request_cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.wait_readable(), IoStatus::cancelled);
    const auto took = elapsed_ms(start);
    canceller.join();
    EXPECT_LT(took, 3000) << "a cancelled wait must not run to its 30 s timeout";
    EXPECT_GT(pumps.load(), 0);

    // The request stays until cleared: the next wait gives up too, even with data waiting.
    release = true;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(s.wait_readable(), IoStatus::cancelled);
    EXPECT_TRUE(platform::take_cancel());
    EXPECT_EQ(s.wait_readable(), IoStatus::ok);
}

TEST_F(SocketTest, CancelRaisedByThePumpEndsWaitAndConnect) {
    // The GUI's Cancel button arrives through the pump's message dispatch.
    std::atomic<bool> release{false};
    LoopbackServer server([&](Socket&) {
        while (!release)
            std::this_thread::sleep_for(5ms);
    });
    Socket s;
    s.set_timeout(30s);
    ASSERT_EQ(s.connect("127.0.0.1", server.port()), IoStatus::ok);
    int pumps = 0;
    s.set_pump([&] {
        if (++pumps == 3) platform::request_cancel();
    });
    EXPECT_EQ(s.wait_readable(), IoStatus::cancelled);
    EXPECT_EQ(pumps, 3);

    Socket other;
    EXPECT_EQ(other.connect("127.0.0.1", server.port()), IoStatus::cancelled);
    EXPECT_FALSE(other.is_open());
    release = true;
}

TEST_F(SocketTest, PeerCloseIsReportedAsClosed) {
    LoopbackServer server([](Socket& c) {
        c.send_all("+OK bye\r\n");
        c.close();
    });
    Socket s;
    s.set_timeout(5s);
    ASSERT_EQ(s.connect("127.0.0.1", server.port()), IoStatus::ok);
    EXPECT_EQ(drain(s), "+OK bye\r\n");
    char buffer[16];
    std::size_t got = 99;
    EXPECT_EQ(s.peek(buffer, sizeof buffer, got), IoStatus::closed);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(s.wait_readable(), IoStatus::ok) << "a closed connection reads as ready";
    EXPECT_EQ(s.receive(buffer, sizeof buffer, got), IoStatus::closed);
}

TEST_F(SocketTest, ConnectToAClosedPortFailsWithTheSystemsReason) {
    std::uint16_t port = 0;
    {
        platform::Listener l;
        ASSERT_EQ(l.open(), IoStatus::ok);
        port = l.port();
    }
    Socket s;
    s.set_timeout(5s);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.connect("127.0.0.1", port), IoStatus::error);
    EXPECT_LT(elapsed_ms(start), 4000);
    EXPECT_EQ(s.last_error().stage, IoStage::connect);
    EXPECT_NE(s.last_error().code, 0);
    EXPECT_FALSE(s.last_error().text.empty());
    EXPECT_FALSE(s.is_open());
}

TEST_F(SocketTest, OperationsOnAClosedSocketFailCleanly) {
    Socket s;
    char buffer[4];
    std::size_t got = 1;
    EXPECT_EQ(s.wait_readable(), IoStatus::error);
    EXPECT_EQ(s.receive(buffer, sizeof buffer, got), IoStatus::error);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(s.send_all("x"), IoStatus::error);
    s.close();
}

} // namespace
