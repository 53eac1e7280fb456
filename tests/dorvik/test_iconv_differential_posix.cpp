// Dorvik's converters to Shift_JIS against glibc's iconv on random text: ISO-2022-JP,
// EUC-JP and UTF-8 lines made of valid characters (a seeded generator, so a failure repeats),
// converted by both and compared character by character. The only differences allowed are the
// code-page-932 decisions listed below; anything else is a fault in one of the converters.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dorvik.h"

namespace {

// One glibc conversion, opened once.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole text converted, or nothing when iconv refuses any of it.
    std::optional<std::string> operator()(const std::string& in) const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 4 + 16, '\0');
        char* ip = const_cast<char*>(in.data());
        std::size_t il = in.size();
        char* op = out.data();
        std::size_t ol = out.size();
        if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return std::nullopt;
        if (iconv(cd_, nullptr, nullptr, &op, &ol) == static_cast<std::size_t>(-1)) return std::nullopt;
        out.resize(out.size() - ol);
        return out;
    }

  private:
    iconv_t cd_;
};

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string h;
    for (unsigned char c : s) {
        if (!h.empty()) h += ' ';
        h += digits[c >> 4];
        h += digits[c & 15];
    }
    return h;
}

std::string JisToSjis(const std::string& in) {
    std::vector<char> out(DORVIK_LINE_CAP);
    StrJIS2SJIS(in.c_str(), static_cast<int>(in.size()) + 1, out.data(), DORVIK_LINE_CAP);
    return out.data();
}

std::string EucToSjis(const std::string& in) {
    std::vector<char> out(DORVIK_LINE_CAP);
    StrEUC2SJIS(in.c_str(), static_cast<int>(in.size()) + 1, out.data(), DORVIK_LINE_CAP);
    return out.data();
}

std::string Utf8ToSjis(const std::string& in) {
    std::vector<char> text(in.begin(), in.end());
    text.push_back('\0');
    std::vector<char> out(DORVIK_LINE_CAP);
    std::vector<char> pending(DORVIK_PENDING_CAP);
    StrUTF2SJIS(text.data(), static_cast<int>(text.size()), out.data(), DORVIK_LINE_CAP, 8, pending.data());
    return out.data();
}

std::string Utf8(std::uint32_t u) {
    std::string s;
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | (u >> 6));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (u >> 12));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

// ---- the code-page-932 decisions ----------------------------------------------------------

// JIS and EUC-JP are converted by code arithmetic, so a JIS code keeps its row and cell. Nine
// characters of NEC row 13 are also in JIS X 0208 row 2 (≒ ≡ ∫ √ ⊥ ∠ ∵ ∩ ∪); the row 13 code
// stays, where iconv goes through Unicode and writes the row 2 code, as Windows does from
// Unicode. Both codes read as the same character.
const std::map<int, std::string> kRow13Kept = {
    {0x2D70, "\x87\x90"}, {0x2D71, "\x87\x91"}, {0x2D72, "\x87\x92"},
    {0x2D75, "\x87\x95"}, {0x2D76, "\x87\x96"}, {0x2D77, "\x87\x97"},
    {0x2D7A, "\x87\x9A"}, {0x2D7B, "\x87\x9B"}, {0x2D7C, "\x87\x9C"},
};

// UTF-8 goes through UTF-16 and Windows' conversion without best fit. glibc writes these
// characters with a code that reads back as another character (wave dash U+301C as the
// fullwidth tilde's 8160, em dash U+2014 as 815C, minus sign U+2212 as 817C, double vertical
// line U+2016 as 8161, cent, pound and not signs as their fullwidth forms, yen sign and overline
// as the ASCII backslash and tilde); Windows refuses them, and a unit without a form becomes a
// blank.
const std::set<std::uint32_t> kBestFitRefused = {0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2014,
                                                 0x2016, 0x203E, 0x2212, 0x301C};
// Single bytes that Windows reads and writes as these units and glibc does not know.
const std::map<std::uint32_t, std::string> kWindowsSingleBytes = {
    {0x0080, "\x80"}, {0xF8F0, "\xA0"}, {0xF8F1, "\xFD"}, {0xF8F2, "\xFE"}, {0xF8F3, "\xFF"},
};

// ---- random lines ---------------------------------------------------------------------------

constexpr int kLines = 3000;

// One character of a generated line: the bytes that convert it alone and what Dorvik must
// make of it.
struct Char {
    std::string alone;
    std::string expected;
};

struct Line {
    std::string input;
    std::vector<Char> chars;
};

// Every row-and-cell code (bytes 0x21-0x7E) that the oracle reads as one character, in the
// given rows.
std::vector<int> ValidCodes(const Iconv& oracle, bool euc, int last_row) {
    std::vector<int> codes;
    for (int j1 = 0x21; j1 <= 0x20 + last_row; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            const std::string code =
                euc ? std::string{static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)}
                    : std::string("\x1b$B") + static_cast<char>(j1) + static_cast<char>(j2) + "\x1b(B";
            const std::optional<std::string> out = oracle(code);
            if (out && out->size() == 2) codes.push_back(j1 << 8 | j2);
        }
    }
    return codes;
}

