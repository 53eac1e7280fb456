// Small byte-string helpers for Shift_JIS text: cutting to a byte bound without splitting a
// double-byte character, and searches that never match the trail byte of a pair.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvex::sjis {

// A lead byte 0x81-0x9F or 0xE0-0xFC followed by a trail byte 0x40-0xFC other than 0x7F:
// mail text converted to code page 932 may hold its extension characters (0xED-0xFC).
bool IsPair(std::string_view text, std::size_t pos);

// The longest prefix of at most max_bytes bytes that ends on a character boundary.
std::string_view Prefix(std::string_view text, std::size_t max_bytes);
void Cut(std::string& text, std::size_t max_bytes);

// Position of the first single-byte character c, or npos; trail bytes never match.
std::size_t FindChar(std::string_view text, char c);

// Leading blanks and tabs removed; trailing blanks and tabs removed.
std::string_view SkipBlanks(std::string_view text);
std::string_view StripTrailingBlanks(std::string_view text);

// ASCII letters upper-cased; every other byte kept.
std::string AsciiUpper(std::string_view text);

} // namespace corvex::sjis
