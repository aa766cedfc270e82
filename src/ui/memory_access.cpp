#include "ui/memory_access.h"

#include "runtime/step_log.h"

namespace ui {

uint8_t status_level = 0;
int16_t status_percent = 0;

void reset_memory_access_globals() {
    status_level = 0;
    status_percent = 0;
}

void check_memory_record(int16_t memory) { runtime::log_call("ui::check_memory_record", {memory}); }

}  // namespace ui
