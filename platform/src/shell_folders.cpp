#include "platform/shell_folders.h"

#include "platform/registry.h"

namespace platform {

std::string shell_folder(Registry& registry, std::string_view name) {
    std::string value;
    registry.read_text(Hive::current_user, kShellFoldersKey, name, value);
    return value;
}

std::string app_data_dir(Registry& registry) {
    return shell_folder(registry, "AppData");
}

std::string program_files_dir(Registry& registry) {
    std::string value;
    registry.read_text(Hive::local_machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                       value);
    return value;
}

} // namespace platform
