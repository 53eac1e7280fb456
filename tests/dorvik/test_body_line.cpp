// Body lines decoded one at a time (StrCheckSHR) and through the readers' per-line entry
// point (EncodeStr), with the shift state carried from line to line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dorvik.h"

namespace {

const std::string kA = "\x88\x9f";    // 亜: JIS 0x30 0x21
const std::string kAi = "\x88\xa0";   // 唖: JIS 0x30 0x22
const std::string kHira = "\x82\xa0"; // あ: JIS 0x24 0x22
const std::string kShu = "\x8f\x40";  // JIS 0x3D 0x21, whose first byte is "=" in quoted-printable

std::string base64(const std::string& in) {
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        const size_t left = in.size() - i;
        const unsigned b0 = static_cast<unsigned char>(in[i]);
        const unsigned b1 = left > 1 ? static_cast<unsigned char>(in[i + 1]) : 0;
        const unsigned b2 = left > 2 ? static_cast<unsigned char>(in[i + 2]) : 0;
        out += table[b0 >> 2];
        out += table[((b0 & 3) << 4) | (b1 >> 4)];
        out += left > 1 ? table[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        out += left > 2 ? table[b2 & 63] : '=';
    }
    return out;
}

// `s` repeated to at least `n` bytes.
std::string repeat(const std::string& s, size_t n) {
    std::string r;
    while (r.size() < n)
        r += s;
    return r;
}

std::string text_of(const std::vector<char>& buf) {
    return std::string(buf.data(), strnlen(buf.data(), buf.size()));
}

struct LineResult {
    std::string out;
    int result;
    std::string pending;
    std::string line_after;
};

// One StrCheckSHR call on an exactly-sized copy of `line`, with exactly-sized buffers.
LineResult shr(const std::string& line, const char* encoding, const char* charset,
               const std::string& pending = "") {
    std::vector<char> in(line.begin(), line.end());
    in.push_back('\0');
    std::vector<char> out(DORVIK_LINE_CAP, 'x');
    std::vector<char> pend(DORVIK_PENDING_CAP, '\0');
    std::memcpy(pend.data(), pending.data(), pending.size());
    const int r = StrCheckSHR(in.data(), out.data(), encoding, charset, pend.data());
    return {text_of(out), r, text_of(pend), text_of(in)};
}

// One body part read line by line through EncodeStr, as the readers do.
struct Part {
    std::string charset;
    std::string encoding;
    int state = 0;
    std::vector<char> pending = std::vector<char>(DORVIK_PENDING_CAP, '\0');
    int last = 0;

