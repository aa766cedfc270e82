#include "programmer/function_belts.h"

#include <algorithm>

#include "memories/commands.h"
#include "memories/thresholds.h"
#include "programmer/attribute_delta.h"
#include "programmer/channel_generators.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_timings.h"
#include "programmer/macro_panel.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_jobs.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"

namespace programmer {

void reset_function_belts_globals() {}

namespace {

constexpr int kBelts = runtime::kFunctionBelts;  // 16
constexpr int kGeneratorFaders = 7;               // fader 1 the channel, 2..7 the parameters
constexpr int kFigureFaders = 10;
constexpr int kTimingFaders = 6;                  // fader 1 the channel, 2..6 the times
constexpr int kMacroFaders = 7;
constexpr int16_t kFrameColour = 7;
constexpr int16_t kFrameSelected = 10;
constexpr int16_t kLabelPlain = 10;
constexpr int16_t kLabelBright = 15;

bool belts_installed() { return runtime::hw_option_flags.function_belts != 0; }

bool has_current_type() {
    return runtime::current_fixture >= 1 && runtime::current_fixture <= setup::fixture_count &&
           setup::type_def_of_index(runtime::current_fixture_type) != nullptr;
}

uint8_t fader_byte(int16_t value) { return static_cast<uint8_t>(std::clamp<int>(value, 0, 255)); }

bool on_current_page(int16_t ch) {
    return (runtime::function_page == 1 && ch >= 1 && ch <= kBelts) ||
           (runtime::function_page == 2 && ch > kBelts && ch <= 2 * kBelts);
}

// True when channel ch of the current type carries its PAN function
// (compared through the type's channel map, not by number).
bool is_pan_channel(int16_t ch) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::current_fixture_type);
    if (type == nullptr || ch < 1 || ch > runtime::kTypeChannels) return false;
    const uint8_t pan = type->named(setup::NamedFunction::pan);
    const int lib = runtime::type_channel_function[static_cast<size_t>(runtime::current_fixture_type + 1)]
                                                  [static_cast<size_t>(ch - 1)] + 1;
    return pan != 0 && lib == pan;
}

// Belt i edits a channel value: every belt of bank 0, belt 1 of bank 1, and
// belt 1 of bank 3 unless the selected channel is the PAN channel.
bool is_channel_value_belt(int i) {
    if (runtime::fader_bank == 0) return true;
    if (i != 1) return false;
    if (runtime::fader_bank == 1) return true;
    return runtime::fader_bank == 3 && !is_pan_channel(runtime::selected_function);
}

bool record_manual(int16_t r) {
    return r >= 1 && r <= runtime::function_record_count && runtime::channel_flags != nullptr &&
           (runtime::channel_flags[r] & runtime::FLAG_MANUAL) != 0;
}

bool live_edit() { return (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0; }

int16_t current_record(int16_t ch) {
    return get_function_record_index(runtime::current_fixture, oriented_channel(runtime::current_fixture, ch));
}

// After a channel edit: the channel's belt, and the belt of the other half of
// a 16-bit pair that the edit also changed (bank 0 only).
void rewrite_belts_after(int16_t ch, int16_t result) {
    if (result == kDeltaPlainPath) return;
    rewrite_channel_belt(ch);
    if (result >= 0 && runtime::fader_bank == 0) rewrite_channel_belt(fine_fader_channel(result));
}

void poll_channel_belt(int i, uint8_t p) {
    const int16_t ch = runtime::fader_bank == 0 ? static_cast<int16_t>((runtime::function_page - 1) * kBelts + i)
                                                : runtime::selected_function;
    if (!has_current_type() || ch < 1 || ch > runtime::function_count || ch > runtime::kFunctionWheels) {
        set_function_belt(static_cast<int16_t>(i), 0);
        return;
    }
    runtime::WheelState& w = runtime::wheel_states.functions[static_cast<size_t>(ch)];
    if ((runtime::run_flags & runtime::RUN_THRESHOLD_MODE) != 0) {
        memories::decrease_function_level(ch, static_cast<int16_t>(w.value - p));
        return;
    }
    const int16_t r = current_record(ch);
    if (live_edit() && !record_manual(r)) set_function_belt(static_cast<int16_t>(i), fader_byte(w.value));
    const auto d = static_cast<int16_t>(w.value - p);
    set_limit_overflow(r, 0);
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) {
        apply_wheel_to_functions(ch, d, 1);
        rewrite_channel_belt(ch);
        return;
    }
    rewrite_belts_after(ch, apply_delta_to_selected_functions(ch, d, kSelectionUnlessCurrentOnly, 1, 1));
}

