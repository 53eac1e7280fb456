// Natively the machine's registry is the file store in the home directory.
#include "reg_backend.h"

namespace platform::detail {

std::unique_ptr<RegBackend> make_system_backend(std::string_view home_flag, RegStatus& status,
                                                std::string& error) {
    const std::string dir = resolve_home(home_flag);
    if (dir.empty()) {
        status = RegStatus::not_open;
        error = "no home directory: give --home DIR, or set PELMORA_HOME or HOME";
        return nullptr;
    }
    return make_file_backend(dir, status, error);
}

} // namespace platform::detail
