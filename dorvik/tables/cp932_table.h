// The generated CP932 data (cp932_table.cpp, made by tools/gen_cp932.py). Use cp932.h instead.
#ifndef DORVIK_CP932_TABLE_H
#define DORVIK_CP932_TABLE_H

#include <cstdint>

namespace dorvik::cp932_data {

inline constexpr unsigned kTrailFirst = 0x40; // rows of kPairToWide hold trail bytes 0x40-0xFC
inline constexpr unsigned kTrailCount = 0xFD - 0x40;

extern const uint16_t kByteToWide[256];
extern const uint8_t kLeadRow[256];
extern const uint16_t kPairToWide[][kTrailCount];
extern const uint8_t kWidePage[256];
extern const uint16_t kWideToCode[][256];
extern const unsigned kPairRows;
extern const unsigned kWidePages;

} // namespace dorvik::cp932_data

#endif
