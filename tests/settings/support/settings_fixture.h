// Test helpers for the settings store: a private registry (the real one under a throw-away key in
// the Windows build, a file store in a temporary home natively), Shift_JIS forms of UTF-8 texts.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"
#include "platform/Process.h"
#include "platform/Registry.h"

namespace settings_test {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("pelmora-settings-" + std::to_string(platform::process_id()) + "-" +
                            std::to_string(counter++));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string str() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The code page 932 form of a UTF-8 text (characters of the Basic Multilingual Plane).
inline std::string Sj(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = c;
        int extra = 0;
        if (c >= 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        }
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        unsigned char bytes[2];
        const int n = dorvik::utf16_to_cp932(static_cast<uint16_t>(cp), bytes);
        EXPECT_GT(n, 0) << "no code page 932 form for U+" << std::hex << cp;
        out.append(reinterpret_cast<const char*>(bytes), n);
    }
    return out;
}

// The machine's registry with the settings under a root key of this process's own:
// "Software\PelmoraTest\<pid>\Quillon\Ravelin98", deleted again at the end of each test.
class RegistryTest : public ::testing::Test {
  protected:
    static constexpr platform::Hive HKCU = platform::Hive::current_user;

    void SetUp() override {
        ASSERT_EQ(reg_.open_system(home_.str()), platform::RegStatus::ok) << reg_.last_error();
        base_ = "Software\\PelmoraTest\\" + std::to_string(platform::process_id());
        root_ = base_ + "\\Quillon\\Ravelin98";
        reg_.delete_tree(HKCU, base_); // left over by a crashed run of the same id
    }
    void TearDown() override {
        reg_.delete_tree(HKCU, base_);
        std::vector<std::string> left;
        if (reg_.list_subkeys(HKCU, "Software\\PelmoraTest", left) == platform::RegStatus::ok && left.empty())
            reg_.delete_tree(HKCU, "Software\\PelmoraTest");
    }

    // A value read straight from the registry ("<missing>" when absent).
    std::string Raw(const std::string& sub, const std::string& name) {
        std::string text;
        if (reg_.read_text(HKCU, sub.empty() ? root_ : root_ + "\\" + sub, name, text) !=
            platform::RegStatus::ok)
            return "<missing>";
        return text;
    }
    void PutRaw(const std::string& sub, const std::string& name, const std::string& text) {
        const std::string path = sub.empty() ? root_ : root_ + "\\" + sub;
        ASSERT_EQ(reg_.create_key(HKCU, path), platform::RegStatus::ok) << reg_.last_error();
        ASSERT_EQ(reg_.write_text(HKCU, path, name, text), platform::RegStatus::ok) << reg_.last_error();
    }

    TempDir home_;
    platform::Registry reg_;
    std::string base_;
    std::string root_;
};

} // namespace settings_test
