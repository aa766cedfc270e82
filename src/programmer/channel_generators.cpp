#include "programmer/channel_generators.h"

#include <algorithm>
#include <cmath>

#include "memories/master_output.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/function_belts.h"
#include "programmer/programmer_values.h"
#include "runtime/channel_levels.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/value_table.h"

namespace programmer {

std::array<std::array<uint8_t, runtime::kEffectSpeeds>, runtime::kEffectDirections> shared_phase_valid{};

namespace {

constexpr int kModeClasses = 12;
constexpr int kLastSlaveGroup = 3;
constexpr int kLastPanTiltRole = 4;
constexpr long double kCatchUpRate = 0.6L;      // a lagging engine runs at 1.6 times real time

// Mode class 1..12 of a MODE byte; odd classes run forward, even backward.
int mode_class(int mode) { return std::min(mode / 4 + 1, kModeClasses); }
int direction_of(int mode_class_value) { return mode_class_value % 2 == 0 ? 1 : 0; }

// Sets of mode classes, one bit per class 1..12.
constexpr uint16_t classes(std::initializer_list<int> members) {
    uint16_t mask = 0;
    for (int c : members) mask = static_cast<uint16_t>(mask | (1u << c));
    return mask;
}
constexpr uint16_t kFullSine = classes({1, 2, 7, 8});          // the whole sine (squares shaped from it)
constexpr uint16_t kPositiveHumps = classes({3, 4, 9, 10});    // |half sine|
constexpr uint16_t kCutAbove = classes({5, 6, 11, 12});        // a positive wave gives 0
constexpr uint16_t kFullAbove = classes({7, 8, 9, 10});        // a positive wave gives +1
constexpr uint16_t kCutBelow = classes({3, 4, 9, 10});         // a negative wave gives 0
constexpr uint16_t kFullBelow = classes({7, 8, 11, 12});       // a negative wave gives -1

bool in_class(int c, uint16_t set) { return ((set >> c) & 1u) != 0; }

bool records_ready() {
    return runtime::function_record_table != nullptr && runtime::generator_states != nullptr &&
           runtime::output_base_values != nullptr && runtime::last_sent_values != nullptr;
}

int record_count() {
    return std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords));
}

int generator_byte_count() { return record_count() * static_cast<int>(runtime::kGeneratorBytesPerRecord); }

// A record of a slave-console group whose AUTO/MANUAL byte is AUTO (0) is
// left to the slave console.
bool left_to_slave_console(const runtime::FunctionRecord& entry) {
    if (entry.slave_group < 1 || entry.slave_group > kLastSlaveGroup) return false;
    return setup::setup_data.u8(setup::kSetupAutoManual + entry.slave_group - 1u) == 0;
}

// The running parameters as the engine uses them, each kept within its
// limit: a stored byte out of range must not reach the phase tables.
struct Params {
    int swing, speed, mode, delay, shift, wait;
};

Params running_params(const runtime::GeneratorState& g) {
    const auto limit = [&g](int k) {
        return std::min<int>(g.parameters[static_cast<size_t>(k - 1)], generator_param_limits[static_cast<size_t>(k)]);
    };
    return {limit(kSwing), limit(kSpeed), limit(kMode), limit(kDelay), limit(kShift), limit(kWait)};
}

// The swing range of record r at base value b: the record's own range, or,
// when b lies outside it, the range of the sub-function holding b.
void swing_range(int16_t record, int base, int& lo, int& hi) {
    function_range(record, lo, hi);
    if (base >= lo && base <= hi) return;
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    const setup::FixtureTypeDef* type = setup::type_def_of_index(entry.type);
    if (type == nullptr) return;
    const int function = runtime::type_channel_function[static_cast<size_t>(entry.type) + 1][entry.channel - 1u] + 1;
    const int count = std::min<int>(type->sub_count(function), setup::kSubFunctions);
    for (int k = 1; k <= count; ++k) {
        if (type->sub_from(function, k) <= base && base <= type->sub_to(function, k)) {
            lo = type->sub_from(function, k);
            hi = type->sub_to(function, k);
            return;
        }
    }
}

