#include "setup/link_menu.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/dimmer_curves.h"
#include "setup/dmx_inputs.h"
#include "setup/fixture_editing.h"
#include "setup/setup_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/stage_output_info.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

namespace {

using runtime::mouse_x;

constexpr Area kPopUp = {98, 348, 144, 460};
constexpr Area kPopUpRange = {98, 366, 141, 460};
constexpr Area kWholeScreen = {0, 0, 628, 470};
constexpr Area kAutoManualRange = {448, 437, 613, 443};
constexpr Area kModeRange = {493, 437, 613, 443};
constexpr int16_t kLinkButton = 3;
constexpr int32_t kStartHz = 1000;
constexpr uint32_t kStart_ms = 20;
constexpr int32_t kToggleHz = 800;
constexpr uint32_t kToggle_ms = 50;
constexpr uint32_t kNoFixtures_ms = 800;
constexpr int16_t kItemLeft = 101;
constexpr int16_t kItemRight = 138;
constexpr int16_t kUpperTextY = 438;
constexpr int16_t kLowerTextY = 449;
constexpr int16_t kAddressEntryX = 505;
constexpr int16_t kAddressDigits = 3;
constexpr int16_t kColumnWidth = 58;
constexpr int16_t kPercentageFromX = 547;

enum class LinkItem : uint8_t { info, dimmer, master, slave, dmx_in };

struct MenuItem {
    LinkItem item;
    const char* label;
    int16_t top;
};

constexpr std::array<MenuItem, 5> kItems = {{{LinkItem::info, "INFO", 372},
                                             {LinkItem::dimmer, "DIMMER", 389},
                                             {LinkItem::master, "MASTER", 406},
                                             {LinkItem::slave, "SLAVE", 423},
                                             {LinkItem::dmx_in, "DMX-IN", 440}}};
constexpr int16_t kItemHeight = 13;

// The three groups of the "MASTER" dialog, column 1..3.
constexpr std::array<const char*, 3> kGroupHeads = {"PLAYBACKS", "MASTERS", "CUES"};
constexpr std::array<int16_t, 3> kGroupHeadX = {450, 515, 583};
constexpr std::array<int16_t, 2> kGroupLineX = {505, 563};
constexpr std::array<const char*, 2> kAutoManualTexts = {"AUTO", "MANUEL"};
constexpr std::array<int16_t, 3> kGroupKeys = {runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_DIGIT_3};

// One DMX input block of the "SLAVE" dialog.
struct InputBlock {
    const char* title;
    size_t enabled_field;
    size_t start_field;
    int16_t last_start;
};
constexpr std::array<InputBlock, 2> kInputBlocks = {{
    {"PLAYBACKS-MASTERS-CUES", kSetupDmxIn1Enabled, kSetupDmxIn1Start, kDmxIn1LastStart},
    {"PLAYBACKS 11-42", kSetupDmxIn2Enabled, kSetupDmxIn2Start, kDmxIn2LastStart},
}};
constexpr std::array<const char*, 2> kModeTexts = {"DIGITAL", "PERCENTAGE"};
constexpr std::array<int16_t, 2> kModeBoxX = {495, 549};


enum class Click : uint8_t { none, left, right };

// One pass: the pending key (ESC counts as the right button) and the pointer with button edges.
Click read_click(int16_t& key) {
    key = read_setup_key();
    runtime::read_mouse(0);
    if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) return Click::right;
    if (runtime::mouse_buttons == runtime::kMouseLeft) return Click::left;
    return Click::none;
}

void set_leds(std::initializer_list<int16_t> keys, uint8_t state) {
    for (int16_t key : keys) runtime::set_key_led(key, state);
}

// Both dialogs end alike: pointer free, the next status message drawn even when it repeats.
void end_dialog() {
    runtime::show_mouse_cursor(0);
    confine(kWholeScreen);
    ui::last_message_text.fill('\0');
}

void draw_settings_panel() {
    const PointerHidden hidden;
    ui::fill_box(445, 430, 630, 460, kSetupBlack);
    platform::_setfillstyle(platform::kSolidFill, kSetupDarkGrey);
    platform::_setcolor(kSetupLightGrey);
    platform::_bar3d(446, 436, 624, 459, 5, 1);
    ui::fill_box(448, 437, 622, 446, kSetupBlue);
    ui::fill_box(448, 447, 622, 458, kSetupRed);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
}

