#include "hwtest/panel_tests.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "hwtest/auto_test.h"
#include "hwtest/card_scan.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "platform/interrupts.h"
#include "platform/key_leds.h"
#include "platform/machine.h"
#include "platform/speaker.h"
#include "platform/text_screen.h"

namespace hwtest {

namespace {

constexpr int kGreen = 2;
constexpr int kLightBlue = 9;
constexpr int kLightRed = 12;

constexpr int kLastTestedKey = 401;
constexpr int kStartBeepHz = 800;
constexpr uint32_t kStartBeepMs = 200;

// The answer box of the panel tests and the line under it.
constexpr int kBoxLeft = 170;
constexpr int kBoxRight = 470;
constexpr int kBoxTop = 130;
constexpr int kBoxBottom = 150;
constexpr int kBoxTextX = 180;
constexpr int kBoxTextY = 138;
constexpr int kSecondBoxTop = 160;
constexpr int kSecondBoxBottom = 180;
constexpr int kSecondBoxTextY = 168;

void fill_box(int colour, int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(left, top, right, bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// A box with a red line of text in it.
void draw_text_box(int colour, int left, int top, int right, int bottom, int text_x, int text_y,
                   std::string_view text) {
    fill_box(colour, left, top, right, bottom);
    draw_text(kRed, text_x, text_y, text);
}

bool key_in_range(int key, int first, int last) { return key >= first && key <= last; }

bool has_led(int key) {
    if (!key_in_range(key, 1, kKeyTableSize - 1)) return false;
    const size_t k = static_cast<size_t>(key);
    return key_led_column[k] != kNoLed && key_led_row[k] != kNoLed;
}

// --- LED test --------------------------------------------------------------------------------

constexpr std::string_view kLedTitle = "CHECKING LEDS";
constexpr int kLedTitleX = 260;
constexpr std::string_view kNoLedsStatus =
    "++++++++++++++++++++++++ ERROR : NO HARDWARE-LEDS FOUND ++++++++++++++++++++++++++";
constexpr std::string_view kLedStatus =
    "++++++++ CHECK LEDS AND ANSWER QUESTIONS WITH [Y]ES OR [N]O (ESC=CANCEL) ++++++++";
constexpr int kLedPhases = 4;
constexpr int kQuestionStepY = 30;

// LED state per phase of each group: two-LED, single green, single red.
constexpr std::array<int, kLedPhases> kTwoLedPhaseStates = {kLedSecondLit, kLedFirstLit, kLedSecondLit,
                                                            kLedFirstLit};
constexpr std::array<int, kLedPhases> kGreenLedPhaseStates = {kLedFirstLit, kLedOff, kLedFirstLit, kLedFirstLit};
constexpr std::array<int, kLedPhases> kRedLedPhaseStates = {kLedOff, kLedFirstLit, kLedFirstLit, kLedFirstLit};
constexpr std::array<std::string_view, kLedPhases> kLedQuestions = {
    "ARE ONLY GREEN LEDS ACTIVE? (Y/N)", "ARE ONLY RED LEDS ACTIVE? (Y/N)", "ARE ALL LEDS ACTIVE? (Y/N)",
    "ARE ALL LEDS ACTIVE? (Y/N)"};

// The phase's LED state for a key; -1 for a key that gets nothing.
int led_phase_state(int key, int phase) {
    if (!key_in_range(phase, 1, kLedPhases)) return -1;
    const size_t p = static_cast<size_t>(phase - 1);
    if (is_two_led_key(key)) return kTwoLedPhaseStates[p];
    if (is_single_green_led_key(key)) return kGreenLedPhaseStates[p];
    if (is_single_red_led_key(key)) return kRedLedPhaseStates[p];
    return -1;
}

void set_led_phase(int phase) {
    for (int key = 1; key <= kLastTestedKey; ++key) {
        const int state = led_phase_state(key, phase);
        if (state >= 0) set_key_led_for_test(key, state);
    }
}

void draw_led_question(int phase, int colour) {
    if (!key_in_range(phase, 1, kLedPhases)) return;
    const int shift = kQuestionStepY * (phase - 1);
    draw_text_box(colour, kBoxLeft, kBoxTop + shift, kBoxRight, kBoxBottom + shift, kBoxTextX, kBoxTextY + shift,
                  kLedQuestions[static_cast<size_t>(phase - 1)]);
}

int read_yes_no_esc() {
    for (;;) {
        const int key = read_answer_key();
        if (key == 'Y' || key == 'N' || key == kEscKey) return key;
    }
}

// --- key test --------------------------------------------------------------------------------

constexpr std::string_view kKeyTitle = "CHECKING KEYS";
constexpr int kKeyTitleX = 262;
constexpr std::string_view kNoKeysStatus =
    "++++++++++++++++++++++++ ERROR : NO HARDWARE-KEYS FOUND +++++++++++++++++++++++++";
constexpr std::string_view kKeyStatus =
    "++++++++++++++++++++++++ PRESS THE SELECTED KEY (ESC=CANCEL) ++++++++++++++++++++++++";
constexpr int kSkippedKey = 227;
constexpr platform::KeyCodeRange kFlashFaderKeys = {281, 284};
constexpr platform::KeyCodeRange kFirstPlaybackFlashKeys = {291, 300};
constexpr platform::KeyCodeRange kSequenceBeltKeys = {251, 274};
constexpr std::array<int, 4> kSequenceBeltKeysNeverTested = {253, 259, 265, 271};
constexpr int kLastKeyWithoutWing = 301;
constexpr int kKeyPressBeepHz = 400;
constexpr uint32_t kKeyPressBeepMs = 50;

void show_key_box(bool selected_colour, std::string_view format, int key) {
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), format.data(), key);
    draw_text_box(selected_colour ? kLightGreen : kGreen, kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, kBoxTextX,
                  kBoxTextY, text.data());
}

bool pc_escape_pressed() { return platform::kbhit() != 0 && read_answer_key() == kEscKey; }

// Waits for the selected key to be pressed and released; false on Esc.
bool wait_for_key_press_and_release(int selected) {
    bool pressed_mark = false;
    set_key_led_for_test(selected, kLedBothBlinking);
    for (;;) {
        if (is_console_key_pending_for_test()) {
            int key = 0;
            if (read_console_key_for_test(key)) {
                show_key_box(key == selected, "KEY [%d] PRESSED", key);
                if (key == selected) {
                    pressed_mark = true;
                    beep_tone(kKeyPressBeepHz, kKeyPressBeepMs);
                } else {
                    pressed_mark = false;
                    set_key_led_for_test(key, kLedFirstLit);
                }
            } else {
                show_key_box(key == selected && pressed_mark, "KEY [%d] RELEASED", key);
                if (key == selected && pressed_mark) {
                    set_key_led_for_test(selected, kLedOff);
                    return true;
                }
                if (key != selected) set_key_led_for_test(key, kLedOff);
            }
        }
        if (pc_escape_pressed()) return false;
        platform::idle_poll();
    }
}

// --- display test ----------------------------------------------------------------------------

constexpr std::string_view kDisplayTitle = "CHECKING DISPLAYS";
constexpr int kDisplayTitleX = 260;
constexpr std::string_view kNoDisplaysStatus =
    "++++++++++++++++++++++++++ ERROR : NO DISPLAYS FOUND ++++++++++++++++++++++++++++";
constexpr std::string_view kDisplayStatus =
    "+++++++++++ CHECK DISPLAYS AND ANSWER QUESTION WITH [Y]ES OR [N]O ++++++++++++++";
constexpr std::array<std::string_view, kDisplays> kDisplayFirstLines = {
    "*TEST-MASTERDISPLAY*", "*TEST-DISPLAY-SEQ.A*", "*TEST-DISPLAY-SEQ.B*",
    "*TEST-DISPLAY-SEQ.C*", "*TEST-DISPLAY-SEQ.D*", "*TEST-PLB 1-4",
    "*TEST-PLB 5-8",        "*TEST-PLB 9-12",       "*TEST-PLB 13-16"};
constexpr std::string_view kDisplayStarLine = "********************";
constexpr std::string_view kDisplayNameLine = "*-------ZELK-------*";
constexpr int kDisplaysClearedAfterTest = 5;

// --- trackerball test ------------------------------------------------------------------------

constexpr std::string_view kTrackerballTitle = "CHECKING TRACKERBALL";
constexpr int kTrackerballTitleX = 245;
constexpr std::string_view kNoMouseStatus =
    "++++++++++++++++++++++++ ERROR : MOUSE-DRIVER NOT FOUND +++++++++++++++++++++++++";
constexpr int kButtonPhases = 4;
constexpr std::array<std::string_view, kButtonPhases> kButtonPhaseStatus = {
    "+++ PLEASE CLICK ON THE 4 CORNERS WITH THE UPPER-LEFT BUTTON... (ESC=CANCEL) +++",
    "+++ PLEASE CLICK ON THE 4 CORNERS WITH THE UPPER-RIGHT BUTTON... (ESC=CANCEL) +++",
    "+++ PLEASE CLICK ON THE 4 CORNERS WITH THE LOWER-LEFT BUTTON... (ESC=CANCEL) +++",
    "+++ PLEASE CLICK ON THE 4 CORNERS WITH THE LOWER-RIGHT BUTTON... (ESC=CANCEL) +++"};
constexpr std::array<int, kButtonPhases> kButtonPhaseColours = {kLightBlue, kLightRed, kGreen, kMagenta};
constexpr std::array<uint16_t, kButtonPhases> kButtonPhaseMasks = {1, 2, 4, 4};

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

constexpr int kCorners = 4;
// Upper-left, upper-right, lower-left, lower-right.
constexpr std::array<ScreenRect, kCorners> kCornerSquares = {{
    {5, 100, 105, 200}, {534, 100, 634, 200}, {5, 280, 105, 380}, {534, 280, 634, 380},
}};

constexpr ScreenRect kButtonLabelBox = {170, 160, 470, 180};
constexpr ScreenRect kXLabelBox = {170, 210, 310, 230};
constexpr ScreenRect kYLabelBox = {330, 210, 470, 230};
constexpr int kLabelTextY = 168;
constexpr int kPositionTextY = 218;
constexpr int kXLabelX = 180;
constexpr int kYLabelX = 340;
constexpr ScreenRect kButtonTextBox = {290, 160, 470, 180};
constexpr int kButtonTextX = 294;
constexpr int kXValueX = 280;
constexpr int kYValueX = 430;
constexpr int kButtonToneHz = 400;
constexpr int kPhaseDoneBeepHz = 800;
constexpr uint32_t kPhaseDoneBeepMs = 100;

struct PointerState {
    uint16_t buttons = 0;
    int x = 0;
    int y = 0;
};

PointerState read_pointer() {
    platform::Regs regs;
    regs.set_ax(3);
    platform::int386(0x33, regs);
    return PointerState{regs.bx(), static_cast<int16_t>(regs.cx()), static_cast<int16_t>(regs.dx())};
}

void mouse_call(uint16_t function) {
    platform::Regs regs;
    regs.set_ax(function);
    platform::int386(0x33, regs);
}

void show_pointer() { mouse_call(1); }
void hide_pointer() { mouse_call(2); }

void fill_rect(int colour, const ScreenRect& r) { fill_box(colour, r.left, r.top, r.right, r.bottom); }

void paint_corners(int colour) {
    for (const ScreenRect& corner : kCornerSquares) fill_rect(colour, corner);
}

bool strictly_inside(const ScreenRect& r, int x, int y) {
    return x > r.left && x < r.right && y > r.top && y < r.bottom;
}

void show_button_text(std::string_view format, uint16_t buttons) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), format.data(), static_cast<int>(buttons));
    fill_rect(kLightGreen, kButtonTextBox);
    draw_text(kRed, kButtonTextX, kLabelTextY, text.data());
}

