// The JIS X 0208 <-> Shift_JIS pair arithmetic and the Shift_JIS double-byte test shared by the
// charset converters. All arithmetic is modulo 256, so the rules may be applied without range
// checks (the EUC-JP converters do).
#ifndef DORVIK_JIS_RULES_H
#define DORVIK_JIS_RULES_H

#include "bytes/sjis_bytes.h"

namespace dorvik {

inline constexpr unsigned char kEsc = 0x1B;

// A Shift_JIS pair as the converters see it: a lead byte of a JIS X 0208 row (0xF0-0xFC
// and half-width katakana count as single bytes) followed by a trail byte.
inline bool sjis_is_pair(unsigned char lead, unsigned char trail) {
    return bytes::IsJisLeadByte(lead) && bytes::IsTrailByte(trail);
}

struct BytePair {
    unsigned char first;
    unsigned char second;
};

// JIS row/cell pair j1 j2 to its Shift_JIS code, by the arithmetic rule.
constexpr BytePair jis_to_sjis_rule(unsigned char j1, unsigned char j2) {
    int s1 = ((j1 - 0x21) >> 1) + 0x81;
    if (j1 >= 0x5F) s1 += 0x40;
    int s2;
    if (j1 & 1) {
        s2 = j2 + 0x1F;
        if (j2 >= 0x60) ++s2;
    } else {
        s2 = j2 + 0x7E;
    }
    return {static_cast<unsigned char>(s1 & 0xFF), static_cast<unsigned char>(s2 & 0xFF)};
}

// The rule as tables over every byte value: the first byte depends on j1 alone, the second on
// j2 and the parity of j1. Lookups take no branches, which random kanji would mispredict.
struct JisToSjisTables {
    unsigned char first[256];
    unsigned char second[2][256];
};

constexpr JisToSjisTables make_jis_to_sjis_tables() {
    JisToSjisTables t{};
    for (int b = 0; b < 256; ++b) {
        const auto u = static_cast<unsigned char>(b);
        t.first[b] = jis_to_sjis_rule(u, 0x21).first;
        t.second[0][b] = jis_to_sjis_rule(0x22, u).second;
        t.second[1][b] = jis_to_sjis_rule(0x21, u).second;
    }
    return t;
}

inline constexpr JisToSjisTables kJisToSjis = make_jis_to_sjis_tables();

// JIS row/cell pair j1 j2 to its Shift_JIS code.
inline BytePair jis_to_sjis(unsigned char j1, unsigned char j2) {
    return {kJisToSjis.first[j1], kJisToSjis.second[j1 & 1][j2]};
}

// Shift_JIS code s1 s2 to its JIS pair (the inverse of jis_to_sjis).
inline BytePair sjis_to_jis(unsigned char s1, unsigned char s2) {
    int t = s2;
    if (t >= 0x80) --t;
    int j1 = s1 <= 0x9F ? 2 * (s1 - 0x71) + 1 : 2 * (s1 - 0xB1) + 1;
    int j2;
    if (t >= 0x9E) {
        ++j1;
        j2 = t - 0x7D;
    } else {
        j2 = t - 0x1F;
    }
    return {static_cast<unsigned char>(j1 & 0xFF), static_cast<unsigned char>(j2 & 0xFF)};
}

} // namespace dorvik

#endif
