// The registry: text values under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, by key path.
//
// Two stores behind one interface:
//  - win32: the Windows registry through the ANSI API (Windows only).
//  - file:  one REGEDIT4 text file DIR/pelmora.reg, Shift_JIS bytes and CR LF as regedit writes it
//           on Japanese Windows. Loaded when opened; every change rewrites it atomically (temporary
//           file, flush to disk, rename), or once at the end of a Batch. A file that does not parse
//           is never overwritten: the store refuses every change until set_aside_corrupt().
//
// Paths use backslashes ("Software\Quillon\Ravelin98\002"); an empty path is the hive itself.
// Key and value names compare without regard to ASCII case, as on Windows. Texts are bytes
// (Shift_JIS); a text holds at most kRegTextMax bytes: a longer one is refused (too_long), never
// cut. On Windows a text is written as REG_SZ with a data length of kRegDataBytes: the text, then
// NUL bytes up to that length.
//
// All operations of one Registry are serialised by a lock, so worker threads may read work values.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class Hive { current_user, local_machine };

enum class RegStatus {
    ok,
    not_found,    // the key or the value is missing
    too_long,     // the text is longer than kRegTextMax bytes; nothing written
    invalid_name, // empty path component, control byte, over-long or broken Shift_JIS name
    wrong_type,   // the value exists but is not text
    corrupt,      // the file store did not parse; changes are refused
    io_error,     // the system refused (access, disk); see last_error()
    not_open,     // no store opened
};

enum class RegKind { none, win32, file };

inline constexpr std::size_t kRegTextMax = 254;   // bytes of text in one value
inline constexpr std::size_t kRegDataBytes = 255; // the fixed data length of a written value
inline constexpr std::size_t kRegNameMax = 255;   // bytes in one key name or value name

const char* to_string(RegStatus status) noexcept;

// The name of the registry file inside the home directory.
inline constexpr const char* kRegFileName = "pelmora.reg";

// The home directory of the native build: home_flag (--home DIR) if not empty, else $PELMORA_HOME,
// else $XDG_CONFIG_HOME/pelmora (when absolute), else $HOME/.config/pelmora. Empty when none of
// them is set. Empty variables count as unset. env looks variables up (the process environment when
// empty); tests pass their own.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
std::string resolve_home(std::string_view home_flag, const EnvLookup& env = {});

namespace detail {
class RegBackend;
}

class Registry {
  public:
    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The machine's registry: the Windows registry on Windows (home_flag unused); natively the
    // file store in resolve_home(home_flag).
    RegStatus open_system(std::string_view home_flag = {});
    // The file store in dir (created on the first change), on either platform.
    RegStatus open_file(std::string_view dir);
    // After open_file/open_system returned corrupt: renames the bad file to pelmora.reg.bad
    // (replacing an older one) and continues with an empty store.
    RegStatus set_aside_corrupt();

    RegKind kind() const;
    // The file store's file; empty for the Windows registry.
    std::string store_path() const;
    // Text of the last failure, with the system's own message where there is one.
    std::string last_error() const;

    bool key_exists(Hive hive, std::string_view path);
    // Creates the key and every missing key above it; ok when it exists already.
    RegStatus create_key(Hive hive, std::string_view path);
    // Reads a text value: the stored text up to its first NUL. Missing key or value: not_found and
    // an empty text.
    RegStatus read_text(Hive hive, std::string_view path, std::string_view name, std::string& text);
    // Writes a text value into an existing key (a missing key is not_found: nothing is created).
    RegStatus write_text(Hive hive, std::string_view path, std::string_view name, std::string_view text);
    // Bytes of data the value holds (Windows: its REG_SZ data length, kRegDataBytes for what
    // write_text wrote; file store: text plus the NUL, as a regedit import would create it).
    RegStatus data_size(Hive hive, std::string_view path, std::string_view name, std::size_t& bytes);
    // Names of the subkeys, sorted without regard to case.
    RegStatus list_subkeys(Hive hive, std::string_view path, std::vector<std::string>& names);
    // Names of the values in the key (file store: in the order they were first written).
    RegStatus list_values(Hive hive, std::string_view path, std::vector<std::string>& names);
    RegStatus delete_value(Hive hive, std::string_view path, std::string_view name);
    // Deletes the key with all its subkeys and values. The hive itself cannot be deleted.
    RegStatus delete_tree(Hive hive, std::string_view path);
    // Writes pending changes of the file store now (nothing to do for the Windows registry).
    RegStatus flush();
    // Reads the file store's file again, so that what other processes wrote since it was opened
    // shows (own pending changes are written first; inside a Batch nothing happens). The Windows
    // registry is always current.
    RegStatus reload();

    // Groups many changes into one rewrite of the file store (the settings store saves a whole
    // profile inside one). Nests. The file is written when the outermost Batch commits or ends.
    class Batch {
      public:
        explicit Batch(Registry& registry);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Ends the batch now and reports the write's result.
        RegStatus commit();

      private:
        Registry* registry_;
    };

  private:
    RegStatus finish(RegStatus status);
    RegStatus after_change(RegStatus status);
    RegStatus check_path(std::string_view path);
    RegStatus check_name(std::string_view name);

    mutable std::recursive_mutex mutex_;
    std::unique_ptr<detail::RegBackend> backend_;
    std::string error_;
    int batch_depth_ = 0;
};

} // namespace platform
