#include "ui/mode_keys.h"

namespace ui {

uint32_t cue_key_last_press = 0;

void reset_mode_keys_globals() {
    cue_key_last_press = 0;
}

void toggle_blind_mode() {}

}  // namespace ui
