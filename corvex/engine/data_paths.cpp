#include "corvex/engine/data_paths.h"

#include <filesystem>
#include <system_error>

#include "bytes/sjis_bytes.h"

namespace corvex {

namespace {

// First byte of a two-byte Shift_JIS character; its second byte may be 0x5C ("\\").
bool IsLeadByte(char c) {
    return dorvik::bytes::IsLeadByte(static_cast<unsigned char>(c));
}

bool EndsWithSeparator(std::string_view dir) {
    bool trail = false;
    for (std::size_t i = 0; i < dir.size(); ++i) {
        trail = false;
        if (IsLeadByte(dir[i]) && i + 1 < dir.size()) {
            ++i;
            trail = true;
        }
    }
    return !dir.empty() && !trail && (dir.back() == PathSeparator() || dir.back() == '/');
}

} // namespace

char PathSeparator() {
    return static_cast<char>(std::filesystem::path::preferred_separator);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && !EndsWithSeparator(out)) out += PathSeparator();
    out += name;
    return out;
}

std::string SanitiseName(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        char& c = out[i];
        if (IsLeadByte(c)) {
            ++i; // the second byte belongs to the character
            continue;
        }
        switch (c) {
        case '\t':
        case '\n':
        case '\r':
        case ' ':
        case '/':
        case ':':
        case '\\':
            c = '_';
            break;
        default:
            break;
        }
    }
    return out;
}

std::string AccountName(std::string_view user, std::string_view host) {
    return SanitiseName(user) + "_" + SanitiseName(host);
}

std::string DataDirectory(std::string_view app_data) {
    return JoinPath(JoinPath(app_data, "Quillon"), "Corvex");
}
std::string TempDirectory(std::string_view data_dir) {
    return JoinPath(data_dir, "Temp");
}
std::string IdDirectory(std::string_view data_dir) {
    return JoinPath(data_dir, "ID");
}
std::string ActDirectory(std::string_view data_dir) {
    return JoinPath(data_dir, "ACT");
}

bool EnsureDirectory(const std::string& path) {
    // A path the library cannot convert throws even through the error_code overloads.
    try {
        std::error_code ec;
        const std::filesystem::path p(path);
        if (std::filesystem::is_directory(p, ec)) return true;
        std::filesystem::create_directory(p, ec);
        return std::filesystem::is_directory(p, ec);
    } catch (const std::exception&) {
        return false;
    }
}

bool EnsureDataDirectories(std::string_view app_data) {
    const std::string data_dir = DataDirectory(app_data);
    bool ok = EnsureDirectory(JoinPath(app_data, "Quillon"));
    ok = EnsureDirectory(data_dir) && ok;
    ok = EnsureDirectory(TempDirectory(data_dir)) && ok;
    ok = EnsureDirectory(IdDirectory(data_dir)) && ok;
    ok = EnsureDirectory(ActDirectory(data_dir)) && ok;
    return ok;
}

std::string WorkDirectory(std::string_view data_dir, std::string_view user, std::string_view host) {
    return JoinPath(TempDirectory(data_dir), AccountName(user, host));
}

std::string WorkFilePath(std::string_view work_dir, std::string_view name) {
    return JoinPath(work_dir, name);
}

bool IsCacheName(std::string_view name) {
    // Each run of digits is bounded: the account number and the counter are small numbers.
    constexpr std::size_t kMaxNumber = 10;
    constexpr std::size_t kTimeDigits = 10;
    const auto digits = [&name](std::size_t min, std::size_t max) {
        std::size_t n = 0;
        while (n < name.size() && name[n] >= '0' && name[n] <= '9')
            ++n;
        if (n < min || n > max) return false;
        name.remove_prefix(n);
        return true;
    };
    const auto dash = [&name] {
        if (name.empty() || name.front() != '-') return false;
        name.remove_prefix(1);
        return true;
    };
    return digits(1, kMaxNumber) && dash() && digits(kTimeDigits, kTimeDigits) && dash() &&
           digits(1, kMaxNumber) && name.empty();
}

std::string CacheFilePath(std::string_view work_dir, std::string_view cache_name) {
    if (!IsCacheName(cache_name)) return std::string();
    return JoinPath(work_dir, std::string(cache_name) + kCacheFileExtension);
}

SeenFiles SeenListFiles(std::string_view data_dir, std::string_view user, std::string_view host) {
    const std::string base = JoinPath(IdDirectory(data_dir), AccountName(user, host));
    return {base + kSeenListExtension, base + kSeenTrimExtension, base + kSeenSnapshotExtension,
            base + kSeenRestoreExtension};
}

} // namespace corvex
