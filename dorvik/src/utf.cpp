// UTF-8 and UTF-7 to Shift_JIS: StrUTF2SJIS. The text is decoded to UTF-16 code units, which
// are written one by one in code page 932 from our own table; a unit without a form becomes
// one blank. UTF-8 is converted unit by unit as it is decoded; UTF-7 is decoded first, since
// its unit limit decides what goes to the pending buffer.
#include <cstdint>
#include <cstring>
#include <memory>

#include "charset_out.h"
#include "cp932.h"
#include "dorvik.h"

namespace {

// UTF-16 units of one call: at most `cap` units. Contract-sized calls use the array on the
// stack; only a larger capacity takes the heap.
class Units {
  public:
    explicit Units(int cap) : max_(cap > 0 ? static_cast<size_t>(cap) : 0) {
        if (max_ > kStackUnits) {
            heap_ = std::make_unique<uint16_t[]>(max_);
            units_ = heap_.get();
        }
    }
    bool full() const { return size_ >= max_; }
    void add(uint16_t u) {
        if (!full()) units_[size_++] = u;
    }
    const uint16_t* data() const { return units_; }
    size_t size() const { return size_; }

  private:
    static constexpr size_t kStackUnits = DORVIK_LINE_CAP + 1;
    size_t max_;
    size_t size_ = 0;
    uint16_t stack_[kStackUnits];
    std::unique_ptr<uint16_t[]> heap_;
    uint16_t* units_ = stack_;
};

bool is_bom(uint16_t u) {
    return u == 0xFEFF || u == 0xFFFE;
}

// The CP932 code of every UTF-16 unit in one flat table, filled on first use from the
// per-unit lookup: below 0x100 a single byte, else lead and trail byte; 0 for a unit without
// a form (unit 0 itself never reaches the table: it ends the text).
class Cp932Codes {
  public:
    Cp932Codes() {
        for (unsigned u = 0; u < 0x10000; ++u) {
            unsigned char bytes[2];
            const int n = dorvik::utf16_to_cp932(static_cast<uint16_t>(u), bytes);
            code_[u] = static_cast<uint16_t>(n == 2 ? (bytes[0] << 8) | bytes[1] : n == 1 ? bytes[0] : 0);
        }
    }
    uint16_t operator[](uint16_t unit) const { return code_[unit]; }

  private:
    uint16_t code_[0x10000];
};

const Cp932Codes& cp932_codes() {
    static const Cp932Codes codes;
    return codes;
}

// Writes the code of one unit (a blank when it has none); false when it does not fit.
bool put_code(dorvik::CappedOut::Cursor& c, uint16_t code) {
    if (code < 0x100) {
        if (!c.fits(1)) return false;
        *c.at++ = code == 0 ? ' ' : static_cast<unsigned char>(code);
        return true;
    }
    if (!c.fits(2)) return false;
    c.at[0] = static_cast<unsigned char>(code >> 8);
    c.at[1] = static_cast<unsigned char>(code & 0xFF);
    c.at += 2;
    return true;
}

int base64_value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Copies the unfinished tail of a shifted run into the pending buffer, cut to its size.
void keep_pending(char* pending, const char* from) {
    if (!pending) return;
    const size_t n = strnlen(from, DORVIK_PENDING_CAP - 1);
    std::memcpy(pending, from, n);
    pending[n] = '\0';
}

void decode_utf7(const char* text, Units& units, char* pending) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p && !units.full()) {
        if (*p != '+') {
            units.add(*p++);
            continue;
        }
        if (p[1] == '-') {
            units.add('+');
            p += 2;
            continue;
        }
        // A shifted run: 6 bits per character, big-endian, 16 bits per unit. After every eight
        // characters (three whole units) the run could restart cleanly; remember that point.
        const unsigned char* restart = p;
        ++p;
        unsigned bits = 0;
        int nbits = 0;
        int chars = 0;
        for (;;) {
            if (*p == '\0') {
                keep_pending(pending, reinterpret_cast<const char*>(restart));
                return;
            }
            const int v = base64_value(*p);
            if (v < 0) break;
            bits = (bits << 6) | static_cast<unsigned>(v);
            nbits += 6;
            if (nbits >= 16) {
                nbits -= 16;
                units.add(static_cast<uint16_t>(bits >> nbits));
                bits &= (1u << nbits) - 1;
            }
            ++p;
            if (++chars % 8 == 0) restart = p;
            if (units.full()) return;
        }
        if (*p == '-') ++p; // closes the run and is dropped; any other byte is read as itself
    }
}

// One UTF-8 sequence at `p` (p[0] is not NUL): its length, or 0 for a sequence cut by the
// end of the text (which ends the text). Every lead byte but 0xC0-0xDF takes two
// continuation bytes, unchecked.
size_t next_utf8(const unsigned char* p, uint16_t& unit) {
    const unsigned b = p[0];
    if (b < 0x80) {
        unit = static_cast<uint16_t>(b);
        return 1;
    }
    if ((b & 0xE0) == 0xC0) {
        if (p[1] == 0) return 0;
        unit = static_cast<uint16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F));
        return 2;
    }
    if (p[1] == 0 || p[2] == 0) return 0;
    unit = static_cast<uint16_t>(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
    return 3;
}

// Every unit gives at least one output byte, so the output is full before `cap` units could
// be decoded: the text is converted as it is read, without a unit array. A unit 0 (from an
// overlong sequence) ends the text.
void utf8_to_cp932(const unsigned char* p, dorvik::CappedOut& o) {
    const Cp932Codes& codes = cp932_codes();
    uint16_t unit = 0;
    if (p[0] != 0) {
        const size_t n = next_utf8(p, unit);
        if (n && is_bom(unit)) p += n; // byte-order mark
    }
    dorvik::CappedOut::Cursor c = o.cursor();
    for (;;) {
        const unsigned char b = p[0];
        if (b < 0x80) {
            // ASCII is code page 932 as it is.
            if (b == 0) break;
            if (!c.fits(1)) return o.stop(c);
            *c.at++ = b;
            ++p;
            continue;
        }
        const size_t n = next_utf8(p, unit);
        if (n == 0 || unit == 0) break;
        if (!put_code(c, codes[unit])) return o.stop(c);
        p += n;
    }
    o.resume(c);
}

} // namespace

extern "C" int StrUTF2SJIS(char* utf, int /*size*/, char* out, int cap, int kind, char* pending) {
    dorvik::CappedOut o(out, cap);
    if (kind != 7) {
        if (utf) utf8_to_cp932(reinterpret_cast<const unsigned char*>(utf), o);
        o.finish();
        return 0;
    }

    Units units(cap);
    if (utf && utf[0] == '-') std::memmove(utf, utf + 1, std::strlen(utf)); // NUL included
    if (pending) pending[0] = '\0';
    if (utf) decode_utf7(utf, units, pending);
    const uint16_t* all = units.data();
    size_t i = units.size() > 0 && is_bom(all[0]) ? 1 : 0;
    const Cp932Codes& codes = cp932_codes();
    dorvik::CappedOut::Cursor c = o.cursor();
    for (; i < units.size() && all[i] != 0; ++i)
        if (!put_code(c, codes[all[i]])) break;
    o.resume(c);
    o.finish();
    return 0;
}