// Shows a changed coordinate: the old number (none before the first) drawn
// over in the box colour.
void show_coordinate(int x, int old_value, int new_value) {
    std::array<char, 16> text{};
    if (old_value >= 0) {
        std::snprintf(text.data(), text.size(), "%d", old_value);
        draw_text(kLightGreen, x, kPositionTextY, text.data());
    }
    std::snprintf(text.data(), text.size(), "%d", new_value);
    draw_text(kRed, x, kPositionTextY, text.data());
}

// The first corner, in the fixed order, not yet clicked that holds the
// pointer; -1 when none.
int corner_clicked(const std::array<bool, kCorners>& clicked, int x, int y) {
    for (size_t c = 0; c < kCornerSquares.size(); ++c) {
        if (!clicked[c] && strictly_inside(kCornerSquares[c], x, y)) return static_cast<int>(c);
    }
    return -1;
}

// One phase of the trackerball test; false on Esc.
bool run_button_phase(int phase, int& shown_x, int& shown_y) {
    if (!key_in_range(phase, 0, kButtonPhases - 1)) return false;
    const size_t p = static_cast<size_t>(phase);
    draw_status_line(kButtonPhaseStatus[p]);
    paint_corners(kButtonPhaseColours[p]);
    std::array<bool, kCorners> clicked{};
    int corners_left = kCorners;
    while (corners_left > 0) {
        const PointerState pointer = read_pointer();
        if (pointer.buttons != 0) {
            hide_pointer();
            platform::sound(kButtonToneHz);
            show_button_text("BUTTON %d PRESSED", pointer.buttons);
            while ((read_pointer().buttons & pointer.buttons) != 0) platform::idle_poll();
            platform::nosound();
            show_pointer();
            show_button_text("BUTTON %d RELEASED", pointer.buttons);
            if (pointer.buttons == kButtonPhaseMasks[p]) {
                const int corner = corner_clicked(clicked, pointer.x, pointer.y);
                if (corner >= 0) {
                    clicked[static_cast<size_t>(corner)] = true;
                    fill_rect(kLightGrey, kCornerSquares[static_cast<size_t>(corner)]);
                    --corners_left;
                }
            }
        }
        if (pointer.x != shown_x) {
            show_coordinate(kXValueX, shown_x, pointer.x);
            shown_x = pointer.x;
        }
        if (pointer.y != shown_y) {
            show_coordinate(kYValueX, shown_y, pointer.y);
            shown_y = pointer.y;
        }
        if (pc_escape_pressed()) return false;
        platform::idle_poll();
    }
    beep_tone(kPhaseDoneBeepHz, kPhaseDoneBeepMs);
    return true;
}

}  // namespace

