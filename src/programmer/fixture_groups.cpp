#include "programmer/fixture_groups.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "datafiles/group_files.h"
#include "playback/output_merge.h"
#include "programmer/commands.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/fader_panel.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/text_entry.h"
#include "ui/value_table.h"
#include "runtime/step_log.h"

namespace programmer {

std::array<std::array<uint8_t, kGroupFixtures + 1>, kGroups + 1> group_table{};
std::array<std::array<char, kGroupNameBytes>, kGroups + 1> group_names{};
std::array<Grouping, kGroupings + 1> grouping_table{};
std::array<std::vector<int16_t>, kGroupings + 1> grouping_members;
std::array<uint8_t, kGroups + 1> group_used{};
std::array<uint8_t, kGroups + 1> group_selected{};

void reset_fixture_groups_globals() {
    group_table = {};
    group_names = {};
    grouping_table = {};
    for (std::vector<int16_t>& members : grouping_members) std::vector<int16_t>().swap(members);
    group_used = {};
    group_selected = {};
}

namespace {

constexpr int kGroupsPerBank = 16;
constexpr int16_t kGreen = 2;
constexpr int16_t kYellow = 14;
constexpr int16_t kBlack = 0;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kRed = 4;
constexpr int32_t kConfirmTone_hz = 800;
constexpr int32_t kRefuseTone_hz = 400;
constexpr uint32_t kNameTone_ms = 150;

bool is_group_key(int16_t key) { return key >= runtime::KEY_GROUP_1 && key <= runtime::KEY_GROUP_16; }
bool valid_group(int g) { return g >= 1 && g <= kGroups; }
size_t at(int i) { return static_cast<size_t>(i); }

int last_fixture() { return std::min<int>(setup::fixture_count, kGroupFixtures); }
bool patched(int n) { return n >= 1 && n <= last_fixture(); }

bool member(int g, int n) { return group_table[at(g)][at(n)] == 1; }

int16_t type_of(int16_t fixture) {
    const int record = runtime::fixture_channel_record(fixture, 1);
    if (record == 0 || runtime::function_record_table == nullptr) return -1;
    return runtime::function_record_table[record].type;
}

bool cue_screen() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }

// The value table's fixture column shows the selection in yellow.
void refresh_table_column() {
    const uint8_t panel = ui::shown_panel();
    if (panel == ui::kPanelValueTable || panel == ui::kPanelOutputTable) ui::redraw_fixture_column();
}

// Current fixture for a selection that grew by the members of groups a..b:
// kept when it is a member of one of them, else the highest member of the
// highest group of the range that has members.
void follow_group_selection(int low, int high) {
    const int16_t current = runtime::current_fixture;
    if (patched(current)) {
        for (int g = low; g <= high; ++g) {
            if (member(g, current)) return;
        }
    }
    for (int g = high; g >= low; --g) {
        for (int n = last_fixture(); n >= 1; --n) {
            if (!member(g, n)) continue;
            // make_fixture_current moves the frame only onto the shown page
            // and carries the edited type over as select_fixture does.
            make_fixture_current(static_cast<int16_t>(n));
            return;
        }
    }
}

// After a deselection: the selected fixture with the highest patch index of
// the current type becomes current, else the highest of any type; with none
// selected the current fixture and type are cleared.
void follow_group_deselection() {
    const int16_t current = runtime::current_fixture;
    int16_t highest = 0;
    int16_t highest_of_type = 0;
    for (int n = last_fixture(); n >= 1; --n) {
        if (fixture_selected[at(n)] != 1) continue;
        if (highest == 0) highest = static_cast<int16_t>(n);
        if (highest_of_type == 0 && type_of(static_cast<int16_t>(n)) == runtime::current_fixture_type) {
            highest_of_type = static_cast<int16_t>(n);
        }
    }
    if (highest == 0) {
        follow_deselection();  // clears the current fixture, type and fader panel
        return;
    }
    if (patched(current) && fixture_selected[at(current)] == 1) return;
    make_fixture_current(highest_of_type != 0 ? highest_of_type : highest);
}

void do_select_groups(int first, int last) {
    const int low = std::max(std::min(first, last), 1);
    const int high = std::min(std::max(first, last), kGroups);
    if (low > high) return;
    bool any_members = false;
    for (int g = low; g <= high; ++g) {
        group_selected[at(g)] = 1;
        update_group_used_flag(static_cast<int16_t>(g));
        if (group_used[at(g)] == 1) any_members = true;
    }
    if (any_members) {
        for (int g = low; g <= high; ++g) {
            for (int n = 1; n <= last_fixture(); ++n) {
                if (member(g, n)) fixture_selected[at(n)] = 1;
            }
        }
        update_fixture_key_leds();
        follow_group_selection(low, high);
    }
    update_group_leds();
    refresh_table_column();
}

void do_deselect_groups(int first, int last) {
    const int low = std::max(std::min(first, last), 1);
    const int high = std::min(std::max(first, last), kGroups);
    if (low > high) return;
    for (int g = low; g <= high; ++g) group_selected[at(g)] = 0;
    for (int n = 1; n <= last_fixture(); ++n) {
        bool in_range = false;
        bool kept = false;
        for (int g = 1; g <= kGroups; ++g) {
            if (!member(g, n)) continue;
            if (g >= low && g <= high) in_range = true;
            if (group_selected[at(g)] == 1) kept = true;
        }
        if (in_range && !kept) fixture_selected[at(n)] = 0;
    }
    update_fixture_key_leds();
    follow_group_deselection();
    draw_fixture_info();
    update_group_leds();
    refresh_table_column();
}

// Two group keys: the range between their groups, deselected when every
// group of it is selected, else selected.
void apply_group_range(int16_t a, int16_t b) {
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    bool all = true;
    for (int g = low; g <= high; ++g) {
        if (group_selected[at(g)] != 1) all = false;
    }
    if (all) {
        deselect_group_range(static_cast<int16_t>(low), static_cast<int16_t>(high));
    } else {
        select_group_range(static_cast<int16_t>(low), static_cast<int16_t>(high));
    }
}

void toggle_group(int16_t g) {
    if (group_selected[at(g)] == 1) {
        deselect_group(g);
    } else {
        select_group(g);
    }
}

// A group key pressed first: its release toggles the group, a second group
// key gives the range, STORE stores into the group, any other key ends.
void handle_group_selection_key(int16_t key) {
    const int16_t g = group_of_key(key);
    for (;;) {
        int16_t event = 0;
        const bool press = runtime::get_key(&event);
        if (event == 0) continue;
        if (event == key) {
            if (!press) toggle_group(g);
            if (!press) return;
            continue;
        }
        if (is_group_key(event)) {
            if (!press) continue;  // releases of other group keys
            apply_group_range(g, group_of_key(event));
            return;
        }
        if (event == runtime::KEY_GROUP_STORE && press) {
            runtime::set_key_led(runtime::KEY_GROUP_STORE, runtime::LED_ON);
            store_group(g);
            runtime::set_key_led(runtime::KEY_GROUP_STORE, runtime::LED_OFF);
        }
        return;
    }
}

// The bank's group keys blink while STORE is held: used groups in the
// second colour, empty ones in both.
void blink_store_leds() {
    update_group_used_flags();
    const int first = (runtime::group_bank - 1) * kGroupsPerBank;
    for (int k = 1; k <= kGroupsPerBank; ++k) {
        const bool used = group_used[at(first + k)] == 1;
        runtime::set_key_led(runtime::group_key(k), used ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH);
    }
}

bool group_named(int g) { return group_names[at(g)][0] != '\0'; }

// STORE pressed first: every group key pressed while it is held stores the
// selection into its group, until STORE is released or ESC pressed.
void run_group_store() {
    runtime::set_key_led(runtime::KEY_GROUP_STORE, runtime::LED_ON);
    blink_store_leds();
    for (;;) {
        int16_t event = 0;
        const bool press = runtime::get_key(&event);
        if (event == runtime::KEY_GROUP_STORE && !press) break;
        if (!press) continue;
        if (event == runtime::KEY_ESC) break;
        if (!is_group_key(event)) continue;
        const int16_t g = group_of_key(event);
        store_group(g);
        if (setup::setup_data.u8(setup::kSetupGroupKeyOption) == 1 && group_used[at(g)] == 1 && !group_named(g)) {
            edit_group_names(g);
            ui::redraw_memory_panel();
            // STORE let go while the name was typed: its release went to the dialog.
            if (runtime::key_down_table[at(runtime::KEY_GROUP_STORE)] == 0) break;
        }
        blink_store_leds();
    }
    update_group_leds();
    runtime::set_key_led(runtime::KEY_GROUP_STORE, runtime::LED_OFF);
}

}  // namespace

