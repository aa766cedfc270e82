#include "ui/counters.h"

#include "runtime/step_log.h"

namespace ui {

void draw_free_counters() { runtime::log_call("ui::draw_free_counters"); }

}  // namespace ui
