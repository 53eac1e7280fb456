// The wildcard matcher shared by the spam patterns and the action filters.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "corvex/filters/wildcard.h"
#include "support/filter_files.h"

using corvex::WildcardMatch;
using filter_files::Sj;

namespace {

struct Case {
    const char* text;
    const char* pattern;
    bool match;
};

const Case kCases[] = {
    // The documented examples.
    {"ab", "ab??", true},
    {"ab", "ab*", true},
    {"abc", "a?c", true},
    {"abc", "*BC", true},
    {"abc", "*b*", true},
    {"abc", "abc*d", false},
    // "*" followed by "*" or "?" loses the follower: "*?*x" is "*x", so it matches a lone x.
    {"abx", "*?*x", true},
    {"x", "*?*x", true},
    {"ab", "a**", true},
    {"ab", "a*?", true},
    // Exhausted text: only "?"s or a single "*" may be left.
    {"", "*", true},
    {"", "", true},
    {"", "??", true},
    {"", "*a", false},
    {"ab", "ab?*", false},
    {"ab", "ab*c", false},
    {"ab", "ab?c", false},
    // Exhausted pattern with text left.
    {"abcd", "abc", false},
    {"a", "", false},
    {"abc", "a?", false},
    // "?" consumes exactly one character.
    {"abc", "???", true},
    {"abc", "????", true},
    // Letters without regard to case, on both sides.
    {"Promo@BULK.Example", "*@bulk.example", true},
    {"user@example.com", "USER@*", true},
    {"user@example.com", "user@example.org", false},
    // Backtracking over several candidate positions.
    {"abab", "*ab", true},
    {"abac", "*ab", false},
    {"mississippi", "*sip*", true},
    {"mississippi", "m*iss*ppi", true},
    {"mississippi", "m*x*", false},
    {"aaa", "*a", true},
    // A star in the middle may match nothing.
    {"abc", "ab*c", true},
};

TEST(WildcardMatch, TableOfCases) {
    for (const Case& c : kCases) {
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\"";
    }
    // Texts end at a NUL byte.
    const char with_nul[] = "ab\0cd";
    EXPECT_TRUE(WildcardMatch(std::string_view(with_nul, 5), "ab"));
    EXPECT_FALSE(WildcardMatch(std::string_view(with_nul, 5), "ab?cd"));
}

TEST(WildcardMatch, ShiftJisTextsMatchWholeCharacters) {
    const std::string text = Sj("これはスパムです");
    EXPECT_TRUE(WildcardMatch(text, Sj("これはスパム*")));
    EXPECT_TRUE(WildcardMatch(text, Sj("*スパム*")));
    EXPECT_TRUE(WildcardMatch(text, Sj("*スパムです")));
    EXPECT_FALSE(WildcardMatch(text, Sj("*ハム*")));
}

// Bytes that straddle two characters, trail bytes that look like ASCII letters, and "?" over
// a double-byte character: a byte-wise matcher gets each of these wrong.
TEST(WildcardMatch, NeverMatchesAcrossOrInsideADoubleByteCharacter) {
    const struct {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        // 告 is 8D 90: the trail byte of ロ (83 8D) followed by the lead byte of 生 (90 B6).
        {"マクロ生成", "*告*", false},
        {"広告のお知らせ", "*告*", true},
        // ヂ is 83 61 and ア is 83 41: 0x61 and 0x41 are "a" and "A" as single bytes only.
        {"ヂ", "ア", false},
        {"ア", "ア", true},
        // "?" is one character of either width.
        {"ア", "?", true},
        {"ア", "??", true},
        {"アイ", "?", false},
        {"アb", "??", true},
        {"xアy", "x?y", true},
        // "*" followed by a character resumes only at character starts. ソ is 83 5C: its
        // trail byte is a backslash as a single byte.
        {"ソ", "*\\*", false},
        {"a\\b", "*\\*", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(Sj(c.text), Sj(c.pattern)), c.match)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\"";
}

TEST(WildcardMatch, CutsTextAndPatternAt1023Bytes) {
    const std::string long_text = std::string(corvex::kWildcardMax, 'a') + "b";
    EXPECT_FALSE(WildcardMatch(long_text, "*b")); // the b lies beyond the cut
    EXPECT_TRUE(WildcardMatch(long_text, "a*"));
    const std::string long_pattern = std::string(corvex::kWildcardMax, 'a') + "b";
    EXPECT_TRUE(WildcardMatch(std::string(corvex::kWildcardMax, 'a'), long_pattern));
}

TEST(WildcardMatch, ManyStarsOverALongTextFinish) {
    // Without remembering failed positions this takes exponential time.
    std::string pattern;
    for (int i = 0; i < 40; ++i)
        pattern += "*a";
    pattern += "*b";
    EXPECT_FALSE(WildcardMatch(std::string(1000, 'a'), pattern));
    EXPECT_TRUE(WildcardMatch(std::string(1000, 'a') + "b", pattern));
}

// The matching rules written out literally, without normalising first and without any
// shortcut, to check the real matcher against on random input.
bool Reference(const std::string& t, const std::string& p) {
    std::string q;
    for (char c : p)
        if (q.empty() || q.back() != '*' || (c != '*' && c != '?')) q += c;
    if (q == "*") return true;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    auto rec = [&](auto& self, std::size_t i, std::size_t j) -> bool {
        while (true) {
            if (i == t.size()) {
                std::string rest = q.substr(j);
                return rest == "*" || rest.find_first_not_of('?') == std::string::npos;
            }
            if (j == q.size()) return false;
            if (q[j] == '?') {
                ++i, ++j;
            } else if (q[j] == '*') {
                if (j + 1 == q.size()) return true;
                for (std::size_t k = i; k < t.size(); ++k)
                    if (lower(t[k]) == lower(q[j + 1]) && self(self, k, j + 1)) return true;
                return false;
            } else {
                if (lower(q[j]) != lower(t[i])) return false;
                ++i, ++j;
            }
        }
    };
    return rec(rec, 0, 0);
}

TEST(WildcardMatch, AgreesWithTheLiteralRulesOnRandomInput) {
    std::mt19937 rng(932);
    const char text_chars[] = "abA";
    const char pattern_chars[] = "abB?*";
    for (int n = 0; n < 20000; ++n) {
        std::string text, pattern;
        for (int i = rng() % 9; i > 0; --i)
            text += text_chars[rng() % 3];
        for (int i = rng() % 8; i > 0; --i)
            pattern += pattern_chars[rng() % 5];
        ASSERT_EQ(WildcardMatch(text, pattern), Reference(text, pattern)) << text << " / " << pattern;
    }
}

} // namespace
