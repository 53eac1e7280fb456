#include "corvex/engine/sjis_text.h"

#include "bytes/sjis_bytes.h"

namespace corvex::sjis {

bool IsPair(std::string_view text, std::size_t pos) {
    if (pos + 1 >= text.size()) return false;
    return dorvik::bytes::CharLength(text, pos) == 2;
}

std::string_view Prefix(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) return text;
    std::size_t pos = 0;
    while (pos < max_bytes) {
        const std::size_t step = IsPair(text, pos) ? 2 : 1;
        if (pos + step > max_bytes) break;
        pos += step;
    }
    return text.substr(0, pos);
}

void Cut(std::string& text, std::size_t max_bytes) {
    text.resize(Prefix(text, max_bytes).size());
}

std::size_t FindChar(std::string_view text, char c) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (IsPair(text, pos)) {
            pos += 2;
            continue;
        }
        if (text[pos] == c) return pos;
        ++pos;
    }
    return std::string_view::npos;
}

std::string_view SkipBlanks(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    return text.substr(pos);
}

std::string_view StripTrailingBlanks(std::string_view text) {
    std::size_t len = text.size();
    while (len > 0 && (text[len - 1] == ' ' || text[len - 1] == '\t'))
        --len;
    return text.substr(0, len);
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

} // namespace corvex::sjis
