#include "programmer/effect_panels.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "memcheck/memcheck.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_selection.h"
#include "programmer/pantilt_figures.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/panel_modes.h"

namespace programmer {

PreviewState preview_states[2];

namespace {

using runtime::WheelState;

constexpr int kPanelWidgets = 16;
constexpr int kGeneratorWidgets = 7;
constexpr int kFigureWidgets = 10;
constexpr int kFadersPerPage = 16;
constexpr int kLastPanTiltRole = 4;
constexpr int kLastDirectionClass = 2;
constexpr int kStripMarked = 14;
constexpr int kStripPlain = 7;
constexpr int kWhite = 15;
constexpr uint8_t kTablePanel = 3;  // the value table; 4 shows the output values
// The marker scale: twice the SWING limit, so that a full swing reaches the box's edge.
constexpr float kMarkerScale = 2.0f * static_cast<float>(generator_param_limits[kSwing]);

// Widget colours of a parameter bank: frame, label background, label,
// number, strip, bar background, bar.
struct WidgetColours {
    int16_t frame, label_background, label, number, strip, bar_background, bar;
};
constexpr WidgetColours kGeneratorWidgetColours{10, 8, 10, 10, 8, 0, 4};
constexpr WidgetColours kFigureWidgetColours{7, 8, 15, 10, 8, 0, 4};

constexpr const char* kGeneratorLabels[kGeneratorWidgets + 1] = {"", "", "SWING", "SPEED", "MODE", "DELAY", "SHIFT",
                                                                 "WAIT"};
constexpr const char* kFigureLabels[kFigureWidgets + 1] = {"",        "X-SWING", "Y-SWING", "SPEED",  "MODE", "FIGURE1",
                                                           "FIGURE2", "ROTATE",  "DELAY",   "SHIFT", "WAIT"};

bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
int16_t faders_follow_output() {
    return flag(runtime::option_flags, runtime::OPT_FADERS_FOLLOW_OUTPUT) ? int16_t{1} : int16_t{0};
}

// A parameter as the faders give it (`raw` of the bank's wheel), kept within
// its limit so that it can index the phase tables.
int generator_param(int k) {
    const int raw = runtime::wheel_states.generator_params[static_cast<size_t>(k)].raw;
    return std::clamp(raw, 0, int{generator_param_limits[static_cast<size_t>(k)]});
}
int figure_param(int k) {
    const int raw = runtime::wheel_states.figure_params[static_cast<size_t>(k)].raw;
    return std::clamp(raw, 0, int{figure_param_limits[static_cast<size_t>(k)]});
}

// The selected bank-0 function, page * 16 + fader - 16.
int selected_channel() {
    return runtime::function_page * kFadersPerPage + runtime::selected_fader_bank0 - kFadersPerPage;
}

// Whether the current type's library function on channel n has predefined
// entries (the setup's second per-type map).
bool channel_has_entries(int n) {
    const int type = runtime::current_fixture_type;
    const int f = channel_library_function(n);
    if (type < 0 || type >= runtime::kTypes || f < 1 || f > runtime::kTypeChannels) return false;
    return setup::setup_data.u8(setup::SetupData::type_function_flag_field(type + 1, f - 1)) != 0;
}

void label_widget(int n, const WidgetColours& c, int16_t strip, const char* text) {
    ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(n)];
    ui::set_fader_widget_number(widget, static_cast<int16_t>(n));
    ui::set_fader_widget_colours(widget, c.frame, c.label_background, c.label, c.number, c.strip, c.bar_background,
                                 c.bar);
    if (widget.shown == 0) ui::show_fader_widget(widget);
    set_fader_strip_colour(static_cast<int16_t>(n), strip);
    ui::set_fader_widget_label(widget, text);
}

void erase_widgets_from(int first) {
    for (int n = first; n <= kPanelWidgets; ++n) {
        ui::erase_fader_widget(ui::function_fader_widgets[static_cast<size_t>(n)], 1);
    }
}

// The empty box: filled, with its two dotted centre lines, saved the first
// time; afterwards the saved picture is put back. Without a block for the
// picture the box is drawn again each time.
void draw_preview_box(PreviewState& state, const platform::Rect& box, int fill, int centre_x) {
    const auto size = platform::_imagesize(box.x1, box.y1, box.x2, box.y2);
    if (state.image == nullptr) {
        ui::fill_box(static_cast<int16_t>(box.x1), static_cast<int16_t>(box.y1), static_cast<int16_t>(box.x2),
                     static_cast<int16_t>(box.y2), static_cast<int16_t>(fill));
        platform::_setcolor(kWhite);
        platform::_setlinestyle(platform::kDottedLine, 0, platform::kNormalWidth);
        platform::_line(centre_x, box.y1, centre_x, box.y2);
        platform::_line(box.x1, kPreviewCentreY, box.x2, kPreviewCentreY);
        platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
        if (size != 0) {
            auto* image = static_cast<uint8_t*>(memcheck::mc_malloc_at(size, __FILE__, __LINE__));
            if (image != nullptr && !platform::_getimage(box.x1, box.y1, box.x2, box.y2, std::span<uint8_t>(image, size))) {
                memcheck::mc_free_at(image, __FILE__, __LINE__);
                image = nullptr;
            }
            state.image = image;
        }
    } else {
        platform::_putimage(box.x1, box.y1, std::span<const uint8_t>(state.image, size), platform::kCopyPut);
    }
    state.last_x = kPreviewNoneDrawn;
    state.last_y = kPreviewNoneDrawn;
    state.last_flag = 0;
    state.fresh = 1;
}

// The preview phase of a pass: a fresh box starts from the shared phase of
// its speed and direction; otherwise a running preview advances by the
// pass's time, backward for direction 1, and restarts at 0 beyond the limit.
// True when the preview runs on (SPEED not 0 and the box not fresh).
bool start_or_advance(PreviewState& state, long double& phase, int speed, int direction) {
    if (state.fresh != 0) {
        state.previous_speed = static_cast<int16_t>(speed);
        phase = runtime::shared_phases[static_cast<size_t>(direction)][static_cast<size_t>(speed)];
        return false;
    }
    if (speed == 0) return false;
    const auto delta = static_cast<long double>(runtime::clock_delta);
    phase += direction == 0 ? delta : -delta;
    if (phase > kEffectPhaseLimit_ms || phase < -kEffectPhaseLimit_ms) phase = 0.0L;
    return true;
}

// True once per check interval, when the clock has moved on that far from
// the last check (either way, so a clock restart does not stop the checks).
bool check_due(PreviewState& state) {
    const int64_t since = static_cast<int64_t>(runtime::clock_ms) - static_cast<int64_t>(state.check_time);
    if (std::llabs(since) <= static_cast<int64_t>(kPreviewCheckInterval_ms)) return false;
    state.check_time = runtime::clock_ms;
    return true;
}

void close_pass(PreviewState& state, int speed) {
    if (speed != 0) state.previous_speed = static_cast<int16_t>(speed);
    state.last_fixture = runtime::current_fixture;
    state.fresh = 0;
    state.last_follow = faders_follow_output();
}

int pixel_offset(float v) { return static_cast<int>(v * static_cast<float>(kPreviewRadius)); }

void draw_marker_rows(float v) {
    const int y = -pixel_offset(v) + kPreviewCentreY;
    for (int row = y - 1; row <= y + 1; ++row) platform::_line(kGeneratorMarkerLeft, row, kGeneratorMarkerRight, row);
}

void draw_dot(float x, float y, int colour) {
    platform::_setcolor(colour);
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_pieslice(pixel_offset(x) + kFigurePreviewCentreX, -pixel_offset(y) + kPreviewCentreY, 0, 360, 1);
}

void release(uint8_t*& image) {
    if (image != nullptr) memcheck::mc_free_at(image, __FILE__, __LINE__);
    image = nullptr;
}

}  // namespace

