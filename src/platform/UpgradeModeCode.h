#pragma once
#include <cstdint>

namespace platform {

// The 8-byte upgrade-mode entry code written to extension-unit selector 4. It is
// built at run time from two 32-bit constants, each laid out least significant byte
// first; the camera side of the rig checks against the same builder.
constexpr std::uint32_t kUpgradeModeCodeLow = 0x5544474Cu;  // "LGDU"
constexpr std::uint32_t kUpgradeModeCodeHigh = 0x21544F42u; // "BOT!"

inline void buildUpgradeModeCode(std::uint8_t out[8])
{
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(kUpgradeModeCodeLow >> (8 * i));
        out[4 + i] = static_cast<std::uint8_t>(kUpgradeModeCodeHigh >> (8 * i));
    }
}

} // namespace platform
