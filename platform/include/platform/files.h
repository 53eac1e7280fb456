// Paths and files. Paths are bytes (Shift_JIS on Windows through the ANSI API). Functions that can
// fail return false and, when error is given, put the system's text there.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// '\\' on Windows, '/' natively.
char path_separator() noexcept;
// base + separator + name; no separator doubled, none added to an empty base. On Windows '/' also
// counts as a separator at the end of base, and a trailing Shift_JIS byte 0x5C is not one.
std::string path_join(std::string_view base, std::string_view name);

bool file_exists(const std::string& path); // a file (not a directory) is there
bool dir_exists(const std::string& path);

// Creates one directory when it is missing; true when it exists afterwards.
bool make_dir(const std::string& path, std::string* error = nullptr);
// Creates the directory and every missing one above it.
bool make_dirs(const std::string& path, std::string* error = nullptr);

// Removes a file; false when it could not (or was not there).
bool remove_file(const std::string& path, std::string* error = nullptr);
// Renames a file; fails when target exists (on both platforms, as on Windows).
bool rename_file(const std::string& from, const std::string& to, std::string* error = nullptr);
// Puts temp in the place of target: afterwards target holds temp's bytes and temp is gone. The
// swap is atomic (no moment without a target), and on failure both files stay as they were; a
// missing temp fails without touching target. A missing target is fine.
bool replace_file(const std::string& temp, const std::string& target, std::string* error = nullptr);

// Reads a whole file as bytes.
bool read_file(const std::string& path, std::string& bytes, std::string* error = nullptr);
// Writes bytes to path + ".tmp", flushes them to the disk, then replace_file()s path with it.
bool write_file_atomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// What the C library's errno of a failed write or close says, in the terms a user is told.
enum class WriteFault { disk_full, not_permitted, io_error, other };
WriteFault classify_write_errno(int error);

} // namespace platform
