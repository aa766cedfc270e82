#include "runtime/show_tables.h"

#include <algorithm>
#include <memory>
#include <source_location>

#include "memcheck/memcheck.h"
#include "platform/host_heap.h"
#include "runtime/console_state.h"
#include "runtime/lamp_commands.h"

namespace runtime {

std::array<uint8_t*, kStepSources + 1> sequence_run_buffer{};
std::array<uint8_t*, kShowPlaybacks + 1> playback_channel_bytes{};
std::array<uint8_t*, kShowPlaybacks + 1> playback_generator_bytes{};
std::array<uint8_t*, kShowPlaybacks + 1> playback_figure_bytes{};
CueFadeLists cue_fade_lists{};
uint8_t* dirty_channels = nullptr;
uint8_t* dirty_sub_channels = nullptr;
uint8_t* dirty_fixtures = nullptr;
uint8_t* dirty_extras = nullptr;
CueFadeRecordTables cue_fade_records{};
std::array<SequenceStepBuffer, kStepBuffers + 1> sequence_step_buffers{};
uint8_t* layer_figures_extra = nullptr;
std::array<uint16_t*, kShowLayers + 1> layer_values{};
std::array<uint8_t*, kShowLayers + 1> layer_generators{};
std::array<uint8_t*, kShowLayers + 1> layer_figures{};
uint16_t* manual_values = nullptr;
uint8_t* manual_generators = nullptr;
uint8_t* manual_figures = nullptr;
uint16_t* programmer_values = nullptr;
uint16_t* output_image_values = nullptr;
uint8_t* programmer_generators = nullptr;
uint8_t* output_image_generators = nullptr;
uint8_t* programmer_figures = nullptr;
uint8_t* output_image_figures = nullptr;
uint16_t* programmer_times = nullptr;
uint16_t* programmer_time_aux = nullptr;
uint8_t* programmer_time_set = nullptr;
uint8_t* programmer_time_aux2 = nullptr;
uint16_t* output_base_values = nullptr;
GeneratorState* generator_states = nullptr;
FigureState* figure_states = nullptr;
uint16_t* channel_flags = nullptr;
uint16_t* generator_flags = nullptr;
std::array<uint8_t*, kStepSources + 1> sequence_thresholds{};
std::array<uint8_t*, kShowPlaybacks + 1> playback_thresholds{};
uint8_t* threshold_levels = nullptr;
std::array<uint16_t*, kSequenceDimmerTables + 1> sequence_dimmer_values{};
uint16_t* last_sent_values = nullptr;
std::array<uint16_t*, kStepRemainderTables + 1> step_remainders{};
uint16_t* wheel_last_values = nullptr;
std::array<uint16_t*, kCounterTables + 1> counter_tables{};
FunctionRecord* function_record_table = nullptr;

void FixtureRecordRanges::gather(int records) {
    clear();
    for (int r = 1; function_record_table != nullptr && r <= records; ++r) {
        const int16_t f = function_record_table[r].fixture;
        if (f < 1 || f > static_cast<int>(kShowFixtures)) continue;
        const auto fx = static_cast<size_t>(f);
        if (first[fx] == 0) first[fx] = static_cast<int16_t>(r);
        count[fx] = static_cast<int16_t>(r - first[fx] + 1);
    }
}
DarkFixtureEntry* dark_fixture_list = nullptr;

ShowTableAllocator show_table_allocator = memcheck::mc_malloc_at;
uint32_t show_table_allocations = 0;

void reset_show_tables_globals() {
    free_tables();
    show_table_allocator = memcheck::mc_malloc_at;
    show_table_allocations = 0;
}

namespace {

constexpr size_t n = kShowRecords;
constexpr size_t n6 = kShowGeneratorBytes;
constexpr size_t kFigures = kShowFigureBytes;
constexpr size_t kFixtures = kShowFixtures;

// Each table has one element more than its size: element 0 stays unused.
constexpr size_t elements(size_t size) { return size + 1; }

// Allocates one table unless it is there already; its elements start at 0.
struct Allocate {
    template <typename T>
    bool operator()(T*& table, size_t size, std::source_location where = std::source_location::current()) const {
        if (table != nullptr) return true;
        void* block = show_table_allocator(elements(size) * sizeof(T), where.file_name(), where.line());
        if (block == nullptr) return false;
        table = static_cast<T*>(block);
        std::uninitialized_value_construct_n(table, elements(size));
        ++show_table_allocations;
        return true;
    }
};

struct Release {
    template <typename T>
    bool operator()(T*& table, size_t /*size*/, std::source_location where = std::source_location::current()) const {
        if (table != nullptr) memcheck::mc_free_at(table, where.file_name(), where.line());
        table = nullptr;
        return true;
    }
};

// Every table in the order of allocation; stops at the first the visit refuses.
template <typename Visit>
bool visit_show_tables(const Visit& visit) {
    for (int s = 1; s <= kStepSources; ++s) {
        if (!visit(sequence_run_buffer[static_cast<size_t>(s)], n)) return false;
    }
    for (int p = 1; p <= kShowPlaybacks; ++p) {
        if (!visit(playback_channel_bytes[static_cast<size_t>(p)], n)) return false;
    }
    for (int p = 1; p <= kShowPlaybacks; ++p) {
        if (!visit(playback_generator_bytes[static_cast<size_t>(p)], n6)) return false;
    }
    for (int p = 1; p <= kShowPlaybacks; ++p) {
        if (!visit(playback_figure_bytes[static_cast<size_t>(p)], kFigures)) return false;
    }
    if (!visit(cue_fade_lists.channels, n) || !visit(cue_fade_lists.sub_channels, n6) ||
        !visit(cue_fade_lists.fixtures, kFixtures) || !visit(cue_fade_lists.extras, kFigures)) {
        return false;
    }
    if (!visit(dirty_channels, n) || !visit(dirty_sub_channels, n6) || !visit(dirty_fixtures, kFixtures) ||
        !visit(dirty_extras, kFigures)) {
        return false;
    }
    if (!visit(cue_fade_records.channels, n) || !visit(cue_fade_records.sub_channels, n6) ||
        !visit(cue_fade_records.extras, kFigures)) {
        return false;
    }
    for (int s = 1; s <= kStepBuffers; ++s) {
        SequenceStepBuffer& b = sequence_step_buffers[static_cast<size_t>(s)];
        if (!visit(b.previous_values, n) || !visit(b.current_values, n) || !visit(b.previous_generators, n6) ||
            !visit(b.current_generators, n6)) {
            return false;
        }
    }
    for (int s = 1; s <= kStepBuffers; ++s) {
        SequenceStepBuffer& b = sequence_step_buffers[static_cast<size_t>(s)];
        if (!visit(b.previous_figures, kFigures) || !visit(b.previous_figure_fractions, kFigures) ||
            !visit(b.current_figures, kFigures)) {
            return false;
        }
    }
    for (int l = 0; l <= kShowLayers; ++l) {
        if (!visit(layer_values[static_cast<size_t>(l)], n)) return false;
    }
    for (int l = 0; l <= kShowLayers; ++l) {
        if (!visit(layer_generators[static_cast<size_t>(l)], n6)) return false;
    }
    if (!visit(layer_figures_extra, kFigures)) return false;
    for (int l = 0; l <= kShowLayers; ++l) {
        if (!visit(layer_figures[static_cast<size_t>(l)], kFigures)) return false;
    }
    if (!visit(manual_values, n) || !visit(manual_generators, n6) || !visit(manual_figures, kFigures)) return false;
    if (!visit(programmer_values, n) || !visit(output_image_values, n)) return false;
    if (!visit(programmer_generators, n6) || !visit(output_image_generators, n6)) return false;
    if (!visit(programmer_figures, kFigures) || !visit(output_image_figures, kFigures)) return false;
    if (!visit(programmer_times, kShowTimeSlots) || !visit(programmer_time_aux, kShowTimeSlots)) return false;
    if (!visit(programmer_time_set, kShowTimeSlots) || !visit(programmer_time_aux2, kShowTimeSlots)) return false;
    if (!visit(output_base_values, n)) return false;
    if (!visit(generator_states, n)) return false;
    if (!visit(figure_states, kFixtures)) return false;
    if (!visit(channel_flags, n) || !visit(generator_flags, n6)) return false;
    for (int s = 1; s <= kStepSources; ++s) {
        if (!visit(sequence_thresholds[static_cast<size_t>(s)], n)) return false;
    }
    for (int p = 1; p <= kShowPlaybacks; ++p) {
        if (!visit(playback_thresholds[static_cast<size_t>(p)], n)) return false;
    }
    if (!visit(threshold_levels, n)) return false;
    for (int t = 1; t <= kSequenceDimmerTables; ++t) {
        if (!visit(sequence_dimmer_values[static_cast<size_t>(t)], n)) return false;
    }
    if (!visit(last_sent_values, n)) return false;
    for (int t = 1; t <= kStepRemainderTables; ++t) {
        if (!visit(step_remainders[static_cast<size_t>(t)], n)) return false;
    }
    if (!visit(wheel_last_values, n)) return false;
    for (int t = 1; t <= kCounterTables; ++t) {
        if (!visit(counter_tables[static_cast<size_t>(t)], n)) return false;
    }
    if (!visit(function_record_table, n)) return false;
    return visit(dark_fixture_list, n);
}

// Sets every element of a table (a table never allocated is passed over).
template <typename T>
void fill_table(T* table, size_t size, T value) {
    if (table != nullptr) std::fill_n(table, elements(size), value);
}

void reset_cue_fade_records(CueFadeRecord* table, size_t size) {
    CueFadeRecord initial;
    initial.running_delay_out = kEndlessTime_ms;
    fill_table(table, size, initial);
}

// The tables that a rebuild from the fixture setup leaves to the operator.
void reset_setup_tables() {
    fill_table(layer_values[0], n, kValueNotSet);
    fill_table(layer_generators[0], n6, kByteNotSet);
    fill_table(layer_figures_extra, kFigures, uint8_t{0});
    fill_table(layer_figures[0], kFigures, kByteNotSet);
    fill_table(programmer_values, n, kValueNotSet);
    fill_table(output_image_values, n, kValueNotSet);
    fill_table(programmer_generators, n6, kByteNotSet);
    fill_table(output_image_generators, n6, kByteNotSet);
    fill_table(programmer_figures, kFigures, kByteNotSet);
    fill_table(output_image_figures, kFigures, kByteNotSet);
    fill_table(programmer_times, kShowTimeSlots, kValueNotSet);
    fill_table(programmer_time_aux, kShowTimeSlots, kValueNotSet);
    fill_table(programmer_time_set, kShowTimeSlots, uint8_t{0});
    fill_table(programmer_time_aux2, kShowTimeSlots, uint8_t{0});
    fill_table(output_base_values, n, uint16_t{0});
    fill_table(generator_states, n, GeneratorState{});
    fill_table(figure_states, kFixtures, FigureState{});
}

}  // namespace

bool allocate_show_tables() {
    platform::keep_freed_heap_memory();
    return visit_show_tables(Allocate{});
}

void reset_show_tables() {
    for (int s = 1; s <= kStepSources; ++s) fill_table(sequence_run_buffer[static_cast<size_t>(s)], n, uint8_t{0});
    for (int p = 1; p <= kShowPlaybacks; ++p) {
        const auto i = static_cast<size_t>(p);
        fill_table(playback_channel_bytes[i], n, uint8_t{0});
        fill_table(playback_generator_bytes[i], n6, uint8_t{0});
        fill_table(playback_figure_bytes[i], kFigures, uint8_t{0});
    }
    fill_table(cue_fade_lists.channels, n, uint8_t{0});
    fill_table(cue_fade_lists.sub_channels, n6, uint8_t{0});
    fill_table(cue_fade_lists.fixtures, kFixtures, uint8_t{0});
    fill_table(cue_fade_lists.extras, kFigures, uint8_t{0});
    fill_table(dirty_channels, n, uint8_t{0});
    fill_table(dirty_sub_channels, n6, uint8_t{0});
    fill_table(dirty_fixtures, kFixtures, uint8_t{0});
    fill_table(dirty_extras, kFigures, uint8_t{0});
    reset_cue_fade_records(cue_fade_records.channels, n);
    reset_cue_fade_records(cue_fade_records.sub_channels, n6);
    reset_cue_fade_records(cue_fade_records.extras, kFigures);
    for (int s = 1; s <= kStepBuffers; ++s) {
        SequenceStepBuffer& b = sequence_step_buffers[static_cast<size_t>(s)];
        fill_table(b.previous_values, n, uint16_t{0});
        fill_table(b.current_values, n, kValueNotSet);
        fill_table(b.previous_generators, n6, uint8_t{0});
        fill_table(b.current_generators, n6, kByteNotSet);
        fill_table(b.previous_figures, kFigures, uint8_t{0});
        fill_table(b.previous_figure_fractions, kFigures, uint8_t{0});
        fill_table(b.current_figures, kFigures, kByteNotSet);
    }
    for (int l = 1; l <= kShowLayers; ++l) {
        const auto i = static_cast<size_t>(l);
        fill_table(layer_values[i], n, kValueNotSet);
        fill_table(layer_generators[i], n6, kByteNotSet);
        fill_table(layer_figures[i], kFigures, kByteNotSet);
    }
    fill_table(manual_values, n, kValueNotSet);
    fill_table(manual_generators, n6, kByteNotSet);
    fill_table(manual_figures, kFigures, kByteNotSet);
    if ((mode_flags & MODE_IN_SETUP) == 0) reset_setup_tables();
    for (int s = 1; s <= kStepSources; ++s) fill_table(sequence_thresholds[static_cast<size_t>(s)], n, uint8_t{0});
    for (int p = 1; p <= kShowPlaybacks; ++p) fill_table(playback_thresholds[static_cast<size_t>(p)], n, uint8_t{0});
    fill_table(threshold_levels, n, uint8_t{0});
    for (int t = 1; t <= kSequenceDimmerTables; ++t) {
        fill_table(sequence_dimmer_values[static_cast<size_t>(t)], n, uint16_t{0});
    }
    fill_table(last_sent_values, n, kValueNotSet);
    for (int t = 1; t <= kStepRemainderTables; ++t) fill_table(step_remainders[static_cast<size_t>(t)], n, uint16_t{0});
    for (int t = 1; t <= kCounterTables; ++t) fill_table(counter_tables[static_cast<size_t>(t)], n, uint16_t{0});
    clear_lamp_event_queue();
}

void free_tables() {
    visit_show_tables(Release{});
    clear_lamp_event_queue();
    free_lamp_macro_steps();
}

}  // namespace runtime
