// Base64 and quoted-printable line codecs, and the storage encoding built on them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dorvik.h"

namespace {

constexpr unsigned char kSentinel = 0xAA;

// An output buffer of `cap` bytes followed by sentinel bytes that must survive every call.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t cap, size_t guard = 64) : cap(cap), bytes(cap + guard, kSentinel) {}
    char* data() { return reinterpret_cast<char*>(bytes.data()); }
    bool guard_intact() const {
        for (size_t i = cap; i < bytes.size(); ++i)
            if (bytes[i] != kSentinel) return false;
        return true;
    }
    bool untouched() const {
        for (unsigned char b : bytes)
            if (b != kSentinel) return false;
        return true;
    }
    size_t cap;
    std::vector<unsigned char> bytes;
};

// A NUL-terminated copy in a heap block of exactly its size, so that AddressSanitizer
// catches any read past the terminator.
std::unique_ptr<char[]> exact_copy(const std::string& s) {
    auto p = std::make_unique<char[]>(s.size() + 1);
    std::memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

std::string b64(const std::string& bytes) {
    std::vector<char> out(4 * (bytes.size() + 2) / 3 + 8);
    EXPECT_EQ(EncodeLineB64(out.data(), static_cast<unsigned>(out.size()), bytes.data(),
                            static_cast<int>(bytes.size())),
              0);
    return out.data();
}

// Completes whatever group an earlier call left pending: every group it can finish has a
// padding mark in third or fourth place, which ends the call.
void drain_pending_group() {
    char out[16];
    DecodeLineB64("====", 4, out, sizeof out);
}

struct DecodeResult {
    int result;
    std::string text;
};

DecodeResult decode_b64(const std::string& in, int cap = DORVIK_LINE_CAP) {
    std::vector<char> out(static_cast<size_t>(cap) + 1, '\0');
    const int r = DecodeLineB64(in.c_str(), static_cast<int>(in.size() + 1), out.data(), cap);
    return {r, std::string(out.data())};
}

class Base64 : public ::testing::Test {
  protected:
    void SetUp() override { drain_pending_group(); }
    void TearDown() override { drain_pending_group(); }
};

// ---- EncodeLineB64 ------------------------------------------------------------------------

TEST_F(Base64, EncodesGroupsWithPadding) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"abcd", "YWJjZA=="},
        {"foobar", "Zm9vYmFy"},
        {std::string("a\0", 2), "YQA="},
        {std::string("abc\0", 4), "YWJjAA=="},
        {std::string("\xFF\xFE\x00", 3), "//4A"},
        {"\x88\x9F\xFB\xFF", "iJ/7/w=="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(b64(c.in), c.out) << c.out;
}

TEST_F(Base64, EncoderRefusesTooSmallCapacityAndLeavesOutputAlone) {
    struct Case {
        const char* in;
        unsigned cap;
    } cases[] = {{"", 4}, {"a", 4}, {"abc", 4}, {"abcd", 8}, {"abcdefg", 12}};
    for (const auto& c : cases) {
        GuardedBuffer buf(c.cap);
        EXPECT_EQ(EncodeLineB64(buf.data(), c.cap, c.in, static_cast<int>(std::strlen(c.in))), -1) << c.in;
        EXPECT_TRUE(buf.untouched()) << c.in;
    }
    // Exactly 4 * ceil(n / 3) + 1 is enough.
    GuardedBuffer buf(9);
    EXPECT_EQ(EncodeLineB64(buf.data(), 9, "abcd", 4), 0);
    EXPECT_STREQ(buf.data(), "YWJjZA==");
    EXPECT_TRUE(buf.guard_intact());
}

// ---- DecodeLineB64 ------------------------------------------------------------------------

TEST_F(Base64, DecodesLines) {
    struct Case {
        std::string in;
        int result;
        std::string text;
    } cases[] = {
        {"YWJj", 3, "abc"},
        {"YWI=", 2, "ab"},
        {"YQ==", 1, "a"},
        {"Zm9vYmFy", 6, "foobar"},
        {"YW Jj\r\n", 3, "abc"}, // blanks and line ends are skipped
        {"Y\tW\r\nJ j", 3, "abc"},
        {"Y!W@J#j\x80\xFF", 3, "abc"}, // so is every other non-alphabet byte
        {"YQBi", 3, "a"},              // a decoded NUL ends the text, not the count
        {"", 0, ""},
        {"iJ/7", 3, "\x88\x9F\xFB"},
    };
    for (const auto& c : cases) {
        const DecodeResult r = decode_b64(c.in);
        EXPECT_EQ(r.result, c.result) << c.in;
        EXPECT_EQ(r.text, c.text) << c.in;
    }
}