// What a double-byte code becomes: iconv's reading, or the decision for it.
std::string ExpectedPair(const Iconv& oracle, const std::string& alone, int code) {
    const auto kept = kRow13Kept.find(code);
    if (kept != kRow13Kept.end()) return kept->second;
    return *oracle(alone);
}

char Printable(std::mt19937& rng, bool backslash) {
    for (;;) {
        const char c = static_cast<char>(std::uniform_int_distribution<int>(0x20, 0x7E)(rng));
        if (backslash || c != '\\') return c;
    }
}

// ISO-2022-JP: runs of ASCII or JIS-Roman (ESC ( B, ESC ( J) and of JIS X 0208 (ESC $ B,
// ESC $ @), ending in single-byte mode. No backslash: StrJIS2SJIS removes the backslash of
// RFC 822 comment escapes, which is not a matter of the character set.
Line JisLine(std::mt19937& rng, const Iconv& oracle, const std::vector<int>& codes) {
    Line line;
    bool double_byte = false;
    const int runs = std::uniform_int_distribution<int>(1, 6)(rng);
    for (int r = 0; r < runs; ++r) {
        const int n = std::uniform_int_distribution<int>(1, 10)(rng);
        if (rng() % 2) {
            line.input += rng() % 4 ? "\x1b$B" : "\x1b$@";
            for (int i = 0; i < n; ++i) {
                const int code = codes[rng() % codes.size()];
                const std::string pair{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
                line.input += pair;
                const std::string alone = "\x1b$B" + pair + "\x1b(B";
                line.chars.push_back({alone, ExpectedPair(oracle, alone, code)});
            }
            double_byte = true;
        } else {
            const bool roman = rng() % 3 == 0;
            if (double_byte || roman || rng() % 4 == 0) line.input += roman ? "\x1b(J" : "\x1b(B";
            for (int i = 0; i < n; ++i) {
                const char c = Printable(rng, false);
                line.input += c;
                const std::string alone = roman ? std::string("\x1b(J") + c + "\x1b(B" : std::string(1, c);
                line.chars.push_back({alone, *oracle(alone)});
            }
            double_byte = false;
        }
    }
    if (double_byte || rng() % 2) line.input += "\x1b(B";
    return line;
}

// EUC-JP: ASCII and JIS X 0208 pairs, NEC row 13 included.
Line EucLine(std::mt19937& rng, const Iconv& oracle, const std::vector<int>& codes) {
    Line line;
    const int n = std::uniform_int_distribution<int>(1, 40)(rng);
    for (int i = 0; i < n; ++i) {
        if (rng() % 3 == 0) {
            const std::string c(1, Printable(rng, true));
            line.input += c;
            line.chars.push_back({c, *oracle(c)});
        } else {
            const int code = codes[rng() % codes.size()];
            const std::string pair{static_cast<char>((code >> 8) | 0x80),
                                   static_cast<char>((code & 0xFF) | 0x80)};
            line.input += pair;
            line.chars.push_back({pair, ExpectedPair(oracle, pair, code)});
        }
    }
    return line;
}

// A character of the Basic Multilingual Plane: often Japanese, often anything else (the
// surrogate range and U+0000 excluded: they are no characters). A byte-order mark does not
// start a line, where the converter drops it.
std::uint32_t BmpUnit(std::mt19937& rng, bool first) {
    static const std::pair<std::uint32_t, std::uint32_t> kJapanese[] = {
        {0x3000, 0x30FF}, {0x4E00, 0x9FFF}, {0xFF00, 0xFFEF}, {0x2000, 0x22FF}, {0x0080, 0x00FF}};
    for (;;) {
        std::uint32_t u;
        const unsigned pick = rng() % 10;
        if (pick < 2) {
            u = std::uniform_int_distribution<std::uint32_t>(0x01, 0x7F)(rng);
        } else if (pick < 6) {
            const auto& range = kJapanese[rng() % std::size(kJapanese)];
            u = std::uniform_int_distribution<std::uint32_t>(range.first, range.second)(rng);
        } else {
            u = std::uniform_int_distribution<std::uint32_t>(0x01, 0xFFFF)(rng);
        }
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        if (first && (u == 0xFEFF || u == 0xFFFE)) continue;
        return u;
    }
}

std::string ExpectedUnit(const Iconv& oracle, std::uint32_t u) {
    if (kBestFitRefused.count(u)) return " ";
    const auto single = kWindowsSingleBytes.find(u);
    if (single != kWindowsSingleBytes.end()) return single->second;
    const std::optional<std::string> out = oracle(Utf8(u));
    return out ? *out : " ";
}

// UTF-8: one- to three-byte forms (the converter reads UTF-16 units).
Line Utf8Line(std::mt19937& rng, const Iconv& oracle, std::set<std::uint32_t>& decisions_met) {
    Line line;
    const int n = std::uniform_int_distribution<int>(1, 30)(rng);
    for (int i = 0; i < n; ++i) {
        // Now and then one of the decided units, so that every decision is met.
        std::uint32_t u = BmpUnit(rng, i == 0);
        if (rng() % 20 == 0) {
            auto it = kBestFitRefused.begin();
            std::advance(it, rng() % kBestFitRefused.size());
            u = *it;
        } else if (rng() % 30 == 0) {
            auto it = kWindowsSingleBytes.begin();
            std::advance(it, rng() % kWindowsSingleBytes.size());
            u = it->first;
        }
        if (kBestFitRefused.count(u) || kWindowsSingleBytes.count(u)) decisions_met.insert(u);
        const std::string c = Utf8(u);
        line.input += c;
        line.chars.push_back({c, ExpectedUnit(oracle, u)});
    }
    return line;
}

// Dorvik's output must be each character's expectation in order. When the line holds none of
// the decisions, iconv converting the whole line must agree too (its reading of the escapes
// and the runs, not only of single characters).
void Compare(const char* what, const Line& line, const std::string& dorvik, const Iconv& oracle) {
    std::string expected;
    std::string by_iconv;
    bool whole = true;
    for (const Char& c : line.chars) {
        expected += c.expected;
        const std::optional<std::string> alone = oracle(c.alone);
        if (!alone || *alone != c.expected) whole = false;
    }
    ASSERT_EQ(Hex(dorvik), Hex(expected)) << what << " input " << Hex(line.input);
    if (whole) {
        const std::optional<std::string> all = oracle(line.input);
        ASSERT_TRUE(all.has_value()) << what << " input " << Hex(line.input);
        ASSERT_EQ(Hex(dorvik), Hex(*all)) << what << " input " << Hex(line.input);
    }
}

} // namespace

