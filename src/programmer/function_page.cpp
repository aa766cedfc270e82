#include "programmer/function_page.h"

#include <algorithm>

#include "datafiles/library_files.h"
#include "programmer/colour_mixing.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/function_timings.h"
#include "programmer/predefined_pickers.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "setup/fixture_type.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/value_table.h"

namespace programmer {

namespace {

constexpr int kGeneratorFaders = 7;
constexpr int kFigureFaders = 10;
constexpr int kTimeFaders = 6;
constexpr int kFirstTimingGroupFader = 9;
constexpr int kLastTimingGroupFader = 11;
constexpr uint8_t kUnhighlight = 7;
constexpr uint8_t kHighlight = 14;
constexpr uint8_t kFaderDisplay = 2;
constexpr int32_t kErrorTone_hz = 400;
constexpr uint32_t kErrorTone_ms = 800;
constexpr uint32_t kChannelPageShift = 22;
constexpr uint32_t kPanelFieldShift = 2;
// The first fader of a picker fader range of the effect banks.
constexpr int kFirstGeneratorPickerFader = 4;
constexpr int kLastGeneratorPickerFader = 6;
constexpr int kFirstFigurePickerFader = 4;
constexpr int kLastFigurePickerFader = 9;

bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }

const setup::FixtureTypeDef* current_type() { return setup::type_def_of_index(runtime::current_fixture_type); }

bool has_slot(const setup::FixtureTypeDef* type, setup::NamedFunction slot) {
    return type != nullptr && type->named(slot) != 0;
}

bool pantilt_mode() { return flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT); }

// The wheel mode of the fixture faders, with its title.
void show_fader_display() {
    if (runtime::display_mode == kFaderDisplay) return;
    runtime::display_mode = kFaderDisplay;
    ui::draw_bitmap_text(410, 3, kHighlight, "CONTROL CHANNELS");
}

// Moves the selection of a bank from its old fader to fader n: LEDs and the
// yellow highlight.
void move_fader_selection(int16_t& selected, int16_t fader, bool old_exists) {
    if (old_exists && selected >= 1 && selected <= kPanelFaders) {
        runtime::set_key_led(runtime::fader_key(selected), runtime::LED_ON);
    }
    highlight_selected_fader(kUnhighlight);
    selected = fader;
    runtime::set_key_led(runtime::fader_key(fader), runtime::LED_ON_2);
    highlight_selected_fader(kHighlight);
}

int channel_on_page(int page, int fader) { return page * kFadersPerFunctionPage + fader - kFadersPerFunctionPage; }

// The channel of the current type that carries the selected function of its
// own type, 0 none.
int mapped_selected_function() {
    const int function = runtime::selected_function;
    const int from = runtime::selected_function_type;
    const int to = runtime::current_fixture_type;
    if (function < 1 || function > runtime::kTypeChannels || from < 0 || from >= runtime::kTypes || to < 0 ||
        to >= runtime::kTypes) {
        return 0;
    }
    if (from == to) return function;
    return runtime::type_function_map[static_cast<size_t>(from + 1)][static_cast<size_t>(function)]
                                     [static_cast<size_t>(to + 1)];
}

uint8_t predefined_count(int channel) {
    const int type = runtime::current_fixture_type;
    if (type < 0 || type >= runtime::kTypes || channel < 1 || channel > runtime::kTypeChannels) return 0;
    return runtime::type_predefined_counts[static_cast<size_t>(type + 1)][static_cast<size_t>(channel - 1)];
}

// Whether the bank's selected fader still leads to a picker.
bool something_left_to_pick() {
    const int selected = channel_on_page(runtime::function_page, runtime::selected_fader_bank0);
    switch (runtime::fader_bank) {
        case kChannelBank: return !pantilt_mode() && predefined_count(selected) != 0;
        case kGeneratorBank: {
            const int fader = runtime::selected_fader_bank1;
            return (fader >= kFirstGeneratorPickerFader && fader <= kLastGeneratorPickerFader) || fader == kPanelFaders ||
                   (fader == 1 && predefined_count(selected) != 0);
        }
        case kFigureBank: {
            const int fader = runtime::selected_fader_bank2;
            return (fader >= kFirstFigurePickerFader && fader <= kLastFigurePickerFader) || fader == kPanelFaders;
        }
        default: return false;
    }
}

