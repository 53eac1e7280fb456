// Mail dates to "yyyy/MM/dd HH:mm" local time, with the machine's offset from UTC given.
#include <gtest/gtest.h>

#include <string>

#include "corvex/engine/mail_date.h"

namespace {

using corvex::FormatMailDate;
using corvex::MailDateFields;
using corvex::ParseMailDate;

constexpr int kJapan = 9 * 60;

struct Case {
    const char* input;
    int offset;
    int result;
    const char* expected;
};

class FormatCases : public ::testing::TestWithParam<Case> {};

TEST_P(FormatCases, Formats) {
    const Case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(FormatMailDate(c.input, c.offset, out), c.result) << c.input;
    EXPECT_EQ(out, c.expected) << c.input << " at offset " << c.offset;
}

INSTANTIATE_TEST_SUITE_P(Zones, FormatCases,
                         ::testing::Values(
                             // Nine hours east of UTC.
                             Case{"Tue, 07 Dec 2004 10:20:30 +0900", kJapan, 0, "2004/12/07 10:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 -0500", kJapan, 0, "2004/12/08 00:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 +0000", kJapan, 0, "2004/12/07 19:20"},
                             Case{"Fri, 31 Dec 2004 20:00:00 -0800", kJapan, 0, "2005/01/01 13:00"},
                             Case{"Tue, 07 Dec 2004 10:20:30 +0530", kJapan, 0, "2004/12/07 13:50"},
                             Case{"Tue, 07 Dec 2004 10:20:30 -0330", kJapan, 0, "2004/12/07 22:50"},
                             Case{"Tue, 07 Dec 2004 10:20:30 +0900 (JST)", kJapan, 0, "2004/12/07 10:20"},
                             // Other machines.
                             Case{"Tue, 07 Dec 2004 10:20:30 +0900", 0, 0, "2004/12/07 01:20"},
                             Case{"Tue, 07 Dec 2004 01:20:30 +0900", 0, 0, "2004/12/06 16:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 +0900", -5 * 60, 0, "2004/12/06 20:20"},
                             Case{"Wed, 01 Mar 2000 03:00:00 +0900", -8 * 60, 0, "2000/02/29 10:00"},
                             Case{"Sun, 01 Mar 2099 03:00:00 +0900", -8 * 60, 0, "2099/02/28 10:00"},
                             Case{"Tue, 07 Dec 2004 10:20:30 +0100", 60, 0, "2004/12/07 10:20"},
                             // Named zones and a missing zone are not converted.
                             Case{"Tue, 07 Dec 2004 10:20:30 GMT", kJapan, 0, "2004/12/07 10:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 UT", kJapan, 0, "2004/12/07 10:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 EST", kJapan, 0, "2004/12/07 10:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 JST", kJapan, 0, "2004/12/07 10:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30", kJapan, 0, "2004/12/07 10:20"},
                             // A difference of 24 hours or more leaves the time as written.
                             Case{"Tue, 07 Dec 2004 10:20:30 -1500", kJapan, 0, "2004/12/07 10:20"},
                             Case{"Tue, 07 Dec 2004 10:20:30 +99999999999", kJapan, 0, "2004/12/07 10:20"}));

INSTANTIATE_TEST_SUITE_P(
    Shapes, FormatCases,
    ::testing::Values(Case{"Tue, 07-Dec-2004 10:20:30 +0900", kJapan, 0, "2004/12/07 10:20"},
                      Case{"Tue 07 Dec 2004 10:20:30 +0900", kJapan, 0, "2004/12/07 10:20"},
                      Case{"07 Dec 2004 10:20:30 -0000", kJapan, 0, "2004/12/07 19:20"},
                      Case{"Tue Dec 7 10:20:30 2004 +0900", kJapan, 0, "2004/12/07 10:20"},
                      Case{"Tue Dec  7 10:20:30 2004", kJapan, 0, "2004/12/07 10:20"},
                      Case{"Tue, 7 Dec 2004 10:20 +0900", kJapan, 0, "2004/12/07 10:20"},
                      Case{"tue, 7 dec 2004 9:05:00 +0900", kJapan, 0, "2004/12/07 09:05"},
                      Case{"Tue,\t7 Dec 2004 10:20:30 +0900", kJapan, 0, "2004/12/07 10:20"},
                      // Two-digit years.
                      Case{"7 Dec 04 10:20", kJapan, 0, "2004/12/07 10:20"},
                      Case{"7 Dec 98 10:20", kJapan, 0, "1998/12/07 10:20"},
                      Case{"7 Dec 70 10:20", kJapan, 0, "2070/12/07 10:20"},
                      Case{"7 Dec 71 10:20", kJapan, 0, "1971/12/07 10:20"}));

INSTANTIATE_TEST_SUITE_P(
    Malformed, FormatCases,
    ::testing::Values(
        // Unparsed: shown as it came, cut to 36 bytes from 37 on.
        Case{"Tuesday, 07 December 2004 10:20:30 +0900", kJapan, -1, "Tuesday, 07 December 2004 10:20:30 +"},
        Case{"Tue, 07 December 2004 10:20:30 +0900", kJapan, -1, "Tue, 07 December 2004 10:20:30 +0900"},
        Case{"Tue, 07 Dece 2004 10:20:30 +0900", kJapan, -1, "Tue, 07 Dece 2004 10:20:30 +0900"},
        Case{"Tue, 00 Dec 2004 10:20:30 +0900", kJapan, -1, "Tue, 00 Dec 2004 10:20:30 +0900"},
        Case{"7 Dec :20", kJapan, -1, "7 Dec :20"}, // no year is no year 2000
        Case{"yesterday", kJapan, -1, "yesterday"}, Case{"", kJapan, -1, ""},
        Case{"2004-12-07T10:20:30+09:00", kJapan, -1, "2004-12-07T10:20:30+09:00"},
        // Parsed, but no calendar time: the text as it came (first 127 bytes), not cut to 36.
        Case{"Tue, 31 Feb 2004 10:20:30 +0900 and a long comment after it", kJapan, -1,
             "Tue, 31 Feb 2004 10:20:30 +0900 and a long comment after it"},
        Case{"Tue, 07 Dec 2004 25:20:30 +0900", kJapan, -1, "Tue, 07 Dec 2004 25:20:30 +0900"},
        Case{"Tue, 07 Dec 2004 10:61:30 +0900", kJapan, -1, "Tue, 07 Dec 2004 10:61:30 +0900"},
        Case{"Tue, 07 Dec 99999999999 10:20:30 +0900", kJapan, -1, "Tue, 07 Dec 99999999999 10:20:30 +0900"},
        Case{"Fri, 31 Dec 9999 23:00:00 +0000", kJapan, -1, "Fri, 31 Dec 9999 23:00:00 +0000"}));

TEST(ParseMailDate, PatternsAreTriedInOrder) {
    struct {
        const char* input;
        int pattern;
    } cases[] = {
        {"Tue, 07 Dec 2004 10:20:30 +0900", 1}, {"Tue, 07-Dec-2004 10:20:30 +0900", 2},
        {"Tue 07 Dec 2004 10:20:30 +0900", 3},  {"Tue Dec 7 10:20:30 2004 +0900", 4},
        {"Tue, 07 Dec 2004 10:20 +0900", 5},    {"7 Dec 04 10:20", 6},
        {"Tue, 7 December 2004 10:20", 0},
    };
    for (const auto& c : cases) {
        MailDateFields f;
        EXPECT_EQ(ParseMailDate(c.input, f), c.pattern) << c.input;
    }
    MailDateFields f;
    ASSERT_EQ(ParseMailDate("Tue Dec 7 10:20:30 2004 +0900 (JST)", f), 4);
    EXPECT_EQ(f.year, 2004);
    EXPECT_EQ(f.month, 12);
    EXPECT_EQ(f.day, 7);
    EXPECT_EQ(f.hour, 10);
    EXPECT_EQ(f.minute, 20);
    EXPECT_EQ(f.second, 30);
    EXPECT_EQ(f.zone, "+0900");
}

TEST(FormatMailDate, ReadsOnlyThe127FirstBytes) {
    // A date whose zone lies beyond byte 127 is taken as having none.
    const std::string padded = "Tue, 07 Dec 2004 10:20:30" + std::string(120, ' ') + "-0500";
    std::string out;
    EXPECT_EQ(FormatMailDate(padded, kJapan, out), 0);
    EXPECT_EQ(out, "2004/12/07 10:20");

    const std::string invalid = "Tue, 32 Dec 2004 10:20:30 +0900 " + std::string(300, 'x');
    EXPECT_EQ(FormatMailDate(invalid, kJapan, out), -1);
    EXPECT_EQ(out, invalid.substr(0, 127));
}

} // namespace
