// The console of a command-line program: UTF-8 output, whether a person sits at a terminal, a
// password typed without echo, an answer awaited with a time limit, and the interrupt key.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace platform {

// Makes the console show UTF-8 output. Windows: the console's output code page becomes 65001
// (the old one is put back at exit); a terminal elsewhere takes UTF-8 as it is.
void terminal_use_utf8_output();

// True when standard input is an interactive terminal (a console on Windows).
bool terminal_attached();

// The encoding of the command line, the environment and what is typed at the terminal: true
// for UTF-8 (natively), false for the system's ANSI code page (932 on Japanese Windows).
bool terminal_text_is_utf8();

// Writes prompt to standard error and reads one line from the terminal without echo; the line
// end is not kept. False when no terminal is attached, at the end of input and on an interrupt.
bool read_secret_line(std::string_view prompt, std::string& line);

enum class LineStatus {
    line,        // a whole line was typed (without its line end)
    timeout,     // none within the time; what was typed so far stays for the next call
    closed,      // end of input, or no terminal
    interrupted, // the interrupt key was pressed
};

// Waits up to timeout for a line typed at the terminal.
LineStatus read_line_within(std::chrono::milliseconds timeout, std::string& line);

// Installs the handler of the interrupt key (Ctrl-C; also SIGTERM natively, Ctrl-Break and the
// console's close on Windows). The first press sets the interrupt flag and raises the cancel
// request of Wait.h, so a running wait on a server stops; a second press ends the program at once.
void install_interrupt_handler();
bool interrupt_requested() noexcept;

} // namespace platform
