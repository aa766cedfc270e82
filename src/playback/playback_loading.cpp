#include "playback/playback_loading.h"

#include <algorithm>

#include "datafiles/threshold_file.h"
#include "memories/memory_index.h"
#include "playback/playback_faders.h"
#include "playback/playback_labels.h"
#include "playback/playback_record.h"
#include "runtime/card_discovery.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/edit_keys.h"
#include "ui/memory_access.h"

namespace playback {

std::array<int16_t, kPlaybacks + 1> playback_cue_origin{};
std::array<PlaybackRecord, kPlaybacks + 1> playback_pending_records{};

void reset_playback_loading_globals() {
    playback_cue_origin = {};
    playback_pending_records = {};
}

namespace {

constexpr size_t kValues = runtime::kShowRecords;
constexpr size_t kGenerators = runtime::kShowGeneratorBytes;
constexpr size_t kFigures = runtime::kShowFigureBytes;

size_t at(int n) { return static_cast<size_t>(n); }

bool valid_playback(int p) { return p >= 1 && p <= kPlaybacks; }
bool valid_memory(int m) { return m >= 1 && m <= memories::kMemories; }
bool programmed(const PlaybackRecord& r) { return (r.flags & kProgrammed) != 0; }

bool layers_ready(int p) {
    return runtime::layer_values[at(p)] != nullptr && runtime::layer_generators[at(p)] != nullptr &&
           runtime::layer_figures[at(p)] != nullptr;
}

// The work buffers after an unpack; an absent buffer reads as not set.
uint16_t work_value(size_t r) {
    const uint16_t* v = ui::memory_work_buffers.values;
    return v != nullptr ? v[r] : runtime::kValueNotSet;
}
uint8_t work_generator(size_t i) {
    const uint8_t* g = ui::memory_work_buffers.generators;
    return g != nullptr ? g[i] : runtime::kByteNotSet;
}
uint8_t work_figure(size_t i) {
    const uint8_t* f = ui::memory_work_buffers.figures;
    return f != nullptr ? f[i] : runtime::kByteNotSet;
}

// Threshold table t when it holds data, else null (all zero).
const uint8_t* threshold_table(int t) {
    if (t < 1 || t > datafiles::kThresholds) return nullptr;
    return datafiles::threshold_tables[at(t)];
}

size_t threshold_records() {
    return std::clamp<size_t>(static_cast<size_t>(std::max<int>(runtime::function_record_capacity, 0)), 0, kValues);
}

uint8_t threshold_of(const uint8_t* table, size_t r) { return table != nullptr && r <= threshold_records() ? table[r] : 0; }

void empty_layer(int p) {
    std::fill_n(runtime::layer_values[at(p)] + 1, kValues, runtime::kValueNotSet);
    std::fill_n(runtime::layer_generators[at(p)] + 1, kGenerators, runtime::kByteNotSet);
    std::fill_n(runtime::layer_figures[at(p)] + 1, kFigures, runtime::kByteNotSet);
}

void copy_thresholds(int p, int t) {
    uint8_t* thresholds = runtime::playback_thresholds[at(p)];
    if (thresholds == nullptr) return;
    const uint8_t* table = threshold_table(t);
    for (size_t r = 1; r <= kValues; ++r) thresholds[r] = threshold_of(table, r);
}

// Layer p from the unpacked memory m.
void fill_layer_from_memory(int p, int16_t memory) {
    ui::unpack_memory(memory);
    uint16_t* values = runtime::layer_values[at(p)];
    uint8_t* generators = runtime::layer_generators[at(p)];
    uint8_t* figures = runtime::layer_figures[at(p)];
    for (size_t r = 1; r <= kValues; ++r) values[r] = work_value(r);
    for (size_t i = 1; i <= kGenerators; ++i) generators[i] = work_generator(i);
    for (size_t i = 1; i <= kFigures; ++i) figures[i] = work_figure(i);
}

size_t figures_in_use() {
    return std::clamp<size_t>(static_cast<size_t>(std::max<int>(setup::fixture_count, 0)) * runtime::kFigureBytesPerFixture,
                              0, kFigures);
}

// True when the unpacked memory (or nothing, for memory 0) equals layer p.
bool layer_matches(int p, int16_t memory) {
    const bool has_memory = valid_memory(memory);
    if (has_memory) ui::unpack_memory(memory);
    const uint16_t* values = runtime::layer_values[at(p)];
    const uint8_t* generators = runtime::layer_generators[at(p)];
    const uint8_t* figures = runtime::layer_figures[at(p)];
    for (size_t r = 1; r <= kValues; ++r) {
        if ((has_memory ? work_value(r) : runtime::kValueNotSet) != values[r]) return false;
    }
    for (size_t i = 1; i <= kGenerators; ++i) {
        if ((has_memory ? work_generator(i) : runtime::kByteNotSet) != generators[i]) return false;
    }
    for (size_t i = 1; i <= figures_in_use(); ++i) {
        if ((has_memory ? work_figure(i) : runtime::kByteNotSet) != figures[i]) return false;
    }
    return true;
}

bool thresholds_match(int p, int t) {
    const uint8_t* thresholds = runtime::playback_thresholds[at(p)];
    if (thresholds == nullptr) return true;
    const uint8_t* table = threshold_table(t);
    for (size_t r = 1; r <= kValues; ++r) {
        if (threshold_of(table, r) != thresholds[r]) return false;
    }
    return true;
}

bool frozen(int p) { return ui::playback_freeze[at(p)] == 1; }
bool load_waits(int p) { return playback_reload_pending[at(p)] != 0 || playback_linked_cue[at(p)] != 0; }

// Loads p's own record again through the edit record, which is given back
// afterwards so that an open programming dialog keeps its work.
void reload_own_record(int p) {
    const PlaybackRecord edit = playback_table[kPlaybackEditRecord];
    playback_table[kPlaybackEditRecord] = playback_table[at(p)];
    load_playback_from_record(static_cast<int16_t>(p));
    playback_table[kPlaybackEditRecord] = edit;
}

// Live-edited (manual) targets of layer p take memory m's values, so that a
// memory stored from the stage reloads a running playback without a jump.
void take_manual_values(int p, int16_t memory) {
    ui::unpack_memory(memory);
    uint16_t* values = runtime::layer_values[at(p)];
    uint8_t* generators = runtime::layer_generators[at(p)];
    uint8_t* figures = runtime::layer_figures[at(p)];
    if (runtime::channel_flags != nullptr) {
        for (size_t r = 1; r <= kValues; ++r) {
            const uint16_t v = work_value(r);
            if ((runtime::channel_flags[r] & runtime::FLAG_MANUAL) != 0 && v != runtime::kValueNotSet) values[r] = v;
        }
    }
    if (runtime::generator_flags != nullptr) {
        for (size_t i = 1; i <= kGenerators; ++i) {
            const uint8_t v = work_generator(i);
            if ((runtime::generator_flags[i] & runtime::FLAG_MANUAL) != 0 && v != runtime::kByteNotSet) generators[i] = v;
        }
    }
    for (size_t i = 1; i <= kFigures; ++i) {
        const uint8_t v = work_figure(i);
        if ((runtime::figure_flags[i] & runtime::FLAG_MANUAL) != 0 && v != runtime::kByteNotSet) figures[i] = v;
    }
}

}  // namespace

bool can_reload_playback(int16_t p, const PlaybackRecord& record) {
    if (!valid_playback(p)) return false;
    const PlaybackRecord& present = playback_table[at(p)];
    if (!programmed(present) || playback_active[at(p)] == 0) return true;
    const bool is_programmed = programmed(record);
    const int16_t memory = is_programmed ? record.memory : 0;
    const uint8_t fade_mode = is_programmed ? record.fade_mode : 0;
    const uint8_t modes = is_programmed ? record.modes : 0;
    const uint16_t fade_in = is_programmed ? record.fade_in : 0;
    const uint16_t fade_out = is_programmed ? record.fade_out : 0;
    if (fade_mode != present.fade_mode || modes != present.modes || fade_in != present.fade_in ||
        fade_out != present.fade_out) {
        return false;
    }
    if (!layers_ready(p)) return true;
    if (!layer_matches(p, memory)) return false;
    return thresholds_match(p, is_programmed ? record.threshold : 0);
}

void load_playback_from_record(int16_t p) {
    if (!valid_playback(p) || !layers_ready(p)) return;
    const PlaybackRecord edit = playback_table[kPlaybackEditRecord];
    if (!can_reload_playback(p, edit)) {
        playback_reload_pending[at(p)] = 1;
        playback_pending_records[at(p)] = edit;  // the edit record may change before the stop
        draw_playback_label(p, 1, kLabelPending);
        return;
    }
    if (!programmed(edit)) {
        playback_table[at(p)] = PlaybackRecord{};
        empty_layer(p);
        playback_reload_pending[at(p)] = 0;
        draw_playback_label(p, 1, kLabelNormal);
        return;
    }
    if (!valid_memory(edit.memory)) return;
    playback_table[at(p)] = edit;
    fill_layer_from_memory(p, edit.memory);
    copy_thresholds(p, edit.threshold);
    playback_reload_pending[at(p)] = 0;
    // A fader already up starts the new content at the next scan.
    if (playback_active[at(p)] == 0) playback_fader_states[at(p)].effective_level = 0;
    draw_playback_label(p, 1, kLabelNormal);
}

void load_pending_playback(int16_t p) {
    if (!valid_playback(p)) return;
    const PlaybackRecord edit = playback_table[kPlaybackEditRecord];
    playback_table[kPlaybackEditRecord] = playback_pending_records[at(p)];
    load_playback_from_record(p);
    playback_table[kPlaybackEditRecord] = edit;
}

void reload_playbacks_for_memory(int16_t memory) {
    if (!valid_memory(memory)) return;
    for (int p = 1; p <= kPlaybacks; ++p) {
        const PlaybackRecord& record = playback_table[at(p)];
        if (frozen(p) || !programmed(record) || record.memory != memory || !layers_ready(p)) continue;
        take_manual_values(p, memory);
        if (!load_waits(p)) reload_own_record(p);
    }
}

void reload_playbacks_for_threshold(int16_t threshold) {
    if (threshold < 1 || threshold > datafiles::kThresholds) return;
    for (int p = 1; p <= kPlaybacks; ++p) {
        const PlaybackRecord& record = playback_table[at(p)];
        if (frozen(p) || !programmed(record) || record.threshold != threshold || load_waits(p)) continue;
        reload_own_record(p);
    }
}

void update_playback_leds() {
    for (int p = 1; p <= kPlaybacks; ++p) {
        const int16_t key = runtime::playback_key(p);
        runtime::set_key_led(key, runtime::LED_OFF);
        if (!programmed(playback_table[at(p)])) continue;
        if (load_waits(p)) runtime::set_key_led(key, runtime::LED_BLINK);
        else runtime::set_key_led(key, playback_active[at(p)] != 0 ? runtime::LED_ON : runtime::LED_ON_2);
    }
}

}  // namespace playback
