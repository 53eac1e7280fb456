// Body lines to Shift_JIS: transfer decoding by the part's encoding code ("B", "Q", "7",
// none), then conversion by its charset code ("J", "S", "E", "8", "7").
//
// Lines are decoded one at a time, so what a line leaves unfinished is carried to the next
// one in a caller-owned pending buffer, with the line state telling what it holds:
//   - ISO-2022-JP: an escape sequence cut by the line end, or the shift into double-byte
//     mode (plus a dangling first byte of a pair) that the next line must start with. For
//     quoted-printable text the carry-over is in its encoded form ("=1B$B"), put in front of
//     the next raw line; for Base64 it is raw and put in front of the next decoded text.
//   - UTF-7: the unfinished shifted run (kept by StrUTF2SJIS; for Base64 lines it is put in
//     front of the next decoded text).
//   - UTF-8 and EUC-JP in Base64: the bytes of a character cut by the line end.
//   - UTF-8, EUC-JP and Shift_JIS in quoted-printable: the bytes of a character cut by a
//     soft break, in their encoded form ("=E3=81"), put in front of the next raw line, so
//     the character is decoded whole there.
// Work areas and outputs hold DORVIK_LINE_CAP bytes, the pending buffer DORVIK_PENDING_CAP;
// anything longer is cut.
#include <cstring>

#include "dorvik.h"
#include "jis_rules.h"
#include "quoted_printable.h"

namespace dorvik {
namespace {

constexpr int kWorkMax = DORVIK_LINE_CAP - 1;       // bytes of text a work area holds
constexpr int kPendingMax = DORVIK_PENDING_CAP - 1; // bytes of text the pending buffer holds
constexpr char kEsc = '\x1b';

// Line states (the results of StrCheckSHR).
constexpr int kLineDone = 0;    // nothing carried over
constexpr int kLineClean = 1;   // ended cleanly; a continuation is possible
constexpr int kLineCarries = 2; // the pending buffer holds a state the next line restores

int bounded_len(const char* s, int max) {
    int n = 0;
    while (n < max && s[n] != '\0')
        ++n;
    return n;
}

bool is_code(const char* code, const char* want) {
    return std::strcmp(code, want) == 0;
}

// Charsets whose characters a quoted-printable soft break may cut into bytes.
bool carries_multibyte_qp(const char* charset) {
    return is_code(charset, "8") || is_code(charset, "E") || is_code(charset, "S");
}

// A work area with its text length; appends are cut at the area's end.
struct Work {
    char text[DORVIK_LINE_CAP] = {};
    int len = 0;