// The class's shape of the wave: humps cut to one side, squares and pulses.
float shape_wave(int c, float w) {
    if (w > 0) {
        if (in_class(c, kCutAbove)) return 0.0f;
        if (in_class(c, kFullAbove)) return 1.0f;
    } else if (w < 0) {
        if (in_class(c, kCutBelow)) return 0.0f;
        if (in_class(c, kFullBelow)) return -1.0f;
    }
    return w;
}

void send_level(int16_t record, const runtime::FunctionRecord& entry, int level) {
    const auto x = static_cast<uint16_t>(level);
    if (entry.dimmer != 0 || entry.strobe != 0) {
        memories::output_function_value_with_masters(record, x);
    } else if ((runtime::mode_flags & runtime::MODE_FIXTURE_STEP) != 0) {
        memories::output_function_value(record, x);
    } else if (runtime::last_sent_values[record] != x) {
        runtime::set_channel_level(record, static_cast<uint8_t>(x & 255u), 0, 0);
        runtime::last_sent_values[record] = x;
    }
}

void run_generator(int16_t r) {
    const runtime::FunctionRecord& entry = runtime::function_record_table[r];
    if (entry.pantilt_role >= 1 && entry.pantilt_role <= kLastPanTiltRole) return;
    if (left_to_slave_console(entry)) return;
    runtime::GeneratorState& g = runtime::generator_states[r];
    const Params p = running_params(g);
    const int c = mode_class(p.mode);
    const int direction = direction_of(c);

    if (p.swing == 0) {
        // A stopped generator keeps in step with the running ones.
        g.phase = runtime::shared_phases[static_cast<size_t>(direction)][static_cast<size_t>(p.speed)];
    } else if (p.speed != 0) {
        const auto delta = static_cast<long double>(runtime::clock_delta);
        g.phase += direction == 0 ? delta : -delta;
        if (g.phase > kEffectPhaseLimit_ms || g.phase < -kEffectPhaseLimit_ms) g.phase = 0.0L;
    }

    const int base = runtime::output_base_values[r];
    if (p.swing == 0) {
        send_level(r, entry, base);
    } else {
        int lo = 0;
        int hi = 255;
        swing_range(r, base, lo, hi);
        const float w = shape_wave(
            c, compute_generator_value(g.previous_speed, static_cast<int16_t>(p.speed), static_cast<int16_t>(p.mode),
                                       static_cast<int16_t>(p.delay), static_cast<int16_t>(p.shift),
                                       static_cast<int16_t>(p.wait), &g.phase));
        auto d = static_cast<int>(2.0f * static_cast<float>(p.swing) * w);
        if ((runtime::channel_flags[r] & runtime::FLAG_INVERTED) != 0) d = -d;
        if (lo != 0 || hi != 255) d = static_cast<int>((hi - lo) / 255.0 * d);
        send_level(r, entry, std::clamp(base + d, lo, hi));
    }
    if (p.speed != 0) g.previous_speed = static_cast<uint8_t>(p.speed);
}

bool generator_byte_in_use(int16_t byte) { return byte >= 1 && byte <= generator_byte_count(); }

int16_t record_of_byte(int16_t byte) {
    return static_cast<int16_t>((byte - 1) / static_cast<int>(runtime::kGeneratorBytesPerRecord) + 1);
}

void mark_generator_dirty(int16_t byte, int16_t fixture) {
    runtime::dirty_sub_channels[byte] = 1;
    if (fixture >= 1 && fixture <= static_cast<int>(runtime::kShowFixtures)) runtime::dirty_fixtures[fixture] = 1;
}

}  // namespace

void reset_channel_generators_globals() { shared_phase_valid = {}; }

