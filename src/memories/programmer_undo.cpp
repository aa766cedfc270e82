#include "memories/programmer_undo.h"

#include <array>

#include "datafiles/cue_files.h"
#include "memories/memories.h"
#include "memories/programmer_selection.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace memories {

namespace {

using runtime::at;

constexpr size_t kGenerators = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFigures = runtime::kFigureBytesPerFixture;
constexpr size_t kSlots = runtime::kTimeSlotsPerRecord;
constexpr int kTimeKinds = 5;
constexpr uint16_t kGeneratorKindStep = 10;  // kinds 10..60: generator parameters 1..6
constexpr uint16_t kFigureKindBase = 90;     // kinds 100..190: figure parameters 1..10
constexpr uint16_t kTimeKindBase = 200;      // kinds 201..215: time slots 1..15

// Where the undone entries come from: the memory or cue memory the
// programmer was loaded from. A cue without cue memory holds nothing.
struct UndoSource {
    bool from_cue = false;
    bool has_values = true;
    std::array<uint16_t, kTimeKinds + 1> reference{};  // the times that count as unchanged
};

UndoSource undo_source() {
    UndoSource source;
    source.from_cue = programmer_from_cue != 0;
    source.reference = ui::default_times;
    if (!source.from_cue) return source;
    source.has_values = programmer_cue_memory >= 1;
    const auto slot = static_cast<int16_t>((programmer_cue_page - 1) * 700 + (programmer_cue_number - 1) * 10 +
                                           programmer_cue_point);
    std::array<uint16_t, kTimeKinds> times{};
    if (datafiles::get_pointcue_times(slot, times)) {
        for (int k = 1; k <= kTimeKinds; ++k) source.reference[at(k)] = times[at(k - 1)];
    }
    return source;
}

uint16_t source_value(const UndoSource& source, int16_t index, uint16_t kind) {
    if (!source.has_values) return kind == 0 ? runtime::kValueNotSet : runtime::kByteNotSet;
    return ui::get_cue_channel_value(index, kind);
}

void undo_value(const UndoSource& source, int16_t record) {
    runtime::programmer_values[record] = source_value(source, record, 0);
}

void undo_generators(const UndoSource& source, int16_t record) {
    const size_t first = (static_cast<size_t>(record) - 1) * kGenerators;
    for (size_t p = 1; p <= kGenerators; ++p) {
        const uint16_t v = source.has_values ? source_value(source, record, static_cast<uint16_t>(kGeneratorKindStep * p))
                                             : runtime::kByteNotSet;
        runtime::programmer_generators[first + p] = static_cast<uint8_t>(v);
    }
}

void undo_figures(const UndoSource& source, int16_t fixture) {
    const size_t first = (static_cast<size_t>(fixture) - 1) * kFigures;
    for (size_t p = 1; p <= kFigures; ++p) {
        const uint16_t v = source_value(source, fixture, static_cast<uint16_t>(kFigureKindBase + kGeneratorKindStep * p));
        runtime::programmer_figures[first + p] = static_cast<uint8_t>(v);
    }
}

// The 15 slots: the source's times, flagged where they differ from the
// reference of their kind; defaults with flags 0 when the source has none.
void undo_times(const UndoSource& source, int16_t record) {
    const size_t first = (static_cast<size_t>(record) - 1) * kSlots;
    for (size_t s = 1; s <= kSlots; ++s) {
        const size_t kind = (s - 1) % kTimeKinds + 1;
        uint16_t time = ui::default_times[kind];
        uint8_t flag = 0;
        if (source.has_values) {
            time = source_value(source, record, static_cast<uint16_t>(kTimeKindBase + s));
            flag = time != source.reference[kind] ? 1 : 0;
        }
        runtime::programmer_times[first + s] = time;
        runtime::programmer_time_set[first + s] = flag;
    }
}

void undo_fixture(const UndoSource& source, int16_t fixture) {
    const int16_t channels = fixture_channel_count(fixture);
    const int16_t first = programmer::get_function_record_index(fixture, 1);
    for (int16_t r = first; r < first + channels; ++r) {
        undo_value(source, r);
        undo_generators(source, r);
        undo_times(source, r);
    }
    undo_figures(source, fixture);
}

void undo_function(const UndoSource& source, int16_t fixture, int16_t record) {
    undo_value(source, record);
    undo_generators(source, record);
    undo_times(source, record);
    if (is_pantilt_record(record)) undo_figures(source, fixture);
}

void undo_choice(const ProgrammerChoice& choice) {
    const UndoSource source = undo_source();
    if (choice.kind == ChoiceKind::functions) {
        if (choice.first < 1 || choice.last > current_function_count()) return;
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (!fixture_is_selected(f)) continue;
            for (int16_t n = choice.first; n <= choice.last; ++n) {
                const int16_t r = mapped_function_record(f, n);
                if (r != 0) undo_function(source, f, r);
            }
        }
    } else {
        FixtureMarks chosen{};
        mark_chosen_fixtures(choice, chosen);
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (chosen[at(f)] == 1) undo_fixture(source, f);
        }
    }
    const bool refresh = choice.kind == ChoiceKind::functions || choice.kind == ChoiceKind::groups;
    if (refresh && (runtime::run_flags & runtime::RUN_DEFAULT_MODE) == 0) programmer::refresh_faders();
    ui::free_cue_buffers();
}

void restore_undo_leds() {
    if (runtime::fader_bank == 0) {
        for (int16_t k : {runtime::KEY_TIMING, runtime::KEY_FIGURE}) runtime::set_key_led(k, runtime::LED_OFF);
        for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_4; ++k) runtime::set_key_led(k, runtime::LED_OFF);
    }
    const bool live = (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0;
    runtime::set_key_led(runtime::KEY_LIVE_EDIT, live ? runtime::LED_ON : runtime::LED_OFF);
}

}  // namespace

void run_undo_screen() {
    SelectionCommand command;
    command.key = runtime::KEY_UNDO;
    command.title = "SELECT FIXTURES/ FUNCTIONS TO UNDO";
    command.restore_leds = restore_undo_leds;
    command.act = undo_choice;
    run_programmer_selection(command);
}

}  // namespace memories