    std::string feed(const std::string& line) {
        std::vector<char> l(DORVIK_LINE_CAP, '\0');
        std::memcpy(l.data(), line.data(), std::min(line.size(), l.size() - 1));
        std::vector<char> work(DORVIK_LINE_CAP, 'x');
        last = EncodeStr(l.data(), work.data(), &state, pending.data(), charset.c_str(), encoding.c_str());
        return text_of(work);
    }
    std::string feed_all(const std::vector<std::string>& lines) {
        std::string all;
        for (const std::string& line : lines)
            all += feed(line);
        return all;
    }
    std::string pending_text() const { return text_of(pending); }
};

// ---- Lines without transfer encoding ----

struct PlainCase {
    const char* name;
    const char* encoding;
    const char* charset;
    std::string line;
    std::string want;
};

class PlainLine : public testing::TestWithParam<PlainCase> {};

TEST_P(PlainLine, Converted) {
    const PlainCase& c = GetParam();
    const LineResult r = shr(c.line, c.encoding, c.charset, "\x1b$B");
    EXPECT_EQ(r.out, c.want);
    EXPECT_EQ(r.result, 0);
}

INSTANTIATE_TEST_SUITE_P(Lines, PlainLine,
                         testing::Values(PlainCase{"Jis", "", "J", "a\x1b$B0!\x1b(Bb", "a" + kA + "b"},
                                         PlainCase{"Jis7Bit", "7", "J", "\x1b$B0!0\"\x1b(J.", kA + kAi + "."},
                                         PlainCase{"ShiftJis", "", "S", kA + "z", kA + "z"},
                                         PlainCase{"CommentEscapes", "", "S", "\\(a\\)", "(a)"},
                                         PlainCase{"LineEndKept", "", "J", "abc\r\n", "abc\r\n"},
                                         // EUC-JP is 8-bit text, so its parts come without (or with an 8-bit)
                                         // transfer encoding: converted all the same.
                                         PlainCase{"Euc", "", "E", "x\xb0\xa1y", "x" + kA + "y"},
                                         PlainCase{"Euc7Bit", "7", "E", "\xb0\xa1", kA},
                                         PlainCase{"Utf8", "", "8",
                                                   "\xe4\xba\x9c"
                                                   "b",
                                                   kA + "b"},
                                         PlainCase{"Utf8SevenBitCode", "7", "8", "a\xe3\x81\x82",
                                                   "a" + kHira},
                                         PlainCase{"Utf7", "7", "7", "+Tpw-A", kA + "A"},
                                         PlainCase{"UnknownEncodingJis", "X", "J", "\x1b$B0!\x1b(B", kA},
                                         PlainCase{"QuotedUtf8", "Q", "8", "=E4=BA=9C=3D", kA + "="},
                                         PlainCase{"QuotedShiftJis", "Q", "S", "=88=9F_", kA + "_"}),
                         [](const testing::TestParamInfo<PlainCase>& info) { return info.param.name; });

// ---- Base64 lines ----

struct Base64Case {
    const char* name;
    const char* charset;
    std::string decoded;
    std::string want;
    int result;
};

class Base64Line : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64Line, DecodedAndConverted) {
    const Base64Case& c = GetParam();
    const LineResult r = shr(base64(c.decoded), "B", c.charset);
    EXPECT_EQ(r.out, c.want);
    EXPECT_EQ(r.result, c.result);
    EXPECT_EQ(r.pending, "");
}

INSTANTIATE_TEST_SUITE_P(Lines, Base64Line,
                         testing::Values(
                             // Shift_JIS is shown as decoded; the result is the number of bytes decoded.
                             Base64Case{"ShiftJis", "S", kA + "a", kA + "a", 3},
                             Base64Case{"UnknownCharset", "X", "\x1b$B", "\x1b$B", 3},
                             Base64Case{"Euc", "E", "\xb0\xa1", kA, 2},
                             Base64Case{"Utf8", "8", "\xe4\xba\x9c", kA, 3},
                             // A JIS line ending in single-byte mode is complete but may be continued.
                             Base64Case{"JisClosed", "J", "\x1b$B0!\x1b(B\r\n", kA + "\r\n", 1}),
                         [](const testing::TestParamInfo<Base64Case>& info) { return info.param.name; });

struct JisCarryCase {
    const char* name;
    std::string decoded;
    std::string want;
    std::string pending;
    int result;
};

class Base64JisCarry : public testing::TestWithParam<JisCarryCase> {};

TEST_P(Base64JisCarry, EndOfLineStateGoesToPending) {
    const JisCarryCase& c = GetParam();
    const LineResult r = shr(base64(c.decoded), "B", "J");
    EXPECT_EQ(r.out, c.want);
    EXPECT_EQ(r.pending, c.pending);
    EXPECT_EQ(r.result, c.result);
}

INSTANTIATE_TEST_SUITE_P(Lines, Base64JisCarry,
                         testing::Values(JisCarryCase{"EndsWithEsc", "ab\x1b", "ab", "\x1b", 1},
                                         JisCarryCase{"EndsInsideEscape", "ab\x1b$", "ab", "\x1b$", 2},
                                         JisCarryCase{"EndsInsideRun", "\x1b$B0!", kA, "\x1b$B", 2},
                                         JisCarryCase{"EndsInsidePair", "\x1b$B0!0", kA, "\x1b$B0", 2}),
                         [](const testing::TestParamInfo<JisCarryCase>& info) { return info.param.name; });

TEST(Base64JisCarry, NextLineStartsInDoubleByteMode) {
    Part part{"J", "B"};
    EXPECT_EQ(part.feed(base64("a\x1b$B0!")), "a" + kA);
    EXPECT_EQ(part.last, 2);
    EXPECT_EQ(part.feed(base64("0\"$\"\x1b(Bz")), kAi + kHira + "z");
    EXPECT_EQ(part.last, 1);
    EXPECT_EQ(part.pending_text(), "");
}

