// Header values to Shift_JIS: encoded words of every charset, raw ISO-2022-JP, and the
// bounds of the decoding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvex/engine/encoded_words.h"
#include "cp932.h"
#include "dorvik.h"

namespace {

using corvex::DecodeHeaderText;

std::string Utf8(const std::string& sjis) {
    return dorvik::cp932_to_utf8(sjis);
}

struct Case {
    const char* name;
    const char* input;
    const char* expected_utf8;
};

class DecodeCases : public ::testing::TestWithParam<Case> {};

TEST_P(DecodeCases, DecodesToShiftJis) {
    const Case& c = GetParam();
    EXPECT_EQ(Utf8(DecodeHeaderText(c.input)), c.expected_utf8) << c.input;
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, DecodeCases,
    ::testing::Values(Case{"JisB", "=?ISO-2022-JP?B?GyRCJCIkJCQmGyhC?=", "あいう"},
                      Case{"JisQ", "=?ISO-2022-JP?Q?=1B$B4A;z=1B(B?=", "漢字"},
                      Case{"LowerCasePrefix", "=?iso-2022-jp?b?GyRCJCIkJCQmGyhC?=", "あいう"},
                      Case{"ShiftJisB", "=?SHIFT_JIS?B?g2WDWINn?=", "テスト"},
                      Case{"EucB", "=?EUC-JP?B?xvzL3Ljs?=", "日本語"},
                      Case{"Utf8B", "=?UTF-8?B?44G+44G/44KA44KB44KC?=", "まみむめも"},
                      Case{"Utf8Q", "=?utf-8?q?=E6=97=A5?=", "日"},
                      Case{"Utf7B", "=?UTF-7?B?K1plVm5MQS0=?=", "日本"},
                      Case{"Latin1QUnderscoreIsBlank", "=?ISO-8859-1?Q?Hello_World?=", "Hello World"},
                      Case{"PlainText", "Hello world", "Hello world"},
                      Case{"RawJis", "Re: \x1b$B$\"$$$&\x1b(B!", "Re: あいう!"},
                      Case{"TextAroundWords", "[ML] =?UTF-8?B?44G+?= and =?EUC-JP?B?xvzL3Ljs?= end",
                           "[ML] ま and 日本語 end"},
                      Case{"BlankBetweenWordsKept", "=?UTF-8?B?44G+?= =?UTF-8?B?44G/?=", "ま み"},
                      Case{"AdjacentWords", "=?UTF-8?B?44G+?==?ISO-2022-JP?B?GyRCJCIkJCQmGyhC?=", "まあいう"},
                      Case{"UnclosedWordRunsToEnd", "x =?UTF-8?B?44G+44G/", "x まみ"},
                      Case{"UnknownCharsetCopied", "=?KOI8-R?B?8NLJ18XU?=", "=?KOI8-R?B?8NLJ18XU?="},
                      Case{"MarkerWithoutKnownForm", "=?UTF-8?X?abc?= ok", "=?UTF-8?X?abc?= ok"},
                      Case{"PrefixAtEndOfText", "abc =?UTF-8?B?", "abc "}, Case{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(DecodeHeaderText, Latin1WordIsDecodedButNotConverted) {
    EXPECT_EQ(DecodeHeaderText("a =?ISO-8859-1?Q?Caf=E9?= b"), "a Caf\xE9 b");
    EXPECT_EQ(DecodeHeaderText("=?ISO-8859-1?B?Q2Fm6Q==?="), "Caf\xE9");
}

TEST(DecodeHeaderText, ShiftJisBytesComeOutAsTheyAre) {
    // 亜 is 0x88 0x9F in Shift_JIS; ESC $ B 0x30 0x21 ESC ( B in ISO-2022-JP.
    EXPECT_EQ(DecodeHeaderText("=?ISO-2022-JP?B?GyRCMCEbKEI=?="), "\x88\x9F");
}

// A word of a length that is no multiple of four must neither take characters left over by
// an earlier Base64 decoding nor leave any for the next one, in this value or elsewhere.
TEST(DecodeHeaderText, Base64WordsDoNotShareAPendingGroup) {
    char out[DORVIK_LINE_CAP] = {};
    DecodeLineB64("YW", 3, out, sizeof out); // someone else leaves two characters pending
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?YWJj?="), "abc");
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?YWJjZ?= =?UTF-8?B?ZGVm?="), "abc def");

    char after[DORVIK_LINE_CAP] = {};
    EXPECT_EQ(DecodeLineB64("YWJj", 5, after, sizeof after), 3);
    EXPECT_STREQ(after, "abc");
}

TEST(DecodeHeaderText, ReadsAtMost1535BytesAndKeepsCharactersWhole) {
    const std::string long_plain(5000, 'a');
    EXPECT_EQ(DecodeHeaderText(long_plain), std::string(1535, 'a'));

    std::string words;
    for (int i = 0; i < 400; ++i)
        words += "=?UTF-8?B?44G+44G/44KA?=";
    const std::string out = DecodeHeaderText(words);
    // 63 whole words fit in the first 1535 bytes; the 64th lost its closing "=" and runs to the end.
    EXPECT_EQ(out.size(), 64 * 6u);

    // Raw Shift_JIS (亜 800 times): the cut at 1535 bytes never leaves half a character.
    std::string raw;
    for (int i = 0; i < 800; ++i)
        raw += "\x88\x9F";
    EXPECT_EQ(DecodeHeaderText(raw).size(), 1534u);

    const std::string unclosed = "=?ISO-8859-1?Q?" + std::string(3000, 'b');
    EXPECT_EQ(DecodeHeaderText(unclosed), std::string(1535 - 15, 'b'));
}

TEST(DecodeHeaderText, MalformedWordsNeverReadPastTheValue) {
    // Each cut of a valid value, so every prefix ends inside a prefix, a word or an escape.
    const std::string value =
        "=?ISO-2022-JP?Q?=1B$B4A;z=1B(B?= =?UTF-7?B?K1plVm5MQS0=?= =?EUC-JP?B?xvzL3Ljs?=";
    for (std::size_t n = 0; n <= value.size(); ++n) {
        const std::vector<char> exact(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n));
        const std::string out = DecodeHeaderText(std::string_view(exact.data(), exact.size()));
        EXPECT_LE(out.size(), corvex::kHeaderTextCap - 1);
    }
}

} // namespace
