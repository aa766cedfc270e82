#include "hwtest/fader_tests.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string_view>

#include "hwtest/auto_test.h"
#include "hwtest/card_scan.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "platform/text_screen.h"

namespace hwtest {

namespace {

constexpr int kGaugeColour = kYellow;
constexpr int kSelectedNumberColour = kYellow;
constexpr int kNumberColour = kBlue;
constexpr int kTopValue = 251;  // a value above this is the top
constexpr int kValueStepsPerLine = 3;
constexpr int kMaxValue = 255;

constexpr int kStartBeepHz = 800;
constexpr uint32_t kStartBeepMs = 200;
constexpr int kStepBeepHz = 800;
constexpr uint32_t kStepBeepMs = 50;

constexpr std::string_view kMoveStatus =
    "+++++++++++++ MOVE SELECTED SLIDER FROM BOTTOM TO TOP (ESC=CANCEL) +++++++++++++";

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

void fill_rect(int colour, const ScreenRect& r) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(r.left, r.top, r.right, r.bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// A blue strip with a word written downwards, one white letter every 10 pixels.
struct LabelStrip {
    ScreenRect strip;
    int text_x = 0;
    int text_y = 0;
    std::string_view word;
};

constexpr int kLetterStepY = 10;

void draw_label_strip(const LabelStrip& label) {
    fill_rect(kBlue, label.strip);
    for (size_t i = 0; i < label.word.size(); ++i) {
        draw_text(kWhite, label.text_x, label.text_y + kLetterStepY * static_cast<int>(i), label.word.substr(i, 1));
    }
}

void draw_gauge_number(const FaderGauge& gauge, int colour) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%d", gauge.number);
    draw_text(colour, gauge.number >= 10 ? gauge.x - 1 : gauge.x + 3, gauge.y + 2, text.data());
}

void draw_gauge_value(const FaderGauge& gauge, int colour) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%03d", gauge.value);
    draw_text(colour, gauge.x - 5, gauge.y - 101, text.data());
}

void draw_gauge_lines(const FaderGauge& gauge, int first, int last, int colour) {
    platform::_setcolor(colour);
    for (int i = first; i <= last; ++i) platform::_line(gauge.x + 3, gauge.y - i, gauge.x + 9, gauge.y - i);
}


// --- the selection walk ------------------------------------------------------------------

enum class WalkStep { stay, next, passed };

// One pass of the walk over gauges[0..count-1]: the selected fader must be
// seen at the bottom and then at the top.
WalkStep walk_selection(std::span<FaderGauge> gauges, size_t count, size_t& selected, std::span<bool> seen_at_bottom) {
    if (selected >= count || selected >= gauges.size() || selected >= seen_at_bottom.size()) return WalkStep::passed;
    FaderGauge& gauge = gauges[selected];
    if (gauge_at_bottom(gauge)) {
        seen_at_bottom[selected] = true;
        return WalkStep::stay;
    }
    if (!gauge_at_top(gauge) || !seen_at_bottom[selected]) return WalkStep::stay;
    highlight_gauge_number(gauge, kNumberColour);
    ++selected;
    if (selected >= count || selected >= gauges.size()) return WalkStep::passed;
    highlight_gauge_number(gauges[selected], kSelectedNumberColour);
    beep_tone(kStepBeepHz, kStepBeepMs);
    return WalkStep::next;
}

bool pc_escape_pressed() { return platform::kbhit() != 0 && read_answer_key() == kEscKey; }

// --- analogue faders ------------------------------------------------------------------------

constexpr std::string_view kNoAnalogueStatus =
    "++++++++++++++++++++++ ERROR : NO ANALOGUE FADERS FOUND ++++++++++++++++++++++++++";
constexpr int kMasters = 4;
constexpr int kPlaybacks = 42;
constexpr int kAnalogueGauges = kMasters + kPlaybacks;
constexpr int kPlaybacksWithoutWing = 10;
constexpr ScreenRect kAnaloguePanel = {100, 75, 615, 450};
constexpr ScreenRect kAnalogueTitleBar = {100, 75, 615, 90};
constexpr int kAnalogueTitleX = 225;
constexpr int kAnalogueTitleY = 80;
constexpr std::array<LabelStrip, 4> kAnalogueLabels = {{
    {{105, 95, 121, 200}, 110, 100, "MASTERS"},
    {{285, 95, 301, 200}, 290, 100, "PLAYBACKS"},
    {{105, 215, 121, 320}, 110, 220, "PLAYBACKS"},
    {{105, 335, 121, 440}, 110, 340, "PLAYBACKS"},
}};
constexpr int kFirstMasterFlashKey = 281;
constexpr int kFirstPlaybackFlashKey = 291;
constexpr int kLastConsoleKey = 401;
constexpr uint32_t kPlaybackFaderOffset = 8;

// Where gauge i (masters first, then playbacks) sits.
void analogue_gauge_place(int i, int& number, int& x, int& y) {
    if (i < kMasters) {
        number = i + 1;
        x = 110 + 30 * number;
        y = 200;
        return;
    }
    number = i - kMasters + 1;
    if (number <= 10) {
        x = 290 + 30 * number;
        y = 200;
    } else if (number <= 26) {
        x = 30 * number - 190;
        y = 320;
    } else {
        x = 30 * number - 670;
        y = 440;
    }
}

int flash_key_of_gauge(size_t i) {
    const int index = static_cast<int>(i);
    return index < kMasters ? kFirstMasterFlashKey + index : kFirstPlaybackFlashKey + index - kMasters;
}

uint8_t read_analogue_fader(size_t i) {
    const uint32_t offset = i < kMasters ? 2 * static_cast<uint32_t>(i)
                                         : kPlaybackFaderOffset + 2 * static_cast<uint32_t>(i - kMasters);
    return peek_card_byte_for_test(console_card_selector, card_memory_map.fader_area + offset);
}

void set_analogue_test_leds() {
    for (int key = 1; key <= kLastConsoleKey; ++key) {
        const bool flash_key = (key >= kFirstMasterFlashKey && key < kFirstMasterFlashKey + kMasters) ||
                               key >= kFirstPlaybackFlashKey;
        set_key_led_for_test(key, flash_key ? kLedOff : kLedFirstLit);
    }
}

void draw_analogue_screen() {
    fill_rect(kLightGreen, kAnaloguePanel);
    fill_rect(kRed, kAnalogueTitleBar);
    draw_text(kWhite, kAnalogueTitleX, kAnalogueTitleY, "CHECKING ANALOGUE FADERS");
    draw_status_line(kMoveStatus);
    for (const LabelStrip& label : kAnalogueLabels) draw_label_strip(label);
}

// --- digital faders -------------------------------------------------------------------------

constexpr std::string_view kNoDigitalStatus =
    "++++++++++++++++++++++++ ERROR : NO DIGITAL FADERS FOUND ++++++++++++++++++++++++++";
constexpr std::string_view kNoFunctionBeltsStatus =
    "+++++++++++++++++ ERROR : DIGITAL FADERS FUNCTIONS NOT FOUND ++++++++++++++++++++";
constexpr std::string_view kNoSequenceBeltsStatus =
    "+++++++++++++++++ ERROR : DIGITAL FADERS SEQUENCES NOT FOUND ++++++++++++++++++++";
constexpr int kBelts = kSequenceBelts + kFunctionBelts;
constexpr ScreenRect kDigitalPanel = {60, 100, 575, 380};
constexpr ScreenRect kDigitalTitleBar = {150, 100, 490, 120};
constexpr int kDigitalTitleX = 230;
constexpr int kDigitalTitleY = 107;
constexpr std::array<LabelStrip, 2> kDigitalLabels = {{
    {{65, 135, 81, 240}, 70, 140, "SEQUENCES"},
    {{65, 265, 81, 370}, 70, 270, "FUNCTIONS"},
}};

// Belt status byte: the belt reports a value of its own with 255 or 85, the
// program acknowledges with 128 and sends 0 with each value of its own.
constexpr uint8_t kBeltReported = 255;
constexpr uint8_t kBeltReportedToo = 85;
constexpr uint8_t kBeltAcknowledged = 128;
constexpr uint8_t kBeltDriven = 0;
constexpr long double kRampMsPerStep = 5.0L;
constexpr long double kRampTop = 255.0L;
constexpr uint32_t kBeltWriteIntervalMs = 51;

void digital_gauge_place(int i, int& number, int& x, int& y) {
    if (i < kSequenceBelts) {
        number = i + 1;
        x = 30 * number + 40 * ((number - 1) / 3) + 70;
        y = 240;
        return;
    }
    number = i - kSequenceBelts + 1;
    x = 30 * number + 70;
    y = 370;
}

// Belt i of the walk: sequence belts 1..12, then function belts 1..16.
uint8_t read_belt(size_t i, int byte) {
    const int n = static_cast<int>(i);
    return n < kSequenceBelts ? read_sequence_belt(n + 1, byte) : read_function_belt(n - kSequenceBelts + 1, byte);
}

void write_belt(size_t i, int byte, uint8_t value) {
    const int n = static_cast<int>(i);
    if (n < kSequenceBelts) {
        write_sequence_belt(n + 1, byte, value);
    } else {
        write_function_belt(n - kSequenceBelts + 1, byte, value);
    }
}

void clear_belt_status_bytes() {
    for (size_t i = 0; i < kBelts; ++i) write_belt(i, 1, kBeltDriven);
}

// The value the program sends to the selected belt: up from 0 to 255 at one
// step per 5 ms, then down again, and so on.
struct DriveRamp {
    uint32_t t0_ms = 0;
    int value = 0;
    bool rising = true;
};

void step_ramp(DriveRamp& ramp, uint32_t now_ms) {
    if (now_ms < ramp.t0_ms) ramp.t0_ms = now_ms;
    const long double steps = static_cast<long double>(now_ms - ramp.t0_ms) / kRampMsPerStep;
    const int value = static_cast<int>(ramp.rising ? steps : kRampTop - steps);
    if (value == ramp.value) return;
    ramp.value = value;
    if (value > kMaxValue) {
        ramp.value = kMaxValue;
        ramp.rising = false;
        ramp.t0_ms = now_ms;
    } else if (value < 0) {
        ramp.value = 0;
        ramp.rising = true;
        ramp.t0_ms = now_ms;
    }
}

void show_value(FaderGauge& gauge, int value) { update_fader_gauge(gauge, value / kValueStepsPerLine, value); }

void draw_digital_screen() {
    fill_rect(kLightGreen, kDigitalPanel);
    fill_rect(kRed, kDigitalTitleBar);
    draw_text(kWhite, kDigitalTitleX, kDigitalTitleY, "CHECKING DIGITAL FADERS");
    draw_status_line(kMoveStatus);
    for (const LabelStrip& label : kDigitalLabels) draw_label_strip(label);
}

}  // namespace

