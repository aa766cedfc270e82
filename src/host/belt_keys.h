// The 16 function belts for a person at the PC: with Alt held, a key of the
// upper row of a pair turns its belt up and the key below it turns it down;
// Shift makes one press eight steps. Belts 1-8 are 1..8 (up) over Q..I
// (down), belts 9-16 A..K (up) over Z..M and the comma (down).
//
// A turn moves the belt's position register on the console card and sets its
// state register to "moved", as the card's firmware does for a real belt;
// the position stops at 0 and 255.
#pragma once
#include <cstdint>

#include "platform/card_bus.h"

namespace host {

constexpr int kBeltFastSteps = 8;

enum class BeltBank : uint8_t { function, sequence };

struct BeltTurn {
    int belt = 0;   // 1..16 (sequence belts 1..12); 0 when the key is not a belt key
    int steps = 0;  // positive up, negative down
    BeltBank bank = BeltBank::function;
};

// The turn of a character typed with Alt (a shifted character turns fast).
BeltTurn belt_turn_of(char key);
// The turn of an unshifted key with Alt, made fast when Shift is held.
BeltTurn belt_turn_of(char key, bool shift);

// Turns the belt on the first card fitted (the card of the console surface).
// The PC keys turn function belts; the window's surface turns either bank.
void turn_console_belt(platform::CardBus& cards, const BeltTurn& turn);

}  // namespace host
