// The front of platform::Registry: checks names, paths and text lengths, serialises the calls and
// writes the file store after each change (or at the end of a batch).
#include "platform/registry.h"

#include "reg_backend.h"
#include "sjis.h"

#include <cstring>

namespace platform {

const char* to_string(RegStatus status) noexcept {
    switch (status) {
    case RegStatus::ok:
        return "ok";
    case RegStatus::not_found:
        return "not found";
    case RegStatus::too_long:
        return "text too long";
    case RegStatus::invalid_name:
        return "invalid name";
    case RegStatus::wrong_type:
        return "not a text value";
    case RegStatus::corrupt:
        return "registry file corrupt";
    case RegStatus::io_error:
        return "system error";
    case RegStatus::not_open:
        return "registry not open";
    }
    return "?";
}

namespace detail {

std::vector<std::string> split_key_path(std::string_view path) {
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    std::string part;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = sjis_char_length(path, i);
        if (n == 1 && path[i] == '\\') {
            parts.push_back(std::move(part));
            part.clear();
        } else {
            part.append(path.substr(i, n));
        }
        i += n;
    }
    parts.push_back(std::move(part));
    return parts;
}

} // namespace detail

namespace {
bool valid_name(std::string_view name) {
    if (name.size() > kRegNameMax) return false;
    for (unsigned char c : name)
        if (c < 0x20) return false;
    return detail::sjis_well_formed(name);
}

// A text ends at its first NUL, as a C string would.
std::string_view until_nul(std::string_view text) {
    const std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}
} // namespace

Registry::Registry() = default;
Registry::~Registry() {
    // Changes still waiting in an unfinished batch are written now.
    if (backend_) {
        std::string ignored;
        backend_->flush(ignored);
    }
}

RegStatus Registry::open_system(std::string_view home_flag) {
    std::lock_guard lock(mutex_);
    RegStatus status = RegStatus::ok;
    error_.clear();
    backend_ = detail::make_system_backend(home_flag, status, error_);
    return status;
}

RegStatus Registry::open_file(std::string_view dir) {
    std::lock_guard lock(mutex_);
    RegStatus status = RegStatus::ok;
    error_.clear();
    if (dir.empty()) {
        backend_.reset();
        error_ = "no directory for the registry file";
        return RegStatus::not_open;
    }
    backend_ = detail::make_file_backend(std::string(dir), status, error_);
    return status;
}

RegStatus Registry::set_aside_corrupt() {
    std::lock_guard lock(mutex_);
    if (!backend_) return finish(RegStatus::not_open);
    return backend_->set_aside_corrupt(error_);
}

RegKind Registry::kind() const {
    std::lock_guard lock(mutex_);
    return backend_ ? backend_->kind() : RegKind::none;
}

std::string Registry::store_path() const {
    std::lock_guard lock(mutex_);
    return backend_ ? backend_->store_path() : std::string();
}

std::string Registry::last_error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

RegStatus Registry::finish(RegStatus status) {
    if (status == RegStatus::not_open) error_ = "the registry is not open";
    return status;
}

RegStatus Registry::check_path(std::string_view path) {
    if (!backend_) return finish(RegStatus::not_open);
    for (const std::string& part : detail::split_key_path(path)) {
        if (part.empty() || !valid_name(part)) {
            error_ = "invalid key path " + std::string(path);
            return RegStatus::invalid_name;
        }
    }
    return RegStatus::ok;
}

RegStatus Registry::check_name(std::string_view name) {
    if (!valid_name(name)) {
        error_ = "invalid value name " + std::string(name);
        return RegStatus::invalid_name;
    }
    return RegStatus::ok;
}

RegStatus Registry::after_change(RegStatus status) {
    if (status != RegStatus::ok || batch_depth_ > 0) return status;
    return backend_->flush(error_);
}

bool Registry::key_exists(Hive hive, std::string_view path) {
    std::lock_guard lock(mutex_);
    return check_path(path) == RegStatus::ok && backend_->key_exists(hive, path);
}

RegStatus Registry::create_key(Hive hive, std::string_view path) {
    std::lock_guard lock(mutex_);
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    return after_change(backend_->create_key(hive, path, error_));
}

RegStatus Registry::read_text(Hive hive, std::string_view path, std::string_view name, std::string& text) {
    std::lock_guard lock(mutex_);
    text.clear();
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    if (RegStatus s = check_name(name); s != RegStatus::ok) return s;
    const RegStatus status = backend_->read_text(hive, path, name, text, error_);
    if (status != RegStatus::ok) text.clear();
    return status;
}

RegStatus Registry::write_text(Hive hive, std::string_view path, std::string_view name,
                               std::string_view text) {
    std::lock_guard lock(mutex_);
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    if (RegStatus s = check_name(name); s != RegStatus::ok) return s;
    text = until_nul(text);
    if (text.size() > kRegTextMax) {
        error_ = "a text of " + std::to_string(text.size()) + " bytes is longer than " +
                 std::to_string(kRegTextMax) + "; value " + std::string(name) + " not written";
        return RegStatus::too_long;
    }
    return after_change(backend_->write_text(hive, path, name, text, error_));
}

RegStatus Registry::data_size(Hive hive, std::string_view path, std::string_view name, std::size_t& bytes) {
    std::lock_guard lock(mutex_);
    bytes = 0;
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    if (RegStatus s = check_name(name); s != RegStatus::ok) return s;
    return backend_->data_size(hive, path, name, bytes, error_);
}

RegStatus Registry::list_subkeys(Hive hive, std::string_view path, std::vector<std::string>& names) {
    std::lock_guard lock(mutex_);
    names.clear();
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    return backend_->list_subkeys(hive, path, names, error_);
}

RegStatus Registry::list_values(Hive hive, std::string_view path, std::vector<std::string>& names) {
    std::lock_guard lock(mutex_);
    names.clear();
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    return backend_->list_values(hive, path, names, error_);
}

RegStatus Registry::delete_value(Hive hive, std::string_view path, std::string_view name) {
    std::lock_guard lock(mutex_);
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    if (RegStatus s = check_name(name); s != RegStatus::ok) return s;
    return after_change(backend_->delete_value(hive, path, name, error_));
}

RegStatus Registry::delete_tree(Hive hive, std::string_view path) {
    std::lock_guard lock(mutex_);
    if (RegStatus s = check_path(path); s != RegStatus::ok) return s;
    if (path.empty()) {
        error_ = "a hive cannot be deleted";
        return RegStatus::invalid_name;
    }
    return after_change(backend_->delete_tree(hive, path, error_));
}

RegStatus Registry::flush() {
    std::lock_guard lock(mutex_);
    if (!backend_) return finish(RegStatus::not_open);
    return backend_->flush(error_);
}

RegStatus Registry::reload() {
    std::lock_guard lock(mutex_);
    if (!backend_) return finish(RegStatus::not_open);
    if (batch_depth_ > 0) return RegStatus::ok;
    return backend_->reload(error_);
}

Registry::Batch::Batch(Registry& registry) : registry_(&registry) {
    std::lock_guard lock(registry_->mutex_);
    ++registry_->batch_depth_;
}

Registry::Batch::~Batch() {
    commit();
}

RegStatus Registry::Batch::commit() {
    if (!registry_) return RegStatus::ok;
    Registry& r = *registry_;
    registry_ = nullptr;
    std::lock_guard lock(r.mutex_);
    if (--r.batch_depth_ > 0 || !r.backend_) return RegStatus::ok;
    return r.backend_->flush(r.error_);
}

} // namespace platform
