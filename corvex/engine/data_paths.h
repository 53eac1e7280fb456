// Layout of the data directory: "Quillon/Corvex" in the application-data folder with the
// folders Temp (one work directory per account), ID (seen lists) and ACT (filter hand-over
// lists), and the names of the files in them. Paths are Shift_JIS byte strings joined with
// the platform's separator ("\" on Windows, "/" elsewhere).
#pragma once

#include <string>
#include <string_view>

namespace corvex {

// Files of an account work directory.
inline constexpr char kReportFileName[] = "index.tmp";
inline constexpr char kReportTempName[] = "index.$$$";
inline constexpr char kIndexFileName[] = "IDLIST.IDX";
inline constexpr char kIndexTempName[] = "IDLIST.$DX";
inline constexpr char kVisitListName[] = "IDLIST.$DL";
inline constexpr char kLastVisitListName[] = "IDLIST.IDL";
inline constexpr char kWorkFileName[] = "$HBWORK$.TMP";
inline constexpr char kCacheFileExtension[] = ".emf";

// Extensions of an account's files in the ID folder.
inline constexpr char kSeenListExtension[] = ".$ID";
inline constexpr char kSeenTrimExtension[] = ".NEW";
inline constexpr char kSeenSnapshotExtension[] = ".$GR";
inline constexpr char kSeenRestoreExtension[] = ".$TL";

// Bytes below 0x20 and 0x7F: they never reach a file name, a field or a line of the data
// files (neither is ever part of a two-byte Shift_JIS character).
constexpr bool IsControlByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

char PathSeparator();
// dir + separator + name; a separator already ending dir is not doubled.
std::string JoinPath(std::string_view dir, std::string_view name);

// Tab, LF, CR, blank, "/", ":" and "\" become "_" (the second byte of a two-byte
// Shift_JIS character is left alone: it may be 0x5C without being a "\").
std::string SanitiseName(std::string_view name);
// Sanitised user, "_", sanitised host: the name of the account's work directory and the
// base name of its files in the ID folder.
std::string AccountName(std::string_view user, std::string_view host);

// "<app_data>/Quillon/Corvex".
std::string DataDirectory(std::string_view app_data);
std::string TempDirectory(std::string_view data_dir);
std::string IdDirectory(std::string_view data_dir);
std::string ActDirectory(std::string_view data_dir);
// Creates a folder when it is missing; true when it exists afterwards.
bool EnsureDirectory(const std::string& path);
// Quillon, Quillon/Corvex and its Temp, ID and ACT folders, each created only when missing.
bool EnsureDataDirectories(std::string_view app_data);

// Temp/<user>_<host>.
std::string WorkDirectory(std::string_view data_dir, std::string_view user, std::string_view host);
std::string WorkFilePath(std::string_view work_dir, std::string_view name);

// Whether a name has the form the check run gives a cache file: account number, "-", visit
// time (ten digits), "-", visit counter; digits and dashes only. A name read back from a file
// (the index, a report, a selection) is only a name, never a path: anything else names no
// cache file.
bool IsCacheName(std::string_view name);
// The cache file of a cache name: work directory, name, ".emf". For a name that is not a
// cache name the path is empty, which no file operation opens, creates or removes.
std::string CacheFilePath(std::string_view work_dir, std::string_view cache_name);

// The seen list of an account and its companions in the ID folder.
struct SeenFiles {
    std::string list;      // .$ID
    std::string trim_copy; // .NEW, while the list is trimmed
    std::string snapshot;  // .$GR, taken before each check
    std::string restore;   // .$TL, replaces the list before the next check
};
SeenFiles SeenListFiles(std::string_view data_dir, std::string_view user, std::string_view host);

} // namespace corvex
