#include "reader/text_util.h"

#include <cstring>

namespace dorvik {

void CopyUpper(char* dst, std::size_t cap, const char* src) {
    if (cap == 0) return;
    std::size_t i = 0;
    for (; i + 1 < cap && src[i] != '\0'; ++i)
        dst[i] = UpperAscii(src[i]);
    dst[i] = '\0';
}

bool StartsWithNoCase(const char* s, const char* prefix) {
    for (; *prefix != '\0'; ++s, ++prefix) {
        if (UpperAscii(*s) != UpperAscii(*prefix)) return false;
    }
    return true;
}

const char* FindNoCase(const char* s, const char* needle) {
    if (*needle == '\0') return s;
    for (; *s != '\0'; ++s) {
        if (StartsWithNoCase(s, needle)) return s;
    }
    return nullptr;
}

bool EndsWithChar(const char* s, char c) {
    std::size_t n = std::strlen(s);
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t'))
        --n;
    return n > 0 && s[n - 1] == c;
}

std::size_t BoundedLength(const char* s, std::size_t max) {
    std::size_t n = 0;
    while (n < max && s[n] != '\0')
        ++n;
    return n;
}

const char* FindLastCharSjis(const char* s, char c) {
    const char* found = nullptr;
    for (int step; (step = CharBytes(s)) != 0; s += step) {
        if (step == 1 && *s == c) found = s;
    }
    return found;
}

const char* FindCharSjis(const char* s, char c) {
    for (int step; (step = CharBytes(s)) != 0; s += step) {
        if (step == 1 && *s == c) return s;
    }
    return nullptr;
}

bool BoundedString::Append(const char* s, std::size_t n) {
    if (cap_ == 0) return n == 0;
    std::size_t room = cap_ - 1 - len_;
    std::size_t take = n;
    if (n > room) {
        // Cut at a character boundary, so no lead byte is left without its trail byte.
        take = 0;
        while (take < room) {
            std::size_t step = (take + 1 < n) ? static_cast<std::size_t>(CharBytes(s + take)) : 1;
            if (step == 0) step = 1; // an embedded NUL counts as one byte
            if (take + step > room) break;
            take += step;
        }
    }
    std::memcpy(buf_ + len_, s, take);
    len_ += take;
    buf_[len_] = '\0';
    return take == n;
}

bool BoundedString::Append(const char* s) {
    return Append(s, std::strlen(s));
}

} // namespace dorvik