void free_preview_images() {
    for (PreviewState& state : preview_states) release(state.image);
}

void reset_effect_panels_globals() {
    free_preview_images();
    for (PreviewState& state : preview_states) state = PreviewState{};
}

void update_figure_state() {
    using runtime::set_key_led;
    const bool pantilt_mode = flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT);
    const bool typed = runtime::current_fixture_type != -1;
    if (runtime::fader_bank == kChannelBank) {
        int16_t bank = kFigureBank;
        if (!pantilt_mode && typed) {
            runtime::selected_function_type = runtime::current_fixture_type;
            runtime::selected_function = static_cast<int16_t>(selected_channel());
            const int r = get_function_record_index(runtime::current_fixture, runtime::selected_function);
            int role = 0;
            if (r >= 1 && r <= runtime::function_record_count && runtime::function_record_table != nullptr) {
                role = runtime::function_record_table[r].pantilt_role;
            }
            bank = role == 0 || role > kLastPanTiltRole ? kGeneratorBank : kFigureBank;
        }
        runtime::fader_bank = bank;
        set_key_led(runtime::KEY_FIGURE, runtime::LED_ON);
        set_key_led(runtime::KEY_FUNCTION_PAGE_1, runtime::LED_OFF);
        set_key_led(runtime::KEY_FUNCTION_PAGE_2, runtime::LED_OFF);
        set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
    } else if (runtime::fader_bank == kGeneratorBank || runtime::fader_bank == kFigureBank) {
        runtime::fader_bank = kChannelBank;
        set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
        if (runtime::display_mode == 2 && typed && pantilt_mode) {
            set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_ON);
        }
    } else {
        return;  // the timing bank keeps the key
    }
    if (typed) set_edit_fixture_type(runtime::current_fixture_type, 1);
    if (flag(runtime::option_flags, runtime::OPT_TABLE_VIEW)) {
        ui::set_panel_mode(static_cast<uint8_t>(kTablePanel + faders_follow_output()));
    }
}

