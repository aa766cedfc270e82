#include "memories/submaster_editor.h"

#include <algorithm>

#include "datafiles/group_files.h"
#include "memories/master_state.h"
#include "memories/masters.h"
#include "playback/output_merge.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace memories {

std::array<uint8_t, kSubmasterFixtures + 1> submaster_backup{};

void reset_submaster_editor_globals() { submaster_backup = {}; }

namespace {

bool valid_submaster(int s) { return s >= 1 && s <= kSubmasters; }

int page() { return std::clamp<int>(runtime::fixture_page, 1, runtime::kFixturePages); }
int page_count() { return std::min<int>(runtime::fixture_bank_counts[static_cast<size_t>(page())], runtime::kFixtureKeys); }

// The fixture (1-based) on key k of the current page, 0 none.
int fixture_on_key(int k) {
    if (k < 1 || k > page_count()) return 0;
    const int f = runtime::fixture_bank_keys[static_cast<size_t>(page())][static_cast<size_t>(k)] + 1;
    return f >= 1 && f <= kSubmasterFixtures ? f : 0;
}

uint8_t& member(int s, int f) { return submaster_table[static_cast<size_t>(s)][static_cast<size_t>(f)]; }

void redraw_page_cells(int s, uint8_t normal) {
    for (int k = 1; k <= page_count(); ++k) {
        if (const int f = fixture_on_key(k); f != 0) draw_submaster_cell(static_cast<int16_t>(s), static_cast<int16_t>(f), normal);
    }
}

}  // namespace

void toggle_submaster_range(int16_t submaster, int16_t first_key, int16_t last_key) {
    if (!valid_submaster(submaster) || page_count() == 0) return;
    const int lo = std::clamp<int>(std::min(first_key, last_key), 1, page_count());
    const int hi = std::clamp<int>(std::max(first_key, last_key), 1, page_count());
    bool all = true;
    for (int k = lo; k <= hi; ++k) {
        if (const int f = fixture_on_key(k); f != 0 && member(submaster, f) == 0) all = false;
    }
    for (int k = lo; k <= hi; ++k) {
        if (const int f = fixture_on_key(k); f != 0) {
            member(submaster, f) = all ? 0 : 1;
            draw_submaster_cell(submaster, static_cast<int16_t>(f), 0);
        }
    }
    playback::mark_group_channels_dirty(submaster);
}

void set_submaster_page(int16_t submaster, uint8_t join) {
    if (!valid_submaster(submaster)) return;
    ui::beep(600, 50);
    for (int k = 1; k <= page_count(); ++k) {
        if (const int f = fixture_on_key(k); f != 0) member(submaster, f) = join != 0 ? 1 : 0;
    }
    redraw_page_cells(submaster, 0);
    playback::mark_group_channels_dirty(submaster);
}

void begin_submaster_edit(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    master_led_locked[static_cast<size_t>(submaster + 2)] = 1;
    submaster_backup = submaster_table[static_cast<size_t>(submaster)];
}

void keep_submaster_edit(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    datafiles::save_submaster_file();
    update_submaster_used_flag(submaster);
    master_led_locked[static_cast<size_t>(submaster + 2)] = 0;
    apply_master_level(static_cast<int16_t>(submaster + 2));
}

void cancel_submaster_edit(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    playback::mark_group_channels_dirty(submaster);  // the fixtures leaving the cancelled membership
    submaster_table[static_cast<size_t>(submaster)] = submaster_backup;
    playback::mark_group_channels_dirty(submaster);  // and those coming back
    master_led_locked[static_cast<size_t>(submaster + 2)] = 0;
}

void edit_master(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    const int16_t flash_key = runtime::master_key(submaster + 2);
    begin_submaster_edit(submaster);
    ui::show_message("PROGRAM SUBMASTER (ESC=CANCEL)");
    ui::beep_interruptible(800, 100);
    runtime::wait_key_release(flash_key);
    redraw_page_cells(submaster, 0);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(flash_key, runtime::LED_ON_BOTH);
    bool cancelled = false;
    int16_t held_fixture_key = 0;
    for (;;) {
        int16_t key = 0;
        const bool press = runtime::get_key(&key);
        if (press && key == flash_key) break;
        if (press && key == runtime::KEY_ESC) {
            cancelled = true;
            break;
        }
        if (key == runtime::KEY_ALL || key == runtime::KEY_NONE) {
            if (press) set_submaster_page(submaster, key == runtime::KEY_ALL ? 1 : 0);
            continue;
        }
        if (key < runtime::KEY_FIXTURE_1 || key > runtime::KEY_FIXTURE_1 + runtime::kFixtureKeys - 1) continue;
        const auto k = static_cast<int16_t>(std::min<int>(key, page_count()));
        if (press && held_fixture_key == 0) {
            held_fixture_key = k;
        } else if (press) {
            ui::beep(600, 50);
            toggle_submaster_range(submaster, held_fixture_key, k);
            held_fixture_key = -1;  // the range is done: the releases do nothing more
        } else if (held_fixture_key == k) {
            ui::beep(600, 50);
            toggle_submaster_range(submaster, k, k);
            held_fixture_key = 0;
        } else if (held_fixture_key == -1) {
            held_fixture_key = 0;
        }
    }
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    redraw_page_cells(submaster, 1);
    if (cancelled) {
        cancel_submaster_edit(submaster);
    } else {
        keep_submaster_edit(submaster);
        ui::beep_interruptible(800, 100);
    }
}

}  // namespace memories