// --- key groups ----------------------------------------------------------------------------

bool is_single_red_led_key(int key) {
    return key_in_range(key, 1, kLastTestedKey) && !is_two_led_key(key) && !is_single_green_led_key(key) &&
           has_led(key);
}

bool is_key_tested(int key) {
    if (!key_in_range(key, 1, kLastTestedKey) || key == kSkippedKey) return false;
    const size_t k = static_cast<size_t>(key);
    if (key_led_column[k] == kNoLed && key_led_row[k] == kNoLed) return false;
    if (!console_option_flags.analogue_faders &&
        (key_in_range(key, kFlashFaderKeys.first, kFlashFaderKeys.last) ||
         key_in_range(key, kFirstPlaybackFlashKeys.first, kFirstPlaybackFlashKeys.last))) {
        return false;
    }
    if (!console_option_flags.sequence_belts && key_in_range(key, kSequenceBeltKeys.first, kSequenceBeltKeys.last)) {
        return false;
    }
    if (console_option_flags.sequence_belts) {
        for (const int never : kSequenceBeltKeysNeverTested) {
            if (key == never) return false;
        }
    }
    if (!console_kind.has_wing && key > kLastKeyWithoutWing) return false;
    return true;
}

// --- the tests -----------------------------------------------------------------------------