// --- the gauge ----------------------------------------------------------------------------

void create_fader_gauge(FaderGauge& gauge, int number, int x, int y, int level, int value, const std::string& label,
                        int colour) {
    gauge.number = number;
    gauge.x = x;
    gauge.y = y;
    gauge.level = std::clamp(level, 0, kGaugeLines);
    gauge.value = std::clamp(value, 0, kMaxValue);
    gauge.label = label;
    gauge.colour = colour;

    fill_rect(kBlack, {x + 3, y - kGaugeLines, x + 10, y});
    platform::_setcolor(kBlack);
    platform::_rectangle(x, y - kGaugeLines, x + 10, y);
    platform::_rectangle(x + 2, y - kGaugeLines, x + 12, y);
    draw_gauge_lines(gauge, 1, gauge.level, gauge.colour);
    draw_gauge_number(gauge, kNumberColour);
    fill_rect(kBlue, {x - 7, y - 105, x + 19, y - 90});
    draw_gauge_value(gauge, kWhite);
}

void highlight_gauge_number(FaderGauge& gauge, int colour) { draw_gauge_number(gauge, colour); }

void update_fader_gauge(FaderGauge& gauge, int level, int value) {
    level = std::clamp(level, 0, kGaugeLines);
    value = std::clamp(value, 0, kMaxValue);
    if (level < gauge.level) draw_gauge_lines(gauge, level + 1, gauge.level, kBlack);
    if (level > gauge.level) draw_gauge_lines(gauge, gauge.level + 1, level, gauge.colour);
    gauge.level = level;
    if (value != gauge.value) {
        draw_gauge_value(gauge, kBlue);
        gauge.value = value;
        draw_gauge_value(gauge, kWhite);
    }
}

