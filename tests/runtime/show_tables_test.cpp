// The per-record show tables: allocated once, refilled at every show start,
// the setup's tables kept while the fixture setup is open.
#include "runtime/show_tables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "memcheck/memcheck.h"
#include "runtime/console_state.h"
#include "runtime/lamp_commands.h"

namespace {

using runtime::kShowFigureBytes;
using runtime::kShowGeneratorBytes;
using runtime::kShowRecords;

constexpr size_t kLastRecord = kShowRecords;              // 2048
constexpr size_t kLastGeneratorByte = kShowGeneratorBytes;  // 12288
constexpr size_t kLastFigureByte = kShowFigureBytes;       // 7000

// An allocator that records the sizes asked for and fails from a given call on.
std::vector<size_t> requested_sizes;
size_t failing_call = 0;  // 1-based; 0 = never fails

void* recording_allocator(size_t size, const char* file, unsigned line) {
    requested_sizes.push_back(size);
    if (failing_call != 0 && requested_sizes.size() >= failing_call) return nullptr;
    return memcheck::mc_malloc_at(size, file, line);
}

class ShowTables : public ::testing::Test {
protected:
    void SetUp() override {
        requested_sizes.clear();
        failing_call = 0;
        allocations_before = runtime::show_table_allocations;
    }
    void TearDown() override {
        runtime::free_tables();
        runtime::show_table_allocator = memcheck::mc_malloc_at;
    }
    uint32_t allocated() const { return runtime::show_table_allocations - allocations_before; }

