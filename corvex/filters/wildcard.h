// The wildcard matcher of the spam patterns and the action filters.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvex {

// Longest text and pattern the matcher looks at; longer ones are cut to this many bytes.
inline constexpr std::size_t kWildcardMax = 1023;

// Matches text against pattern, character by character: both are Shift_JIS, so a character
// is one byte or a lead and a trail byte. "?" stands for one character, "*" for any run of
// characters (it resumes only at character starts, so a pattern never matches from the trail
// byte of a pair). ASCII letters compare without case; the bytes of a double-byte character
// compare exactly. Where "*" is directly followed by "*" or "?" the follower is dropped first
// (so "*?*x" is "*x"). When the text runs out, what is left of the pattern matches only if it
// is empty, only "?" characters, or a single "*": so "ab" matches "ab??" and "ab*", "abc"
// matches "a?c", "*BC" and "*b*" but not "abc*d". Both strings end at their first NUL byte,
// if any.
bool WildcardMatch(std::string_view text, std::string_view pattern);

} // namespace corvex
