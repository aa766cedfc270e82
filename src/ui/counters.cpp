#include "ui/counters.h"

#include "runtime/step_log.h"

namespace ui {

void draw_free_counters() { runtime::log_call("ui::draw_free_counters"); }
void draw_cue_page_title(int16_t colour) { runtime::log_call("ui::draw_cue_page_title", {colour}); }

}  // namespace ui
