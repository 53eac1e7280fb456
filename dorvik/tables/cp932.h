// Code page 932 (Windows Shift_JIS) <-> UTF-16, one character at a time, from our own tables
// (tools/gen_cp932.py). Follows Windows' MultiByteToWideChar(932) and
// WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS): no best-fit substitutes.
#ifndef DORVIK_CP932_H
#define DORVIK_CP932_H

#include <cstdint>
#include <string>
#include <string_view>

#include "bytes/sjis_bytes.h"

namespace dorvik {

// Writes the CP932 form of one UTF-16 code unit to `out` and returns its length: 1 or 2, or 0
// when the unit has none (unmapped units and every surrogate, since a unit is taken alone).
// Unit 0 gives the single byte 0x00.
int utf16_to_cp932(uint16_t unit, unsigned char out[2]);

// The UTF-16 unit of a single-byte CP932 character; 0 for a lead byte or an undefined byte
// (and for byte 0x00 itself).
uint16_t cp932_byte_to_utf16(unsigned byte);

// The UTF-16 unit of a double-byte CP932 code; 0 when the code is undefined.
uint16_t cp932_to_utf16(unsigned lead, unsigned trail);

// Is `byte` a lead byte of CP932 (0x81-0x9F, 0xE0-0xFC)?
inline bool cp932_is_lead(unsigned byte) {
    return byte <= 0xFF && bytes::IsLeadByte(static_cast<unsigned char>(byte));
}

// CP932 text to UTF-8, for a terminal. A lead byte followed by a byte in 0x40-0xFC (not 0x7F)
// is one code; undefined codes, undefined single bytes and a lead byte without its trail give
// U+FFFD. The text may hold NUL bytes; they are kept.
std::string cp932_to_utf8(std::string_view text);

} // namespace dorvik

#endif