    void append(const char* s, int n) {
        if (n > kWorkMax - len) n = kWorkMax - len;
        if (n <= 0) return;
        std::memcpy(text + len, s, static_cast<size_t>(n));
        len += n;
        text[len] = '\0';
    }
    void cut(int at) {
        if (at < 0 || at >= len) return;
        len = at;
        text[len] = '\0';
    }
};

void set_pending(char* pending, const char* bytes, int n) {
    if (n > kPendingMax) n = kPendingMax;
    std::memcpy(pending, bytes, static_cast<size_t>(n));
    pending[n] = '\0';
}

// Cuts the local copy of the line and the caller's line at `at` (the caller's line holds
// the same bytes up to the copy's length).
void cut_line(Work& copy, char* line, int at) {
    if (at < 0 || at >= copy.len) return;
    copy.cut(at);
    line[at] = '\0';
}

// Base64 ISO-2022-JP: the decoded text `b` (pending text in front) may end inside an escape
// sequence or a double-byte run; move what the next line needs into `pending`.
int carry_jis_raw(Work& b, char* pending) {
    const int n = b.len;
    if (n >= 2 && b.text[n - 2] == kEsc) {
        const char carry[2] = {kEsc, b.text[n - 1]};
        set_pending(pending, carry, 2);
        b.cut(n - 2);
        return kLineCarries;
    }
    if (n >= 1 && b.text[n - 1] == kEsc) {
        set_pending(pending, &kEsc, 1);
        b.cut(n - 1);
        return kLineClean;
    }
    switch (CheckKIN(b.text)) {
    case 1:
        set_pending(pending, "\x1b$B", 3);
        return kLineCarries;
    case 2: {
        // The run is cut after the first byte of a pair: that byte starts the next line.
        const char carry[4] = {kEsc, '$', 'B', b.text[n - 1]};
        set_pending(pending, carry, 4);
        b.cut(n - 1);
        return kLineCarries;
    }
    default:
        pending[0] = '\0';
        return kLineClean;
    }
}

// Quoted-printable ISO-2022-JP: a line that ends in a soft break may cut an escape or a
// double-byte run; put the encoded carry-over into `pending` and cut the line before it, so
// the joined text decodes as one line would.
int carry_jis_qp(Work& l, char* line, char* pending, int result) {
    int x = l.len - 1;
    while (x >= 0 && (l.text[x] == '\r' || l.text[x] == '\n'))
        --x;
    if (x < 0 || l.text[x] != '=') return result; // no soft break
    cut_line(l, line, x + 1);                     // the line end after the soft break

    auto esc_at = [&](int at) {
        return at >= 0 && l.text[at] == '=' && l.text[at + 1] == '1' &&
               (l.text[at + 2] == 'B' || l.text[at + 2] == 'b');
    };
    if (x >= 4 && esc_at(x - 4)) { // ESC and one byte of its sequence
        const char carry[4] = {'=', '1', 'B', l.text[x - 1]};
        set_pending(pending, carry, 4);
        cut_line(l, line, x - 4);
        return kLineCarries;
    }
    if (x >= 3 && esc_at(x - 3)) { // a lone ESC
        set_pending(pending, "=1B", 3);
        cut_line(l, line, x - 3);
        return kLineClean;
    }
    switch (CheckKIN_Q(l.text)) {
    case 1:
        set_pending(pending, "=1B$B", 5);
        cut_line(l, line, x);
        return kLineCarries;
    case 2: {
        const char carry[6] = {'=', '1', 'B', '$', 'B', x >= 1 ? l.text[x - 1] : '\0'};
        set_pending(pending, carry, x >= 1 ? 6 : 5);
        cut_line(l, line, x >= 1 ? x - 1 : x);
        return kLineCarries;
    }
    case 3:
        set_pending(pending, "=1B$B=3D", 8);
        cut_line(l, line, x >= 3 ? x - 3 : x);
        return kLineCarries;
    default:
        pending[0] = '\0';
        return kLineClean;
    }
}

// Bytes at the end of `b` that begin a UTF-8 character the line end cut (0-3).
int utf8_cut_tail(const Work& b) {
    for (int back = 1; back <= 3 && back <= b.len; ++back) {
        const auto c = static_cast<unsigned char>(b.text[b.len - back]);
        if (c >= 0x80 && c < 0xC0) continue; // continuation byte
        if (c < 0xC0) return 0;              // ASCII: nothing cut
        const int need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        return need > back ? back : 0;
    }
    return 0;
}

// 1 when the last byte of `b` is the first byte of an EUC-JP pair, else 0.
int euc_cut_tail(const Work& b) {
    int i = 0;
    while (i < b.len) {
        if (static_cast<unsigned char>(b.text[i]) < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 == b.len) return 1;
        i += 2;
    }
    return 0;
}

// Base64 UTF-8 or EUC-JP: Base64 lines are cut at any byte, so a character may run over
// into the next line; its first bytes wait in `pending`.
int carry_multibyte(Work& b, char* pending, bool utf8, int result) {
    const int tail = utf8 ? utf8_cut_tail(b) : euc_cut_tail(b);
    set_pending(pending, b.text + b.len - tail, tail);
    if (tail == 0) return result;
    b.cut(b.len - tail);
    return kLineCarries;
}

// 1 when the last byte of `b` is a Shift_JIS lead byte left without its trail byte, else 0.
int sjis_cut_tail(const Work& b) {
    int i = 0;
    while (i < b.len) {
        const auto c = static_cast<unsigned char>(b.text[i]);
        if (!bytes::IsJisLeadByte(c)) {
            ++i;
            continue;
        }
        if (i + 1 == b.len) return 1;
        i += bytes::IsTrailByte(static_cast<unsigned char>(b.text[i + 1])) ? 2 : 1;
    }
    return 0;
}

// Does the raw quoted-printable line end in a soft break (its last byte before CR and LF is
// "=")?
bool ends_in_soft_break(const Work& l) {
    int x = l.len - 1;
    while (x >= 0 && (l.text[x] == '\r' || l.text[x] == '\n'))
        --x;
    return x >= 0 && l.text[x] == '=';
}

// Quoted-printable UTF-8, EUC-JP or Shift_JIS: a soft break may cut a character. Its first
// bytes are cut from the decoded text `b` and go to `pending` as "=XX" escapes, which the
// next raw line is put behind; the line then shows the character whole.
int carry_multibyte_qp(const Work& l, Work& b, const char* charset, char* pending, int result) {
    if (!ends_in_soft_break(l)) return result;
    const int tail = is_code(charset, "8")   ? utf8_cut_tail(b)
                     : is_code(charset, "E") ? euc_cut_tail(b)
                                             : sjis_cut_tail(b);
    if (tail == 0) return result;
    static const char kHex[] = "0123456789ABCDEF";
    char carry[3 * 3];
    int n = 0;
    for (int i = b.len - tail; i < b.len; ++i) {
        const auto c = static_cast<unsigned char>(b.text[i]);
        carry[n++] = '=';
        carry[n++] = kHex[c >> 4];
        carry[n++] = kHex[c & 15];
    }
    set_pending(pending, carry, n);
    b.cut(b.len - tail);
    return kLineCarries;
}

bool is_base64_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Base64 UTF-7: a shifted run still open at the end of the decoded text continues on the
// next line. The run goes to `pending` from its "+" and is cut from `b`, so the next line
// decodes it whole (its units are not shown twice). A run too long for the pending buffer
// is carried from a boundary of eight characters (three whole units) instead.
int carry_utf7_run(Work& b, char* pending, int result) {
    int run = -1; // start of the open run, or -1
    int i = 0;
    while (i < b.len) {
        const char c = b.text[i];
        if (run < 0) {
            if (c == '+' && b.text[i + 1] == '-') {
                i += 2;
                continue;
            }
            if (c == '+') run = i;
            ++i;
            continue;
        }
        if (is_base64_char(c)) {
            ++i;
            continue;
        }
        run = -1; // a byte outside the alphabet closes the run; "-" is dropped with it
        if (c == '-') ++i;
    }
    if (run < 0) {
        pending[0] = '\0';
        return result;
    }
    int from = run + 1; // first character of the run carried over
    const int chars = b.len - from;
    if (chars > kPendingMax - 1) from += (chars - (kPendingMax - 1) + 7) / 8 * 8;
    pending[0] = '+';
    const int tail = b.len - from < kPendingMax - 1 ? b.len - from : kPendingMax - 1;
    set_pending(pending + 1, b.text + from, tail);
    b.cut(from == run + 1 ? run : from);
    return result;
}

// Converts `b` by charset into `out` (DORVIK_LINE_CAP bytes).
int convert(Work& b, const char* charset, char* out, char* pending, int result) {
    const int size = b.len + 1;
    if (is_code(charset, "J")) {
        StrJIS2SJIS(b.text, size, out, DORVIK_LINE_CAP);
    } else if (is_code(charset, "E")) {
        StrEUC2SJIS(b.text, size, out, DORVIK_LINE_CAP);
    } else if (is_code(charset, "8")) {
        char unused[DORVIK_PENDING_CAP] = {};
        StrUTF2SJIS(b.text, size, out, DORVIK_LINE_CAP, 8, unused);
    } else if (is_code(charset, "7")) {
        StrUTF2SJIS(b.text, size, out, DORVIK_LINE_CAP, 7, pending);
        if (pending[0] != '\0') return kLineClean;
    } else {
        std::memcpy(out, b.text, static_cast<size_t>(b.len));
        out[b.len] = '\0';
    }
    return result;
}

} // namespace
} // namespace dorvik

