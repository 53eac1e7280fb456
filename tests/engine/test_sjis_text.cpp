// Cutting and searching Shift_JIS text never splits a double-byte character, the extension
// characters of code page 932 (lead bytes 0xED-0xFC) included.
#include <gtest/gtest.h>

#include <string>

#include "corvex/engine/sjis_text.h"

namespace {

using namespace corvex;

TEST(SjisText, CutsOnlyBetweenCharacters) {
    const struct {
        std::string text;
        std::size_t max;
        std::string kept;
    } cases[] = {
        {"ab", 5, "ab"},
        {"a\x82\xA0", 2, "a"}, // あ does not fit whole
        {"a\x82\xA0", 3, "a\x82\xA0"},
        {"a\xFA\x40z", 2, "a"}, // an IBM extension character (ⅰ) is one character too
        {"a\xFA\x40z", 3, "a\xFA\x40"},
        {"\xED\x40\xEE\xEC", 3, "\xED\x40"}, // NEC-selected IBM extensions
        {"\x81", 1, "\x81"},                 // a lead byte at the end stands alone
        {"\xB1\xB2", 1, "\xB1"},             // half-width katakana are single bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(sjis::Prefix(c.text, c.max)), c.kept) << c.max;
        std::string cut = c.text;
        sjis::Cut(cut, c.max);
        EXPECT_EQ(cut, c.kept);
    }
}

TEST(SjisText, FindsSingleByteCharactersButNeverATrailByte) {
    // ソ (83 5C) and the extension character FA 5C end in the byte of a backslash.
    EXPECT_EQ(sjis::FindChar("\x83\x5C\xFA\x5C\\x", '\\'), 4u);
    EXPECT_EQ(sjis::FindChar("\xFA\x40@", '@'), 2u);
    EXPECT_EQ(sjis::FindChar("\x82\x40", '@'), std::string_view::npos);
}

} // namespace
