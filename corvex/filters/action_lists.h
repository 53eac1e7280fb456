// The hand-over lists through which the action filters queue their work for after the
// check, and the send-setting list.
//
//   FSOUND.LST (account work folder)  "*|*|%s"   sound files, each at most once
//   ACT/FAPL.LST                      "%s|%s|%s" work-folder name, cache name, program template
//   ACT/FSEND.LST                     "%s|%s|%s" work-folder name, cache name, send setting
//   ACT/ACTSEND.LST                   "%d %s %s" number (skipped), setting id, display name
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// Bounds of the send-setting list: entries loaded, id and name lengths (longer ones are cut).
inline constexpr std::size_t kSendSettingsMax = 100;
inline constexpr std::size_t kSendSettingIdMax = 14;
inline constexpr std::size_t kSendSettingNameMax = 49;

// data_dir/Temp/work_folder, where work_folder is the account's work-folder name
// (sanitised user, "_", sanitised host).
std::string AccountWorkDir(std::string_view data_dir, std::string_view work_folder);
std::string SoundListPath(std::string_view data_dir, std::string_view work_folder); // FSOUND.LST
std::string ProgramListPath(std::string_view data_dir);                             // ACT/FAPL.LST
std::string SendListPath(std::string_view data_dir);                                // ACT/FSEND.LST
std::string SendSettingListPath(std::string_view data_dir);                         // ACT/ACTSEND.LST

// Appends "first|second|value". 0, or -1 when the file cannot be opened.
int AppendActionLine(const std::string& list_path, std::string_view first, std::string_view second,
                     std::string_view value);
// Adds "*|*|value" unless a line with the same third field exists; creates the file when
// missing. 0, or -1 when the file cannot be opened.
int AppendActionLine(const std::string& list_path, std::string_view value);

struct ActionLine {
    std::string value; // the third field: everything after the second "|"
    std::string path;  // the first two fields joined by the path separator
};

// One line split: with two "|", value is the text after the second and path is the first
// field, the platform's path separator and the second field ("\" on Windows, so the path
// names the cache file under Temp); with one "|", path is the first field and value the rest;
// without "|", value is the whole line and path is empty.
ActionLine SplitActionLine(std::string_view line);

// All lines of a list; a missing file gives none.
std::vector<ActionLine> ReadActionLines(const std::string& list_path);

// Returns the number of lines of the list (0 for a missing file) and, when line n (from 1)
// exists, delivers its fields; otherwise value and path are emptied.
int ReadActionLine(const std::string& list_path, int n, std::string& value, std::string& path);

struct SendSetting {
    std::string id;
    std::string name;
};

// The entries of ACTSEND.LST, at most kSendSettingsMax, up to the first line that does not
// yield the three fields.
std::vector<SendSetting> ReadSendSettings(std::string_view data_dir);

} // namespace corvex
