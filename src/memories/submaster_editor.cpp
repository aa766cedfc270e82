#include "memories/submaster_editor.h"

#include <algorithm>

#include "datafiles/group_files.h"
#include "memories/master_state.h"
#include "memories/masters.h"
#include "playback/output_merge.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace memories {

std::array<uint8_t, kSubmasterFixtures + 1> submaster_backup{};
std::array<uint8_t, programmer::kGroups + 1> parked_group_flags{};

void reset_submaster_editor_globals() {
    submaster_backup = {};
    parked_group_flags = {};
}

namespace {

// The title box in the memory panel's place.
constexpr int16_t kTitleOuter = 12, kTitleInner = 4, kTitleText = 15;
constexpr int16_t kSmallFont = 2, kSmallTextSize = 4;
constexpr int kGroupsPerBank = 16;

bool valid_submaster(int s) { return s >= 1 && s <= kSubmasters; }
size_t at(int n) { return static_cast<size_t>(n); }

int page() { return std::clamp<int>(runtime::fixture_page, 1, runtime::kFixturePages); }
int page_count() { return std::min<int>(runtime::fixture_bank_counts[at(page())], runtime::kFixtureKeys); }

// The fixture (1-based) on key k of the current page, 0 none.
int fixture_on_key(int k) {
    if (k < 1 || k > page_count()) return 0;
    const int f = runtime::fixture_bank_keys[at(page())][at(k)] + 1;
    return f >= 1 && f <= kSubmasterFixtures ? f : 0;
}

uint8_t& member(int s, int f) { return submaster_table[at(s)][at(f)]; }

bool is_fixture_key(int16_t key) { return key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70; }
bool is_group_key(int16_t key) { return key >= runtime::KEY_GROUP_1 && key <= runtime::KEY_GROUP_16; }
void choice_beep() { ui::beep(600, 50); }

void redraw_page_cells(int s, uint8_t normal) {
    for (int k = 1; k <= page_count(); ++k) {
        if (const int f = fixture_on_key(k); f != 0) draw_submaster_cell(static_cast<int16_t>(s), static_cast<int16_t>(f), normal);
    }
}

// The editing look of the page: the cells, and the keys above the page's
// fixtures dark.
void draw_editing_page(int s) {
    redraw_page_cells(s, 0);
    for (int k = page_count() + 1; k <= runtime::kFixtureKeys; ++k) runtime::set_key_led(runtime::fixture_key(k), runtime::LED_OFF);
}

void draw_title_box() {
    ui::fill_box(2, 282, 220, 314, kTitleOuter);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    ui::draw_text_button(12, 289, 210, 307, kTitleInner, "MASTER EDIT", kTitleText);
}

// The flash key LED of submaster s by its level and use.
void show_submaster_led(int s) {
    runtime::set_key_led(runtime::master_key(s + 2), master_led_state(static_cast<int16_t>(s + 2)));
}

// The LED of the key that shows group g in the current bank, when it does.
void set_group_led(int g, uint8_t state) {
    const int key = g - (runtime::group_bank - 1) * kGroupsPerBank + runtime::KEY_GROUP_1 - 1;
    if (is_group_key(static_cast<int16_t>(key))) runtime::set_key_led(static_cast<int16_t>(key), state);
}

bool in_group(int g, int f) { return programmer::group_table[at(g)][at(f)] != 0; }

// Groups lo..hi applied (join) or no longer applied (leave): their members
// join s, or leave it unless a group applied outside lo..hi holds them.
void apply_groups(int s, int lo, int hi, bool join) {
    for (int g = lo; g <= hi; ++g) {
        programmer::group_selected[at(g)] = join ? 1 : 0;
        set_group_led(g, join ? runtime::LED_ON_2 : runtime::LED_OFF);
    }
    const int fixtures = std::clamp<int>(setup::fixture_count, 0, kSubmasterFixtures);
    for (int f = 1; f <= fixtures; ++f) {
        bool in_range = false;
        for (int g = lo; g <= hi && !in_range; ++g) in_range = in_group(g, f);
        if (!in_range) continue;
        if (join) {
            member(s, f) = 1;
            continue;
        }
        bool kept = false;
        for (int g = 1; g <= programmer::kGroups && !kept; ++g) {
            kept = (g < lo || g > hi) && programmer::group_selected[at(g)] == 1 && in_group(g, f);
        }
        if (!kept) member(s, f) = 0;
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
    choice_beep();
    for (int k = 1; k <= page_count(); ++k) {
        if (const int f = fixture_on_key(k); f != 0) member(submaster, f) = join != 0 ? 1 : 0;
    }
    redraw_page_cells(submaster, 0);
    playback::mark_group_channels_dirty(submaster);
}

void edit_submaster_fixtures(int16_t submaster, int16_t key) {
    if (!valid_submaster(submaster)) return;
    if (key == runtime::KEY_ALL || key == runtime::KEY_NONE) {
        set_submaster_page(submaster, key == runtime::KEY_ALL ? 1 : 0);
        return;
    }
    const auto k = static_cast<int16_t>(std::min<int>(key, page_count()));
    for (;;) {
        int16_t next = 0;
        const bool press = runtime::get_key(&next);
        if (!is_fixture_key(next)) break;  // ends with no change
        const auto k2 = static_cast<int16_t>(std::min<int>(next, page_count()));
        if (press && next != key) {
            choice_beep();
            toggle_submaster_range(submaster, k, k2);
            break;
        }
        if (!press && next == key) {
            choice_beep();
            toggle_submaster_range(submaster, k, k);
            break;
        }
    }
    playback::mark_group_channels_dirty(submaster);
}

void edit_submaster_groups(int16_t submaster, int16_t key) {
    if (!valid_submaster(submaster)) return;
    if (key == runtime::KEY_GROUP_BANK) {
        programmer::toggle_group_bank();
        return;
    }
    if (!is_group_key(key)) return;
    const int g = programmer::group_of_key(key);
    for (;;) {
        int16_t next = 0;
        const bool press = runtime::get_key(&next);
        if (!is_group_key(next)) return;  // ends with no change
        if (!press && next == key) {
            choice_beep();
            apply_groups(submaster, g, g, programmer::group_selected[at(g)] != 1);
            break;
        }
        if (press && next != key) {
            const int g2 = programmer::group_of_key(next);
            const int lo = std::min(g, g2);
            const int hi = std::max(g, g2);
            choice_beep();
            bool all_applied = true;
            for (int h = lo; h <= hi; ++h) all_applied = all_applied && programmer::group_selected[at(h)] == 1;
            apply_groups(submaster, lo, hi, !all_applied);
            break;
        }
    }
    redraw_page_cells(submaster, 0);
    playback::mark_group_channels_dirty(submaster);
}

void begin_submaster_edit(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    master_led_locked[at(submaster + 2)] = 1;
    submaster_backup = submaster_table[at(submaster)];
}

void keep_submaster_edit(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    datafiles::save_submaster_file();
    update_submaster_used_flag(submaster);
    master_led_locked[at(submaster + 2)] = 0;
    apply_master_level(static_cast<int16_t>(submaster + 2));
}

void cancel_submaster_edit(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    playback::mark_group_channels_dirty(submaster);  // the fixtures leaving the cancelled membership
    submaster_table[at(submaster)] = submaster_backup;
    playback::mark_group_channels_dirty(submaster);  // and those coming back
    master_led_locked[at(submaster + 2)] = 0;
}

void edit_master(int16_t submaster) {
    if (!valid_submaster(submaster)) return;
    const int16_t flash_key = runtime::master_key(submaster + 2);
    const int other = kSubmasters + 1 - submaster;

    // The programmer's group selection is parked: during the editor a lit
    // group key marks a group applied to the submaster.
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    begin_submaster_edit(submaster);
    parked_group_flags = programmer::group_selected;
    programmer::group_selected.fill(0);
    programmer::update_group_leds();
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) programmer::set_fixture_page(runtime::fixture_page);

    draw_title_box();
    show_submaster_led(other);
    ui::show_message("PROGRAM SUBMASTER (ESC=CANCEL)");
    ui::beep_interruptible(800, 100);
    runtime::wait_key_release(flash_key);
    select_master(static_cast<int16_t>(submaster + 2));
    draw_editing_page(submaster);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);