// A Base64 body split into lines anywhere (not only at multiples of four characters) reads
// line by line to the same text as in one piece.
struct SplitCase {
    const char* name;
    const char* charset;
    std::string raw;
    std::string want;
};

class Base64Split : public testing::TestWithParam<SplitCase> {};

TEST_P(Base64Split, AnyTwoLineSplitDecodesLikeTheWhole) {
    const SplitCase& c = GetParam();
    const std::string b64 = base64(c.raw);
    for (size_t cut = 0; cut <= b64.size(); ++cut) {
        Part part{c.charset, "B"};
        EXPECT_EQ(part.feed_all({b64.substr(0, cut), b64.substr(cut)}), c.want) << "cut at " << cut;
    }
}

TEST_P(Base64Split, NarrowLinesDecodeLikeTheWhole) {
    const SplitCase& c = GetParam();
    const std::string b64 = base64(c.raw);
    for (size_t width : {1, 2, 3, 5, 7, 13, 76}) {
        std::vector<std::string> lines;
        for (size_t i = 0; i < b64.size(); i += width)
            lines.push_back(b64.substr(i, width));
        Part part{c.charset, "B"};
        EXPECT_EQ(part.feed_all(lines), c.want) << "width " << width;
    }
}

const std::string kJisText = "\x1b$B0!0\"\x1b(Bab\x1b$B$\"\x1b(B\r\nc";
const std::string kJisWant = kA + kAi + "ab" + kHira + "\r\nc";

INSTANTIATE_TEST_SUITE_P(
    Bodies, Base64Split,
    testing::Values(SplitCase{"Jis", "J", kJisText, kJisWant},
                    SplitCase{"JisOffset1", "J", "x" + kJisText, "x" + kJisWant},
                    SplitCase{"JisOffset2", "J", "xy" + kJisText, "xy" + kJisWant},
                    SplitCase{"ShiftJis", "S", kA + "a" + kHira + kAi, kA + "a" + kHira + kAi},
                    SplitCase{"Utf8", "8",
                              "\xe4\xba\x9c"
                              "a\xe3\x81\x82\xe5\x94\x96\r\n",
                              kA + "a" + kHira + kAi + "\r\n"},
                    SplitCase{"Euc", "E",
                              "\xb0\xa1"
                              "a\xa4\xa2\xb0\xa2",
                              kA + "a" + kHira + kAi},
                    SplitCase{"Utf7", "7", "+TpwwQg-A+VRY-", kA + kHira + "A" + kAi},
                    // A run longer than the pending buffer: carried in blocks of whole units.
                    SplitCase{"Utf7LongRun", "7", "a+" + repeat("TpxOnE6c", 400) + "-b",
                              "a" + repeat(kA, 300) + "b"}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

// ---- Quoted-printable ISO-2022-JP with soft line breaks ----

struct SoftBreakCase {
    const char* name;
    std::string first; // ends in a soft break
    std::string second;
    std::string first_out;
    std::string pending; // after the first line
    int state;           // after the first line
    std::string joined;  // what the joined line decodes to
};

class QuotedSoftBreak : public testing::TestWithParam<std::tuple<SoftBreakCase, std::string>> {};

// Readers pass lines without their end (the multipart walker) or with CR LF added (the
// viewer, template expansion); both must join the same way.
TEST_P(QuotedSoftBreak, LineByLineEqualsJoinedLine) {
    const SoftBreakCase& c = std::get<0>(GetParam());
    const std::string& eol = std::get<1>(GetParam());
    Part part{"J", "Q"};
    const std::string out1 = part.feed(c.first + eol);
    EXPECT_EQ(out1, c.first_out);
    EXPECT_EQ(part.pending_text(), c.pending);
    EXPECT_EQ(part.state, c.state);
    const std::string out2 = part.feed(c.second + eol);
    EXPECT_EQ(out1 + out2, c.joined + eol);
    EXPECT_EQ(part.state, 0);
    EXPECT_EQ(part.pending_text(), "");

    // The joined line itself, decoded in one piece.
    const std::string whole = c.first.substr(0, c.first.size() - 1) + c.second + eol;
    EXPECT_EQ(Part({"J", "Q"}).feed(whole), c.joined + eol);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, QuotedSoftBreak,
    testing::Combine(
        testing::Values(SoftBreakCase{"PairCut", "=1B$B0!0=", "!=1B(B", kA, "=1B$B0", 2, kA + kA},
                        SoftBreakCase{"RunOpen", "=1B$B0!=", "0\"=1B(Bx", kA, "=1B$B", 2, kA + kAi + "x"},
                        SoftBreakCase{"EncodedEqualsCut", "=1B$B0!=3D=", "!=1B(B", kA, "=1B$B=3D", 2,
                                      kA + kShu},
                        SoftBreakCase{"AfterEsc", "a=1B=", "$B0!=1B(B", "a", "=1B", 1, "a" + kA},
                        SoftBreakCase{"InsideEscape", "a=1B$=", "B0!=1B(B", "a", "=1B$", 2, "a" + kA},
                        SoftBreakCase{"SingleByteMode", "ab=", "cd", "ab", "", 1, "abcd"},
                        SoftBreakCase{"RunClosedFirst", "=1B$B0!=1B(Bx=", "y", kA + "x", "", 1, kA + "xy"}),
        testing::Values(std::string(), std::string("\r\n"))),
    [](const testing::TestParamInfo<std::tuple<SoftBreakCase, std::string>>& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param).empty() ? "" : "CrLf");
    });

