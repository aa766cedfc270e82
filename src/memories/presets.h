// The preset tables of the show, unpacked (index 0 unused everywhere).
//
// Value presets 1..420: one u16 per function record 1..2048 (element 0
// unused), 65535 = not set. Effect presets 1..70: the generator part, six
// bytes per function record (SWING, SPEED, MODE, DELAY, SHIFT, WAIT; record r
// at (r - 1) * 6), and the figure part, ten bytes per fixture 1..700 (X-SWING,
// Y-SWING, SPEED, MODE, FIGURE1, FIGURE2, ROTATE, DELAY, SHIFT, WAIT; fixture
// f at (f - 1) * 10); 255 = not set. A null table is an empty preset.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

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

// Name and place on file of each entry 1..560 of the preset file.
inline std::array<datafiles::MemoryIndexEntry, kPresetEntries + 1> preset_index{};
// 1 = stored, per entry 1..560: value presets, then generator parts, then figure parts.
inline std::array<uint8_t, kPresetEntries + 1> preset_used_tables{};

// Every global of this module back to its value at program load (a clean start for each test).
inline void reset_presets_globals() {
    preset_index = {};  // the tables are the preset file's: reset_preset_file_globals frees them
    preset_used_tables = {};
}

}  // namespace memories
