#include "setup/library_browser.h"

#include "runtime/step_log.h"

namespace setup {

void load_fixture_libraries(LibraryList&) { runtime::log_call("setup::load_fixture_libraries"); }
void draw_manufacturer_list(LibraryList&) { runtime::log_call("setup::draw_manufacturer_list"); }
void draw_library_list(LibraryList&) { runtime::log_call("setup::draw_library_list"); }
void draw_library_functions(LibraryList&) { runtime::log_call("setup::draw_library_functions"); }
void draw_function_patch_cells(LibraryList&) { runtime::log_call("setup::draw_function_patch_cells"); }
void draw_function_patch_grid() { runtime::log_call("setup::draw_function_patch_grid"); }
void select_manufacturer_at_pointer(LibraryList&) { runtime::log_call("setup::select_manufacturer_at_pointer"); }
void scroll_manufacturer_list(LibraryList&, int16_t direction) {
    runtime::log_call("setup::scroll_manufacturer_list", {direction});
}
void select_library(LibraryList&, SetupData&, AddressState&, AddressPanel&) { runtime::log_call("setup::select_library"); }
void scroll_library_list(LibraryList&, int16_t direction) { runtime::log_call("setup::scroll_library_list", {direction}); }
void edit_function_patching(LibraryList&, SetupData&) { runtime::log_call("setup::edit_function_patching"); }
void choose_colour_library(SetupData&) { runtime::log_call("setup::choose_colour_library"); }
void scroll_upload_file_list(int16_t direction) { runtime::log_call("setup::scroll_upload_file_list", {direction}); }
void run_fixture_upload() { runtime::log_call("setup::run_fixture_upload"); }
void free_upload_text_rows() { runtime::log_call("setup::free_upload_text_rows"); }

}  // namespace setup
