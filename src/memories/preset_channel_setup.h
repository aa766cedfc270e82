// The preset channel setup: which channel classes a recall of each preset of
// one kind applies (the kind's 70 channel masks). Presets are selected on the
// fixture keys (a key, or two keys for a range), classes switched on the 16
// fader-select keys and shown on the faders and in a table of 35 presets by
// 16 classes. The kind's key keeps the edited masks and writes the kind's
// mask file; ESC drops them.
#pragma once
#include <array>
#include <cstdint>

namespace memories {

constexpr int kPresetClassesMax = 32;

// The visible classes of a kind: name and the mask bits they switch.
struct PresetClass {
    const char* name;
    uint8_t first_bit;
    uint8_t bits;
};
// Classes of kind 1..4 (3, 7, 15 and 32 of them).
int preset_class_count(int kind);
const PresetClass& preset_class(int kind, int k);

// The setup's state while it runs (1-based; index 0 unused).
extern std::array<uint32_t, 71> preset_mask_work;
extern std::array<uint8_t, 71> preset_select_flags;
extern std::array<uint8_t, kPresetClassesMax + 1> preset_class_flags;
// The preset whose classes the faders show, 0 none.
extern int16_t preset_channel_shown;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_preset_channel_setup_globals();

// Class flags 1..count of one mask: a class is on when the lowest of its bits is set.
void decode_preset_channel_mask(int kind, uint32_t mask, std::array<uint8_t, kPresetClassesMax + 1>& flags);
// Sets or clears every bit of class k in mask, by flag k.
void apply_preset_channel_flag(int kind, int k, const std::array<uint8_t, kPresetClassesMax + 1>& flags, uint32_t& mask);

// The faders of the shown function page as the kind's classes; the class count.
int build_preset_channel_faders(int kind);
void set_preset_channel_fader_colour(int kind, int k, int16_t colour);
void draw_preset_channel_cell(int kind, int n, int column, bool on);
void draw_preset_channel_table(int kind, const std::array<uint32_t, 71>& masks);
void show_preset_channel_panel(int panel, int kind, const std::array<uint32_t, 71>& masks);

}  // namespace memories