void poll_generator_belt(int i, uint8_t p) {
    if (i < 2 || i > kGeneratorFaders) {
        set_function_belt(static_cast<int16_t>(i), 0);
        return;
    }
    const int16_t ch = runtime::selected_function;
    if (!has_current_type() || ch < 1 || ch > runtime::function_count) {
        set_function_belt(static_cast<int16_t>(i), 0);
        return;
    }
    const int k = i - 1;
    runtime::WheelState& w = runtime::wheel_states.generator_params[static_cast<size_t>(k)];
    const int16_t r = current_record(ch);
    const bool held = r >= 1 && r <= runtime::function_record_count && runtime::generator_flags != nullptr &&
                      (runtime::generator_flags[(r - 1) * 6 + k] & runtime::FLAG_MANUAL) != 0;
    if (live_edit() && !held) set_function_belt(static_cast<int16_t>(i), fader_byte(w.value));
    apply_wheel_to_generator_param(static_cast<int16_t>(k), static_cast<int16_t>(w.value - p));
}

void poll_figure_belt(int i, uint8_t p) {
    if (i > kFigureFaders || !has_current_type()) {
        set_function_belt(static_cast<int16_t>(i), 0);
        return;
    }
    runtime::WheelState& w = runtime::wheel_states.figure_params[static_cast<size_t>(i)];
    const size_t byte = static_cast<size_t>((runtime::current_fixture - 1) * runtime::kFigureFlagsPerFixture + i);
    const bool held = byte < runtime::figure_flags.size() && (runtime::figure_flags[byte] & runtime::FLAG_MANUAL) != 0;
    if (live_edit() && !held) set_function_belt(static_cast<int16_t>(i), fader_byte(w.value));
    apply_wheel_to_figure_param(static_cast<int16_t>(i), static_cast<int16_t>(w.value - p));
}

void poll_timing_belt(int i, uint8_t p) {
    const int16_t ch = runtime::selected_function;
    if (i < 2 || i > kTimingFaders || !has_current_type() || ch < 1 || ch > runtime::function_count) {
        set_function_belt(static_cast<int16_t>(i), 0);
        return;
    }
    if (live_edit() && !record_manual(current_record(ch))) set_function_belt(static_cast<int16_t>(i), kTimingBeltCentre);
    edit_times_by_wheel(static_cast<int16_t>(i - 1), static_cast<int16_t>(kTimingBeltCentre - p));
}

void poll_macro_belt(int i, uint8_t p) {
    if (i >= 8 || runtime::current_fixture < 1) {
        set_function_belt(static_cast<int16_t>(i), 0);
        return;
    }
    const runtime::WheelState& w = runtime::wheel_states.macro_faders[static_cast<size_t>(i)];
    if (i == 2 || i == 3 || i == 7) {
        apply_macro_wheel(static_cast<int16_t>(i), static_cast<int16_t>(w.value - p));
    } else {
        set_function_belt(static_cast<int16_t>(i), fader_byte(w.value));
    }
}

int16_t* selected_fader_of_bank() {
    if (runtime::macro_mode == 1) return &runtime::macro_fader;
    switch (runtime::fader_bank) {
        case 1: return &runtime::selected_fader_bank1;
        case 2: return &runtime::selected_fader_bank2;
        case 3: return &runtime::selected_fader_bank3;
        default: return &runtime::selected_fader_bank0;
    }
}

// After a bank-0 selection: the fader is remembered for the type and becomes
// the selected channel.
void note_bank0_selection() {
    if (runtime::macro_mode == 1 || runtime::fader_bank != 0) return;
    const int t = runtime::current_fixture_type + 1;
    if (t >= 1 && t < static_cast<int>(remembered_fader.size())) {
        remembered_fader[static_cast<size_t>(t)] = static_cast<uint8_t>(runtime::selected_fader_bank0);
    }
    runtime::selected_function = static_cast<int16_t>((runtime::function_page - 1) * kBelts + runtime::selected_fader_bank0);
    runtime::selected_function_type = runtime::current_fixture_type;
}

