// MD5 (RFC 1321) and the MDString export: lower-case hex digest of a NUL-terminated string.
#include "md5.h"

#include <cstring>

#include "dorvik.h"

namespace dorvik {
namespace {

inline uint32_t rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t load_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Per-step shift amounts and sine-derived constants of the four rounds.
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Clears memory in a way the compiler may not drop as a dead store.
void wipe(void* p, size_t n) {
    volatile uint8_t* v = static_cast<volatile uint8_t*>(p);
    while (n-- > 0)
        *v++ = 0;
}

} // namespace

void md5_init(Md5Context* ctx) {
    ctx->state[0] = 0x67452301;
    ctx->state[1] = 0xefcdab89;
    ctx->state[2] = 0x98badcfe;
    ctx->state[3] = 0x10325476;
    ctx->bits = 0;
    std::memset(ctx->block, 0, sizeof ctx->block);
}

void md5_transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = load_le32(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) & 15;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) & 15;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) & 15;
        }
        const uint32_t t = d;
        d = c;
        c = b;
        b = b + rotl(a + f + kSine[i] + m[g], kShift[i]);
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    wipe(m, sizeof m);
}

void md5_update(Md5Context* ctx, const void* data, size_t len) {
    const auto* src = static_cast<const uint8_t*>(data);
    size_t used = static_cast<size_t>((ctx->bits >> 3) & 63);
    ctx->bits += static_cast<uint64_t>(len) << 3;
    while (len > 0) {
        const size_t take = len < 64 - used ? len : 64 - used;
        std::memcpy(ctx->block + used, src, take);
        used += take;
        src += take;
        len -= take;
        if (used == 64) {
            md5_transform(ctx->state, ctx->block);
            used = 0;
        }
    }
}

void md5_final(uint8_t digest[16], Md5Context* ctx) {
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<uint8_t>(ctx->bits >> (8 * i));
    // One 0x80 byte, zeros up to 56 bytes into a block, then the bit count.
    static const uint8_t kPadding[64] = {0x80};
    const size_t used = static_cast<size_t>((ctx->bits >> 3) & 63);
    md5_update(ctx, kPadding, used < 56 ? 56 - used : 120 - used);
    md5_update(ctx, length, sizeof length);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k)
            digest[4 * i + k] = static_cast<uint8_t>(ctx->state[i] >> (8 * k));
    wipe(ctx, sizeof *ctx);
}

} // namespace dorvik

extern "C" int MDString(const char* text, char* out) {
    static const char kHex[] = "0123456789abcdef";
    const char* src = text ? text : "";
    dorvik::Md5Context ctx;
    dorvik::md5_init(&ctx);
    dorvik::md5_update(&ctx, src, std::strlen(src));
    uint8_t digest[16];
    dorvik::md5_final(digest, &ctx);
    if (out != nullptr) {
        for (int i = 0; i < 16; ++i) {
            out[2 * i] = kHex[digest[i] >> 4];
            out[2 * i + 1] = kHex[digest[i] & 15];
        }
        out[32] = '\0';
    }
    dorvik::wipe(digest, sizeof digest);
    return 0;
}