void restore_screen_under_picker() {
    runtime::show_mouse_cursor(0);
    if (flag(runtime::option_flags, runtime::OPT_PICKER_OPEN)) draw_fixture_screen();
    const int16_t pushed = runtime::pushed_back_key;
    const bool panel_key = pushed >= runtime::KEY_PANEL_1 && pushed <= runtime::KEY_PANEL_3;
    if (flag(runtime::option_flags, runtime::OPT_PICKER_GRID) && !panel_key) {
        ui::set_panel_mode(static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelFieldShift));
    }
}

int16_t run_bank_picker(int16_t& latch) {
    switch (runtime::fader_bank) {
        case kGeneratorBank: return run_generator_picker(latch);
        case kFigureBank: return run_figure_picker(latch);
        default: return run_subfunction_picker(latch);
    }
}

}  // namespace

void select_function_page(int16_t page) {
    if (page != 1 && page != 2) return;
    if (runtime::fader_bank == kChannelBank && page == runtime::function_page) return;
    const int count = runtime::function_count;
    if ((page == 1 && count < 1) || (page == 2 && count <= kFadersPerFunctionPage)) return;
    runtime::function_page = page;
    const int type = runtime::current_fixture_type;
    if (type >= 0 && type < setup::kMaxFixtureTypes) remembered_page[static_cast<size_t>(type + 1)] = static_cast<uint8_t>(page);

    if (runtime::fader_bank != kChannelBank) {
        update_figure_state();
        return;
    }
    build_fader_panel();
    if (!pantilt_mode()) {
        highlight_selected_fader(kUnhighlight);
        const int mapped = mapped_selected_function();
        int fader = page == 1 ? kPanelFaders : 1;
        if (mapped >= 1 && (mapped - 1) / kFadersPerFunctionPage + 1 == page) {
            fader = (mapped - 1) % kFadersPerFunctionPage + 1;
        }
        runtime::selected_fader_bank0 = static_cast<int16_t>(fader);
        highlight_selected_fader(kHighlight);
        runtime::set_key_led(runtime::fader_key(fader), runtime::LED_ON_2);
    }
    refresh_faders();
    const auto channel_page = static_cast<uint32_t>(page);
    if (((runtime::mode_flags & runtime::MODE_CHANNEL_PAGE) >> kChannelPageShift) != channel_page) {
        runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_CHANNEL_PAGE) | (channel_page << kChannelPageShift);
        ui::redraw_table_view();
    }
}

void select_fader(int16_t fader) {
    if (runtime::current_fixture == -1 || fader < 1 || fader > kPanelFaders) return;
    show_fader_display();
    if (runtime::macro_mode == 1) {
        move_fader_selection(runtime::macro_fader, fader, true);
        return;
    }
    switch (runtime::fader_bank) {
        case kChannelBank: {
            const int page = runtime::function_page;
            if (channel_on_page(page, fader) > runtime::function_count) return;
            runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
            runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
            const bool old_exists = channel_on_page(page, runtime::selected_fader_bank0) <= runtime::function_count;
            move_fader_selection(runtime::selected_fader_bank0, fader, old_exists);
            const int type = runtime::current_fixture_type;
            if (type >= 0 && type < setup::kMaxFixtureTypes) {
                remembered_fader[static_cast<size_t>(type + 1)] = static_cast<uint8_t>(fader);
            }
            runtime::selected_function_type = runtime::current_fixture_type;
            runtime::selected_function = static_cast<int16_t>(channel_on_page(page, fader));
            return;
        }
        case kGeneratorBank:
            if (fader > kGeneratorFaders && fader != kPanelFaders) return;
            move_fader_selection(runtime::selected_fader_bank1, fader, true);
            return;
        case kFigureBank:
            if (fader > kFigureFaders && fader != kPanelFaders) return;
            runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
            runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
            move_fader_selection(runtime::selected_fader_bank2, fader, true);
            return;
        case kTimingBank:
            if (fader <= kTimeFaders) {
                move_fader_selection(runtime::selected_fader_bank3, fader, true);
            } else if (fader >= kFirstTimingGroupFader && fader <= kLastTimingGroupFader) {
                toggle_timing_group(fader - kFirstTimingGroupFader + 1);
            }
            return;
        default: return;
    }
}

