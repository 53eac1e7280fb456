// The limits applied to the numeric settings when the settings sheet is accepted.
#include "corvex/settings/normalise.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace corvex::settings;

namespace {

struct Case {
    const char* name;
    const char* in;
    const char* out;
};

TEST(Normalise, TableOfRules) {
    const Case cases[] = {
        {"ReadLineNum", "1000", "500"},     {"ReadLineNum", "30", "50"},    {"ReadLineNum", "abc", "50"},
        {"ReadLineNum", "501", "500"},      {"ReadLineNum", "200", "200"},  {"ReadLineNum", "", "50"},
        {"ReadLineNumC", "201", "200"},     {"ReadLineNumC", "19", "20"},   {"ReadLineNumC", "0100", "200"},
        {"CheckTime", "301", "300"},        {"CheckTime", "1000", "300"},   {"CheckTime", "0", "0"},
        {"CheckTime2", "5", "5"},           {"CheckTime2", "-5", "0"},      {"CheckTime", "300", "300"},
        {"ToutTime", "181", "180"},         {"ToutTime", "59", "60"},       {"ToutTime", "abc", "60"},
        {"ToutTime", "99999999999", "180"}, {"CheckTitleNum", "100", "99"}, {"CheckTitleNum", "4", "5"},
        {"CheckTitleNum", "20", "20"},      {"ScrollNum", "0", "1"},        {"DisplayNum", "123", "99"},
        {"SoundNum", "99", "99"},           {"DSPTime", "61", "60"},        {"DSPTime", "-1", "0"},
        {"DSPTime", "100", "60"},           {"SpamCloseSec", "5", "10"},    {"SpamCloseSec", "61", "60"},
        {"SpamCloseSec", "30", "30"},       {"SpamCloseSec", "100", "60"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_TRUE(NormaliseValue(c.name, text)) << c.name;
        EXPECT_EQ(text, c.out) << c.name << " \"" << c.in << "\"";
    }
}

TEST(Normalise, ValuesWithoutRuleAreLeftAlone) {
    std::string text = "1000";
    EXPECT_FALSE(NormaliseValue("POP3PortNum", text));
    EXPECT_EQ(text, "1000");
}

TEST(Normalise, ProfileRecordGetsEveryRule) {
    ProfileSettings s;
    s.ReadLineNum.assign("1000");
    s.ToutTime.assign("10");
    s.SpamCloseSec.assign("0");
    s.ScrollNum.assign("x");
    s.CheckTime.assign("60");
    s.SoundFile.assign("1000"); // not a number field
    NormaliseProfile(s);
    EXPECT_EQ(s.ReadLineNum, "500");
    EXPECT_EQ(s.ToutTime, "60");
    EXPECT_EQ(s.SpamCloseSec, "10");
    EXPECT_EQ(s.ScrollNum, "1");
    EXPECT_EQ(s.CheckTime, "60");
    EXPECT_EQ(s.SoundFile, "1000");
}

TEST(Normalise, DecimalValueReadsLikeTextToInteger) {
    EXPECT_EQ(DecimalValue(" 42x"), 42);
    EXPECT_EQ(DecimalValue("-7"), -7);
    EXPECT_EQ(DecimalValue("+7"), 7);
    EXPECT_EQ(DecimalValue("x1"), 0);
    EXPECT_EQ(DecimalValue(""), 0);
    EXPECT_EQ(DecimalValue("99999999999"), INT_MAX);
    EXPECT_EQ(DecimalValue("-99999999999"), INT_MIN);
}

} // namespace
