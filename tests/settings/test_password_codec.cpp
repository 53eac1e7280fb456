// The stored password form: encoding with k = 2 and the reader's rules.
#include "corvex/settings/password_codec.h"

#include <gtest/gtest.h>

#include <string>

using corvex::settings::DecodePassword;
using corvex::settings::EncodePassword;

namespace {

struct Case {
    std::string plain;
    std::string stored;
};

TEST(PasswordCodec, EncodesEachSignedByteAsShiftedFourDigitProduct) {
    const Case cases[] = {
        {"abc", "2YZb]YZb_YZba"},        // 194, 196, 198
        {"\x85", "2V[]_"},               // -123 * 2 = -246
        {"\x80", "2V[^_"},               // -256, the lowest product
        {"\x7f", "2Y[^]"},               // 254, the highest
        {"\xff", "2VYY["},               // -2 keeps its sign inside the four characters: "-002"
        {std::string("\0", 1), "2YYYY"}, // 0
        {"", "2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodePassword(c.plain), c.stored) << "plain of " << c.plain.size() << " bytes";
}

TEST(PasswordCodec, DecodesByTheStoredMultiplier) {
    const Case cases[] = {
        {"abc", "2YZb]YZb_YZba"},
        {"\x85", "2V[]_"}, // -246 / 2 truncates toward zero to -123
        {"a", "3Y[bZ"},    // k = 3: 291 / 3
        {"a", "9Ya`\\"},   // k = 9: 873 / 9
        {"a", "2YZb]YZ"},  // a trailing partial group is ignored
        {"", "2YZb"},      // only a partial group
        {"", "2"},
        {"", ""},
        {"", "1YZb]"}, // below "2": no password
        {"", "0YZb]"},
        {"", "AYZb]"},     // not a digit
        {"\x02", "2YYY^"}, // 5 / 2 truncates to 2
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodePassword(c.stored), c.plain) << "stored " << c.stored;
}

TEST(PasswordCodec, EveryByteValueRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string stored = EncodePassword(one);
        ASSERT_EQ(stored.size(), 5u) << "byte " << b;
        EXPECT_EQ(DecodePassword(stored), one) << "byte " << b;
        all += one;
    }
    EXPECT_EQ(DecodePassword(EncodePassword(all)), all);
}

} // namespace
