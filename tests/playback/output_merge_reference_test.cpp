// The whole merge on the demo rig against a plain reference: a seeded random
// stage of many playbacks (random values, preset references, thresholds, fade
// modes, fade permissions, manual and frozen targets) whose levels change
// round after round; after every poll each channel's base value, each
// generator and figure parameter and every owner must be what the reference
// computes from the rules, written here target by target and playback by
// playback without any of the merge's shortcuts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "memories/presets.h"
#include "merge_test_rig.h"
#include "runtime/console_flags.h"
#include "setup/fixture_type.h"

namespace {

using namespace merge_test;

constexpr uint16_t kNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;
constexpr int kValuePreset = 5;      // stored, some records not set
constexpr int kEmptyValuePreset = 7;  // never stored
constexpr int kEffectPreset = 1;     // stored, some bytes not set
constexpr int kEmptyEffectPreset = 2;

// ---------------------------------------------------------------- the reference

int records() { return runtime::function_record_count; }
int fixtures() { return setup::fixture_count; }

int owner_bits(uint16_t flags) { return (flags >> 9) & 0x7F; }
bool permission_of(uint16_t flags) { return (flags & runtime::FLAG_FADES) != 0; }

int32_t round_half_up(double x) {
    const double whole = std::floor(x);
    return static_cast<int32_t>(whole) + (x - whole >= 0.5 ? 1 : 0);
}
int32_t blend(int32_t v, int32_t c, double f) { return round_half_up(v * f + c * (1.0 - f)); }

struct Playback {
    bool active;
    int32_t level;
    uint8_t mode;  // the record's own fade mode
};

Playback playback_of(int p) {
    const auto i = static_cast<size_t>(p);
    const uint8_t m = playback::playback_table[i].fade_mode;
    return {playback::playback_active[i] != 0, std::clamp<int32_t>(playback::playback_levels[i], 0, 65535),
            static_cast<uint8_t>(m <= 5 ? m : 0)};
}

int32_t threshold_of(int p, int record) { return runtime::playback_thresholds[static_cast<size_t>(p)][record] * 257; }
int32_t clamp_threshold(int32_t t) { return t >= 65535 ? 65534 : std::max(t, 1285); }
double crossfade(int32_t level, int32_t t) {
    const int32_t tc = clamp_threshold(t);
    return std::clamp((level - tc) / (65535.0 - tc), 0.0, 1.0);
}
double entry5_fraction(int32_t level, int32_t t) {
    const int32_t tc = clamp_threshold(t);
    return level < tc ? static_cast<double>(level) / tc : 1.0;
}

uint16_t resolve_value(int record, uint16_t v) {
    if (v == kNotSet) return kNotSet;
    if (v > 1000) {
        const uint16_t* preset = memories::value_preset_table[static_cast<size_t>(v - 1000)];
        if (preset == nullptr) return kNotSet;
        v = preset[record];
    }
    return v <= 255 ? v : kNotSet;
}

uint8_t resolve_byte(const std::array<uint8_t*, memories::kEffectPresets + 1>& presets, int i, uint8_t b) {
    if (b < 181 || b > 250) return b;
    const uint8_t* part = presets[static_cast<size_t>(b - 180)];
    return part != nullptr ? part[i - 1] : kByteNotSet;
}

// The fade-mode table the reference expects playback p to have been given at
// its start, from the base values at that moment.
using ModeTable = std::array<std::array<uint8_t, runtime::kShowRecords + 1>, 43>;

void expected_modes_at_start(int p, uint8_t mode, ModeTable& tables) {
    auto& table = tables[static_cast<size_t>(p)];
    const int n = records();
    if (mode != 5) {
        for (int r = 1; r <= n; ++r) table[static_cast<size_t>(r)] = mode;
        return;
    }
    std::array<bool, runtime::kShowFixtures + 1> lit{};
    for (int r = 1; r <= n; ++r) {
        const auto& e = runtime::function_record_table[r];
        if (e.dimmer == 0) continue;
        const bool on = runtime::output_base_values[r] >= 1;
        table[static_cast<size_t>(r)] = on ? 4 : 5;
        lit[static_cast<size_t>(e.fixture)] = on;
    }
    for (int r = 1; r <= n; ++r) {
        const auto& e = runtime::function_record_table[r];
        if (e.dimmer == 0) table[static_cast<size_t>(r)] = lit[static_cast<size_t>(e.fixture)] ? 0 : 5;
    }
}

struct Merged {
    int32_t value;
    int owner;
};

// One step of the plain rule for a value n over the running value c, with
// table entry m and fraction f.
int32_t step(int32_t n, int32_t c, uint8_t m, bool permission, double f) {
    if (n == c) return c;
    if (m == 5) return permission ? blend(n, c, f) : n;
    const bool snap = ((m == 0 || m == 4) && !permission) || m == 2 || m == 3;
    return snap ? n : blend(n, c, f);
}

// The fraction a playback gives a target, or false when it takes no part.
// dimmer_parameter: entry 5 of a dimmer record's generator parameter.
bool fraction_for(const Playback& pb, int p, int record, uint8_t m, bool permission, bool dimmer_parameter, double& f) {
    const int32_t t = threshold_of(p, record);
    if (m == 5) {
        const int32_t tc = clamp_threshold(t);
        if (!permission) {
            f = 1.0;
        } else if (dimmer_parameter) {
            f = pb.level > tc ? (pb.level - tc) / (65535.0 - tc) : 0.0;
        } else {
            f = entry5_fraction(pb.level, t);
        }
        return true;
    }
    if (t > pb.level) return false;
    f = crossfade(pb.level, t);
    return true;
}

struct FineMap {
    int min = 0, max = 255;
    double s = 1.0;
    bool full() const { return min == 0 && max == 255; }
    int to_byte(int y) const {
        return full() ? std::clamp(y, 0, 255) : std::clamp(static_cast<int>(std::floor((y - min) * s + 0.5)), 0, 255);
    }
    int from_byte(int b) const { return full() ? b : std::clamp(static_cast<int>(b / s + min), min, max); }
};

FineMap fine_map(int fine) {
    const auto& e = runtime::function_record_table[fine];
    FineMap m;
    if (e.range_max > e.range_min) {
        m.min = e.range_min;
        m.max = e.range_max;
        m.s = 255.0 / (m.max - m.min);
    }
    return m;
}

uint16_t zero_or(uint16_t v) { return v == kNotSet ? 0 : v; }

// An 8-bit channel, or (fine != 0) a 16-bit pair as coarse x 256 + fine.
Merged reference_channel(int r, int fine, const ModeTable& modes) {
    const bool permission = permission_of(runtime::channel_flags[r]);
    const FineMap map = fine != 0 ? fine_map(fine) : FineMap{};
    int32_t c = zero_or(resolve_value(r, runtime::layer_values[0][r]));
    if (fine != 0) c = c * 256 + map.to_byte(zero_or(resolve_value(fine, runtime::layer_values[0][fine])));
    int owner = 0;
    for (int p = 42; p >= 1; --p) {
        const Playback pb = playback_of(p);
        const uint16_t raw = runtime::layer_values[static_cast<size_t>(p)][r];
        if (!pb.active || raw == kNotSet) continue;
        const uint8_t m = modes[static_cast<size_t>(p)][static_cast<size_t>(r)];
        double f = 0;
        if (!fraction_for(pb, p, r, m, permission, false, f)) continue;
        owner = p;
        const uint16_t v = resolve_value(r, raw);
        if (v == kNotSet) continue;
        int32_t n = v;
        if (fine != 0) {
            const uint16_t y = resolve_value(fine, runtime::layer_values[static_cast<size_t>(p)][fine]);
            n = v * 256 + map.to_byte(y == kNotSet ? map.min : y);
        }
        c = step(n, c, m, permission, f);
    }
    return {c, owner};
}

// A dimmer: highest (lowest when inverted) or latest, with the playback's own mode.
Merged reference_dimmer(int r, int& winner) {
    const auto& e = runtime::function_record_table[r];
    const setup::FixtureTypeDef* type = setup::type_def_of_index(e.type);
    const int closed = type->u8(setup::kTypeDimmerClosed);
    const int open = type->u8(setup::kTypeDimmerClosed + 1);
    const bool inverted = closed >= open;
    const bool permission = permission_of(runtime::channel_flags[r]);
    int32_t hi = zero_or(resolve_value(r, runtime::layer_values[0][r]));
    int32_t lo = hi;
    int owner = 0;
    winner = 0;
    for (int p = 42; p >= 1; --p) {
        const Playback pb = playback_of(p);
        const uint16_t raw = runtime::layer_values[static_cast<size_t>(p)][r];
        if (!pb.active || raw == kNotSet || threshold_of(p, r) > pb.level) continue;
        owner = p;
        const int32_t base = inverted ? lo : hi;
        const uint16_t v = resolve_value(r, raw);
        if (v == kNotSet || v == base) continue;
        const uint8_t m = pb.mode;
        const bool ltp = m == 4 || m == 5;
        int32_t fresh = v;
        const bool snap = ((m == 0 || ltp) && !permission) || m == 2 || m == 3;
        if (!snap) {
            const double f = crossfade(pb.level, threshold_of(p, r));
            fresh = ltp ? blend(v, base, f) : static_cast<int32_t>(closed + (v - closed) * f);
        }
        if (ltp) {
            hi = lo = fresh;
            winner = p;
        } else {
            if (fresh > hi) {
                hi = fresh;
                if (!inverted) winner = p;
            }
            if (fresh < lo) {
                lo = fresh;
                if (inverted) winner = p;
            }
        }
    }
    return {inverted ? lo : hi, owner};
}

// A generator parameter (unit 1) or figure parameter (unit 256, layer 0
// with its fraction byte) following the fade modes and thresholds of record.
template <typename Byte>
Merged reference_parameter(int record, uint16_t flags, bool dimmer_record, int32_t unit, int32_t c, Byte byte_of,
                           const ModeTable& modes) {
    const bool permission = permission_of(flags);
    int owner = 0;
    for (int p = 42; p >= 1; --p) {
        const Playback pb = playback_of(p);
        const uint8_t raw = byte_of(p, false);
        if (!pb.active || raw == kByteNotSet) continue;
        const uint8_t m = modes[static_cast<size_t>(p)][static_cast<size_t>(record)];
        double f = 0;
        if (!fraction_for(pb, p, record, m, permission, dimmer_record, f)) continue;
        owner = p;
        const uint8_t v = byte_of(p, true);
        if (v == kByteNotSet) continue;
        c = step(v * unit, c, m, permission, f);
    }
    return {c, owner};
}

// ---------------------------------------------------------------- the stage

// Everything the merge writes, read back for a comparison.
struct Outputs {
    std::vector<uint16_t> base, channel_flags, generator_flags, figure_flags;
    std::vector<uint8_t> generators, figures;

