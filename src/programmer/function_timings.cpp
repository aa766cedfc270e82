#include "programmer/function_timings.h"

#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/step_log.h"
#include "ui/fader_widget.h"

namespace programmer {

std::array<uint8_t, kTimingGroups + 1> timing_group_flags{};

void reset_function_timings_globals() { timing_group_flags = {}; }

namespace {
constexpr int16_t kFaderTop_px = 14;
constexpr int16_t kFaderWidth_px = 21;
constexpr int16_t kFaderHeight_px = 87;
constexpr int16_t kFaderBarWidth_px = 7;
}  // namespace

void lay_out_fader_panel(uint8_t wide) {
    for (int i = 1; i <= ui::kFunctionFaderWidgets; ++i) {
        const int x = wide != 0 ? 50 * i + 220 : 23 * i + 247;
        ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(i)];
        ui::set_fader_widget_bar_width(widget, kFaderBarWidth_px);
        ui::set_fader_widget_geometry(widget, static_cast<int16_t>(x), kFaderTop_px, kFaderWidth_px, kFaderHeight_px);
    }
    if (wide != 0) {
        runtime::run_flags |= runtime::RUN_TIMINGS_DISPLAY;
    } else {
        runtime::run_flags &= ~runtime::RUN_TIMINGS_DISPLAY;
    }
}

void load_times_to_faders() { runtime::log_call("programmer::load_times_to_faders"); }
void show_timing_group_labels() { runtime::log_call("programmer::show_timing_group_labels"); }
void edit_fader_timing_value() { runtime::log_call("programmer::edit_fader_timing_value"); }

}  // namespace programmer
