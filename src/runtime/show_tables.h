// The per-record show tables: one element per function record (n = 2048),
// per generator byte (6 per record), per figure byte (10 per fixture, 7000)
// or per fixture (700). They are allocated once at start-up through the
// memory-checked allocation, refilled with their initial values at every show
// start and freed at the program end.
//
// Every table is 1-based: one more element than its size is allocated, so
// that element 0 stays unused and the last record, byte or fixture is in
// range. While the fixture setup is open, a refill keeps the operator's
// programmer, the output images and layer 0 (the tables marked "kept in the
// setup" below).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/card_discovery.h"

namespace runtime {

constexpr size_t kShowRecords = static_cast<size_t>(kFunctionRecordCapacity);  // n
constexpr size_t kGeneratorBytesPerRecord = 6;
constexpr size_t kShowGeneratorBytes = kGeneratorBytesPerRecord * kShowRecords;
constexpr size_t kShowFixtures = 700;
constexpr size_t kFigureBytesPerFixture = 10;
constexpr size_t kShowFigureBytes = kFigureBytesPerFixture * kShowFixtures;  // 7000
constexpr size_t kTimeSlotsPerRecord = 15;
constexpr size_t kShowTimeSlots = kTimeSlotsPerRecord * kShowRecords;
constexpr int kStepSources = 5;          // sequences 1..4 and the point cue
constexpr int kStepBuffers = 6;          // the step sources and the GO target
constexpr int kShowPlaybacks = 42;
constexpr int kShowLayers = 42;          // layers 0..42: 0 the live layer, p playback p
constexpr int kSequenceDimmerTables = 5;
constexpr int kStepRemainderTables = 2;
constexpr int kCounterTables = 2;
constexpr uint32_t kEndlessTime_ms = 3'200'000;
constexpr uint16_t kValueNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;

// The timed point-cue state of one channel, generator byte or figure byte.
struct CueFadeRecord {
    uint8_t state = 0;
    uint32_t phase_base = 0;
    uint16_t running_cue = 0;
    uint16_t pending_cue = 0;
    uint32_t pending_start = 0;
    uint8_t running_fade_mode = 0;
    uint32_t running_delay_in = 0;
    uint32_t running_fade_in = 0;
    uint32_t running_delay_out = 0;   // ms; 3,200,000 = the value stays
    uint32_t running_fade_out = 0;
    uint32_t hold_end = 0;
    uint8_t pending_fade_mode = 0;
    uint32_t pending_delay_in = 0;
    uint32_t pending_fade_in = 0;
    uint32_t pending_delay_out = 0;
    uint32_t pending_fade_out = 0;
    uint32_t hold = 0;
    uint16_t linked_cue = 0;
};

// The running generator of one function record.
struct GeneratorState {
    long double phase = 0.0L;
    uint8_t previous_speed = 0;
    std::array<uint8_t, 6> parameters{};   // SWING, SPEED, MODE, DELAY, SHIFT, WAIT
};

// The running figure of one fixture.
struct FigureState {
    long double phase = 0.0L;
    uint8_t previous_speed = 0;
    std::array<uint8_t, 10> parameters{};  // X-SWING, Y-SWING, SPEED, MODE, FIGURE1, FIGURE2, ROTATE, DELAY, SHIFT, WAIT
};

// One patched channel.
struct FunctionRecord {
    uint8_t type = 0;           // the fixture's type index, 0-based
    int16_t fixture = 0;        // setup record index 1..700
    uint8_t channel = 0;        // 1..32
    uint8_t range_min = 0;
    uint8_t range_max = 0;
    uint8_t kind = 0;           // 1 fine half, 2 coarse half of a 16-bit pair
    int16_t fine_partner = 0;   // 0 none
    uint8_t dimmer = 0;
    uint8_t strobe = 0;
    uint8_t pantilt_role = 0;
    uint8_t gobo_role = 0;
    uint8_t colour_role = 0;
    uint8_t slave_group = 0;
    uint8_t function_class = 0;
};

// A fixture with a dimmer and another function, for the dark premove.
struct DarkFixtureEntry {
    uint16_t dimmer_record = 0;
    uint8_t armed = 0;
    uint16_t prepared_slot = kValueNotSet;
    uint16_t found_slot = kValueNotSet;
};

struct CueFadeLists {
    uint8_t* channels = nullptr;       // n
    uint8_t* sub_channels = nullptr;   // 6n
    uint8_t* fixtures = nullptr;       // 700
    uint8_t* extras = nullptr;         // 7000
};

struct CueFadeRecordTables {
    CueFadeRecord* channels = nullptr;      // n
    CueFadeRecord* sub_channels = nullptr;  // 6n
    CueFadeRecord* extras = nullptr;        // 7000
};

// The step images of one step source: previous and current.
struct SequenceStepBuffer {
    uint16_t* previous_values = nullptr;          // n
    uint16_t* current_values = nullptr;           // n
    uint8_t* previous_generators = nullptr;       // 6n
    uint8_t* current_generators = nullptr;        // 6n
    uint8_t* previous_figures = nullptr;          // 7000
    uint8_t* previous_figure_fractions = nullptr; // 7000
    uint8_t* current_figures = nullptr;           // 7000
};

extern std::array<uint8_t*, kStepSources + 1> sequence_run_buffer;           // 1..5: n
extern std::array<uint8_t*, kShowPlaybacks + 1> playback_channel_bytes;      // 1..42: n
extern std::array<uint8_t*, kShowPlaybacks + 1> playback_generator_bytes;    // 1..42: 6n
extern std::array<uint8_t*, kShowPlaybacks + 1> playback_figure_bytes;       // 1..42: 7000
extern CueFadeLists cue_fade_lists;
extern uint8_t* dirty_channels;       // n
extern uint8_t* dirty_sub_channels;   // 6n
extern uint8_t* dirty_fixtures;       // 700
extern uint8_t* dirty_extras;         // 7000
extern CueFadeRecordTables cue_fade_records;
extern std::array<SequenceStepBuffer, kStepBuffers + 1> sequence_step_buffers;  // 1..6
extern uint8_t* layer_figures_extra;                                  // 7000, kept in the setup
extern std::array<uint16_t*, kShowLayers + 1> layer_values;          // 0..42: n; layer 0 kept in the setup
extern std::array<uint8_t*, kShowLayers + 1> layer_generators;       // 0..42: 6n; layer 0 kept in the setup
extern std::array<uint8_t*, kShowLayers + 1> layer_figures;          // 0..42: 7000; layer 0 kept in the setup
extern uint16_t* manual_values;       // n
extern uint8_t* manual_generators;    // 6n
extern uint8_t* manual_figures;       // 7000
// Kept in the setup:
extern uint16_t* programmer_values;         // n
extern uint16_t* output_image_values;       // n
extern uint8_t* programmer_generators;      // 6n
extern uint8_t* output_image_generators;    // 6n
extern uint8_t* programmer_figures;         // 7000
extern uint8_t* output_image_figures;       // 7000
extern uint16_t* programmer_times;          // 15n
extern uint16_t* programmer_time_aux;       // 15n
extern uint8_t* programmer_time_set;        // 15n
extern uint8_t* programmer_time_aux2;       // 15n
extern uint16_t* output_base_values;        // n
extern GeneratorState* generator_states;    // n
extern FigureState* figure_states;          // 700
// Built by the derived fixture tables:
extern uint16_t* channel_flags;             // n
extern uint16_t* generator_flags;           // 6n
extern std::array<uint8_t*, kStepSources + 1> sequence_thresholds;       // 1..5: n
extern std::array<uint8_t*, kShowPlaybacks + 1> playback_thresholds;     // 1..42: n
extern uint8_t* threshold_levels;           // n: the threshold being programmed
extern std::array<uint16_t*, kSequenceDimmerTables + 1> sequence_dimmer_values;  // 1..5: n
extern uint16_t* last_sent_values;          // n
extern std::array<uint16_t*, kStepRemainderTables + 1> step_remainders;  // 1..2: n
extern uint16_t* wheel_last_values;         // n, built by the derived fixture tables
extern std::array<uint16_t*, kCounterTables + 1> counter_tables;         // 1..2: n
extern FunctionRecord* function_record_table;  // n, built by the derived fixture tables
extern DarkFixtureEntry* dark_fixture_list;    // n, built by the derived fixture tables

// The function records of each fixture 1..700 (a fixture's records are
// consecutive): the first and how many, 0 for a fixture without records.
// gather works them out from records 1..records of function_record_table.
struct FixtureRecordRanges {
    std::array<int16_t, kShowFixtures + 1> first{};
    std::array<int16_t, kShowFixtures + 1> count{};
    void gather(int records);
    void clear() {
        first.fill(0);
        count.fill(0);
    }
};

// How the tables are allocated: the memory-checked allocation, which gives a
// null pointer when memory runs out. A test may put a failing one in place.
using ShowTableAllocator = void* (*)(size_t size, const char* file, unsigned line);
extern ShowTableAllocator show_table_allocator;
// Allocations made for the tables since program start.
extern uint32_t show_table_allocations;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_show_tables_globals();

// Allocates every table not yet allocated, in order; false at the first that
// fails (the earlier ones stay).
bool allocate_show_tables();
// The initial values of the show start.
void reset_show_tables();
// Program end: frees the tables, the lamp command queue and the lamp macros.
void free_tables();

}  // namespace runtime