    static Outputs read() {
        Outputs o;
        const int n = records();
        o.base.assign(runtime::output_base_values, runtime::output_base_values + n + 1);
        o.channel_flags.assign(runtime::channel_flags, runtime::channel_flags + n + 1);
        o.generator_flags.assign(runtime::generator_flags, runtime::generator_flags + n * 6 + 1);
        o.figure_flags.assign(runtime::figure_flags.begin(), runtime::figure_flags.begin() + fixtures() * 10 + 1);
        for (int r = 1; r <= n; ++r) {
            for (const uint8_t b : runtime::generator_states[r].parameters) o.generators.push_back(b);
        }
        for (int f = 1; f <= fixtures(); ++f) {
            for (const uint8_t b : runtime::figure_states[f].parameters) o.figures.push_back(b);
        }
        return o;
    }
};

bool is_manual(uint16_t flags) { return (flags & runtime::FLAG_MANUAL) != 0; }
bool is_frozen(uint16_t flags) { return (flags & runtime::FLAG_FROZEN) != 0; }

void set_owner(std::vector<uint16_t>& flags, int index, int owner) {
    auto& w = flags[static_cast<size_t>(index)];
    w = static_cast<uint16_t>((w & ~0xFE00u) | static_cast<unsigned>(owner << 9));
}

// What the merge must leave after one poll, from the state before it.
Outputs expected_after(const Outputs& before, const ModeTable& modes) {
    Outputs want = before;
    const int n = records();
    for (int r = 1; r <= n; ++r) {
        const auto& e = runtime::function_record_table[r];
        if (e.kind == setup::kKindFine) continue;  // merged with its coarse record
        const int fine = e.kind == setup::kKindCoarse ? e.fine_partner : 0;
        const uint16_t flags = runtime::channel_flags[r];
        if (is_manual(flags)) {
            want.base[static_cast<size_t>(r)] = zero_or(runtime::manual_values[r]);
            if (fine != 0) want.base[static_cast<size_t>(fine)] = zero_or(runtime::manual_values[fine]);
            continue;
        }
        if (is_frozen(flags)) continue;
        if (e.dimmer != 0) {
            int winner = 0;
            const Merged m = reference_dimmer(r, winner);
            want.base[static_cast<size_t>(r)] = static_cast<uint16_t>(m.value);
            set_owner(want.channel_flags, r, m.owner);
            if (fine != 0) {
                const uint16_t* layer = runtime::layer_values[static_cast<size_t>(winner)];
                want.base[static_cast<size_t>(fine)] = zero_or(resolve_value(fine, layer[fine]));
                set_owner(want.channel_flags, fine, m.owner);
            }
            continue;
        }
        if (e.kind != 0 && fine == 0) continue;
        const Merged m = reference_channel(r, fine, modes);
        set_owner(want.channel_flags, r, m.owner);
        if (fine == 0) {
            want.base[static_cast<size_t>(r)] = static_cast<uint16_t>(m.value);
        } else {
            const FineMap map = fine_map(fine);
            want.base[static_cast<size_t>(r)] = static_cast<uint16_t>(m.value / 256);
            want.base[static_cast<size_t>(fine)] = static_cast<uint16_t>(map.from_byte(m.value % 256));
            set_owner(want.channel_flags, fine, m.owner);
        }
    }
    // Generator parameters; those of fine halves and pan/tilt records wait for
    // the figure engine.
    for (int r = 1; r <= n; ++r) {
        const auto& e = runtime::function_record_table[r];
        if (e.kind == setup::kKindFine || (e.pantilt_role >= 1 && e.pantilt_role <= 4)) continue;
        for (int k = 1; k <= 6; ++k) {
            const int i = (r - 1) * 6 + k;
            const auto out = static_cast<size_t>(i - 1);
            const uint16_t flags = runtime::generator_flags[i];
            if (is_manual(flags)) {
                want.generators[out] = runtime::manual_generators[i] == kByteNotSet ? 0 : runtime::manual_generators[i];
                continue;
            }
            if (is_frozen(flags)) continue;
            const uint8_t z = resolve_byte(memories::effect_preset_generators, i, runtime::layer_generators[0][i]);
            const Merged m = reference_parameter(
                r, flags, e.dimmer != 0, 1, z == kByteNotSet ? 0 : z,
                [i](int p, bool resolved) {
                    const uint8_t b = runtime::layer_generators[static_cast<size_t>(p)][i];
                    return resolved ? resolve_byte(memories::effect_preset_generators, i, b) : b;
                },
                modes);
            want.generators[out] = static_cast<uint8_t>(std::clamp(m.value, 0, k == 1 ? 127 : 170));
            set_owner(want.generator_flags, i, m.owner);
        }
    }
    // Figure parameters of the fixtures with pan and tilt, on their pan record.
    for (int f = 1; f <= fixtures(); ++f) {
        const auto& pt = runtime::fixture_pantilt_table[static_cast<size_t>(f)];
        if (pt.kind == 0) continue;
        for (int k = 1; k <= 10; ++k) {
            const int i = (f - 1) * 10 + k;
            const auto out = static_cast<size_t>(i - 1);
            const uint16_t flags = runtime::figure_flags[static_cast<size_t>(i)];
            if (is_manual(flags)) {
                want.figures[out] = runtime::manual_figures[i] == kByteNotSet ? 0 : runtime::manual_figures[i];
                continue;
            }
            if (is_frozen(flags)) continue;
            const uint8_t z = resolve_byte(memories::effect_preset_figures, i, runtime::layer_figures[0][i]);
            const int32_t c0 = z == kByteNotSet ? 0 : z * 256 + runtime::layer_figures_extra[i];
            const Merged m = reference_parameter(
                pt.pan.record, flags, false, 256, c0,
                [i](int p, bool resolved) {
                    const uint8_t b = runtime::layer_figures[static_cast<size_t>(p)][i];
                    return resolved ? resolve_byte(memories::effect_preset_figures, i, b) : b;
                },
                modes);
            want.figures[out] = static_cast<uint8_t>(std::clamp(m.value / 256, 0, k <= 2 ? 127 : 170));
            set_owner(want.figure_flags, i, m.owner);
        }
    }
    return want;
}

class OutputMergeReference : public MergeRig {
protected:
    void TearDown() override {
        memories::value_preset_table[kValuePreset] = nullptr;
        memories::effect_preset_generators[kEffectPreset] = nullptr;
        memories::effect_preset_figures[kEffectPreset] = nullptr;
        MergeRig::TearDown();
    }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    bool one_in(int n) { return pick(1, n) == 1; }

