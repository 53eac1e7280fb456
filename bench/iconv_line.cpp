#include "iconv_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

IconvLine::IconvLine(const char* to, const char* from) : name_(std::string(from) + " -> " + to) {
    cd_ = iconv_open(to, from);
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "iconv cannot convert %s\n", name_.c_str());
        std::exit(2);
    }
}

IconvLine::~IconvLine() {
    iconv_close(cd_);
}

long IconvLine::convert(const char* in, size_t len, char* out, size_t cap) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state
    char* src = const_cast<char*>(in);
    size_t src_left = len;
    char* dst = out;
    size_t dst_left = cap - 1;
    const size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
    iconv(cd_, nullptr, nullptr, &dst, &dst_left); // closing escape of a stateful target
    *dst = '\0';
    if (r == static_cast<size_t>(-1) && errno != E2BIG) return -1;
    return dst - out;
}

std::string IconvLine::convert(const std::string& in) {
    std::vector<char> out(in.size() * 4 + 16);
    const long n = convert(in.data(), in.size(), out.data(), out.size());
    if (n < 0) {
        std::fprintf(stderr, "iconv %s rejected a corpus line\n", name_.c_str());
        std::exit(2);
    }
    return std::string(out.data(), static_cast<size_t>(n));
}

} // namespace bench
