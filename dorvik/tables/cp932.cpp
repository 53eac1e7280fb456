// Lookups over the generated CP932 tables.
#include "cp932.h"

#include "cp932_table.h"

namespace dorvik {

using namespace cp932_data;

int utf16_to_cp932(uint16_t unit, unsigned char out[2]) {
    if (unit == 0) {
        out[0] = 0;
        return 1;
    }
    const unsigned page = kWidePage[unit >> 8];
    if (page == 0) return 0;
    const uint16_t code = kWideToCode[page - 1][unit & 0xFF];
    if (code == 0) return 0;
    if (code < 0x100) {
        out[0] = static_cast<unsigned char>(code);
        return 1;
    }
    out[0] = static_cast<unsigned char>(code >> 8);
    out[1] = static_cast<unsigned char>(code & 0xFF);
    return 2;
}

uint16_t cp932_byte_to_utf16(unsigned byte) {
    return byte < 0x100 ? kByteToWide[byte] : 0;
}

uint16_t cp932_to_utf16(unsigned lead, unsigned trail) {
    if (lead >= 0x100 || trail < kTrailFirst || trail >= kTrailFirst + kTrailCount) return 0;
    const unsigned row = kLeadRow[lead];
    return row == 0 ? 0 : kPairToWide[row - 1][trail - kTrailFirst];
}

namespace {

void append_utf8(std::string& out, uint16_t unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

} // namespace

std::string cp932_to_utf8(std::string_view text) {
    constexpr uint16_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned byte = static_cast<unsigned char>(text[i]);
        if (byte == 0) {
            out += '\0';
            continue;
        }
        if (cp932_is_lead(byte) && i + 1 < text.size() &&
            bytes::IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            const uint16_t unit = cp932_to_utf16(byte, static_cast<unsigned char>(text[i + 1]));
            append_utf8(out, unit ? unit : kReplacement);
            ++i;
            continue;
        }
        const uint16_t unit = cp932_byte_to_utf16(byte);
        append_utf8(out, unit ? unit : kReplacement);
    }
    return out;
}

} // namespace dorvik
