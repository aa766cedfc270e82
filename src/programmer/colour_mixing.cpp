#include "programmer/colour_mixing.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "datafiles/library_files.h"
#include "platform/graphics.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_page.h"
#include "programmer/library_values.h"
#include "programmer/value_mapping.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace programmer {

namespace {

constexpr int32_t kErrorTone_hz = 400;
constexpr uint32_t kErrorTone_ms = 800;
constexpr uint32_t kConfirmTone_ms = 250;
constexpr int16_t kRowHeight = 15;
constexpr int16_t kRowTop = 267;      // row r spans 15 r + 267 .. 15 r + 278
constexpr int16_t kRowBottom = 278;
constexpr int16_t kRowText = 270;
constexpr int16_t kNameLeft = 232, kNameRight = 453, kNumberLeft = 457, kNumberRight = 628;
constexpr int16_t kBlack = 0, kBlue = 1, kCyan = 3, kRed = 4, kGrey = 7, kLightCyan = 11, kYellow = 14,
                  kWhite = 15;
constexpr int kFixturePages = 10;
constexpr int kNumberDigits = 4;
constexpr const char* kPrompt = "PROGRAM RGB-COLORS (ESC=CANCEL)";
constexpr const char* kNotFound = "COLOR NOT FOUND";

// The keys that blink while the screen runs.
constexpr std::array<int16_t, 7> kScreenKeys = {runtime::KEY_DOWN,    runtime::KEY_UP,     runtime::KEY_ESC,
                                                runtime::KEY_PAGE_UP, runtime::KEY_PAGE_DOWN, runtime::KEY_TO_MEM,
                                                runtime::KEY_GET_MEMORY};

// The current type (1-based) and its red, green and blue channels.
struct MixChannels {
    int type = 0;
    std::array<int, 3> channels{};
};

int current_type() { return runtime::current_fixture_type + 1; }

bool has_table(int type) {
    return type >= 1 && type <= runtime::kTypes && !datafiles::color_library_mixes[static_cast<size_t>(type)].empty();
}

int16_t& current_color() { return last_color[static_cast<size_t>(std::clamp(current_type(), 0, runtime::kTypes))]; }

// The channel (1-based) of a named slot of type t, 0 none.
int slot_channel(int t, setup::NamedFunction slot) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(t - 1);
    if (type == nullptr) return 0;
    const int k = type->named(slot);
    if (k < 1 || k > runtime::kTypeChannels) return 0;
    const uint8_t offset = setup::setup_data.u8(setup::SetupData::type_function_map_field(t, k - 1));
    return offset < runtime::kTypeChannels ? offset + 1 : 0;
}

MixChannels note_mix_channels() {
    MixChannels mix;
    mix.type = current_type();
    mix.channels = {slot_channel(mix.type, setup::NamedFunction::red), slot_channel(mix.type, setup::NamedFunction::green),
                    slot_channel(mix.type, setup::NamedFunction::blue)};
    return mix;
}

// The catalogue entry (1-based) with filter number `number`, 0 none.
int find_color(int number) {
    const auto& entries = datafiles::color_library_entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].number == number) return static_cast<int>(i) + 1;
    }
    return 0;
}

void set_keys_led(uint8_t state) {
    for (int16_t key : kScreenKeys) runtime::set_key_led(key, state);
}

// The fader select keys of the mix channels on the shown function page blink.
void blink_mix_faders(const MixChannels& mix) {
    for (int channel : mix.channels) {
        if (channel < 1) continue;
        const int page = (channel - 1) / kFadersPerFunctionPage + 1;
        if (page != runtime::function_page) continue;
        const int fader = (channel - 1) % kFadersPerFunctionPage + 1;
        const bool selected = fader == runtime::selected_fader_bank0 &&
                              (runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) == 0;
        runtime::set_key_led(runtime::fader_key(fader), selected ? runtime::LED_BLINK_2 : runtime::LED_BLINK);
    }
}

void not_found() {
    ui::show_message("%s", kNotFound);
    ui::beep(kErrorTone_hz, kErrorTone_ms);
}