int16_t group_of_key(int16_t key) {
    return static_cast<int16_t>((runtime::group_bank - 1) * kGroupsPerBank + (key - runtime::KEY_GROUP_1 + 1));
}

void handle_group_key(int16_t key) {
    if (runtime::group_bank != 1 && runtime::group_bank != 2) runtime::group_bank = 1;
    if (is_group_key(key)) {
        handle_group_selection_key(key);
    } else if (key == runtime::KEY_GROUP_BANK) {
        toggle_group_bank();
    } else if (key == runtime::KEY_GROUP_STORE) {
        run_group_store();
    } else {
        return;
    }
    if ((runtime::mode_flags & runtime::MODE_FIXTURE_STEP) != 0) playback::mark_dimmer_channels_dirty();
}

void select_group(int16_t group) { do_select_groups(group, group); }
void select_group_range(int16_t first, int16_t last) { do_select_groups(first, last); }
void deselect_group(int16_t group) { do_deselect_groups(group, group); }
void deselect_group_range(int16_t first, int16_t last) { do_deselect_groups(first, last); }

void store_group(int16_t group) {
    if (!valid_group(group)) return;
    auto& members = group_table[at(group)];
    for (int n = 1; n <= kGroupFixtures; ++n) {
        members[at(n)] = patched(n) && fixture_selected[at(n)] == 1 ? 1 : 0;
    }
    update_group_used_flag(group);
    if (group_used[at(group)] == 0) {
        group_names[at(group)].fill('\0');
        draw_group_name_list();
    }
    datafiles::save_group_file();
}

