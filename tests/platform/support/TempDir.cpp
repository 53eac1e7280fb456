#include "support/TempDir.h"

#include "platform/Process.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform_test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate = base / ("pelmora-platform-" + std::to_string(platform::process_id()) +
                                           "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void spill(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace platform_test
