#include "programmer/pantilt_figures.h"

#include <algorithm>
#include <cmath>

#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/function_belts.h"
#include "programmer/programmer_values.h"
#include "runtime/channel_levels.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/value_table.h"

namespace programmer {

namespace {

constexpr int kRatios = 8;
// Cycles of the first axis per figure period, and the second axis's angular
// speed relative to the first: 1:1, 2:1, 3:1, 3:2, 4:3, 5:3, 5:4, 6:5.
constexpr std::array<int, kRatios> lissajous_x_cycles = {1, 2, 3, 3, 4, 5, 5, 6};
constexpr std::array<long double, kRatios> lissajous_y_factors = {1.0L,        1.0L / 2.0L, 1.0L / 3.0L, 2.0L / 3.0L,
                                                                  3.0L / 4.0L, 3.0L / 5.0L, 4.0L / 5.0L, 5.0L / 6.0L};

// One polygon: its extents right, left, up and down, and the edge angle of
// each quadrant (I: x >= 0, y >= 0; II: x <= 0, y >= 0; III; IV). In each
// quadrant the outline is the nearer of the horizontal line at the
// quadrant's y extent and the line through (x extent, 0) at its edge angle.
struct PolygonShape {
    float right, left, up, down;
    std::array<float, 4> edge_angle;
};
constexpr int kPolygonRows = 13;
constexpr float kHalfRight = 2.35619f;
constexpr float kQuarter = 0.78539f;
constexpr float kUp = 1.57f;
constexpr float kDown = 4.71f;
constexpr std::array<PolygonShape, kPolygonRows + 1> polygon_shapes = {{
    {},
    {1, -1, 0.6f, -0.6f, {kHalfRight, kQuarter, kHalfRight, kQuarter}},  // 1 diamond cut flat
    {1, -1, 1, -0.6f, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
    {1, -1, 0.6f, -1, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
    {1, -1, 1, -1, {kHalfRight, kQuarter, kDown, kDown}},                 // 4 square under a diamond point
    {1, -1, 1, -1, {kUp, kUp, 5.49f, 3.92f}},                             // 5 the same upside down
    {1, -1, 0.6f, 0, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
    {1, -1, 0, -0.6f, {kUp, kUp, 5.49f, 3.92f}},
    {1, -1, 1, -1, {kHalfRight, kQuarter, kHalfRight, kQuarter}},        // 8 diamond
    {1, -1, 1, -1, {kUp, kUp, kDown, kDown}},                             // 9 square
    {1, -1, 1, 0, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
    {1, -1, 0, -1, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
    {1, 0, 1, -1, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
    {0, -1, 1, -1, {kHalfRight, kQuarter, kHalfRight, kQuarter}},
}};

constexpr float kRotateUnit = 6.28f / 170.0f;
constexpr long double kAngleTolerance = 0.01L;
constexpr int kSixteenBitScale = 256;

struct Params {
    int x_swing, y_swing, speed, mode, figure1, figure2, rotate, delay, shift, wait;
};

Params running_params(const runtime::FigureState& g) {
    const auto limit = [&g](int k) {
        return std::min<int>(g.parameters[static_cast<size_t>(k - 1)], figure_param_limits[static_cast<size_t>(k)]);
    };
    return {limit(kXSwing),  limit(kYSwing), limit(kFigureSpeed), limit(kFigureMode),  limit(kFigure1),
            limit(kFigure2), limit(kRotate), limit(kFigureDelay),  limit(kFigureShift), limit(kFigureWait)};
}

// Forward (0) or backward (1): MODE div 4 + 1, at most 2.
int figure_direction(int mode) { return std::min(std::max(mode, 0) / 4 + 1, 2) == 2 ? 1 : 0; }

long double pi() {
    static const long double value = std::acos(-1.0L);
    return value;
}

// The squared speed of a figure; 0 when it has none (no point to compute).
long double squared_speed(int previous_speed, int speed) {
    const int s = std::clamp(speed, 0, 170);
    const int p = std::clamp(previous_speed, 0, 170);
    if (s != 0) return static_cast<long double>(s * s);
    if (p != 0) return static_cast<long double>(p * p);
    return 0.0L;
}

// The time within the cycle (ms from the figure's start, less the delay);
// the pause holds the starting point.
long double time_in_cycle(long double phase, long double period, long double cycle, long double shift_ms,
                          long double delay_ms) {
    const long double n = std::floor((phase - shift_ms) / cycle);
    const long double t = std::fabs(phase - shift_ms - n * cycle);
    return t > period ? -delay_ms : t - delay_ms;
}

bool near_angle(long double a, long double b) { return std::fabs(a - b) < kAngleTolerance; }
bool vertical_angle(long double a) { return near_angle(a, kUp) || near_angle(a, kDown); }

// The outline point of polygon `shape` in direction q (radians).
void polygon_outline(const PolygonShape& shape, long double q, float& x, float& y) {
    // The angle within one turn, so that its edge tests keep working.
    const long double turn = 2.0L * pi();
    q -= turn * std::floor(q / turn);
    const auto cq = static_cast<float>(std::cos(q));
    const auto sq = static_cast<float>(std::sin(q));
    long double a = 0, b = 0, d = 0;
    if (cq >= 0 && sq >= 0) {
        a = shape.edge_angle[0], b = shape.right, d = shape.up;
    } else if (cq <= 0 && sq >= 0) {
        a = shape.edge_angle[1], b = shape.left, d = shape.up;
    } else if (cq <= 0 && sq <= 0) {
        a = shape.edge_angle[2], b = shape.left, d = shape.down;
    } else {
        a = shape.edge_angle[3], b = shape.right, d = shape.down;
    }
    long double px = 0, py = 0;
    if (sq == 0) {
        px = b;
        py = 0;
    } else if (cq == 0) {
        // Straight up or down.
        px = 0;
        py = d;
        if (!vertical_angle(a)) {
            const long double e = std::tan(a) * -b;
            if (std::fabs(d) > std::fabs(e)) py = e;
        }
    } else {
        const long double tq = std::tan(q);
        const long double top_x = d / tq;
        if (near_angle(a, q)) {
            px = top_x;
            py = d;
        } else {
            long double xa = 0, ya = 0;
            if (vertical_angle(a)) {
                xa = b;
                ya = tq * b;
            } else {
                const long double ta = std::tan(a);
                xa = ta * b / (ta - tq);
                ya = tq * xa;
            }
            if (std::fabs(d) < std::fabs(ya) || !std::isfinite(xa) || !std::isfinite(ya)) {
                px = top_x;
                py = d;
            } else {
                px = xa;
                py = ya;
            }
        }
        if (px == 0) px = std::fabs(b) * cq;
        if (py == 0) py = std::fabs(d) * sq;
    }
    if (!std::isfinite(px) || !std::isfinite(py)) {
        px = 0;
        py = d;
    }
    x = static_cast<float>(px);
    y = static_cast<float>(py);
}

// One axis of an 8-bit fixture: the base plus the offset, kept in range.
void output_axis_8bit(uint16_t record, int offset) {
    if (record == 0) return;
    int lo = 0, hi = 255;
    function_range(static_cast<int16_t>(record), lo, hi);
    if (lo != 0 || hi != 255) offset = static_cast<int>((hi - lo) * offset / 255.0);
    const int base = runtime::output_base_values[record];
    const int value = std::clamp(base + offset, lo, hi);
    runtime::set_channel_level(static_cast<int16_t>(record), static_cast<uint8_t>((offset == 0 ? base : value) & 255),
                               0, 0);
}

// One axis of a 16-bit fixture: the offset in 16-bit units over coarse and
// fine, carrying out of the fine range into the coarse byte. At the coarse
// limit only the coarse byte goes out.
void output_axis_16bit(uint16_t coarse, uint16_t fine, int offset) {
    if (coarse == 0 || fine == 0) return;
    int lo = 0, hi = 255, flo = 0, fhi = 255;
    function_range(static_cast<int16_t>(coarse), lo, hi);
    function_range(static_cast<int16_t>(fine), flo, fhi);
    if (lo != 0 || hi != 255) offset = static_cast<int>((hi - lo) * offset / 255.0);
    const int coarse_base = runtime::output_base_values[coarse];
    const int fine_base = runtime::output_base_values[fine];
    int f = (flo == 0 && fhi == 255) ? (offset & 255) : static_cast<int>(flo + (fhi - flo) / 255.0 * (offset & 255));
    f += fine_base;
    int c = coarse_base + (offset >> 8);
    if (f > fhi) {
        f -= fhi - flo + 1;
        ++c;
    }
    f = std::clamp(f, flo, fhi);
    const int clamped = std::clamp(c, lo, hi);
    const auto fine_channel = static_cast<int16_t>(fine);
    const auto coarse_channel = static_cast<int16_t>(coarse);
    if (offset == 0) {
        runtime::set_figure_channel_level(fine_channel, static_cast<uint8_t>(fine_base & 255), coarse_channel,
                                          static_cast<uint8_t>(coarse_base & 255));
    } else if (clamped == c) {
        runtime::set_figure_channel_level(fine_channel, static_cast<uint8_t>(f & 255), coarse_channel,
                                          static_cast<uint8_t>(c & 255));
    } else {
        runtime::set_channel_level(coarse_channel, static_cast<uint8_t>(clamped & 255), 0, 0);
    }
}

void output_base_position(const runtime::PanTiltRecord& pt) {
    if (pt.kind == 1) {
        for (uint16_t record : {pt.pan.record, pt.tilt.record}) {
            if (record != 0)
                runtime::set_channel_level(static_cast<int16_t>(record),
                                           static_cast<uint8_t>(runtime::output_base_values[record] & 255), 0, 0);
        }
        return;
    }
    output_axis_16bit(pt.pan.record, pt.pan_fine.record, 0);
    output_axis_16bit(pt.tilt.record, pt.tilt_fine.record, 0);
}

void run_figure(int f) {
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(f)];
    if (pt.kind == 0) return;
    runtime::FigureState& g = runtime::figure_states[f];
    const Params p = running_params(g);
    const int direction = figure_direction(p.mode);

    const bool off = p.x_swing == 0 && p.y_swing == 0;
    if (off) {
        g.phase = runtime::shared_phases[static_cast<size_t>(direction)][static_cast<size_t>(p.speed)];
        output_base_position(pt);
    } else {
        if (p.speed != 0) {
            const auto delta = static_cast<long double>(runtime::clock_delta);
            g.phase += direction == 0 ? delta : -delta;
            if (g.phase > kEffectPhaseLimit_ms || g.phase < -kEffectPhaseLimit_ms) g.phase = 0.0L;
        }
        float x = 0, y = 0;
        const auto i16 = [](int v) { return static_cast<int16_t>(v); };
        if (p.figure2 <= kLastLissajousFigure) {
            compute_lissajous_point(g.previous_speed, i16(p.speed), i16(p.mode), i16(p.figure1), i16(p.figure2),
                                    i16(p.delay), i16(p.shift), i16(p.wait), &g.phase, &x, &y);
        } else {
            compute_polygon_point(g.previous_speed, i16(p.speed), i16(p.mode), i16(p.figure2), i16(p.delay),
                                  i16(p.shift), i16(p.wait), &g.phase, &x, &y);
        }
        const float a = static_cast<float>(p.rotate) * kRotateUnit;
        const float rx = std::cos(a) * x - std::sin(a) * y;
        const float ry = std::sin(a) * x + std::cos(a) * y;
        const int scale = pt.kind == 2 ? kSixteenBitScale : 1;
        int ox = static_cast<int>(static_cast<float>(p.x_swing * scale) * rx);
        int oy = static_cast<int>(static_cast<float>(p.y_swing * scale) * ry);
        if (pt.pan_invert != 0) ox = -ox;
        if (pt.tilt_invert != 0) oy = -oy;
        const bool straight = pt.oriented_pan.channel == pt.pan.channel;
        const int pan_offset = straight ? ox : oy;
        const int tilt_offset = straight ? oy : ox;
        if (pt.kind == 1) {
            output_axis_8bit(pt.pan.record, pan_offset);
            output_axis_8bit(pt.tilt.record, tilt_offset);
        } else {
            output_axis_16bit(pt.pan.record, pt.pan_fine.record, pan_offset);
            output_axis_16bit(pt.tilt.record, pt.tilt_fine.record, tilt_offset);
        }
    }
    if (p.speed != 0) g.previous_speed = static_cast<uint8_t>(p.speed);
}

int fixtures_patched() { return std::clamp<int>(setup::fixture_count, 0, kFixtures); }

bool figure_byte_in_use(int16_t byte) {
    return byte >= 1 && byte <= fixtures_patched() * kFigureParams;
}

bool tables_ready() {
    return runtime::figure_states != nullptr && runtime::output_base_values != nullptr &&
           runtime::layer_figures[0] != nullptr && runtime::function_record_table != nullptr;
}

}  // namespace

void run_figures_tick() {
    shared_phase_valid = {};
    if ((runtime::run_flags & runtime::RUN_EFFECTS_RUNNING) == 0 || !tables_ready()) return;
    const int fixtures = fixtures_patched();
    for (int f = 1; f <= fixtures; ++f) run_figure(f);
}

void compute_lissajous_point(int16_t previous_speed, int16_t speed, int16_t mode, int16_t figure1, int16_t figure2,
                             int16_t delay, int16_t shift, int16_t wait, long double* phase, float* x, float* y) {
    *x = 0;
    *y = 0;
    const long double s2 = squared_speed(previous_speed, speed);
    if (s2 == 0) return;
    const auto j = static_cast<size_t>(std::clamp(figure2 / 20, 0, kRatios - 1));
    const long double period = 2.0L * pi() / (s2 * kEffectAngularScale) * lissajous_x_cycles[j] * 1000.0L;
    const long double cycle = period + wait * period / 4.0L;
    keep_in_step(previous_speed, speed, figure_direction(mode), cycle, phase);
    const long double v = time_in_cycle(*phase, period, cycle, shift * period, delay / 170.0L * period);
    const long double unit = pi() * 2.0L / 170.0L;
    const long double angle = s2 * kEffectAngularScale * v / 1000.0L;
    *x = static_cast<float>(std::sin(angle));
    *y = static_cast<float>(std::sin(unit * figure1 + lissajous_y_factors[j] * angle));
}

void compute_polygon_point(int16_t previous_speed, int16_t speed, int16_t mode, int16_t figure2, int16_t delay,
                           int16_t shift, int16_t wait, long double* phase, float* x, float* y) {
    *x = 0;
    *y = 0;
    const long double s2 = squared_speed(previous_speed, speed);
    if (s2 == 0) return;
    const int row = std::clamp(figure2 - kLastLissajousFigure, 1, kPolygonRows);
    const long double period = 2.0L * pi() / (s2 * kEffectAngularScale) * 1000.0L;
    const long double cycle = period + wait * period / 4.0L;
    keep_in_step(previous_speed, speed, figure_direction(mode), cycle, phase);
    const long double v = time_in_cycle(*phase, period, cycle, shift * period, delay / 170.0L * period);
    polygon_outline(polygon_shapes[static_cast<size_t>(row)], s2 * kEffectAngularScale * v / 1000.0L, *x, *y);
}

void set_figure_param(int16_t byte, uint8_t value) {
    if (!figure_byte_in_use(byte) || !tables_ready()) return;
    const bool blind = (runtime::run_flags & runtime::RUN_BLIND) != 0;
    const uint16_t flags = runtime::figure_flags[static_cast<size_t>(byte)];
    const auto fixture = static_cast<int16_t>((byte - 1) / kFigureParams + 1);
    const bool selected = fixture_selected[static_cast<size_t>(fixture)] != 0;
    if (!blind && (flags & runtime::FLAG_MANUAL) != 0 && selected) {
        if (runtime::manual_figures[byte] == value) return;
        runtime::manual_figures[byte] = value;
    } else {
        if (blind || (flags & runtime::FLAG_FROZEN) != 0 || any_sequence_running()) return;
        if (runtime::cue_fade_records.extras[byte].state != 0) return;
        uint8_t* live = runtime::layer_figures[0];
        if (live[byte] == value) return;
        live[byte] = value;
    }
    runtime::dirty_extras[byte] = 1;
    runtime::dirty_fixtures[fixture] = 1;
}

uint8_t get_figure_param_colour(int16_t byte) {
    if ((runtime::run_flags & runtime::RUN_BLIND) != 0) return kColourHeldBack;
    if (!figure_byte_in_use(byte)) return kColourHeldBack;
    const uint16_t flags = runtime::figure_flags[static_cast<size_t>(byte)];
    if ((flags & runtime::FLAG_MANUAL) != 0) return kColourReachesStage;
    if ((flags & runtime::FLAG_FROZEN) != 0) return kColourHeldBack;
    if ((flags & runtime::FLAG_PLAYBACK_OWNER) != 0) return kColourHeldBack;
    if (runtime::cue_fade_records.extras[byte].state != 0) return kColourHeldBack;
    if (any_sequence_running()) return kColourHeldBack;
    return kColourReachesStage;
}

void apply_wheel_to_figure_param(int16_t param, int16_t delta) {
    if (param < 1 || param > kFigureParams) return;
    runtime::WheelState& wheel = runtime::wheel_states.figure_params[static_cast<size_t>(param)];
    wheel.value = static_cast<int16_t>(std::clamp(wheel.value - delta, 0, 255));
    if (runtime::fader_bank == 2) {
        const uint8_t q = ui::divide_by_3_round_up(wheel.value);
        if (q != wheel.shown) {
            set_fader_widget_value(param, q);
            wheel.shown = q;
        }
    }
    wheel.raw = static_cast<int16_t>(wheel.value * figure_wheel_scale[static_cast<size_t>(param - 1)]);
    if (!tables_ready()) return;
    const auto byte_value =
        static_cast<uint8_t>(std::clamp<int>(wheel.raw, 0, figure_param_limits[static_cast<size_t>(param)]));
    const int fixtures = fixtures_patched();
    for (int f = 1; f <= fixtures; ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 0) continue;
        if (runtime::fixture_pantilt_table[static_cast<size_t>(f)].kind == 0) continue;
        const auto byte = static_cast<int16_t>((f - 1) * kFigureParams + param);
        runtime::programmer_figures[byte] = byte_value;
        if ((runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0 && (runtime::run_flags & runtime::RUN_BLIND) == 0) {
            runtime::figure_flags[static_cast<size_t>(byte)] |= runtime::FLAG_MANUAL;
        }
        set_figure_param(byte, byte_value);
        if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) == 0 && runtime::fader_bank == 2) {
            ui::format_table_value(static_cast<int16_t>(f), param, byte_value, get_figure_param_colour(byte), 0, 0);
        }
    }
}

}  // namespace programmer