// Waits for input while the belts and the trackerball edit the mix.
int16_t next_key() {
    while (!runtime::is_input_pending() && runtime::pushed_back_key == 0) {
        runtime::read_trackerball(0);
        runtime::step_mode_wheels();
        runtime::run_background();
    }
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

void move_to(int colour) {
    current_color() = static_cast<int16_t>(std::clamp(colour, 1, static_cast<int>(datafiles::color_library_count)));
    draw_color_list();
}

void get_color() {
    const int16_t number = copy_color(2);
    if (number >= 0) {
        const int found = find_color(number);
        if (found != 0) {
            move_to(found);
        } else {
            not_found();
        }
    }
    ui::show_message("%s", kPrompt);
}

void to_color() {
    if (runtime::key_down_table[static_cast<size_t>(runtime::KEY_SHIFT)] != 0) {
        store_rgb_color();
    } else {
        const int16_t number = copy_color(1);
        if (number >= 0) {
            const int found = find_color(number);
            if (found != 0) {
                move_to(found);
                if (confirm_replace_color()) store_rgb_color();
            } else {
                not_found();
            }
        }
    }
    ui::show_message("%s", kPrompt);
}

// A selection key: false when the selection moved to a type without a
// colour table (the screen ends).
bool follow_selection(MixChannels& mix) {
    const int type = current_type();
    if (type == mix.type) return true;
    if (!has_table(type)) return false;
    if (mix.type >= 1 && mix.type <= runtime::kTypes) {
        last_color[static_cast<size_t>(type)] = last_color[static_cast<size_t>(mix.type)];
    }
    mix = note_mix_channels();
    draw_color_list();
    return true;
}

void leave_screen() {
    update_fader_key_leds();
    set_keys_led(runtime::LED_OFF);
}

}  // namespace

void draw_color_library() {
    static constexpr std::array<const char*, 4> kTitles = {"COLORLIBRARY", "COLORLIBRARY (LEE-FILTERS)",
                                                           "COLORLIBRARY (ROSCO-FILTERS)", "COLORLIBRARY (GAM-FILTERS)"};
    const int kind = datafiles::color_library_kind <= 3 ? datafiles::color_library_kind : 0;
    ui::fill_box(230, 239, 630, 479, kBlack);
    ui::fill_box(230, 250, 630, 475, kGrey);
    platform::_setcolor(kRed);
    platform::_rectangle(230, 250, 630, 475);
    ui::fill_box(231, 251, 629, 264, kWhite);
    ui::draw_bitmap_text(330, 255, kBlue, kTitles[static_cast<size_t>(kind)]);
    platform::_setcolor(kRed);
    for (int i = 0; i < kColorListRows + 1; ++i) platform::_line(231, 265 + kRowHeight * i, 629, 265 + kRowHeight * i);
    ui::fill_box(232, 267, 453, 278, kBlue);
    ui::fill_box(457, 267, 628, 278, kBlue);
    platform::_line(455, 266, 455, 474);
    ui::draw_bitmap_text(300, 270, kLightCyan, "COLOR-NAME");
    ui::draw_bitmap_text(500, 270, kLightCyan, "COLOR-NUMBER");
}

void fill_color_row(int16_t row, int16_t colour) {
    if (row < 1 || row > kColorListRows) return;
    const auto top = static_cast<int16_t>(kRowHeight * row + kRowTop);
    const auto bottom = static_cast<int16_t>(kRowHeight * row + kRowBottom);
    ui::fill_box(kNameLeft, top, kNameRight, bottom, colour);
    ui::fill_box(kNumberLeft, top, kNumberRight, bottom, colour);
}

void draw_color_row(int16_t row, int16_t n, int16_t text_colour) {
    const int type = current_type();
    if (row < 1 || row > kColorListRows || n < 1 || n > datafiles::color_library_count || !has_table(type)) return;
    const auto y = static_cast<int16_t>(kRowHeight * row + kRowText);
    const datafiles::ColorLibraryEntry& entry = datafiles::color_library_entries[static_cast<size_t>(n - 1)];
    std::array<char, datafiles::kFilterNameBytes + 1> name{};
    std::snprintf(name.data(), name.size(), "%s", entry.name.data());
    ui::draw_bitmap_text(234, y, text_colour, name.data());
    std::array<char, 8> number{};
    std::snprintf(number.data(), number.size(), "%d",
                  datafiles::color_library_mixes[static_cast<size_t>(type)][static_cast<size_t>(n - 1)].number);
    ui::draw_bitmap_text(459, y, text_colour, number.data());
}

void draw_color_list() {
    const int current = current_color();
    for (int row = 1; row <= kColorListRows; ++row) {
        const int n = current + row - kColorListMiddleRow;
        const auto r = static_cast<int16_t>(row);
        if (n < 1 || n > datafiles::color_library_count) {
            fill_color_row(r, kGrey);
        } else if (row == kColorListMiddleRow) {
            fill_color_row(r, kYellow);
            draw_color_row(r, static_cast<int16_t>(n), kRed);
        } else {
            fill_color_row(r, kCyan);
            draw_color_row(r, static_cast<int16_t>(n), kBlack);
        }
    }
}

