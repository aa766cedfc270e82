#include "programmer/fixture_pages.h"

#include "runtime/console_state.h"
#include "runtime/step_log.h"

namespace programmer {

void set_fixture_page(int16_t page) {
    runtime::log_call("programmer::set_fixture_page", {page});
    runtime::fixture_page = page;
    runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
}

void draw_fixture_screen() { runtime::log_call("programmer::draw_fixture_screen"); }
void redraw_fixture_panel() { runtime::log_call("programmer::redraw_fixture_panel"); }
void paint_fixture_cell(int16_t fixture, int16_t mode) {
    runtime::log_call("programmer::paint_fixture_cell", {fixture, mode});
}
void run_default_values_screen() { runtime::log_call("programmer::run_default_values_screen"); }

}  // namespace programmer
