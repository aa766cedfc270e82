// PLAY on the timecode screen: the prompt, the source started and the play
// loop until STOP, an END event, the CD's end or a list-open request; with the
// MANUAL source the operator steps the list with LAST and NEXT.
#pragma once
#include <cstdint>

namespace synchro {

// autoplay is 1 for the open-list request (key 250), 0 for the PLAY key.
// The table editor's cursor (event, row, column) follows the player. Always true.
bool run_timecode_play(int16_t& cursor, int16_t& row, int16_t& column, uint8_t autoplay);
// The loop that keeps the console running while the list plays. Always true.
bool run_timecode_play_loop(int16_t& cursor, int16_t& row, int16_t& column);

}  // namespace synchro