bool gauge_at_top(const FaderGauge& gauge) { return gauge.value > kTopValue; }

bool gauge_at_bottom(const FaderGauge& gauge) { return gauge.value == 0; }

// --- the tests -----------------------------------------------------------------------------

bool test_analogue_faders() {
    begin_test(kTestAnalogueFaders);
    if (!console_option_flags.analogue_faders) {
        report_test_not_possible(kNoAnalogueStatus);
        return false;
    }
    const size_t walk_count = kMasters + (console_kind.has_wing ? kPlaybacks : kPlaybacksWithoutWing);

    draw_analogue_screen();
    std::array<FaderGauge, kAnalogueGauges> gauges{};
    for (size_t i = 0; i < gauges.size(); ++i) {
        int number = 0;
        int x = 0;
        int y = 0;
        analogue_gauge_place(static_cast<int>(i), number, x, y);
        create_fader_gauge(gauges[i], number, x, y, 0, 0, i < kMasters ? "MASTER" : "PLAYBACK", kGaugeColour);
    }
    set_analogue_test_leds();
    size_t selected = 0;
    highlight_gauge_number(gauges[selected], kSelectedNumberColour);
    set_key_led_for_test(flash_key_of_gauge(selected), kLedFirstBlinking);
    beep_tone(kStartBeepHz, kStartBeepMs);

    std::array<bool, kAnalogueGauges> seen_at_bottom{};
    bool passed = false;
    for (;;) {
        for (size_t i = 0; i < gauges.size(); ++i) show_value(gauges[i], read_analogue_fader(i));
        const WalkStep step = walk_selection(gauges, walk_count, selected, seen_at_bottom);
        if (step != WalkStep::stay) set_key_led_for_test(flash_key_of_gauge(selected - 1), kLedOff);
        if (step == WalkStep::next) set_key_led_for_test(flash_key_of_gauge(selected), kLedFirstBlinking);
        if (step == WalkStep::passed) {
            passed = true;
            break;
        }
        if (pc_escape_pressed()) break;
        platform::idle_poll();
    }

    all_leds_off_for_test();
    const bool result = finish_test(kTestAnalogueFaders, passed ? kTestOk : "ERROR : ANALOGUE FADER-TEST NOT COMPLETED!",
                                    kFaderResultBoxY);
    fill_rect(kLightGrey, kAnaloguePanel);
    return result;
}

