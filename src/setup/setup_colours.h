// The colours and tones the setup screens share (16-colour palette indices).
#pragma once
#include <cstdint>

namespace setup {

constexpr int16_t kSetupBlack = 0;
constexpr int16_t kSetupBlue = 1;
constexpr int16_t kSetupRed = 4;
constexpr int16_t kSetupLightGrey = 7;
constexpr int16_t kSetupDarkGrey = 8;
constexpr int16_t kSetupLightCyan = 11;
constexpr int16_t kSetupYellow = 14;
constexpr int16_t kSetupWhite = 15;
constexpr int32_t kSetupRefusalHz = 400;  // the tone of a refusal

}  // namespace setup
