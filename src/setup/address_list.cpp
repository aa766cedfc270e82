#include "setup/address_list.h"

#include "runtime/step_log.h"

namespace setup {

AddressPanel address_panel;

void reset_address_list_globals() { address_panel = {}; }

void init_address_panel(AddressPanel& panel) {
    const int16_t width = panel.patch_width;
    panel = AddressPanel{};
    panel.patch_width = width;
}

void compute_address_slots(AddressPanel&, AddressState&, LibraryList&) { runtime::log_call("setup::compute_address_slots"); }
void draw_address_increment(AddressPanel&) { runtime::log_call("setup::draw_address_increment"); }
void draw_scroll_list(AddressPanel&, AddressState&, LibraryList&) { runtime::log_call("setup::draw_scroll_list"); }
void change_address_increment(AddressPanel&, AddressState&, LibraryList&) {
    runtime::log_call("setup::change_address_increment");
}
void step_address_list_page(AddressPanel&, AddressState&, int16_t direction) {
    runtime::log_call("setup::step_address_list_page", {direction});
}
// Runs on every pass of the setup loop: records nothing, like the poll's jobs.
void track_address_pointer(AddressState&, AddressPanel&, LibraryList&, int16_t, int16_t, int16_t) {}
void select_previous_address_row(AddressPanel&, AddressState&, LibraryList&) {
    runtime::log_call("setup::select_previous_address_row");
}
void select_next_address_row(AddressPanel&, AddressState&, LibraryList&) {
    runtime::log_call("setup::select_next_address_row");
}
void select_previous_fixture_address(AddressPanel&, AddressState&, LibraryList&) {
    runtime::log_call("setup::select_previous_fixture_address");
}
void select_next_fixture_address(AddressPanel&, AddressState&, LibraryList&) {
    runtime::log_call("setup::select_next_fixture_address");
}
void enter_fixture_address(AddressPanel&, AddressState&, LibraryList&) { runtime::log_call("setup::enter_fixture_address"); }

}  // namespace setup
