// Shift_JIS byte classes (code page 932), so that a trail byte 0x5C is not taken for a backslash.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "bytes/sjis_bytes.h"

namespace platform::detail {

using dorvik::bytes::IsLeadByte;

// Length of the character that starts at text[i]: 2 for a lead byte followed by a trail byte, else 1.
inline std::size_t sjis_char_length(std::string_view text, std::size_t i) {
    return dorvik::bytes::CharLength(text, i);
}

// True when every lead byte is followed by a trail byte.
inline bool sjis_well_formed(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = sjis_char_length(text, i);
        if (n == 1 && IsLeadByte(static_cast<unsigned char>(text[i]))) return false;
        i += n;
    }
    return true;
}

// ASCII upper-case copy that leaves the second byte of a double-byte character alone.
inline std::string fold_name(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size();) {
        std::size_t n = sjis_char_length(out, i);
        if (n == 1) out[i] = dorvik::bytes::ToAsciiUpper(out[i]);
        i += n;
    }
    return out;
}

} // namespace platform::detail