// The highest selectable fader of the bank now.
int16_t last_fader_of_bank() {
    if (runtime::macro_mode == 1) return kMacroFaders;
    switch (runtime::fader_bank) {
        case 0: {
            const int first = (runtime::function_page - 1) * kBelts;
            return static_cast<int16_t>(std::clamp(runtime::function_count - first, 1, kBelts));
        }
        case 1: return kGeneratorFaders;
        case 2: return kFigureFaders;
        case 3: return kTimingFaders;
        default: return 1;
    }
}

void step_selected_fader(int step) {
    highlight_selected_fader(kFrameColour);
    int16_t* fader = selected_fader_of_bank();
    const int next = *fader + step;
    if (next >= 1 && next <= last_fader_of_bank()) *fader = static_cast<int16_t>(next);
    highlight_selected_fader(kFrameSelected);
    note_bank0_selection();
}

// The channel-value fader takes the trackerball: bank 0, or fader 1 of bank
// 1, or fader 1 of bank 3 under the PAN rule of the belts.
bool trackerball_on_channel_value() {
    if (runtime::fader_bank == 0) return true;
    if (runtime::fader_bank == 1) return runtime::selected_fader_bank1 == 1;
    return runtime::fader_bank == 3 && runtime::selected_fader_bank3 == 1 && !is_pan_channel(runtime::selected_function);
}

// One axis of the trackerball in pan/tilt mode: channel ch moved by d.
void apply_pantilt_axis(int16_t ch, int16_t d) {
    if (ch == 0 || d == 0) return;
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) {
        apply_wheel_to_functions(ch, d, 1);
        return;
    }
    const int16_t result = apply_delta_to_selected_functions(ch, d, kSelectionUnlessCurrentOnly, belt_fine_mode(), 0);
    if (runtime::fader_bank != 0) return;
    rewrite_channel_belt(ch);
    if (result >= 0) rewrite_channel_belt(fine_fader_channel(result));
}

}  // namespace

void poll_function_belts() {
    if (!belts_installed()) return;
    for (int i = 1; i <= kBelts; ++i) {
        const auto belt = static_cast<int16_t>(i);
        if (runtime::read_function_belt(belt, 1) != kBeltMoved) continue;
        const uint8_t p = runtime::read_function_belt(belt, 0);
        runtime::write_function_belt(belt, 1, kBeltAcknowledged);
        if ((runtime::run_flags & runtime::RUN_WHEELS_INACTIVE) != 0) {
            set_function_belt(belt, 0);
            continue;
        }
        if (runtime::macro_mode == 1) {
            poll_macro_belt(i, p);
        } else if (is_channel_value_belt(i)) {
            poll_channel_belt(i, p);
        } else if (runtime::fader_bank == 1) {
            poll_generator_belt(i, p);
        } else if (runtime::fader_bank == 2) {
            poll_figure_belt(i, p);
        } else if (runtime::fader_bank == 3) {
            poll_timing_belt(i, p);
        } else {
            set_function_belt(belt, 0);
        }
    }
}

void set_function_belt(int16_t belt, uint8_t value) {
    if (belt < 1 || belt > kBelts || !belts_installed()) return;
    runtime::write_function_belt(belt, 0, value);
    runtime::write_function_belt(belt, 1, kBeltWritten);
}

void set_fader_widget_value(int16_t fader, int16_t level) {
    if (fader < 1 || fader > ui::kFunctionFaderWidgets) return;
    ui::set_fader_widget_level(ui::function_fader_widgets[static_cast<size_t>(fader)], level);
}

void rewrite_channel_belt(int16_t ch) {
    if (ch < 1 || ch > runtime::kFunctionWheels) return;
    const uint8_t value = fader_byte(runtime::wheel_states.functions[static_cast<size_t>(ch)].value);
    if (runtime::fader_bank == 0) {
        if (on_current_page(ch)) set_function_belt(static_cast<int16_t>((ch - 1) % kBelts + 1), value);
    } else if ((runtime::fader_bank == 1 || runtime::fader_bank == 3) && ch == runtime::selected_function) {
        set_function_belt(1, value);
    }
}

