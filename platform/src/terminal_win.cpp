#include "platform/terminal.h"

#include "platform/wait.h"

#include <atomic>
#include <cstdlib>

#include <windows.h>

namespace platform {

namespace {

std::atomic<bool> g_interrupted{false};
UINT g_saved_output_cp = 0;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI on_console_event(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        // The second press goes to the default handler, which ends the program.
        if (g_interrupted.exchange(true)) return FALSE;
        request_cancel();
        return TRUE;
    default:
        return FALSE;
    }
}

void restore_output_cp() {
    if (g_saved_output_cp != 0) SetConsoleOutputCP(g_saved_output_cp);
}

HANDLE input_handle() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

// What has been typed of the line being read by read_line_within.
std::string& typed() {
    static std::string bytes;
    return bytes;
}

void echo(const char* text, DWORD size) {
    DWORD written = 0;
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out != INVALID_HANDLE_VALUE && out != nullptr) WriteFile(out, text, size, &written, nullptr);
}

} // namespace

void terminal_use_utf8_output() {
    if (g_saved_output_cp != 0) return;
    const UINT old = GetConsoleOutputCP();
    if (old == 0 || !SetConsoleOutputCP(CP_UTF8)) return; // no console: the bytes go out as they are
    g_saved_output_cp = old;
    std::atexit(restore_output_cp);
}

bool terminal_attached() {
    HANDLE in = input_handle();
    DWORD mode = 0;
    return in != INVALID_HANDLE_VALUE && in != nullptr && GetFileType(in) == FILE_TYPE_CHAR &&
           GetConsoleMode(in, &mode) != 0;
}

bool terminal_text_is_utf8() {
    return false;
}

bool read_secret_line(std::string_view prompt, std::string& line) {
    line.clear();
    if (!terminal_attached()) return false;
    HANDLE in = input_handle();
    DWORD saved = 0;
    GetConsoleMode(in, &saved);
    SetConsoleMode(in, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
    // The prompt comes after the echo is off: whatever is typed once it shows stays unseen.
    echo(prompt.data(), static_cast<DWORD>(prompt.size()));
    bool ok = false;
    for (;;) {
        char buffer[256];
        DWORD got = 0;
        if (!ReadConsoleA(in, buffer, sizeof buffer, &got, nullptr) || got == 0 || g_interrupted) break;
        line.append(buffer, got);
        const std::size_t end = line.find('\n');
        if (end != std::string::npos) {
            line.resize(end > 0 && line[end - 1] == '\r' ? end - 1 : end);
            ok = true;
            break;
        }
    }
    SetConsoleMode(in, saved);
    echo("\r\n", 2);
    if (!ok) line.clear();
    return ok;
}

LineStatus read_line_within(std::chrono::milliseconds timeout, std::string& line) {
    line.clear();
    if (!terminal_attached()) return LineStatus::closed;
    HANDLE in = input_handle();
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        if (g_interrupted) return LineStatus::interrupted;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return LineStatus::timeout;
        // Short slices: the interrupt key reaches the handler, not the input queue.
        const DWORD slice = static_cast<DWORD>(deadline - now < 100 ? deadline - now : 100);
        const DWORD waited = WaitForSingleObject(in, slice);
        if (waited == WAIT_TIMEOUT) continue;
        if (waited != WAIT_OBJECT_0) return LineStatus::closed;
        INPUT_RECORD records[16];
        DWORD count = 0;
        if (!ReadConsoleInputA(in, records, 16, &count)) return LineStatus::closed;
        for (DWORD i = 0; i < count; ++i) {
            if (records[i].EventType != KEY_EVENT || !records[i].Event.KeyEvent.bKeyDown) continue;
            const char c = records[i].Event.KeyEvent.uChar.AsciiChar;
            std::string& so_far = typed();
            if (c == '\r' || c == '\n') {
                echo("\r\n", 2);
                line = so_far;
                so_far.clear();
                return LineStatus::line;
            }
            if (c == '\b') {
                if (!so_far.empty()) {
                    so_far.pop_back();
                    echo("\b \b", 3);
                }
            } else if (c == 26) { // Ctrl-Z: end of input
                return LineStatus::closed;
            } else if (static_cast<unsigned char>(c) >= 0x20) {
                so_far.push_back(c);
                if (static_cast<unsigned char>(c) < 0x80) echo(&c, 1);
            }
        }
    }
}

void install_interrupt_handler() {
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool interrupt_requested() noexcept {
    return g_interrupted.load();
}

} // namespace platform
