#include "programmer/keypad_entry.h"

#include <algorithm>

#include "platform/graphics.h"
#include "programmer/attribute_delta.h"
#include "programmer/channel_generators.h"
#include "programmer/fader_panel.h"
#include "programmer/function_belts.h"
#include "programmer/function_timings.h"
#include "programmer/pantilt_figures.h"
#include "programmer/value_mapping.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace programmer {

namespace {

constexpr int kPercentMax = 100;
constexpr int kLevelMax = 255;
constexpr int16_t kEntryDigits = 3;
constexpr int32_t kTimingFaderOneTone_hz = 100;
constexpr uint32_t kTimingFaderOneTone_ms = 100;
constexpr uint8_t kSelectAlways = 2;  // the edit reaches every selected fixture
constexpr uint8_t kNoFinePath = 0;
constexpr uint8_t kResetRemainder = 1;

// BGI colours.
constexpr int16_t kBlack = 0;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kLightGreen = 10;
constexpr int16_t kYellow = 14;

bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
bool has_belts() { return runtime::hw_option_flags.function_belts != 0; }

void draw_entry_box() {
    ui::fill_box(2, 282, 149, 314, kRed);
    platform::_setcolor(kLightGrey);
    platform::_line(150, 282, 150, 314);
    ui::draw_bitmap_text(3, 288, kYellow, "CHANNEL");
    ui::draw_bitmap_text(91, 288, kYellow, "VALUE");
    ui::fill_box(151, 282, 220, 314, kLightGreen);
}

void write_belt(int belt, int value) {
    if (has_belts()) set_function_belt(static_cast<int16_t>(belt), static_cast<uint8_t>(std::clamp(value, 0, kLevelMax)));
}

// A parameter fader's value for a level, as the parameter setters read it.
int16_t parameter_wheel_value(int level, double scale) {
    return static_cast<int16_t>(static_cast<double>(level) / scale + 1.0);
}

// The selected channel of the channel bank, given the level.
void apply_channel_level(int level, int belt) {
    const int n = runtime::function_page * kFadersPerFunctionPage + runtime::selected_fader_bank0 - kFadersPerFunctionPage;
    if (n < 1 || n > std::min<int>(runtime::function_count, runtime::kFunctionWheels)) return;
    runtime::WheelState& wheel = runtime::wheel_states.functions[static_cast<size_t>(n)];
    wheel.value = channel_level_to_fader(n, level);
    apply_delta_to_selected_functions(static_cast<int16_t>(n), 0, kSelectAlways, kNoFinePath, kResetRemainder);
    write_belt(belt, wheel.value);
}

void apply_level(int level) {
    switch (runtime::fader_bank) {
        case kGeneratorBank: {
            const int fader = runtime::selected_fader_bank1;
            if (fader == 1) {
                apply_channel_level(level, 1);
                return;
            }
            const int k = fader - 1;
            if (k < 1 || k > runtime::kGeneratorWheels) return;
            runtime::WheelState& wheel = runtime::wheel_states.generator_params[static_cast<size_t>(k)];
            wheel.value = parameter_wheel_value(level, generator_wheel_scale[static_cast<size_t>(k - 1)]);
            apply_wheel_to_generator_param(static_cast<int16_t>(k), 0);
            write_belt(fader, wheel.value);
            return;
        }
        case kFigureBank: {
            const int k = runtime::selected_fader_bank2;
            if (k < 1 || k > runtime::kFigureWheels) return;
            runtime::WheelState& wheel = runtime::wheel_states.figure_params[static_cast<size_t>(k)];
            wheel.value = parameter_wheel_value(level, figure_wheel_scale[static_cast<size_t>(k - 1)]);
            apply_wheel_to_figure_param(static_cast<int16_t>(k), 0);
            write_belt(k, wheel.value);
            return;
        }
        default: apply_channel_level(level, runtime::selected_fader_bank0); return;
    }
}

}  // namespace

int16_t keypad_level(int16_t number, bool percent) {
    const int max = percent ? kPercentMax : kLevelMax;
    if (number < 0 || number > max) return -1;
    if (percent) return percent_to_level(number);
    return number;
}

void run_edit_function_value() {
    if (runtime::macro_mode == 0 && runtime::fader_bank == kTimingBank) {
        if (runtime::selected_fader_bank3 <= 1) {
            ui::beep(kTimingFaderOneTone_hz, kTimingFaderOneTone_ms);
            return;
        }
        edit_fader_timing_value();
        return;
    }
    edit_function_value();
}

void edit_function_value() {
    if (runtime::current_fixture_type == -1 || flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT)) return;
    runtime::set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_ON);
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    draw_entry_box();
    const bool percent = runtime::fader_bank == kChannelBank && flag(runtime::mode_flags, runtime::MODE_PERCENT);
    ui::show_message(percent ? "EDIT PERCENTUEL CHANNEL-VALUE" : "EDIT DIGITAL CHANNEL-VALUE");
    const int16_t number = ui::edit_number(-1, 155, 288, kEntryDigits, kLightGreen, kBlack, 0);
    const int16_t level = keypad_level(number, percent);
    if (level >= 0) {
        // The typed value is set absolutely whatever the edit mode.
        const uint32_t edit_mode = runtime::mode_flags & runtime::MODE_EDIT_MODE;
        runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
        apply_level(level);
        runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | edit_mode;
    }
    ui::redraw_cue_panel();
    runtime::set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_OFF);
}

}  // namespace programmer
