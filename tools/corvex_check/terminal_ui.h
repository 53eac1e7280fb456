// The engine's screen in corvex-check: message boxes go to standard error, the spam
// confirmation is asked on the terminal with the same countdown as the dialog, and the pump
// passes the interrupt key on as the engine's cancel request.
#pragma once

#include <string>

#include "corvex/engine/engine_ui.h"

namespace corvex_check {

class TerminalUi : public corvex::EngineUi {
  public:
    void message_box(const std::string& text, const std::string& caption, corvex::MessageIcon icon) override;
    // 1 = delete, 2 = keep: keep without a terminal, when the countdown runs out, at the end of
    // input and on the interrupt key.
    int confirm_spam_deletion(const std::string& text, int countdown_seconds) override;
    void pump() override;
};

} // namespace corvex_check
