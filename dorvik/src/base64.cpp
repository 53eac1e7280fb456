// Base64 line codec (RFC 2045 alphabet, "=" padding, no line breaks).
//
// Decoding keeps one process-wide pending group of up to four characters, so a Base64 body
// whose lines are not cut at multiples of four still decodes line by line. The group is
// shared by every caller in the process and is not guarded: callers serialise their use.
#include <cstring>

#include "dorvik.h"

namespace dorvik {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr signed char kNotBase64 = -1;
constexpr signed char kPad = 64;

// Value of each byte: 0-63 for the alphabet, kPad for "=", kNotBase64 for any other byte.
struct ValueTable {
    signed char v[256];
    constexpr ValueTable() : v() {
        for (int i = 0; i < 256; ++i)
            v[i] = kNotBase64;
        for (int i = 0; i < 64; ++i)
            v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
        v[static_cast<unsigned char>('=')] = kPad;
    }
};
constexpr ValueTable kValues;

// The pending group: characters collected so far and their number (0-3 between calls).
unsigned char g_group[4];
int g_fill = 0;

} // namespace
} // namespace dorvik

extern "C" int EncodeLineB64(char* out, unsigned int cap, const char* in, int len) {
    using dorvik::kAlphabet;
    if (len < 0) len = 0;
    const unsigned long long need = 4ULL * ((static_cast<unsigned long long>(len) + 2) / 3) + 1;
    if (out == nullptr || cap < 5 || need > cap) return -1;
    if (len > 0 && in == nullptr) return -1;

    const auto* src = reinterpret_cast<const unsigned char*>(in);
    char* dst = out;
    for (int i = 0; i < len; i += 3) {
        const int left = len - i;
        const unsigned b0 = src[i];
        const unsigned b1 = left > 1 ? src[i + 1] : 0;
        const unsigned b2 = left > 2 ? src[i + 2] : 0;
        *dst++ = kAlphabet[b0 >> 2];
        *dst++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        *dst++ = left > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        *dst++ = left > 2 ? kAlphabet[b2 & 63] : '=';
    }
    *dst = '\0';
    return 0;
}

extern "C" int DecodeLineB64(const char* in, int len, char* out, int cap) {
    using dorvik::g_fill;
    using dorvik::g_group;
    // The work area bounds the result as much as the caller's capacity does.
    int limit = cap < 0 ? 0 : cap;
    if (limit > DORVIK_LINE_CAP) limit = DORVIK_LINE_CAP;

    // Only the first `count` bytes of the work area are ever read, so it needs no clearing.
    unsigned char work[DORVIK_LINE_CAP];
    int count = 0;

    // The group is worked on in locals and stored back before every return.
    unsigned char group[4] = {g_group[0], g_group[1], g_group[2], g_group[3]};
    int fill = g_fill;
    bool refused = false;

    const auto* src = reinterpret_cast<const unsigned char*>(in);
    for (int i = 0; src != nullptr && i < len; ++i) {
        if (dorvik::kValues.v[src[i]] == dorvik::kNotBase64) continue;
        group[fill++] = src[i];
        if (fill < 4) continue;
        fill = 0;

        // "=" has no value of its own: it counts as zero bits where it is used at all.
        const unsigned w = dorvik::kValues.v[group[0]] & 63, x = dorvik::kValues.v[group[1]] & 63,
                       y = dorvik::kValues.v[group[2]] & 63, z = dorvik::kValues.v[group[3]] & 63;
        if (count == limit) {
            refused = true;
            break;
        }
        work[count++] = static_cast<unsigned char>((w << 2) | (x >> 4));
        if (group[2] == '=') break;
        if (count == limit) {
            refused = true;
            break;
        }
        work[count++] = static_cast<unsigned char>(((x << 4) | (y >> 2)) & 0xFF);
        if (group[3] == '=') break;
        if (count == limit) {
            refused = true;
            break;
        }
        work[count++] = static_cast<unsigned char>(((y << 6) | z) & 0xFF);
    }
    std::memcpy(g_group, group, sizeof group);
    g_fill = fill;
    if (refused) return -1;

    // Copy out as a C string: a decoded NUL ends the text. The text is cut so that it and
    // its terminator fit the capacity.
    if (limit > 0 && out != nullptr) {
        const void* nul = std::memchr(work, 0, static_cast<size_t>(count));
        size_t text = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - work)
                          : static_cast<size_t>(count);
        if (text > static_cast<size_t>(limit - 1)) text = static_cast<size_t>(limit - 1);
        std::memcpy(out, work, text);
        out[text] = '\0';
    }
    return count;
}
