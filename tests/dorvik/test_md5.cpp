// MDString: lower-case hex MD5 of a string's bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dorvik.h"

namespace {

std::string md(const std::string& text) {
    char out[DORVIK_DIGEST_CAP];
    EXPECT_EQ(MDString(text.c_str(), out), 0);
    return std::string(out, strnlen(out, sizeof out));
}

TEST(MDString, Rfc1321TestSuite) {
    struct Case {
        const char* in;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(md(c.in), c.digest) << c.in;
}

TEST(MDString, BlockBoundariesOfThePadding) {
    // 55, 56 and 64 bytes put the length field in the first block, force a second block,
    // or start padding on a fresh block.
    struct Case {
        size_t n;
        const char* digest;
    } cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {64, "014842d480b571495a4a0363793f7367"},
        {1000, "cabe45dcc9ae5b66ba86600cca6b8ba8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(md(std::string(c.n, 'a')), c.digest) << c.n;
}

TEST(MDString, HashesShiftJisBytesUnchanged) {
    // "日本語" in Shift_JIS, and an APOP greeting time-stamp followed by a password.
    EXPECT_EQ(md("\x93\xFA\x96\x7B\x8C\xEA"), "387d3d4780c18a32c9c90437e4b50160");
    EXPECT_EQ(md("<1896.697170952@dbc.mtview.ca.us>tanstaaf"), "c4c9334bac560ecc979e58001b3e22fb");
}

TEST(MDString, WritesExactlyThirtyThreeBytes) {
    char out[DORVIK_DIGEST_CAP + 8];
    std::memset(out, 0x5A, sizeof out);
    MDString("abc", out);
    EXPECT_EQ(out[32], '\0');
    for (size_t i = 0; i < 32; ++i)
        EXPECT_TRUE(std::strchr("0123456789abcdef", out[i]) != nullptr) << i;
    for (size_t i = DORVIK_DIGEST_CAP; i < sizeof out; ++i)
        EXPECT_EQ(out[i], 0x5A) << i;
}

} // namespace
