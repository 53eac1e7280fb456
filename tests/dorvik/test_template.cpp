// Template expansion (CheckFunction, ConvTemplate) against cache-file fixtures, and the
// character counting of StringLenW and StringPlus.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dorvik.h"

namespace {

std::string Fixture(const char* name) {
    return std::string(PELMORA_TEST_DATA) + "/mime/" + name;
}

const std::string kSingle = Fixture("single_jis.emf");
const std::string kAlternative = Fixture("alternative.emf");

// Shift_JIS texts of the fixtures.
const char kSubject[] = "\x89\xef\x8b"
                        "cabc\x8e\x91\x97\xbf"; // 会議abc資料
const char kSender[] = "\x8eR\x93"
                       "c\x91\xbe\x98Y"; // 山田太郎

std::string Conv(const std::string& path, const std::string& tmpl, int mode = 0, int cap = 4096) {
    std::vector<char> work(tmpl.begin(), tmpl.end());
    work.push_back('\0');
    std::vector<char> out(static_cast<std::size_t>(cap) + 16, '#');
    EXPECT_EQ(ConvTemplate(path.c_str(), work.data(), out.data(), cap, mode), 0);
    for (int i = cap; i < cap + 16; ++i)
        EXPECT_EQ(out[static_cast<std::size_t>(i)], '#') << "written past cap";
    for (int i = static_cast<int>(std::strlen(out.data())); i < cap; ++i)
        EXPECT_EQ(out[static_cast<std::size_t>(i)], '\0');
    return out.data();
}

struct Checked {
    int result;
    std::string text;
};

Checked Check(const std::string& path, const std::string& tmpl, int cap = 4096) {
    std::vector<char> out(static_cast<std::size_t>(cap) + 16, '#');
    Checked c;
    c.result = CheckFunction(path.c_str(), tmpl.c_str(), out.data(), cap, 0);
    for (int i = cap; i < cap + 16; ++i)
        EXPECT_EQ(out[static_cast<std::size_t>(i)], '#') << "written past cap";
    c.text = out.data();
    return c;
}

// The header section of a cache file: its non-empty lines, each followed by CR LF.
std::string HeaderSection(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line, head;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "---HEAD ST---") {
            inside = true;
        } else if (line == "---BODY ST---") {
            break;
        } else if (inside && !line.empty()) {
            head += line + "\r\n";
        }
    }
    return head;
}

} // namespace

TEST(ConvTemplate, VariablesFromTheInfoBlock) {
    struct Case {
        const char* tmpl;
        std::string value;
    } cases[] = {
        {"%SUBJECT - %FROM", std::string(kSubject) + " - " + kSender},
        {"%FROM_ADRS", "taro@example.jp"}, // the longer name wins
        {"%FROM_ADRSX%FROM", std::string("taro@example.jpX") + kSender},
        {"%TO", "\x97\xe9\x96\xd8\x89\xd4\x8eq"}, // 鈴木花子: the first To entry's display text
        {"%TO_ADRS", "hanako@example.jp"},
        {"%CC|%CC_ADRS", "\x8d\xb2\x93\xa1|sato@example.jp"}, // 佐藤
        {"%SENDDATE / %RCVDATE", "2024/05/01(\x90\x85) 10:00 / 2024/05/01(\x90\x85) 10:05"},
        {"[%POPSVR]", "[]"},
        {"100% %XYZ #FOO", "100% %XYZ #FOO"}, // unknown words are copied
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Conv(kSingle, c.tmpl), c.value) << c.tmpl;
}

TEST(ConvTemplate, MessageWithoutToEntry) {
    EXPECT_EQ(Conv(kAlternative, "[%TO][%TO_ADRS][%CC][%CC_ADRS]"),
              "[\x8bL\x8fq\x96\xb3\x82\xb5][][\x8bL\x8fq\x96\xb3\x82\xb5][]"); // 記述無し as stored
}

TEST(ConvTemplate, MissingFileGivesEmptyValues) {
    EXPECT_EQ(Conv(Fixture("no_such_file.emf"), "a%SUBJECT|%BODY|%HEADb"), "a||b");
    EXPECT_EQ(Conv("", "a%FROMb"), "ab");
}

TEST(ConvTemplate, HeadIsTheHeaderSection) {
    std::string head = HeaderSection(kSingle);
    ASSERT_NE(head.find("MIME-Version: 1.0\r\n"), std::string::npos);
    EXPECT_EQ(Conv(kSingle, "%HEAD"), head);
}

TEST(ConvTemplate, BodyOfASinglePartJisMessage) {
    // こんにちは。 / (two empty lines) / 本文の二行目です。 / End
    const std::string hello = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81"
                              "B";
    const std::string second = "\x96{\x95\xb6\x82\xcc\x93\xf1\x8ds\x96\xda\x82\xc5\x82\xb7\x81"
                               "B";
    EXPECT_EQ(Conv(kSingle, "%BODY", 0), hello + "\r\n\r\n\r\n" + second + "\r\nEnd\r\n");
    EXPECT_EQ(Conv(kSingle, "%BODY", 1), hello + "\r\n" + second + "\r\nEnd\r\n");
    EXPECT_EQ(Conv(kSingle, "%BODY", 2), hello + second + "End");
    EXPECT_EQ(Conv(kSingle, "<%SUBJECT>", 2), std::string("<") + kSubject + ">"); // modes touch only %BODY
}