// The decided codes read as the same character either way.
TEST(IconvDifferential, Row13CodesKeptAreTheSameCharacters) {
    const Iconv to_unicode("UTF-16BE", "CP932");
    const Iconv euc("CP932", "EUC-JP-MS");
    ASSERT_TRUE(to_unicode.ok() && euc.ok());
    for (const auto& [code, kept] : kRow13Kept) {
        const std::string pair{static_cast<char>((code >> 8) | 0x80),
                               static_cast<char>((code & 0xFF) | 0x80)};
        const std::optional<std::string> written = euc(pair);
        ASSERT_TRUE(written.has_value());
        EXPECT_NE(*written, kept);
        EXPECT_EQ(to_unicode(*written), to_unicode(kept)) << Hex(kept);
    }
}

TEST(IconvDifferential, IsoJisLines) {
    const Iconv oracle("CP932", "ISO-2022-JP");
    ASSERT_TRUE(oracle.ok());
    const std::vector<int> codes = ValidCodes(oracle, false, 94);
    ASSERT_GT(codes.size(), 6800u); // JIS X 0208: rows 1-8 and 16-84
    std::mt19937 rng(0x4a4953);
    for (int i = 0; i < kLines; ++i) {
        const Line line = JisLine(rng, oracle, codes);
        Compare("JIS", line, JisToSjis(line.input), oracle);
        if (HasFatalFailure()) return;
    }
}

// Rows 85-94 are left out: EUC-JP-MS reads them as the user-defined area, which the code
// arithmetic does not move there; SS2 and SS3 characters pass through the arithmetic too.
TEST(IconvDifferential, EucJpLines) {
    const Iconv oracle("CP932", "EUC-JP-MS");
    ASSERT_TRUE(oracle.ok());
    const std::vector<int> codes = ValidCodes(oracle, true, 84);
    ASSERT_GT(codes.size(), 6800u + 80u); // JIS X 0208 and NEC row 13
    std::mt19937 rng(0x455543);
    for (int i = 0; i < kLines; ++i) {
        const Line line = EucLine(rng, oracle, codes);
        Compare("EUC-JP", line, EucToSjis(line.input), oracle);
        if (HasFatalFailure()) return;
    }
}

TEST(IconvDifferential, Utf8Lines) {
    const Iconv oracle("CP932", "UTF-8");
    ASSERT_TRUE(oracle.ok());
    std::mt19937 rng(0x555446);
    std::set<std::uint32_t> decisions_met;
    for (int i = 0; i < kLines; ++i) {
        const Line line = Utf8Line(rng, oracle, decisions_met);
        Compare("UTF-8", line, Utf8ToSjis(line.input), oracle);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(decisions_met.size(), kBestFitRefused.size() + kWindowsSingleBytes.size());
}
