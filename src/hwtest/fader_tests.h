// Tests of the analogue faders (F) and the digital belts (G). Each walks the
// technician through every fader in turn: the selected one must go to the
// bottom and then to the top. Each returns true (with its pass flag set)
// only when passed.
#pragma once
#include <cstdint>
#include <string>

namespace hwtest {

constexpr int kGaugeLines = 85;  // lit lines of a full gauge

// One fader on the screen as a vertical gauge with its value above it.
struct FaderGauge {
    int32_t x = 0;       // left edge
    int32_t y = 0;       // bottom line
    int32_t level = 0;   // lit lines 0..85
    int32_t value = 0;   // 0..255
    int32_t number = 0;  // shown under the gauge
    int32_t colour = 0;  // of the lit lines
    std::string label;   // kept, not drawn
};

void create_fader_gauge(FaderGauge& gauge, int number, int x, int y, int level, int value, const std::string& label,
                        int colour);
void highlight_gauge_number(FaderGauge& gauge, int colour);
void update_fader_gauge(FaderGauge& gauge, int level, int value);
bool gauge_at_top(const FaderGauge& gauge);     // value > 251
bool gauge_at_bottom(const FaderGauge& gauge);  // value 0

bool test_analogue_faders();
bool test_digital_faders();

}  // namespace hwtest
