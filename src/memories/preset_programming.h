// Programming and clearing presets: the menu of keys 155 (clear), 156
// (modify) and 157 (store), held while a preset kind key opens the kind's
// dialog, in which a fixture key 1..70 picks the preset.
//
// A preset records what the stage shows, not the programmer: for the value
// kinds the base output of every channel with a class position in the kind
// (store: every fixture of the show; modify: the selected fixtures, the
// others keep their entries), for the effect kind the running generator and
// figure parameters. The channel masks play no part. Every change is written
// to the preset file at once; the programmer, the memories and the output
// are left alone, so references keep their values on stage until they are
// resolved again.
#pragma once
#include <cstdint>

#include "runtime/key_codes.h"

namespace memories {

// The menu's modes are the keys that open it.
constexpr int16_t kPresetClearMode = runtime::KEY_PRESET_CLEAR;
constexpr int16_t kPresetModifyMode = runtime::KEY_PRESET_MODIFY;
constexpr int16_t kPresetStoreMode = runtime::KEY_PRESET_STORE;

// One dialog per kind, mode 155, 156 or 157.
void program_pantilt_preset(int16_t mode);
void program_color_preset(int16_t mode);
void program_gobo_preset(int16_t mode);
void program_effect_preset(int16_t mode);

// The steps of one preset, without the screens: value preset n of a kind or
// effect preset n from the stage (store: every fixture, modify: the selected
// ones); false when memory ran out (the preset stays as it was, for an
// effect preset only the part that could not be allocated).
bool record_value_preset(int kind, int16_t n, bool every_fixture);
bool record_effect_preset(int16_t n, bool every_fixture);
// Empties preset n of a kind: name, table(s) and used flag(s), written to file.
void clear_preset(int kind, int16_t n);

}  // namespace memories
