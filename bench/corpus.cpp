#include "corpus.h"

#include <cstdio>
#include <initializer_list>

#include "dorvik.h"
#include "iconv_line.h"

namespace bench {
namespace {

// splitmix64: a small generator whose sequence is the same on every platform.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

  private:
    uint64_t state_;
};

void put_jis_as_sjis(std::string& out, unsigned j1, unsigned j2) {
    unsigned s1 = ((j1 - 0x21) >> 1) + 0x81;
    if (j1 >= 0x5F) s1 += 0x40;
    unsigned s2;
    if (j1 & 1) {
        s2 = j2 + 0x1F;
        if (j2 >= 0x60) ++s2;
    } else {
        s2 = j2 + 0x7E;
    }
    out.push_back(static_cast<char>(s1));
    out.push_back(static_cast<char>(s2));
}

const char* const kWords[] = {
    "POP3", "mail",  "Re:",     "2024", "OK",      "the", "check", "server", "http://example.jp/",
    "ID",   "12:30", "Subject", "PDF",  "Pelmora", "CC",  "No.5",  "(",      ")",
    "10%"};
// 、 。 「 」 ・ ー and the full-width blank
const char* const kPunct[] = {"\x81\x41", "\x81\x42", "\x81\x75", "\x81\x76",
                              "\x81\x45", "\x81\x5B", "\x81\x40"};

void add_segment(std::string& line, Rng& rng) {
    const unsigned kind = rng.below(100);
    if (kind < 35) { // hiragana, row 4
        for (unsigned n = 1 + rng.below(6); n > 0; --n)
            put_jis_as_sjis(line, 0x24, 0x21 + rng.below(83));
    } else if (kind < 65) { // level-1 kanji, rows 16-47
        for (unsigned n = 1 + rng.below(4); n > 0; --n) {
            const unsigned row = 16 + rng.below(32);
            const unsigned cell = 1 + rng.below(row == 47 ? 51 : 94);
            put_jis_as_sjis(line, 0x20 + row, 0x20 + cell);
        }
    } else if (kind < 75) { // katakana, row 5
        for (unsigned n = 2 + rng.below(5); n > 0; --n)
            put_jis_as_sjis(line, 0x25, 0x21 + rng.below(86));
    } else if (kind < 85) {
        line += kPunct[rng.below(sizeof kPunct / sizeof kPunct[0])];
    } else {
        if (!line.empty() && line.back() != ' ') line += ' ';
        line += kWords[rng.below(sizeof kWords / sizeof kWords[0])];
        line += ' ';
    }
}

std::string make_line(Rng& rng) {
    const size_t target = 60 + rng.below(21);
    std::string line;
    if (rng.below(10) == 0) { // now and then a line of plain ASCII
        while (line.size() < target) {
            line += kWords[rng.below(sizeof kWords / sizeof kWords[0])];
            line += ' ';
        }
        return line;
    }
    while (line.size() < target)
        add_segment(line, rng);
    return line;
}

std::string base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    EncodeLineB64(out.data(), static_cast<unsigned>(out.size()), bytes.data(),
                  static_cast<int>(bytes.size()));
    out.resize(out.size() - 1);
    return out;
}

// Quoted-printable escape of every byte outside printable ASCII and of the given specials.
std::string qp_escape(const std::string& bytes, const char* specials) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        const bool plain =
            c > 0x20 && c < 0x7F && std::string(specials).find(static_cast<char>(c)) == std::string::npos;
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('=');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

// Cuts a quoted-printable text into lines of at most 76 characters, soft break included,
// never inside an escape.
void qp_wrap(const std::string& qp, std::vector<std::string>& lines) {
    size_t pos = 0;
    while (qp.size() - pos > 76) {
        size_t cut = pos + 75;
        if (qp[cut - 1] == '=')
            cut -= 1;
        else if (qp[cut - 2] == '=')
            cut -= 2;
        lines.push_back(qp.substr(pos, cut - pos) + "=");
        pos = cut;
    }
    lines.push_back(qp.substr(pos));
}

// Shift_JIS text cut into pieces of at most `max` bytes between characters.
std::vector<std::string> sjis_chunks(const std::string& text, size_t max) {
    std::vector<std::string> chunks;
    std::string cur;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = ((c >= 0x81 && c <= 0x9F) || c >= 0xE0) && i + 1 < text.size() ? 2 : 1;
        if (cur.size() + n > max) {
            chunks.push_back(cur);
            cur.clear();
        }
        cur.append(text, i, n);
        i += n;
    }
    if (!cur.empty()) chunks.push_back(cur);
    return chunks;
}

// Copies every form anew, each line after the one before, so that each form lies in memory
// as a body's lines do rather than interleaved with the other forms as they were made. The
// copies are all made before the originals are freed, so none lands in their holes.
void pack(const std::initializer_list<std::vector<std::string>*>& forms) {
    std::vector<std::vector<std::string>> copies;
    copies.reserve(forms.size());
    for (auto* form : forms)
        copies.push_back(*form);
    size_t i = 0;
    for (auto* form : forms)
        form->swap(copies[i++]);
}

} // namespace

size_t total_bytes(const std::vector<std::string>& lines) {
    size_t n = 0;
    for (const auto& l : lines)
        n += l.size();
    return n;
}

Corpus make_corpus(uint64_t seed, size_t lines) {
    Corpus c;
    Rng rng(seed);
    IconvLine to_jis("ISO-2022-JP", "CP932");
    IconvLine to_euc("EUC-JP", "CP932");
    IconvLine to_utf8("UTF-8", "CP932");
    for (size_t i = 0; i < lines; ++i) {
        std::string line = make_line(rng);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        c.jis.push_back(to_jis.convert(line));
        c.euc.push_back(to_euc.convert(line));
        c.utf8.push_back(to_utf8.convert(line));
        c.sjis.push_back(std::move(line));
    }

    for (size_t i = 0; i < lines; ++i)
        c.b64_source += c.jis[i] + "\r\n";
    for (size_t pos = 0; pos < c.b64_source.size(); pos += 57)
        c.b64_lines.push_back(base64(c.b64_source.substr(pos, 57)));

    for (size_t i = 0; i < lines; ++i) {
        qp_wrap(qp_escape(c.utf8[i], "="), c.qp_lines);
        c.qp_ends.push_back(c.qp_lines.size());
    }

    for (size_t i = 0; i < lines; ++i) {
        const unsigned kind = static_cast<unsigned>(i % 10); // 6 ISO-2022-JP B, 3 UTF-8 B, 1 UTF-8 Q
        std::string value = i % 3 == 0 ? "Re: " : "";
        std::string text = value;
        bool first = true;
        for (const std::string& chunk : sjis_chunks(c.sjis[i], 24)) {
            if (!first) {
                value += ' ';
                text += ' ';
            }
            first = false;
            text += chunk;
            if (kind < 6)
                value += "=?ISO-2022-JP?B?" + base64(to_jis.convert(chunk)) + "?=";
            else if (kind < 9)
                value += "=?UTF-8?B?" + base64(to_utf8.convert(chunk)) + "?=";
            else
                value += "=?UTF-8?Q?" + qp_escape(to_utf8.convert(chunk), "=?_") + "?=";
        }
        c.headers.push_back(std::move(value));
        c.header_texts.push_back(std::move(text));
    }
    pack({&c.sjis, &c.jis, &c.euc, &c.utf8, &c.b64_lines, &c.qp_lines, &c.headers, &c.header_texts});
    return c;
}

} // namespace bench
