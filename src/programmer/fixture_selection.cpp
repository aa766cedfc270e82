#include "programmer/fixture_selection.h"

#include <algorithm>
#include <bit>

#include "playback/output_merge.h"
#include "playback/playback_jobs.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/function_belts.h"
#include "programmer/function_timings.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "ui/helpers.h"
#include "ui/panel_modes.h"
#include "ui/value_table.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> saved_selection{};
std::array<uint8_t, kFixtures + 1> fixture_freeze{};
std::array<uint8_t, setup::kMaxFixtureTypes + 1> remembered_page{};
std::array<uint8_t, setup::kMaxFixtureTypes + 1> remembered_fader{};

void reset_fixture_selection_globals() {
    saved_selection = {};
    fixture_freeze = {};
    remembered_page = {};
    remembered_fader = {};
}

namespace {

constexpr int kFadersPerPage = 16;
constexpr int kFigureFaders = 10;
constexpr int kGeneratorFaders = 7;
constexpr int kMacroFaders = 7;
constexpr int kFirstTimeFader = 2;
constexpr int32_t kErrorTone_hz = 400;
constexpr uint32_t kErrorTone_ms = 800;
constexpr uint8_t kHighlight = 14;

bool patched(int n) { return n >= 1 && n <= setup::fixture_count && n <= kFixtures; }

int16_t fixture_type_index(int16_t fixture) {
    const int record = runtime::fixture_channel_record(fixture, 1);
    if (record == 0 || runtime::function_record_table == nullptr) return -1;
    return runtime::function_record_table[record].type;
}

// The patch index on key k of page p, 0 when the key holds none.
int16_t fixture_on_key(int page, int key) {
    if (page < 1 || page > runtime::kFixturePages) return 0;
    if (key < 1 || key > runtime::fixture_bank_counts[page] || key > runtime::kFixtureKeys) return 0;
    const int n = runtime::fixture_bank_keys[page][key] + 1;
    return patched(n) ? static_cast<int16_t>(n) : 0;
}

bool any_selected() {
    for (int n = 1; n <= setup::fixture_count && n <= kFixtures; ++n) {
        if (fixture_selected[n] == 1) return true;
    }
    return false;
}

// One pass of the search for a new current fixture on page p.
int16_t search_page(int page) {
    const int count = page >= 1 && page <= runtime::kFixturePages ? runtime::fixture_bank_counts[page] : 0;
    for (int key = count; key >= 1; --key) {
        const int16_t n = fixture_on_key(page, key);
        if (n != 0 && fixture_selected[n] == 1 && fixture_type_index(n) == runtime::current_fixture_type) return n;
    }
    for (int key = count; key >= 1; --key) {
        const int16_t n = fixture_on_key(page, key);
        if (n != 0 && fixture_selected[n] == 1) return n;
    }
    return 0;
}

bool has_pan_and_tilt(const setup::FixtureTypeDef* type) {
    return type != nullptr && type->named(setup::NamedFunction::pan) != 0 &&
           type->named(setup::NamedFunction::tilt) != 0;
}

// Whether the shown value table still fits a newly edited type, so that it
// need not be opened again: its channel page is the function page (or the
// bank shows no channel columns), and the cue screen is shown, or the bank
// stayed the same and, in the generator bank, the table's function maps to
// the newly selected one.
bool table_still_fits(int16_t flag, int16_t old_bank, int16_t type_index) {
    const int16_t bank = runtime::fader_bank;
    const auto channel_page = static_cast<int>((runtime::mode_flags & runtime::MODE_CHANNEL_PAGE) >>
                                               std::countr_zero(runtime::MODE_CHANNEL_PAGE));
    if (channel_page != runtime::function_page && bank == kChannelBank) return false;
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) return true;
    if (flag != 0 || bank != old_bank) return false;
    if (bank != kGeneratorBank) return true;
    const int table_type = ui::table_fixture_type + 1;
    const int function = ui::table_function;
    if (table_type < 1 || table_type > runtime::kTypes || function < 1 || function > runtime::kTypeChannels) return false;
    const int selected = runtime::function_page * kFadersPerPage + runtime::selected_fader_bank0 - kFadersPerPage;
    return runtime::type_function_map[static_cast<size_t>(table_type)][static_cast<size_t>(function)]
                                     [static_cast<size_t>(type_index + 1)] == selected;
}

}  // namespace

void make_fixture_current(int16_t fixture) {
    if (!patched(fixture)) return;
    runtime::current_fixture = fixture;
    move_fixture_frame(fixture);
    const int16_t type = fixture_type_index(fixture);
    if (type == runtime::current_fixture_type) {
        refresh_faders();
    } else {
        set_edit_fixture_type(type, 0);
    }
    ui::redraw_fixture_column();
    draw_fixture_info();
}