bool test_digital_faders() {
    begin_test(kTestDigitalFaders);
    if (!console_option_flags.function_belts && !console_option_flags.sequence_belts) {
        report_test_not_possible(kNoDigitalStatus);
        return false;
    }
    if (!console_option_flags.function_belts) {
        report_test_not_possible(kNoFunctionBeltsStatus);
    } else if (!console_option_flags.sequence_belts) {
        report_test_not_possible(kNoSequenceBeltsStatus);
    }

    draw_digital_screen();
    std::array<FaderGauge, kBelts> gauges{};
    for (size_t i = 0; i < gauges.size(); ++i) {
        int number = 0;
        int x = 0;
        int y = 0;
        digital_gauge_place(static_cast<int>(i), number, x, y);
        create_fader_gauge(gauges[i], number, x, y, 0, 0, i < kSequenceBelts ? "SEQUENCE" : "FUNCTION", kGaugeColour);
    }
    size_t selected = 0;
    highlight_gauge_number(gauges[selected], kSelectedNumberColour);
    bool drive_mode = true;
    DriveRamp ramp;
    ramp.t0_ms = read_card_clock_for_test();
    uint32_t last_write_ms = ramp.t0_ms;
    bool written = false;
    clear_belt_status_bytes();
    beep_tone(kStartBeepHz, kStartBeepMs);

    std::array<bool, kBelts> seen_at_bottom{};
    bool passed = false;
    for (;;) {
        const uint32_t now_ms = read_card_clock_for_test();
        if (drive_mode) {
            step_ramp(ramp, now_ms);
            for (size_t i = 0; i < gauges.size(); ++i) show_value(gauges[i], i == selected ? ramp.value : 0);
            if (read_belt(selected, 1) == kBeltReported) drive_mode = false;
            const bool write_due = !written || now_ms - last_write_ms >= kBeltWriteIntervalMs || now_ms < last_write_ms;
            if (drive_mode && write_due) {
                for (size_t i = 0; i < gauges.size(); ++i) {
                    write_belt(i, 0, static_cast<uint8_t>(gauges[i].value));
                    write_belt(i, 1, kBeltDriven);
                }
                last_write_ms = now_ms;
                written = true;
            }
        } else {
            for (size_t i = 0; i < gauges.size(); ++i) {
                const uint8_t status = read_belt(i, 1);
                if (status != kBeltReported && status != kBeltReportedToo) continue;
                show_value(gauges[i], read_belt(i, 0));
                write_belt(i, 1, kBeltAcknowledged);
            }
            const WalkStep step = walk_selection(gauges, gauges.size(), selected, seen_at_bottom);
            if (step == WalkStep::passed) {
                passed = true;
                break;
            }
            if (step == WalkStep::next) {
                drive_mode = true;
                ramp.t0_ms = now_ms;
                clear_belt_status_bytes();
            }
        }
        if (pc_escape_pressed()) break;
        platform::idle_poll();
    }

    const bool result = finish_test(kTestDigitalFaders, passed ? kTestOk : "ERROR : DIGITAL FADER-TEST NOT COMPLETED!");
    fill_rect(kLightGrey, kDigitalPanel);
    return result;
}

}  // namespace hwtest
