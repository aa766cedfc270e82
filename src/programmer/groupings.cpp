#include "programmer/groupings.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "datafiles/group_files.h"
#include "platform/graphics.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_page.h"
#include "programmer/macro_panel.h"
#include "programmer/predefined_pickers.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/mouse_input.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"
#include "ui/text_entry.h"

namespace programmer {

GroupingWork grouping_work;
int16_t current_subgroup = 1;
std::array<uint8_t, kFixtures + 1> grouping_saved_selection{};

void reset_groupings_globals() {
    grouping_work = GroupingWork{};
    current_subgroup = 1;
    grouping_saved_selection = {};
}

namespace {

constexpr int16_t kBlack = 0;
constexpr int16_t kGreen = 2;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kYellow = 14;
constexpr int16_t kFixtureKeyCount = 70;

size_t at(int i) { return static_cast<size_t>(i); }
bool valid_grouping(int g) { return g >= 1 && g <= kUsedGroupings; }
int last_fixture() { return std::min<int>(setup::fixture_count, kFixtures); }

int16_t entry_of(int fixture) { return static_cast<int16_t>((fixture - 1) * kGroupingEntryStep); }
// The fixture of an entry, 0 for an entry that is no fixture.
int fixture_of(int16_t entry) {
    if (entry < 0 || entry % kGroupingEntryStep != 0) return 0;
    return entry / kGroupingEntryStep + 1;
}

int total_of(const std::array<int16_t, kSubgroups + 1>& counts) {
    int total = 0;
    for (int s = 1; s <= kSubgroups; ++s) total += std::max<int16_t>(counts[at(s)], 0);
    return total;
}

// The entries of subgroup s within a list laid out by counts.
std::pair<int, int> subgroup_span(const std::array<int16_t, kSubgroups + 1>& counts, int s, int list_size) {
    int offset = 0;
    for (int k = 1; k < s; ++k) offset += std::max<int16_t>(counts[at(k)], 0);
    const int end = std::min(offset + std::max<int16_t>(counts[at(s)], 0), list_size);
    return {std::min(offset, list_size), end};
}

void text_at(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}
// Text centred in a field `width` pixels wide starting at x.
void centred(int16_t x, int16_t width, int16_t y, int16_t colour, const char* text) {
    const int w = platform::_textwidth(text);
    text_at(static_cast<int16_t>(x + (width - w) / 2), y, colour, text);
}

void blink_editor_leds() {
    for (int16_t key : {runtime::KEY_ESC, runtime::KEY_ENTER, runtime::KEY_TEXT, runtime::KEY_LAST, runtime::KEY_NEXT}) {
        runtime::set_key_led(key, runtime::LED_BLINK);
    }
}

// The current subgroup's list from the fixture selection, in patch order.
// The working counts still describe the working list until the commit.
void take_selection_as_subgroup() {
    grouping_work.current.clear();
    for (int n = 1; n <= last_fixture(); ++n) {
        if (fixture_selected[at(n)] == 1) grouping_work.current.push_back(entry_of(n));
    }
}

void store_working_set(int g) {
    commit_current_subgroup();
    Grouping& grouping = grouping_table[at(g)];
    grouping.member_counts = grouping_work.counts;
    grouping.member_counts[0] = 0;
    grouping.subgroup_count = 0;
    for (int s = kSubgroups; s >= 1; --s) {
        if (grouping.member_counts[at(s)] != 0) {
            grouping.subgroup_count = static_cast<uint8_t>(s);
            break;
        }
    }
    grouping_members[at(g)] = grouping_work.list;
    grouping_members[at(g)].resize(static_cast<size_t>(total_of(grouping.member_counts)));
    datafiles::save_subgroup_file(false);
}

void step_subgroup(int delta) {
    commit_current_subgroup();
    current_subgroup = static_cast<int16_t>(current_subgroup + delta);
    load_current_subgroup();
    draw_group_editor();
    mark_other_subgroup_keys();
}

}  // namespace

void load_current_subgroup() {
    grouping_work.current.clear();
    const auto [begin, end] =
        subgroup_span(grouping_work.counts, current_subgroup, static_cast<int>(grouping_work.list.size()));
    grouping_work.current.assign(grouping_work.list.begin() + begin, grouping_work.list.begin() + end);
}

void commit_current_subgroup() {
    std::vector<int16_t> rebuilt;
    std::array<int16_t, kSubgroups + 1> counts{};
    const std::vector<int16_t>& mine = grouping_work.current;
    for (int s = 1; s <= kSubgroups; ++s) {
        if (s == current_subgroup) {
            rebuilt.insert(rebuilt.end(), mine.begin(), mine.end());
            counts[at(s)] = static_cast<int16_t>(mine.size());
            continue;
        }
        const auto [begin, end] = subgroup_span(grouping_work.counts, s, static_cast<int>(grouping_work.list.size()));
        int16_t kept = 0;
        for (int i = begin; i < end; ++i) {
            const int16_t entry = grouping_work.list[at(i)];
            if (std::find(mine.begin(), mine.end(), entry) != mine.end()) continue;
            rebuilt.push_back(entry);
            ++kept;
        }
        counts[at(s)] = kept;
    }
    grouping_work.list = std::move(rebuilt);
    grouping_work.counts = counts;
}

void draw_group_editor() {
    ui::fill_box(230, 115, 630, 235, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(230, 115, 630, 235);
    ui::set_text_style(2, 0, 4);
    text_at(240, 120, kLightGrey, "EDIT GROUPS");
    char text[32]{};
    std::snprintf(text, sizeof text, "GROUP %d", runtime::current_grouping);
    text_at(240, 140, kYellow, text);
    std::snprintf(text, sizeof text, "SUBGROUP %d", current_subgroup);
    text_at(240, 160, kYellow, text);
    std::snprintf(text, sizeof text, "%d in group", static_cast<int>(grouping_work.current.size()));
    text_at(240, 180, kYellow, text);
    // The selection shows the current subgroup.
    for (int n = 1; n <= kFixtures; ++n) fixture_selected[at(n)] = 0;
    runtime::current_fixture = -1;
    set_fixture_page(runtime::fixture_page);
    int last = 0;
    for (int16_t entry : grouping_work.current) {
        const int n = fixture_of(entry);
        if (n < 1 || n > last_fixture()) continue;
        fixture_selected[at(n)] = 1;
        last = n;
    }
    update_fixture_key_leds();
    if (last != 0) select_fixture(static_cast<int16_t>(last));
}

void mark_other_subgroup_keys() {
    std::array<uint8_t, kFixtures + 1> others{};
    const int size = static_cast<int>(grouping_work.list.size());
    for (int s = 1; s <= kEditableSubgroups; ++s) {
        if (s == current_subgroup) continue;
        const auto [begin, end] = subgroup_span(grouping_work.counts, s, size);
        for (int i = begin; i < end; ++i) {
            const int n = fixture_of(grouping_work.list[at(i)]);
            if (n >= 1 && n <= kFixtures) others[at(n)] = 1;
        }
    }
    const int page = runtime::fixture_page;
    if (page < 1 || page > runtime::kFixturePages) return;
    const int count = std::min<int>(runtime::fixture_bank_counts[at(page)], kFixtureKeyCount);
    for (int k = 1; k <= count; ++k) {
        const int n = runtime::fixture_bank_keys[at(page)][at(k)] + 1;
        if (n < 1 || n > kFixtures || others[at(n)] == 0) continue;
        const int16_t key = runtime::fixture_key(k);
        if (runtime::key_led_cache[at(key)] == runtime::LED_OFF) runtime::set_key_led(key, runtime::LED_ON_BOTH);
    }
}

namespace {

// The picker the editor was opened from, drawn again over the editor: the
// macro picker in macro mode, else the generator or figure picker of the
// fader bank; from anywhere else a long tone warns and the figure picker
// is drawn.
void redraw_calling_picker() {
    if (runtime::macro_mode == 1) {
        draw_macro_picker_grid();
        draw_macro_picker_titles();
    } else if (runtime::fader_bank == kGeneratorBank) {
        draw_generator_picker_grid();
        draw_generator_picker_titles();
    } else {
        if (runtime::fader_bank != kFigureBank) ui::beep(1400, 1800);
        draw_figure_picker_grid();
        draw_figure_picker_titles();
    }
}

}  // namespace

void run_grouping_editor() {
    const int g = runtime::current_grouping;
    if (!valid_grouping(g)) return;
    ui::show_message("SELECT GROUPING");
    const Grouping& grouping = grouping_table[at(g)];
    grouping_work.counts = grouping.member_counts;
    grouping_work.counts[0] = 0;
    grouping_work.list = grouping_members[at(g)];
    grouping_work.list.resize(static_cast<size_t>(total_of(grouping_work.counts)));
    current_subgroup = 1;
    load_current_subgroup();

    runtime::show_mouse_cursor(0);
    ui::fill_box(229, 105, 639, 479, kBlack);
    runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
    grouping_saved_selection = fixture_selected;
    for (int n = 1; n <= kFixtures; ++n) fixture_selected[at(n)] = 0;
    const int16_t saved_current = runtime::current_fixture;
    set_fixture_page(runtime::fixture_page);

    blink_editor_leds();
    runtime::set_key_led(runtime::KEY_EDIT_ITEM, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_CLR, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_CUE, runtime::LED_OFF);
    draw_group_editor();
    mark_other_subgroup_keys();

    for (bool editing = true; editing;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_BANK_DOWN || key == runtime::KEY_BANK_UP) {
            const int16_t page = static_cast<int16_t>(runtime::fixture_page + (key == runtime::KEY_BANK_UP ? 1 : -1));
            if (page >= 1 && page <= runtime::kFixturePages) set_fixture_page(page);
            mark_other_subgroup_keys();
        } else if ((key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70) || key == runtime::KEY_ALL ||
                   key == runtime::KEY_NONE) {
            handle_fixture_key(key);
            take_selection_as_subgroup();
            draw_group_editor();
            mark_other_subgroup_keys();
        } else if (key == runtime::KEY_LAST) {
            if (current_subgroup > 1) step_subgroup(-1);
        } else if (key == runtime::KEY_NEXT) {
            if (current_subgroup < kEditableSubgroups) step_subgroup(+1);
        } else if (key == runtime::KEY_TEXT) {
            edit_grouping_name();
        } else if (key == runtime::KEY_ENTER) {
            store_working_set(g);
            editing = false;
        } else if (key == runtime::KEY_ESC) {
            editing = false;
        }
    }

    // The selection and current fixture from before the editor.
    fixture_selected = grouping_saved_selection;
    runtime::current_fixture = saved_current;
    update_fixture_key_leds();
    if (saved_current >= 1 && saved_current <= last_fixture()) select_fixture(saved_current);
    runtime::option_flags &= ~(runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_SEQUENCE_PANEL);
    select_fader(16);
    redraw_calling_picker();
    grouping_work = GroupingWork{};
    build_fader_panel();
    draw_grouping_list();
    runtime::show_mouse_cursor(1);
    for (int16_t key : {runtime::KEY_ENTER, runtime::KEY_TEXT, runtime::KEY_LAST, runtime::KEY_NEXT}) {
        runtime::set_key_led(key, runtime::LED_OFF);
    }
    ui::show_message("SELECT GROUPING");
}

void edit_grouping_name() {
    const int g = runtime::current_grouping;
    if (!valid_grouping(g)) {
        ui::beep(400, 150);
        return;
    }
    ui::beep(800, 150);
    ui::show_message("GIVE THE NAME OF GROUP %d", g);
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(2, 282, 220, 297, kGreen);
    ui::fill_box(2, 299, 220, 314, kRed);
    const char* old_name = grouping_table[at(g)].name.data();
    ui::draw_bitmap_text(90, 288, kYellow, old_name[0] == '\0' ? "* NO NAME *" : old_name);
    ui::draw_bitmap_text(13, 285, kYellow, "OLD NAME:");
    ui::draw_bitmap_text(13, 302, kYellow, "NEW NAME:");
    std::array<char, kGroupNameBytes> entered{};
    if (ui::edit_text_line(entered.data(), 90, 305, kGroupNameBytes - 1, static_cast<uint8_t>(kRed),
                           static_cast<uint8_t>(kYellow), 0) == 1) {
        ui::beep(800, 150);
        entered.back() = '\0';
        grouping_table[at(g)].name = entered;
        datafiles::save_subgroup_file(false);
    } else {
        ui::beep(400, 150);
    }
    ui::draw_cue_panel();
    ui::draw_current_memory_panel();
    ui::show_message("SELECT GROUPING");
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
}

void clear_grouping() {
    ui::show_message("CLEAR COMPLETE GROUPING? (Y/N)");
    ui::beep(400, 250);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    int16_t key = 0;
    for (;;) {
        key = 0;
        if (runtime::get_key(&key) && (key == runtime::KEY_ESC || key == runtime::KEY_ENTER)) break;
    }
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    const int g = runtime::current_grouping;
    if (key == runtime::KEY_ENTER && valid_grouping(g)) {
        std::vector<int16_t>().swap(grouping_members[at(g)]);
        grouping_table[at(g)] = Grouping{};
        datafiles::save_subgroup_file(false);
        build_fader_panel();
        draw_grouping_list();
    }
    ui::show_message("SELECT GROUPING");
}

void select_grouping(int16_t grouping) {
    runtime::current_grouping = grouping;
    build_fader_panel();
    draw_grouping_list();
}

void draw_grouping_list() {
    ui::set_text_style(2, 0, 4);
    for (int i = 1; i <= kUsedGroupings; ++i) {
        const int c = (i - 1) % 6 + 1;
        const int r = (i - 1) / 6 + 1;
        const auto x = [c](int dx) { return static_cast<int16_t>((c - 1) * 68 + dx); };
        const auto y = [r](int dy) { return static_cast<int16_t>((r - 1) * 62 + dy); };
        ui::fill_box(x(232), y(134), static_cast<int16_t>(c * 68 + 228), static_cast<int16_t>(r * 62 + 104), kDarkGrey);
        const Grouping& grouping = grouping_table[at(i)];
        if (grouping.name[0] == '\0') {
            centred(x(238), 56, y(135), kLightGrey, "NO NAME");
        } else {
            centred(x(238), 56, y(135), kYellow, grouping.name.data());
        }
        if (grouping.subgroup_count == 0) {
            centred(x(248), 56, y(146), kLightGrey, "EMPTY");
        } else {
            char text[16]{};
            std::snprintf(text, sizeof text, "%d Defs", grouping.subgroup_count);
            centred(x(245), 56, y(146), kYellow, text);
        }
    }
    ui::fill_box(232, 378, 296, 414, kDarkGrey);
    ui::fill_box(436, 378, 500, 414, kDarkGrey);
    const int g = runtime::current_grouping;
    if (!valid_grouping(g) || grouping_table[at(g)].subgroup_count == 0) {
        centred(238, 56, 383, kLightGrey, "----");
        centred(442, 56, 383, kLightGrey, "----");
        return;
    }
    char count[16]{};
    std::snprintf(count, sizeof count, "/ %d ", grouping_table[at(g)].subgroup_count);
    centred(238, 56, 378, kYellow, "WAVE");
    centred(238, 56, 388, kYellow, count);
    centred(442, 56, 378, kYellow, "STEP");
    centred(442, 56, 388, kYellow, count);
}

void select_grouping_fixtures() {
    const int g = runtime::current_grouping;
    if (valid_grouping(g) && grouping_table[at(g)].subgroup_count != 0 && !grouping_members[at(g)].empty()) {
        for (int n = 1; n <= kFixtures; ++n) fixture_selected[at(n)] = 0;
        runtime::current_fixture = -1;
        int last = 0;
        const int total = std::min<int>(total_of(grouping_table[at(g)].member_counts),
                                        static_cast<int>(grouping_members[at(g)].size()));
        for (int i = 0; i < total; ++i) {
            const int n = fixture_of(grouping_members[at(g)][at(i)]);
            if (n < 1 || n > last_fixture()) continue;
            fixture_selected[at(n)] = 1;
            last = n;
        }
        // The last entry's fixture becomes current with its type, so that the
        // faders and edits act on the type of the fixture they show.
        if (last != 0) make_fixture_current(static_cast<int16_t>(last));
    }
    update_fixture_key_leds();
}

int16_t find_grouping_subgroup(int16_t fixture, int16_t grouping) {
    if (grouping < 1 || grouping > kGroupings || fixture < 1) return -1;
    const Grouping& record = grouping_table[at(grouping)];
    const std::vector<int16_t>& members = grouping_members[at(grouping)];
    const int16_t entry = entry_of(fixture);
    const int size = static_cast<int>(members.size());
    int offset = 0;
    for (int s = 1; s <= kSubgroups; ++s) {
        const int count = std::max<int16_t>(record.member_counts[at(s)], 0);
        const int end = std::min(offset + count, size);
        for (int i = offset; i < end; ++i) {
            if (members[at(i)] == entry) return static_cast<int16_t>(s - 1);
        }
        offset = end;
    }
    return -1;
}

}  // namespace programmer
