// The playback wing's LCD lines and bank, and the transparent modes in force
// whose key LEDs the wing watch refreshes.
#pragma once
#include <array>
#include <cstdint>

namespace playback {

constexpr int kWingLcdLines = 32;
constexpr int kWingLcdTextBytes = 21;  // 20 characters and the terminator

// Wing LCD lines 1..32 (index 0 unused): line n belongs to playback n + 10.
inline std::array<std::array<char, kWingLcdTextBytes>, kWingLcdLines + 1> wing_lcd_texts{};
// 0 shows lines 1..16, 1 shows lines 17..32.
inline uint8_t wing_bank = 0;

// Transparency in force for playbacks and sequences: 0 OFF, 1 ON, 2 DEFAULT.
inline uint8_t playback_transparent_mode = 0;
inline uint8_t sequence_transparent_mode = 0;

// Shows bank 0 or 1 on the wing LCDs (KEY_WING_BANK_1 and _2 light the bank shown);
// nothing happens when that bank is shown already.
void select_wing_lcd_bank(uint8_t bank);

}  // namespace playback
