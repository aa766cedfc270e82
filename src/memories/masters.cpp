#include "memories/masters.h"

#include <algorithm>

#include "memories/commands.h"
#include "memories/master_state.h"
#include "memories/submaster_cells.h"
#include "playback/output_merge.h"
#include "programmer/programmer_jobs.h"
#include "programmer/slave_consoles.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/dmx_inputs.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"

namespace memories {

namespace {

constexpr int16_t kLastDmxInStart = 496;
// AUTO (0) or MANUAL of the slave consoles' masters: the second of the three link bytes.
constexpr size_t kMastersLinkMode = setup::kSetupAutoManual + 1;
constexpr int16_t kDarkBelow = 6;
constexpr int16_t kFullFrom = 246;
constexpr uint8_t LED_OFF = 0, LED_FULL = 1, LED_LIT = 2;
constexpr int16_t kFrameSelected = 15;
constexpr int16_t kFrameNormal = 14;
constexpr int16_t kHighlightCode = 14;
constexpr int16_t kNormalCode = 7;

size_t at(int n) { return static_cast<size_t>(n); }

bool flash_key_down(int master) { return runtime::key_down_table[at(runtime::master_key(master))] != 0; }

bool dmx_in_drives_masters() {
    return setup::dmx_in1_enabled == 1 && setup::dmx_in1_start >= 1 && setup::dmx_in1_start <= kLastDmxInStart;
}

int16_t polled_level(int master) {
    if (master_timecode_flash[at(master)] == 1) return kMasterFull;
    if (flash_key_down(master) && (runtime::run_flags & runtime::RUN_MASTER_KEYS_TAKEN) == 0) return kMasterFull;
    int16_t level = runtime::hw_option_flags.analogue_masters != 0
                        ? static_cast<int16_t>(runtime::read_master_fader(static_cast<int16_t>(master)))
                        : std::clamp<int16_t>(master_set_levels[at(master)], 0, kMasterFull);
    if (dmx_in_drives_masters()) {
        const auto external = static_cast<int16_t>(runtime::read_dmx_in_master_level(static_cast<int16_t>(master)));
        level = std::max(level, external);
    }
    return level;
}

}  // namespace

uint8_t master_led_state(int16_t master) {
    if (master < 1 || master > kMasters) return LED_OFF;
    const int16_t level = master_levels[at(master)];
    const bool unused_sub = master >= kFirstSubmasterMaster && submaster_used[at(master - 2)] == 0;
    if (level < kDarkBelow || unused_sub) return LED_OFF;
    if (level < kFullFrom && !flash_key_down(master)) return LED_LIT;
    return LED_FULL;
}

bool in_submaster(int16_t submaster, int16_t fixture) {
    if (submaster < 1 || submaster > kSubmasters || fixture < 1 || fixture > kSubmasterFixtures) return false;
    return submaster_table[at(submaster)][at(fixture)] != 0;
}

void update_masters(uint8_t force) {
    for (int m = 1; m <= kMasters; ++m) {
        const int16_t level = polled_level(m);
        if (level == master_levels[at(m)] && force != 1) continue;
        master_levels[at(m)] = level;
        apply_master_level(static_cast<int16_t>(m));
    }
}

void apply_master_level(int16_t master) {
    if (master < 1 || master > kMasters) return;
    const uint8_t selected = selected_master;
    selected_master = static_cast<uint8_t>(master);
    update_master_leds();
    selected_master = selected;
}

void update_master_leds() {
    const int s = std::clamp<int>(selected_master, 1, kMasters);
    const int16_t level = master_levels[at(s)];
    if (master_led_locked[at(s)] != 1) runtime::set_key_led(runtime::master_key(s), master_led_state(static_cast<int16_t>(s)));
    ui::FaderWidget& widget = ui::master_fader_widgets[at(s)];
    const int16_t bar = ui::scale_to_113(level);
    if (ui::get_fader_widget_level(widget) != bar) ui::set_fader_widget_level(widget, bar);
    if (programmer::slave_consoles != 0 && setup::setup_data.u8(kMastersLinkMode) == 0) {
        programmer::send_slave_control(static_cast<int16_t>(s), static_cast<uint8_t>(std::clamp<int>(level, 0, 255)));
    }
    if (s == kGrandMaster) {
        playback::mark_dimmer_channels_dirty();
    } else if (s >= kFirstSubmasterMaster) {
        playback::mark_group_channels_dirty(static_cast<int16_t>(s - 2));
    }
}

void highlight_selected_master(int16_t colour) {
    const int s = std::clamp<int>(selected_master, 1, kMasters);
    ui::set_fader_widget_frame_colour(ui::master_fader_widgets[at(s)],
                                      colour == kHighlightCode ? kFrameSelected : kFrameNormal);
}

void select_master(int16_t master) {
    highlight_selected_master(kNormalCode);
    selected_master = static_cast<uint8_t>(std::clamp<int>(master, 1, kMasters));
    highlight_selected_master(kHighlightCode);
}

void select_next_master() { select_master(static_cast<int16_t>(selected_master + 1)); }

void select_previous_master() { select_master(static_cast<int16_t>(selected_master - 1)); }

void apply_trackerball_to_master() {
    if (runtime::mouse_x == 0 && runtime::mouse_y == 0) return;
    if (runtime::hw_option_flags.analogue_masters != 0) return;
    const int s = std::clamp<int>(selected_master, 1, kMasters);
    master_set_levels[at(s)] = static_cast<int16_t>(std::clamp(master_set_levels[at(s)] - runtime::mouse_y, 0, 255));
}

void update_submaster_used_flag(int16_t submaster) {
    if (submaster < 1 || submaster > kSubmasters) return;
    const int fixtures = std::clamp<int>(setup::fixture_count, 0, kSubmasterFixtures);
    uint8_t used = 0;
    for (int f = 1; f <= fixtures && used == 0; ++f) used = submaster_table[at(submaster)][at(f)] != 0 ? 1 : 0;
    submaster_used[at(submaster)] = used;
}

void init_submasters() {
    update_submaster_used_flag(1);
    update_submaster_used_flag(2);
}

}  // namespace memories
