// PROGRAM POINTCUE: the dialog in the right-hand screen area that edits one
// cue slot's point-cue record in pointcue_edit_record (cue_tables.h): the
// point memory (edited live in the programmer), its fade mode, the five
// times, the link mode and the linked cue; CUE or ENTER stores it with
// store_pointcue_in_cue, ESC leaves the slot as it was.
//
// Rows: 1 point memory and fade mode, 2 DELAY-IN, 3 FADE-IN, 4 DELAY-OUT,
// 5 FADE-OUT, 6 link mode, 7 HOLD.
#pragma once
#include <array>
#include <cstdint>

namespace playback {

constexpr int16_t kPointcueRows = 7;
constexpr int16_t kPointcueRowMemory = 1, kPointcueRowDelayIn = 2, kPointcueRowFadeIn = 3, kPointcueRowDelayOut = 4,
                  kPointcueRowFadeOut = 5, kPointcueRowLink = 6, kPointcueRowHold = 7;
// Times in tenths: the longest entered (50 minutes) and infinite.
constexpr uint16_t kPointcueLongestTime = 30000;
constexpr uint16_t kPointcueTimeInfinite = 32000;
constexpr uint8_t kLastPointcueFadeMode = 5;

// The selected row, kept from one opening to the next.
extern int16_t pointcue_dialog_row;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_program_pointcue_globals();

// Mode 1: new content (the pack buffer) for slot (page, cue, point); mode 0:
// edit the live cue's slot (the arguments are not used for the slot).
void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page);

// The show's default time for a time row (2..5, 7), tenths.
uint16_t pointcue_row_default(int16_t row);
// What a time row holds after the time entry gave entered: 0..30000 as it
// is; anything else (an abandoned entry) the row's default, or infinite for
// DELAY-OUT and HOLD.
uint16_t pointcue_time_after_entry(int16_t row, int32_t entered);
// "--   infinite   --" for 32000, else "%2d min %2d.%1d sec.".
std::array<char, 24> format_pointcue_time(uint16_t tenths);

}  // namespace playback