    uint16_t random_value() {
        const int k = pick(0, 19);
        if (k == 0) return kNotSet;
        if (k == 1) return 1000 + kValuePreset;
        if (k == 2) return 1000 + kEmptyValuePreset;
        return static_cast<uint16_t>(pick(0, 255));
    }
    uint8_t random_byte() {
        const int k = pick(0, 19);
        if (k == 0) return kByteNotSet;
        if (k == 1) return 180 + kEffectPreset;
        if (k == 2) return 180 + kEmptyEffectPreset;
        return static_cast<uint8_t>(pick(0, 180));
    }
    uint16_t random_flags() {
        uint16_t flags = one_in(2) ? runtime::FLAG_FADES : 0;
        if (one_in(25)) flags |= runtime::FLAG_FROZEN;
        return flags;
    }
    int32_t random_level() {
        const int k = pick(0, 9);
        if (k == 0) return 65535;
        if (k == 1) return 0;
        if (k == 2) return 1285;
        if (k == 3) return 33410;  // half way above threshold 0: blends land on .5
        return pick(0, 65535);
    }

    // A layer full of random set values, not-set values and preset references;
    // empty layers, the live layer's sparse values and the presets as the stage needs.
    void fill_layer(int layer, int set_one_in) {
        const auto l = static_cast<size_t>(layer);
        for (int r = 1; r <= records(); ++r) {
            runtime::layer_values[l][r] = one_in(set_one_in) ? random_value() : kNotSet;
            for (int k = 1; k <= 6; ++k) {
                runtime::layer_generators[l][(r - 1) * 6 + k] = one_in(set_one_in) ? random_byte() : kByteNotSet;
            }
            if (layer != 0) runtime::playback_thresholds[l][r] = static_cast<uint8_t>(one_in(3) ? 0 : pick(0, 255));
        }
        for (int i = 1; i <= fixtures() * 10; ++i) {
            runtime::layer_figures[l][i] = one_in(set_one_in) ? random_byte() : kByteNotSet;
        }
    }

