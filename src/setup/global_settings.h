// The "CONSOLE STARTUP" group of the show's global settings.
#pragma once
#include <array>
#include <cstdint>

namespace setup {

struct ConsoleStartupSettings {
    uint8_t mode = 0;            // "MODE": 0 "FIXT.", 1 "CUE"
    uint8_t view_mode = 0;       // "VIEWMODE": 0 "STAGE", 1 "TEXT", 2 "VALUES"
    std::array<uint8_t, 4> sequences{};  // "SEQUENCE A" to "SEQUENCE D": 1 "ON"
    uint8_t cue_fading = 0;      // "CUEFADING"
    uint8_t values = 0;          // "VALUES": 1 "PERC."
    uint8_t timecode_play = 0;   // "TIMECODE PLAY": 1 "ON"
};

extern ConsoleStartupSettings console_startup_settings;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_global_settings_globals();

}  // namespace setup
