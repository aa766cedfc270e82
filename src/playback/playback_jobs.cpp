#include "playback/playback_jobs.h"

#include <algorithm>

#include "programmer/channel_generators.h"
#include "programmer/pantilt_figures.h"
#include "runtime/channel_levels.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"

namespace playback {

namespace {

// One channel's merged value: the held manual value while the record is
// manual, else the live layer (the playback layers join with the playbacks).
// Values above 255 (not set, preset references) send nothing.
void output_channel(int16_t record) {
    const uint16_t value = (runtime::channel_flags[record] & runtime::FLAG_MANUAL) != 0
                               ? runtime::manual_values[record]
                               : runtime::layer_values[0][record];
    if (value > 255) return;
    runtime::output_base_values[record] = value;
    if (runtime::last_sent_values[record] == value) return;
    runtime::last_sent_values[record] = value;
    runtime::set_channel_level(record, static_cast<uint8_t>(value), 0, 0);
}

// One generator byte's running value: the held manual byte while the byte
// is manual, else the live layer's (the playback layers join with the
// playbacks). 255 (not set) stops the generator parameter at 0.
void output_generator_byte(int byte) {
    const uint8_t value = (runtime::generator_flags[byte] & runtime::FLAG_MANUAL) != 0
                              ? runtime::manual_generators[byte]
                              : runtime::layer_generators[0][byte];
    const size_t record = static_cast<size_t>(byte - 1) / runtime::kGeneratorBytesPerRecord + 1;
    const size_t param = static_cast<size_t>(byte - 1) % runtime::kGeneratorBytesPerRecord;
    runtime::generator_states[record].parameters[param] = value == runtime::kByteNotSet ? 0 : value;
}

// One figure byte's running value, by the same rule.
void output_figure_byte(int byte) {
    const uint8_t value = (runtime::figure_flags[static_cast<size_t>(byte)] & runtime::FLAG_MANUAL) != 0
                              ? runtime::manual_figures[byte]
                              : runtime::layer_figures[0][byte];
    const size_t fixture = static_cast<size_t>(byte - 1) / runtime::kFigureBytesPerFixture + 1;
    const size_t param = static_cast<size_t>(byte - 1) % runtime::kFigureBytesPerFixture;
    runtime::figure_states[fixture].parameters[param] = value == runtime::kByteNotSet ? 0 : value;
}

}  // namespace

void release_all_programmer_values() { runtime::log_call("playback::release_all_programmer_values"); }
void clear_sequence_step(uint8_t source) { runtime::log_call("playback::clear_sequence_step", {source}); }
void draw_cue_info_line() { runtime::log_call("playback::draw_cue_info_line"); }

void reset_cue_fades() { runtime::log_call("playback::reset_cue_fades"); }
void go_to_cue(uint16_t slot, uint8_t record, uint8_t suppress_midi) {
    runtime::log_call("playback::go_to_cue", {slot, record, suppress_midi});
}

// Run on every pass of the poll or the main loop: they record nothing.
void scan_playback_faders(uint8_t) {}
void run_sequences() {}
void read_sequence_controls() {}
void run_cue_fades() {}

// The output merge of the channels and generator bytes marked dirty: a
// coarse record carries its fine partner with it, so a 16-bit pair goes out
// together; generator and figure bytes become the engines' running
// parameters; then the effect engines run on the merged values.
void update_dirty_outputs() {
    if (runtime::dirty_channels == nullptr || runtime::function_record_table == nullptr) return;
    const int16_t count =
        std::min<int16_t>(runtime::function_record_count, static_cast<int16_t>(runtime::kShowRecords));
    for (int16_t r = 1; r <= count; ++r) {
        if (runtime::dirty_channels[r] == 0) continue;
        runtime::dirty_channels[r] = 0;
        output_channel(r);
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        const int16_t partner = entry.fine_partner;
        if (entry.kind == setup::kKindCoarse && partner >= 1 && partner <= count) output_channel(partner);
    }
    const int bytes = count * static_cast<int>(runtime::kGeneratorBytesPerRecord);
    for (int i = 1; i <= bytes; ++i) {
        if (runtime::dirty_sub_channels[i] == 0) continue;
        runtime::dirty_sub_channels[i] = 0;
        output_generator_byte(i);
    }
    for (size_t i = 1; i <= runtime::kShowFigureBytes; ++i) {
        if (runtime::dirty_extras[i] == 0) continue;
        runtime::dirty_extras[i] = 0;
        output_figure_byte(static_cast<int>(i));
    }
    std::fill_n(runtime::dirty_fixtures, runtime::kShowFixtures + 1, uint8_t{0});
    programmer::run_figures_tick();
    programmer::run_generators_tick();
}

void mark_dimmer_channels_dirty() {
    if (runtime::dirty_channels == nullptr) return;
    // The list holds 0-based record indexes up to its first free entry.
    for (const uint16_t entry : runtime::dimmer_channel_list) {
        if (entry == runtime::kNoDimmerChannel) break;
        const int r = entry + 1;
        if (r <= runtime::function_record_count) runtime::dirty_channels[r] = 1;
    }
}

void premove_dark_fixtures() {}

void toggle_sequence_run(int16_t sequence, uint8_t mode) {
    runtime::log_call("playback::toggle_sequence_run", {sequence, mode});
}
void refresh_cue_mode() { runtime::log_call("playback::refresh_cue_mode"); }

}  // namespace playback
