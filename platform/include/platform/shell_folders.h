// Folder locations that Windows keeps in the registry.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class Registry;

// HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders.
inline constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A value of the Shell Folders key, e.g. "AppData"; empty when missing. In the file store "AppData"
// defaults to the store's directory.
std::string shell_folder(Registry& registry, std::string_view name);
// The application-data folder: shell_folder("AppData").
std::string app_data_dir(Registry& registry);
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion, value ProgramFilesDir; empty when missing.
std::string program_files_dir(Registry& registry);

} // namespace platform
