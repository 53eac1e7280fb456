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

// What stands on the terminal for a control character of a shown text: U+FFFD.
inline constexpr char kControlPlaceholder[] = "\xEF\xBF\xBD";

// Shift_JIS for the terminal, which takes UTF-8 on every platform (see Terminal.h). Texts shown
// come from mail and servers: every control character (C0, DEL, C1; line ends and tabs too)
// becomes kControlPlaceholder, so no escape sequence reaches the terminal.
std::string ToTerminal(std::string_view sjis);

// As ToTerminal for a text of several lines separated by CR LF: the lines joined with
// separator (which the caller chooses, and may hold controls).
std::string ToTerminalLines(std::string_view sjis, std::string_view separator);

} // namespace corvex_check
