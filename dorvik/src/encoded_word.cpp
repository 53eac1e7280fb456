// RFC 2047 encoded words in header values (file names of attachments).
//
// A value is decoded word by word: each "=?charset?B?...?=" or "=?charset?Q?...?=" of a
// known charset becomes Shift_JIS, everything between the words is copied byte for byte.
// A value without any known word is taken as ISO-2022-JP text as a whole. The work area
// and the output hold DORVIK_LINE_CAP bytes; longer values and words are cut.
#include <cstring>

#include "dorvik.h"

namespace dorvik {
namespace {

constexpr int kWorkMax = DORVIK_LINE_CAP - 1; // bytes of text a work area holds

char upper_ascii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Does `text` (of `len` bytes) hold `prefix` at `pos`, ASCII letters in any case?
bool has_prefix_at(const char* text, int len, int pos, const char* prefix) {
    const int n = static_cast<int>(std::strlen(prefix));
    if (len - pos < n) return false;
    for (int i = 0; i < n; ++i)
        if (upper_ascii(text[pos + i]) != prefix[i]) return false;
    return true;
}

// Length of `s`, but at most `max`: never reads past the first `max` bytes.
int bounded_len(const char* s, int max) {
    int n = 0;
    while (n < max && s[n] != '\0')
        ++n;
    return n;
}

bool contains_ci(const char* text, int len, const char* needle) {
    for (int pos = 0; pos < len; ++pos)
        if (has_prefix_at(text, len, pos, needle)) return true;
    return false;
}

enum class Charset { Jis, Sjis, Euc, Utf8, Utf7, Latin1 };

struct WordKind {
    const char* prefix; // upper case, with the encoding letter and its "?"
    Charset charset;
    bool base64;
};

// Tested in this order at every position of the value.
const WordKind kWords[] = {
    {"=?ISO-2022-JP?B?", Charset::Jis, true},   {"=?ISO-2022-JP?Q?", Charset::Jis, false},
    {"=?SHIFT_JIS?B?", Charset::Sjis, true},    {"=?SHIFT_JIS?Q?", Charset::Sjis, false},
    {"=?EUC-JP?B?", Charset::Euc, true},        {"=?EUC-JP?Q?", Charset::Euc, false},
    {"=?UTF-8?B?", Charset::Utf8, true},        {"=?UTF-8?Q?", Charset::Utf8, false},
    {"=?UTF-7?B?", Charset::Utf7, true},        {"=?UTF-7?Q?", Charset::Utf7, false},
    {"=?ISO-8859-1?B?", Charset::Latin1, true}, {"=?ISO-8859-1?Q?", Charset::Latin1, false},
};

// A value holding none of these is not decoded word by word.
const char* const kCharsetMarks[] = {"=?ISO-2022-JP?", "=?SHIFT_JIS?", "=?EUC-JP?",
                                     "=?UTF-8?",       "=?UTF-7?",     "=?ISO-8859-1?"};

// Decodes the encoded text of one word and converts it to Shift_JIS into `out`
// (DORVIK_LINE_CAP bytes).
void decode_word(const char* text, const WordKind& kind, char* out) {
    char decoded[DORVIK_LINE_CAP] = {};
    const int size = static_cast<int>(std::strlen(text)) + 1;
    if (kind.base64)
        DecodeLineB64(text, size, decoded, DORVIK_LINE_CAP);
    else
        DecodeLineQ(text, size, decoded, DORVIK_LINE_CAP);

    std::memset(out, 0, DORVIK_LINE_CAP);
    const int dsize = static_cast<int>(std::strlen(decoded)) + 1;
    switch (kind.charset) {
    case Charset::Jis:
        StrJIS2SJIS(decoded, dsize, out, DORVIK_LINE_CAP);
        break;
    case Charset::Euc:
        StrEUC2SJIS(decoded, dsize, out, DORVIK_LINE_CAP);
        break;
    case Charset::Utf8:
    case Charset::Utf7: {
        // A UTF-7 run still open at the end of the word is dropped with this buffer.
        char pending[DORVIK_PENDING_CAP] = {};
        StrUTF2SJIS(decoded, dsize, out, DORVIK_LINE_CAP, kind.charset == Charset::Utf7 ? 7 : 8, pending);
        break;
    }
    case Charset::Sjis:
    case Charset::Latin1:
        std::memcpy(out, decoded, std::strlen(decoded));
        break;
    }
}

} // namespace
} // namespace dorvik

extern "C" int StrCheck_Head(char* value, char* out) {
    using namespace dorvik;
    std::memset(out, 0, DORVIK_LINE_CAP);
    if (value == nullptr) return 1;

    // Work on a copy cut to the work area, so no search runs past it.
    char raw[DORVIK_LINE_CAP] = {};
    const int len = bounded_len(value, kWorkMax);
    std::memcpy(raw, value, static_cast<size_t>(len));

    bool has_words = false;
    for (const char* mark : kCharsetMarks)
        if (contains_ci(raw, len, mark)) has_words = true;
    if (!has_words) {
        StrJIS2SJIS(raw, len + 1, out, DORVIK_LINE_CAP);
        return bounded_len(out, kWorkMax) + 1;
    }

    int o = 0;
    int pos = 0;
    while (pos < len) {
        const WordKind* kind = nullptr;
        for (const WordKind& k : kWords)
            if (has_prefix_at(raw, len, pos, k.prefix)) {
                kind = &k;
                break;
            }
        if (kind == nullptr) {
            if (o < kWorkMax) out[o++] = raw[pos];
            ++pos;
            continue;
        }

        // The encoded text runs to the next "?=", or to the end of the value.
        const int start = pos + static_cast<int>(std::strlen(kind->prefix));
        const char* close = std::strstr(raw + start, "?=");
        int next = len;
        if (close != nullptr) {
            const int at = static_cast<int>(close - raw);
            raw[at] = '\0';
            value[at] = '\0'; // the caller's value is rewritten in place, as the word is cut out
            next = at + 2;
        }
        char text[DORVIK_LINE_CAP];
        decode_word(raw + start, *kind, text);
        for (const char* t = text; *t != '\0' && o < kWorkMax; ++t)
            out[o++] = *t;
        pos = next;
    }
    out[o] = '\0';
    return 0;
}
