// The hold-down edit keys of the console surface. Each runs while its key
// stays held, blinks the keys it takes, and restores every LED it changed
// when the key is let go:
//   FREEZE (230)    the freeze switches of playbacks, sequences and fixtures, and the show clock
//   CLR (231)       clears parts of cues: whole cues, point cues, memory, sequence and playback parts
//   EDIT ITEM (228) picks the item whose editor opens
//   TEXT (196)      picks the names to edit
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_faders.h"
#include "playback/playback_state.h"

namespace ui {

// Freeze switch of each playback 1..42: 1 frozen.
extern std::array<uint8_t, playback::kPlaybacks + 1> playback_freeze;
// Freeze state of each sequence 1..4: 1 keeps a cue from reloading the
// sequence; 0 and 2 let it reload, and the loader is handed the state.
constexpr uint8_t kSequenceFree = 0;
constexpr uint8_t kSequenceFrozen = 1;
constexpr uint8_t kSequenceFrozenReload = 2;
extern std::array<uint8_t, playback::kSequences + 1> sequence_freeze;

// Playbacks, sequences and fixtures frozen, counted when the freeze command ends.
extern int16_t frozen_playback_count;
extern int16_t frozen_sequence_count;
extern int16_t frozen_fixture_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_edit_keys_globals();

// The commands, started by the key dispatcher with their key pressed.
void toggle_freeze_switches();  // FREEZE
void clear_item_dialog();       // CLR
void select_item_to_edit();     // EDIT ITEM
void run_text_edit_dialog();    // TEXT

}  // namespace ui
