// Numeric and value entry dialogs.
//
// The operator types digits into a small in-place field of cells (see
// text_entry.h), corrects with BACK and ends with ENTER or ESC, or with the
// trackerball's left (ENTER) or right (ESC) button. While the field is open
// the keys it accepts blink; their former LED states come back when it
// closes. The background poll runs all the while, so the show goes on.
//
// Common arguments: the initial value (-1: the field starts empty, else its
// decimal text is shown and editable), the field's position, the maximum
// number of digits, the background and foreground colours, and large (0
// small cells, else large). The caller draws the prompt and checks the
// range of the result.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/key_codes.h"

namespace ui {

// Results of the dialogs.
constexpr int16_t kEntryCancelled = -1;  // ESC; also POINT without exactly one digit (fixture value)
constexpr int16_t kEntryEmpty = -2;      // ENTER on an empty field
constexpr int16_t kFixtureDigitBase = 3000;  // POINT after one digit d: 3000 + d

// The longest text of digits a field holds.
constexpr int16_t kMaxEntryDigits = 11;

// Exit reasons of edit_step_value.
constexpr int16_t kStepEnter = 0;
constexpr int16_t kStepNext = 1;       // POINT or EDIT VALUE
constexpr int16_t kStepEmpty = 2;
constexpr int16_t kStepEscape = 3;
constexpr int16_t kStepFunctions = 4;  // SELECT FUNCTIONS
constexpr int16_t kStepFull = 5;       // FULL

// Exit keys of edit_fixture_value.
constexpr uint8_t kFixtureExitDone = 0;  // ENTER, ESC or POINT
constexpr uint8_t kFixtureExitPlus = 1;
constexpr uint8_t kFixtureExitMinus = 2;
constexpr uint8_t kFixtureExitRange = 3;

// The number typed; -1 on ESC; -2 on ENTER with no digit.
int16_t edit_number(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                    uint8_t foreground, uint8_t large);

// As edit_number; meanwhile the memory-list panel key (162) and, while the
// memory list is shown, PAGE UP and PAGE DOWN page the list.
int16_t edit_memory_number(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                           uint8_t foreground, uint8_t large);

// One field of a time: *exit_reason as the kStep constants. The result is
// the number typed (0 without a digit) for reasons 0, 1 and 5, else 0. FULL
// (KEY_FULL) counts only when allow_full is non-zero. The cursor sits 3 pixels left
// of and above its usual place.
int16_t edit_step_value(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                        uint8_t foreground, uint8_t large, uint8_t allow_full, int16_t* exit_reason);

// A fixture address: as edit_number, and POINT ends at once with 3000 + d
// after exactly one digit d, else -1; keys 184, 185 and 200 end with
// *exit_key 1, 2, 3 and the number typed (0 without a digit). The LEDs of
// 184, 185 and 200 end off.
int16_t edit_fixture_value(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                           uint8_t foreground, uint8_t large, uint8_t* exit_key);

// The decimal value of the text's leading digits (after blanks and a sign);
// 0 when there are none. Values beyond 16 bits stop at 32767 (or -32768), so
// they fail a caller's range check instead of wrapping into it.
int16_t parse_int(const char* text);

// The minutes / seconds / tenths box of the time entries, (229, 180)-(639,
// 260): a caption and the three fields, read with edit_step_value at
// kTimeEntryFieldX[i], kTimeEntryFieldY. It covers the lower part of the
// sequence panel: the panel counts as hidden while the box is up, so that
// running sequences do not draw over it, and is drawn again on closing.
constexpr std::array<int16_t, 3> kTimeEntryFieldX = {300, 420, 545};
constexpr int16_t kTimeEntryFieldY = 220;
struct TimeEntryBox {
    bool sequence_panel_shown = false;
};
TimeEntryBox open_time_entry_box(const char* caption);
void close_time_entry_box(const TimeEntryBox& box);

}  // namespace ui
