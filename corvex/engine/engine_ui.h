// The engine's only way to the screen. The Windows build implements it with the real
// controls, the tests with a recorder and corvex-check with the terminal. Every text is
// Shift_JIS. The defaults do nothing, so an implementation overrides what it shows.
#pragma once

#include <string>

namespace corvex {

enum class MessageIcon { Information, Warning, Error };

// Tray icon animation steps shown around every wait for the server.
enum class TrayStep { Check1, Check2, Check3, Check4, Delete1, Delete2 };

class EngineUi {
  public:
    virtual ~EngineUi() = default;

    // Progress bar: range 1 to 10, step 1, position 0 at the start of a run; then tenths.
    virtual void progress_reset() {}
    virtual void progress(int /*tenth*/) {}
    // The status text control of the delete and fetch runs.
    virtual void status(const std::string& /*text*/) {}
    virtual void tray_step(TrayStep /*step*/) {}
    virtual void tray_tip(const std::string& /*text*/) {}
    virtual void message_box(const std::string& /*text*/, const std::string& /*caption*/,
                             MessageIcon /*icon*/) {}
    // The spam deletion confirmation with its countdown: 1 = delete, 2 = keep.
    virtual int confirm_spam_deletion(const std::string& /*text*/, int /*countdown_seconds*/) { return 2; }
    // Runs during every wait on the server (the GUI dispatches window messages here).
    virtual void pump() {}
};

} // namespace corvex