void select_fixture(int16_t fixture) {
    if (!patched(fixture)) return;
    fixture_selected[static_cast<size_t>(fixture)] = 1;
    update_fixture_key_leds();
    make_fixture_current(fixture);
}

void deselect_fixture(int16_t fixture) { deselect_fixture_range(fixture, fixture); }

void select_fixture_range(int16_t first, int16_t last) {
    const int16_t low = std::max<int16_t>(std::min(first, last), 1);
    const int16_t high = std::min<int16_t>(std::max(first, last), std::min<int16_t>(setup::fixture_count, kFixtures));
    if (low > high) return;
    for (int n = low; n <= high; ++n) fixture_selected[n] = 1;
    update_fixture_key_leds();
    const int16_t current = runtime::current_fixture;
    if (!patched(current) || current < low || current > high) make_fixture_current(last >= first ? high : low);
    ui::redraw_fixture_column();
}

void deselect_fixture_range(int16_t first, int16_t last) {
    const int16_t low = std::max<int16_t>(std::min(first, last), 1);
    const int16_t high = std::min<int16_t>(std::max(first, last), kFixtures);
    for (int n = low; n <= high; ++n) fixture_selected[n] = 0;
    update_fixture_key_leds();
    follow_deselection();
    ui::redraw_fixture_column();
}

void follow_deselection() {
    if (!any_selected()) {
        move_fixture_frame(0);
        runtime::current_fixture = -1;
        runtime::current_fixture_type = -1;
        runtime::function_count = 0;
        build_fader_panel();
        draw_fixture_info();
        return;
    }
    const int16_t current = runtime::current_fixture;
    if (patched(current) && fixture_selected[current] == 1) return;
    const int page = runtime::fixture_page;
    int16_t found = search_page(page);
    if (found == 0) found = search_page(page == 1 ? 2 : 1);
    if (found != 0) make_fixture_current(found);
}

void select_all_fixtures() {
    if (setup::fixture_count <= 0) return;
    select_fixture_range(1, std::min<int16_t>(setup::fixture_count, kFixtures));
}

void deselect_all_fixtures() {
    if (runtime::current_fixture != -1) deselect_fixture_range(1, std::min<int16_t>(setup::fixture_count, kFixtures));
    group_selected.fill(0);
    update_group_leds();
}

void apply_fixture_key_range(int16_t key_a, int16_t key_b) {
    const int page = runtime::fixture_page;
    if (page < 1 || page > runtime::kFixturePages) return;
    const int count = runtime::fixture_bank_counts[page];
    if (count == 0) return;
    const int a = std::clamp<int>(key_a, 1, count);
    const int b = std::clamp<int>(key_b, 1, count);
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    bool all_selected = true;
    for (int key = low; key <= high; ++key) {
        const int16_t n = fixture_on_key(page, key);
        if (n == 0 || fixture_selected[n] != 1) all_selected = false;
    }
    for (int key = low; key <= high; ++key) {
        const int16_t n = fixture_on_key(page, key);
        if (n != 0) fixture_selected[n] = all_selected ? 0 : 1;
    }
    update_fixture_key_leds();
    if (all_selected) {
        follow_deselection();
        return;
    }
    // The higher key's fixture becomes current unless the current one is
    // among the keyed fixtures.
    const int16_t current = runtime::current_fixture;
    for (int key = low; key <= high; ++key) {
        if (current != 0 && fixture_on_key(page, key) == current) return;
    }
    make_fixture_current(fixture_on_key(page, high));
}

