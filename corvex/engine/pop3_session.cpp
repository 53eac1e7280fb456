// The POP3 session over a platform socket whose waits pump the user interface and honour
// the cancel request.
#include "corvex/engine/pop3_session.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "corvex/engine/header_scan.h"
#include "dorvik.h"
#include "engine_texts.h"
#include "platform/wait.h"

namespace corvex {

namespace {

using platform::IoStage;
using platform::IoStatus;

// What the line reader takes from the socket at most at a time.
constexpr std::size_t kInputSize = 16384;

using Clock = std::chrono::steady_clock;

bool IsPositive(const char* reply) {
    return std::strncmp(reply, "+OK", 3) == 0;
}

bool IsNegative(const char* reply) {
    return std::strncmp(reply, "-ERR", 4) == 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The blank-separated words of text.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

// A whole word of decimal digits that fits in a long long.
bool ParseOctets(std::string_view word, long long& value) {
    if (word.empty() || word.size() > 18) return false;
    value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string WithCode(const char* format, int code) {
    std::string text = format;
    if (const auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(code));
    return text;
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

} // namespace

Pop3Session::Pop3Session() : ui_(&quiet_ui_), input_(kInputSize) {
    socket_.set_pump([this] { ui_->pump(); });
}

Pop3Session::Pop3Session(EngineUi& ui) : ui_(&ui), input_(kInputSize) {
    socket_.set_pump([this] { ui_->pump(); });
}

Pop3Session::~Pop3Session() {
    Close();
}

void Pop3Session::SetTimeout(std::chrono::milliseconds timeout) {
    timeout_ = timeout;
    socket_.set_timeout(timeout);
}

void Pop3Session::Close() {
    socket_.close();
    input_pos_ = input_end_ = 0;
}

void Pop3Session::Failed(IoStatus status) {
    if (status != IoStatus::cancelled) return;
    // The wait was given up for the user: the request is answered, the session stays aborted.
    platform::take_cancel();
    cancelled_ = true;
}

void Pop3Session::ShowStep(int step) {
    if (deleting_) {
        ui_->tray_step(step == 1 ? TrayStep::Delete1 : TrayStep::Delete2);
        ui_->tray_tip(texts::kPopDeletingTip);
        return;
    }
    static constexpr TrayStep kSteps[] = {TrayStep::Check1, TrayStep::Check2, TrayStep::Check3,
                                          TrayStep::Check4};
    ui_->tray_step(kSteps[tray_phase_ + step - 1]);
}

// ---- connect and login ----------------------------------------------------------------

int Pop3Session::PopConnect(std::string_view host, int port, std::string& timestamp) {
    Close();
    cancelled_ = false;
    mailbox_octets_ = 0;
    list_octets_ = 0;
    failed_ = false;
    if (port < 1 || port > 65535) return kPopConnectError;
    socket_.set_timeout(timeout_);
    const IoStatus status = socket_.connect(host, static_cast<std::uint16_t>(port));
    if (status != IoStatus::ok) {
        Failed(status);
        Close();
        switch (socket_.last_error().stage) {
        case IoStage::startup:
            return kPopStartupError;
        case IoStage::resolve:
            return kPopHostError;
        case IoStage::create:
            return kPopSocketError;
        default:
            return kPopConnectError;
        }
    }

    char greeting[kPopReplySize];
    StartReply();
    const int got = ReadReply(greeting);
    if (got <= 0 || !IsPositive(greeting)) {
        Close();
        // Something that is no POP3 reply (a web server, the wrong port) is told apart from a
        // server that is slow, closed or refuses.
        return got > 0 && !IsNegative(greeting) ? kPopNotPop3 : kPopTimeout;
    }
    if (timestamp == kPopNoTimestamp) return 0;
    // The time-stamp runs from the first "<" before the first ">" up to that ">".
    char* close = std::strchr(greeting, '>');
    if (close == nullptr) {
        Close();
        return kPopNoApop;
    }
    close[1] = '\0';
    const char* open = std::strchr(greeting, '<');
    if (open == nullptr) {
        Close();
        return kPopNoApop;
    }
    timestamp.assign(open, static_cast<std::size_t>(close + 1 - open));
    return 0;
}

int Pop3Session::CheckCredential(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos ? 0
                                                                                       : kPopBadCredentials;
}

int Pop3Session::PopLoginUser(std::string_view user, std::string_view password) {
    if (CheckCredential(user) < 0 || CheckCredential(password) < 0) return kPopBadCredentials;
    // "USER " / "PASS " and the text must fit a command line; nothing is ever cut.
    if (user.size() > kPopCommandMax - 5 || password.size() > kPopCommandMax - 5) return kPopTooLong;
    char reply[kPopReplySize];
    if (SendLine(std::string("USER ").append(user))) ReadReply(reply); // its reply is not judged
    if (!SendLine(std::string("PASS ").append(password))) return kPopAuthError;
    if (ReadReply(reply) <= 0 || !IsPositive(reply)) return kPopAuthError;
    return 0;
}

int Pop3Session::PopLoginApop(std::string_view user, std::string_view password, std::string_view timestamp) {
    constexpr std::size_t kDigestLength = DORVIK_DIGEST_CAP - 1;
    if (CheckCredential(user) < 0 || CheckCredential(password) < 0) return kPopBadCredentials;
    if (user.size() > kPopCommandMax - 6 - kDigestLength) return kPopTooLong;
    const std::string secret = std::string(timestamp).append(password);
    char digest[DORVIK_DIGEST_CAP] = {};
    MDString(secret.c_str(), digest);
    std::string command = "APOP ";
    command.append(user).append(" ").append(digest);
    if (!SendLine(command)) return kPopAuthError;
    char reply[kPopReplySize];
    if (ReadReply(reply) <= 0 || !IsPositive(reply)) return kPopAuthError;
    return 0;
}

// ---- commands -------------------------------------------------------------------------

std::chrono::milliseconds Pop3Session::ReplyLimit() const {
    // After a failure the server may be the reason: its QUIT reply is not waited for long.
    if (quitting_ && failed_) return std::min<std::chrono::milliseconds>(timeout_, kPopQuitWaitAfterFailure);
    return timeout_;
}

void Pop3Session::StartReply() {
    reply_deadline_ = Clock::now() + ReplyLimit();
}

bool Pop3Session::SendLine(std::string_view command) {
    if (!socket_.is_open() || (cancelled_ && !quitting_)) return false;
    if (command.size() > kPopCommandMax) return false;
    std::string line(command);
    line.append("\r\n");
    // The command and its whole reply share one time limit.
    StartReply();
    socket_.set_timeout(ReplyLimit());
    const IoStatus status = socket_.send_all(line);
    if (status == IoStatus::ok) return true;
    Failed(status);
    failed_ = true;
    return false;
}

int Pop3Session::PopCommand(std::string_view command) {
    if (!SendLine(command)) return kPopCommError;
    char reply[kPopReplySize];
    const int got = ReadReply(reply);
    if (got == kPopWaitTimeout) return kPopTimeout;
    if (got <= 0 || !IsPositive(reply)) return kPopCommError;
    if (command != "STAT") return 0;

    // "+OK count octets": the count is the word before the first blank, the octets the word
    // after the last. Servers may add words after the octets ("+OK 2 320 octets"); then the
    // word after the count holds them. A reply without a count is an error: taking it for
    // an empty mailbox would hide the mail.
    const auto words = Words(std::string_view(reply + 3));
    long long count = 0;
    if (words.empty() || !ParseOctets(words.front(), count) || count > INT_MAX) return kPopCommError;
    long long octets = 0;
    if (words.size() >= 2 && !ParseOctets(words.back(), octets) && !ParseOctets(words[1], octets)) octets = 0;
    mailbox_octets_ = octets;
    return static_cast<int>(count);
}

int Pop3Session::PopList(int message_number, std::string& size_text) {
    size_text = "???";
    list_octets_ = 0;
    if (!SendLine("LIST " + std::to_string(message_number))) return kPopCommError;
    char reply[kPopReplySize];
    // A reply that times out or tells nothing usable is no error: the size is unknown.
    if (ReadReply(reply) <= 0 || !IsPositive(reply)) return 0;
    const auto words = Words(reply);
    long long number = 0;
    long long octets = 0;
    if (words.size() < 3 || !ParseOctets(words[1], number) || !ParseOctets(words[2], octets)) return 0;
    list_octets_ = octets;
    size_text = FormatSize(octets);
    return 0;
}

std::string Pop3Session::FormatSize(long long octets) {
    if (octets < 1024) return std::to_string(octets);
    const double k = static_cast<double>(octets) * 0.0009765625;
    char text[64];
    if (k >= 1024.0)
        std::snprintf(text, sizeof text, "%3.1fM", k * 0.0009765625);
    else
        std::snprintf(text, sizeof text, "%3.1fk", k);
    return text;
}

// ---- reading --------------------------------------------------------------------------

int Pop3Session::ReadReply(char* buffer) {
    return ReadLine(buffer, kPopReplySize);
}

int Pop3Session::PopReadLine(char* buffer, std::size_t size) {
    StartReply();
    return ReadLine(buffer, size);
}

int Pop3Session::ReadLine(char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return kPopStartupError;
    buffer[0] = '\0';
    if (!socket_.is_open() || (cancelled_ && !quitting_)) return kPopStartupError;

    ShowStep(1);
    std::size_t kept = 0; // bytes copied into buffer
    long long taken = 0;  // bytes the line took on the wire
    int result = 0;
    for (;;) {
        if (input_pos_ == input_end_) {
            // Every wait takes only what is left of the reply's time, so a server that sends
            // a byte now and then cannot stretch a reply beyond it.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(reply_deadline_ - Clock::now());
            if (left <= std::chrono::milliseconds::zero()) {
                result = kPopWaitTimeout;
                break;
            }
            socket_.set_timeout(left);
            IoStatus status = socket_.wait_readable();
            if (status != IoStatus::ok) {
                Failed(status);
                result = status == IoStatus::timeout ? kPopWaitTimeout : kPopStartupError;
                break;
            }
            std::size_t got = 0;
            status = socket_.receive(input_.data(), input_.size(), got);
            if (status != IoStatus::ok) {
                Failed(status);
                result = status == IoStatus::closed ? 0 : kPopStartupError;
                break;
            }
            input_pos_ = 0;
            input_end_ = got;
        } else if (platform::cancel_requested()) {
            // The request ends the read as it ends a wait, even with the bytes at hand.
            Failed(IoStatus::cancelled);
            result = kPopStartupError;
            break;
        }
        // Take what has arrived up to the first line feed; an over-long line is cut but
        // consumed whole.
        const char* begin = input_.data() + input_pos_;
        const std::size_t available = input_end_ - input_pos_;
        const char* feed = static_cast<const char*>(std::memchr(begin, '\n', available));
        const std::size_t length = feed != nullptr ? static_cast<std::size_t>(feed - begin) + 1 : available;
        const std::size_t fits = std::min(length, size - 1 - kept);
        std::memcpy(buffer + kept, begin, fits);
        kept += fits;
        taken += static_cast<long long>(length);
        input_pos_ += length;
        if (feed != nullptr) {
            result = static_cast<int>(std::min<long long>(taken, INT_MAX));
            break;
        }
    }

    if (result <= 0) failed_ = true;
    if (result > 0) {
        buffer[kept] = '\0';
        std::size_t n = std::strlen(buffer);
        while (n > 2 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r' || buffer[n - 1] == ' '))
            buffer[--n] = '\0';
    } else {
        buffer[0] = '\0';
    }
    ShowStep(2);
    return result;
}

bool Pop3Session::IsTerminator(std::string_view line) {
    return line == ".\r" || line == "." || line == ".\n" || line == ".\r\n";
}

bool Pop3Session::IsEmptyLine(std::string_view line) {
    return !line.empty() && line.find_first_not_of("\r\n") == std::string_view::npos;
}

int Pop3Session::PopMultiLine(std::string_view command, const LineHandler& on_line) {
    if (!SendLine(command)) return kPopCommError;
    char first[kPopReplySize];
    const int got = ReadReply(first);
    if (got == kPopWaitTimeout) return kPopWaitTimeout;
    if (got <= 0 || !IsPositive(first)) return kPopCommError;
    return PopReadLines(on_line);
}

int Pop3Session::PopReadLines(const LineHandler& on_line) {
    char line[kPopReplySize];
    for (;;) {
        const int got = ReadReply(line);
        if (got == kPopWaitTimeout) return kPopWaitTimeout;
        // A reply that ends without its terminator is incomplete, not a whole message.
        if (got <= 0) return kPopCommError;
        std::string_view text(line);
        if (IsTerminator(text)) return 0;
        if (text.size() >= 2 && text[0] == '.' && text[1] == '.') text.remove_prefix(1);
        if (on_line) on_line(text, got);
    }
}

int Pop3Session::PopFetchToFile(std::string_view command, const LineSink& work_file) {
    if (!SendLine(command)) return kPopCommError;
    char first[kPopReplySize];
    const int got = ReadReply(first);
    if (got == kPopWaitTimeout) return kPopWaitTimeout;
    if (got <= 0 || !IsPositive(first)) return kPopCommError;

    const auto write = [&](std::string_view line) {
        if (work_file) work_file(line);
    };
    write(kWorkHeadStart);
    long long received = 0;
    int shown_tenth = 0;
    bool in_body = false;
    return PopReadLines([&](std::string_view line, long byte_count) {
        received += byte_count;
        if (list_octets_ > 0) {
            const int tenth = static_cast<int>(std::min<long long>(received * 10 / list_octets_, 10));
            if (tenth != shown_tenth) {
                shown_tenth = tenth;
                ui_->status(texts::kPopReceiving);
                ui_->progress(tenth);
            }
        }
        if (IsEmptyLine(line)) {
            write("");
            if (!in_body) write(kWorkBodyStart);
            in_body = true;
            return;
        }
        write(WithoutLineEnd(line));
    });
}

bool Pop3Session::PopQuit() {
    if (!socket_.is_open()) return false;
    // After a failure (a cancel included) the reply is waited for kPopQuitWaitAfterFailure
    // at most (see ReplyLimit).
    quitting_ = true;
    bool committed = false;
    if (SendLine("QUIT")) {
        char reply[kPopReplySize];
        committed = ReadReply(reply) > 0 && IsPositive(reply);
    }
    socket_.set_timeout(timeout_);
    quitting_ = false;
    Close();
    return committed;
}

// ---- texts ----------------------------------------------------------------------------

void Pop3Session::ErrorText(int code, bool cancelled, std::string& text) {
    if (cancelled) {
        text = texts::kPopCancelled;
        return;
    }
    switch (code) {
    case kPopStartupError:
        text = WithCode(texts::kPopErrStartup, code);
        break;
    case kPopHostError:
        text = WithCode(texts::kPopErrHostEntry, code);
        break;
    case kPopSocketError:
        text = WithCode(texts::kPopErrSocketCreate, code);
        break;
    case kPopConnectError:
        text = WithCode(texts::kPopErrConnect, code);
        break;
    case kPopTimeout:
        text = WithCode(texts::kPopErrTimeout, code);
        break;
    case kPopNoApop:
        text = texts::kPopErrNoApop;
        break;
    case kPopAuthError:
        text = texts::kPopErrAuth;
        break;
    case kPopWaitTimeout:
        text = texts::kPopErrWaitTimeout;
        break;
    case kPopCommError:
        text = WithCode(texts::kPopErrComm, code);
        break;
    case kPopTooLong:
        text = texts::kPopErrTooLong;
        break;
    case kPopNotPop3:
        text = texts::kPopErrNotPop3;
        break;
    case kPopBadCredentials:
        text = texts::kPopErrBadCredentials;
        break;
    default:
        break;
    }
}

} // namespace corvex