TEST_F(Base64, PaddingEndsTheCallAndLeavesNothingPending) {
    const DecodeResult r = decode_b64("YQ==YWJj");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.text, "a");
    // Nothing of "YWJj" was kept for the next call.
    const DecodeResult next = decode_b64("YWI=");
    EXPECT_EQ(next.result, 2);
    EXPECT_EQ(next.text, "ab");
}

TEST_F(Base64, IncompleteGroupCarriesOverToTheNextCall) {
    DecodeResult r = decode_b64("YW");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.text, "");
    r = decode_b64("Jj");
    EXPECT_EQ(r.result, 3);
    EXPECT_EQ(r.text, "abc");

    // A body cut at odd places decodes line by line.
    const char* lines[] = {"Zm9v", "Ym", "FyYm", "F"};
    std::string joined;
    int total = 0;
    for (const char* line : lines) {
        r = decode_b64(line);
        total += r.result;
        joined += r.text;
    }
    EXPECT_EQ(total, 6);
    EXPECT_EQ(joined, "foobar");
    // "YmF" is still pending and completes the next caller's first group.
    r = decode_b64("6");
    EXPECT_EQ(r.result, 3);
    EXPECT_EQ(r.text, "baz");
}

TEST_F(Base64, CapacityReachedReturnsMinusOneAndLeavesOutputAlone) {
    GuardedBuffer buf(2);
    EXPECT_EQ(DecodeLineB64("YWJj", 5, buf.data(), 2), -1);
    EXPECT_TRUE(buf.untouched());
    // The group was consumed: nothing is pending afterwards.
    EXPECT_EQ(decode_b64("YWI=").text, "ab");

    GuardedBuffer none(0);
    EXPECT_EQ(DecodeLineB64("YWJj", 5, none.data(), 0), -1);
    EXPECT_EQ(DecodeLineB64("YWJj", 5, none.data(), -5), -1);
    EXPECT_TRUE(none.untouched());
}

TEST_F(Base64, OutputNeverPassesCapacity) {
    // Three bytes fit a capacity of 3 by count, but the text and its NUL do not: the text is cut.
    GuardedBuffer buf(3);
    EXPECT_EQ(DecodeLineB64("YWJj", 5, buf.data(), 3), 3);
    EXPECT_STREQ(buf.data(), "ab");
    EXPECT_TRUE(buf.guard_intact());

    // A capacity above the work area is treated as the work area's size.
    const std::string big(DORVIK_LINE_CAP, 'x');
    const std::string token = b64(big);
    GuardedBuffer wide(4096);
    EXPECT_EQ(DecodeLineB64(token.c_str(), static_cast<int>(token.size() + 1), wide.data(), 4096),
              DORVIK_LINE_CAP);
    EXPECT_EQ(std::string(wide.data()), std::string(DORVIK_LINE_CAP - 1, 'x'));
    EXPECT_TRUE(wide.guard_intact());

    const std::string bigger = b64(std::string(2000, 'y'));
    GuardedBuffer wide2(4096);
    EXPECT_EQ(DecodeLineB64(bigger.c_str(), static_cast<int>(bigger.size() + 1), wide2.data(), 4096), -1);
    EXPECT_TRUE(wide2.untouched());
}

