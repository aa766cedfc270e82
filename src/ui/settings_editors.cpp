#include "ui/settings_editors.h"

#include <bit>
#include <cstdio>
#include <string_view>

#include "datafiles/data_files.h"
#include "datafiles/setup_file.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_wing.h"
#include "programmer/programmer_jobs.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "setup/setup_data.h"
#include "ui/counters.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"
#include "ui/mode_keys.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace ui {

namespace {

using namespace runtime::keys;
using runtime::LED_BLINK;
using runtime::LED_OFF;
using runtime::LED_ON;
using runtime::set_key_led;

constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kGreen = 2;
constexpr int16_t kCyan = 3;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kLightGreen = 10;
constexpr int16_t kLightCyan = 11;
constexpr int16_t kYellow = 14;
constexpr int16_t kBitmapFont = 0;
constexpr int16_t kStrokedFont = 2;
constexpr int16_t kTextSize = 4;
constexpr int16_t kKindNameSize = 7;
constexpr int16_t kTitleSize = 6;
constexpr int16_t kCuePageTitleColour = 9;

constexpr int kEditModeShift = std::countr_zero(runtime::MODE_EDIT_MODE);
constexpr int kPanelShift = std::countr_zero(runtime::MODE_PANEL_FIELD);

// ------------------------------------------------------------------ shared

bool timecode_screen_open() { return (runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) != 0; }
bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
uint8_t panel_number() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelShift); }

// 1 <-> 0, any other value to 1: the two-way settings.
uint8_t toggled(uint8_t v) { return v == 1 ? 0 : 1; }
// The three-way settings step 1 -> 2 -> 0 -> 1 (transparency ON, DEFAULT, OFF; tracing ON, OFF, DEFAULT).
uint8_t next_of_three(uint8_t v, uint8_t after_other) {
    if (v == 1) return 2;
    if (v == 2) return 0;
    if (v == 0) return 1;
    return after_other;
}

const char* on_off(uint8_t v) { return v == 1 ? "ON" : "OFF"; }
const char* off_on(uint8_t v) { return v == 1 ? "OFF" : "ON"; }

// The LEDs an editor sets as it opens, from the console state.
void set_opening_leds() {
    set_key_led(KEY_SETUP, LED_OFF);
    set_key_led(KEY_TAKE_OUTPUT, LED_OFF);
    set_key_led(KEY_TRACKERBALL_PANTILT,
                runtime::current_fixture != -1 && (runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) != 0
                    ? LED_ON
                    : LED_OFF);
    set_key_led(KEY_FIGURE, runtime::fader_bank != 0 ? LED_ON : LED_OFF);
    const uint8_t panel = panel_number();
    set_key_led(KEY_PANEL_3, panel >= 3 && panel <= 5 ? LED_ON : LED_OFF);
    set_key_led(KEY_SHIFT, LED_OFF);
}

void digits_off() {
    for (int d = 1; d <= 9; ++d) set_key_led(digit_key(d), LED_OFF);
}

void blink_keys(std::initializer_list<int16_t> keys) {
    for (const int16_t key : keys) set_key_led(key, LED_BLINK);
}

// Reads one press; the editor's keys blink again after every read.
int16_t read_editor_key(std::initializer_list<int16_t> blinking) {
    int16_t key = 0;
    const bool pressed = runtime::get_key(&key);
    blink_keys(blinking);
    return pressed ? key : 0;
}

