#include "memories/memory_editors.h"
#include "memories/cue_memories.h"

#include "memories/memories.h"
#include "playback/commands.h"
#include "playback/cue_editing.h"
#include "playback/cue_names.h"
#include "playback/cue_picker.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "programmer/fixture_pages.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace memories {

void show_memory_cue_status(int16_t page, int16_t cue, int16_t point) {
    playback::draw_cue_position_status(page, cue, point);
}
uint8_t ask_cue_name() { return setup::setup_data.u8(setup::kSetupAskCueName); }

namespace {

constexpr int16_t kStoreMode = 1;
constexpr uint8_t kFixtureScreenPanel = 3;

bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }

// The programmer into the point cue's memory, then its name when the show
// asks for names and the cue has none yet.
void store_into_picked_cue(const playback::CuePosition& at) {
    pack_cue_work_buffer();
    playback::program_pointcue(1, at.cue, at.point, at.page);
    const int slot = playback::cue_slot_of(at.page, at.cue, at.point);
    if (playback::cue_header_table[static_cast<size_t>(slot)].programmed == 1 && ask_cue_name() == 1 &&
        playback::cue_slot_name(slot).empty()) {
        playback::edit_cue_name(at.cue, at.point, at.page);
    }
    if (at.page == runtime::cue_screen_page) {
        uint8_t led = runtime::LED_OFF;
        if (at.page == playback::current_cue_page && at.cue == playback::current_cue) led = runtime::LED_ON_2;
        else if (playback::cue_header_table[static_cast<size_t>(slot)].programmed == 1) led = runtime::LED_ON;
        runtime::set_key_led(runtime::fixture_key(at.cue), led);
    }
}

void get_from_picked_cue(const playback::CuePosition& at) {
    recall_cue_memory(at.cue, at.point, at.page);
    if (cue_screen_shown()) programmer::set_fixture_page(runtime::fixture_page);
    ui::set_panel_mode(kFixtureScreenPanel);
    if ((runtime::option_flags & runtime::OPT_CUE_PANEL) != 0) {
        ui::draw_current_memory_label(current_memory, programmer_cue_page, programmer_cue_number, programmer_cue_point,
                                      programmer_cue_memory);
    }
}

}  // namespace

void pick_cue_dialog(int16_t mode) {
    const bool store = mode == kStoreMode;
    const playback::CuePick pick = playback::run_cue_picker(
        {store ? "TO" : "GET", store ? "GIVE DESTINATION CUE" : "GIVE CUE TO GET"});
    if (pick.entered) {
        if (store) store_into_picked_cue(pick.position);
        else get_from_picked_cue(pick.position);
    }
    runtime::set_key_led(runtime::KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF);
    for (int d = 0; d <= 9; ++d) runtime::set_key_led(runtime::digit_key(d), runtime::LED_OFF);
    for (const int16_t key : {runtime::KEY_POINT, runtime::KEY_ESC, runtime::KEY_ENTER}) {
        runtime::set_key_led(key, runtime::LED_OFF);
    }
    playback::update_point_cue_leds();
}

}  // namespace memories