void show_figure_fader_labels() {
    for (int n = 1; n <= kFigureWidgets; ++n) {
        const bool marked = n == kXSwing || n == kYSwing || n == kFigureSpeed || n == kFigureDelay;
        label_widget(n, kFigureWidgetColours, marked ? kStripMarked : kStripPlain, kFigureLabels[n]);
    }
    erase_widgets_from(kFigureWidgets + 1);
    draw_figure_preview_box();
}

void show_generator_fader_labels() {
    for (int n = 1; n <= kGeneratorWidgets; ++n) {
        // Widget 1 is the selected channel's value; widgets 2..7 its parameters 1..6.
        const int k = n - 1;
        bool marked = k == kSwing || k == kSpeed || k == kDelay;
        if (n == 1) marked = channel_has_entries(selected_channel());
        label_widget(n, kGeneratorWidgetColours, marked ? kStripMarked : kStripPlain, kGeneratorLabels[n]);
    }
    erase_widgets_from(kGeneratorWidgets + 1);
    draw_generator_preview_box();
}

void draw_generator_preview_box() {
    draw_preview_box(preview_states[kGeneratorPreview], kGeneratorPreviewBox, kGeneratorPreviewFill,
                     kGeneratorPreviewCentreX);
}

void draw_figure_preview_box() {
    draw_preview_box(preview_states[kFigurePreview], kFigurePreviewBox, kFigurePreviewFill, kFigurePreviewCentreX);
}

