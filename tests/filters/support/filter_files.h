// Test helpers for the filters' list files: a private data directory with its Temp/<account>
// and ACT folders, raw file bytes, and Shift_JIS forms of UTF-8 test texts.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "cp932.h"

namespace filter_files {

// The work-folder name of the test account.
inline constexpr char kAccount[] = "user_pop.example.com";

// A fresh data directory under the system's temporary folder, removed with everything in it.
class DataDir {
  public:
    DataDir() {
        static std::atomic<unsigned> counter{0};
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            root_ = base / ("pelmora-filters-" + std::to_string(rd()) + "-" + std::to_string(counter++));
            if (std::filesystem::create_directory(root_)) break;
        }
        std::filesystem::create_directories(root_ / "Temp" / kAccount);
        std::filesystem::create_directories(root_ / "ACT");
    }
    ~DataDir() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    DataDir(const DataDir&) = delete;
    DataDir& operator=(const DataDir&) = delete;

    std::string str() const { return root_.string(); }
    // A path inside, relative parts separated by "/".
    std::string File(const std::string& relative) const {
        return (root_ / relative).make_preferred().string();
    }

  private:
    std::filesystem::path root_;
};

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
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

} // namespace filter_files