TEST(QuotedSoftBreak, CarryOverRunsAcrossSeveralLines) {
    Part part{"J", "Q"};
    EXPECT_EQ(part.feed_all({"x=1B$B0!0=", "!0=", "\"$=", "\"=1B(By"}), "x" + kA + kA + kAi + kHira + "y");
    EXPECT_EQ(part.state, 0);
}

// Lines shorter than the look-back of the soft-break tests: nothing before the line is read
// (the copies are exactly sized, so AddressSanitizer would see it).
TEST(QuotedSoftBreak, ShortLines) {
    const struct {
        const char* line;
        const char* out;
        const char* pending;
        int result;
    } cases[] = {{"=", "", "", 1},         {"==", "", "", 1},       {"a=", "a", "", 1},
                 {"B=", "B", "", 1},       {"1B=", "1B", "", 1},    {"=1B=", "", "=1B", 1},
                 {"=1B$=", "", "=1B$", 2}, {"\r\n", "\r\n", "", 0}, {"", "", "", 0}};
    for (const auto& c : cases) {
        const LineResult r = shr(c.line, "Q", "J");
        EXPECT_EQ(r.out, c.out) << c.line;
        EXPECT_EQ(r.pending, c.pending) << c.line;
        EXPECT_EQ(r.result, c.result) << c.line;
    }
}

TEST(QuotedSoftBreak, LineIsCutInPlaceBeforeTheCarriedBytes) {
    const LineResult r = shr("=1B$B0!0=", "Q", "J");
    EXPECT_EQ(r.line_after, "=1B$B0!");
    EXPECT_EQ(r.pending, "=1B$B0");
}

// ---- Quoted-printable multibyte text with soft line breaks ----

// A soft break may fall between the bytes of a UTF-8, EUC-JP or Shift_JIS character; the
// character must still come out whole, on the line after the break.
struct MultibyteSoftBreakCase {
    const char* name;
    const char* charset;
    std::string qp; // one line of quoted-printable text, without soft breaks
    std::string want;
};

// Does `at` fall between two characters of the Shift_JIS text `s`?
bool on_char_boundary(const std::string& s, size_t at) {
    size_t i = 0;
    while (i < at) {
        const unsigned char c = s[i];
        i += (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc) ? 2 : 1;
    }
    return i == at;
}

class QuotedMultibyteSoftBreak
    : public testing::TestWithParam<std::tuple<MultibyteSoftBreakCase, std::string>> {};

