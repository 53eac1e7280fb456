// The registry as one REGEDIT4 file: loaded when opened, rewritten whole through a temporary
// file on flush. A file that does not parse is kept as it is and every operation reports corrupt.
#include "reg_backend.h"
#include "reg_file_format.h"
#include "sjis.h"

#include "platform/files.h"
#include "platform/shell_folders.h"

#include <algorithm>

namespace platform::detail {

namespace {

class FileStore final : public RegBackend {
  public:
    explicit FileStore(std::string dir) : dir_(std::move(dir)), path_(path_join(dir_, kRegFileName)) {}

    RegStatus load(std::string& error) {
        tree_.clear();
        broken_ = RegStatus::ok;
        if (!file_exists(path_)) return RegStatus::ok;
        std::string bytes, why;
        if (!read_file(path_, bytes, &why)) {
            broken_ = RegStatus::io_error;
            return fail(broken_, "cannot read " + path_ + ": " + why, error);
        }
        if (!parse_regedit4(bytes, tree_, why)) {
            broken_ = RegStatus::corrupt;
            return fail(broken_, path_ + " " + why + "; the file is left as it is", error);
        }
        return RegStatus::ok;
    }

    RegKind kind() const override { return RegKind::file; }
    std::string store_path() const override { return path_; }

    bool key_exists(Hive hive, std::string_view path) override {
        return broken_ == RegStatus::ok && find_key(hive, path) != nullptr;
    }

    RegStatus create_key(Hive hive, std::string_view path, std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        RegNode* node = &tree_.root(hive);
        for (const std::string& part : split_key_path(path)) {
            RegNode* child = node->find_child(part);
            if (!child) {
                child = &node->add_child(part);
                dirty_ = true;
            }
            node = child;
        }
        return RegStatus::ok;
    }

    RegStatus read_text(Hive hive, std::string_view path, std::string_view name, std::string& text,
                        std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        const RegValue* value = find_value(hive, path, name);
        if (!value) {
            if (is_app_data(hive, path, name)) {
                text = dir_;
                return RegStatus::ok;
            }
            return fail(RegStatus::not_found, "no value " + std::string(name), error);
        }
        if (!value->is_text)
            return fail(RegStatus::wrong_type, "value " + value->name + " is not text", error);
        text = value->data;
        return RegStatus::ok;
    }

    RegStatus write_text(Hive hive, std::string_view path, std::string_view name, std::string_view text,
                         std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        RegNode* key = find_key(hive, path);
        if (!key) return fail(RegStatus::not_found, "no key " + std::string(path), error);
        if (RegValue* value = key->find_value(name)) {
            value->is_text = true;
            value->data = std::string(text);
        } else {
            key->set_value(RegValue{std::string(name), true, std::string(text)});
        }
        dirty_ = true;
        return RegStatus::ok;
    }

    RegStatus data_size(Hive hive, std::string_view path, std::string_view name, std::size_t& bytes,
                        std::string& error) override {
        std::string text;
        const RegStatus status = read_text(hive, path, name, text, error);
        if (status == RegStatus::ok) bytes = text.size() + 1;
        return status;
    }

    RegStatus list_subkeys(Hive hive, std::string_view path, std::vector<std::string>& names,
                           std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        const RegNode* key = find_key(hive, path);
        if (!key) return fail(RegStatus::not_found, "no key " + std::string(path), error);
        for (const auto& [folded, child] : key->children)
            names.push_back(child->name);
        return RegStatus::ok;
    }

    RegStatus list_values(Hive hive, std::string_view path, std::vector<std::string>& names,
                          std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        const RegNode* key = find_key(hive, path);
        if (!key) return fail(RegStatus::not_found, "no key " + std::string(path), error);
        for (const RegValue& v : key->values())
            names.push_back(v.name);
        return RegStatus::ok;
    }

    RegStatus delete_value(Hive hive, std::string_view path, std::string_view name,
                           std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        RegNode* key = find_key(hive, path);
        if (!key || !key->remove_value(name))
            return fail(RegStatus::not_found, "no value " + std::string(name), error);
        dirty_ = true;
        return RegStatus::ok;
    }

    RegStatus delete_tree(Hive hive, std::string_view path, std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        const std::vector<std::string> parts = split_key_path(path);
        RegNode* parent = &tree_.root(hive);
        for (std::size_t i = 0; parent && i + 1 < parts.size(); ++i)
            parent = parent->find_child(parts[i]);
        if (!parent || parts.empty() || !parent->find_child(parts.back()))
            return fail(RegStatus::not_found, "no key " + std::string(path), error);
        parent->children.erase(fold_name(parts.back()));
        dirty_ = true;
        return RegStatus::ok;
    }

    RegStatus flush(std::string& error) override {
        if (broken_ != RegStatus::ok) return refuse(error);
        if (!dirty_) return RegStatus::ok;
        std::string why;
        if (!make_dirs(dir_, &why))
            return fail(RegStatus::io_error, "cannot create " + dir_ + ": " + why, error);
        if (!write_file_atomic(path_, write_regedit4(tree_), &why))
            return fail(RegStatus::io_error, "cannot write " + path_ + ": " + why, error);
        dirty_ = false;
        return RegStatus::ok;
    }

    RegStatus set_aside_corrupt(std::string& error) override {
        if (broken_ != RegStatus::corrupt) return RegStatus::ok;
        std::string why;
        if (!replace_file(path_, path_ + ".bad", &why))
            return fail(RegStatus::io_error, "cannot rename " + path_ + ": " + why, error);
        tree_.clear();
        broken_ = RegStatus::ok;
        dirty_ = false;
        return RegStatus::ok;
    }

    RegStatus reload(std::string& error) override {
        if (dirty_ && broken_ == RegStatus::ok)
            if (const RegStatus s = flush(error); s != RegStatus::ok) return s;
        dirty_ = false;
        return load(error);
    }

  private:
    static RegStatus fail(RegStatus status, std::string text, std::string& error) {
        error = std::move(text);
        return status;
    }

    RegStatus refuse(std::string& error) const {
        return fail(broken_,
                    broken_ == RegStatus::corrupt ? path_ + " did not load; nothing is read or written"
                                                  : path_ + " could not be read",
                    error);
    }

    RegNode* find_key(Hive hive, std::string_view path) {
        RegNode* node = &tree_.root(hive);
        for (const std::string& part : split_key_path(path)) {
            node = node->find_child(part);
            if (!node) return nullptr;
        }
        return node;
    }

    RegValue* find_value(Hive hive, std::string_view path, std::string_view name) {
        RegNode* key = find_key(hive, path);
        return key ? key->find_value(name) : nullptr;
    }

    // AppData under Shell Folders defaults to the store's directory, so the data directory of the
    // native build is DIR/Quillon/Corvex.
    static bool is_app_data(Hive hive, std::string_view path, std::string_view name) {
        return hive == Hive::current_user && fold_name(name) == "APPDATA" &&
               fold_name(path) == fold_name(kShellFoldersKey);
    }

    std::string dir_;
    std::string path_;
    RegTree tree_;
    RegStatus broken_ = RegStatus::ok;
    bool dirty_ = false;
};

} // namespace

std::unique_ptr<RegBackend> make_file_backend(const std::string& dir, RegStatus& status, std::string& error) {
    auto store = std::make_unique<FileStore>(dir);
    status = store->load(error);
    return store;
}

} // namespace platform::detail
