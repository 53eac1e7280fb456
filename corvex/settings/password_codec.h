// The scrambled form in which POP3 and dial-up passwords are stored: a multiplier digit k, then
// for each byte (taken as signed) the product k * byte as "%04d" with 41 added to every character.
// "abc" is stored as "2YZb]YZb_YZba"; the byte 0x85 (-123) as "2V[]_".
#pragma once

#include <string>
#include <string_view>

namespace corvex::settings {

// The stored form, always with k = 2 (1 + 4 bytes per password byte).
std::string EncodePassword(std::string_view password);

// The password of a stored form. Empty for an empty text and for one whose first character is
// not a digit from 2 to 9. Whole groups of four characters are read; a partial group at the end
// is ignored. Each group is read as a decimal integer (the leading digits, with an optional
// sign) and divided by k with truncation toward zero; the low eight bits give the byte.
std::string DecodePassword(std::string_view stored);

} // namespace corvex::settings
