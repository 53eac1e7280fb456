// Byte classes of Shift_JIS text (code page 932) and the ASCII helpers that go with them.
// Every piece of code that steps through Shift_JIS text by characters uses these, so that a
// trail byte is never taken for a single-byte character ('\\', '*', '?', a letter...).
//
// Two lead-byte ranges are in use, on purpose:
// - IsLeadByte (0x81-0x9F, 0xE0-0xFC) finds character boundaries. Code page 932 puts NEC
//   and IBM extensions and user-defined characters in 0xED-0xFC, and a mail can hold them.
// - IsJisLeadByte (0x81-0x9F, 0xE0-0xEF) is the subset that maps to JIS X 0208 rows; the
//   converters to and from JIS and EUC-JP, and the stored-text escape, treat only these as pairs.
#pragma once

#include <cstddef>
#include <string_view>

namespace dorvik::bytes {

constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsJisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}
constexpr bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Bytes of the character that starts at text[i] (i < text.size()): 2 for a lead byte
// followed by a trail byte, else 1. A lead byte at the end or before a non-trail byte
// stands alone.
constexpr std::size_t CharLength(std::string_view text, std::size_t i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
        IsTrailByte(static_cast<unsigned char>(text[i + 1])))
        return 2;
    return 1;
}

constexpr bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
constexpr bool IsAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}
constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr char ToAsciiLower(char c) {
    return IsAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char ToAsciiUpper(char c) {
    return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace dorvik::bytes