// Every place a soft break can go (not inside an "=XX" escape) cuts the line in two.
TEST_P(QuotedMultibyteSoftBreak, AnyCutDecodesLikeTheWholeLine) {
    const MultibyteSoftBreakCase& c = std::get<0>(GetParam());
    const std::string& eol = std::get<1>(GetParam());
    for (size_t cut = 0; cut <= c.qp.size(); ++cut) {
        if ((cut >= 1 && c.qp[cut - 1] == '=') || (cut >= 2 && c.qp[cut - 2] == '=')) continue;
        Part part{c.charset, "Q"};
        const std::string out1 = part.feed(c.qp.substr(0, cut) + "=" + eol);
        // The first line shows the characters before the cut one, nothing of it.
        EXPECT_EQ(out1, c.want.substr(0, out1.size())) << "cut at " << cut;
        EXPECT_TRUE(on_char_boundary(c.want, out1.size())) << "cut at " << cut;
        const std::string out2 = part.feed(c.qp.substr(cut) + eol);
        EXPECT_EQ(out1 + out2, c.want + eol) << "cut at " << cut;
        EXPECT_EQ(part.state, 0) << "cut at " << cut;
        EXPECT_EQ(part.pending_text(), "") << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, QuotedMultibyteSoftBreak,
    testing::Combine(
        testing::Values(MultibyteSoftBreakCase{"Utf8", "8", "=E4=BA=9Ca=E3=81=82=CE=B1=E5=94=96",
                                               kA + "a" + kHira + "\x83\xbf" + kAi},
                        // 8-bit bytes left unencoded are carried as well.
                        MultibyteSoftBreakCase{"Utf8Raw", "8", "\xe4\xba\x9c\xe3\x81\x82", kA + kHira},
                        MultibyteSoftBreakCase{"Euc", "E", "=B0=A1a=A4=A2=B0=A2", kA + "a" + kHira + kAi},
                        // 表 has the trail byte 0x5C, left as a backslash in quoted-printable.
                        MultibyteSoftBreakCase{"ShiftJis", "S", "=88=9Fa=95\\=82=A0",
                                               kA + "a\x95\\" + kHira}),
        testing::Values(std::string(), std::string("\r\n"))),
    [](const testing::TestParamInfo<std::tuple<MultibyteSoftBreakCase, std::string>>& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param).empty() ? "" : "CrLf");
    });

TEST(QuotedMultibyteSoftBreak, CharacterCutOverSeveralLines) {
    Part part{"8", "Q"};
    EXPECT_EQ(part.feed("a=E4="), "a");
    EXPECT_EQ(part.state, 2);
    EXPECT_EQ(part.pending_text(), "=E4");
    EXPECT_EQ(part.feed("=BA="), "");
    EXPECT_EQ(part.pending_text(), "=E4=BA");
    EXPECT_EQ(part.feed("=9C=E3="), kA);
    EXPECT_EQ(part.feed("=81=82b"), kHira + "b");
    EXPECT_EQ(part.state, 0);
}

// ---- UTF-7 ----

TEST(Utf7Line, OpenRunIsKeptAsPending) {
    Part part{"7", "7"};
    part.feed("a+Tpww");
    EXPECT_EQ(part.last, 1);
    EXPECT_NE(part.pending_text(), "");
    // A line that closes nothing leaves no pending text.
    part.feed("+Tpw-b");
    EXPECT_EQ(part.last, 0);
    EXPECT_EQ(part.pending_text(), "");
}

// ---- Buffer limits ----

const size_t kGuard = 64;
const char kSentinel = '\xa5';

void expect_guard(const std::vector<char>& buf, size_t cap, const char* what) {
    for (size_t i = cap; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], kSentinel) << what << " written at " << i;
}

// Base64 lines are cut at 1535 bytes; three blanks in front leave a whole number of
// four-character groups, so no group stays pending for the tests that follow.
const std::string kB64Lead = "   ";

struct OversizeCase {
    const char* name;
    const char* encoding;
    const char* charset;
    std::string line;
    std::string pending;
};

class OversizeLine : public testing::TestWithParam<OversizeCase> {};