void draw_text(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// A small yellow box with a digit in it, its left edge at x.
void draw_digit_box(int16_t x, const char* digit) {
    ui::fill_box(x, 449, static_cast<int16_t>(x + 9), 457, kSetupYellow);
    draw_text(static_cast<int16_t>(x + 2), kLowerTextY - 1, kSetupRed, digit);
}

// ------------------------------------------------------------------ MASTER

int16_t group_box_x(int group) { return static_cast<int16_t>(391 + kColumnWidth * group); }

void draw_group_state(const SetupData& setup, int group, bool on_red) {
    const PointerHidden hidden;
    const int16_t x = static_cast<int16_t>(group_box_x(group) + 12);
    if (on_red) ui::fill_box(x, 448, static_cast<int16_t>(x + 43), 457, kSetupRed);
    const uint8_t state = setup.u8(kSetupAutoManual + static_cast<size_t>(group - 1));
    draw_text(x, kLowerTextY, kSetupYellow, kAutoManualTexts[state == 0 ? 0 : 1]);
}

void toggle_group(SetupData& setup, int group) {
    const size_t field = kSetupAutoManual + static_cast<size_t>(group - 1);
    setup.set_u8(field, setup.u8(field) == 0 ? 1 : 0);
    draw_group_state(setup, group, true);
    ui::beep(kToggleHz, kToggle_ms);
}

// ------------------------------------------------------------------ SLAVE

// The start typed for a block: 1 .. its last start switches it on, any other
// number or ENTER alone switches it off, ESC keeps it as it was.
void enter_block_start(SetupData& setup, const InputBlock& block) {
    draw_settings_panel();
    const int16_t start = setup.i16(block.start_field);
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%s : %03d", block.title, start >= 1 && start <= block.last_start ? start : 0);
    {
        const PointerHidden hidden;
        draw_text(450, kUpperTextY, kSetupWhite, text.data());
        draw_text(450, kLowerTextY, kSetupYellow, "ADDRESS :");
    }
    const int16_t typed = ui::edit_number(-1, kAddressEntryX, kLowerTextY, kAddressDigits, kSetupRed, kSetupYellow, 0);
    if (typed == ui::kEntryCancelled) return;
    const bool valid = typed >= 1 && typed <= block.last_start;
    setup.set_i16(block.start_field, valid ? typed : 0);
    setup.set_u8(block.enabled_field, valid ? 1 : 0);
}

void draw_mode_choice(const SetupData& setup) {
    draw_settings_panel();
    const PointerHidden hidden;
    ui::fill_box(448, 437, 490, 458, kSetupBlue);
    draw_text(450, kUpperTextY, kSetupWhite, "MASTER");
    draw_text(450, kLowerTextY, kSetupWhite, "CONSOLE");
    const uint8_t mode = setup.u8(kSetupDmxIn1Mode) == DMX_IN_PERCENTAGE ? DMX_IN_PERCENTAGE : DMX_IN_DIGITAL;
    for (size_t m = 0; m < kModeTexts.size(); ++m) {
        draw_digit_box(kModeBoxX[m], m == 0 ? "1" : "2");
        draw_text(static_cast<int16_t>(kModeBoxX[m] + 12), kLowerTextY, m == mode ? kSetupYellow : kSetupLightGrey,
                  kModeTexts[m]);
    }
}

void choose_mode(SetupData& setup) {
    ui::beep(kStartHz, kStart_ms);
    draw_mode_choice(setup);
    set_leds({runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_ESC}, runtime::LED_BLINK);
    confine(kModeRange);
    runtime::show_mouse_cursor(1);
    for (;;) {
        int16_t key = 0;
        const Click click = read_click(key);
        if (click == Click::right) break;
        int chosen = -1;
        if (key == runtime::KEY_DIGIT_1 || (click == Click::left && mouse_x < kPercentageFromX)) chosen = DMX_IN_DIGITAL;
        if (key == runtime::KEY_DIGIT_2 || (click == Click::left && mouse_x >= kPercentageFromX)) chosen = DMX_IN_PERCENTAGE;
        if (chosen < 0) continue;
        setup.set_u8(kSetupDmxIn1Mode, static_cast<uint8_t>(chosen));
        setup.set_u8(kSetupDmxIn2Mode, static_cast<uint8_t>(chosen));
        ui::beep(kToggleHz, kToggle_ms);
        break;
    }
    set_leds({runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_ESC}, runtime::LED_OFF);
}

// ------------------------------------------------------------------ the pop-up

void draw_pop_up() {
    const PointerHidden hidden;
    platform::_setfillstyle(platform::kSolidFill, kSetupDarkGrey);
    platform::_setcolor(kSetupLightGrey);
    platform::_bar3d(kPopUp.x1, kPopUp.y1 + 3, kPopUp.x2 - 3, kPopUp.y2, 3, 1);  // the depth stays inside
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    ui::draw_text_button(101, 352, 138, 366, kSetupRed, "PATCH", kSetupYellow);
    for (const MenuItem& m : kItems) {
        ui::draw_text_button(kItemLeft, m.top, kItemRight, static_cast<int16_t>(m.top + kItemHeight), kSetupLightGrey, m.label,
                             kSetupBlack);
    }
}

const MenuItem* item_at_pointer() {
    const auto hit = std::find_if(kItems.begin(), kItems.end(), [](const MenuItem& m) {
        return runtime::is_point_in_rect(kItemLeft, m.top, kItemRight, static_cast<int16_t>(m.top + kItemHeight), runtime::mouse_x,
                                         runtime::mouse_y);
    });
    return hit == kItems.end() ? nullptr : &*hit;
}

void run_link_item(LinkItem item, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    switch (item) {
    case LinkItem::info:
        show_setup_status("RMB=CANCEL");
        run_stage_output_info(setup, state);
        break;
    case LinkItem::dimmer:
        show_setup_status("RMB=CANCEL");
        run_dimmer_curve_info(setup);
        break;
    case LinkItem::master:
        edit_slave_auto_manual(setup);
        break;
    case LinkItem::slave:
        edit_dmx_in_addresses(setup);
        break;
    case LinkItem::dmx_in:
        edit_fixture_input_addresses(setup, state, list, panel);
        runtime::show_mouse_cursor(0);
        break;
    }
}

}  // namespace

