// Our CP932 table against the platform's own code page 932 conversion, for every UTF-16 unit and
// every CP932 code (run under Wine, or on Windows).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <set>

#include "cp932.h"

namespace {

// Codes of the platform; 0 = no form / not a character.
unsigned platform_write(uint16_t unit) {
    const WCHAR w = unit;
    char out[4] = {};
    BOOL used_default = FALSE;
    const int n =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &w, 1, out, sizeof out, nullptr, &used_default);
    if (n <= 0 || used_default) return 0;
    return n == 1 ? static_cast<unsigned char>(out[0])
                  : (static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]));
}

uint16_t platform_read(const char* bytes, int len, DWORD flags) {
    WCHAR w[4] = {};
    const int n = MultiByteToWideChar(932, flags, bytes, len, w, 4);
    return n == 1 ? w[0] : 0;
}

unsigned table_write(uint16_t unit) {
    unsigned char b[2];
    const int n = dorvik::utf16_to_cp932(unit, b);
    return n == 0 ? 0 : n == 1 ? b[0] : (b[0] << 8 | b[1]);
}

// Unit 0 is the terminator of every unit array we convert and never reaches the table's
// lookup. Surrogates are skipped: one unit alone is always an unpaired half, and the platform
// answers for a lone half with the default character, as the table does (no form).
TEST(Cp932Platform, EveryUnitIsWrittenAsThePlatformWritesIt) {
    int mismatches = 0;
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const uint16_t unit = static_cast<uint16_t>(u);
        const unsigned want = platform_write(unit);
        const unsigned got = table_write(unit);
        if (want != got && ++mismatches <= 20)
            ADD_FAILURE() << std::hex << "U+" << u << " platform " << want << " table " << got;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Cp932Platform, LoneSurrogatesHaveNoForm) {
    for (unsigned u : {0xD800u, 0xDBFFu, 0xDC00u, 0xDFFFu}) {
        EXPECT_EQ(platform_write(static_cast<uint16_t>(u)), 0u) << std::hex << u;
        EXPECT_EQ(table_write(static_cast<uint16_t>(u)), 0u) << std::hex << u;
    }
}

// Single bytes that read as private-use units (A0, FD-FF -> U+F8F0-U+F8F3). Windows reads them
// so; Wine reads them so as well but, with MB_ERR_INVALID_CHARS, reports any single byte that
// reads as a private-use unit as invalid. For these the reading without the flag is compared.
const std::set<unsigned> kPrivateUseBytes = {0xA0, 0xFD, 0xFE, 0xFF};

TEST(Cp932Platform, EveryCodeIsReadAsThePlatformReadsIt) {
    int mismatches = 0;
    auto compare = [&](unsigned code, uint16_t want, uint16_t got) {
        if (want != got && ++mismatches <= 20)
            ADD_FAILURE() << std::hex << "code " << code << " platform " << want << " table " << got;
    };
    for (unsigned b = 1; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        uint16_t want = platform_read(&byte, 1, MB_ERR_INVALID_CHARS);
        if (kPrivateUseBytes.count(b)) {
            EXPECT_TRUE(want == 0 || want == dorvik::cp932_byte_to_utf16(b)) << std::hex << b;
            want = platform_read(&byte, 1, 0);
        }
        compare(b, want, dorvik::cp932_byte_to_utf16(b));
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!dorvik::cp932_is_lead(lead)) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            compare(lead << 8 | trail, platform_read(pair, 2, MB_ERR_INVALID_CHARS),
                    dorvik::cp932_to_utf16(lead, trail));
        }
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
