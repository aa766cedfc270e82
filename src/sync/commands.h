// The timecode screen as its keys open it. (Least body until synchronisation
// is built.)
#pragma once
#include <cstdint>

namespace synchro {

// 211 PLAY, 212 REC, 214 EDIT, 215 mode.
void run_timecode_screen(int16_t key);

}  // namespace synchro
