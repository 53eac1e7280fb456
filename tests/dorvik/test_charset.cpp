// Japanese charset conversion: ISO-2022-JP, EUC-JP, UTF-8 and UTF-7 to and from Shift_JIS, and
// the shift-state checks of JIS lines.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cp932.h"
#include "dorvik.h"

namespace {

constexpr char kEsc = '\x1b';
const std::string kEnterB = "\x1b$B";
const std::string kEnterAt = "\x1b$@";
const std::string kLeaveB = "\x1b(B";
const std::string kLeaveJ = "\x1b(J";
const std::string kLeaveH = "\x1b(H";

std::string jis2sjis(const std::string& in, int cap = DORVIK_LINE_CAP) {
    std::vector<char> out(cap);
    EXPECT_EQ(StrJIS2SJIS(in.c_str(), static_cast<int>(in.size()) + 1, out.data(), cap),
              static_cast<int>(in.size()) + 1);
    return out.data();
}

std::string sjis2jis(const std::string& in, int cap = DORVIK_LINE_CAP) {
    std::vector<char> out(cap);
    EXPECT_EQ(StrSJIS2JIS(in.c_str(), static_cast<int>(in.size()) + 1, out.data(), cap), 0);
    return out.data();
}

std::string euc2sjis(const std::string& in, int cap = DORVIK_LINE_CAP) {
    std::vector<char> out(cap);
    EXPECT_EQ(StrEUC2SJIS(in.c_str(), static_cast<int>(in.size()) + 1, out.data(), cap), 0);
    return out.data();
}

std::string sjis2euc(const std::string& in, int cap = DORVIK_LINE_CAP) {
    std::vector<char> out(cap);
    EXPECT_EQ(sjtoeuc(in.c_str(), out.data(), cap), 0);
    return out.data();
}

struct UtfResult {
    std::string out;
    std::string pending;
    std::string text; // the input buffer after the call
};

UtfResult utf2sjis(const std::string& in, int kind, int cap = DORVIK_LINE_CAP) {
    std::vector<char> text(in.begin(), in.end());
    text.push_back('\0');
    std::vector<char> out(cap);
    std::vector<char> pending(DORVIK_PENDING_CAP, 'x');
    EXPECT_EQ(StrUTF2SJIS(text.data(), static_cast<int>(text.size()), out.data(), cap, kind, pending.data()),
              0);
    if (kind != 7) pending[0] = '\0';
    return {out.data(), pending.data(), text.data()};
}

std::string hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string h;
    for (unsigned char c : s) {
        if (!h.empty()) h += ' ';
        h += digits[c >> 4];
        h += digits[c & 15];
    }
    return h;
}

// ---- ISO-2022-JP to Shift_JIS -------------------------------------------------------------

struct Case {
    const char* name;
    std::string in;
    std::string want;
};

