// ISO-2022-JP <-> Shift_JIS: StrJIS2SJIS and StrSJIS2JIS.
#include <cstring>

#include "charset_out.h"
#include "dorvik.h"
#include "jis_rules.h"

namespace {

using dorvik::kEsc;

constexpr int kTextMax = 1535;   // the JIS text is taken up to this many bytes; longer input is cut
constexpr int kScanLimit = 1536; // last position the scan may reach

bool jis_byte(unsigned char b) {
    return b >= 0x21 && b <= 0x7E;
}

// Bytes that, outside a double-byte run, always stand for themselves: not the end, not an
// escape, not a backslash and not a possible Shift_JIS lead byte.
bool plain_single(unsigned char b) {
    return b != 0 && b != kEsc && b != '\\' && b < 0x80;
}

// The escape at `p` (p[0] is ESC): +1 enters double-byte mode, -1 leaves it, 0 is none.
// Bytes after a NUL are never read.
int escape_kind(const unsigned char* p) {
    if (p[1] == '$') return p[2] == '@' || p[2] == 'B' ? 1 : 0;
    if (p[1] == '(') return p[2] == 'B' || p[2] == 'J' || p[2] == 'H' ? -1 : 0;
    return 0;
}

// Converts the NUL-terminated text `s` from the positions below `end`. A piece starting there
// may look up to two bytes further, but never past the NUL, where the scan ends: beyond it
// the text would read as zeros, which convert to zeros, and the output is zero-filled there
// anyway. Double-byte mode lasts until an escape leaves it or the text ends. Each mode has a
// loop of its own, left at an escape into the other.
void scan(const unsigned char* s, int end, dorvik::CappedOut& o) {
    if (end <= 0) return;
    const unsigned char* p = s;
    const unsigned char* const e = s + end;
    dorvik::CappedOut::Cursor c = o.cursor();
    for (;;) {
        // Single-byte mode.
        for (;;) {
            if (p >= e) return o.resume(c);
            const unsigned char b = p[0];
            if (plain_single(b)) {
                if (!c.fits(1)) return o.stop(c);
                *c.at++ = b;
                ++p;
                continue;
            }
            if (b == 0) return o.resume(c);
            if (b == kEsc) {
                const int kind = escape_kind(p);
                if (kind > 0) {
                    p += 3;
                    break;
                }
                if (kind < 0) {
                    p += 3;
                    continue;
                }
            } else if (b == '\\' && (p[1] == '\\' || p[1] == '(' || p[1] == ')')) {
                if (!c.fits(1)) return o.stop(c);
                *c.at++ = p[1]; // RFC 822 comment escapes are removed
                p += 2;
                continue;
            } else if (dorvik::sjis_is_pair(b, p[1])) {
                // Raw Shift_JIS passes through whole: its trail byte may be a backslash.
                if (!c.fits(2)) return o.stop(c);
                c.at[0] = b;
                c.at[1] = p[1];
                c.at += 2;
                p += 2;
                continue;
            }
            if (!c.fits(1)) return o.stop(c);
            *c.at++ = b;
            ++p;
        }
        // Double-byte mode.
        for (;;) {
            if (p >= e) return o.resume(c);
            const unsigned char b = p[0];
            if (b == 0) return o.resume(c);
            if (b == kEsc) {
                const int kind = escape_kind(p);
                if (kind > 0) {
                    p += 3;
                    continue;
                }
                if (kind < 0) {
                    p += 3;
                    break;
                }
            }
            // A pair; one with a byte outside 21-7E (an ESC, CR, LF, the NUL) gives 00 00.
            if (!c.fits(2)) return o.stop(c);
            const unsigned char t = p[1];
            if (jis_byte(b) && jis_byte(t)) {
                const dorvik::BytePair sj = dorvik::jis_to_sjis(b, t);
                c.at[0] = sj.first;
                c.at[1] = sj.second;
            } else {
                c.at[0] = 0;
                c.at[1] = 0;
                if (t == 0) {
                    c.at += 2;
                    return o.resume(c);
                }
            }
            c.at += 2;
            p += 2;
        }
    }
}

} // namespace

extern "C" int StrJIS2SJIS(const char* jis, int len, char* out, int cap) {
    dorvik::CappedOut o(out, cap);
    // Positions 0..len are scanned (the text itself ends at its NUL or after kTextMax bytes).
    const int end = (len < kScanLimit ? len : kScanLimit) + 1;
    if (jis && end + 2 < kTextMax) {
        // Every byte the scan may read lies below kTextMax: the text is read where it is.
        scan(reinterpret_cast<const unsigned char*>(jis), end, o);
    } else if (jis) {
        // The text may be longer than kTextMax: scan a copy cut there.
        unsigned char work[kTextMax + 1];
        const size_t n = strnlen(jis, kTextMax);
        std::memcpy(work, jis, n);
        work[n] = 0;
        scan(work, end, o);
    }
    o.finish();
    return len;
}

extern "C" int StrSJIS2JIS(const char* sjis, int /*size*/, char* out, int cap) {
    static constexpr unsigned char kEnter[3] = {kEsc, '$', 'B'};
    static constexpr unsigned char kLeave[3] = {kEsc, '(', 'H'};
    dorvik::CappedOut o(out, cap);
    if (!sjis) {
        o.finish();
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(sjis);
    bool run = false;
    while (*p) {
        if (dorvik::sjis_is_pair(p[0], p[1])) {
            // Room for the opening escape, the pair and the closing escape, so a cut result
            // is still well formed.
            if (!o.room((run ? 0 : 3) + 2 + 3)) break;
            if (!run) o.put(kEnter, 3);
            run = true;
            const dorvik::BytePair j = dorvik::sjis_to_jis(p[0], p[1]);
            o.put(j.first, j.second);
            p += 2;
        } else {
            if (!o.room((run ? 3 : 0) + 1)) break;
            if (run) o.put(kLeave, 3);
            run = false;
            o.put(p[0]);
            p += 1;
        }
    }
    if (run) o.put(kLeave, 3);
    o.finish();
    return 0;
}
