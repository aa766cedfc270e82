#include "setup/setup_exit.h"

#include <array>
#include <cstdio>

#include "programmer/fixture_pages.h"
#include "runtime/fixture_tables.h"
#include "runtime/lamp_commands.h"
#include "setup/patch_compiler.h"
#include "setup/rig_conversion.h"
#include "setup/setup_colours.h"
#include "setup/setup_save.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "ui/helpers.h"

namespace setup {

namespace {

constexpr uint32_t kFailure_ms = 1500;

void show_status(const char* text) { show_setup_status(text); }

bool save(SetupData& edited, AddressState& state, LibraryList& list) {
    show_status("SAVING SETUP...");
    renumber_fixtures_by_page(edited);
    SaveResult result;
    if (convert_show_data(edited, list)) result = save_edited_setup(edited, state, show_status);
    finish_show_conversion(result.saved);
    if (!result.saved) {
        show_status("SAVE FAILED");
        ui::beep(kSetupRefusalHz, kFailure_ms);
        return false;
    }
    runtime::load_reset_commands();
    // The main screen's pictures of the fixture pages and stage plans show
    // the old rig: they are drawn anew from the saved one.
    programmer::free_fixture_page_images();
    show_status("UPDATING DATA AND LIBRARIES...");
    reload_fixture_types();
    if (result.dropped_soft_entries != 0) {
        std::array<char, 48> text{};
        std::snprintf(text.data(), text.size(), "%d SOFT PATCH ENTRIES OUT OF RANGE DROPPED",
                      result.dropped_soft_entries);
        show_status(text.data());
        ui::beep(kSetupRefusalHz, kFailure_ms);
    }
    return true;
}

// The live rig's patch again: the soft patch as stored, not as the setup
// left it, since the discarded edits name the working copy's fixtures.
void discard(const AddressState& state) {
    load_soft_patch_list();
    compile_channel_patch(state);
    reset_channel_curves();
    runtime::load_reset_commands();
}

}  // namespace

bool finish_fixture_setup(SetupData& edited, AddressState& state, int16_t choice, LibraryList& list) {
    if (choice == kLeaveSave) {
        if (!save(edited, state, list)) return false;
    } else {
        discard(state);
    }
    runtime::init_wheel_last_values();
    reinit_runtime_after_setup();
    return true;
}

}  // namespace setup
