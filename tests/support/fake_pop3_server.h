// A scriptable fake POP3 server on the loopback address, for what a real server will not do
// on demand: stall in the middle of a reply, send broken or over-long lines, close early.
//
// A script lists the server's part of one dialogue in the order it happens, in the style of
// a data-driven protocol test:
//
//   S: +OK ready <1896.697170952@host>    send the line and CR LF
//   R: +OK\r\nFrom: a\r\n                 send raw bytes (\r \n \t \0 \\ and \xNN understood)
//   C: USER alice                         expect the client's next line (without CR LF)
//   STALL 1500                            send nothing for 1500 ms
//   DRIBBLE 300 +OK 1 2\r\n               send the raw bytes one at a time, 300 ms apart
//   CLOSE                                 close the connection
//
// The server accepts one client on a free port, runs the script on its own thread and records
// every byte the client sent (the transcript). After the script it keeps recording until the
// client closes. A client line that differs from the one expected ends the script (the
// connection is closed) and is noted in problems().
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace pelmora_test {

struct FakeStep {
    enum class Kind { Expect, Send, Stall, Dribble, Close };
    Kind kind = Kind::Send;
    std::string text; // Expect: the line; Send, Dribble: the bytes
    int ms = 0;       // Stall: the pause; Dribble: the pause after each byte
};

class FakeScript {
  public:
    FakeScript() = default;
    // Parses the text form above; one step per line, blank lines and "#" comments ignored.
    // A line of another form is a programming error of the test: it aborts with a message.
    static FakeScript Parse(std::string_view text);

    FakeScript& Expect(std::string line);
    FakeScript& Reply(std::string line); // line + CR LF
    FakeScript& Send(std::string bytes);
    FakeScript& Stall(int ms);
    // Sends bytes one at a time with a pause of ms after each, as a server that holds a
    // client with a trickle of data. What the client sends meanwhile is recorded; a client
    // that hangs up ends the dribble (and the script) quietly.
    FakeScript& Dribble(std::string bytes, int ms);
    FakeScript& Close();

    const std::vector<FakeStep>& steps() const { return steps_; }
    // What a client that follows the script sends: every expected line with CR LF.
    std::string ClientTranscript() const;

  private:
    std::vector<FakeStep> steps_;
};

class FakePop3Server {
  public:
    explicit FakePop3Server(FakeScript script);
    explicit FakePop3Server(std::string_view script) : FakePop3Server(FakeScript::Parse(script)) {}
    ~FakePop3Server(); // stops at once
    FakePop3Server(const FakePop3Server&) = delete;
    FakePop3Server& operator=(const FakePop3Server&) = delete;

    std::uint16_t port() const { return port_; }
    // Ends the dialogue: waits a little for what the client still sends (stalls are cut
    // short), stops the thread and returns the transcript.
    std::string Finish();
    std::string transcript() const;
    std::vector<std::string> problems() const;

  private:
    void Run(const FakeScript& script);
    void Note(std::string problem);

    platform::Listener listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> finishing_{false};
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::string transcript_;
    std::vector<std::string> problems_;
    std::thread thread_;
};

} // namespace pelmora_test
