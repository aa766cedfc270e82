#include "ui/panel_modes.h"

#include <array>
#include <bit>
#include <span>

#include "memories/commands.h"
#include "memories/memory_list.h"
#include "memories/memories.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "programmer/keypad_entry.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/panels.h"
#include "ui/screens.h"
#include "ui/value_table.h"

namespace ui {

namespace {

using namespace runtime::keys;
using runtime::LED_OFF;
using runtime::LED_ON;
using runtime::LED_ON_2;
using runtime::set_key_led;

// The right panel and the area of it the picture keeps (below the faders' frame line).
constexpr int16_t kPanelLeft = 229;
constexpr int16_t kPanelTop = 105;
constexpr int16_t kPanelRight = 639;
constexpr int16_t kPanelBottom = 479;
constexpr int16_t kPictureTop = 107;
constexpr size_t kPictureBytes =
    4 + size_t{kPanelRight - kPanelLeft + 1} * size_t{kPanelBottom - kPictureTop + 1};

constexpr int kPanelShift = std::countr_zero(runtime::MODE_PANEL_FIELD);
constexpr int kTablePanelShift = std::countr_zero(runtime::MODE_PANEL_PARAM);  // bits 10-13
constexpr int kPairPanelShift = kTablePanelShift + 4;                            // bits 14-17
constexpr uint32_t kTablePanelBits = 0xFu << kTablePanelShift;
constexpr uint32_t kPairPanelBits = 0xFu << kPairPanelShift;

constexpr int16_t kCurrentMemoryColour = 2;
constexpr int16_t kCurrentMemoryTextColour = 4;
constexpr int16_t kThresholdMarkColour = 14;
constexpr int16_t kMemoriesPerPage = 70;
constexpr int16_t kThresholds = 70;

constexpr uint8_t kFixtureFaderDisplay = 2;
constexpr uint8_t kMasterDisplay = 3;
constexpr uint8_t kPlaybackDisplay = 4;
constexpr uint8_t kFirstSequenceDisplay = 5;
constexpr uint8_t kLastSequenceDisplay = 8;
constexpr int16_t kArrowStep = 3;          // trackerball steps of one arrow press
constexpr int16_t kFadersPerPage = 16;

// The option bits of the views that share the right panel, by the panels that replace them.
constexpr uint32_t kViewsOfPanelOne = runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST |
                                      runtime::OPT_THRESHOLD_SCREEN | runtime::OPT_PICKER_GRID |
                                      runtime::OPT_TIMECODE_PLAYING | runtime::OPT_TABLE_VIEW |
                                      runtime::OPT_ANALOGUE_VIEW;
constexpr uint32_t kViewsAfterLists = runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_PICKER_GRID |
                                      runtime::OPT_TIMECODE_PLAYING | runtime::OPT_TABLE_VIEW |
                                      runtime::OPT_ANALOGUE_VIEW;
constexpr uint32_t kViewsOfTables = runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST |
                                    runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_THRESHOLD_SCREEN |
                                    runtime::OPT_PICKER_GRID | runtime::OPT_TIMECODE_PLAYING |
                                    runtime::OPT_ANALOGUE_VIEW | runtime::OPT_SEQUENCE_PANEL;
constexpr uint32_t kViewsOfAnalogue = runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST |
                                      runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_THRESHOLD_SCREEN |
                                      runtime::OPT_PICKER_GRID | runtime::OPT_TIMECODE_PLAYING |
                                      runtime::OPT_TABLE_VIEW | runtime::OPT_SEQUENCE_PANEL;

// The right panel's picture as save_panel_picture took it (_getimage layout).
std::array<uint8_t, kPictureBytes> panel_picture{};

bool option_set(uint32_t bit) { return (runtime::option_flags & bit) != 0; }
bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
void clear_options(uint32_t bits) { runtime::option_flags &= ~bits; }

void set_field(uint32_t bits, int shift, uint8_t value) {
    runtime::mode_flags = (runtime::mode_flags & ~bits) | ((static_cast<uint32_t>(value) << shift) & bits);
}

void set_panel_leds(uint8_t lit_key_offset) {
    set_key_led(KEY_PANEL_1, lit_key_offset == 0 ? LED_ON : LED_OFF);
    set_key_led(KEY_PANEL_2, lit_key_offset == 1 ? LED_ON : LED_OFF);
    set_key_led(KEY_PANEL_3, lit_key_offset == 2 ? LED_ON : LED_OFF);
}

void clear_panel_area() { fill_box(kPanelLeft, kPanelTop, kPanelRight, kPanelBottom, 0); }

// The frame lines a picker grid leaves, drawn over in black.
void clear_panel_frame_lines() {
    platform::_setcolor(0);
    platform::_line(229, 105, 639, 105);
    platform::_line(229, 106, 639, 106);
    platform::_line(639, 105, 639, 479);
}

void draw_sequence_panel_if_hidden() {
    if (!option_set(runtime::OPT_SEQUENCE_PANEL)) draw_sequence_panel();
}

void show_sequence_and_fixture_panels() {
    set_field(runtime::MODE_PANEL_FIELD, kPanelShift, kPanelSequence);
    set_field(kPairPanelBits, kPairPanelShift, kPanelSequence);
    set_panel_leds(0);
    if (option_set(runtime::OPT_PICKER_GRID | runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) {
        save_panel_picture();
        clear_panel_area();
    }
    draw_sequence_panel_if_hidden();
    programmer::redraw_fixture_panel();
    clear_options(kViewsOfPanelOne);
}

void show_lists() {
    const uint32_t list_bit = cue_screen_shown() ? runtime::OPT_CUE_GRID : runtime::OPT_MEMORY_LIST;
    if (option_set(list_bit)) return;  // already there: no redraw
    set_field(runtime::MODE_PANEL_FIELD, kPanelShift, kPanelLists);
    set_panel_leds(1);
    if (option_set(runtime::OPT_PICKER_GRID | runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) {
        save_panel_picture();
        clear_panel_area();
    }
    draw_sequence_panel_if_hidden();
    if ((runtime::run_flags & runtime::RUN_THRESHOLD_MODE) == 0) {
        if (!cue_screen_shown()) {
            memories::draw_memory_list(memories::memory_list_page);
            memories::draw_memory_list_cell(memories::current_memory, kCurrentMemoryColour, kCurrentMemoryTextColour);
            clear_options(runtime::OPT_CUE_GRID | runtime::OPT_THRESHOLD_SCREEN);
        } else {
            playback::draw_cue_grid();
            clear_options(runtime::OPT_MEMORY_LIST | runtime::OPT_THRESHOLD_SCREEN);
        }
    } else {
        memories::redraw_thresholds();
        const int16_t threshold = memories::current_threshold;
        if (threshold >= 1 && threshold <= kThresholds) {
            memories::mark_threshold_cell(threshold, 1, kThresholdMarkColour);
        }
        clear_options(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST);
    }
    clear_options(kViewsAfterLists);
}

void show_table(uint8_t panel) {
    set_field(runtime::MODE_PANEL_FIELD, kPanelShift, panel);
    set_field(kTablePanelBits, kTablePanelShift, panel);
    const bool faders_followed = option_set(runtime::OPT_FADERS_FOLLOW_OUTPUT);
    if (panel == kPanelOutputTable) {
        runtime::option_flags |= runtime::OPT_OUTPUT_VALUES_VIEW;
    } else {
        runtime::option_flags &= ~runtime::OPT_OUTPUT_VALUES_VIEW;
    }
    // The faders follow the output in the output table only: they show the
    // other source from now on.
    if (faders_followed != option_set(runtime::OPT_FADERS_FOLLOW_OUTPUT)) programmer::refresh_faders();
    set_panel_leds(2);
    if (option_set(runtime::OPT_PICKER_GRID | runtime::OPT_ANALOGUE_VIEW)) {
        save_panel_picture();
        clear_panel_frame_lines();
    }
    open_table_view();
    clear_options(kViewsOfTables);
}

void show_analogue_view() {
    set_field(runtime::MODE_PANEL_FIELD, kPanelShift, kPanelAnalogue);
    set_field(kPairPanelBits, kPairPanelShift, kPanelAnalogue);
    set_panel_leds(0);
    if (option_set(runtime::OPT_PICKER_GRID)) clear_panel_frame_lines();
    show_analogue_faders();
    clear_options(kViewsOfAnalogue);
}

// Key 163 held in the output-values table: the values follow the output
// until it is released. True when it was held past the peek time.
bool peek_output_values() {
    const uint32_t start_ms = runtime::clock_ms;
    while (runtime::key_down_table[KEY_PANEL_3] != 0) {
        show_output_values();
        runtime::run_background();
        if (runtime::is_input_pending()) {
            int16_t key = 0;
            runtime::get_key(&key);  // other keys are dropped
        }
    }
    return runtime::clock_ms - start_ms > kOutputValuesPeek_ms;
}

// ------------------------------------------------------------------ wheel modes

int16_t selected_fader_of_bank(int16_t bank) {
    switch (bank) {
        case 0: return runtime::selected_fader_bank0;
        case 1: return runtime::selected_fader_bank1;
        case 2: return runtime::selected_fader_bank2;
        default: return runtime::selected_fader_bank3;
    }
}

bool fader_bank_takes_arrows() {
    const int16_t bank = runtime::fader_bank;
    if (bank == 0) return runtime::function_count > 0;
    return runtime::current_fixture_type != -1 && (bank == 1 || bank == 2);
}

int16_t fader_key_of(int16_t fader) { return static_cast<int16_t>(KEY_FADER_1 + fader - 1); }

void step_fixture_faders(int16_t key) {
    if (!fader_bank_takes_arrows()) return;
    const bool sideways = key == KEY_LEFT || key == KEY_RIGHT;
    if ((runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) != 0) {
        if (sideways) programmer::select_fader(1);
        return;
    }
    const int16_t bank = runtime::fader_bank;
    const int16_t selected = selected_fader_of_bank(bank);
    if (sideways) {
        if (key == KEY_LEFT && bank == 0 && runtime::function_page == 2 && selected == 1) {
            programmer::select_function_page(1);
        } else if (key == KEY_RIGHT && bank == 0 && runtime::function_page == 1 && selected == kFadersPerPage &&
                   runtime::function_count > kFadersPerPage) {
            programmer::select_function_page(2);
        } else {
            if (selected >= 1 && selected <= kFadersPerPage) set_key_led(fader_key_of(selected), LED_ON);
            if (key == KEY_LEFT) {
                programmer::select_previous_fader();
            } else {
                programmer::select_next_fader();
            }
            const int16_t now = selected_fader_of_bank(bank);
            if (now >= 1 && now <= kFadersPerPage) set_key_led(fader_key_of(now), LED_ON_2);
        }
        return;
    }
    if (bank == 0) programmer::apply_trackerball_to_fader();
}

bool is_sequence_display() {
    return runtime::display_mode >= kFirstSequenceDisplay && runtime::display_mode <= kLastSequenceDisplay;
}
int16_t displayed_sequence() { return static_cast<int16_t>(runtime::display_mode - kPlaybackDisplay); }

}  // namespace

void reset_panel_modes_globals() {
    panel_picture.fill(0);
}

uint8_t shown_panel() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelShift); }
uint8_t remembered_table_panel() { return static_cast<uint8_t>((runtime::mode_flags & kTablePanelBits) >> kTablePanelShift); }
uint8_t remembered_pair_panel() { return static_cast<uint8_t>((runtime::mode_flags & kPairPanelBits) >> kPairPanelShift); }

void handle_panel_key(int16_t key) {
    const uint8_t panel = shown_panel();
    if (key == KEY_PANEL_3) {
        if (option_set(runtime::OPT_TABLE_VIEW) && option_set(runtime::OPT_OUTPUT_VALUES_VIEW) && peek_output_values()) {
            return;
        }
        const uint8_t remembered = remembered_table_panel();
        set_panel_mode(panel == kPanelValueTable   ? kPanelOutputTable
                       : panel == kPanelOutputTable ? kPanelValueTable
                       : remembered == kPanelOutputTable ? kPanelOutputTable
                                                         : kPanelValueTable);
    } else if (key == KEY_PANEL_1) {
        const uint8_t remembered = remembered_pair_panel();
        set_panel_mode(panel == kPanelAnalogue   ? kPanelSequence
                       : panel == kPanelSequence ? kPanelAnalogue
                       : remembered == kPanelAnalogue ? kPanelAnalogue
                                                      : kPanelSequence);
    } else if (key == KEY_PANEL_2) {
        set_panel_mode(kPanelLists);
    }
}

void set_panel_mode(uint8_t panel) {
    switch (panel) {
        case kPanelSequence: show_sequence_and_fixture_panels(); break;
        case kPanelLists: show_lists(); break;
        case kPanelValueTable:
        case kPanelOutputTable: show_table(panel); break;
        case kPanelAnalogue: show_analogue_view(); break;
        default: break;
    }
}

void show_previous_panel_page() {
    if (option_set(runtime::OPT_TABLE_VIEW)) {
        show_previous_table_page();
    } else if (!cue_screen_shown() && option_set(runtime::OPT_MEMORY_LIST)) {
        memories::memory_list_page = static_cast<int16_t>(std::max(1, memories::memory_list_page - 1));
        memories::draw_memory_list(memories::memory_list_page);
        if ((memories::current_memory - 1) / kMemoriesPerPage + 1 == memories::memory_list_page) {
            memories::draw_memory_list_cell(memories::current_memory, kCurrentMemoryColour, kCurrentMemoryTextColour);
        }
    } else if (cue_screen_shown()) {
        runtime::cue_screen_page = static_cast<int16_t>(std::max(1, runtime::cue_screen_page - 1));
        playback::show_cue_page(runtime::cue_screen_page);
    }
}

void show_next_panel_page() {
    if (option_set(runtime::OPT_TABLE_VIEW)) {
        show_next_table_page();
    } else if (!cue_screen_shown() && option_set(runtime::OPT_MEMORY_LIST)) {
        memories::memory_list_page =
            static_cast<int16_t>(std::min<int>(kMemoryListPages, memories::memory_list_page + 1));
        memories::draw_memory_list(memories::memory_list_page);
        if ((memories::current_memory - 1) / kMemoriesPerPage + 1 == memories::memory_list_page) {
            memories::draw_memory_list_cell(memories::current_memory, kCurrentMemoryColour, kCurrentMemoryTextColour);
        }
    } else if (cue_screen_shown()) {
        runtime::cue_screen_page = static_cast<int16_t>(std::min<int>(kCueScreenPages, runtime::cue_screen_page + 1));
        playback::show_cue_page(runtime::cue_screen_page);
    }
}

void dispatch_mode_key(int16_t key) {
    const bool vertical = key == KEY_DOWN || key == KEY_UP;
    if (vertical) {
        // An arrow stands for three trackerball steps.
        runtime::mouse_x = 0;
        runtime::mouse_y = key == KEY_DOWN ? kArrowStep : static_cast<int16_t>(-kArrowStep);
    }
    const uint8_t display = runtime::display_mode;
    if (display == kFixtureFaderDisplay) {
        step_fixture_faders(key);
    } else if (display == kMasterDisplay) {
        if (key == KEY_LEFT) memories::select_previous_master();
        if (key == KEY_RIGHT) memories::select_next_master();
        if (vertical) memories::apply_trackerball_to_master();
    } else if (display == kPlaybackDisplay) {
        if (key == KEY_LEFT) playback::select_previous_playback();
        if (key == KEY_RIGHT) playback::select_next_playback();
        if (vertical) playback::apply_trackerball_to_playback();
    } else if (is_sequence_display()) {
        if (key == KEY_LEFT) playback::select_previous_sequence_control(displayed_sequence());
        if (key == KEY_RIGHT) playback::select_next_sequence_control(displayed_sequence());
        if (vertical && option_set(runtime::OPT_SEQUENCE_PANEL)) {
            playback::apply_trackerball_to_sequence(displayed_sequence());
        }
    }
}

void dispatch_mode_action() {
    if (runtime::display_mode == kFixtureFaderDisplay) {
        programmer::run_edit_function_value();
    } else if (is_sequence_display()) {
        playback::edit_sequence_times();
    }
}

void save_panel_picture() {
    // Only while the analogue faders are on screen (the first master widget stands for them all).
    if (master_fader_widgets[1].shown == 0) return;
    platform::_getimage(kPanelLeft, kPictureTop, kPanelRight, kPanelBottom, panel_picture);
    for (int i = 1; i <= kMasterFaderWidgets; ++i) erase_fader_widget(master_fader_widgets[static_cast<size_t>(i)], 0);
    for (int i = 1; i <= kPlaybackFaderWidgets; ++i) {
        erase_fader_widget(playback_fader_widgets[static_cast<size_t>(i)], 0);
    }
}

}  // namespace ui