void store_rgb_color() {
    const int type = current_type();
    if (!has_table(type)) return;
    std::vector<datafiles::ColorMixEntry>& mixes = datafiles::color_library_mixes[static_cast<size_t>(type)];
    const int n = last_color[static_cast<size_t>(type)];
    if (n < 1 || n > static_cast<int>(mixes.size())) return;
    const MixChannels mix = note_mix_channels();
    std::array<uint8_t, 3> levels{};
    for (size_t i = 0; i < levels.size(); ++i) {
        const int channel = mix.channels[i];
        if (channel < 1 || channel > runtime::kFunctionWheels) return;
        const int position = runtime::wheel_states.functions[static_cast<size_t>(channel)].value;
        levels[i] = map_fader_to_value(type - 1, channel_library_function(channel),
                                       static_cast<uint8_t>(std::clamp(position, 0, 255)));
    }
    datafiles::ColorMixEntry& entry = mixes[static_cast<size_t>(n - 1)];
    entry.red = levels[0];
    entry.green = levels[1];
    entry.blue = levels[2];
    datafiles::color_library_selected[static_cast<size_t>(type)] = static_cast<int16_t>(n);
    datafiles::save_filter_colour();
}

bool confirm_replace_color() {
    ui::show_message("REPLACE COLOR:ENTER=Y ESC=N");
    ui::beep(kErrorTone_hz, kConfirmTone_ms);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    int16_t key = 0;
    for (;;) {
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_ESC || key == runtime::KEY_ENTER) break;
    }
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
    return key == runtime::KEY_ENTER;
}

int16_t copy_color(int16_t mode) {
    const bool to_color = mode == 1;
    runtime::option_flags &= ~runtime::OPT_CUE_PANEL;
    update_fader_key_leds();
    runtime::set_key_led(runtime::KEY_TO_MEM, to_color ? runtime::LED_ON : runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_GET_MEMORY, to_color ? runtime::LED_OFF : runtime::LED_ON);
    runtime::set_key_led(runtime::KEY_PAGE_UP, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_PAGE_DOWN, runtime::LED_OFF);
    ui::fill_box(2, 282, to_color ? 150 : 149, 314, kBlue);
    ui::draw_bitmap_text(24, 288, kLightCyan, to_color ? "TO COLOR" : "GET COLOR");
    ui::show_message(to_color ? "GIVE DESTINATION COLOR" : "GIVE NUMBER COLOR");
    ui::fill_box(151, 282, 220, 314, kCyan);
    int16_t number = ui::edit_number(0, 155, 288, kNumberDigits, kCyan, kBlack, 0);
    if (number == -2) {
        const int type = current_type();
        const int n = current_color();
        number = has_table(type) && n >= 1 && n <= datafiles::color_library_count
                     ? datafiles::color_library_mixes[static_cast<size_t>(type)][static_cast<size_t>(n - 1)].number
                     : int16_t{-1};
    }
    ui::redraw_cue_panel();
    return number;
}

void run_rgb_color_screen() {
    if (!has_table(current_type()) || datafiles::color_library_count <= 0) return;
    draw_color_library();
    int16_t& start = current_color();
    if (start < 1 || start > datafiles::color_library_count) start = 1;
    draw_color_list();
    MixChannels mix = note_mix_channels();
    ui::show_message("%s", kPrompt);
    int applied = 0;
    for (;;) {
        blink_mix_faders(mix);
        set_keys_led(runtime::LED_BLINK);
        if (current_color() != applied) {
            applied = current_color();
            apply_library_color(static_cast<int16_t>(applied));
        }
        const int16_t key = next_key();
        const int current = current_color();
        if (key == runtime::KEY_ESC) break;
        if (key == runtime::KEY_UP) {
            move_to(current - 1);
        } else if (key == runtime::KEY_DOWN) {
            move_to(current + 1);
        } else if (key == runtime::KEY_PAGE_UP) {
            move_to(current - kColorPageStep);
        } else if (key == runtime::KEY_PAGE_DOWN) {
            move_to(current + kColorPageStep);
        } else if (key == runtime::KEY_GET_MEMORY) {
            get_color();
        } else if (key == runtime::KEY_TO_MEM) {
            to_color();
        } else if (key == runtime::KEY_BANK_DOWN || key == runtime::KEY_BANK_UP) {
            const int page = runtime::fixture_page + (key == runtime::KEY_BANK_UP ? 1 : -1);
            if (page >= 1 && page <= kFixturePages) set_fixture_page(static_cast<int16_t>(page));
        } else if ((key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70) ||
                   (key >= runtime::KEY_GROUP_1 && key <= runtime::KEY_GROUP_16)) {
            if (key <= runtime::KEY_FIXTURE_70) {
                handle_fixture_key(key);
            } else {
                handle_group_key(key);
            }
            if (!follow_selection(mix)) break;
        } else if (key >= runtime::KEY_FADER_1 && key <= runtime::KEY_FADER_16) {
            select_fader(static_cast<int16_t>(key - runtime::KEY_FADER_1 + 1));
        } else if (key == runtime::KEY_FUNCTION_PAGE_1 || key == runtime::KEY_FUNCTION_PAGE_2) {
            select_function_page(static_cast<int16_t>(key - runtime::KEY_FUNCTION_PAGE_1 + 1));
        } else if (key == runtime::KEY_LEFT || key == runtime::KEY_RIGHT) {
            ui::dispatch_mode_key(key);
        }
    }
    leave_screen();
}

}  // namespace programmer
