// The right panel of the main screen, (229, 105)-(639, 479), shows one of five
// panels:
//
//   1  sequence panel and fixture panel          key 161, paired with 5
//   2  memory list; the cue grid on the cue screen; the thresholds in threshold mode   key 162
//   3  value table of the programmer values      key 163, paired with 4
//   4  value table of the output values          key 163
//   5  analogue faders view                      key 161
//
// The panel keys switch within their pair and come back to the panel of the
// pair shown last (kept in MODE_PANEL_PARAM). The page keys page the shown
// panel; the arrow digits and EDIT VALUE go to whatever the wheel mode
// (display_mode) drives.
#pragma once
#include <cstdint>

namespace ui {

constexpr uint8_t kPanelSequence = 1;
constexpr uint8_t kPanelLists = 2;
constexpr uint8_t kPanelValueTable = 3;
constexpr uint8_t kPanelOutputTable = 4;
constexpr uint8_t kPanelAnalogue = 5;

constexpr int16_t kMemoryListPages = 58;   // 70 memories a page, 4000 memories
constexpr int16_t kCueScreenPages = 16;
// Holding key 163 longer than this in the output-values table only shows the values.
constexpr uint32_t kOutputValuesPeek_ms = 2000;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_panel_modes_globals();

// The panel shown now (MODE_PANEL_FIELD) and the two remembered ones.
uint8_t shown_panel();
uint8_t remembered_table_panel();
uint8_t remembered_pair_panel();

// Keys 161..163.
void handle_panel_key(int16_t key);
// Panel 1..5; another number does nothing.
void set_panel_mode(uint8_t panel);
void show_previous_panel_page();  // PAGE UP
void show_next_panel_page();      // PAGE DOWN
// 175 left, 177 right, 173 down, 179 up.
void dispatch_mode_key(int16_t key);
// EDIT VALUE.
void dispatch_mode_action();
// Saves the right panel's picture and takes the master and playback widgets
// off the screen (they keep their values until shown again).
void save_panel_picture();

}  // namespace ui
