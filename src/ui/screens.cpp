#include "ui/screens.h"

#include "platform/graphics.h"
#include "ui/bitmap_fonts.h"

namespace ui {

void start_graphics() {
    int driver = platform::kVgaDriver;
    int mode = platform::kVgaHiMode;  // 640 x 480, 16 colours
    platform::_initgraph(driver, mode, "");
    load_logo();
    load_fonts();
}

void close_graphics() { platform::_closegraph(); }
void show_hardware_check() {}
void draw_main_screen() { platform::_cleardevice(); }
void set_panel_mode(int16_t) {}
void toggle_cue_mode() {}
void show_output_values() {}
void cycle_rate_step() {}
void check_memory_status() {}
void free_screen_images() { free_logo(); }

}  // namespace ui
