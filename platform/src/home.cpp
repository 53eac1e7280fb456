// Where the native build keeps its registry file and data.
#include "platform/registry.h"

#include <cstdlib>

namespace platform {

std::string resolve_home(std::string_view home_flag, const EnvLookup& env) {
    if (!home_flag.empty()) return std::string(home_flag);
    auto get = [&](const char* name) -> std::string {
        if (env) return env(name).value_or(std::string());
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    };
    if (std::string dir = get("PELMORA_HOME"); !dir.empty()) return dir;
    // The XDG base directory rules ignore a relative path.
    if (std::string xdg = get("XDG_CONFIG_HOME"); !xdg.empty() && xdg.front() == '/') return xdg + "/pelmora";
    if (std::string home = get("HOME"); !home.empty()) {
        if (home.back() == '/') home.pop_back();
        return home + "/.config/pelmora";
    }
    return {};
}

} // namespace platform