void text_at(int16_t x, int16_t y, int16_t colour, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// ------------------------------------------------------------------ lower-left frame

constexpr int16_t kRowTextX = 9;
constexpr int16_t kFirstRowY = 372;
constexpr int16_t kRowPitch = 14;
constexpr int16_t kValueX = 170;

int16_t row_y(int row) { return static_cast<int16_t>(kFirstRowY + kRowPitch * (row - 1)); }

void draw_frame_editor(const char* title, int16_t title_x, int bars) {
    fill_box(2, 343, 220, 453, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(3, 351, 219, 452);
    fill_box(4, 352, 218, 452, kDarkGrey);
    set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    fill_box(6, 354, 216, 366, kGreen);
    text_at(title_x, 356, kYellow, title);
    for (int i = 1; i <= bars; ++i) {
        fill_box(6, static_cast<int16_t>(356 + kRowPitch * i), 216, static_cast<int16_t>(366 + kRowPitch * i),
                 kLightGrey);
    }
}

// A value of the lower-left editors: dark grey box, yellow text; the selected
// one in a light cyan box in red.
void draw_frame_value(int16_t y, const char* text, bool selected) {
    set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    fill_box(160, static_cast<int16_t>(y - 1), 214, static_cast<int16_t>(y + 7), selected ? kLightCyan : kDarkGrey);
    text_at(kValueX, y, selected ? kRed : kYellow, text);
}

void open_frame_editor(bool cue_led_off) {
    runtime::option_flags |= runtime::OPT_SETTINGS_EDITOR;
    set_key_led(KEY_CUE, !cue_led_off && cue_screen_shown() ? LED_ON : LED_OFF);
    set_opening_leds();
}

void leave_frame_editor() {
    draw_main_frame();
    set_key_led(KEY_ESC, LED_OFF);
    set_key_led(KEY_ENTER, LED_OFF);
    set_key_led(KEY_EDIT_ITEM, LED_OFF);
    playback::update_point_cue_leds();
    runtime::option_flags &= ~runtime::OPT_SETTINGS_EDITOR;
    draw_main_frame();
}

// The status line marks of the transparency show defaults: lit while the
// default is ON (its AUTO bit clear).
void apply_show_defaults(uint8_t playbacks, uint8_t sequences) {
    datafiles::transp_show_default = static_cast<uint16_t>(playbacks | (sequences << 8));
    datafiles::transp_table[datafiles::kTranspShowDefault] = {playbacks, sequences};
    runtime::mode_flags &= ~(runtime::MODE_AUTO_PLAYBACKS | runtime::MODE_AUTO_SEQUENCES);
    if ((playbacks & 1) != 0) runtime::mode_flags |= runtime::MODE_AUTO_PLAYBACKS;
    if ((sequences & 1) != 0) runtime::mode_flags |= runtime::MODE_AUTO_SEQUENCES;
    draw_mode_text(MODE_TEXT_TRANSP_SEQ, (sequences & 1) == 0 ? kMarkOnColour : kMarkOffColour);
    draw_mode_text(MODE_TEXT_PLAYBACKS, (playbacks & 1) == 0 ? kMarkOnColour : kMarkOffColour);
}

uint8_t low_byte(uint16_t v) { return static_cast<uint8_t>(v & 0xFF); }
uint8_t high_byte(uint16_t v) { return static_cast<uint8_t>(v >> 8); }

// ------------------------------------------------------------------ transparent modes

using FourBytes = std::array<uint8_t, 4>;
constexpr std::array<int16_t, 4> kTranspValueY = {386, 400, 428, 442};

void draw_transparent_mode_editor() {
    draw_frame_editor("EDIT TRANSPARENTMODE", 30, 6);
    text_at(kRowTextX, 372, kRed, "SHOW DEFAULT");
    text_at(kRowTextX, 386, kBlue, "PLAYBACKS TRANSPARENT");
    text_at(kRowTextX, 400, kBlue, "SEQUENCES TRANSPARENT");
    char title[40]{};
    std::snprintf(title, sizeof title, "FOR CUE Page %d Cue %d.%d", playback::current_cue_page, playback::current_cue,
                  playback::current_cue_point - 1);
    text_at(kRowTextX, 414, kRed, title);
    text_at(kRowTextX, 428, kBlue, "PLAYBACKS TRANSPARENT");
    text_at(kRowTextX, 442, kBlue, "SEQUENCES TRANSPARENT");
}

void draw_transparent_mode_values(uint8_t row, const FourBytes& values) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t v = values[static_cast<size_t>(i)];
        const char* text = i < 2 ? off_on(v) : v == 0 ? "OFF" : v == 1 ? "ON" : "DEFAULT";
        draw_frame_value(kTranspValueY[static_cast<size_t>(i)], text, i + 1 == row);
    }
}

// ------------------------------------------------------------------ tracing mode

void draw_tracing_mode_editor(uint8_t page) {
    draw_frame_editor("EDIT TRACING-MODE", 30, 6);
    text_at(kRowTextX, 372, kRed, "SHOW DEFAULT");
    text_at(kRowTextX, 386, kBlue, "AUTOPREPARE");
    text_at(kRowTextX, 400, kBlue, "TRACING");
    char title[24]{};
    std::snprintf(title, sizeof title, "FOR CUE Page %d", page);
    text_at(kRowTextX, 414, kRed, title);
    text_at(kRowTextX, 428, kBlue, "AUTOPREPARE");
    text_at(kRowTextX, 442, kBlue, "TRACING");
}

