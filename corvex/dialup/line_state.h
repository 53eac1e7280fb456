// The dial-up line as the check schedule and driver see it. The native build is always on a
// LAN; the Windows build's remote-access implementation comes with the tray program.
#pragma once

#include <string_view>

namespace corvex {

// The DialupName entry that means "no dial-up".
bool IsLanEntry(std::string_view dialup_name);

class LineState {
  public:
    virtual ~LineState() = default;
    // A remote-access connection is up.
    virtual bool connection_active() = 0;
};

class LanOnly : public LineState {
  public:
    bool connection_active() override { return false; }
};

} // namespace corvex
