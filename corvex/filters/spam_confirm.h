// The confirmation asked before a spam match of the "確認後" mode is deleted: the interface the
// check run calls, and the countdown that closes it by itself. The Windows dialog and the
// terminal version implement SpamConfirmer and drive a SpamCountdown.
#pragma once

#include <string>
#include <string_view>

namespace corvex {

// Answers of the confirmation.
inline constexpr int kSpamConfirmDelete = 1;
inline constexpr int kSpamConfirmKeep = 2;

// Bounds and default of SpamCloseSec.
inline constexpr int kSpamCloseSecMin = 10;
inline constexpr int kSpamCloseSecMax = 60;
inline constexpr int kSpamCloseSecDefault = 30;

class SpamConfirmer {
  public:
    virtual ~SpamConfirmer() = default;
    // Shows the message description (the check run's eight-line confirmation text, Shift_JIS)
    // and counts down from countdown_seconds; 1 = delete, 2 = keep (also on timeout).
    virtual int ConfirmSpamDeletion(const std::string& text, int countdown_seconds) = 0;
};

// Countdown seconds from the SpamCloseSec value: empty gives 30; otherwise its decimal value
// (leading digits; none reads as 0) clamped to 10..60.
int SpamCountdownSeconds(std::string_view spam_close_sec);

// Asks the confirmer with the clamped countdown; any answer other than 1 keeps the message.
int ConfirmSpamDeletion(SpamConfirmer& confirmer, const std::string& text, std::string_view spam_close_sec);

// The dialog's countdown: a one-second timer, the countdown line and a small blinking picture.
class SpamCountdown {
  public:
    explicit SpamCountdown(int seconds) : remaining_(seconds) {}

    // On opening. False when the timer could not be started: the line stays empty and the
    // dialog waits for a button.
    void Start(bool timer_started);

    struct Tick {
        bool show_picture; // the new value is even
        bool close;        // the countdown reached 0: stop the timer and close with 2
    };
    // One second has passed.
    Tick OnTimer();

    // "ｶｳﾝﾄﾀﾞｳﾝ中止": stops the timer and clears the line; the caller disables that button and
    // hides the picture. The dialog then waits for a button.
    void Stop();

    bool running() const { return running_; }
    int remaining() const { return remaining_; }
    // The countdown line as it reads now (Shift_JIS).
    const std::string& line() const { return line_; }

  private:
    void Redraw();

    int remaining_;
    bool running_ = false;
    std::string line_;
};

} // namespace corvex