void draw_tracing_mode_values(uint8_t row, const FourBytes& values) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t v = values[static_cast<size_t>(i)];
        const char* text = i < 2 ? on_off(v) : v == 0 ? "DEFAULT" : v == 1 ? "ON" : "OFF";
        draw_frame_value(kTranspValueY[static_cast<size_t>(i)], text, i + 1 == row);
    }
}

size_t page_prepare_field(uint8_t page) { return setup::kSetupCuePagePreparation + page - 1u; }
size_t page_trace_field(uint8_t page) { return setup::kSetupCuePageTracing + page - 1u; }
constexpr size_t kGlobalAutoprepare = setup::kSetupGlobalSettings + 10;  // item 11
constexpr size_t kGlobalAutotrace = setup::kSetupGlobalSettings + 11;    // item 12

// ------------------------------------------------------------------ solo memory

constexpr int16_t kSoloValueY = 386;

void draw_solo_memory_editor() {
    draw_frame_editor("EDIT SOLOMEMORY", 30, 2);
    text_at(kRowTextX, 372, kBlue, "UNSELECTED FIXTURES");
    text_at(kRowTextX, 386, kBlue, "    MEMORY");
}

void draw_solo_memory_value(int16_t memory) {
    char text[8]{};
    if (memory == 0) {
        std::snprintf(text, sizeof text, "DEFAULT");
    } else {
        std::snprintf(text, sizeof text, "%d", memory);
    }
    draw_frame_value(kSoloValueY, text, true);
}

// A number 1..4000 typed in; anything else (ESC, an empty field, 0, above
// 4000) is no solo memory.
int16_t ask_solo_memory() {
    fill_box(6, 430, 216, 445, kLightGrey);
    text_at(kRowTextX, 433, kYellow, "SELECT MEMORY (1..4000)");
    const int16_t typed = edit_number(kEntryCancelled, 180, 433, 5, kLightGrey, kRed, 0);
    fill_box(6, 430, 216, 445, kDarkGrey);
    return typed >= 1 && typed <= kHighestSoloMemory ? typed : 0;
}

// ------------------------------------------------------------------ fan mode

struct Stroke {
    int16_t colour, x1, y1, x2, y2;
};

constexpr std::array<Stroke, 9> kFanStrokes = {{
    {kRed, 140, 379, 150, 379}, {kBlack, 140, 379, 150, 376}, {kBlack, 140, 379, 150, 373},  // STANDARD
    {kBlack, 140, 393, 150, 393}, {kBlack, 140, 393, 150, 390}, {kRed, 140, 393, 150, 387},  // INVERSE
    {kBlack, 140, 407, 150, 401},                                                           // STANDARD MID
    {kRed, 140, 421, 150, 421},                                                             // SINE
    {kRed, 139, 429, 151, 429},                                                             // INVERSE SINE
}};

constexpr std::array<const char*, kFanShapes> kFanShapeNames = {"STANDARD", "INVERSE", "STANDARD MID", "SINE",
                                                                 "INVERSE SINE"};

void draw_fan_mode_editor() {
    draw_frame_editor("SELECT FANMODE", 72, 6);
    for (int s = 1; s <= kFanShapes; ++s) text_at(kRowTextX, row_y(s), kBlue, kFanShapeNames[static_cast<size_t>(s - 1)]);
    for (const Stroke& stroke : kFanStrokes) {
        platform::_setcolor(stroke.colour);
        platform::_line(stroke.x1, stroke.y1, stroke.x2, stroke.y2);
    }
    platform::_setcolor(kBlack);
    platform::_arc(145, 421, 0, 180, 6);
    platform::_arc(145, 435, 0, 180, 6);
}

void draw_fan_mode_values(uint8_t selected, uint8_t in_force) {
    set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    for (int s = 1; s <= kFanShapes; ++s) {
        const auto y = static_cast<int16_t>(357 + kRowPitch * s);
        fill_box(160, y, 214, static_cast<int16_t>(y + 8), s == selected ? kLightCyan : kDarkGrey);
    }
    fill_box(6, 441, 214, 449, kLightGrey);
    if (in_force >= 1 && in_force <= kFanShapes) {
        const auto y = static_cast<int16_t>(358 + kRowPitch * in_force);
        text_at(kValueX, y, selected == in_force ? kRed : kYellow, "ON");
    }
}

