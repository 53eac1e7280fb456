// Mail dates (Date header, date part of a Received header) to the short local display form
// "yyyy/MM/dd HH:mm", through a small pattern language that covers the shapes found in mail.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvex {

inline constexpr std::size_t kMailDateInputMax = 127; // bytes of the date text that are read
inline constexpr std::size_t kMailDateRawMax = 36;    // an unparsed text of 37 or more is cut to this

struct MailDateFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::string zone; // time-zone token, at most 127 bytes ("+0900", "GMT", or empty)
};

// Matches one pattern. Letters: w weekday word (may be empty), d day, M month number,
// m month name (Jan..Dec, whole three-letter word), y year (two digits: below 71 is 20xx),
// h or H hour, n minute, s second, t zone token (ends the match); a blank matches any run
// of blanks and tabs (none included); * skips to the next pattern character; anything
// else must match itself. Text after the pattern is ignored.
bool MatchMailDate(std::string_view text, std::string_view pattern, MailDateFields& fields);

// Tries the six mail date patterns in order; the number (1-6) of the one that matched, or 0.
int ParseMailDate(std::string_view text, MailDateFields& fields);

// The display text of a mail date. local_offset_minutes is the machine's offset east of
// UTC; a numeric zone ("+0900", "-0500") moves the time there unless the two differ by 24
// hours or more; a named zone or none leaves it as written.
// 0 on success; -1 when the text is copied instead: unparsed (cut to 36 bytes when it has
// 37 or more) or not a valid calendar time (the first 127 bytes as they came).
int FormatMailDate(std::string_view text, int local_offset_minutes, std::string& out);

} // namespace corvex