    int16_t shown_page = runtime::fixture_page;
    bool cancelled = false;
    // The flash key held again keeps the changes (the key reader gives the
    // flash keys to the masters, not as key presses).
    while (runtime::key_down_table[at(flash_key)] == 0) {
        runtime::set_key_led(flash_key, runtime::LED_ON_BOTH);
        runtime::run_background();
        if (runtime::fixture_page != shown_page) {
            shown_page = runtime::fixture_page;
            draw_editing_page(submaster);
        }
        if (!runtime::is_input_pending()) continue;
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_ESC) {
            cancel_submaster_edit(submaster);
            cancelled = true;
            break;
        }
        if ((is_fixture_key(key) && key <= page_count()) || key == runtime::KEY_ALL || key == runtime::KEY_NONE) {
            edit_submaster_fixtures(submaster, key);
        } else if (is_group_key(key) || key == runtime::KEY_GROUP_BANK) {
            edit_submaster_groups(submaster, key);
        } else if (key == runtime::KEY_BANK_DOWN || key == runtime::KEY_BANK_UP) {
            const bool cue_screen = (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0;
            const int step = key == runtime::KEY_BANK_UP ? 1 : -1;
            const int next = runtime::fixture_page + step;
            if (cue_screen) {
                programmer::set_fixture_page(runtime::fixture_page);
            } else if (next >= 1 && next <= runtime::kFixturePages) {
                programmer::set_fixture_page(static_cast<int16_t>(next));
            }
            shown_page = runtime::fixture_page;
            draw_editing_page(submaster);
        }
    }

    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    redraw_page_cells(submaster, 1);
    if (!cancelled) {
        keep_submaster_edit(submaster);
        ui::beep_interruptible(800, 100);
    }
    show_submaster_led(submaster);
    programmer::group_selected = parked_group_flags;
    programmer::update_group_leds();
    master_led_locked[at(submaster + 2)] = 0;
    ui::redraw_cue_panel();
}

}  // namespace memories