// ------------------------------------------------------------------ global settings

struct Box {
    int16_t x1, y1, x2, y2;
    int16_t text_x;
};

// Value boxes of rows 1..26 (index 0 unused).
constexpr std::array<Box, kGlobalSettingsRows + 1> kSettingBoxes = {{
    {0, 0, 0, 0, 0},
    {370, 286, 410, 295, 375}, {370, 298, 410, 307, 375},                                   // 1, 2
    {370, 322, 410, 331, 375}, {370, 334, 410, 343, 372}, {370, 346, 410, 355, 375},        // 3, 4, 5
    {370, 358, 410, 367, 375}, {370, 370, 410, 379, 375}, {370, 382, 410, 391, 375},        // 6, 7, 8
    {370, 394, 410, 403, 375}, {370, 406, 410, 415, 375}, {370, 418, 410, 427, 375},        // 9, 10, 11
    {370, 442, 410, 451, 375}, {370, 454, 410, 463, 375}, {370, 466, 410, 475, 375},        // 12, 13, 14
    {490, 298, 530, 307, 495}, {490, 322, 530, 331, 495},                                   // 15, 16
    {575, 334, 615, 343, 580}, {575, 346, 615, 355, 580}, {575, 358, 615, 367, 580},        // 17, 18, 19
    {575, 370, 615, 379, 580},                                                              // 20
    {565, 394, 615, 403, 570}, {565, 406, 615, 415, 570}, {565, 418, 615, 427, 570},        // 21, 22, 23
    {565, 430, 615, 439, 570}, {565, 442, 615, 451, 570},                                   // 24, 25
    {565, 466, 615, 475, 568},                                                              // 26
}};

constexpr std::array<const char*, kGlobalSettingsRows + 1> kSettingLabels = {
    "",
    "PLAYBACKS TRANSPARENT", "SEQUENCES TRANSPARENT", "MODE", "VIEWMODE", "SEQUENCE A", "SEQUENCE B",
    "SEQUENCE C", "SEQUENCE D", "CUEFADING", "VALUES", "TIMECODE PLAY", "AUTOLOAD CUEMEM", "AUTOPREPARE CUES",
    "AUTOMATIC TRACE", "      FROM", "      FROM", "AUTOMATIC MEMORYNAME", "AUTOMATIC CUENAME",
    "AUTOMATIC PRESETNAME", "AUTOMATIC GROUPNAME", "     delay in", "     fade in", "     delay out",
    "     fade out", "     hold", "AUTOMATIC CUETRACKING",
};

constexpr int16_t kLeftLabelX = 240;
constexpr int16_t kRightLabelX = 425;
constexpr int16_t kLeftHeaderX = 235;
constexpr int16_t kRightHeaderX = 420;
constexpr uint8_t kFirstRightRow = 15;
constexpr uint8_t kFirstTimeRow = 21;
constexpr uint8_t kLastTimeRow = 25;
constexpr int kAutoNumberSteps = 8;  // memories from 1, 501, ... 3501

bool is_time_row(uint8_t row) { return row >= kFirstTimeRow && row <= kLastTimeRow; }

