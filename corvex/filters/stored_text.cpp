#include "corvex/filters/stored_text.h"

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
    std::vector<char> out(kDecodedCap, '\0');
    DecodeLine(input.c_str(), static_cast<int>(input.size() + 1), out.data(), kDecodedCap);
    out.back() = '\0';
    return std::string(out.data());
}

} // namespace corvex
