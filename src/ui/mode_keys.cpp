#include "ui/mode_keys.h"

#include "runtime/step_log.h"

namespace ui {

uint32_t cue_key_last_press = 0;

void toggle_blind_mode() { runtime::log_call("ui::toggle_blind_mode"); }

}  // namespace ui