// Outputs hold DORVIK_LINE_CAP bytes and the pending buffer DORVIK_PENDING_CAP; longer
// lines are cut. Sentinels after each buffer must survive.
TEST_P(OversizeLine, StaysInsideTheBuffers) {
    const OversizeCase& c = GetParam();
    std::vector<char> line(c.line.begin(), c.line.end());
    line.push_back('\0');
    std::vector<char> out(DORVIK_LINE_CAP + kGuard, kSentinel);
    std::vector<char> pending(DORVIK_PENDING_CAP + kGuard, kSentinel);
    std::memset(pending.data(), 0, DORVIK_PENDING_CAP);
    std::memcpy(pending.data(), c.pending.data(), c.pending.size());
    StrCheckSHR(line.data(), out.data(), c.encoding, c.charset, pending.data());
    EXPECT_LT(strnlen(out.data(), DORVIK_LINE_CAP), static_cast<size_t>(DORVIK_LINE_CAP));
    EXPECT_LT(strnlen(pending.data(), DORVIK_PENDING_CAP), static_cast<size_t>(DORVIK_PENDING_CAP));
    expect_guard(out, DORVIK_LINE_CAP, "output");
    expect_guard(pending, DORVIK_PENDING_CAP, "pending");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OversizeLine,
    testing::Values(
        OversizeCase{"Jis", "", "J", repeat("\x1b$B0!", 4000), ""},
        OversizeCase{"ShiftJis", "7", "S", std::string(4000, 'a'), ""},
        OversizeCase{"Euc", "", "E", std::string(4000, '\xb0'), ""},
        OversizeCase{"Base64Jis", "B", "J", kB64Lead + repeat(base64("\x1b$B0!0!0").substr(0, 8), 4000),
                     std::string(255, 'p')},
        OversizeCase{"Base64ShiftJis", "B", "S", kB64Lead + repeat("QUFB", 4000), std::string(255, 'p')},
        OversizeCase{"Base64Utf8", "B", "8", kB64Lead + repeat("5Lqc", 4000), std::string(255, '\xe4')},
        OversizeCase{"Base64Utf7", "B", "7", kB64Lead + repeat("QUFB", 4000), "+" + std::string(254, 'A')},
        OversizeCase{"QuotedJis", "Q", "J", repeat("=1B$B0!", 4000) + "=", ""},
        OversizeCase{"QuotedLatin", "Q", "S", repeat("=E9", 4000), ""},
        OversizeCase{"Utf8", "", "8", repeat("\xe4\xba\x9c", 4000), ""},
        OversizeCase{"Utf7OpenRun", "7", "7", "+" + std::string(4000, 'A'), ""}),
    [](const testing::TestParamInfo<OversizeCase>& info) { return info.param.name; });

TEST(OversizeLine, LongInputKeepsTheWorkAreasWorth) {
    EXPECT_EQ(shr(std::string(4000, 'a'), "", "S").out, std::string(DORVIK_LINE_CAP - 1, 'a'));
}

// EncodeStr puts the pending text in front of a line in the caller's DORVIK_LINE_CAP line
// buffer: a full line is cut, not run past the buffer.
TEST(OversizeLine, JoinedLineIsCutToTheLineBuffer) {
    std::vector<char> line(DORVIK_LINE_CAP + kGuard, kSentinel);
    std::memset(line.data(), 'a', DORVIK_LINE_CAP - 1);
    line[DORVIK_LINE_CAP - 1] = '\0';
    std::vector<char> work(DORVIK_LINE_CAP + kGuard, kSentinel);
    std::vector<char> pending(DORVIK_PENDING_CAP + kGuard, kSentinel);
    std::memset(pending.data(), 0, DORVIK_PENDING_CAP);
    std::strcpy(pending.data(), "=1B$B0");
    int state = 2;
    EncodeStr(line.data(), work.data(), &state, pending.data(), "J", "Q");
    EXPECT_EQ(std::string(line.data(), 7), "=1B$B0a");
    EXPECT_EQ(strnlen(line.data(), DORVIK_LINE_CAP), static_cast<size_t>(DORVIK_LINE_CAP - 1));
    expect_guard(line, DORVIK_LINE_CAP, "line");
    expect_guard(work, DORVIK_LINE_CAP, "work");
    expect_guard(pending, DORVIK_PENDING_CAP, "pending");
}

} // namespace
