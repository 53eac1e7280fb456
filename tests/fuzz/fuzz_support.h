// Helpers shared by the fuzz targets.
#ifndef PELMORA_FUZZ_SUPPORT_H
#define PELMORA_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "dorvik.h"

namespace fuzz {

// Empties the process-wide pending Base64 group, so that an input decodes the same
// whatever ran before it: single characters are fed until a group completes.
inline void reset_base64() {
    char out[4];
    for (int i = 0; i < 4; ++i)
        if (DecodeLineB64("A", 1, out, sizeof out) != 0) return;
}

// A heap buffer of exactly `size` bytes, so AddressSanitizer sees any access past its end.
class Buffer {
  public:
    explicit Buffer(size_t size, char fill = '\0') : size_(size), data_(new char[size == 0 ? 1 : size]) {
        std::memset(data_.get(), fill, size == 0 ? 1 : size);
    }
    Buffer(const void* bytes, size_t n) : Buffer(n + 1) {
        std::memcpy(data_.get(), bytes, n);
    } // NUL-terminated
    explicit Buffer(const std::string& s) : Buffer(s.data(), s.size()) {}

    char* data() const { return data_.get(); }
    size_t size() const { return size_; }
    int cap() const { return static_cast<int>(size_); }

  private:
    size_t size_;
    std::unique_ptr<char[]> data_;
};

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Stops with a crash unless `buf` holds a NUL within its size.
inline void require_terminated(const Buffer& buf, const char* what) {
    if (std::memchr(buf.data(), '\0', buf.size()) == nullptr) fail(what);
}

// The fuzz input, taken from the front.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}

    // One byte, or 0 when nothing is left.
    uint8_t byte() {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    // Everything up to (not including) the next `sep`, which is consumed; the rest when there is none.
    std::string until(char sep) {
        const void* hit = std::memchr(p_, sep, n_);
        const size_t len = hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - p_) : n_;
        std::string s(reinterpret_cast<const char*>(p_), len);
        const size_t used = hit ? len + 1 : len;
        p_ += used;
        n_ -= used;
        return s;
    }
    // Everything left.
    std::string rest() {
        std::string s(reinterpret_cast<const char*>(p_), n_);
        p_ += n_;
        n_ = 0;
        return s;
    }
    bool empty() const { return n_ == 0; }

  private:
    const uint8_t* p_;
    size_t n_;
};

// A capacity picked by the input: mostly the size the callers use, sometimes small.
inline int pick_cap(uint8_t selector, int usual) {
    if (selector < 192) return usual;
    return 1 + (selector - 192) * 7; // 1 .. 442
}

// A directory of its own for this process under $TMPDIR (scripts/fuzz points it at the run's
// work folder), made on first use; `sub` names a folder inside it, made when missing.
inline std::string temp_dir(const char* sub = nullptr) {
    static const std::string root = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/pelmora-fuzz-XXXXXX";
        if (mkdtemp(p.data()) == nullptr) fail("no temporary directory");
        return p;
    }();
    if (sub == nullptr) return root;
    const std::string path = root + "/" + sub;
    mkdir(path.c_str(), 0700);
    return path;
}

// Writes bytes as the whole file.
inline void write_file(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) fail("cannot write a fuzz file");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The whole file; "\x01missing" when there is none.
inline std::string read_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "\x01missing";
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    std::fclose(f);
    return s;
}

inline void remove_file(const std::string& path) {
    unlink(path.c_str());
}

} // namespace fuzz

#endif