void run_generators_tick() {
    if ((runtime::run_flags & runtime::RUN_EFFECTS_RUNNING) == 0 || !records_ready()) return;
    const int count = record_count();
    for (int r = 1; r <= count; ++r) run_generator(static_cast<int16_t>(r));
}

float compute_generator_value(int16_t previous_speed, int16_t speed, int16_t mode, int16_t delay, int16_t shift,
                              int16_t wait, long double* phase) {
    static const long double pi = std::acos(-1.0L);
    const int s = std::clamp<int>(speed, 0, generator_param_limits[kSpeed]);
    const int p = std::clamp<int>(previous_speed, 0, generator_param_limits[kSpeed]);
    long double s2 = 0.0L;
    if (s != 0) {
        s2 = static_cast<long double>(s * s);
    } else if (p != 0) {
        s2 = static_cast<long double>(p * p);
    } else {
        return 0.0f;
    }
    const int c = mode_class(std::max<int>(mode, 0));
    const auto direction = static_cast<size_t>(direction_of(c));

    const long double period = 2.0L * pi / (s2 * kEffectAngularScale) * 1000.0L;
    const long double shift_ms = shift * period;
    const long double wait_ms = wait * period / 4.0L;
    const long double delay_ms = period * (delay / 170.0L);
    const long double cycle = period + wait_ms;

    keep_in_step(p, s, static_cast<int>(direction), cycle, phase);
    const long double ph = *phase;
    const long double x = ph - delay_ms - shift_ms;
    const long double n = std::floor(x / cycle);
    long double t = std::fabs(x - n * cycle);
    if (t > period) t = 0.0L;  // inside the pause
    if (in_class(c, kFullSine)) return static_cast<float>(std::sin(s2 * kEffectAngularScale * t / 1000.0L));
    const long double a = std::fabs(std::sin(s2 * (kEffectAngularScale / 2) * t / 1000.0L));
    return static_cast<float>(in_class(c, kPositiveHumps) ? a : -a);
}

void keep_in_step(int previous_speed, int speed, int direction, long double cycle, long double* phase) {
    const int s = std::clamp<int>(speed, 0, generator_param_limits[kSpeed]);
    const int p = std::clamp<int>(previous_speed, 0, generator_param_limits[kSpeed]);
    const auto d = static_cast<size_t>(direction != 0 ? 1 : 0);
    long double& ph = *phase;
    if (s != 0 && p != 0 && s != p) ph = ph * static_cast<long double>(p * p) / static_cast<long double>(s * s);

    const long double ref = runtime::shared_phases[d][static_cast<size_t>(s)];
    uint8_t& valid = shared_phase_valid[d][static_cast<size_t>(s)];
    if (ref != ph && s != 0 && valid == 1) {
        ph += cycle * std::floor((ref - ph) / cycle);
        const long double step = kCatchUpRate * static_cast<long double>(runtime::clock_delta);
        if (ref > ph) {
            ph = std::min(ph + step, ref);
        } else if (ref < ph) {
            ph = std::max(ph - step, ref);
        }
    }
    if (valid == 0) {
        valid = 1;
        runtime::shared_phases[d][static_cast<size_t>(s)] = ph;
    }
}

void set_generator_param(int16_t byte, uint8_t value) {
    if (!generator_byte_in_use(byte) || !records_ready()) return;
    const bool blind = (runtime::run_flags & runtime::RUN_BLIND) != 0;
    const uint16_t flags = runtime::generator_flags[byte];
    const int16_t fixture = runtime::function_record_table[record_of_byte(byte)].fixture;
    const bool selected = fixture >= 1 && fixture <= kFixtures && fixture_selected[fixture] != 0;

    if (!blind && (flags & runtime::FLAG_MANUAL) != 0 && selected) {
        if (runtime::manual_generators[byte] == value) return;
        runtime::manual_generators[byte] = value;
        mark_generator_dirty(byte, fixture);
        return;
    }
    if (blind || (flags & runtime::FLAG_FROZEN) != 0 || any_sequence_running()) return;
    if (runtime::cue_fade_records.sub_channels[byte].state != 0) return;
    uint8_t* live = runtime::layer_generators[0];
    if (live[byte] == value) return;
    live[byte] = value;
    mark_generator_dirty(byte, fixture);
}

