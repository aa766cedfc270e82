#include "programmer/predefined_pickers.h"

#include "runtime/key_reader.h"
#include "runtime/step_log.h"

namespace programmer {

namespace {

// The next key press, as the picker's ending key.
int16_t next_key_press() {
    for (;;) {
        int16_t key = 0;
        if (runtime::get_key(&key)) return key;
    }
}

}  // namespace

int16_t run_subfunction_picker(int16_t& latch) {
    runtime::log_call("programmer::run_subfunction_picker", {latch});
    return next_key_press();
}

int16_t run_generator_picker(int16_t& latch) {
    runtime::log_call("programmer::run_generator_picker", {latch});
    return next_key_press();
}

int16_t run_figure_picker(int16_t& latch) {
    runtime::log_call("programmer::run_figure_picker", {latch});
    return next_key_press();
}

void frame_picker_cell(int16_t column, int16_t row, int16_t colour) {
    runtime::log_call("programmer::frame_picker_cell", {column, row, colour});
}

void draw_picker_cell_number(int16_t key, int16_t colour) {
    runtime::log_call("programmer::draw_picker_cell_number", {key, colour});
}

}  // namespace programmer
