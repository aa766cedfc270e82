// Effect macros built in place for the macro tests, and readers of the
// programmer bytes they write.
//
// Demo rig facts used: SPOT16 fixtures 1-4, 7, 8 (first records 1, 17, 33,
// 49, 89, 105) carry PAN on channel 1, TILT on 3, IRIS on 11, FROST on 12,
// INTENSITY (the dimmer) on 14, pan/tilt mode 2 (swings halved); WASHCMY
// fixtures 5, 6 have INTENSITY on channel 11 and no IRIS; DIMMER fixtures
// 11, 12 are one dimmer channel without pan and tilt (records 145, 146).
// Orientation 0 (fixtures 1, 2) inverts pan; orientation 3 (fixture 4)
// inverts both and swaps pan and tilt.
#pragma once
#include <initializer_list>
#include <utility>

#include "datafiles/definition_files.h"
#include "programmer/fixture_functions.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"

namespace programmer_test {

// Blocks by their place in the record (0 DIMMER, 1 IRIS, ..., 34 FROST).
constexpr int kDimmerBlock = 0, kIrisBlock = 1, kFrostBlock = 34;
// Words of a function block and of the FIGURE block.
enum BlockWord : int { kCenter = 0, kSwingW, kSpeedW, kModeW, kDelayW, kShiftW, kWaitW };
enum FigureWord : int { kXCenter = 0, kYCenter, kXSwingW, kYSwingW, kFigSpeedW, kFigModeW, kFigDelayW = 9,
                        kFigShiftW, kFigWaitW };

using Words = std::initializer_list<std::pair<int, int>>;

// Macro m emptied (every word not set, nothing enabled).
inline datafiles::EffectMacro& clear_macro(int m) {
    datafiles::EffectMacro& macro = datafiles::effect_macro_table[static_cast<size_t>(m)];
    macro = {};
    macro.figure.fill(datafiles::kMacroNotSet);
    for (auto& block : macro.functions) block.fill(datafiles::kMacroNotSet);
    return macro;
}

// Block b of the macro with these words set, enabled as the file's line would.
inline void set_block(datafiles::EffectMacro& macro, int b, Words words) {
    for (const auto& [w, v] : words) macro.functions[static_cast<size_t>(b)][static_cast<size_t>(w)] = static_cast<uint16_t>(v);
    if (b < datafiles::kMacroFlagFunctions) {
        macro.line_flags = static_cast<uint16_t>(macro.line_flags | 1u << (b + 1));
    } else {
        macro.line_marks[static_cast<size_t>(b - datafiles::kMacroFlagFunctions)] = 1;
    }
    ++macro.defined_blocks;
}

inline void set_figure(datafiles::EffectMacro& macro, Words words) {
    for (const auto& [w, v] : words) macro.figure[static_cast<size_t>(w)] = static_cast<uint16_t>(v);
    macro.line_flags = static_cast<uint16_t>(macro.line_flags | datafiles::kMacroFigureLine);
    ++macro.defined_blocks;
}

inline int16_t record_of(int fixture, int channel) {
    return programmer::get_function_record_index(static_cast<int16_t>(fixture), static_cast<int16_t>(channel));
}
// Generator parameter k (1 SWING .. 6 WAIT) of a record.
inline uint8_t generator(int record, int k) {
    return runtime::programmer_generators[(record - 1) * static_cast<int>(runtime::kGeneratorBytesPerRecord) + k];
}
// Figure parameter k (1 X-SWING .. 10 WAIT) of a fixture.
inline uint8_t figure(int fixture, int k) { return runtime::programmer_figures[(fixture - 1) * 10 + k]; }

}  // namespace programmer_test
