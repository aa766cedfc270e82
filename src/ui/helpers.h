// Drawing, text and sound helpers that every subsystem calls.
#pragma once
#include <cstdint>

namespace ui {

// A tone of freq_hz for duration_ms, as a plain delay that polls nothing;
// silent (but just as long) when the configuration record's beeper is off.
void beep(int freq_hz, uint32_t duration_ms);

}  // namespace ui
