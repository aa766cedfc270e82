#include "setup/fixture_editing.h"

#include "runtime/step_log.h"

namespace setup {

void add_fixture(SetupData&, AddressState&, LibraryList&, AddressPanel&) { runtime::log_call("setup::add_fixture"); }
void kill_fixture(SetupData&, AddressState&, LibraryList&, AddressPanel&) { runtime::log_call("setup::kill_fixture"); }
void pick_stage_fixture(SetupData&, AddressState&, LibraryList&, AddressPanel&) {
    runtime::log_call("setup::pick_stage_fixture");
}
void renumber_fixture(SetupData&, AddressState&, AddressPanel&, LibraryList&) { runtime::log_call("setup::renumber_fixture"); }
void check_overlapping_addresses(SetupData&, AddressState&, LibraryList&, AddressPanel&) {
    runtime::log_call("setup::check_overlapping_addresses");
}
void run_patch_menu(SetupData&, AddressState&, AddressPanel&, LibraryList&) { runtime::log_call("setup::run_patch_menu"); }
void run_link_menu(SetupData&, AddressState&, LibraryList&, AddressPanel&) { runtime::log_call("setup::run_link_menu"); }
void redraw_page_fixture_keys(SetupData&) { runtime::log_call("setup::redraw_page_fixture_keys"); }
// Drawn 70 times for an empty page: records nothing.
void draw_page_fixture_key(int16_t, int16_t) {}

}  // namespace setup
