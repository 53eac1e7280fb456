// Small byte-string helpers shared by the reader and the library: ASCII case folding,
// bounded appends and Shift_JIS character steps.
#ifndef DORVIK_READER_TEXT_UTIL_H
#define DORVIK_READER_TEXT_UTIL_H

#include <cstddef>

#include "bytes/sjis_bytes.h"

namespace dorvik {

inline char UpperAscii(char c) {
    return bytes::ToAsciiUpper(c);
}

// Copies `src` upper-cased (ASCII letters only) into `dst`, cut to `cap` bytes with its NUL.
void CopyUpper(char* dst, std::size_t cap, const char* src);

// Does `s` begin with `prefix`, letters compared without case?
bool StartsWithNoCase(const char* s, const char* prefix);

// First occurrence of `needle` in `s`, letters compared without case; null when absent.
const char* FindNoCase(const char* s, const char* needle);

// Does `s` end with `c`, ignoring trailing blanks and tabs?
bool EndsWithChar(const char* s, char c);

// Length of `s`, but at most `max`.
std::size_t BoundedLength(const char* s, std::size_t max);

// Bytes of the Shift_JIS character at `s`: 2 for a lead byte 0x81-0x9F or 0xE0-0xFC followed
// by a trail byte 0x40-0x7E or 0x80-0xFC, else 1 (0 at the terminating NUL).
inline int CharBytes(const char* s) {
    auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 == 0) return 0;
    if (bytes::IsLeadByte(b0) && bytes::IsTrailByte(static_cast<unsigned char>(s[1]))) return 2;
    return 1;
}

// Last single-byte occurrence of `c` in `s`, stepping by Shift_JIS characters; null when absent.
const char* FindLastCharSjis(const char* s, char c);

// First single-byte occurrence of `c` in `s`, stepping by Shift_JIS characters; null when absent.
const char* FindCharSjis(const char* s, char c);

// A NUL-terminated string in a caller-owned buffer of fixed capacity; appends are cut so
// that the buffer and its NUL are never overrun.
class BoundedString {
  public:
    BoundedString(char* buffer, std::size_t cap) : buf_(buffer), cap_(cap) {
        if (cap_ > 0) buf_[0] = '\0';
    }
    // Appends up to `n` bytes; returns false when anything was cut.
    bool Append(const char* s, std::size_t n);
    bool Append(const char* s);
    std::size_t size() const { return len_; }
    const char* c_str() const { return buf_; }

  private:
    char* buf_;
    std::size_t cap_;
    std::size_t len_ = 0;
};

} // namespace dorvik

#endif