    void start(int p) {
        const uint8_t mode = static_cast<uint8_t>(pick(0, 5));
        expected_modes_at_start(p, mode, modes_);
        run_playback(p, random_level(), mode);
        playback::playback_active[static_cast<size_t>(p)] = 1;  // started, whatever its level now
        playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
    }

    // Checks every output and owner against the reference.
    void expect_outputs(const Outputs& want, int round) {
        const Outputs got = Outputs::read();
        for (int r = 1; r <= records(); ++r) {
            const auto i = static_cast<size_t>(r);
            ASSERT_EQ(got.base[i], want.base[i]) << "round " << round << " record " << r;
            ASSERT_EQ(owner_bits(got.channel_flags[i]), owner_bits(want.channel_flags[i]))
                << "round " << round << " record " << r;
        }
        for (size_t i = 1; i < want.generator_flags.size(); ++i) {
            ASSERT_EQ(got.generators[i - 1], want.generators[i - 1]) << "round " << round << " generator " << i;
            ASSERT_EQ(owner_bits(got.generator_flags[i]), owner_bits(want.generator_flags[i]))
                << "round " << round << " generator " << i;
        }
        for (size_t i = 1; i < want.figure_flags.size(); ++i) {
            ASSERT_EQ(got.figures[i - 1], want.figures[i - 1]) << "round " << round << " figure " << i;
            ASSERT_EQ(owner_bits(got.figure_flags[i]), owner_bits(want.figure_flags[i]))
                << "round " << round << " figure " << i;
        }
    }

