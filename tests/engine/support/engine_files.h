// Test helpers for the engine's data files: a private work folder, raw file bytes, goldens.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace engine_files {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("pelmora-engine-" + std::to_string(rd()) + "-" + std::to_string(counter++));
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
    // A folder inside, created.
    std::string Sub(const std::string& name) const {
        const auto p = path_ / name;
        std::filesystem::create_directories(p);
        return p.string();
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

inline std::string ReadBytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[16384];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.append(chunk, n);
        std::fclose(f);
    }
    return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string GoldenPath(const std::string& name) {
    return std::string(PELMORA_TEST_DATA) + "/engine/golden/" + name;
}

inline std::string Golden(const std::string& name) {
    const std::string bytes = ReadBytes(GoldenPath(name));
    EXPECT_FALSE(bytes.empty()) << "missing golden file " << name;
    return bytes;
}

} // namespace engine_files
