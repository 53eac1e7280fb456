// MD5 message digest (RFC 1321). The context lives on the caller's stack for one digest
// and is wiped when the digest is finalised.
#ifndef DORVIK_MD5_H
#define DORVIK_MD5_H

#include <cstddef>
#include <cstdint>

namespace dorvik {

struct Md5Context {
    uint32_t state[4]; // chaining words A, B, C, D
    uint64_t bits;     // message length so far, in bits
    uint8_t block[64]; // bytes of the block being filled
};

void md5_init(Md5Context* ctx);
void md5_update(Md5Context* ctx, const void* data, size_t len);
// Writes the 16 digest bytes and clears the context.
void md5_final(uint8_t digest[16], Md5Context* ctx);
// One 64-byte block into the chaining words.
void md5_transform(uint32_t state[4], const uint8_t block[64]);

} // namespace dorvik

#endif