void draw_figure_preview() {
    PreviewState& state = preview_states[kFigurePreview];
    long double& phase = runtime::preview_phases[kFigurePreview];
    const int speed = figure_param(kFigureSpeed);
    const int mode = figure_param(kFigureMode);
    const int figure1 = figure_param(kFigure1);
    const int figure2 = figure_param(kFigure2);
    const int direction = std::min(mode / 4 + 1, kLastDirectionClass) == 2 ? 1 : 0;

    if (state.last_follow == 0 && faders_follow_output() != 0) draw_figure_preview_box();
    if (state.fresh != 0) {
        state.watched[0] = static_cast<int16_t>(figure1);
        state.watched[1] = static_cast<int16_t>(figure2);
    }
    if (start_or_advance(state, phase, speed, direction)) {
        if (check_due(state) && (figure1 != state.watched[0] || figure2 != state.watched[1])) {
            state.watched[0] = static_cast<int16_t>(figure1);
            state.watched[1] = static_cast<int16_t>(figure2);
            if (runtime::current_fixture == state.last_fixture) draw_figure_preview_box();
        }
        const auto i16 = [](int v) { return static_cast<int16_t>(v); };
        float x = 0;
        float y = 0;
        if (figure2 <= kLastLissajousFigure) {
            compute_lissajous_point(state.previous_speed, i16(speed), i16(mode), i16(figure1), i16(figure2),
                                    i16(figure_param(kFigureDelay)), i16(figure_param(kFigureShift)),
                                    i16(figure_param(kFigureWait)), &phase, &x, &y);
        } else {
            compute_polygon_point(state.previous_speed, i16(speed), i16(mode), i16(figure2),
                                  i16(figure_param(kFigureDelay)), i16(figure_param(kFigureShift)),
                                  i16(figure_param(kFigureWait)), &phase, &x, &y);
        }
        draw_figure_preview_point(x, y);
    }
    close_pass(state, speed);
}

void draw_figure_preview_point(float x, float y) {
    PreviewState& state = preview_states[kFigurePreview];
    if (pixel_offset(x) == pixel_offset(state.last_x) && pixel_offset(y) == pixel_offset(state.last_y)) return;
    if (state.last_x != kPreviewNoneDrawn && state.last_y != kPreviewNoneDrawn) {
        draw_dot(state.last_x, state.last_y, kPreviewTraceColour);
    }
    state.last_x = x;
    state.last_y = y;
    draw_dot(x, y, kPreviewLiveColour);
}

void draw_generator_preview() {
    PreviewState& state = preview_states[kGeneratorPreview];
    long double& phase = runtime::preview_phases[kGeneratorPreview];
    const int swing = generator_param(kSwing);
    const int speed = generator_param(kSpeed);
    const int mode = generator_param(kMode);
    const int direction = (std::min(mode / 4 + 1, 12) % 2 == 0) ? 1 : 0;

    if (state.last_follow == 0 && faders_follow_output() != 0) draw_generator_preview_box();
    if (state.fresh != 0) state.watched[0] = static_cast<int16_t>(swing);
    if (start_or_advance(state, phase, speed, direction)) {
        if (check_due(state) && swing != state.watched[0]) {
            // Only a smaller swing wipes the trace: a larger one draws over it.
            if (runtime::current_fixture == state.last_fixture && swing < state.watched[0]) {
                draw_generator_preview_box();
            }
            state.watched[0] = static_cast<int16_t>(swing);
        }
        const float w = compute_generator_value(
            state.previous_speed, static_cast<int16_t>(speed), static_cast<int16_t>(mode),
            static_cast<int16_t>(generator_param(kDelay)), static_cast<int16_t>(generator_param(kShift)),
            static_cast<int16_t>(generator_param(kWait)), &phase);
        const int d = static_cast<int>(2.0f * static_cast<float>(swing) * w);
        const int n = selected_channel();
        const int base = n >= 1 && n <= runtime::kFunctionWheels
                             ? runtime::wheel_states.functions[static_cast<size_t>(n)].value
                             : 0;
        const int s = base + d;
        const int16_t range_flag = s > 255 ? int16_t{1} : s < 0 ? int16_t{-1} : int16_t{0};
        draw_generator_preview_marker(static_cast<float>(d) / kMarkerScale, range_flag);
    }
    close_pass(state, speed);
}

void draw_generator_preview_marker(float v, int16_t range_flag) {
    PreviewState& state = preview_states[kGeneratorPreview];
    if (pixel_offset(v) == pixel_offset(state.last_x) && range_flag == state.last_flag) return;
    platform::_setcolor(state.last_flag != 0 ? kPreviewOutOfRangeColour : kPreviewTraceColour);
    if (state.last_x != kPreviewNoneDrawn) draw_marker_rows(state.last_x);
    state.last_flag = range_flag;
    state.last_x = v;
    platform::_setcolor(kPreviewLiveColour);
    draw_marker_rows(v);
}

}  // namespace programmer
