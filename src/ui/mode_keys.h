// The main-screen mode keys and the step switch and CUE key.
//
// Mode keys: live edit ("Fixtures Manual", 147), blind (114: on after a
// 1000 ms hold, off at once), the edit mode (MODE, 74: absolute, relative or
// fan with one of five shapes; MODE held with digit 1..7 chooses, a bare
// press cycles), the fan-shape editor (74 while 246 is held), fixture step
// mode (75) and cue timing ("Cuefading Active"). Each shows its new state at
// once in the status line and on the key LEDs.
//
// Step switch: on every background poll the trackerball's buttons lower
// (left) or raise (right) the belt resolution between 8 and 16 bit and
// toggle (middle) the card's own trackerball mode, once per press.
//
// CUE key (73): a second press within 200 ms opens the cue multiselect; while
// CUE is held the trackerball sets the show speed and LAST, NEXT, GET MEMORY,
// the digits and the cue keys browse and select cues; a plain press and
// release enters the cue screen.
#pragma once
#include <cstdint>

#include "memcheck/memcheck.h"

namespace ui {

// Edit modes of MODE_EDIT_MODE.
constexpr uint8_t kEditModeAbsolute = 0;
constexpr uint8_t kEditModeRelative = 1;
constexpr uint8_t kEditModeFan = 2;
// Fan shapes 1..5: "STANDARD", "INVERSE", "STANDARD MID", "SINE", "INVERSE SINE".
constexpr int16_t kFanShapes = 5;

// Belt resolution in bits (what a step is worth: programmer::belt_step).
constexpr int16_t kLowestBeltResolution = 8;
constexpr int16_t kHighestBeltResolution = 16;

// Show speed in percent.
constexpr int16_t kNormalShowSpeed = 100;
constexpr int16_t kHighestShowSpeed = 1000;
// Two CUE presses closer than this open the multiselect.
constexpr uint32_t kCueDoublePress_ms = 200;

// Clock time (ms) of the last single press of the CUE key; 0 none (a key
// macro sets it to 0).
extern uint32_t cue_key_last_press;
// The trackerball button that acted last: 0 none, 1 left, 2 right, 3 middle.
extern int16_t step_switch_button;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_mode_keys_globals();

void toggle_programmer_flag();    // 147
void toggle_blind_mode();         // 114
void select_relative_mode();      // 74
void start_fan_mode_edit();       // 74 while 246 is held
void toggle_fixture_step_mode();  // 75
void toggle_cue_mode();           // the CUE key handling and the show start

// Every background poll: the trackerball buttons as the step switch.
void cycle_rate_step();
// The CUE key command (73), also run by BACK and the PC space bar.
void run_cue_key();

// Frees the block a pointer variable holds, when it holds one, and sets the
// variable to null.
template <typename T>
void free_and_null(T*& block) {
    if (block == nullptr) return;
    memcheck::mc_free_at(block, __FILE__, __LINE__);
    block = nullptr;
}

}  // namespace ui
