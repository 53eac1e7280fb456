// The Windows registry through the ANSI API (texts are code page 932 bytes).
#include "reg_backend.h"
#include "sjis.h"
#include "sys_error.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace platform::detail {

namespace {

// An open key, closed when it goes.
class KeyHandle {
  public:
    KeyHandle() = default;
    ~KeyHandle() { reset(); }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* out() {
        reset();
        return &key_;
    }
    HKEY get() const { return key_; }
    void reset() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

  private:
    HKEY key_ = nullptr;
};

HKEY root_of(Hive hive) {
    return hive == Hive::current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

RegStatus status_of(LONG rc, const std::string& what, std::string& error) {
    if (rc == ERROR_SUCCESS) return RegStatus::ok;
    error = what + ": " + system_error_text(static_cast<unsigned long>(rc));
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return RegStatus::not_found;
    return RegStatus::io_error;
}

LONG open_key(Hive hive, std::string_view path, REGSAM access, KeyHandle& key) {
    const std::string p(path);
    return RegOpenKeyExA(root_of(hive), p.c_str(), 0, access, key.out());
}

bool folded_less(const std::string& a, const std::string& b) {
    return fold_name(a) < fold_name(b);
}

// Deletes the key's subkeys first (collected before deleting, so the enumeration stays valid).
LONG delete_key_tree(HKEY root, const std::string& path) {
    std::vector<std::string> children;
    {
        KeyHandle key;
        LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key.out());
        if (rc != ERROR_SUCCESS) return rc;
        for (DWORD i = 0;; ++i) {
            char name[1024];
            DWORD length = sizeof name;
            rc = RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) return rc;
            children.emplace_back(name, length);
        }
    }
    for (const std::string& child : children)
        if (LONG rc = delete_key_tree(root, path + '\\' + child); rc != ERROR_SUCCESS) return rc;
    return RegDeleteKeyA(root, path.c_str());
}

class Win32Registry final : public RegBackend {
  public:
    RegKind kind() const override { return RegKind::win32; }

    bool key_exists(Hive hive, std::string_view path) override {
        KeyHandle key;
        return open_key(hive, path, KEY_READ, key) == ERROR_SUCCESS;
    }

    RegStatus create_key(Hive hive, std::string_view path, std::string& error) override {
        const std::string p(path);
        KeyHandle key;
        const LONG rc = RegCreateKeyExA(root_of(hive), p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_WRITE, nullptr, key.out(), nullptr);
        return status_of(rc, "cannot create key " + p, error);
    }

    RegStatus read_text(Hive hive, std::string_view path, std::string_view name, std::string& text,
                        std::string& error) override {
        KeyHandle key;
        if (LONG rc = open_key(hive, path, KEY_QUERY_VALUE, key); rc != ERROR_SUCCESS)
            return status_of(rc, "cannot open key " + std::string(path), error);
        const std::string n(name);
        std::vector<char> data(kRegDataBytes + 1);
        for (;;) {
            DWORD type = 0;
            DWORD size = static_cast<DWORD>(data.size());
            const LONG rc = RegQueryValueExA(key.get(), n.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size);
            if (rc == ERROR_MORE_DATA) {
                data.resize(size + 1);
                continue;
            }
            if (rc != ERROR_SUCCESS) return status_of(rc, "cannot read value " + n, error);
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                error = "value " + n + " is not text";
                return RegStatus::wrong_type;
            }
            const std::size_t stored = std::min<std::size_t>(size, data.size());
            text.assign(data.data(), strnlen(data.data(), stored));
            return RegStatus::ok;
        }
    }

    RegStatus write_text(Hive hive, std::string_view path, std::string_view name, std::string_view text,
                         std::string& error) override {
        KeyHandle key;
        if (LONG rc = open_key(hive, path, KEY_SET_VALUE, key); rc != ERROR_SUCCESS)
            return status_of(rc, "cannot open key " + std::string(path), error);
        // The fixed data length: the text, then NUL bytes up to kRegDataBytes, from a buffer of
        // that size (text is at most kRegTextMax bytes, so at least one NUL follows it).
        BYTE data[kRegDataBytes] = {};
        std::memcpy(data, text.data(), std::min(text.size(), kRegTextMax));
        const std::string n(name);
        return status_of(RegSetValueExA(key.get(), n.c_str(), 0, REG_SZ, data, sizeof data),
                         "cannot write value " + n, error);
    }

    RegStatus data_size(Hive hive, std::string_view path, std::string_view name, std::size_t& bytes,
                        std::string& error) override {
        KeyHandle key;
        if (LONG rc = open_key(hive, path, KEY_QUERY_VALUE, key); rc != ERROR_SUCCESS)
            return status_of(rc, "cannot open key " + std::string(path), error);
        const std::string n(name);
        DWORD type = 0, size = 0;
        if (LONG rc = RegQueryValueExA(key.get(), n.c_str(), nullptr, &type, nullptr, &size);
            rc != ERROR_SUCCESS)
            return status_of(rc, "cannot read value " + n, error);
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            error = "value " + n + " is not text";
            return RegStatus::wrong_type;
        }
        bytes = size;
        return RegStatus::ok;
    }

    RegStatus list_subkeys(Hive hive, std::string_view path, std::vector<std::string>& names,
                           std::string& error) override {
        KeyHandle key;
        if (LONG rc = open_key(hive, path, KEY_ENUMERATE_SUB_KEYS, key); rc != ERROR_SUCCESS)
            return status_of(rc, "cannot open key " + std::string(path), error);
        for (DWORD i = 0;; ++i) {
            char name[1024];
            DWORD length = sizeof name;
            const LONG rc = RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) return status_of(rc, "cannot list key " + std::string(path), error);
            names.emplace_back(name, length);
        }
        std::sort(names.begin(), names.end(), folded_less);
        return RegStatus::ok;
    }

    RegStatus list_values(Hive hive, std::string_view path, std::vector<std::string>& names,
                          std::string& error) override {
        KeyHandle key;
        if (LONG rc = open_key(hive, path, KEY_QUERY_VALUE, key); rc != ERROR_SUCCESS)
            return status_of(rc, "cannot open key " + std::string(path), error);
        std::vector<char> name(16384);
        for (DWORD i = 0;; ++i) {
            DWORD length = static_cast<DWORD>(name.size());
            const LONG rc =
                RegEnumValueA(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS)
                return status_of(rc, "cannot list values of " + std::string(path), error);
            names.emplace_back(name.data(), length);
        }
        return RegStatus::ok;
    }

    RegStatus delete_value(Hive hive, std::string_view path, std::string_view name,
                           std::string& error) override {
        KeyHandle key;
        if (LONG rc = open_key(hive, path, KEY_SET_VALUE, key); rc != ERROR_SUCCESS)
            return status_of(rc, "cannot open key " + std::string(path), error);
        const std::string n(name);
        return status_of(RegDeleteValueA(key.get(), n.c_str()), "cannot delete value " + n, error);
    }

    RegStatus delete_tree(Hive hive, std::string_view path, std::string& error) override {
        const std::string p(path);
        return status_of(delete_key_tree(root_of(hive), p), "cannot delete key " + p, error);
    }
};

} // namespace

std::unique_ptr<RegBackend> make_system_backend(std::string_view, RegStatus& status, std::string&) {
    status = RegStatus::ok;
    return std::make_unique<Win32Registry>();
}

} // namespace platform::detail