TEST_F(Base64, RoundTripOfEveryByteValue) {
    std::string all;
    for (int i = 1; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    for (size_t n = 0; n <= all.size(); n += 17) {
        const std::string part = all.substr(0, n);
        const DecodeResult r = decode_b64(b64(part));
        EXPECT_EQ(r.result, static_cast<int>(n));
        EXPECT_EQ(r.text, part);
    }
}

// ---- DecodeLineQ / DecodeLineQ_ML ---------------------------------------------------------

struct QpCase {
    std::string in, joined, stopped; // DecodeLineQ and DecodeLineQ_ML results
};

const QpCase kQpCases[] = {
    {"a=3Db=\r\nc", "a=bc", "a=b"},
    {"a=3db", "a=b", "a=b"},     // lower-case hex digits
    {"ab=\ncd", "abcd", "ab"},   // soft break with a bare LF
    {"x_y z", "x_y z", "x_y z"}, // no underscore-to-blank rule
    {"=E3=81=82", "\xE3\x81\x82", "\xE3\x81\x82"},
    {"=1B$B0!=1B(B", "\x1B$B0!\x1B(B", "\x1B$B0!\x1B(B"},
    {"ab=", "ab", "ab"},         // "=" at the end
    {"ab=4", "ab", "ab"},        // "=" and one byte at the end: cut escape
    {"ab=4\ncd", "ab@cd", "ab"}, // pair with LF as its second byte
    {"ab=\r", "ab", "ab"},
    {"=G1", "\x01", "\x01"}, // letters beyond F still yield a byte, modulo 256
    {"=ZZ", "S", "S"},
    {"=!!A", "", ""}, // non-digits count 0: a NUL byte ends the text
    {"line\r\n", "line\r\n", "line\r\n"},
    {"", "", ""},
};

TEST(QuotedPrintable, DecodesByTheRules) {
    for (const auto& c : kQpCases) {
        const auto in = exact_copy(c.in);
        char out[64];
        std::memset(out, 'Z', sizeof out);
        EXPECT_EQ(DecodeLineQ(in.get(), 0, out, sizeof out), 0);
        EXPECT_EQ(std::string(out), c.joined) << c.in;
        std::memset(out, 'Z', sizeof out);
        EXPECT_EQ(DecodeLineQ_ML(in.get(), 0, out, sizeof out), 0);
        EXPECT_EQ(std::string(out), c.stopped) << c.in;
    }
}

TEST(QuotedPrintable, OutputIsBoundedByCapacityOrLineSize) {
    using Decoder = int (*)(const char*, int, char*, int);
    for (Decoder decode : {&DecodeLineQ, &DecodeLineQ_ML}) {
        GuardedBuffer small(4);
        decode("ab=3Dcdef", 0, small.data(), 4);
        EXPECT_STREQ(small.data(), "ab=");
        EXPECT_TRUE(small.guard_intact());

        // Without a capacity the library's line size bounds the output, NUL included.
        const auto long_line = exact_copy(std::string(3000, 'q'));
        GuardedBuffer line(DORVIK_LINE_CAP);
        decode(long_line.get(), 0, line.data(), 0);
        EXPECT_EQ(std::strlen(line.data()), static_cast<size_t>(DORVIK_LINE_CAP - 1));
        EXPECT_TRUE(line.guard_intact());
    }
}

// ---- EncodeLine / DecodeLine --------------------------------------------------------------

// Shift_JIS to JIS X 0208 row and cell arithmetic, to pick the codes of rows 1-94.
bool jis_pair_in_range(unsigned s1, unsigned s2) {
    if (s2 >= 0x80) --s2;
    unsigned j1 = s1 <= 0x9F ? 2 * (s1 - 0x71) + 1 : 2 * (s1 - 0xB1) + 1;
    unsigned j2;
    if (s2 >= 0x9E) {
        ++j1;
        j2 = s2 - 0x7D;
    } else {
        j2 = s2 - 0x1F;
    }
    return j1 >= 0x21 && j1 <= 0x7E && j2 >= 0x21 && j2 <= 0x7E;
}

std::vector<std::string> all_jisx0208_sjis() {
    std::vector<std::string> chars;
    for (unsigned lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F || !jis_pair_in_range(lead, trail)) continue;
            chars.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    return chars;
}

std::string encode_line(const std::string& text, int cap = 512) {
    std::vector<char> out(static_cast<size_t>(cap));
    EXPECT_EQ(EncodeLine(out.data(), cap, text.c_str(), static_cast<int>(text.size() + 1)), 0);
    return std::string(out.data(), strnlen(out.data(), out.size()));
}

std::string decode_line(const std::string& token, int cap = 512) {
    std::vector<char> out(static_cast<size_t>(cap));
    EXPECT_EQ(DecodeLine(token.c_str(), static_cast<int>(token.size() + 1), out.data(), cap), 0);
    return std::string(out.data(), strnlen(out.data(), out.size()));
}

bool is_storage_token(const std::string& token) {
    for (unsigned char c : token)
        if (c <= 0x20 || c > 0x7E) return false;
    return !token.empty() && token.size() % 4 == 0;
}

class StorageLine : public Base64 {};

TEST_F(StorageLine, TokensAreBase64OfJisFormAndItsNul) {
    EXPECT_EQ(encode_line(""), "AA==");
    EXPECT_EQ(decode_line("AA=="), "");
    EXPECT_EQ(encode_line("abc"), "YWJjAA==");
    EXPECT_EQ(decode_line("YWJjAA=="), "abc");
    EXPECT_EQ(encode_line("\x88\x9F"
                          "a"),
              b64(std::string("\x1B$B0!\x1B(Ha", 9) + '\0'));
    EXPECT_EQ(decode_line(b64(std::string("\x1B$B0!\x1B(Ba", 9) + '\0')), "\x88\x9F"
                                                                          "a");
}

TEST_F(StorageLine, RoundTripOfAscii) {
    std::string printable;
    for (int c = 0x20; c <= 0x7E; ++c)
        printable.push_back(static_cast<char>(c));
    for (const std::string& text : {printable, std::string("a"), std::string("\t tab and blanks  ")}) {
        const std::string token = encode_line(text);
        EXPECT_TRUE(is_storage_token(token)) << token;
        EXPECT_EQ(decode_line(token), text);
    }
}

TEST_F(StorageLine, RoundTripOfEveryJisX0208Character) {
    const std::vector<std::string> chars = all_jisx0208_sjis();
    ASSERT_EQ(chars.size(), 94u * 94u);
    // Lines of up to 120 characters with some ASCII between runs, so the JIS form has several
    // runs and stays well under the intermediate's size and Corvex's 512-byte token.
    size_t next = 0;
    int lines = 0;
    while (next < chars.size()) {
        std::string line;
        for (int k = 0; k < 120 && next < chars.size(); ++k, ++next) {
            line += chars[next];
            if (k % 37 == 36) line += " x";
        }
        const std::string token = encode_line(line);
        ASSERT_TRUE(is_storage_token(token)) << "line " << lines;
        ASSERT_EQ(decode_line(token), line) << "line " << lines;
        ++lines;
    }
    EXPECT_GT(lines, 70);
}

TEST_F(StorageLine, SharesThePendingGroupWithDirectCallers) {
    // "YWJjAA==" is the stored token of abc; its first two characters left pending by a
    // direct caller are completed by the storage decoder's input.
    EXPECT_EQ(decode_b64("YW").result, 0);
    char out[64];
    DecodeLine("JjAA==", 7, out, sizeof out);
    EXPECT_STREQ(out, "abc");
}

TEST_F(StorageLine, LongTextIsCutAtCharacterBoundary) {
    // 600 double-byte characters: the JIS form would exceed the 1024-byte intermediate.
    std::string text;
    for (int i = 0; i < 600; ++i)
        text += "\x88\x9F";
    const std::string token = encode_line(text, 2048);
    ASSERT_TRUE(is_storage_token(token));
    // ESC $ B, 508 pairs, ESC ( H and NUL make 1023 + 1 bytes.
    EXPECT_EQ(decode_line(token, 2048), text.substr(0, 1016));

    // With Corvex's 512-byte capacity the token itself is the bound.
    const std::string ascii(600, 'k');
    const std::string small = encode_line(ascii, 512);
    EXPECT_LT(small.size(), 512u);
    EXPECT_EQ(decode_line(small), ascii.substr(0, 380));
}

TEST_F(StorageLine, OversizeInputsNeverWritePastTheBuffer) {
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "\x82\xA0z"; // each costs 9 JIS bytes
    for (int cap : {0, 1, 4, 5, 9, 100, 512}) {
        GuardedBuffer buf(static_cast<size_t>(cap));
        EncodeLine(buf.data(), cap, text.c_str(), static_cast<int>(text.size() + 1));
        EXPECT_TRUE(buf.guard_intact()) << cap;
        if (cap >= 5) {
            const std::string token(buf.data());
            EXPECT_TRUE(is_storage_token(token)) << cap;
            const std::string back = decode_line(token, 2048);
            EXPECT_EQ(back, text.substr(0, back.size())) << cap;
        } else if (cap > 0) {
            EXPECT_EQ(buf.data()[0], '\0');
        }
    }

    // Decoding cuts whole characters: "\x82\xA0\x82\xA2" does not fit 4 bytes with its NUL.
    const std::string token = encode_line("\x82\xA0\x82\xA2\x82\xA4");
    for (int cap : {1, 2, 3, 4, 5}) {
        GuardedBuffer buf(static_cast<size_t>(cap));
        DecodeLine(token.c_str(), 0, buf.data(), cap);
        EXPECT_TRUE(buf.guard_intact()) << cap;
        EXPECT_EQ(std::string(buf.data()), std::string("\x82\xA0\x82\xA2").substr(0, ((cap - 1) / 2) * 2))
            << cap;
    }

    // A token that decodes past the intermediate gives an empty text.
    const std::string huge = b64(std::string(1500, 'w') + '\0');
    GuardedBuffer buf(512);
    DecodeLine(huge.c_str(), 0, buf.data(), 512);
    EXPECT_STREQ(buf.data(), "");
    EXPECT_TRUE(buf.guard_intact());
}

} // namespace
