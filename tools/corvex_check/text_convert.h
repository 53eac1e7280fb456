// Text at the edge of corvex-check: everything inside is Shift_JIS (code page 932), the
// terminal speaks UTF-8 (natively) or the system's code page (Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvex_check {

// Strict UTF-8 to CP932: nullopt for malformed UTF-8 and for a character that CP932 lacks.
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

// Text from the command line, the environment or the terminal, as Shift_JIS: converted from
// UTF-8 natively, taken as it is on Windows. nullopt when it cannot be written in Shift_JIS.
std::optional<std::string> TerminalToSjis(std::string_view text);

// Shift_JIS for the terminal, which takes UTF-8 on every platform (see Terminal.h).
std::string ToTerminal(std::string_view sjis);

} // namespace corvex_check
