// EUC-JP <-> Shift_JIS: StrEUC2SJIS and sjtoeuc. Byte positions are kept.
#include "charset_out.h"
#include "dorvik.h"
#include "jis_rules.h"

extern "C" int StrEUC2SJIS(const char* euc, int /*size*/, char* out, int cap) {
    dorvik::CappedOut o(out, cap);
    const auto* p = reinterpret_cast<const unsigned char*>(euc ? euc : "");
    dorvik::CappedOut::Cursor c = o.cursor();
    // The walk ends at the end of the text or at the first piece that does not fit.
    for (;;) {
        const unsigned char b = p[0];
        if (b < 0x80) {
            // ASCII is copied.
            if (b == 0) break;
            if (!c.fits(1)) break;
            *c.at++ = b;
            ++p;
            continue;
        }
        // A pair, without range checks (SS2/SS3 included); a lead byte in the last position
        // pairs with the terminating NUL, and the walk ends there.
        if (!c.fits(2)) break;
        const unsigned char t = p[1];
        const dorvik::BytePair s = dorvik::jis_to_sjis(b & 0x7F, t & 0x7F);
        c.at[0] = s.first;
        c.at[1] = s.second;
        c.at += 2;
        if (t == 0) break;
        p += 2;
    }
    o.resume(c);
    o.finish();
    return 0;
}

extern "C" int sjtoeuc(const char* sjis, char* out, int cap) {
    dorvik::CappedOut o(out, cap);
    const auto* p = reinterpret_cast<const unsigned char*>(sjis ? sjis : "");
    while (*p && !o.cut()) {
        if (dorvik::sjis_is_pair(p[0], p[1])) {
            const dorvik::BytePair j = dorvik::sjis_to_jis(p[0], p[1]);
            o.put(j.first | 0x80, j.second | 0x80);
            p += 2;
        } else {
            o.put(p[0]);
            ++p;
        }
    }
    o.finish();
    return 0;
}
