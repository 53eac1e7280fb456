// The code page 932 form of a UTF-8 test text, so tests can write Japanese as it reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "cp932.h"

namespace test_support {

// Characters of the Basic Multilingual Plane; one without a code page 932 form fails the test.
inline std::string Sj(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        int extra = 0;
        if (c >= 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        }
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        unsigned char bytes[2];
        const int n = dorvik::utf16_to_cp932(static_cast<std::uint16_t>(cp), bytes);
        EXPECT_GT(n, 0) << "no code page 932 form for U+" << std::hex << cp;
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n > 0 ? n : 0));
    }
    return out;
}

} // namespace test_support