void set_edit_fixture_type(int16_t type_index, int16_t flag) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(type_index);
    if (type == nullptr) return;
    const int16_t old_type = runtime::current_fixture_type;
    const int16_t old_bank = runtime::fader_bank;
    int mapped = 0;
    const int selected = runtime::selected_function;
    if ((runtime::run_flags & runtime::RUN_THRESHOLD_MODE) == 0 && selected >= 1 &&
        selected <= runtime::kTypeChannels && old_type >= 0 && old_type < runtime::kTypes) {
        mapped = runtime::type_function_map[old_type + 1][selected][type_index + 1];
    }
    runtime::current_fixture_type = type_index;
    runtime::function_count = std::min<int16_t>(type->channel_count(), runtime::kTypeChannels);
    draw_fixture_info();

    if (!has_pan_and_tilt(type)) {
        if (runtime::fader_bank == kFigureBank) {
            runtime::fader_bank = kChannelBank;
            runtime::set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
        }
        runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    }
    int page = 0;
    int fader = 0;
    if (mapped == 0) {
        if (runtime::fader_bank == 0 && has_pan_and_tilt(type)) runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
        page = remembered_page[type_index + 1];
        fader = remembered_fader[type_index + 1];
    } else {
        if (runtime::fader_bank == 0) runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
        page = (mapped - 1) / kFadersPerPage + 1;
        fader = (mapped - 1) % kFadersPerPage + 1;
    }
    if (page == 0) page = 1;
    if (fader == 0) fader = 1;
    if (page * kFadersPerPage + fader - kFadersPerPage > runtime::function_count) page = fader = 1;
    runtime::function_page = static_cast<int16_t>(page);
    runtime::selected_fader_bank0 = static_cast<int16_t>(fader);
    auto clamp_fader = [](int16_t& value, int last) {
        if (value < 1 || value > last) value = 1;
    };
    clamp_fader(runtime::selected_fader_bank2, kFigureFaders);
    clamp_fader(runtime::selected_fader_bank1, kGeneratorFaders);
    clamp_fader(runtime::macro_fader, kMacroFaders);

    build_fader_panel();
    refresh_faders();
    const bool threshold = (runtime::run_flags & runtime::RUN_THRESHOLD_MODE) != 0;
    const bool pantilt = (runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) != 0;
    if (runtime::macro_mode == 1 || (runtime::macro_mode == 0 && !threshold && !pantilt)) {
        highlight_selected_fader(kHighlight);
    }
    update_fader_key_leds();
    if ((runtime::option_flags & runtime::OPT_TABLE_VIEW) != 0 && !table_still_fits(flag, old_bank, type_index)) {
        ui::set_panel_mode((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) != 0 ? ui::kPanelOutputTable
                                                                                           : ui::kPanelValueTable);
    }

    if (runtime::fader_bank == kTimingBank) {
        if (runtime::selected_fader_bank3 < kFirstTimeFader) runtime::selected_fader_bank3 = kFirstTimeFader;
        runtime::selected_function_type = type_index;
        runtime::selected_function = static_cast<int16_t>(runtime::function_page * kFadersPerPage +
                                                          runtime::selected_fader_bank0 - kFadersPerPage);
        const int record = runtime::fixture_channel_record(runtime::current_fixture, runtime::selected_function);
        const uint8_t role = record >= 1 && runtime::function_record_table != nullptr
                                 ? runtime::function_record_table[record].pantilt_role
                                 : 0;
        const uint8_t pan = type->named(setup::NamedFunction::pan);
        if ((role >= runtime::ROLE_PAN && role <= runtime::ROLE_TILT_FINE) || pantilt) {
            const uint8_t channel =
                pan == 0 ? static_cast<uint8_t>(runtime::kTypeChannels)
                         : setup::setup_data.u8(setup::SetupData::type_function_map_field(type_index + 1, pan - 1));
            if (channel < runtime::function_count) {
                runtime::selected_function = static_cast<int16_t>(channel + 1);
                runtime::function_page = static_cast<int16_t>(channel / kFadersPerPage + 1);
                runtime::selected_fader_bank0 = static_cast<int16_t>(channel % kFadersPerPage + 1);
            }
            runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
        }
        show_timing_group_labels();
    }
}

void apply_fixture_freeze_flags() {
    if (runtime::channel_flags == nullptr || runtime::generator_flags == nullptr) return;
    for (int n = 1; n <= setup::fixture_count && n <= kFixtures; ++n) {
        const bool frozen = fixture_freeze[n] == 1;
        auto apply = [frozen](uint16_t& word) {
            word = frozen ? static_cast<uint16_t>(word | runtime::FLAG_FROZEN)
                          : static_cast<uint16_t>(word & ~runtime::FLAG_FROZEN);
        };
        for (int c = 1; c <= runtime::kTypeChannels; ++c) {
            const int record = runtime::fixture_channel_record(n, c);
            if (record == 0 || runtime::function_record_table[record].fixture != n) break;
            apply(runtime::channel_flags[record]);
            for (size_t k = 1; k <= runtime::kGeneratorBytesPerRecord; ++k) {
                apply(runtime::generator_flags[(static_cast<size_t>(record) - 1) * runtime::kGeneratorBytesPerRecord + k]);
            }
        }
        for (int k = 1; k <= runtime::kFigureFlagsPerFixture; ++k) {
            apply(runtime::figure_flags[static_cast<size_t>(n - 1) * runtime::kFigureFlagsPerFixture + k]);
        }
    }
}