void draw_global_settings_editor() {
    save_panel_picture();
    fill_box(229, 105, 639, 479, kBlack);
    runtime::option_flags &= ~runtime::OPT_SEQUENCE_PANEL;
    draw_sequence_panel();
    platform::_setcolor(kLightGrey);
    platform::_rectangle(230, 270, 630, 479);
    set_text_style(kBitmapFont, platform::kHorizontalText, kTitleSize);
    fill_box(230, 250, 630, 266, kGreen);
    text_at(340, 255, kYellow, "EDIT GLOBAL SETTINGS");
    set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);

    text_at(kLeftHeaderX, 275, kYellow, "GLOBAL TRANSPARENTMODE");
    text_at(kLeftHeaderX, 311, kYellow, "CONSOLE STARTUP");
    text_at(kLeftHeaderX, 431, kYellow, "CUEFADING OPTIONS");
    text_at(kRightHeaderX, 275, kYellow, "CONSOLE SETTINGS");
    text_at(kRightLabelX, 383, kCyan, "DEFAULT Cuetimings");
    text_at(kRightHeaderX, 455, kYellow, "TIMECODE SETTINGS");
    text_at(kRightLabelX, 287, kCyan, "AUTOMATIC PLAYBACK-MEMORIES");
    text_at(kRightLabelX, 311, kCyan, "AUTOMATIC SEQUENCE-MEMORIES");
    for (uint8_t row = 1; row <= kGlobalSettingsRows; ++row) {
        const Box& box = kSettingBoxes[row];
        text_at(row < kFirstRightRow ? kLeftLabelX : kRightLabelX, static_cast<int16_t>(box.y1 + 1), kCyan,
                kSettingLabels[row]);
        fill_box(box.x1, box.y1, box.x2, box.y2, row == 14 ? kDarkGrey : kLightGrey);
    }
}

void draw_global_settings_values(uint8_t selected, const GlobalSettingsCopy& copy) {
    set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    for (uint8_t row = 1; row <= kGlobalSettingsRows; ++row) {
        const Box& box = kSettingBoxes[row];
        fill_box(box.x1, box.y1, box.x2, box.y2, row == selected ? kLightCyan : kGreen);
        char text[16]{};
        global_settings_value_text(copy, row, text, sizeof text);
        int16_t x = box.text_x;
        if (row == kGlobalSettingsRows) x = copy.extras[1] == 0 ? 574 : copy.extras[1] == 1 ? 578 : 568;
        text_at(x, static_cast<int16_t>(box.y1 + 1), row == selected ? kRed : kYellow, text);
    }
}

GlobalSettingsCopy copy_global_settings() {
    GlobalSettingsCopy copy;
    copy.show_defaults = {low_byte(datafiles::transp_show_default), high_byte(datafiles::transp_show_default)};
    for (size_t i = 0; i < copy.settings.size(); ++i) copy.settings[i] = setup::setup_data.u8(setup::kSetupGlobalSettings + i);
    for (size_t i = 0; i < copy.times.size(); ++i) copy.times[i] = setup::setup_data.u16(setup::kSetupDefaultTimes + 2 * i);
    for (size_t i = 0; i < copy.extras.size(); ++i) copy.extras[i] = setup::setup_data.u8(setup::kSetupGroupKeyOption + i);
    return copy;
}

void store_global_settings(const GlobalSettingsCopy& copy) {
    apply_show_defaults(copy.show_defaults[0], copy.show_defaults[1]);
    datafiles::save_transp_entry(datafiles::kTranspShowDefault);
    playback::draw_cue_info_line();
    for (size_t i = 0; i < copy.settings.size(); ++i) setup::setup_data.set_u8(setup::kSetupGlobalSettings + i, copy.settings[i]);
    for (size_t i = 0; i < copy.times.size(); ++i) setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2 * i, copy.times[i]);
    for (size_t i = 0; i < copy.extras.size(); ++i) setup::setup_data.set_u8(setup::kSetupGroupKeyOption + i, copy.extras[i]);
    datafiles::save_setup_file();
}

// ------------------------------------------------------------------ time entry

struct TimeKind {
    const char* name;
    const char* prompt;
    uint16_t default_tenths;
};

constexpr std::array<TimeKind, kCueTimeKinds + 1> kTimeKinds = {{
    {"", "", 0},
    {"DELAY-IN", "Delay-in Time @ Min @ Sec @ mSec", 0},
    {"FADE-IN", "Fade-in Time @ Min @ Sec @ mSec", 20},
    {"DELAY-OUT", "Delay-out Time @ Min @ Sec @ mSec", kInfiniteTime_tenths},
    {"FADE-OUT", "Fade-out Time @ Min @ Sec @ mSec", 0},
    {"HOLD", "Hold Time @ Min @ Sec @ mSec", kInfiniteTime_tenths},
}};

bool is_time_kind(uint8_t kind) { return kind >= 1 && kind <= kCueTimeKinds; }

}  // namespace

// ------------------------------------------------------------------ public

