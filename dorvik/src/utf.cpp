// UTF-8 and UTF-7 to Shift_JIS: StrUTF2SJIS. The text is decoded to UTF-16 code units, which
// are then written one by one in code page 932 from our own table; a unit without a form
// becomes one blank.
#include <cstring>
#include <vector>

#include "charset_out.h"
#include "cp932.h"
#include "dorvik.h"

namespace {

// UTF-16 units of one call: at most `cap` units (the array has cap + 1 with the terminator).
class Units {
  public:
    explicit Units(int cap) : max_(cap > 0 ? static_cast<size_t>(cap) : 0) { units_.reserve(max_ + 1); }
    bool full() const { return units_.size() >= max_; }
    void add(uint16_t u) {
        if (!full()) units_.push_back(u);
    }
    const std::vector<uint16_t>& all() const { return units_; }

  private:
    size_t max_;
    std::vector<uint16_t> units_;
};

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

void decode_utf8(const char* text, Units& units) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p && !units.full()) {
        const unsigned b = *p;
        if (b < 0x80) {
            units.add(static_cast<uint16_t>(b));
            ++p;
        } else if ((b & 0xE0) == 0xC0) {
            if (p[1] == 0) return; // sequence cut by the end of the text: nothing
            units.add(static_cast<uint16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F)));
            p += 2;
        } else {
            // Every other byte takes two continuation bytes, unchecked.
            if (p[1] == 0 || p[2] == 0) return;
            units.add(static_cast<uint16_t>(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)));
            p += 3;
        }
    }
}

} // namespace

extern "C" int StrUTF2SJIS(char* utf, int /*size*/, char* out, int cap, int kind, char* pending) {
    dorvik::CappedOut o(out, cap);
    Units units(cap);
    if (kind == 7) {
        if (utf && utf[0] == '-') std::memmove(utf, utf + 1, std::strlen(utf)); // NUL included
        if (pending) pending[0] = '\0';
        if (utf) decode_utf7(utf, units, pending);
    } else if (utf) {
        decode_utf8(utf, units);
    }

    const std::vector<uint16_t>& all = units.all();
    size_t i = 0;
    if (!all.empty() && (all[0] == 0xFEFF || all[0] == 0xFFFE)) i = 1; // byte-order mark
    for (; i < all.size() && all[i] != 0; ++i) {
        unsigned char bytes[2];
        const int n = dorvik::utf16_to_cp932(all[i], bytes);
        if (!(n == 0 ? o.put(' ') : o.put(bytes, static_cast<size_t>(n)))) break;
    }
    o.finish();
    return 0;
}
