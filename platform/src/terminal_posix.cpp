#include "platform/terminal.h"

#include "platform/wait.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void on_interrupt(int signal_number) {
    if (g_interrupted) {
        // The second press: the default action, which ends the program.
        std::signal(signal_number, SIG_DFL);
        std::raise(signal_number);
        return;
    }
    g_interrupted = 1;
    request_cancel();
}

// Bytes read from standard input that do not belong to the line handed out yet.
std::string& pending() {
    static std::string bytes;
    return bytes;
}

// Takes a whole line out of the pending bytes; false when none is complete.
bool take_line(std::string& line) {
    std::string& buffer = pending();
    const std::size_t end = buffer.find('\n');
    if (end == std::string::npos) return false;
    std::size_t n = end;
    if (n > 0 && buffer[n - 1] == '\r') --n;
    line.assign(buffer, 0, n);
    buffer.erase(0, end + 1);
    return true;
}

enum class Fill { data, timeout, closed, interrupted };

// Waits up to timeout_ms (-1: no limit) for input and appends what is there to the pending bytes.
Fill fill(int timeout_ms) {
    if (g_interrupted) return Fill::interrupted;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&fd, 1, timeout_ms);
    if (ready == 0) return Fill::timeout;
    char buffer[256];
    const ssize_t got = ready < 0 ? -1 : ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0) {
        // A signal that is not the interrupt (a resized window) only cuts the wait short.
        if (errno != EINTR) return Fill::closed;
        return g_interrupted ? Fill::interrupted : Fill::timeout;
    }
    if (got == 0) return Fill::closed;
    pending().append(buffer, static_cast<std::size_t>(got));
    return Fill::data;
}

} // namespace

void terminal_use_utf8_output() {}

bool terminal_attached() {
    return ::isatty(STDIN_FILENO) == 1;
}

bool terminal_text_is_utf8() {
    return true;
}

bool read_secret_line(std::string_view prompt, std::string& line) {
    line.clear();
    if (!terminal_attached()) return false;
    termios saved{};
    const bool have_mode = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (have_mode) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    // The prompt comes after the echo is off: whatever is typed once it shows stays unseen.
    std::fwrite(prompt.data(), 1, prompt.size(), stderr);
    std::fflush(stderr);
    bool ok = false;
    for (;;) {
        if (take_line(line)) {
            ok = true;
            break;
        }
        const Fill got = fill(-1);
        if (got == Fill::closed || got == Fill::interrupted) break;
    }
    if (have_mode) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    if (!ok) std::fputc('\n', stderr);
    return ok;
}

LineStatus read_line_within(std::chrono::milliseconds timeout, std::string& line) {
    line.clear();
    if (!terminal_attached()) return LineStatus::closed;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + timeout;
    for (;;) {
        if (take_line(line)) return LineStatus::line;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
        if (left.count() <= 0) return LineStatus::timeout;
        switch (fill(static_cast<int>(left.count()))) {
        case Fill::data:
        case Fill::timeout:
            break;
        case Fill::closed:
            return LineStatus::closed;
        case Fill::interrupted:
            return LineStatus::interrupted;
        }
    }
}

void install_interrupt_handler() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocking read returns, so a prompt can give up
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool interrupt_requested() noexcept {
    return g_interrupted != 0;
}

} // namespace platform
