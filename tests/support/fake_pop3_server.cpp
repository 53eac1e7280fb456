// The fake POP3 server: one client, one script, on a thread of its own.
#include "support/fake_pop3_server.h"

#include <cstdio>
#include <cstdlib>

namespace pelmora_test {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using platform::IoStatus;

// How long the server waits for a client, and for any one client line.
constexpr auto kPatience = 10s;
// Once the test has finished, how long the server still listens to the client.
constexpr auto kAfterFinish = 300ms;
// The slice of every receive, so that a stop is noticed at once.
constexpr auto kSlice = 20ms;

[[noreturn]] void BadScript(std::string_view line, const char* why) {
    std::fprintf(stderr, "fake POP3 script: %s: \"%.*s\"\n", why, static_cast<int>(line.size()), line.data());
    std::abort();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        switch (c) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '0':
            out += '\0';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x':
            if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
                out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
                i += 2;
                break;
            }
            BadScript(text, "\\x needs two hex digits");
        default:
            BadScript(text, "unknown escape");
        }
    }
    return out;
}

// The text after a "X:" tag, without the one blank that follows the colon.
std::string_view AfterTag(std::string_view line) {
    line.remove_prefix(2);
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return line;
}

} // namespace

// ---- scripts --------------------------------------------------------------------------

FakeScript FakeScript::Parse(std::string_view text) {
    FakeScript script;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t lead = line.find_first_not_of(" \t");
        if (lead == std::string_view::npos || line[lead] == '#') continue;
        line.remove_prefix(lead);
        if (line.rfind("S:", 0) == 0) {
            script.Reply(std::string(AfterTag(line)));
        } else if (line.rfind("R:", 0) == 0) {
            script.Send(Unescape(AfterTag(line)));
        } else if (line.rfind("C:", 0) == 0) {
            script.Expect(std::string(AfterTag(line)));
        } else if (line.rfind("DRIBBLE ", 0) == 0) {
            std::string_view rest = line.substr(8);
            const std::size_t blank = rest.find(' ');
            if (blank == std::string_view::npos) BadScript(line, "DRIBBLE needs a pause and bytes");
            script.Dribble(Unescape(rest.substr(blank + 1)),
                           std::atoi(std::string(rest.substr(0, blank)).c_str()));
        } else if (line.rfind("STALL ", 0) == 0) {
            script.Stall(std::atoi(std::string(line.substr(6)).c_str()));
        } else if (line == "CLOSE") {
            script.Close();
        } else {
            BadScript(line, "unknown step");
        }
    }
    return script;
}

FakeScript& FakeScript::Expect(std::string line) {
    steps_.push_back({FakeStep::Kind::Expect, std::move(line), 0});
    return *this;
}

FakeScript& FakeScript::Reply(std::string line) {
    return Send(line + "\r\n");
}

FakeScript& FakeScript::Send(std::string bytes) {
    steps_.push_back({FakeStep::Kind::Send, std::move(bytes), 0});
    return *this;
}

FakeScript& FakeScript::Stall(int ms) {
    steps_.push_back({FakeStep::Kind::Stall, {}, ms});
    return *this;
}

FakeScript& FakeScript::Dribble(std::string bytes, int ms) {
    steps_.push_back({FakeStep::Kind::Dribble, std::move(bytes), ms});
    return *this;
}

FakeScript& FakeScript::Close() {
    steps_.push_back({FakeStep::Kind::Close, {}, 0});
    return *this;
}

std::string FakeScript::ClientTranscript() const {
    std::string all;
    for (const FakeStep& step : steps_)
        if (step.kind == FakeStep::Kind::Expect) all += step.text + "\r\n";
    return all;
}

// ---- the server -----------------------------------------------------------------------

FakePop3Server::FakePop3Server(FakeScript script) {
    if (listener_.open() != IoStatus::ok) {
        Note("cannot listen on the loopback address: " + listener_.last_error().text);
        return;
    }
    port_ = listener_.port();
    thread_ = std::thread([this, script = std::move(script)] { Run(script); });
}

FakePop3Server::~FakePop3Server() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

std::string FakePop3Server::Finish() {
    finishing_ = true;
    if (thread_.joinable()) thread_.join();
    return transcript();
}

