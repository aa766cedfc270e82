// The ten playback faders of the console for a person at the PC: Ctrl with a
// digit moves a fader up by an eighth of its travel (1 is fader 1, 0 is fader
// 10), Ctrl and Shift with the digit moves it down. The fader's byte on the
// console card changes as a hand on the fader would change it; the console
// reads it with its next fader scan.
#pragma once
#include "platform/card_bus.h"

namespace host {

constexpr int kConsolePlaybackFaders = 10;
constexpr int kFaderKeyStep = 32;  // 8 presses from 0 to full

struct FaderMove {
    int playback = 0;  // 1..10; 0 when the key is not a fader key
    int change = 0;    // raw steps, positive up
};

// The move of a digit typed with Ctrl (Shift held: down).
FaderMove fader_move_of(char key, bool shift);

// Moves the fader on the first card fitted (the card of the console surface);
// the byte stops at 0 and 255. The new raw byte, or -1 when nothing moved.
int move_console_playback_fader(platform::CardBus& cards, const FaderMove& move);

}  // namespace host
