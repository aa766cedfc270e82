#include "ui/cue_selection.h"

#include "runtime/step_log.h"

namespace ui {

void multiselect_cues() { runtime::log_call("ui::multiselect_cues"); }
void select_cue_by_number(int16_t number, uint8_t mode) { runtime::log_call("ui::select_cue_by_number", {number, mode}); }

}  // namespace ui
