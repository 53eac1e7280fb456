// The CP932 tables: the choices Windows makes, and the consistency of the two directions.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cp932.h"

namespace {

unsigned to_code(uint16_t unit) {
    unsigned char b[2] = {0, 0};
    const int n = dorvik::utf16_to_cp932(unit, b);
    return n == 0 ? 0 : n == 1 ? b[0] : (b[0] << 8 | b[1]);
}

uint16_t from_code(unsigned code) {
    return code < 0x100 ? dorvik::cp932_byte_to_utf16(code) : dorvik::cp932_to_utf16(code >> 8, code & 0xff);
}

TEST(Cp932Table, WritesUnitsAsWindowsDoes) {
    struct Case {
        uint16_t unit;
        unsigned code; // 0: no form
        const char* why;
    };
    const Case cases[] = {
        {0x0041, 0x41, "ASCII"},
        {0x005C, 0x5C, "backslash stays a backslash"},
        {0xFF71, 0xB1, "half-width katakana"},
        {0x3042, 0x82A0, "hiragana"},
        {0x2015, 0x815C, "horizontal bar"},
        {0xFF5E, 0x8160, "fullwidth tilde"},
        {0x2252, 0x81E0, "JIS X 0208 before NEC row 13"},
        {0xFFE2, 0x81CA, "JIS X 0208 before both extensions"},
        {0x2235, 0x81E6, "JIS X 0208 before NEC row 13 and IBM"},
        {0x2160, 0x8754, "NEC row 13 before IBM"},
        {0x3231, 0x878A, "NEC row 13 before IBM"},
        {0x2170, 0xFA40, "IBM before NEC-selected"},
        {0x7E8A, 0xFA5C, "IBM before NEC-selected"},
        {0xFF07, 0xFA56, "IBM before NEC-selected"},
        {0xE000, 0xF040, "user-defined area"},
        {0xE757, 0xF9FC, "user-defined area end"},
        {0x0080, 0x80, "single byte 80"},
        {0xF8F0, 0xA0, "single byte A0"},
        {0xF8F3, 0xFF, "single byte FF"},
        {0x00A5, 0, "yen sign: best fit only"},
        {0x203E, 0, "overline: best fit only"},
        {0x301C, 0, "wave dash: best fit only"},
        {0x2212, 0, "minus sign: best fit only"},
        {0x00A2, 0, "cent sign: best fit only"},
        {0x20AC, 0, "euro sign"},
        {0xD800, 0, "high surrogate alone"},
        {0xDFFF, 0, "low surrogate alone"},
        {0xFEFF, 0, "byte-order mark"},
        {0xFFFF, 0, "noncharacter"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(to_code(c.unit), c.code) << std::hex << c.unit << " " << c.why;
    unsigned char b[2] = {0xff, 0xff};
    EXPECT_EQ(dorvik::utf16_to_cp932(0, b), 1);
    EXPECT_EQ(b[0], 0);
}

TEST(Cp932Table, ReadsEveryDuplicateCode) {
    EXPECT_EQ(from_code(0x8790), 0x2252);
    EXPECT_EQ(from_code(0xED40), 0x7E8A);
    EXPECT_EQ(from_code(0xEEEF), 0x2170);
    EXPECT_EQ(from_code(0xEEF9), 0xFFE2);
    EXPECT_EQ(from_code(0xFA54), 0xFFE2);
    EXPECT_EQ(from_code(0x815F), 0xFF3C);
    EXPECT_EQ(from_code(0xA0), 0xF8F0);
    EXPECT_EQ(from_code(0x81), 0);   // a lead byte alone
    EXPECT_EQ(from_code(0x8540), 0); // undefined row
    EXPECT_EQ(from_code(0x81AD), 0); // undefined cell
    EXPECT_EQ(dorvik::cp932_to_utf16(0x88, 0x7F), 0);
    EXPECT_EQ(dorvik::cp932_to_utf16(0x88, 0x3F), 0);
    EXPECT_EQ(dorvik::cp932_to_utf16(0x41, 0x41), 0); // not a lead byte
}

// Every unit with a form reads back as itself, and every code reads as a unit that is written
// either as that code or as the one preferred code of a duplicate (398 such codes in CP932).
TEST(Cp932Table, DirectionsAgree) {
    int written = 0;
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        const unsigned code = to_code(static_cast<uint16_t>(u));
        if (code == 0) continue;
        ++written;
        ASSERT_EQ(from_code(code), u) << std::hex << u;
    }
    int codes = 0, duplicates = 0;
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        const uint16_t u = from_code(code);
        if (u == 0) continue;
        ++codes;
        if (to_code(u) != code) ++duplicates;
        ASSERT_NE(to_code(u), 0u) << std::hex << code;
    }
    EXPECT_EQ(written, 9401);
    EXPECT_EQ(codes, 9799);
    EXPECT_EQ(duplicates, 398);
}

TEST(Cp932ToUtf8, ConvertsForTheTerminal) {
    struct Case {
        const char* name;
        std::string in;
        std::string want;
    };
    const Case cases[] = {
        {"ASCII", "abc", "abc"},
        {"kanji", "\x93\xfa\x96\x7b\x8c\xea", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},
        {"half-width katakana", "\xb1", "\xef\xbd\xb1"},
        {"byte 80", "\x80", "\xc2\x80"},
        {"IBM extension", "\xfa\x40", "\xe2\x85\xb0"},
        {"lead byte at the end", "a\x88", "a\xef\xbf\xbd"},
        {"lead byte before a non-trail", "\x88 a", "\xef\xbf\xbd a"},
        {"undefined pair is one character", "\x88\x61", "\xef\xbf\xbd"},
        {"undefined code",
         "\x85\x40"
         "b",
         "\xef\xbf\xbd"
         "b"},
        {"NUL kept", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dorvik::cp932_to_utf8(c.in), c.want) << c.name;
}

} // namespace
