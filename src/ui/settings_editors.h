// The settings editors: the transparent modes (CUE while 246 is held), the
// global settings with the default cue times (SETUP, "2=SHOW SETTINGS"), and
// the tracing mode of a cue page, the solo memory and the fan shape (a
// cue-page key, STEP and MODE while 246 is held).
//
// Each editor works on a copy of its values: UP (8) and DOWN (2) move the
// selection, EDIT ITEM (228) changes the selected value, ENTER stores the
// copy and writes it to its file at once (setup.dat, transp.dat), ESC drops
// it and changes nothing. All but the global settings open in the lower-left
// frame; the global settings fill the right panel below the sequence panel.
// While the timecode screen is open none of them opens.
#pragma once
#include <array>
#include <cstdint>

namespace ui {

// Default cue times, kinds 1..5: DELAY IN, FADE IN, DELAY OUT, FADE OUT, HOLD.
constexpr int kCueTimeKinds = 5;
constexpr int16_t kLongestCueTime_min = 50;
constexpr uint16_t kLongestCueTime_tenths = 30000;  // 50 minutes
constexpr uint16_t kInfiniteTime_tenths = 32000;
// The solo memory: 0 none, else a memory 1..4000.
constexpr int16_t kHighestSoloMemory = 4000;

// The global settings editor's rows.
constexpr uint8_t kGlobalSettingsRows = 26;

// Runs the editors until ENTER or ESC.
void edit_transparent_mode();
void edit_global_settings();
void edit_tracing_mode(uint8_t page);  // cue page 1..16; another page opens nothing
void edit_solo_memory();
void edit_fan_mode();

// Keys 388 (0: sequences) and 389 (1: playbacks): the show-wide transparent
// mode steps 0, 1, 2, 0 (in memory only).
void cycle_transparent_mode(uint8_t which);

// The time entry of the default-time rows: kind 1..5; the time kept when
// the entry is cancelled, the kind's default for a time beyond 50 minutes.
uint16_t edit_time(uint16_t current_tenths, uint8_t kind);
// What the time entry's answer (tenths; 63000 cancelled) makes of the
// current time of a kind 1..5.
uint16_t time_entry_result(uint16_t answer_tenths, uint16_t current_tenths, uint8_t kind);

// The value texts of the global settings rows 1..26 as the editor shows them.
struct GlobalSettingsCopy {
    std::array<uint8_t, 2> show_defaults{};   // transparency show default: playbacks, sequences (1 = OFF)
    std::array<uint8_t, 20> settings{};       // setup bytes from the start-up mode on
    std::array<uint16_t, kCueTimeKinds> times{};
    std::array<uint8_t, 5> extras{};          // setup bytes from the group-name option on
};
// The row's value as text (at most 15 characters).
void global_settings_value_text(const GlobalSettingsCopy& copy, uint8_t row, char* text, int size);
// EDIT ITEM on a row other than the time rows.
void change_global_setting(GlobalSettingsCopy& copy, uint8_t row);

}  // namespace ui
