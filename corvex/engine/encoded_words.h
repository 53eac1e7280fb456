// Header values (subjects, display names) to Shift_JIS display text: MIME encoded words in
// ISO-2022-JP, Shift_JIS, EUC-JP, UTF-8, UTF-7 and ISO-8859-1, or raw ISO-2022-JP text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvex {

// Work and output size of the decoding, terminator included: at most 1535 bytes of the
// value are read, and the text returned holds at most 1535 bytes.
inline constexpr std::size_t kHeaderTextCap = 1536;

// A value without any encoded word is converted from ISO-2022-JP as a whole. Otherwise the
// encoded words are decoded (B or Q), each converted by its own charset, and every other
// byte is copied as it is. An encoded word without its closing "?=" runs to the end.
std::string DecodeHeaderText(std::string_view value);

} // namespace corvex
