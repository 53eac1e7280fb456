// ISO-2022-JP <-> Shift_JIS: StrJIS2SJIS and StrSJIS2JIS.
#include <cstring>

#include "charset_out.h"
#include "dorvik.h"
#include "jis_rules.h"

namespace {

using dorvik::kEsc;

constexpr size_t kWorkSize = 1536;    // the JIS text is copied here; longer input is cut
constexpr size_t kWorkSlack = 4;      // zero bytes after the work area for the 3-byte look-ahead
constexpr int kScanLimit = kWorkSize; // last position the scan may reach

bool enters_double(const unsigned char* p) {
    return p[0] == kEsc && p[1] == '$' && (p[2] == '@' || p[2] == 'B');
}

bool leaves_double(const unsigned char* p) {
    return p[0] == kEsc && p[1] == '(' && (p[2] == 'B' || p[2] == 'J' || p[2] == 'H');
}

bool jis_byte(unsigned char b) {
    return b >= 0x21 && b <= 0x7E;
}

} // namespace

extern "C" int StrJIS2SJIS(const char* jis, int len, char* out, int cap) {
    unsigned char work[kWorkSize + kWorkSlack] = {};
    if (jis) std::memcpy(work, jis, strnlen(jis, kWorkSize - 1));
    dorvik::CappedOut o(out, cap);

    const int limit = len < kScanLimit ? len : kScanLimit;
    bool dbcs = false;
    int i = 0;
    while (i <= limit && !o.cut()) {
        const unsigned char* p = work + i;
        if (!dbcs) {
            if (enters_double(p)) {
                dbcs = true;
                i += 3;
            } else if (leaves_double(p)) {
                i += 3;
            } else if (p[0] == '\\' && (p[1] == '\\' || p[1] == '(' || p[1] == ')')) {
                o.put(p[1]); // RFC 822 comment escapes are removed
                i += 2;
            } else if (dorvik::sjis_is_pair(p[0], p[1])) {
                // Raw Shift_JIS passes through whole: its trail byte may be a backslash.
                o.put(p[0], p[1]);
                i += 2;
            } else {
                o.put(p[0]);
                i += 1;
            }
        } else if (enters_double(p)) {
            i += 3;
        } else if (leaves_double(p)) {
            dbcs = false;
            i += 3;
        } else {
            if (jis_byte(p[0]) && jis_byte(p[1])) {
                const dorvik::BytePair s = dorvik::jis_to_sjis(p[0], p[1]);
                o.put(s.first, s.second);
            } else {
                o.put(static_cast<unsigned char>(0), static_cast<unsigned char>(0));
            }
            i += 2;
        }
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