void edit_transparent_mode() {
    if (timecode_screen_open()) return;
    const uint16_t slot =
        runtime::cue_point_slot(playback::current_cue_page, playback::current_cue, playback::current_cue_point);
    if (slot == 0) return;  // no current cue to edit
    open_frame_editor(false);
    FourBytes values = {low_byte(datafiles::transp_show_default), high_byte(datafiles::transp_show_default),
                        datafiles::transp_table[slot][0], datafiles::transp_table[slot][1]};
    draw_transparent_mode_editor();
    uint8_t row = 1;
    digits_off();
    draw_transparent_mode_values(row, values);

    for (;;) {
        const int16_t key = read_editor_key({KEY_UP, KEY_DOWN, KEY_ESC, KEY_ENTER, KEY_EDIT_ITEM});
        if (key == KEY_ESC) break;
        if (key == KEY_ENTER) {
            apply_show_defaults(values[0], values[1]);
            datafiles::transp_table[slot] = {values[2], values[3]};
            playback::playback_transparent_mode = values[2];
            playback::sequence_transparent_mode = values[3];
            datafiles::save_transp_entry(datafiles::kTranspShowDefault);
            datafiles::save_transp_entry(slot);
            playback::draw_cue_info_line();
            break;
        }
        if (key == KEY_UP && row > 1) --row;
        if (key == KEY_DOWN && row < 4) ++row;
        if (key == KEY_EDIT_ITEM) {
            uint8_t& v = values[row - 1u];
            v = row <= 2 ? toggled(v) : next_of_three(v, 1);
        }
        if (key == KEY_UP || key == KEY_DOWN || key == KEY_EDIT_ITEM) draw_transparent_mode_values(row, values);
    }
    leave_frame_editor();
}

void cycle_transparent_mode(uint8_t which) {
    uint8_t& mode = which == 0 ? playback::sequence_transparent_mode : playback::playback_transparent_mode;
    mode = mode == 0 ? 1 : mode == 1 ? 2 : 0;
    playback::draw_cue_info_line();
}

void edit_global_settings() {
    if (timecode_screen_open()) return;
    GlobalSettingsCopy copy = copy_global_settings();
    set_opening_leds();
    draw_global_settings_editor();
    uint8_t row = 1;
    digits_off();
    draw_global_settings_values(row, copy);

    for (;;) {
        const int16_t key = read_editor_key({KEY_UP, KEY_DOWN, KEY_ESC, KEY_ENTER, KEY_EDIT_ITEM});
        if (key == KEY_ESC) break;
        if (key == KEY_ENTER) {
            store_global_settings(copy);
            break;
        }
        if (key == KEY_UP) row = row == 1 ? kGlobalSettingsRows : static_cast<uint8_t>(row - 1);
        if (key == KEY_DOWN) row = row == kGlobalSettingsRows ? 1 : static_cast<uint8_t>(row + 1);
        if (key == KEY_EDIT_ITEM) {
            if (is_time_row(row)) {
                uint16_t& time = copy.times[row - size_t{kFirstTimeRow}];
                time = edit_time(time, static_cast<uint8_t>(row - kFirstTimeRow + 1));
            } else {
                change_global_setting(copy, row);
            }
        }
        if (key == KEY_UP || key == KEY_DOWN || key == KEY_EDIT_ITEM) draw_global_settings_values(row, copy);
    }

    draw_main_frame();
    set_key_led(KEY_ESC, LED_OFF);
    set_key_led(KEY_ENTER, LED_OFF);
    set_key_led(KEY_EDIT_ITEM, LED_OFF);
    playback::update_point_cue_leds();
    runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_THRESHOLD_SCREEN |
                               runtime::OPT_PICKER_GRID | runtime::OPT_TIMECODE_PLAYING | runtime::OPT_TABLE_VIEW |
                               runtime::OPT_ANALOGUE_VIEW);
    set_panel_mode(panel_number());
}

