#include "corvex/filters/spam_confirm.h"

#include <algorithm>
#include <cstdio>

#include "filters_texts.h"

namespace corvex {

int SpamCountdownSeconds(std::string_view value) {
    if (value.empty()) return kSpamCloseSecDefault;
    long seconds = 0;
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        seconds = seconds * 10 + (value[i] - '0');
        if (seconds > kSpamCloseSecMax) break; // already above the bound
    }
    if (negative) seconds = -seconds;
    return static_cast<int>(std::clamp<long>(seconds, kSpamCloseSecMin, kSpamCloseSecMax));
}

int ConfirmSpamDeletion(SpamConfirmer& confirmer, const std::string& text, std::string_view spam_close_sec) {
    int answer = confirmer.ConfirmSpamDeletion(text, SpamCountdownSeconds(spam_close_sec));
    return answer == kSpamConfirmDelete ? kSpamConfirmDelete : kSpamConfirmKeep;
}

void SpamCountdown::Start(bool timer_started) {
    running_ = timer_started;
    if (running_)
        Redraw();
    else
        line_.clear();
}

SpamCountdown::Tick SpamCountdown::OnTimer() {
    if (!running_) return {false, false};
    --remaining_;
    Tick tick{remaining_ % 2 == 0, false};
    if (remaining_ > 0) {
        Redraw();
    } else {
        running_ = false;
        tick.close = true;
    }
    return tick;
}

void SpamCountdown::Stop() {
    running_ = false;
    line_.clear();
}

void SpamCountdown::Redraw() {
    char text[256];
    std::snprintf(text, sizeof text, texts::kSpamCountdownFormat, remaining_);
    line_ = text;
}

} // namespace corvex
