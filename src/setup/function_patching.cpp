#include "setup/function_patching.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/function_map_edit.h"
#include "setup/patch_conflicts.h"
#include "setup/saved_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

namespace {

constexpr int16_t kTextSize = 4;
constexpr int kCellsPerColumn = 16;
constexpr int kSecondColumn_px = 62;
constexpr int16_t kEditedLabel = kSetupLightCyan;
constexpr int16_t kEditedValue = kSetupLightGrey;
constexpr int16_t kFunctionPatchButton = 2;

constexpr int32_t kShortHz = 1000;
constexpr uint32_t kShort_ms = 20;
constexpr uint32_t kNoLibrary_ms = 800;
constexpr uint32_t kClash_ms = 1000;

constexpr const char* kNoLibrary = "SELECT FIRST A LIBRARY";
constexpr const char* kRestoreQuestion = "RESTORE OLD PATCHING?    (LMB=YES RMB=NO)";
constexpr const char* kFunctionPrompt = "NUMBER FUNCTION : ";
constexpr const char* kChannelPrompt = "PATCH TO : ";

// The colour library window.
constexpr std::array<const char*, 3> kCatalogueNames = {"LEE", "ROSCO", "GAM"};
constexpr int16_t kWindowX1 = 196, kWindowY1 = 382, kWindowX2 = 242, kWindowY2 = 460;

void set_small_text() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

void text_at(int x, int y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

std::array<char, 8> function_label(int n) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "F%2d", n);
    return text;
}

// The prompt box with its text; the number typed right of it (-1 and -2 as ui::edit_number).
int16_t ask_number(const char* prompt, int16_t digits) {
    {
        const PointerHidden hidden;
        ui::fill_box(446, 431, 629, 459, kSetupYellow);
        set_small_text();
        text_at(448, 441, kSetupRed, prompt);
    }
    const int16_t x = static_cast<int16_t>(448 + platform::_textwidth(prompt));
    return ui::edit_number(-1, x, 441, digits, kSetupYellow, kSetupRed, 0);
}

// The entry loop: a function, then its channel, until a function number
// outside 1..channels ends it.
void take_patches(LibraryList& list, int channels) {
    for (;;) {
        const int16_t n = ask_number(kFunctionPrompt, 3);
        if (n < 1 || n > channels) return;
        draw_function_patch_cell(n, kEditedLabel, list.function_map[static_cast<size_t>(n - 1)] + 1, kEditedValue);
        const int16_t m = ask_number(kChannelPrompt, 2);
        if (m >= 1 && m <= channels) list.function_map[static_cast<size_t>(n - 1)] = static_cast<uint8_t>(m - 1);
        draw_function_patch_cell(n, kSetupWhite, list.function_map[static_cast<size_t>(n - 1)] + 1, kSetupWhite);
    }
}

// True for yes (left button or ENTER), false for no (right button or ESC).
bool ask_restore() {
    show_setup_status(kRestoreQuestion);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    bool yes = false;
    for (;;) {
        const int16_t key = read_setup_key();
        runtime::read_mouse(0);
        if (key == runtime::KEY_ENTER || runtime::mouse_buttons == runtime::kMouseLeft) {
            yes = true;
            break;
        }
        if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
    }
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    return yes;
}

void draw_catalogue_choices(uint8_t current) {
    const PointerHidden hidden;
    set_small_text();
    for (int k = 1; k <= 3; ++k) {
        ui::fill_box(199, static_cast<int16_t>(17 * k + 389), 236, static_cast<int16_t>(17 * k + 402),
                     k == current ? kSetupLightCyan : kSetupLightGrey);
        text_at(203, 17 * k + 392, kSetupBlack, kCatalogueNames[static_cast<size_t>(k - 1)]);
    }
}

// The catalogue under a left click, 0 outside the three bars (their edges too).
uint8_t catalogue_at_pointer() {
    for (int k = 1; k <= 3; ++k) {
        const int top = 17 * k + 389;
        if (runtime::mouse_x > 199 && runtime::mouse_x < 236 && runtime::mouse_y > top && runtime::mouse_y < top + 13) {
            return static_cast<uint8_t>(k);
        }
    }
    return 0;
}

}  // namespace

