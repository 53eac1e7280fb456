// Paths built the same way on both platforms; only the separator differs.
#include "platform/files.h"

#include "sjis.h"

namespace platform {

namespace {
bool is_separator(char c) {
    return c == path_separator() || (path_separator() == '\\' && c == '/');
}

// Offset of the last character of path (a double-byte character counts as one).
std::size_t last_char_start(std::string_view path) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < path.size(); i += detail::sjis_char_length(path, i))
        last = i;
    return last;
}

bool ends_with_separator(std::string_view path) {
    if (path.empty()) return false;
    if (path_separator() == '/') return path.back() == '/';
    const std::size_t last = last_char_start(path);
    return last == path.size() - 1 && is_separator(path.back());
}
} // namespace

std::string path_join(std::string_view base, std::string_view name) {
    std::string out(base);
    if (!out.empty() && !ends_with_separator(out)) out += path_separator();
    out.append(name);
    return out;
}

bool make_dirs(const std::string& path, std::string* error) {
    if (dir_exists(path)) return true;
    // Every prefix that ends before a separator, shortest first. Failures on the way (a drive, a
    // share) do not count; only whether the whole path is there at the end.
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = path_separator() == '\\' ? detail::sjis_char_length(path, i) : 1;
        if (n == 1 && is_separator(path[i]) && i > 0) {
            const std::string prefix = path.substr(0, i);
            if (!dir_exists(prefix)) make_dir(prefix);
        }
        i += n;
    }
    return make_dir(path, error);
}

} // namespace platform
