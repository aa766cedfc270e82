// The frame buffer as the window shows it: colour indices through the palette.
#pragma once
#include <array>
#include <cstdint>

#include "platform/machine.h"

namespace host {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
using FrameRgb = std::array<uint32_t, kFrameWidth * kFrameHeight>;

// Fills out with 0xAARRGGBB pixels; 6-bit palette levels scale to 8 bits.
void render_frame(const platform::Machine& machine, FrameRgb& out);

}  // namespace host
