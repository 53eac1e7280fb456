// Reading and writing one setting through the registry. Every value is a text of at most
// platform::kRegTextMax (254) bytes, written with a data length of 255 bytes (the registry layer
// pads with NULs on Windows). A longer text is refused with too_long and nothing is written: the
// caller learns of it from the status, nothing is ever cut here.
#pragma once

#include "corvex/settings/key_selector.h"
#include "platform/registry.h"

#include <string>
#include <string_view>

namespace corvex::settings {

// Names of the run-time work values. They live in the active profile's key, except
// SetDialogHWND, which sits in the root key.
inline constexpr char kSTOPModeWork[] = "STOPModeWork";   // "ON", "OFF"
inline constexpr char kDialogVisible[] = "DialogVisible"; // "YES", "NO"
inline constexpr char kDispModeWork[] = "DispModeWork";   // "TIME", "OFF"
inline constexpr char kReConnectHnd[] = "ReConnectHnd";   // "%u" handle or "0"
inline constexpr char kSetGreenColor[] = "SetGreenColor";
inline constexpr char kSetDialogHWND[] = "SetDialogHWND"; // "%u"; root key
inline constexpr char kCurrentProfID[] = "CurrentProfID"; // root key

// "$$$MailCount_%0d" and "$$$MailCount2_%0d" of an account index.
std::string MailCountName(int index);
std::string MailCount2Name(int index);

// One value at a time, below a root key (the real one unless a test gives its own).
class ValueStore {
  public:
    explicit ValueStore(platform::Registry& registry, std::string root = kRootKeyPath);

    platform::Registry& registry() { return *registry_; }
    const std::string& root() const { return root_; }

    // The full path of a selected key; false for a profile or account outside its range.
    bool KeyPath(const KeySelector& key, std::string& path) const;

    // Reads a text. A missing key or value (or one that is not text) returns a status other than
    // ok and an empty text; the caller applies its default.
    platform::RegStatus Read(const KeySelector& key, std::string_view name, std::string& text);
    // Reads a text; def when the read failed. An existing empty value reads as empty.
    std::string ReadOr(const KeySelector& key, std::string_view name, std::string_view def);

    // Writes a text into the selected key. The root and profile keys must exist already (a
    // missing one returns not_found and writes nothing); account keys and the Work key are
    // created when missing. too_long: longer than 254 bytes, nothing written.
    platform::RegStatus Write(const KeySelector& key, std::string_view name, std::string_view text);

    // Creates the selected key with the keys above it; ok when it exists.
    platform::RegStatus CreateKey(const KeySelector& key);

  private:
    platform::Registry* registry_;
    std::string root_;
};

} // namespace corvex::settings
