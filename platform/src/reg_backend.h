// The stores behind platform::Registry. Names and paths reach them already checked.
#pragma once

#include "platform/registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

// Splits a key path at its backslashes (not at a Shift_JIS trail byte 0x5C). Empty path: no parts.
std::vector<std::string> split_key_path(std::string_view path);

class RegBackend {
  public:
    virtual ~RegBackend() = default;
    virtual RegKind kind() const = 0;
    virtual std::string store_path() const { return {}; }

    virtual bool key_exists(Hive hive, std::string_view path) = 0;
    virtual RegStatus create_key(Hive hive, std::string_view path, std::string& error) = 0;
    virtual RegStatus read_text(Hive hive, std::string_view path, std::string_view name, std::string& text,
                                std::string& error) = 0;
    // text holds at most kRegTextMax bytes and no NUL.
    virtual RegStatus write_text(Hive hive, std::string_view path, std::string_view name,
                                 std::string_view text, std::string& error) = 0;
    virtual RegStatus data_size(Hive hive, std::string_view path, std::string_view name, std::size_t& bytes,
                                std::string& error) = 0;
    virtual RegStatus list_subkeys(Hive hive, std::string_view path, std::vector<std::string>& names,
                                   std::string& error) = 0;
    virtual RegStatus list_values(Hive hive, std::string_view path, std::vector<std::string>& names,
                                  std::string& error) = 0;
    virtual RegStatus delete_value(Hive hive, std::string_view path, std::string_view name,
                                   std::string& error) = 0;
    virtual RegStatus delete_tree(Hive hive, std::string_view path, std::string& error) = 0;
    // Writes what changed since the last flush.
    virtual RegStatus flush(std::string&) { return RegStatus::ok; }
    virtual RegStatus set_aside_corrupt(std::string&) { return RegStatus::ok; }
    // Reads the store again from where it lives, when that is not the store itself.
    virtual RegStatus reload(std::string&) { return RegStatus::ok; }
};

// The REGEDIT4 file store in dir. Returns the store also when the file is corrupt (status corrupt),
// so that it can be set aside.
std::unique_ptr<RegBackend> make_file_backend(const std::string& dir, RegStatus& status, std::string& error);
// The machine's registry (Registry_win.cpp, Registry_posix.cpp).
std::unique_ptr<RegBackend> make_system_backend(std::string_view home_flag, RegStatus& status,
                                                std::string& error);

} // namespace platform::detail
