#include "host/frame.h"

namespace host {

namespace {
uint32_t level8(uint8_t level6) { return static_cast<uint32_t>(level6 & 63) * 255 / 63; }
}  // namespace

void render_frame(const platform::Machine& machine, FrameRgb& out) {
    const platform::Graphics& graphics = machine.graphics;
    std::array<uint32_t, platform::kColourCount> argb{};
    for (size_t i = 0; i < argb.size(); ++i) {
        const platform::Rgb6& c = graphics.palette[i];
        argb[i] = 0xFF000000u | (level8(c.r) << 16) | (level8(c.g) << 8) | level8(c.b);
    }
    for (size_t i = 0; i < out.size(); ++i) out[i] = argb[graphics.pixels[i] & 15];
}

}  // namespace host