bool test_leds() {
    begin_test(kTestLeds);
    if (!console_option_flags.hardware_keys) {
        draw_test_frame(kLedTitle, kLedTitleX, kNoLedsStatus);
        report_test_not_possible(kNoLedsStatus);
        return false;
    }
    draw_test_frame(kLedTitle, kLedTitleX, kLedStatus);
    all_leds_off_for_test();

    int answer = 'Y';
    for (int phase = 1; phase <= kLedPhases && answer == 'Y'; ++phase) {
        beep_tone(kStartBeepHz, kStartBeepMs);
        set_led_phase(phase);
        draw_led_question(phase, kLightGreen);
        answer = read_yes_no_esc();
        draw_led_question(phase, kGreen);
    }
    if (answer != 'N') all_leds_off_for_test();

    if (answer == kEscKey) return finish_test(kTestLeds, "ERROR : LED-TEST NOT COMPLETED!");
    if (answer == 'N') return finish_test(kTestLeds, "ERROR : SOME LEDS DON'T WORK!");
    return finish_test(kTestLeds, kTestOk);
}

bool test_keys() {
    begin_test(kTestKeys);
    if (!console_option_flags.hardware_keys) {
        draw_test_frame(kKeyTitle, kKeyTitleX, kNoKeysStatus);
        report_test_not_possible(kNoKeysStatus);
        return false;
    }
    draw_test_frame(kKeyTitle, kKeyTitleX, kKeyStatus);
    flush_console_keys_for_test();
    all_leds_off_for_test();
    beep_tone(kStartBeepHz, kStartBeepMs);

    bool completed = true;
    for (int key = 1; key <= kLastTestedKey && completed; ++key) {
        if (is_key_tested(key)) completed = wait_for_key_press_and_release(key);
    }
    return finish_test(kTestKeys, completed ? kTestOk : "ERROR : KEY-TEST NOT COMPLETED!");
}

