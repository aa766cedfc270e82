// Cue selection and cue multiselect. (Least bodies until they are built.)
#pragma once
#include <cstdint>

namespace ui {

// "SELECT CUES TO MULTISELECT".
void multiselect_cues();
// A cue number typed while CUE is held: a cue key (mode 0) or a digit (mode 1).
void select_cue_by_number(int16_t number, uint8_t mode);

}  // namespace ui
