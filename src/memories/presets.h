// The preset tables of the show, unpacked (index 0 unused everywhere), and
// the recall of presets onto the selected fixtures.
//
// Value presets: file entries 1..420, of which 1..210 are the value slots of
// the three value kinds (pan/tilt 1..70, colour 71..140, gobo 141..210). One
// u16 per function record 1..2048 (element 0 unused), 65535 = not set.
// Effect presets 1..70: the generator part, six bytes per function record
// (SWING, SPEED, MODE, DELAY, SHIFT, WAIT; record r at (r - 1) * 6), and the
// figure part, ten bytes per fixture 1..700 (X-SWING, Y-SWING, SPEED, MODE,
// FIGURE1, FIGURE2, ROTATE, DELAY, SHIFT, WAIT; fixture f at (f - 1) * 10);
// 255 = not set. A null table is an empty preset.
//
// Recall writes references into the programmer (value 1000 + slot, generator
// or figure byte 180 + effect preset) and sends the preset's value of each
// entry to the output at once; whoever resolves a reference later takes the
// preset's content of that moment.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datafiles/record_files.h"

namespace memories {

constexpr int kValuePresets = 420;
constexpr int kEffectPresets = 70;
constexpr int kPresetEntries = kValuePresets + 2 * kEffectPresets;  // 560
constexpr int kPresetFunctionRecords = 2048;
constexpr int kPresetFixtures = 700;
constexpr int kGeneratorParameters = 6;
constexpr int kFigureParameters = 10;
constexpr size_t kValuePresetValues = kPresetFunctionRecords + 1;
constexpr size_t kGeneratorPartBytes = kPresetFunctionRecords * kGeneratorParameters;  // 12288
constexpr size_t kFigurePartBytes = kPresetFixtures * kFigureParameters;               // 7000
constexpr uint16_t kValueNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;

inline std::array<uint16_t*, kValuePresets + 1> value_preset_table{};
inline std::array<uint8_t*, kEffectPresets + 1> effect_preset_generators{};
inline std::array<uint8_t*, kEffectPresets + 1> effect_preset_figures{};

// A generator or figure byte 181..250 refers to effect preset 1..70; it
// resolves to that preset's byte for the element (generator byte or figure
// byte i, 1-based), not set when the preset part is empty. Other bytes are
// themselves.
constexpr int kFirstEffectReference = 181;
constexpr int kLastEffectReference = 250;
inline uint8_t resolve_effect_byte(const std::array<uint8_t*, kEffectPresets + 1>& parts, size_t part_bytes, int i,
                                   uint8_t b) {
    if (b < kFirstEffectReference || b > kLastEffectReference) return b;
    const uint8_t* part = parts[static_cast<size_t>(b - (kFirstEffectReference - 1))];
    const auto offset = static_cast<size_t>(i - 1);
    if (part == nullptr || offset >= part_bytes) return kByteNotSet;
    return part[offset];
}
inline uint8_t resolve_generator_reference(int i, uint8_t b) {
    return resolve_effect_byte(effect_preset_generators, kGeneratorPartBytes, i, b);
}
inline uint8_t resolve_figure_reference(int i, uint8_t b) {
    return resolve_effect_byte(effect_preset_figures, kFigurePartBytes, i, b);
}

// Name and place on file of each entry 1..560 of the preset file.
inline std::array<datafiles::MemoryIndexEntry, kPresetEntries + 1> preset_index{};
// 1 = stored, per entry 1..560: value presets, then generator parts, then figure parts.
inline std::array<uint8_t, kPresetEntries + 1> preset_used_tables{};

// The four preset kinds, as the screens, names and channel masks number them.
constexpr int16_t PRESET_PANTILT = 1;
constexpr int16_t PRESET_COLOUR = 2;
constexpr int16_t PRESET_GOBO = 3;
constexpr int16_t PRESET_EFFECT = 4;
constexpr int kPresetKinds = 4;
constexpr int kPresetsPerKind = 70;
// Preset names: at most 19 characters in the 21-byte field.
constexpr int kPresetNameChars = 19;
// File entries of the generator and figure part of effect preset 1, less one.
constexpr int kGeneratorPartEntryBase = kValuePresets;                   // 420
constexpr int kFigurePartEntryBase = kValuePresets + kEffectPresets;     // 490
// A programmer value of 1001..1210 refers to value slot v - 1000; a
// generator or figure byte of 181..250 to effect preset b - 180.
constexpr uint16_t kValueReferenceBase = 1000;
constexpr uint8_t kEffectReferenceBase = 180;

// The current preset of each kind, 0 none, else 1..70.
extern int16_t current_pantilt_preset;
extern int16_t current_color_preset;
extern int16_t current_gobo_preset;
extern int16_t current_effect_preset;
// Show setting "AUTOMATIC PRESETNAME": 1, programming a preset that has no
// name asks for one.
uint8_t preset_name_prompt();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_presets_globals();

bool valid_preset_kind(int kind);
bool valid_preset_number(int n);
// The current-preset word of kind 1..4.
int16_t& current_preset(int kind);
// The console key of kind 1..4 (151 pan/tilt, 153 colour, 152 gobo, 154
// effect), and the kind of a preset key (0 for another key).
int16_t preset_kind_key(int kind);
int preset_kind_of_key(int16_t key);
// Value slot of preset n of a value kind (n, n + 70, n + 140); 0 for the
// effect kind or numbers out of range.
int16_t value_slot(int kind, int n);
// Kind colour of the grid, table and channel setup: pan/tilt 11, colour 12,
// gobo and effect 10.
int16_t preset_kind_colour(int kind);

// Used flags: a value preset counts as programmed when its slot's flag is 1,
// an effect preset when either of its parts' flags is 1.
bool effect_generator_part_used(int n);
bool effect_figure_part_used(int n);
bool preset_programmed(int kind, int n);
// The preset's name field (value slot s, or the effect preset's figure part).
datafiles::EntryName& preset_name_field(int kind, int n);
std::string_view preset_name(int kind, int n);

// The class position (1-based, 0 none) of function record r within a value
// kind, from the record's preset roles.
uint8_t preset_class_position(int kind, int record);
// Channel mask of preset n of a kind (the loaded mask files' table).
uint32_t& preset_mask(int kind, int n);
// The effect mask bit (0..31) of generator parameter k (0..5) of a record of
// function class c (1..8), and of figure parameter k (0..9).
int effect_generator_mask_bit(int function_class, int k);
int effect_figure_mask_bit(int k);

// The routines that apply one stored entry: value slot 1..210 onto function
// record r; generator byte i (1..6 x records) of effect preset n; figure
// byte j (1..7000) of effect preset n. Entries not recorded, bytes above
// their parameter's limit and indexes out of range change nothing.
void apply_preset_to_function(int16_t slot, int16_t record);
void apply_effect_preset_generator(int16_t n, int16_t index);
void apply_effect_preset_figure(int16_t n, int16_t index);

// Recall of preset n (1..70) of a kind onto the selected fixtures through its
// channel mask; a preset not programmed gives the short low beep only.
void apply_value_preset(int kind, int16_t n);
void apply_effect_preset(int16_t n);

// The recall menu of one kind: open while its key is held, latched by a
// second press within 500 ms of the prompt; fixture keys 1..70 recall.
// Result: the key press that ended the menu, 0 when a release ended it or
// no fixture was selected.
int16_t recall_pantilt_preset();
int16_t recall_color_preset();
int16_t recall_gobo_preset();
int16_t recall_effect_preset();

// The right-hand area for a preset dialog: the value-table or analogue-fader
// view taken off, the sequence panel, and the kind's name table with the
// current preset's field marked.
void show_preset_table_panel(int kind);

// The close shared by the preset menus: the right-hand panel back in place of
// the name table, the fixture screen (or the point-cue panel on the cue
// screen), the menu flag cleared and the cue panel redrawn.
void close_preset_menu();

}  // namespace memories
