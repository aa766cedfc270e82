#include "memories/memory_editors.h"

#include "runtime/step_log.h"

namespace memories {

void show_memory_cue_status(int16_t page, int16_t cue, int16_t point) {
    runtime::log_call("memories::show_memory_cue_status", {page, cue, point});
}
void recall_cue_memory(int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("memories::recall_cue_memory", {cue, point, page});
}
void pack_cue_work_buffer() { runtime::log_call("memories::pack_cue_work_buffer"); }
void store_into_cue_memory() { runtime::log_call("memories::store_into_cue_memory"); }
void pick_cue_dialog(int16_t mode) { runtime::log_call("memories::pick_cue_dialog", {mode}); }

}  // namespace memories
