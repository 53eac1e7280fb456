#include "terminal_ui.h"

#include <chrono>
#include <cstdio>

#include "corvex/filters/spam_confirm.h"
#include "filters_texts.h"
#include "platform/terminal.h"
#include "platform/wait.h"
#include "text_convert.h"

namespace corvex_check {

namespace {

void Err(const std::string& utf8) {
    std::fputs(utf8.c_str(), stderr);
    std::fflush(stderr);
}

// The countdown line, written over itself each second.
void ShowCountdown(const corvex::SpamCountdown& countdown) {
    const std::string line = countdown.running() ? ToTerminal(countdown.line()) : std::string();
    Err("\r" + line + "  [y/n/s] ");
}

// A button text without the key it names in the dialog ("...(Enter)"): here the keys are y, n, s.
// A parenthesis is never the second byte of a Shift_JIS character.
std::string ButtonText(const char* sjis) {
    std::string text(sjis);
    if (!text.empty() && text.back() == ')')
        if (const std::size_t open = text.rfind('('); open != std::string::npos) text.resize(open);
    return ToTerminal(text);
}

} // namespace

void TerminalUi::message_box(const std::string& text, const std::string& caption, corvex::MessageIcon) {
    Err(ToTerminal(caption) + ": " + ToTerminalLines(text, "\n  ") + "\n");
}

int TerminalUi::confirm_spam_deletion(const std::string& text, int countdown_seconds) {
    using corvex::kSpamConfirmDelete;
    using corvex::kSpamConfirmKeep;
    if (!platform::terminal_attached()) {
        Err("spam match kept: no terminal to confirm the deletion\n");
        return kSpamConfirmKeep;
    }
    namespace texts = corvex::texts;
    std::string heading = "\n";
    heading += ToTerminal(texts::kSpamConfirmCaption);
    heading += "\n";
    heading += ToTerminal(texts::kSpamConfirmPrompt);
    heading += "\n";
    Err(heading);
    Err("  " + ToTerminalLines(text, "\n  ") + "\n");
    Err("y = " + ButtonText(texts::kSpamConfirmDeleteButton) +
        ", n = " + ButtonText(texts::kSpamConfirmKeepButton) +
        ", s = " + ButtonText(texts::kSpamConfirmStopButton) + "\n");

    corvex::SpamCountdown countdown(countdown_seconds);
    countdown.Start(true);
    ShowCountdown(countdown);
    int answer = kSpamConfirmKeep;
    for (;;) {
        std::string line;
        const platform::LineStatus got = platform::read_line_within(
            countdown.running() ? std::chrono::milliseconds(1000) : std::chrono::milliseconds(60 * 60 * 1000),
            line);
        if (got == platform::LineStatus::timeout) {
            if (!countdown.running()) continue;
            if (countdown.OnTimer().close) break;
            ShowCountdown(countdown);
            continue;
        }
        if (got != platform::LineStatus::line) break;
        if (line == "y" || line == "Y") {
            answer = kSpamConfirmDelete;
            break;
        }
        if (line == "n" || line == "N") break;
        if ((line == "s" || line == "S") && countdown.running()) countdown.Stop();
        ShowCountdown(countdown);
    }
    Err(answer == kSpamConfirmDelete ? "\ndeleting the message\n" : "\nkeeping the message\n");
    return answer;
}

void TerminalUi::pump() {
    // A cancel request raised before the run began was cleared by it: raise it again.
    if (platform::interrupt_requested() && !platform::cancel_requested()) platform::request_cancel();
}

} // namespace corvex_check