void select_next_fader() { step_selected_fader(1); }
void select_previous_fader() { step_selected_fader(-1); }

void highlight_selected_fader(int16_t colour) {
    auto& widgets = ui::function_fader_widgets;
    for (int i = 1; i <= ui::kFunctionFaderWidgets; ++i) {
        ui::set_fader_widget_frame_colour(widgets[static_cast<size_t>(i)], kFrameColour);
    }
    const int16_t selected = *selected_fader_of_bank();
    if (selected >= 1 && selected <= ui::kFunctionFaderWidgets) {
        ui::set_fader_widget_frame_colour(widgets[static_cast<size_t>(selected)],
                                          colour == kFrameColour ? kFrameColour : kFrameSelected);
    }
    // A bright label stays readable on the highlighted frame and the reverse.
    for (int i = 1; i <= ui::kFunctionFaderWidgets; ++i) {
        ui::FaderWidget& widget = widgets[static_cast<size_t>(i)];
        if (widget.label_colour == kLabelPlain && widget.frame_colour == kFrameColour) {
            ui::set_fader_widget_label_colour(widget, kLabelBright);
        } else if (widget.label_colour == kLabelBright && widget.frame_colour == kFrameSelected) {
            ui::set_fader_widget_label_colour(widget, kLabelPlain);
        }
    }
}

void apply_trackerball_to_fader() {
    const int16_t dy = runtime::mouse_y;
    if (runtime::mouse_x == 0 && dy == 0) return;
    const int16_t ch = runtime::selected_function;
    if ((runtime::run_flags & runtime::RUN_THRESHOLD_MODE) != 0) {
        // Every channel marked for the threshold moves, not only the selected one.
        for (int16_t n = 1; n <= runtime::function_count && n <= runtime::kFunctionWheels; ++n) {
            if (!memories::threshold_channel_marked(n)) continue;
            memories::decrease_function_level(n, dy);
            rewrite_channel_belt(n);
        }
        return;
    }
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0 && runtime::fader_bank == 0) {
        apply_wheel_to_functions(ch, dy, 1);
        rewrite_channel_belt(ch);
        return;
    }
    if (trackerball_on_channel_value()) {
        const int16_t result = apply_delta_to_selected_functions(ch, dy, kSelectionUnlessCurrentOnly, belt_fine_mode(), 0);
        rewrite_channel_belt(ch);
        if (result >= 0 && runtime::fader_bank == 0) rewrite_channel_belt(fine_fader_channel(result));
        return;
    }
    if (runtime::fader_bank == 1 && runtime::selected_fader_bank1 >= 2 && runtime::selected_fader_bank1 <= kGeneratorFaders) {
        const int16_t fader = runtime::selected_fader_bank1;
        apply_wheel_to_generator_param(static_cast<int16_t>(fader - 1), dy);
        set_function_belt(fader, fader_byte(runtime::wheel_states.generator_params[static_cast<size_t>(fader - 1)].value));
    } else if (runtime::fader_bank == 2 && runtime::selected_fader_bank2 >= 1 && runtime::selected_fader_bank2 <= kFigureFaders) {
        const int16_t fader = runtime::selected_fader_bank2;
        apply_wheel_to_figure_param(fader, dy);
        set_function_belt(fader, fader_byte(runtime::wheel_states.figure_params[static_cast<size_t>(fader)].value));
    } else if (runtime::fader_bank == 3 && runtime::selected_fader_bank3 >= 2 && runtime::selected_fader_bank3 <= kTimingFaders) {
        const int16_t fader = runtime::selected_fader_bank3;
        edit_times_by_wheel(static_cast<int16_t>(fader - 1), dy);
        set_function_belt(fader, kTimingBeltCentre);
    }
}

void apply_trackerball_to_pantilt() {
    if (!has_current_type()) return;
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(runtime::current_fixture)];
    // The ball moves the value: right lowers PAN, a positive y raises TILT.
    apply_pantilt_axis(pt.pan.channel, runtime::mouse_x);
    apply_pantilt_axis(pt.tilt.channel, static_cast<int16_t>(-runtime::mouse_y));
}

}  // namespace programmer
