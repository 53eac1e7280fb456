// A fresh directory under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <string>

namespace platform_test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The whole file as bytes ("" when missing).
std::string slurp(const std::string& path);
// Writes bytes to a file, replacing it.
void spill(const std::string& path, const std::string& bytes);

} // namespace platform_test
