// Storage encoding of free text in list files and settings: Base64 of the ISO-2022-JP form
// of a Shift_JIS text and its terminating NUL, so a stored token has no blanks, line breaks
// or bytes above 0x7E.
#include <cstring>

#include "dorvik.h"
#include "jis_rules.h"

namespace dorvik {
namespace {

bool is_sjis_pair(const unsigned char* p) {
    return sjis_is_pair(p[0], p[1]);
}

// strlen bounded by `max` bytes.
size_t bounded_len(const char* s, size_t max) {
    const void* nul = std::memchr(s, 0, max);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - s) : max;
}

constexpr int kEscapeLen = 3; // ESC $ B and ESC ( H

// Length of the longest prefix of `text` (whole characters) whose ISO-2022-JP form, with
// the escape that closes an open double-byte run, has at most `max_jis` bytes.
size_t sjis_prefix_for_jis(const unsigned char* text, int max_jis) {
    size_t pos = 0;
    int jis = 0;
    bool in_run = false;
    while (text[pos] != '\0') {
        const bool pair = is_sjis_pair(text + pos);
        int next = jis;
        if (pair) {
            next += (in_run ? 0 : kEscapeLen) + 2;
        } else {
            next += (in_run ? kEscapeLen : 0) + 1;
        }
        if (next + (pair ? kEscapeLen : 0) > max_jis) break;
        jis = next;
        in_run = pair;
        pos += pair ? 2 : 1;
    }
    return pos;
}

} // namespace
} // namespace dorvik

extern "C" int EncodeLine(char* out, int cap, const char* sjis, int /*size*/) {
    if (out == nullptr || cap <= 0) return 0;
    std::memset(out, 0, static_cast<size_t>(cap));

    // The token must fit `cap` with its NUL: 4 characters per 3 bytes of the JIS form and
    // its NUL. Both that and the intermediate bound how much of the text is kept; a text
    // that does not fit is cut at a character boundary.
    const int token_bytes = 3 * ((cap - 1) / 4);
    int max_jis = token_bytes - 1;
    if (max_jis > DORVIK_JIS_CAP - 1) max_jis = DORVIK_JIS_CAP - 1;
    if (max_jis < 0) return 0;

    const auto* text = reinterpret_cast<const unsigned char*>(sjis ? sjis : "");
    const size_t keep = dorvik::sjis_prefix_for_jis(text, max_jis);

    // The kept prefix is never longer than its JIS form, so it fits the intermediate size.
    char prefix[DORVIK_JIS_CAP];
    std::memcpy(prefix, text, keep);
    prefix[keep] = '\0';

    char jis[DORVIK_JIS_CAP];
    std::memset(jis, 0, sizeof jis);
    StrSJIS2JIS(prefix, static_cast<int>(keep + 1), jis, DORVIK_JIS_CAP);
    const size_t jis_len = dorvik::bounded_len(jis, sizeof jis - 1);
    EncodeLineB64(out, static_cast<unsigned int>(cap), jis, static_cast<int>(jis_len + 1));
    return 0;
}

extern "C" int DecodeLine(const char* b64, int /*size*/, char* out, int cap) {
    if (out == nullptr || cap <= 0) return 0;
    std::memset(out, 0, static_cast<size_t>(cap));

    const char* token = b64 ? b64 : "";
    char jis[DORVIK_JIS_CAP];
    std::memset(jis, 0, sizeof jis);
    DecodeLineB64(token, static_cast<int>(std::strlen(token) + 1), jis, DORVIK_JIS_CAP);

    char text[DORVIK_LINE_CAP];
    std::memset(text, 0, sizeof text);
    const size_t jis_len = dorvik::bounded_len(jis, sizeof jis - 1);
    StrJIS2SJIS(jis, static_cast<int>(jis_len + 1), text, DORVIK_LINE_CAP);

    // Copy whole characters that fit with the terminator (out is already zero-filled).
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    const size_t text_len = dorvik::bounded_len(text, sizeof text - 1);
    size_t n = 0;
    while (n < text_len) {
        const size_t step = (n + 1 < text_len && dorvik::is_sjis_pair(t + n)) ? 2 : 1;
        if (n + step > static_cast<size_t>(cap - 1)) break;
        n += step;
    }
    std::memcpy(out, text, n);
    return 0;
}
