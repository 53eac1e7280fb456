// Files for the tests: a fresh folder under the system's temporary folder, removed with
// everything in it at the end, and whole files read and written as bytes.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace test_support {

class TempDir {
  public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("pelmora-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
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
    const std::filesystem::path& fs_path() const { return path_; }
    // A path inside, relative parts separated by "/".
    std::string File(const std::string& relative) const {
        return (path_ / relative).make_preferred().string();
    }
    // A folder inside, created with its parents.
    std::string Sub(const std::string& relative) const {
        const auto p = (path_ / relative).make_preferred();
        std::filesystem::create_directories(p);
        return p.string();
    }

  private:
    std::filesystem::path path_;
};

inline bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The whole file as bytes ("" when missing).
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes bytes to a file, replacing it.
inline void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace test_support