void toggle_group_bank() {
    if (runtime::group_bank == 1) {
        runtime::group_bank = 2;
        runtime::set_key_led(runtime::KEY_GROUP_BANK, runtime::LED_ON);
    } else {
        runtime::group_bank = 1;
        runtime::set_key_led(runtime::KEY_GROUP_BANK, runtime::LED_OFF);
    }
    update_group_leds();
}

void update_group_leds() {
    const int bank = runtime::group_bank == 2 ? 2 : 1;
    const int first = (bank - 1) * kGroupsPerBank;
    for (int k = 1; k <= kGroupsPerBank; ++k) {
        const bool selected = group_selected[at(first + k)] == 1;
        runtime::set_key_led(runtime::group_key(k), selected ? runtime::LED_ON_2 : runtime::LED_OFF);
    }
    draw_group_name_list();
}

void show_group_bank_leds(uint8_t used_state) {
    update_group_used_flags();
    const int bank = runtime::group_bank == 2 ? 2 : 1;
    const int first = (bank - 1) * kGroupsPerBank;
    for (int k = 1; k <= kGroupsPerBank; ++k) {
        const bool used = group_used[at(first + k)] == 1;
        runtime::set_key_led(runtime::group_key(k), used ? used_state : runtime::LED_OFF);
    }
}

void update_group_used_flag(int16_t group) {
    if (!valid_group(group)) return;
    uint8_t used = 0;
    for (int n = 1; n <= last_fixture(); ++n) {
        if (member(group, n)) used = 1;
    }
    group_used[at(group)] = used;
}

void update_group_used_flags() {
    for (int g = 1; g <= kGroups; ++g) update_group_used_flag(static_cast<int16_t>(g));
}

void draw_group_name_list() {
    if ((runtime::option_flags & runtime::OPT_FIXTURE_PANEL) == 0 || cue_screen()) return;
    const int bank = runtime::group_bank == 2 ? 2 : 1;
    for (int entry = 1; entry <= kGroupsPerBank; ++entry) {
        const int g = (bank - 1) * kGroupsPerBank + entry;
        const int c = (entry - 1) / 8 + 1;
        const int r = (entry - 1) % 8 + 1;
        const auto x = [c](int dx) { return static_cast<int16_t>(c * 104 + dx); };
        const auto y = [r](int dy) { return static_cast<int16_t>(r * 10 + dy); };
        ui::fill_box(x(-90), y(129), x(-75), y(137), kBlack);
        ui::fill_box(x(-73), y(129), x(12), y(137), kBlack);
        const int16_t colour = group_selected[at(g)] == 1 ? kYellow : kGreen;
        char number[8]{};
        std::snprintf(number, sizeof number, "%2d", g);
        ui::draw_bitmap_text(x(-90), y(130), colour, number);
        ui::draw_bitmap_text(x(-71), y(130), colour, group_names[at(g)].data());
    }
}

bool group_exists(int16_t group) {
    if (group < 1 || group > kGroups) return false;
    const auto& members = group_table[static_cast<size_t>(group)];
    return std::any_of(members.begin() + 1, members.end(), [](uint8_t m) { return m != 0; });
}

void edit_group_names(int16_t group) {
    if (!valid_group(group)) {
        ui::beep(kRefuseTone_hz, kNameTone_ms);
        return;
    }
    ui::beep(kConfirmTone_hz, kNameTone_ms);
    ui::show_message("GIVE THE NAME OF GROUP %d", group);
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(2, 282, 220, 297, kGreen);
    ui::fill_box(2, 299, 220, 314, kRed);
    const char* old_name = group_names[at(group)].data();
    ui::draw_bitmap_text(90, 288, kYellow, old_name[0] == '\0' ? "* NO NAME *" : old_name);
    ui::draw_bitmap_text(13, 285, kYellow, "OLD NAME:");
    ui::draw_bitmap_text(13, 302, kYellow, "NEW NAME:");
    std::array<char, kGroupNameBytes> entered{};
    if (ui::edit_text_line(entered.data(), 90, 305, kGroupNameBytes - 1, static_cast<uint8_t>(kRed),
                           static_cast<uint8_t>(kYellow), 0) == 1) {
        ui::beep(kConfirmTone_hz, kNameTone_ms);
        entered.back() = '\0';
        group_names[at(group)] = entered;
        draw_group_name_list();
        datafiles::save_group_file();
    } else {
        ui::beep(kRefuseTone_hz, kNameTone_ms);
    }
    draw_group_name_list();
}

}  // namespace programmer