TEST(StrJIS2SJIS, ConvertsEscapedRunsAndBackslashPairs) {
    const Case cases[] = {
        {"plain ASCII", "abc", "abc"},
        {"run closed by ESC ( B", kEnterB + "0!" + kLeaveB, "\x88\x9f"},
        {"ESC $ @ opens too", kEnterAt + "4A" + kLeaveJ + "x",
         "\x8a\xbf"
         "x"},
        {"ESC ( H closes", "a" + kEnterB + "$\"" + kLeaveH + "b",
         "a\x82\xa0"
         "b"},
        {"odd and even rows, last row", kEnterB + "%\"t&" + kLeaveB, "\x83\x41\xea\xa4"},
        {"repeated enter inside a run", kEnterB + "0!" + kEnterB + "0!" + kLeaveB, "\x88\x9f\x88\x9f"},
        {"run left open", kEnterB + "0!", "\x88\x9f"},
        {"pair with a byte outside 21-7E ends the text", kEnterB + "0!0\r" + "0!", "\x88\x9f"},
        {"backslash before (", "\\(", "("},
        {"backslash before )", "a\\)b", "a)b"},
        {"double backslash", "\\\\", "\\"},
        {"other backslashes stay", "\\a\\", "\\a\\"},
        {"unknown escape is copied", std::string(1, kEsc) + "(Iab", std::string(1, kEsc) + "(Iab"},
        {"lone ESC is copied", std::string("a") + kEsc, std::string("a") + kEsc},
        {"escape cut short", std::string("a") + kEsc + "$", std::string("a") + kEsc + "$"},
        // Raw Shift_JIS passes through whole, even when its trail byte is a backslash.
        {"raw Shift_JIS with trail 5C", "\x83\\(\x95\\)", "\x83\\(\x95\\)"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(jis2sjis(c.in)), hex(c.want)) << c.name;
}

TEST(StrJIS2SJIS, ScansTheGivenLengthPlusOne) {
    char out[16];
    // The byte at position len is still taken: len 2 of "abcd" copies "abc".
    EXPECT_EQ(StrJIS2SJIS("abcd", 2, out, sizeof out), 2);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(StrJIS2SJIS("abcd", -1, out, sizeof out), -1);
    EXPECT_STREQ(out, "");
}

TEST(StrJIS2SJIS, InputBeyondTheWorkAreaIsCut) {
    const std::string text(2000, 'a');
    EXPECT_EQ(jis2sjis(text, 4096), std::string(1535, 'a'));

    std::string run = kEnterB;
    for (int i = 0; i < 1000; ++i)
        run += "0!";
    std::string want;
    for (int i = 0; i < (1535 - 3) / 2; ++i)
        want += "\x88\x9f";
    EXPECT_EQ(jis2sjis(run, 4096), want);
}

// ---- Shift_JIS to ISO-2022-JP ---------------------------------------------------------------

TEST(StrSJIS2JIS, OpensRunsWithEscBAndClosesWithEscH) {
    const Case cases[] = {
        {"double-byte then ASCII",
         "\x88\x9f"
         "a",
         kEnterB + "0!" + kLeaveH + "a"},
        {"ends in a run", "a\x82\xa0", "a" + kEnterB + "$\"" + kLeaveH},
        {"two runs",
         "\x88\x9f"
         "-"
         "\xea\xa4\x83\x41",
         kEnterB + "0!" + kLeaveH + "-" + kEnterB + "t&%\"" + kLeaveH},
        {"half-width katakana is single", "\xb1", "\xb1"},
        {"lead F0 counts as single", "\xf0\x40", "\xf0\x40"},
        {"lead without trail at the end", "a\x88", "a\x88"},
        {"lead before an invalid trail", "\x88\x7f", "\x88\x7f"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(sjis2jis(c.in)), hex(c.want)) << c.name;
}

// ---- EUC-JP <-> Shift_JIS ----------------------------------------------------------------------

TEST(StrEUC2SJIS, ConvertsPairsAndKeepsEveryByte) {
    const Case cases[] = {
        {"ASCII, last byte kept", "abc", "abc"},
        {"one pair", "\xb0\xa1", "\x88\x9f"},
        {"mixed",
         "a\xb4\xc1"
         "b\xf4\xa6",
         "a\x8a\xbf"
         "b\xea\xa4"},
        // SS2 gets no special treatment: 8E B1 is converted like any pair.
        {"SS2 half-width katakana", "\x8e\xb1", "\x77\xaf"},
        // A lead byte in the last position pairs with the terminating NUL (30 00 -> 88 7E).
        {"lead byte last", "x\xb0", "x\x88\x7e"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(euc2sjis(c.in)), hex(c.want)) << c.name;
}

TEST(Sjtoeuc, ConvertsDoubleByteCharactersOnly) {
    const Case cases[] = {
        {"one pair", "\x88\x9f", "\xb0\xa1"},
        {"mixed",
         "a\x8a\xbf"
         "b\xea\xa4",
         "a\xb4\xc1"
         "b\xf4\xa6"},
        {"half-width katakana unchanged", "\xb1\xb2\xdf", "\xb1\xb2\xdf"},
        {"lead byte last unchanged", "ab\x88", "ab\x88"},
        {"ASCII", "abc", "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(sjis2euc(c.in)), hex(c.want)) << c.name;
}

// Every JIS X 0208 cell: JIS -> Shift_JIS -> JIS, and Shift_JIS -> EUC-JP -> Shift_JIS.
TEST(CharsetRoundTrip, EveryJisX0208Cell) {
    for (int j1 = 0x21; j1 <= 0x7e; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7e; ++j2) {
            const std::string pair{static_cast<char>(j1), static_cast<char>(j2)};
            const std::string sjis = jis2sjis(kEnterB + pair + kLeaveB);
            ASSERT_EQ(sjis.size(), 2u) << hex(pair);
            const unsigned char s1 = sjis[0], s2 = sjis[1];
            ASSERT_TRUE((s1 >= 0x81 && s1 <= 0x9f) || (s1 >= 0xe0 && s1 <= 0xef)) << hex(pair);
            ASSERT_TRUE(s2 >= 0x40 && s2 <= 0xfc && s2 != 0x7f) << hex(pair);
            ASSERT_EQ(sjis2jis(sjis), kEnterB + pair + kLeaveH) << hex(pair);

            const std::string euc = sjis2euc(sjis);
            ASSERT_EQ(euc, std::string({static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)}));
            ASSERT_EQ(euc2sjis(euc), sjis) << hex(pair);
        }
    }
}

// ---- UTF-8 and UTF-7 -------------------------------------------------------------------------

TEST(StrUTF2SJIS, Utf8) {
    const Case cases[] = {
        {"ASCII", "abc", "abc"},
        {"kanji", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", "\x93\xfa\x96\x7b\x8c\xea"},
        {"two-byte form", "\xce\x91", "\x83\x9f"},
        {"half-width katakana", "\xef\xbd\xb1", "\xb1"},
        {"NEC row 13 and IBM extension", "\xe2\x85\xa0\xe2\x85\xb0", "\x87\x54\xfa\x40"},
        {"byte-order mark dropped",
         "\xef\xbb\xbf"
         "a",
         "a"},
        {"reversed byte-order mark dropped",
         "\xef\xbf\xbe"
         "a",
         "a"},
        {"only a leading mark is dropped", "a\xef\xbb\xbf", "a "},
        {"no form: euro sign", "\xe2\x82\xac!", " !"},
        {"no form: yen sign (best fit is not used)", "\xc2\xa5", " "},
        {"no form: wave dash (best fit is not used)", "\xe3\x80\x9c", " "},
        {"surrogate halves, one blank each", "\xed\xa0\xbd\xed\xb8\x80", "  "},
        // No validation: F0 takes two continuation bytes, the next byte two more.
        {"four-byte sequence", "x\xf0\x9f\x98\x80yz", "x  "},
        {"stray continuation byte", "\x80\x41\x41", "A"},
        {"sequence cut by the end", "a\xe6\x97", "a"},
        {"two-byte sequence cut by the end", "a\xc3", "a"},
        {"overlong NUL ends the units",
         "a\xc0\x80"
         "b",
         "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(utf2sjis(c.in, 8).out), hex(c.want)) << c.name;
}

TEST(StrUTF2SJIS, Utf7Rfc2152Examples) {
    // Characters without a CP932 form (U+263A, U+2262, U+00A3) become blanks.
    const Case cases[] = {
        {"smiley", "Hi Mom -+Jjo--!", "Hi Mom - -!"},
        {"not identical to, alpha", "A+ImIDkQ.", "A \x83\x9f."},
        {"nihongo", "+ZeVnLIqe-", "\x93\xfa\x96\x7b\x8c\xea"},
        {"pound sign", "Item 3 is +AKM-1.", "Item 3 is  1."},
    };
    for (const Case& c : cases) {
        const UtfResult r = utf2sjis(c.in, 7);
        EXPECT_EQ(hex(r.out), hex(c.want)) << c.name;
        EXPECT_EQ(r.pending, "") << c.name;
    }
}

TEST(StrUTF2SJIS, Utf7Runs) {
    const Case cases[] = {
        {"plus minus", "a+-b", "a+b"},
        {"run closed by a blank keeps the blank", "+ZeVn ok", "\x93\xfa ok"},
        {"run closed by any non-Base64 byte", "+ZeVn.x", "\x93\xfa.x"},
        {"plus closed at once", "a+ b", "a b"},
        {"byte-order mark", "+/v8-abc", "abc"},
        {"leading minus dropped", "-abc", "abc"},
        {"only one leading minus", "--x", "-x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(utf2sjis(c.in, 7).out), hex(c.want)) << c.name;

    const UtfResult r = utf2sjis("-+-", 7);
    EXPECT_EQ(r.text, "+-"); // the buffer is rewritten without the leading "-"
    EXPECT_EQ(r.out, "+");
}

TEST(StrUTF2SJIS, Utf7PendingTail) {
    struct PendingCase {
        const char* name;
        std::string in;
        std::string out;
        std::string pending;
    };
    const PendingCase cases[] = {
        // Units already complete stay in this line's output.
        {"from the plus", "ab+ZeV", "ab\x93\xfa", "+ZeV"},
        {"plus at the end", "ab+", "ab", "+"},
        {"after a block of eight", "+ZeVnLIqeZeVn", "\x93\xfa\x96\x7b\x8c\xea\x93\xfa", "ZeVn"},
        {"run ends at a block end", "+ZeVnLIqe", "\x93\xfa\x96\x7b\x8c\xea", ""},
        {"closed run leaves nothing", "+ZeV-", "\x93\xfa", ""},
    };
    for (const PendingCase& c : cases) {
        const UtfResult r = utf2sjis(c.in, 7);
        EXPECT_EQ(hex(r.out), hex(c.out)) << c.name;
        EXPECT_EQ(r.pending, c.pending) << c.name;
    }

    // UTF-8 leaves the pending buffer alone; UTF-7 without one does not crash.
    char text[] = "+ZeV";
    char out[16];
    char pending[DORVIK_PENDING_CAP] = "keep";
    StrUTF2SJIS(text, 5, out, sizeof out, 8, pending);
    EXPECT_STREQ(pending, "keep");
    StrUTF2SJIS(text, 5, out, sizeof out, 7, nullptr);
    EXPECT_STREQ(out, "\x93\xfa");
}

// ---- Shift-state checks ----------------------------------------------------------------------

TEST(CheckKIN, TellsWhereAJisLineEnds) {
    struct KinCase {
        const char* name;
        std::string in;
        int want;
    };
    const KinCase cases[] = {
        {"plain ASCII", "abc", 0},
        {"empty", "", 0},
        {"open run of two pairs", kEnterB + "0!0!", 1},
        {"run closed", kEnterB + "0!" + kLeaveB + "x", 0},
        {"run closed by ESC ( J", "a" + kEnterAt + "0!" + kLeaveJ, 0},
        {"three bytes and a line end", kEnterB + "0!0\r\n", 2},
        {"three bytes and the end", kEnterB + "0!0", 2},
        {"pair cut by LF", kEnterB + "0\n", 2},
        {"second enter inside the run", kEnterB + "0!" + kEnterB + "0!", 1},
        {"reopened after closing", kEnterB + "0!" + kLeaveB + kEnterB + "0!", 1},
        {"backslash pair before the escape", "\\\\" + kEnterB + "0!", 1},
    };
    for (const KinCase& c : cases)
        EXPECT_EQ(CheckKIN(c.in.c_str()), c.want) << c.name;
}

TEST(CheckKIN_Q, TellsWhereAQuotedPrintableJisLineEnds) {
    struct KinCase {
        const char* name;
        std::string in;
        int want;
    };
    const KinCase cases[] = {
        {"plain", "abc=\r\n", 0},
        {"open run", "=1B$B0!0!", 1},
        {"soft break between pairs", "=1B$B0!=\r\n", 1},
        {"run closed", "=1B$B0!=1B(Bx=\r\n", 0},
        {"run closed by =1B(J", "=1B$@0!=1B(J", 0},
        {"run closed by =1B(H", "=1B$B0!=1B(H", 0},
        {"pair cut by a soft break", "=1B$B0!0=\r\n", 2},
        {"pair cut at the end", "=1B$B0!0=", 2},
        {"pair cut by a bare-LF soft break", "=1B$B0!0=\n", 2},
        {"encoded = cut by a soft break", "=1B$B0!=3D=\r\n", 3},
        {"encoded = cut at the end", "=1B$B0!=3D=", 3},
        {"text ends after one byte", "=1B$B0!0", 2},
        {"raw ESC is not an escape here", kEnterB + "0!", 0},
    };
    for (const KinCase& c : cases)
        EXPECT_EQ(CheckKIN_Q(c.in.c_str()), c.want) << c.name;
}

// ---- Capacity guards -------------------------------------------------------------------------

using Convert = std::function<void(char* out, int cap)>;

// Length of the character at s[i] of Shift_JIS text (CP932 lead bytes) or EUC-JP text.
size_t sjis_char(const std::string& s, size_t i) {
    const unsigned char b = s[i];
    const unsigned char t = i + 1 < s.size() ? s[i + 1] : 0;
    return dorvik::cp932_is_lead(b) && t >= 0x40 && t <= 0xfc && t != 0x7f ? 2 : 1;
}
size_t euc_char(const std::string& s, size_t i) {
    return static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
}

// For every capacity up to the full size: nothing after the capacity is touched, the output is
// NUL-terminated within it, zero-filled after the text, and the text is the longest prefix of
// the full result that ends on a character boundary and fits.
void expect_cut_cleanly(const char* name, const Convert& convert,
                        size_t (*char_len)(const std::string&, size_t)) {
    std::vector<char> big(4096);
    convert(big.data(), static_cast<int>(big.size()));
    const std::string full = big.data();
    ASSERT_GT(full.size(), 4u) << name;
    std::vector<size_t> bounds{0};
    for (size_t i = 0; i < full.size();)
        bounds.push_back(i += char_len(full, i));

    constexpr size_t kSentinel = 16;
    for (size_t cap = 0; cap <= full.size() + 2; ++cap) {
        std::vector<char> buf(cap + kSentinel, '\x5a');
        convert(buf.data(), static_cast<int>(cap));
        for (size_t i = cap; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '\x5a') << name << " cap " << cap;
        if (cap == 0) continue;
        const size_t len = strnlen(buf.data(), cap);
        ASSERT_LT(len, cap) << name << " cap " << cap;
        for (size_t i = len; i < cap; ++i)
            ASSERT_EQ(buf[i], '\0') << name << " cap " << cap;
        size_t want = 0;
        for (size_t b : bounds)
            if (b <= cap - 1) want = b;
        EXPECT_EQ(hex(std::string(buf.data(), len)), hex(full.substr(0, want))) << name << " cap " << cap;
    }
}

TEST(CharsetCapacity, EveryConverterCutsAtACharacterBoundary) {
    const std::string jis =
        "ab" + kEnterB + "0!4A$\"" + kLeaveB + "c\\(d" + kEnterB + "t&" + kLeaveB + "\x83\\";
    expect_cut_cleanly(
        "StrJIS2SJIS",
        [&](char* out, int cap) { StrJIS2SJIS(jis.c_str(), static_cast<int>(jis.size()) + 1, out, cap); },
        sjis_char);

    const std::string euc = "a\xb0\xa1\xb4\xc1"
                            "bc\xf4\xa6"
                            "d\xb0";
    expect_cut_cleanly(
        "StrEUC2SJIS", [&](char* out, int cap) { StrEUC2SJIS(euc.c_str(), 0, out, cap); }, sjis_char);

    const std::string sjis = "a\x88\x9f\x8a\xbf"
                             "bc\xea\xa4"
                             "d";
    expect_cut_cleanly(
        "sjtoeuc", [&](char* out, int cap) { sjtoeuc(sjis.c_str(), out, cap); }, euc_char);

    const std::string utf8 = "a\xe6\x97\xa5\xe6\x9c\xac"
                             "b\xe2\x82\xac\xe2\x85\xb0\xef\xbd\xb1"
                             "c";
    expect_cut_cleanly(
        "StrUTF2SJIS 8",
        [&](char* out, int cap) {
            std::string text = utf8;
            StrUTF2SJIS(text.data(), 0, out, cap, 8, nullptr);
        },
        sjis_char);

    const std::string utf7 = "x+ZeVnLIqe-y+ZeVnLIqe";
    expect_cut_cleanly(
        "StrUTF2SJIS 7",
        [&](char* out, int cap) {
            std::string text = utf7;
            char pending[DORVIK_PENDING_CAP];
            StrUTF2SJIS(text.data(), 0, out, cap, 7, pending);
        },
        sjis_char);
}

// A cut ISO-2022-JP result stays well formed: any open run is closed, and it converts back to
// a prefix of the input.
TEST(CharsetCapacity, CutJisOutputClosesItsRun) {
    const std::string sjis = "ab\x88\x9f\x8a\xbf\x82\xa0"
                             "cd\xea\xa4"
                             "e";
    const std::string full = sjis2jis(sjis);
    for (int cap = 0; cap <= static_cast<int>(full.size()) + 2; ++cap) {
        std::vector<char> buf(cap + 16, '\x5a');
        StrSJIS2JIS(sjis.c_str(), 0, buf.data(), cap);
        for (size_t i = cap; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '\x5a') << "cap " << cap;
        if (cap == 0) continue;
        const std::string cut(buf.data(), strnlen(buf.data(), cap));
        ASSERT_LT(cut.size(), static_cast<size_t>(cap));
        EXPECT_EQ(CheckKIN(cut.c_str()), 0) << "cap " << cap;
        const std::string back = jis2sjis(cut);
        EXPECT_EQ(sjis.compare(0, back.size(), back), 0) << "cap " << cap << ": " << hex(back);
        if (cap >= 10) {
            EXPECT_GE(cut.size() + 9, static_cast<size_t>(cap)) << "cap " << cap;
        }
    }
    EXPECT_EQ(sjis2jis(sjis, static_cast<int>(full.size()) + 1), full);
}

TEST(CharsetCapacity, Utf7PendingStaysWithinItsBuffer) {
    // The pending tail is at most eight characters by construction; a long text is still safe.
    std::string text = "+";
    text.append(1000, 'Z');
    std::vector<char> out(DORVIK_LINE_CAP);
    std::vector<char> pending(DORVIK_PENDING_CAP + 16, '\x5a');
    StrUTF2SJIS(text.data(), 0, out.data(), static_cast<int>(out.size()), 7, pending.data());
    EXPECT_LT(std::strlen(pending.data()), 9u);
    for (size_t i = DORVIK_PENDING_CAP; i < pending.size(); ++i)
        ASSERT_EQ(pending[i], '\x5a');
}

} // namespace