void global_settings_value_text(const GlobalSettingsCopy& copy, uint8_t row, char* text, int size) {
    const auto n = static_cast<size_t>(size);
    if (row == 1 || row == 2) {
        std::snprintf(text, n, "%s", off_on(copy.show_defaults[row - 1u]));
        return;
    }
    if (row >= 3 && row <= 19) {
        const uint8_t v = copy.settings[row - 3u];
        switch (row) {
            case 3: std::snprintf(text, n, "%s", v == 1 ? "CUE" : "FIXT."); return;
            case 4: std::snprintf(text, n, "%s", v == 0 ? "STAGE" : v == 1 ? "TEXT" : "VALUES"); return;
            case 9: std::snprintf(text, n, "%s", off_on(v)); return;
            case 10: std::snprintf(text, n, "%s", v == 0 ? "DIGIT." : "PERC."); return;
            case 15:
            case 16: {
                const int step = v >= 1 && v <= kAutoNumberSteps ? v : 1;
                std::snprintf(text, n, "%d", 500 * step - 499);
                return;
            }
            default: std::snprintf(text, n, "%s", on_off(v)); return;
        }
    }
    if (row == 20) {
        std::snprintf(text, n, "%s", on_off(copy.extras[0]));
        return;
    }
    if (is_time_row(row)) {
        const unsigned t = copy.times[row - size_t{kFirstTimeRow}];
        if (t == kInfiniteTime_tenths) {
            std::snprintf(text, n, "infinite");
        } else {
            std::snprintf(text, n, "%2um%2u.%1us", t / 600, (t % 600) / 10, (t % 600) % 10);
        }
        return;
    }
    if (row == kGlobalSettingsRows) {
        const uint8_t v = copy.extras[1];
        std::snprintf(text, n, "%s", v == 0 ? "NORMAL" : v == 1 ? "FULL" : "DISABLED");
        return;
    }
    std::snprintf(text, n, "%s", "");
}

void change_global_setting(GlobalSettingsCopy& copy, uint8_t row) {
    if (row == 1 || row == 2) {
        copy.show_defaults[row - 1u] = toggled(copy.show_defaults[row - 1u]);
    } else if (row == 4) {
        copy.settings[1] = next_of_three(copy.settings[1], 1);
    } else if (row == 15 || row == 16) {
        uint8_t& v = copy.settings[row - 3u];
        v = v >= 1 && v < kAutoNumberSteps ? static_cast<uint8_t>(v + 1) : 1;
    } else if (row >= 3 && row <= 19) {
        copy.settings[row - 3u] = toggled(copy.settings[row - 3u]);
    } else if (row == 20) {
        copy.extras[0] = toggled(copy.extras[0]);
    } else if (row == kGlobalSettingsRows) {
        copy.extras[1] = next_of_three(copy.extras[1], 1);
    }
}

uint16_t time_entry_result(uint16_t answer_tenths, uint16_t current_tenths, uint8_t kind) {
    if (answer_tenths == playback::kTimeEntryCancelled) return current_tenths;
    if (answer_tenths <= kLongestCueTime_tenths) return answer_tenths;
    return is_time_kind(kind) ? kTimeKinds[kind].default_tenths : current_tenths;
}

uint16_t edit_time(uint16_t current_tenths, uint8_t kind) {
    if (!is_time_kind(kind)) return current_tenths;
    const TimeKind& k = kTimeKinds[kind];
    beep_interruptible(800, 25);
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    for (int16_t key = KEY_DIGIT_0; key <= KEY_BACK; ++key) set_key_led(key, LED_BLINK);
    blink_keys({KEY_ESC, KEY_ENTER});
    for (const int16_t key : {KEY_CLR, KEY_THRESHOLD, KEY_FADE_MODE, KEY_ADD_EVENTS, KEY_LAST, KEY_NEXT, KEY_GET_MEMORY}) {
        set_key_led(key, LED_OFF);
    }
    fill_box(2, 282, 124, 314, kRed);
    platform::_setcolor(kLightGrey);
    platform::_line(125, 282, 125, 314);
    set_text_style(kStrokedFont, platform::kHorizontalText, kKindNameSize);
    text_at(23, 288, kLightGrey, k.name);
    set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    fill_box(126, 282, 220, 314, kLightGreen);
    show_message("EDIT TIME (SECONDS)");

    const auto answer = static_cast<uint16_t>(
        playback::edit_timing_value(kLongestCueTime_min, k.prompt, static_cast<int16_t>(k.default_tenths)));
    const uint16_t result = time_entry_result(answer, current_tenths, kind);

    for (int16_t key = KEY_DIGIT_0; key <= KEY_BACK; ++key) set_key_led(key, LED_OFF);
    set_key_led(KEY_ESC, LED_OFF);
    set_key_led(KEY_ENTER, LED_OFF);
    redraw_cue_panel();
    return result;
}