bool test_displays() {
    begin_test(kTestDisplays);
    if (!console_option_flags.displays) {
        draw_test_frame(kDisplayTitle, kDisplayTitleX, kNoDisplaysStatus);
        report_test_not_possible(kNoDisplaysStatus);
        return false;
    }
    draw_test_frame(kDisplayTitle, kDisplayTitleX, kDisplayStatus);
    for (int display = 1; display <= kDisplays; ++display) {
        write_display_lines(display, kDisplayFirstLines[static_cast<size_t>(display - 1)], kDisplayStarLine,
                            kDisplayNameLine, kDisplayStarLine);
    }
    beep_tone(kStartBeepHz, kStartBeepMs);
    draw_text_box(kGreen, kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, kBoxTextX, kBoxTextY, "TESTING DISPLAYS...");
    draw_text_box(kLightGreen, kBoxLeft, kSecondBoxTop, kBoxRight, kSecondBoxBottom, kBoxTextX, kSecondBoxTextY,
                  "IS THE DISPLAY-INFO CORRECT? (Y/N)");
    int answer = 0;
    while (answer != 'Y' && answer != 'N') answer = read_answer_key();

    const bool passed = finish_test(kTestDisplays, answer == 'Y' ? kTestOk : "ERROR : SOME DISPLAYS DON'T WORK!");
    for (int display = 1; display <= kDisplaysClearedAfterTest; ++display) write_display_lines(display, "", "", "", "");
    return passed;
}

bool test_trackerball() {
    begin_test(kTestTrackerball);
    if (trackerball_present == 0) {
        draw_test_frame(kTrackerballTitle, kTrackerballTitleX, kNoMouseStatus);
        report_test_not_possible(kNoMouseStatus);
        return false;
    }
    draw_test_frame(kTrackerballTitle, kTrackerballTitleX, kButtonPhaseStatus[0]);
    draw_text_box(kLightGreen, kButtonLabelBox.left, kButtonLabelBox.top, kButtonLabelBox.right,
                  kButtonLabelBox.bottom, kXLabelX, kLabelTextY, "MOUSE-BUTTON :");
    draw_text_box(kLightGreen, kXLabelBox.left, kXLabelBox.top, kXLabelBox.right, kXLabelBox.bottom, kXLabelX,
                  kPositionTextY, "X-POSITION :");
    draw_text_box(kLightGreen, kYLabelBox.left, kYLabelBox.top, kYLabelBox.right, kYLabelBox.bottom, kYLabelX,
                  kPositionTextY, "Y-POSTION :");
    show_pointer();
    beep_tone(kStartBeepHz, kStartBeepMs);

    // Nothing shown yet: the first reading always differs.
    int shown_x = -1;
    int shown_y = -1;
    bool completed = true;
    for (int phase = 0; phase < kButtonPhases && completed; ++phase) {
        completed = run_button_phase(phase, shown_x, shown_y);
    }
    hide_pointer();
    paint_corners(kLightGrey);
    return finish_test(kTestTrackerball, completed ? kTestOk : "ERROR : TRACKERBALL-TEST NOT COMPLETED!");
}

}  // namespace hwtest