uint8_t get_generator_param_colour(int16_t byte) {
    if ((runtime::run_flags & runtime::RUN_BLIND) != 0) return kColourHeldBack;
    if (!generator_byte_in_use(byte)) return kColourHeldBack;
    const uint16_t flags = runtime::generator_flags[byte];
    if ((flags & runtime::FLAG_MANUAL) != 0) return kColourReachesStage;
    if ((flags & runtime::FLAG_FROZEN) != 0) return kColourHeldBack;
    if ((flags & runtime::FLAG_PLAYBACK_OWNER) != 0) return kColourHeldBack;
    if (runtime::cue_fade_records.sub_channels[byte].state != 0) return kColourHeldBack;
    if (any_sequence_running()) return kColourHeldBack;
    return kColourReachesStage;
}

void apply_wheel_to_generator_param(int16_t param, int16_t delta) {
    if (param < 1 || param > kGeneratorParams) return;
    runtime::WheelState& wheel = runtime::wheel_states.generator_params[static_cast<size_t>(param)];
    wheel.value = static_cast<int16_t>(std::clamp(wheel.value - delta, 0, 255));
    if (runtime::fader_bank == 1) {
        const uint8_t q = ui::divide_by_3_round_up(wheel.value);
        if (q != wheel.shown) {
            set_fader_widget_value(static_cast<int16_t>(param + 1), q);
            wheel.shown = q;
        }
    }
    wheel.raw = static_cast<int16_t>(wheel.value * generator_wheel_scale[static_cast<size_t>(param - 1)]);

    const int type = runtime::current_fixture_type;
    const int n = runtime::function_page * 16 + runtime::selected_fader_bank0 - 16;
    if (type < 0 || type >= runtime::kTypes || n < 1 || n > runtime::kTypeChannels || !records_ready()) return;
    const auto byte_value = static_cast<uint8_t>(std::clamp<int>(wheel.raw, 0, generator_param_limits[static_cast<size_t>(param)]));
    const int fixtures = std::min<int>(setup::fixture_count, kFixtures);
    for (int f = 1; f <= fixtures; ++f) {
        if (fixture_selected[f] == 0) continue;
        const int first = runtime::fixture_channel_record(f, 1);
        if (first == 0) continue;
        const int f_type = runtime::function_record_table[first].type;
        if (f_type < 0 || f_type >= runtime::kTypes) continue;
        int channel = runtime::type_function_map[static_cast<size_t>(type) + 1][static_cast<size_t>(n)][static_cast<size_t>(f_type) + 1];
        if (channel == 0) continue;
        const uint8_t remapped = runtime::function_remap_table[static_cast<size_t>(f)][static_cast<size_t>(channel - 1)];
        if (remapped != 0) channel = remapped;
        const int16_t record = get_function_record_index(static_cast<int16_t>(f), static_cast<int16_t>(channel));
        if (record < 1 || record > record_count()) continue;
        const auto byte = static_cast<int16_t>((record - 1) * static_cast<int>(runtime::kGeneratorBytesPerRecord) + param);
        runtime::programmer_generators[byte] = byte_value;
        if ((runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0 && (runtime::run_flags & runtime::RUN_BLIND) == 0) {
            runtime::generator_flags[byte] |= runtime::FLAG_MANUAL;
        }
        set_generator_param(byte, byte_value);
        if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) == 0 && runtime::fader_bank == 1) {
            ui::format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(param + 1), byte_value,
                                   get_generator_param_colour(byte), 0, 0);
        }
    }
}

}  // namespace programmer