void edit_tracing_mode(uint8_t page) {
    if (timecode_screen_open() || page < 1 || page > setup::kCuePages) return;
    open_frame_editor(false);
    FourBytes values = {setup::setup_data.u8(kGlobalAutoprepare), setup::setup_data.u8(kGlobalAutotrace),
                        setup::setup_data.u8(page_prepare_field(page)), setup::setup_data.u8(page_trace_field(page))};
    draw_tracing_mode_editor(page);
    uint8_t row = 1;
    digits_off();
    draw_tracing_mode_values(row, values);

    for (;;) {
        const int16_t key = read_editor_key({KEY_UP, KEY_DOWN, KEY_ESC, KEY_ENTER, KEY_EDIT_ITEM});
        if (key == KEY_ESC) break;
        if (key == KEY_ENTER) {
            setup::setup_data.set_u8(kGlobalAutoprepare, values[0]);
            setup::setup_data.set_u8(kGlobalAutotrace, values[1]);
            setup::setup_data.set_u8(page_prepare_field(page), values[2]);
            setup::setup_data.set_u8(page_trace_field(page), values[3]);
            datafiles::save_setup_file();
            if (cue_screen_shown()) draw_cue_page_title(kCuePageTitleColour);
            break;
        }
        if (key == KEY_UP && row > 1) --row;
        if (key == KEY_DOWN && row < 4) ++row;
        if (key == KEY_EDIT_ITEM) {
            uint8_t& v = values[row - 1u];
            // The page rows go ON, OFF, DEFAULT; a stray value shows OFF and goes on to DEFAULT.
            v = row <= 2 ? toggled(v) : next_of_three(v, 0);
        }
        if (key == KEY_UP || key == KEY_DOWN || key == KEY_EDIT_ITEM) draw_tracing_mode_values(row, values);
    }
    leave_frame_editor();
}

void edit_solo_memory() {
    if (timecode_screen_open()) return;
    open_frame_editor(false);
    const int16_t stored = setup::setup_data.i16(setup::kSetupSoloMemory);
    int16_t memory = stored >= 1 && stored <= kHighestSoloMemory ? stored : 0;
    draw_solo_memory_editor();
    digits_off();
    draw_solo_memory_value(memory);

    for (;;) {
        const int16_t key = read_editor_key({KEY_ESC, KEY_ENTER, KEY_EDIT_ITEM});
        if (key == KEY_ESC) break;
        if (key == KEY_ENTER) {
            setup::setup_data.set_i16(setup::kSetupSoloMemory, memory);
            playback::draw_cue_info_line();
            datafiles::save_setup_file();
            break;
        }
        if (key == KEY_EDIT_ITEM) {
            memory = ask_solo_memory();
            draw_solo_memory_value(memory);
        }
    }
    leave_frame_editor();
    set_key_led(KEY_STEP, (runtime::mode_flags & runtime::MODE_FIXTURE_STEP) != 0 ? LED_ON : LED_OFF);
    const bool solo = setup::setup_data.i16(setup::kSetupSoloMemory) >= 1;
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_SOLO_MEMORY) | (solo ? runtime::MODE_SOLO_MEMORY : 0);
}

void edit_fan_mode() {
    if (timecode_screen_open()) return;
    open_frame_editor(true);
    const int16_t shape = programmer::fan_shape;
    const uint8_t in_force = shape >= 1 && shape <= kFanShapes ? static_cast<uint8_t>(shape) : 0;
    uint8_t selected = in_force != 0 ? in_force : 1;
    draw_fan_mode_editor();
    digits_off();
    draw_fan_mode_values(selected, in_force);

    for (;;) {
        const int16_t key = read_editor_key({KEY_UP, KEY_DOWN, KEY_ESC, KEY_ENTER});
        if (key == KEY_ESC) break;
        if (key == KEY_ENTER) {
            runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) |
                                  (static_cast<uint32_t>(kEditModeFan) << kEditModeShift);
            programmer::fan_shape = selected;
            playback::draw_cue_info_line();
            break;
        }
        if (key == KEY_UP && selected > 1) --selected;
        if (key == KEY_DOWN && selected < kFanShapes) ++selected;
        if (key == KEY_UP || key == KEY_DOWN) draw_fan_mode_values(selected, in_force);
    }
    leave_frame_editor();
}

}  // namespace ui