void toggle_timing_group(int group) {
    if (group < 1 || group > kTimingGroups) return;
    uint8_t& state = timing_group_flags[static_cast<size_t>(group - 1)];
    if (state == 1) {
        state = 2;
    } else if (state == 2) {
        state = 1;
    }
    uint8_t& active = timing_group_flags[kActiveTimingGroup];
    if (state == 1) {
        active = static_cast<uint8_t>(group);
    } else if (active < 1 || active > kTimingGroups || timing_group_flags[static_cast<size_t>(active - 1)] != 1) {
        active = 0;
        for (int g = 1; g <= kTimingGroups && active == 0; ++g) {
            if (timing_group_flags[static_cast<size_t>(g - 1)] == 1) active = static_cast<uint8_t>(g);
        }
    }
    update_fader_key_leds();
    load_times_to_faders();
    // The table shows the times of the active group.
    if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) == 0) ui::draw_table_cells();
}

void enter_trackerball_pantilt_mode() {
    const setup::FixtureTypeDef* type = current_type();
    if (!has_slot(type, setup::NamedFunction::pan) || !has_slot(type, setup::NamedFunction::tilt)) return;
    if (runtime::fader_bank == kGeneratorBank) return;
    show_fader_display();
    runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
    runtime::selected_function = 0;
    runtime::selected_function_type = 0;
    update_fader_key_leds();
    highlight_selected_fader(kUnhighlight);
}

void run_predefined_command() {
    if (runtime::current_fixture_type == -1 || runtime::fader_bank == kTimingBank) return;
    runtime::set_key_led(runtime::KEY_PREDEFINED, runtime::LED_ON);
    int16_t latch = 0;
    for (;;) {
        const int16_t key = run_bank_picker(latch);
        bool go_on = true;
        if (key == runtime::KEY_FUNCTION_PAGE_1 || key == runtime::KEY_FUNCTION_PAGE_2) {
            select_function_page(static_cast<int16_t>(key - runtime::KEY_FUNCTION_PAGE_1 + 1));
        } else if (key == runtime::KEY_FIGURE) {
            update_figure_state();
        } else {
            go_on = false;
            if (key != runtime::KEY_ESC && key != 0) runtime::pushed_back_key = key;
        }
        if (!go_on || !something_left_to_pick()) restore_screen_under_picker();
        if (!go_on) break;
    }
    runtime::read_trackerball(0);  // movement made while the picker was open is dropped
    update_fader_key_leds();
    runtime::set_key_led(runtime::KEY_PREDEFINED, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
}

void run_color_command() {
    const setup::FixtureTypeDef* type = current_type();
    if (type == nullptr || runtime::function_count < 1) return;
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    if (runtime::fader_bank == kFigureBank) update_figure_state();
    const bool rgb = has_slot(type, setup::NamedFunction::red) && has_slot(type, setup::NamedFunction::green) &&
                     has_slot(type, setup::NamedFunction::blue);
    const size_t type_slot = static_cast<size_t>(runtime::current_fixture_type + 1);
    if (!rgb) {
        ui::show_message("NO COLORCHANNELS SPECIFIED");
        ui::beep(kErrorTone_hz, kErrorTone_ms);
    } else if (datafiles::color_library_mixes[type_slot].empty() || datafiles::color_library_count <= 0) {
        ui::show_message("COLOR-LIBRARY NOT FOUND");
        ui::beep(kErrorTone_hz, kErrorTone_ms);
    } else {
        if (flag(runtime::option_flags, runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) {
            ui::set_panel_mode(flag(runtime::option_flags, runtime::OPT_FADERS_FOLLOW_OUTPUT) ? ui::kPanelLists
                                                                                              : ui::kPanelSequence);
        }
        runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST |
                                   runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_TIMECODE_PLAYING);
        if (flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN)) set_fixture_page(runtime::fixture_page);
        ui::select_wheel_mode(kFaderDisplay);
        runtime::set_key_led(runtime::KEY_COLOR, runtime::LED_ON);
        run_rgb_color_screen();
        runtime::set_key_led(runtime::KEY_COLOR, runtime::LED_OFF);
        ui::set_panel_mode(static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelFieldShift));
    }
    ui::clear_message();
}

}  // namespace programmer
