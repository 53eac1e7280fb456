#include "text_convert.h"

#include <cstdint>

#include "cp932.h"
#include "platform/terminal.h"

namespace corvex_check {

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            cp = lead & 0x1F;
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            cp = lead & 0x0F;
            extra = 2;
        } else {
            return std::nullopt; // a stray trail byte, an overlong lead, or beyond the BMP (no CP932 form)
        }
        if (i + extra >= utf8.size()) return std::nullopt; // cut short
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char trail = static_cast<unsigned char>(utf8[i + k]);
            if ((trail & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (trail & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        i += 1 + extra;
        if (cp == 0) return std::nullopt;
        unsigned char bytes[2];
        const int n = dorvik::utf16_to_cp932(static_cast<std::uint16_t>(cp), bytes);
        if (n <= 0) return std::nullopt;
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
    }
    return out;
}

std::optional<std::string> TerminalToSjis(std::string_view text) {
    if (platform::terminal_text_is_utf8()) return Utf8ToSjis(text);
    return std::string(text);
}

std::string ToTerminal(std::string_view sjis) {
    const std::string utf8 = dorvik::cp932_to_utf8(sjis);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F) {
            out += kControlPlaceholder;
        } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            out += kControlPlaceholder; // U+0080..U+009F, the C1 controls (CSI among them)
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string ToTerminalLines(std::string_view sjis, std::string_view separator) {
    std::string out;
    for (;;) {
        const std::size_t end = sjis.find("\r\n");
        out += ToTerminal(sjis.substr(0, end));
        if (end == std::string_view::npos) return out;
        out += separator;
        sjis.remove_prefix(end + 2);
    }
}

} // namespace corvex_check