    uint32_t allocations_before = 0;
};

TEST_F(ShowTables, AllocatedInOrderWithOneElementMoreThanTheirSize) {
    runtime::show_table_allocator = recording_allocator;
    ASSERT_TRUE(runtime::allocate_show_tables());
    ASSERT_GE(requested_sizes.size(), 5u + 3 * 42 + 4);
    const size_t n = kShowRecords + 1;
    const size_t n6 = kShowGeneratorBytes + 1;
    const size_t figures = kShowFigureBytes + 1;
    size_t i = 0;
    for (int s = 1; s <= 5; ++s, ++i) EXPECT_EQ(requested_sizes[i], n) << "sequence run buffer " << s;
    for (int p = 1; p <= 42; ++p, ++i) EXPECT_EQ(requested_sizes[i], n) << "playback channel bytes " << p;
    for (int p = 1; p <= 42; ++p, ++i) EXPECT_EQ(requested_sizes[i], n6) << "playback generator bytes " << p;
    for (int p = 1; p <= 42; ++p, ++i) EXPECT_EQ(requested_sizes[i], figures) << "playback figure bytes " << p;
    EXPECT_EQ(requested_sizes[i++], n);        // cue fade lists
    EXPECT_EQ(requested_sizes[i++], n6);
    EXPECT_EQ(requested_sizes[i++], 701u);
    EXPECT_EQ(requested_sizes[i++], figures);
    EXPECT_EQ(requested_sizes.back(), n * sizeof(runtime::DarkFixtureEntry));
    EXPECT_EQ(allocated(), requested_sizes.size());
}

TEST_F(ShowTables, ASecondAllocationAndEveryResetKeepTheSameTables) {
    ASSERT_TRUE(runtime::allocate_show_tables());
    const uint32_t allocations = runtime::show_table_allocations;
    uint16_t* const layer = runtime::layer_values[42];
    runtime::FunctionRecord* const records = runtime::function_record_table;
    runtime::CueFadeRecord* const extras = runtime::cue_fade_records.extras;

    runtime::reset_show_tables();
    ASSERT_TRUE(runtime::allocate_show_tables());
    runtime::reset_show_tables();
    EXPECT_EQ(runtime::show_table_allocations, allocations);
    EXPECT_EQ(runtime::layer_values[42], layer);
    EXPECT_EQ(runtime::function_record_table, records);
    EXPECT_EQ(runtime::cue_fade_records.extras, extras);
}

TEST_F(ShowTables, AllocationStopsAtTheFirstFailureAndEarlierTablesStay) {
    runtime::show_table_allocator = recording_allocator;
    failing_call = 48;  // the first generator table of playback 1
    EXPECT_FALSE(runtime::allocate_show_tables());
    EXPECT_EQ(requested_sizes.size(), 48u);
    EXPECT_EQ(allocated(), 47u);
    EXPECT_NE(runtime::sequence_run_buffer[1], nullptr);
    EXPECT_NE(runtime::playback_channel_bytes[42], nullptr);
    EXPECT_EQ(runtime::playback_generator_bytes[1], nullptr);
    EXPECT_EQ(runtime::dark_fixture_list, nullptr);
    runtime::reset_show_tables();  // passes over the tables that are missing
    EXPECT_EQ(runtime::playback_channel_bytes[42][kLastRecord], 0);

    failing_call = 0;
    uint8_t* const kept = runtime::sequence_run_buffer[1];
    EXPECT_TRUE(runtime::allocate_show_tables());
    EXPECT_EQ(runtime::sequence_run_buffer[1], kept);
    EXPECT_EQ(allocated(), requested_sizes.size() - 1);
    EXPECT_NE(runtime::dark_fixture_list, nullptr);
}

TEST_F(ShowTables, ResetGivesTheInitialValues) {
    ASSERT_TRUE(runtime::allocate_show_tables());
    runtime::reset_show_tables();
    // Scribble over every kind of table, then a show start again.
    runtime::layer_values[0][1] = 5;
    runtime::layer_values[17][kLastRecord] = 5;
    runtime::layer_generators[42][kLastGeneratorByte] = 5;
    runtime::layer_figures[1][kLastFigureByte] = 5;
    runtime::manual_values[kLastRecord] = 5;
    runtime::programmer_values[1] = 5;
    runtime::programmer_times[15 * kLastRecord] = 5;
    runtime::programmer_time_set[1] = 1;
    runtime::sequence_step_buffers[6].current_values[kLastRecord] = 5;
    runtime::sequence_step_buffers[1].previous_values[1] = 5;
    runtime::sequence_step_buffers[3].current_figures[kLastFigureByte] = 5;
    runtime::cue_fade_records.channels[1].state = 4;
    runtime::cue_fade_records.extras[kLastFigureByte].running_delay_out = 10;
    runtime::last_sent_values[kLastRecord] = 5;
    runtime::playback_thresholds[42][kLastRecord] = 5;
    runtime::generator_states[kLastRecord].parameters[0] = 9;
    runtime::dirty_extras[kLastFigureByte] = 1;
    runtime::reset_show_tables();

    EXPECT_EQ(runtime::layer_values[0][1], 65535);
    EXPECT_EQ(runtime::layer_values[17][kLastRecord], 65535);
    EXPECT_EQ(runtime::layer_generators[42][kLastGeneratorByte], 255);
    EXPECT_EQ(runtime::layer_figures[1][kLastFigureByte], 255);
    EXPECT_EQ(runtime::layer_figures_extra[kLastFigureByte], 0);
    EXPECT_EQ(runtime::manual_values[kLastRecord], 65535);
    EXPECT_EQ(runtime::manual_generators[1], 255);
    EXPECT_EQ(runtime::manual_figures[kLastFigureByte], 255);
    EXPECT_EQ(runtime::programmer_values[1], 65535);
    EXPECT_EQ(runtime::output_image_generators[kLastGeneratorByte], 255);
    EXPECT_EQ(runtime::programmer_times[15 * kLastRecord], 65535);
    EXPECT_EQ(runtime::programmer_time_set[1], 0);
    EXPECT_EQ(runtime::output_base_values[kLastRecord], 0);
    EXPECT_EQ(runtime::sequence_step_buffers[6].current_values[kLastRecord], 65535);
    EXPECT_EQ(runtime::sequence_step_buffers[1].previous_values[1], 0);
    EXPECT_EQ(runtime::sequence_step_buffers[2].current_generators[kLastGeneratorByte], 255);
    EXPECT_EQ(runtime::sequence_step_buffers[2].previous_generators[kLastGeneratorByte], 0);
    EXPECT_EQ(runtime::sequence_step_buffers[3].current_figures[kLastFigureByte], 255);
    EXPECT_EQ(runtime::sequence_step_buffers[3].previous_figures[kLastFigureByte], 0);
    EXPECT_EQ(runtime::sequence_step_buffers[3].previous_figure_fractions[1], 0);
    EXPECT_EQ(runtime::cue_fade_records.channels[1].state, 0);
    EXPECT_EQ(runtime::cue_fade_records.channels[1].running_delay_out, 3'200'000u);
    EXPECT_EQ(runtime::cue_fade_records.sub_channels[kLastGeneratorByte].running_delay_out, 3'200'000u);
    EXPECT_EQ(runtime::cue_fade_records.extras[kLastFigureByte].running_delay_out, 3'200'000u);
    EXPECT_EQ(runtime::last_sent_values[kLastRecord], 65535);
    EXPECT_EQ(runtime::playback_thresholds[42][kLastRecord], 0);
    EXPECT_EQ(runtime::generator_states[kLastRecord].parameters[0], 0);
    EXPECT_EQ(runtime::dirty_extras[kLastFigureByte], 0);
}

TEST_F(ShowTables, WhileTheSetupIsOpenTheOperatorsTablesStay) {
    ASSERT_TRUE(runtime::allocate_show_tables());
    runtime::reset_show_tables();
    runtime::layer_values[0][3] = 400;
    runtime::layer_generators[0][3] = 40;
    runtime::layer_figures[0][3] = 41;
    runtime::layer_figures_extra[3] = 42;
    runtime::programmer_values[3] = 400;
    runtime::output_image_values[3] = 400;
    runtime::programmer_figures[3] = 43;
    runtime::programmer_time_aux2[3] = 1;
    runtime::output_base_values[3] = 400;
    runtime::figure_states[700].previous_speed = 9;
    runtime::layer_values[1][3] = 400;
    runtime::manual_values[3] = 400;

    runtime::mode_flags = runtime::MODE_IN_SETUP;
    runtime::reset_show_tables();
    EXPECT_EQ(runtime::layer_values[0][3], 400);
    EXPECT_EQ(runtime::layer_generators[0][3], 40);
    EXPECT_EQ(runtime::layer_figures[0][3], 41);
    EXPECT_EQ(runtime::layer_figures_extra[3], 42);
    EXPECT_EQ(runtime::programmer_values[3], 400);
    EXPECT_EQ(runtime::output_image_values[3], 400);
    EXPECT_EQ(runtime::programmer_figures[3], 43);
    EXPECT_EQ(runtime::programmer_time_aux2[3], 1);
    EXPECT_EQ(runtime::output_base_values[3], 400);
    EXPECT_EQ(runtime::figure_states[700].previous_speed, 9);
    EXPECT_EQ(runtime::layer_values[1][3], 65535);  // the playback layers start again
    EXPECT_EQ(runtime::manual_values[3], 65535);

    runtime::mode_flags = 0;
    runtime::reset_show_tables();
    EXPECT_EQ(runtime::layer_values[0][3], 65535);
    EXPECT_EQ(runtime::programmer_values[3], 65535);
    EXPECT_EQ(runtime::layer_figures_extra[3], 0);
    EXPECT_EQ(runtime::figure_states[700].previous_speed, 0);
}

TEST_F(ShowTables, TablesBuiltElsewhereAreLeftByTheReset) {
    ASSERT_TRUE(runtime::allocate_show_tables());
    runtime::function_record_table[kLastRecord].fixture = 700;
    runtime::channel_flags[1] = 3;
    runtime::wheel_last_values[1] = 255;
    runtime::reset_show_tables();
    EXPECT_EQ(runtime::function_record_table[kLastRecord].fixture, 700);
    EXPECT_EQ(runtime::channel_flags[1], 3);
    EXPECT_EQ(runtime::wheel_last_values[1], 255);
}

TEST_F(ShowTables, ResetEmptiesTheLampCommandQueue) {
    ASSERT_TRUE(runtime::allocate_show_tables());
    runtime::lamp_event_queue = static_cast<runtime::LampEvent*>(
        memcheck::mc_malloc_at(2 * sizeof(runtime::LampEvent), __FILE__, __LINE__));
    runtime::lamp_event_count = 2;
    runtime::reset_show_tables();
    EXPECT_EQ(runtime::lamp_event_queue, nullptr);
    EXPECT_EQ(runtime::lamp_event_count, 0);
}

TEST_F(ShowTables, FreeTablesReleasesEverythingAndClearsThePointers) {
    ASSERT_TRUE(runtime::allocate_show_tables());
    runtime::lamp_event_queue = static_cast<runtime::LampEvent*>(
        memcheck::mc_malloc_at(sizeof(runtime::LampEvent), __FILE__, __LINE__));
    runtime::lamp_event_count = 1;
    runtime::free_tables();
    EXPECT_EQ(runtime::sequence_run_buffer[1], nullptr);
    EXPECT_EQ(runtime::layer_figures[0], nullptr);
    EXPECT_EQ(runtime::cue_fade_records.channels, nullptr);
    EXPECT_EQ(runtime::sequence_step_buffers[6].current_figures, nullptr);
    EXPECT_EQ(runtime::dark_fixture_list, nullptr);
    EXPECT_EQ(runtime::lamp_event_queue, nullptr);
    EXPECT_EQ(runtime::lamp_event_count, 0);
    runtime::free_tables();  // a second time finds nothing to free
    const uint32_t allocations = allocated();
    ASSERT_TRUE(runtime::allocate_show_tables());
    EXPECT_EQ(allocated(), 2 * allocations);
}

}  // namespace
