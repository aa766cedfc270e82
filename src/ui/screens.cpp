#include "ui/screens.h"

#include "platform/graphics.h"

namespace ui {

void start_graphics() {
    int driver = platform::kVgaDriver;
    int mode = platform::kVgaHiMode;  // 640 x 480, 16 colours
    platform::_initgraph(driver, mode, "");
}

void close_graphics() { platform::_closegraph(); }
void show_hardware_check() {}
void draw_main_screen() { platform::_cleardevice(); }
void set_panel_mode(int16_t) {}
void toggle_cue_mode() {}
void show_output_values() {}
void cycle_rate_step() {}
void check_memory_status() {}
void free_screen_images() {}

void set_text_style(int font, int direction, int size) {
    platform::TextSettings now{};
    platform::_gettextsettings(now);
    if (now.font == font && now.direction == direction && now.char_size == size) return;
    platform::_settextstyle(font, direction, size);
}

}  // namespace ui
