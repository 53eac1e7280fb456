#include "corvex/settings/password_codec.h"

#include "corvex/settings/normalise.h"

#include <cstdio>

namespace corvex::settings {

namespace {
constexpr int kMultiplier = 2;
constexpr int kShift = 41;
} // namespace

std::string EncodePassword(std::string_view password) {
    std::string out;
    out.reserve(1 + 4 * password.size());
    out += static_cast<char>('0' + kMultiplier);
    for (char c : password) {
        const int product = kMultiplier * static_cast<signed char>(c); // -256..254
        char group[8];
        std::snprintf(group, sizeof group, "%04d", product);
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(group[i] + kShift);
    }
    return out;
}

std::string DecodePassword(std::string_view stored) {
    std::string out;
    if (stored.empty() || stored[0] < '2' || stored[0] > '9') return out;
    const int k = stored[0] - '0';
    for (std::size_t at = 1; at + 4 <= stored.size(); at += 4) {
        char group[4];
        for (int i = 0; i < 4; ++i)
            group[i] = static_cast<char>(static_cast<unsigned char>(stored[at + i]) - kShift);
        const int value = DecimalValue(std::string_view(group, 4)) / k;
        out += static_cast<char>(static_cast<unsigned char>(value & 0xFF));
    }
    return out;
}

} // namespace corvex::settings