TEST(ConvTemplate, BodyOfAMultipartMessageIsItsFirstTextPart) {
    EXPECT_EQ(Conv(kAlternative, "%BODY"), "\x96{\x95\xb6\x82\xc5\x82\xb7\x81"
                                           "B\r\n"); // 本文です。
    EXPECT_EQ(Conv(Fixture("qp_jis.emf"), "%BODY", 2),
              "\x93\xfa\x96{\x8c\xea\x82\xcc\x8fo\x8c\xfb\x82\xc5\x82\xb7"
              "ABC\x8ft"
              "XY\x89\xc4");
}

TEST(ConvTemplate, ResultIsCutToTheCapacity) {
    EXPECT_EQ(Conv(kSingle, "%SUBJECT", 0, 10), "\x89\xef\x8b"
                                                "cabc\x8e\x91"); // 9 bytes fit
    EXPECT_EQ(Conv(kSingle, "%SUBJECT", 0, 9), "\x89\xef\x8b"
                                               "cabc"); // no half character
    EXPECT_EQ(Conv(kSingle, "%BODY%BODY%HEAD", 0, 64).size(), 63u);
    EXPECT_EQ(Conv(kSingle, "abc", 0, 1), "");
}

TEST(CheckFunction, TextFunctions) {
    struct Case {
        const char* tmpl;
        std::string text;
    } cases[] = {
        {"#LEFT(%SUBJECT,3)", "\x89\xef\x8b"
                              "ca"},                // 会議a
        {"#RIGHT(%SUBJECT,2)", "\x8e\x91\x97\xbf"}, // 資料
        {"#MID(%SUBJECT,2)", "\x8b"
                             "cabc\x8e\x91\x97\xbf"}, // 議abc資料
        {"#MID( %SUBJECT , 3 , 2 )", "ab"},
        {"#LEFT(#RIGHT(%SUBJECT,4),2)", "bc"},                 // nested call
        {"#RIGHT(#MID(#LEFT(%SUBJECT,6),2),3)", "bc\x8e\x91"}, // bc資
        {"echo #LEFT(%FROM,2) [%SUBJECT]", "echo \x8eR\x93"
                                           "c [%SUBJECT]"}, // variables outside calls stay
        {"#LEFT(abc,0)|#RIGHT(abc,10)|#MID(abc,0)|#MID(abc,5)|#LEFT(abc,x)", "|abc|abc||"},
        {"a#LEFT b", "a b"},                              // a call without "(" yields nothing
        {"#UPPER(x) #left(x,1)", "#UPPER(x) #left(x,1)"}, // not functions
        {"", ""},
    };
    for (const auto& c : cases) {
        Checked got = Check(kSingle, c.tmpl);
        EXPECT_EQ(got.result, 0) << c.tmpl;
        EXPECT_EQ(got.text, c.text) << c.tmpl;
    }
}

TEST(CheckFunction, MalformedCallsFail) {
    std::string deep = "%SUBJECT";
    for (int i = 0; i < 40; ++i)
        deep = "#LEFT(" + deep + ",5)";
    const std::string cases[] = {
        "#LEFT(#RIGHT(%SUBJECT,4))", // a nested call needs a "," after it
        "#LEFT(%SUBJECT,3",          // never closed
        "#LEFT(%SUBJECT)",           // no count
        "#MID(%SUBJECT,1,2,3)",      // one argument too many
        "ok #RIGHT(#LEFT(x,1)",      // the nested call is not closed
        deep,                        // nested too deep
    };
    for (const auto& t : cases) {
        Checked got = Check(kSingle, t);
        EXPECT_EQ(got.result, -1) << t;
        EXPECT_EQ(got.text, "") << t;
    }
}

TEST(CheckFunction, CutToTheCapacityAndThenExpanded) {
    Checked got = Check(kSingle, "#LEFT(%SUBJECT,3)", 4);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.text, "\x89\xef"); // 会: the next character does not fit whole

    // The two passes Corvex makes for an action filter's command line.
    Checked first = Check(kSingle, "notify.exe \"#RIGHT(%SUBJECT,2)\" %FROM_ADRS");
    ASSERT_EQ(first.result, 0);
    EXPECT_EQ(Conv(kSingle, first.text), "notify.exe \"\x8e\x91\x97\xbf\" taro@example.jp");
}

TEST(StringCount, CharactersOfShiftJisText) {
    struct Case {
        const char* s;
        int chars;
    } cases[] = {
        {"", 1}, // the empty string counts as one
        {"abc", 3},
        {kSubject, 7},
        {"\x82", 1},             // a lead byte at the end is one character
        {"\x82\x20z", 3},        // a lead byte without a valid trail byte
        {"\xe0\x40\x9f\xfc", 2}, // range ends
        {"\xa0\xa1", 2},         // half-width katakana bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(StringLenW(c.s), c.chars) << c.s;

    const char* s = kSubject;
    EXPECT_EQ(StringPlus(s, 0), reinterpret_cast<intptr_t>(s));
    EXPECT_EQ(StringPlus(s, -3), reinterpret_cast<intptr_t>(s));
    EXPECT_EQ(StringPlus(s, 2), reinterpret_cast<intptr_t>(s + 4));
    EXPECT_EQ(StringPlus(s, 5), reinterpret_cast<intptr_t>(s + 7));
    EXPECT_EQ(StringPlus(s, 100), reinterpret_cast<intptr_t>(s + std::strlen(s)));
}
