// The whole screens: graphics start and end, the start-up hardware-check
// screen, the main screen, and the screen calls of the show cycle and the
// background poll.
#pragma once
#include <cstdint>

namespace ui {

// The program's version and build as the screens show them.
constexpr const char* kProgramVersion = "7.4";
constexpr const char* kProgramBuild = "7.4.1";

// 640 x 480 in 16 colours, then the logo and the two bitmap fonts. A failed
// start is not examined: the console runs on and draws nothing.
void start_graphics();
void close_graphics();

// The start-up screen of every show cycle: logo, version, channel count and
// firmware versions, and one line per hardware option saying whether it is
// enabled. It only reports and stays until the main screen replaces it.
void show_hardware_check();

// Clears the screen and draws every region of the main screen with the
// palette black, then shows it with the console colours.
void draw_main_screen();


// Program end: the saved screen pictures and the logo.
void free_screen_images();

}  // namespace ui
