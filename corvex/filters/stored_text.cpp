#include "corvex/filters/stored_text.h"

#include <algorithm>
#include <vector>

#include "dorvik.h"

namespace corvex {

namespace {

// Room for the Base64 form of the whole 1024-byte ISO-2022-JP intermediate, so the encoder
// never refuses (a refused token would be empty and break the line it belongs to).
constexpr int kEncodedCap = 4 * ((DORVIK_JIS_CAP + 2) / 3) + 1;
// The Shift_JIS form is never longer than the intermediate it comes from.
constexpr int kDecodedCap = DORVIK_JIS_CAP;

bool IsBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

// The ISO-2022-JP escape at p (text[p] is ESC): +1 enters double-byte mode, -1 leaves it,
// 0 is none; the same escapes the library's converter knows.
int EscapeKind(std::string_view text, std::size_t p) {
    if (p + 2 >= text.size()) return 0;
    if (text[p + 1] == '$') return text[p + 2] == '@' || text[p + 2] == 'B' ? 1 : 0;
    if (text[p + 1] == '(') return text[p + 2] == 'B' || text[p + 2] == 'J' || text[p + 2] == 'H' ? -1 : 0;
    return 0;
}

// The ISO-2022-JP form of a stored text back to Shift_JIS. Only the double-byte runs go
// through the library's converter: its single-byte mode also removes the backslash of the
// mail comment escapes ("\\", "\(", "\)"), which must not touch a stored path such as
// "\\server\share". Single-byte bytes stand for themselves, as the converter has them.
std::string JisToSjisKeepingBackslashes(std::string_view jis) {
    constexpr char kEsc = 0x1B;
    std::string out;
    std::size_t p = 0;
    while (p < jis.size()) {
        if (jis[p] != kEsc) {
            out += jis[p++];
            continue;
        }
        const int kind = EscapeKind(jis, p);
        if (kind == 0) {
            out += jis[p++];
            continue;
        }
        if (kind < 0) {
            p += 3;
            continue;
        }
        // A double-byte run: from its escape to the escape that leaves it, stepping by pairs.
        const std::size_t start = p;
        p += 3;
        while (p < jis.size()) {
            if (jis[p] == kEsc && EscapeKind(jis, p) > 0) {
                p += 3;
            } else if (jis[p] == kEsc && EscapeKind(jis, p) < 0) {
                break;
            } else {
                p += 2;
            }
        }
        p = std::min(p, jis.size());
        const std::string run(jis.substr(start, p - start));
        std::vector<char> sjis(run.size() + 1, '\0');
        StrJIS2SJIS(run.c_str(), static_cast<int>(run.size() + 1), sjis.data(),
                    static_cast<int>(sjis.size()));
        sjis.back() = '\0';
        out += sjis.data();
    }
    return out;
}

} // namespace

std::string EncodeStoredText(std::string_view sjis) {
    std::string input(sjis.substr(0, sjis.find('\0')));
    std::vector<char> out(kEncodedCap, '\0');
    EncodeLine(out.data(), kEncodedCap, input.c_str(), static_cast<int>(input.size() + 1));
    out.back() = '\0';
    return std::string(out.data());
}

std::string DecodeStoredText(std::string_view token) {
    std::string input(token.substr(0, token.find('\0')));
    std::size_t count = 0;
    for (char c : input)
        if (IsBase64Char(c)) ++count;
    if (count % 4 != 0) input.append(4 - count % 4, '=');
    std::vector<char> jis(kDecodedCap, '\0');
    DecodeLineB64(input.c_str(), static_cast<int>(input.size() + 1), jis.data(), kDecodedCap);
    jis.back() = '\0';
    return JisToSjisKeepingBackslashes(std::string_view(jis.data()));
}

} // namespace corvex
