#include "corvex/settings/settings_values.h"

#include <utility>

namespace corvex::settings {

using platform::Hive;
using platform::RegStatus;

std::string MailCountName(int index) {
    return "$$$MailCount_" + std::to_string(index);
}

std::string MailCount2Name(int index) {
    return "$$$MailCount2_" + std::to_string(index);
}

ValueStore::ValueStore(platform::Registry& registry, std::string root)
    : registry_(&registry), root_(std::move(root)) {}

bool ValueStore::KeyPath(const KeySelector& key, std::string& path) const {
    return key.Path(root_, path);
}

RegStatus ValueStore::Read(const KeySelector& key, std::string_view name, std::string& text) {
    text.clear();
    std::string path;
    if (!KeyPath(key, path)) return RegStatus::invalid_name;
    return registry_->read_text(Hive::current_user, path, name, text);
}

std::string ValueStore::ReadOr(const KeySelector& key, std::string_view name, std::string_view def) {
    std::string text;
    if (Read(key, name, text) != RegStatus::ok) return std::string(def);
    return text;
}

RegStatus ValueStore::Write(const KeySelector& key, std::string_view name, std::string_view text) {
    std::string path;
    if (!KeyPath(key, path)) return RegStatus::invalid_name;
    // A text ends at its first NUL, as the registry stores it. The length is checked before any
    // key is created, so a refused text leaves no trace.
    text = text.substr(0, text.find('\0'));
    if (text.size() > platform::kRegTextMax) return RegStatus::too_long;
    const bool creates = key.kind() == KeySelector::Kind::account || key.kind() == KeySelector::Kind::work;
    if (creates && !registry_->key_exists(Hive::current_user, path)) {
        if (RegStatus s = registry_->create_key(Hive::current_user, path); s != RegStatus::ok) return s;
    }
    return registry_->write_text(Hive::current_user, path, name, text);
}

RegStatus ValueStore::CreateKey(const KeySelector& key) {
    std::string path;
    if (!KeyPath(key, path)) return RegStatus::invalid_name;
    return registry_->create_key(Hive::current_user, path);
}

} // namespace corvex::settings
