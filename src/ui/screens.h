// The screens and screen helpers that start-up, the show cycle and the
// background poll call. (Least bodies until the screen toolkit is built.)
#pragma once
#include <cstdint>

namespace ui {

void start_graphics();
void close_graphics();
void show_hardware_check();
void draw_main_screen();
void set_panel_mode(int16_t mode);
void toggle_cue_mode();
void show_output_values();
void cycle_rate_step();
void check_memory_status();
void free_screen_images();

}  // namespace ui