namespace {

int shown_page_count() {
    const int page = runtime::fixture_page;
    return page >= 1 && page <= runtime::kFixturePages ? runtime::fixture_bank_counts[static_cast<size_t>(page)] : 0;
}

bool is_fixture_key(int16_t key) { return key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70; }

// The highest patch index selected, 0 none.
int16_t highest_selected() {
    for (int n = std::min<int>(setup::fixture_count, kFixtures); n >= 1; --n) {
        if (fixture_selected[static_cast<size_t>(n)] == 1) return static_cast<int16_t>(n);
    }
    return 0;
}

// Puts back every fixture that the last even or odd key took away.
void restore_saved_selection() {
    for (int n = 1; n <= kFixtures; ++n) {
        if (saved_selection[static_cast<size_t>(n)] == 1) fixture_selected[static_cast<size_t>(n)] = 1;
    }
}

void keep_parity(bool even) {
    const int16_t own = even ? runtime::KEY_EVEN : runtime::KEY_ODD;
    const int16_t other = even ? runtime::KEY_ODD : runtime::KEY_EVEN;
    if (runtime::key_led_cache[static_cast<size_t>(own)] == runtime::LED_ON) {
        restore_saved_selection();
        runtime::set_key_led(own, runtime::LED_OFF);
    } else {
        if (runtime::current_fixture == -1) {
            ui::beep(kErrorTone_hz, kErrorTone_ms);
            return;
        }
        if (runtime::key_led_cache[static_cast<size_t>(other)] == runtime::LED_ON) restore_saved_selection();
        for (int n = 1; n <= kFixtures; ++n) {
            uint8_t& selected = fixture_selected[static_cast<size_t>(n)];
            const bool in_rig = n <= setup::fixture_count;
            saved_selection[static_cast<size_t>(n)] = selected == 1 && in_rig ? 1 : 0;
            const bool is_even = n % 2 == 0;
            if (selected == 1 && is_even != even) selected = 0;
        }
        runtime::set_key_led(other, runtime::LED_OFF);
        runtime::set_key_led(own, runtime::LED_ON);
    }
    update_fixture_key_leds();
    const int16_t last = highest_selected();
    if (last != 0) {
        make_fixture_current(last);
    } else {
        follow_deselection();
    }
    ui::redraw_fixture_column();
}

}  // namespace

void handle_fixture_key(int16_t key) {
    const int count = shown_page_count();
    if (!is_fixture_key(key) || count == 0) {
        if (setup::fixture_count == 0) return;
        if (key == runtime::KEY_ALL) select_all_fixtures();
        if (key == runtime::KEY_NONE) deselect_all_fixtures();
        return;
    }
    const auto clamp_key = [count](int16_t k) { return static_cast<int16_t>(std::min<int>(k, count)); };
    const int16_t first = clamp_key(key);
    for (;;) {
        int16_t event = 0;
        const bool press = runtime::get_key(&event);
        if (is_fixture_key(event) && clamp_key(event) == first) {
            const int16_t n = fixture_on_key(runtime::fixture_page, first);
            if (n != 0 && fixture_selected[static_cast<size_t>(n)] == 1) {
                deselect_fixture(n);
            } else {
                select_fixture(n);
            }
            break;
        }
        if (!press) continue;  // releases of other keys
        if (is_fixture_key(event)) apply_fixture_key_range(first, clamp_key(event));
        break;  // a range, or another key that ends the command
    }
    ui::redraw_fixture_column();
    if ((runtime::mode_flags & runtime::MODE_FIXTURE_STEP) != 0) playback::mark_dimmer_channels_dirty();
}

void select_next_fixture(int16_t key) {
    const int page = runtime::fixture_page;
    const int count = shown_page_count();
    if (count == 0) return;
    int highest = 0;
    for (int k = count; k >= 1 && highest == 0; --k) {
        const int16_t n = fixture_on_key(page, k);
        if (n != 0 && fixture_selected[static_cast<size_t>(n)] == 1) highest = k;
    }
    int next = key == runtime::KEY_NEXT ? highest + 1 : highest - 1;
    if (next > count) next = 1;
    if (next < 1) next = count;
    const int16_t chosen = fixture_on_key(page, next);
    if (chosen == 0) return;
    for (int n = 1; n <= setup::fixture_count && n <= kFixtures; ++n) {
        fixture_selected[static_cast<size_t>(n)] = n == chosen ? 1 : 0;
    }
    update_fixture_key_leds();
    make_fixture_current(chosen);
}

void keep_even_fixtures() { keep_parity(true); }
void keep_odd_fixtures() { keep_parity(false); }

}  // namespace programmer