void draw_function_patch_cell(int n, int16_t label_colour, int value, int16_t value_colour) {
    if (patch_conflict_count != 0 || n < 1 || n > kMaxTypeChannels) return;
    const PointerHidden hidden;
    const int c = n <= kCellsPerColumn ? 0 : kSecondColumn_px;
    const int r = (n - 1) % kCellsPerColumn;
    const int16_t top = static_cast<int16_t>(r == 0 ? 201 : 202 + 14 * r);
    const int16_t bottom = static_cast<int16_t>(214 + 14 * r);
    set_small_text();
    ui::fill_box(static_cast<int16_t>(525 + c), top, static_cast<int16_t>(545 + c), bottom, kSetupDarkGrey);
    text_at(527 + c, 204 + 14 * r, label_colour, function_label(n).data());
    ui::fill_box(static_cast<int16_t>(547 + c), top, static_cast<int16_t>(567 + c), bottom, kSetupRed);
    if (value != kNoPatchValue) text_at(549 + c, 204 + 14 * r, value_colour, function_label(value).data());
}

void draw_function_patch_cells(LibraryList& list) {
    for (int n = 1; n <= kMaxTypeChannels; ++n) draw_function_patch_cell(n, kSetupWhite, kNoPatchValue, kSetupWhite);
    if (list.selected_entry < 0) return;
    const int channels = list.loaded_type.channel_count();
    for (int n = 1; n <= channels; ++n) {
        draw_function_patch_cell(n, kSetupWhite, list.function_map[static_cast<size_t>(n - 1)] + 1, kSetupWhite);
    }
}

void edit_function_patching(LibraryList& list, SetupData& setup) {
    runtime::show_mouse_cursor(0);
    fill_toolbar_button(kFunctionPatchButton, kSetupLightCyan);
    if (list.selected_entry < 0) {
        refuse_in_setup(kNoLibrary, kNoLibrary_ms);
    } else {
        ui::beep(kShortHz, kShort_ms);
        const FunctionMap backup = list.function_map;
        const int channels = list.loaded_type.channel_count();
        for (;;) {
            take_patches(list, channels);
            ui::last_message_text.fill('\0');
            const std::optional<FunctionClash> clash = find_function_clash(list.function_map, channels);
            if (!clash) break;
            std::array<char, 64> text{};
            std::snprintf(text.data(), text.size(), "ERROR : %d -> %d and %d -> %d", clash->first, clash->first_channel,
                          clash->second, clash->second_channel);
            refuse_in_setup(text.data(), kClash_ms);
            if (!ask_restore()) continue;
            std::copy_n(backup.begin(), channels, list.function_map.begin());
            for (int n = 1; n <= channels; ++n) {
                draw_function_patch_cell(n, kSetupWhite, list.function_map[static_cast<size_t>(n - 1)] + 1, kSetupWhite);
            }
            break;
        }
        if (!std::equal(backup.begin(), backup.begin() + channels, list.function_map.begin())) keep_function_map(list, setup);
    }
    fill_toolbar_button(kFunctionPatchButton, kSetupBlack);
    runtime::show_mouse_cursor(1);
}

void choose_colour_library(SetupData& setup) {
    runtime::show_mouse_cursor(0);
    ui::beep(kShortHz, kShort_ms);
    {
        SavedArea under_window(kWindowX1, kWindowY1, kWindowX2, kWindowY2);
        ui::fill_box(kWindowX1, kWindowY1, kWindowX2, kWindowY2, kSetupBlack);
        platform::_setfillstyle(platform::kSolidFill, kSetupDarkGrey);
        platform::_setcolor(kSetupLightGrey);
        platform::_bar3d(196, 385, 239, 460, 3, 1);
        ui::fill_box(197, 386, 238, 399, kSetupRed);
        set_small_text();
        text_at(198, 389, kSetupYellow, "RGB-LIB");
        draw_catalogue_choices(setup.u8(kSetupColourLibrary));
        show_setup_status("LMB=RGB-LIB  RMB=CANCEL");
        runtime::set_mouse_range(196, 400, 239, 460);
        runtime::show_mouse_cursor(1);
        for (;;) {
            if (read_setup_key() != 0) break;
            runtime::read_mouse(0);
            if (runtime::mouse_buttons == runtime::kMouseRight) break;
            if (runtime::mouse_buttons != runtime::kMouseLeft) continue;
            const uint8_t chosen = catalogue_at_pointer();
            if (chosen == 0 || chosen == setup.u8(kSetupColourLibrary)) continue;
            setup.set_u8(kSetupColourLibrary, chosen);
            draw_catalogue_choices(chosen);
        }
        runtime::show_mouse_cursor(0);
    }
    runtime::set_mouse_range(0, 0, 628, 470);
    runtime::show_mouse_cursor(1);
}

}  // namespace setup