    std::mt19937 random_{20261211};
    ModeTable modes_{};
};

TEST_F(OutputMergeReference, RandomStageOfManyPlaybacksMatchesTheReferenceEveryPoll) {
    // Presets: some records and bytes not set, some bytes above the caps.
    static std::array<uint16_t, runtime::kShowRecords + 1> value_preset;
    static std::array<uint8_t, memories::kGeneratorPartBytes> generator_preset;
    static std::array<uint8_t, memories::kFigurePartBytes> figure_preset;
    for (auto& v : value_preset) v = one_in(5) ? kNotSet : static_cast<uint16_t>(pick(0, 255));
    for (auto& b : generator_preset) b = one_in(5) ? kByteNotSet : static_cast<uint8_t>(pick(0, 254));
    for (auto& b : figure_preset) b = one_in(5) ? kByteNotSet : static_cast<uint8_t>(pick(0, 254));
    memories::value_preset_table[kValuePreset] = value_preset.data();
    memories::effect_preset_generators[kEffectPreset] = generator_preset.data();
    memories::effect_preset_figures[kEffectPreset] = figure_preset.data();

    // The DIMMER type inverted, so that both dimmer directions are merged.
    setup::FixtureTypeDef* dimmer_type = setup::fixture_type_defs[3];
    ASSERT_NE(dimmer_type, nullptr);
    dimmer_type->bytes[setup::kTypeDimmerClosed] = 255;
    dimmer_type->bytes[setup::kTypeDimmerClosed + 1] = 0;

    // Flags, the live layer with its figure fractions, then the first merge.
    for (int r = 1; r <= records(); ++r) runtime::channel_flags[r] = random_flags();
    for (int i = 1; i <= records() * 6; ++i) runtime::generator_flags[i] = random_flags();
    for (int i = 1; i <= fixtures() * 10; ++i) {
        runtime::figure_flags[static_cast<size_t>(i)] = random_flags();
        runtime::layer_figures_extra[i] = static_cast<uint8_t>(pick(0, 255));
    }
    fill_layer(0, 2);
    Outputs before = Outputs::read();
    playback::mark_all_channels_dirty();
    merge_now();
    ASSERT_NO_FATAL_FAILURE(expect_outputs(expected_after(before, modes_), 0));

    // Twelve playbacks: both ends of the order and ten between.
    std::vector<int> running = {1, 42};
    while (running.size() < 12) {
        const int p = pick(2, 41);
        if (std::find(running.begin(), running.end(), p) == running.end()) running.push_back(p);
    }
    for (const int p : running) {
        fill_layer(p, one_in(3) ? 1 : 2);
        start(p);
        // A start in the middle of the others: mode 6 reads the dimmers as they are now.
        before = Outputs::read();
        merge_now();
        ASSERT_NO_FATAL_FAILURE(expect_outputs(expected_after(before, modes_), 0));
    }

    bool pinned = false;  // a playback whose value reached the output in a blend
    for (int round = 1; round <= 60; ++round) {
        // Levels move (as the fader scan does, each change marks the layer).
        for (const int p : running) {
            if (!one_in(2)) continue;
            playback::playback_levels[static_cast<size_t>(p)] = random_level();
            playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
        }
        // Now and then a playback stops or restarts with a new fade mode.
        if (one_in(4)) {
            const int p = running[static_cast<size_t>(pick(0, 11))];
            if (playback::playback_active[static_cast<size_t>(p)] != 0) {
                playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
                stop_playback(p);
            } else {
                start(p);
            }
        }
        // Live-layer writes, hand-set values, releases and freezes.
        for (int k = 0; k < 5; ++k) {
            const auto r = static_cast<int16_t>(pick(1, records()));
            runtime::layer_values[0][r] = random_value();
            playback::mark_channel_dirty(r);
            const int i = pick(1, records() * 6);
            runtime::layer_generators[0][i] = random_byte();
            playback::mark_sub_attribute_dirty(i);
        }
        const auto hand = static_cast<int16_t>(pick(1, records()));
        if (is_manual(runtime::channel_flags[hand])) {
            playback::release_programmer_value(hand);
        } else {
            runtime::channel_flags[hand] |= runtime::FLAG_MANUAL;
            runtime::manual_values[hand] = one_in(4) ? kNotSet : static_cast<uint16_t>(pick(0, 255));
            playback::mark_channel_dirty(hand);
        }
        const int figure = pick(1, fixtures() * 10);
        runtime::figure_flags[static_cast<size_t>(figure)] ^= runtime::FLAG_FROZEN;
        playback::mark_extra_dirty(figure);
        const auto frozen = static_cast<int16_t>(pick(1, records()));
        runtime::channel_flags[frozen] ^= runtime::FLAG_FROZEN;
        playback::mark_channel_dirty(frozen);

        before = Outputs::read();
        const Outputs want = expected_after(before, modes_);
        merge_now();
        ASSERT_NO_FATAL_FAILURE(expect_outputs(want, round));
        for (int r = 1; r <= records() && !pinned; ++r) {
            const int owner = owner_bits(want.channel_flags[static_cast<size_t>(r)]);
            pinned = owner != 0 && want.base[static_cast<size_t>(r)] != runtime::layer_values[0][r] &&
                     playback::playback_levels[static_cast<size_t>(owner)] < 65535;
        }
    }
    EXPECT_TRUE(pinned) << "the stage never put a playback's value on a channel";
}

// A level change marks exactly the set targets of the playback's layer: a
// fine half through its coarse record, each with its fixture; nothing else.
TEST_F(OutputMergeReference, LevelChangeMarksExactlyTheSetTargetsOfTheLayer) {
    const int n = records();
    for (int round = 0; round < 20; ++round) {
        const int p = pick(1, 42);
        clear_layer(p);
        const auto layer = static_cast<size_t>(p);
        for (int r = 1; r <= n; ++r) {
            if (one_in(4)) runtime::layer_values[layer][r] = random_value();
            for (int k = 1; k <= 6; ++k) {
                if (one_in(9)) runtime::layer_generators[layer][(r - 1) * 6 + k] = random_byte();
            }
        }
        for (int i = 1; i <= fixtures() * 10; ++i) {
            if (one_in(9)) runtime::layer_figures[layer][i] = random_byte();
        }
        std::vector<uint8_t> channels(static_cast<size_t>(n) + 1), generators(static_cast<size_t>(n) * 6 + 1),
            figures(static_cast<size_t>(fixtures()) * 10 + 1), fixture_marks(static_cast<size_t>(fixtures()) + 1);
        for (int r = 1; r <= n; ++r) {
            const auto& e = runtime::function_record_table[r];
            if (runtime::layer_values[layer][r] != kNotSet) {
                const int target = e.kind == setup::kKindFine ? e.fine_partner : r;
                channels[static_cast<size_t>(target)] = 1;
                fixture_marks[static_cast<size_t>(runtime::function_record_table[target].fixture)] = 1;
            }
            for (int k = 1; k <= 6; ++k) {
                const int i = (r - 1) * 6 + k;
                if (runtime::layer_generators[layer][i] == kByteNotSet) continue;
                generators[static_cast<size_t>(i)] = 1;
                fixture_marks[static_cast<size_t>(e.fixture)] = 1;
            }
        }
        for (int i = 1; i <= fixtures() * 10; ++i) {
            if (runtime::layer_figures[layer][i] == kByteNotSet) continue;
            figures[static_cast<size_t>(i)] = 1;
            fixture_marks[static_cast<size_t>((i - 1) / 10 + 1)] = 1;
        }
        std::fill_n(runtime::dirty_channels, n + 1, uint8_t{0});
        std::fill_n(runtime::dirty_sub_channels, n * 6 + 1, uint8_t{0});
        std::fill_n(runtime::dirty_extras, fixtures() * 10 + 1, uint8_t{0});
        std::fill_n(runtime::dirty_fixtures, fixtures() + 1, uint8_t{0});
        playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
        for (int r = 1; r <= n; ++r) {
            ASSERT_EQ(runtime::dirty_channels[r], channels[static_cast<size_t>(r)]) << "round " << round << " record " << r;
        }
        for (int i = 1; i <= n * 6; ++i) {
            ASSERT_EQ(runtime::dirty_sub_channels[i], generators[static_cast<size_t>(i)]) << "generator " << i;
        }
        for (int i = 1; i <= fixtures() * 10; ++i) {
            ASSERT_EQ(runtime::dirty_extras[i], figures[static_cast<size_t>(i)]) << "figure " << i;
        }
        for (int f = 1; f <= fixtures(); ++f) {
            ASSERT_EQ(runtime::dirty_fixtures[f], fixture_marks[static_cast<size_t>(f)]) << "fixture " << f;
        }
    }
}

}  // namespace
