// The storage encoding of free text in the list files: Base64 of the ISO-2022-JP form,
// through Dorvik's EncodeLine and DecodeLine.
#pragma once

#include <string>
#include <string_view>

namespace corvex {

// The stored token of a Shift_JIS text (never empty: an empty text gives the form of one NUL).
std::string EncodeStoredText(std::string_view sjis);

// The Shift_JIS text of a stored token: the exact text that was stored, backslashes included
// (the comment-escape rule of mail text does not apply). A token whose Base64 groups are incomplete is
// completed with padding first, so no half group is left pending in the library's decoder
// to spoil the next text decoded in the process.
std::string DecodeStoredText(std::string_view token);

} // namespace corvex