extern "C" int StrCheckSHR(char* line, char* out, const char* encoding, const char* charset, char* pending) {
    using namespace dorvik;
    std::memset(out, 0, DORVIK_LINE_CAP);
    char no_pending[DORVIK_PENDING_CAP] = {};
    if (pending == nullptr) pending = no_pending;
    if (encoding == nullptr) encoding = "";
    if (charset == nullptr) charset = "";
    if (line == nullptr) return kLineDone;

    Work l;
    l.append(line, bounded_len(line, kWorkMax));

    const bool unicode = is_code(charset, "8") || is_code(charset, "7");
    if (!unicode && (is_code(encoding, "") || is_code(encoding, "7"))) {
        // Unencoded text: ISO-2022-JP, and Shift_JIS or ASCII, which pass this conversion
        // unchanged. EUC-JP is 8-bit text and arrives unencoded too: it is converted as such.
        if (is_code(charset, "E"))
            StrEUC2SJIS(l.text, l.len + 1, out, DORVIK_LINE_CAP);
        else
            StrJIS2SJIS(l.text, l.len + 1, out, DORVIK_LINE_CAP);
        return kLineDone;
    }

    Work b;
    int result = kLineDone;
    if (is_code(encoding, "B")) {
        char decoded[DORVIK_LINE_CAP] = {};
        result = DecodeLineB64(l.text, l.len + 1, decoded, DORVIK_LINE_CAP);
        b.append(pending, bounded_len(pending, kPendingMax));
        // A line too long to decode shows only what was pending.
        if (result >= 0) {
            b.append(decoded, bounded_len(decoded, kWorkMax));
            if (is_code(charset, "J"))
                result = carry_jis_raw(b, pending);
            else if (is_code(charset, "8") || is_code(charset, "E"))
                result = carry_multibyte(b, pending, is_code(charset, "8"), result);
        }
        if (is_code(charset, "7")) {
            if (result >= 0)
                result = carry_utf7_run(b, pending, result);
            else
                pending[0] = '\0';
            char unused[DORVIK_PENDING_CAP] = {};
            StrUTF2SJIS(b.text, b.len + 1, out, DORVIK_LINE_CAP, 7, unused);
            return (result >= 0 && pending[0] != '\0') ? kLineClean : result;
        }
    } else if (is_code(encoding, "Q")) {
        if (is_code(charset, "J")) result = carry_jis_qp(l, line, pending, kLineDone);
        b.len = decode_qp(l.text, b.text, DORVIK_LINE_CAP, true);
        if (carries_multibyte_qp(charset)) result = carry_multibyte_qp(l, b, charset, pending, result);
        b.len = bounded_len(b.text, b.len); // a decoded NUL byte ends the text
    } else {
        b.append(l.text, l.len);
    }
    return convert(b, charset, out, pending, result);
}

extern "C" int EncodeStr(char* line, char* work, int* state, char* pending, const char* charset,
                         const char* encoding) {
    using namespace dorvik;
    char no_pending[DORVIK_PENDING_CAP] = {};
    if (pending == nullptr) pending = no_pending;
    if (encoding == nullptr) encoding = "";
    if (charset == nullptr) charset = "";
    const int previous = state != nullptr ? *state : 0;

    // A quoted-printable line continues the encoded carry-over of the last one.
    if (line != nullptr && previous > 0 && is_code(encoding, "Q") &&
        (is_code(charset, "J") || carries_multibyte_qp(charset))) {
        Work joined;
        joined.append(pending, bounded_len(pending, kPendingMax));
        joined.append(line, bounded_len(line, kWorkMax));
        std::memcpy(line, joined.text, static_cast<size_t>(joined.len) + 1);
    }

    const int result = StrCheckSHR(line, work, encoding, charset, pending);
    if (state != nullptr) *state = result;
    if (result <= 0) {
        pending[0] = '\0';
        return 0;
    }
    return result;
}
