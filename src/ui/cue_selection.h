// Choosing cues on the cue screen's data: "GIVE CUE TO SELECT" goes to one
// cue slot named by page, cue and point keys or by its typed number, and
// "SELECT CUES TO MULTISELECT" collects point cues into a list that the cue
// time editors change as a group and that ENTER starts all at once.
//
// A cue slot is (page - 1) * 700 + (cue - 1) * 10 + point, page 1..16, cue
// 1..70, point 1..10; the multiselect list holds slot - 1.
#pragma once
#include <cstdint>
#include <vector>

namespace ui {

// The cues chosen in the multiselect dialog, 0-based slots in the order
// chosen; -1 is a choice taken back. It lives only while the dialog runs.
constexpr int16_t kMultiselectRemoved = -1;
extern std::vector<int16_t> multiselect_list;
// Entries of the list, removed ones included.
int16_t multiselect_count();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_selection_globals();

// "GIVE CUE TO SELECT". typed 0: first is cue key 1..70 pressed with CUE
// held; typed 1: first is digit 1..9 already typed, the number's lead digit.
void select_cue_by_number(int16_t first, uint8_t typed);

// "SELECT CUES TO MULTISELECT": the list starts empty and is dropped at the end.
void multiselect_cues();

// Takes the 0-based cue slot out of the list, or adds it when it is programmed.
void toggle_cue_multiselect(int16_t cue_index);
bool is_cue_multiselected(int16_t cue_index);

// The cue key LEDs and cue cells of the shown cue page from the list.
void refresh_multiselect_leds();

// Loads and starts every listed cue in list order; fade_in_tenths 0 keeps
// each cue's own fade-in time.
void start_multiselected_cues(uint16_t fade_in_tenths);

}  // namespace ui
