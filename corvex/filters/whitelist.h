// The whitelist FriendList.dat: sender addresses that are never spam, separated by white
// space (one a line as written), compared without regard to case and without wildcards.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// Most entries the settings page loads, and the longest line it writes.
inline constexpr std::size_t kWhitelistMaxEntries = 9999;
inline constexpr std::size_t kWhitelistLineMax = 127;

std::string FriendListPath(std::string_view data_dir);     // FriendList.dat
std::string FriendListWorkPath(std::string_view data_dir); // FriendList.$$$

// Lower-cases address in place (the check run's copy of the sender address: later steps see
// that form), then reports whether it equals a lower-cased entry of FriendList.dat. A missing
// file whitelists nobody.
bool IsWhitelisted(std::string_view data_dir, std::string& address);

// The entries of FriendList.dat as written (one per white-space separated token), at most
// max_entries. A missing file gives none.
std::vector<std::string> ReadWhitelist(std::string_view data_dir,
                                       std::size_t max_entries = kWhitelistMaxEntries);

// Writes the settings page's work copy FriendList.$$$ from the lines of its text box: every
// non-empty line, cut to kWhitelistLineMax bytes. False when it cannot be written.
bool WriteWhitelistWorkCopy(std::string_view data_dir, const std::vector<std::string>& lines);

} // namespace corvex