std::string FakePop3Server::transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

std::vector<std::string> FakePop3Server::problems() const {
    std::lock_guard lock(mutex_);
    return problems_;
}

void FakePop3Server::Note(std::string problem) {
    std::lock_guard lock(mutex_);
    problems_.push_back(std::move(problem));
}

void FakePop3Server::Run(const FakeScript& script) {
    platform::Socket client;
    const auto accept_until = Clock::now() + kPatience;
    for (;;) {
        if (stopping_ || finishing_) {
            Note("no client connected");
            return;
        }
        const IoStatus accepted = listener_.accept(client, 50ms);
        if (accepted == IoStatus::ok) break;
        if (accepted != IoStatus::timeout || Clock::now() >= accept_until) {
            Note("no client connected");
            return;
        }
    }
    listener_.close();

    std::string pending; // received bytes not yet taken as a line
    // Receives what the client sends within one slice; closed and error end the dialogue.
    const auto receive = [&]() -> IoStatus {
        char buffer[4096];
        std::size_t got = 0;
        client.set_timeout(kSlice);
        const IoStatus status = client.receive(buffer, sizeof buffer, got);
        if (status == IoStatus::ok) {
            pending.append(buffer, got);
            std::lock_guard lock(mutex_);
            transcript_.append(buffer, got);
        }
        return status;
    };

    bool client_gone = false;
    for (const FakeStep& step : script.steps()) {
        if (stopping_) return;
        if (client_gone) break;
        switch (step.kind) {
        case FakeStep::Kind::Expect: {
            const auto give_up = Clock::now() + kPatience;
            auto finish_by = Clock::time_point::max();
            std::size_t end = pending.find('\n');
            while (end == std::string::npos) {
                const IoStatus status = receive();
                if (status == IoStatus::closed || status == IoStatus::error) {
                    Note("client closed the connection before sending \"" + step.text + "\"");
                    return;
                }
                if (stopping_) return;
                if (finishing_ && finish_by == Clock::time_point::max())
                    finish_by = Clock::now() + kAfterFinish;
                if (Clock::now() >= give_up || Clock::now() >= finish_by) {
                    Note("client did not send \"" + step.text + "\"");
                    return;
                }
                end = pending.find('\n');
            }
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line != step.text) {
                Note("expected \"" + step.text + "\", client sent \"" + line + "\"");
                return;
            }
            break;
        }
        case FakeStep::Kind::Send:
            client.set_timeout(5s);
            if (client.send_all(step.text) != IoStatus::ok) {
                Note("client did not take the server's bytes: " + client.last_error().text);
                return;
            }
            break;
        case FakeStep::Kind::Stall: {
            const auto until = Clock::now() + std::chrono::milliseconds(step.ms);
            while (Clock::now() < until && !stopping_ && !finishing_)
                std::this_thread::sleep_for(5ms);
            break;
        }
        case FakeStep::Kind::Dribble:
            for (std::size_t i = 0; i < step.text.size() && !client_gone; ++i) {
                if (stopping_) return;
                // Once the test is finishing, the rest goes at once.
                const std::size_t count = finishing_ ? step.text.size() - i : 1;
                client.set_timeout(5s);
                if (client.send_all(step.text.data() + i, count) != IoStatus::ok) {
                    client_gone = true;
                    break;
                }
                i += count - 1;
                const auto until = Clock::now() + std::chrono::milliseconds(step.ms);
                while (Clock::now() < until && !stopping_ && !finishing_) {
                    const IoStatus status = receive();
                    if (status == IoStatus::closed || status == IoStatus::error) {
                        client_gone = true;
                        break;
                    }
                }
            }
            break;
        case FakeStep::Kind::Close:
            client.close();
            return;
        }
    }

    // After the script: record whatever else the client sends until it closes.
    const auto give_up = Clock::now() + kPatience;
    auto finish_by = Clock::time_point::max();
    for (;;) {
        const IoStatus status = receive();
        if (status == IoStatus::closed || status == IoStatus::error || stopping_) return;
        if (finishing_ && finish_by == Clock::time_point::max()) finish_by = Clock::now() + kAfterFinish;
        if (Clock::now() >= give_up || Clock::now() >= finish_by) return;
    }
}

} // namespace pelmora_test