void run_link_menu(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    runtime::show_mouse_cursor(0);
    if (setup.u8(kSetupTypeCount) == 0) {
        refuse_in_setup("NO FIXTURES SELECTED", kNoFixtures_ms);
    } else {
        ui::beep(kStartHz, kStart_ms);
        std::vector<uint8_t> under(platform::_imagesize(kPopUp.x1, kPopUp.y1, kPopUp.x2, kPopUp.y2));
        const bool saved = platform::_getimage(kPopUp.x1, kPopUp.y1, kPopUp.x2, kPopUp.y2, under);
        const auto close_pop_up = [&] {
            const PointerHidden hidden;
            if (saved) {
                platform::_putimage(kPopUp.x1, kPopUp.y1, under, platform::kCopyPut);
            } else {
                draw_toolbar();
            }
        };
        draw_pop_up();
        show_setup_status("LMB=LINK RMB=CANCEL");
        confine(kPopUpRange);
        runtime::show_mouse_cursor(1);
        const MenuItem* chosen = nullptr;
        for (;;) {
            int16_t key = 0;
            const Click click = read_click(key);
            if (click == Click::right) break;
            if (click != Click::left) continue;
            chosen = item_at_pointer();
            if (chosen != nullptr) break;
        }
        runtime::show_mouse_cursor(0);
        close_pop_up();
        if (chosen != nullptr) {
            fill_toolbar_button(kLinkButton, kSetupLightCyan);
            run_link_item(chosen->item, setup, state, list, panel);
            fill_toolbar_button(kLinkButton, kSetupBlack);
        }
    }
    runtime::show_mouse_cursor(0);
    confine(kWholeScreen);
    runtime::show_mouse_cursor(1);
}

void edit_slave_auto_manual(SetupData& setup) {
    ui::beep(kStartHz, kStart_ms);
    draw_settings_panel();
    {
        const PointerHidden hidden;
        for (size_t i = 0; i < kGroupHeads.size(); ++i) draw_text(kGroupHeadX[i], kUpperTextY, kSetupWhite, kGroupHeads[i]);
        platform::_setcolor(kSetupWhite);
        for (int16_t x : kGroupLineX) platform::_line(x, 437, x, 446);
        for (int group = 1; group <= 3; ++group) {
            const std::array<char, 2> digit = {static_cast<char>('0' + group), '\0'};
            draw_digit_box(group_box_x(group), digit.data());
            draw_group_state(setup, group, false);
        }
    }
    set_leds({runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_DIGIT_3, runtime::KEY_ESC}, runtime::LED_BLINK);
    confine(kAutoManualRange);
    runtime::show_mouse_cursor(1);
    for (;;) {
        int16_t key = 0;
        const Click click = read_click(key);
        if (click == Click::right) break;
        const auto by_key = std::find(kGroupKeys.begin(), kGroupKeys.end(), key);
        if (key != 0 && by_key != kGroupKeys.end()) {
            toggle_group(setup, static_cast<int>(by_key - kGroupKeys.begin()) + 1);
        } else if (click == Click::left) {
            toggle_group(setup, std::clamp((mouse_x - 447) / kColumnWidth + 1, 1, 3));
        }
    }
    set_leds({runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_DIGIT_3, runtime::KEY_ESC}, runtime::LED_OFF);
    end_dialog();
}

void edit_dmx_in_addresses(SetupData& setup) {
    ui::beep(kStartHz, kStart_ms);
    for (const InputBlock& block : kInputBlocks) enter_block_start(setup, block);
    if (setup.u8(kSetupDmxIn1Enabled) != 0 || setup.u8(kSetupDmxIn2Enabled) != 0) choose_mode(setup);
    end_dialog();
}

}  // namespace setup
