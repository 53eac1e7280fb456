// Header values with RFC 2047 encoded words decoded to Shift_JIS.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dorvik.h"

namespace {

// 亜 in each form.
const std::string kSjisA = "\x88\x9f";

struct HeadResult {
    std::string text;
    int result;
    std::string value_after; // the value as the call left it
};

// Runs StrCheck_Head on an exactly-sized copy of `value` with an exactly-sized output.
HeadResult head(const std::string& value) {
    std::vector<char> in(value.begin(), value.end());
    in.push_back('\0');
    std::vector<char> out(DORVIK_LINE_CAP, 'x');
    const int r = StrCheck_Head(in.data(), out.data());
    return {std::string(out.data(), strnlen(out.data(), out.size())), r,
            std::string(in.data(), in.size() - 1)};
}

struct WordCase {
    const char* name;
    std::string value;
    std::string want;
};

class EncodedWord : public testing::TestWithParam<WordCase> {};

TEST_P(EncodedWord, DecodesToShiftJis) {
    const HeadResult r = head(GetParam().value);
    EXPECT_EQ(r.text, GetParam().want);
    EXPECT_EQ(r.result, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Words, EncodedWord,
    testing::Values(
        WordCase{"JisBase64", "=?ISO-2022-JP?B?GyRCMCEbKEI=?=", kSjisA},
        WordCase{"JisBase64LowerCase", "=?iso-2022-jp?b?GyRCMCEbKEI=?=", kSjisA},
        WordCase{"JisBase64MixedCase", "=?Iso-2022-Jp?B?GyRCMCEbKEI=?=", kSjisA},
        WordCase{"JisQuoted", "=?ISO-2022-JP?Q?=1B$B0!=1B(B?=", kSjisA},
        WordCase{"ShiftJisBase64", "=?SHIFT_JIS?B?iJ9h?=", kSjisA + "a"},
        WordCase{"ShiftJisQuoted", "=?shift_jis?q?=88=9Fa?=", kSjisA + "a"},
        WordCase{"EucBase64", "=?EUC-JP?B?sKE=?=", kSjisA},
        WordCase{"EucQuoted", "=?euc-jp?Q?=B0=A1?=", kSjisA},
        WordCase{"Utf8Base64", "=?UTF-8?B?5Lqc?=", kSjisA},
        WordCase{"Utf8Quoted", "=?utf-8?q?=E4=BA=9Cb?=", kSjisA + "b"},
        WordCase{"Utf7Quoted", "=?UTF-7?Q?+Tpw-A?=", kSjisA + "A"},
        WordCase{"Utf7Base64", "=?UTF-7?B?K1Rwdy1B?=", kSjisA + "A"},
        // An open UTF-7 run at the end of the word is dropped, not carried anywhere.
        WordCase{"Utf7OpenRun", "=?UTF-7?Q?A+Tpw?=", "A" + kSjisA},
        WordCase{"Latin1PlainAround", "Re: =?ISO-8859-1?Q?caf=E9?= ok", "Re: caf\xe9 ok"},
        WordCase{"Latin1Base64", "=?ISO-8859-1?B?6Q==?=", "\xe9"},
        // Underscores stay underscores; text between words, blanks included, is kept as is.
        WordCase{"Underscore", "=?ISO-8859-1?Q?a_b?=", "a_b"},
        WordCase{"AdjacentWords", "=?ISO-2022-JP?B?GyRCMCEbKEI=?= =?EUC-JP?B?sKE=?=x",
                 kSjisA + " " + kSjisA + "x"},
        WordCase{"UnterminatedWord", "x=?ISO-2022-JP?B?GyRCMCEbKEI=", "x" + kSjisA},
        // A known charset with an unknown encoding letter, or an unknown charset, is copied.
        WordCase{"UnknownEncodingLetter", "=?UTF-8?X?abc?= =?UTF-8?B?5Lqc?=", "=?UTF-8?X?abc?= " + kSjisA},
        WordCase{"UnknownCharsetBeside", "=?KOI8-R?B?abc?= =?UTF-8?B?5Lqc?=", "=?KOI8-R?B?abc?= " + kSjisA},
        // Raw JIS between words is not converted.
        WordCase{"RawTextNotConverted", "\x1b$B0!\x1b(B=?UTF-8?B?5Lqc?=", "\x1b$B0!\x1b(B" + kSjisA}),
    [](const testing::TestParamInfo<WordCase>& info) { return info.param.name; });

TEST(EncodedWordValue, ClosingMarkOfEachWordIsCutInPlace) {
    const HeadResult r = head("=?UTF-8?B?5Lqc?=tail");
    EXPECT_EQ(r.text, kSjisA + "tail");
    EXPECT_EQ(r.value_after, std::string("=?UTF-8?B?5Lqc\0=tail", 20));
}

struct PlainCase {
    const char* name;
    std::string value;
    std::string want;
};

class PlainValue : public testing::TestWithParam<PlainCase> {};

// Without an encoded word of a known charset the value is ISO-2022-JP text as a whole, and
// the result is the output's length plus one.
TEST_P(PlainValue, ConvertedAsIso2022Jp) {
    const HeadResult r = head(GetParam().value);
    EXPECT_EQ(r.text, GetParam().want);
    EXPECT_EQ(r.result, static_cast<int>(GetParam().want.size()) + 1);
    EXPECT_EQ(r.value_after, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PlainValue,
    testing::Values(PlainCase{"Ascii", "report.txt", "report.txt"}, PlainCase{"Empty", "", ""},
                    PlainCase{"Jis", "a\x1b$B0!\x1b(Bb", "a" + kSjisA + "b"},
                    PlainCase{"CommentEscapes", "x \\(y\\)", "x (y)"},
                    PlainCase{"ShiftJisUnchanged", "\x88\x9f.txt", kSjisA + ".txt"},
                    PlainCase{"UnknownCharsetOnly", "=?KOI8-R?B?abc?=", "=?KOI8-R?B?abc?="}),
    [](const testing::TestParamInfo<PlainCase>& info) { return info.param.name; });

// Outputs are DORVIK_LINE_CAP bytes; a value longer than the work area is cut, never run
// past. The sentinel after the output must survive.
class OversizeValue : public testing::TestWithParam<std::string> {};

TEST_P(OversizeValue, OutputCutAtLineCap) {
    const std::string value = GetParam();
    std::vector<char> in(value.begin(), value.end());
    in.push_back('\0');
    const size_t guard = 64;
    std::vector<char> out(DORVIK_LINE_CAP + guard, '\xa5');
    StrCheck_Head(in.data(), out.data());
    const size_t len = strnlen(out.data(), DORVIK_LINE_CAP);
    EXPECT_LT(len, static_cast<size_t>(DORVIK_LINE_CAP));
    for (size_t i = DORVIK_LINE_CAP; i < out.size(); ++i)
        ASSERT_EQ(out[i], '\xa5') << "written at " << i;
}

TEST(EncodedWordValue, LongPlainValueKeepsTheWorkAreasWorth) {
    EXPECT_EQ(head(std::string(4000, 'a')).text, std::string(DORVIK_LINE_CAP - 1, 'a'));
    EXPECT_EQ(head("=?UTF-8?B?5Lqc?=" + std::string(3000, 'a')).text,
              kSjisA + std::string(DORVIK_LINE_CAP - 1 - 16, 'a'));
}

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

INSTANTIATE_TEST_SUITE_P(Values, OversizeValue,
                         testing::Values(std::string(4000, 'a'), repeat("\x1b$B0!", 800),
                                         "=?UTF-8?B?5Lqc?=" + std::string(3000, 'x'),
                                         "=?ISO-8859-1?Q?" + repeat("=E9", 1000) + "?=",
                                         "=?ISO-2022-JP?B?" + repeat("GyRCMCEw", 500) + "?=",
                                         repeat("=?ISO-8859-1?Q?ab?=", 200),
                                         std::string(3000, 'x') + "=?UTF-8?B?5Lqc?="));

} // namespace
