// Memory and cue-memory access on a started console: the unpack into the work
// buffers, the look-ups with their defaults, the cue-memory trace cache, the
// start-up check and repair, the repack of a memory and the memory status.
#include "ui/memory_access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "memcheck/heap_use.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using datafiles::MemoryItem;
using Items = std::vector<MemoryItem>;

constexpr std::array<uint16_t, 6> kShowDefaults = {0, 11, 22, 33, 44, 55};  // DELAY IN .. HOLD, tenths

bool same_items(const MemoryItem& a, const MemoryItem& b) {
    return a.kind == b.kind && a.index == b.index && a.value == b.value;
}

MemoryItem* copy_list(const Items& items) {
    if (items.empty()) return nullptr;
    auto* list = static_cast<MemoryItem*>(memcheck::mc_malloc_at(items.size() * sizeof(MemoryItem), __FILE__, __LINE__));
    std::copy(items.begin(), items.end(), list);
    return list;
}

void set_memory(int16_t m, const Items& items) {
    MemoryItem*& list = memories::memory_items[static_cast<size_t>(m)];
    if (list != nullptr) memcheck::mc_free_at(list, __FILE__, __LINE__);
    list = copy_list(items);
    memories::memory_index[static_cast<size_t>(m)].count = static_cast<int32_t>(items.size());
    memories::memory_used[static_cast<size_t>(m)] = items.empty() ? 0 : 1;
}

void set_cue_memory(int16_t cm, const Items& items) {
    MemoryItem*& list = datafiles::memcue_items[static_cast<size_t>(cm)];
    if (list != nullptr) memcheck::mc_free_at(list, __FILE__, __LINE__);
    list = copy_list(items);
    datafiles::memcue_index[static_cast<size_t>(cm)].count = static_cast<int32_t>(items.size());
}

Items memory_list(int16_t m) {
    const MemoryItem* list = memories::memory_items[static_cast<size_t>(m)];
    const int32_t count = memories::memory_index[static_cast<size_t>(m)].count;
    if (list == nullptr) return {};
    return Items(list, list + count);
}

void expect_items(const Items& actual, const Items& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(same_items(actual[i], expected[i]))
            << "item " << i << ": " << int{actual[i].kind} << "," << actual[i].index << "," << actual[i].value;
    }
}

size_t generator_at(size_t record, size_t parameter) { return (record - 1) * 6 + parameter; }
size_t figure_at(size_t fixture, size_t parameter) { return (fixture - 1) * 10 + parameter; }
size_t time_at(size_t record, size_t slot) { return (record - 1) * 15 + slot; }

// While it lives, the allocations for tables and lists fail.
class NoMemory {
public:
    NoMemory() {
        runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    }
    ~NoMemory() { runtime::show_table_allocator = memcheck::mc_malloc_at; }
    NoMemory(const NoMemory&) = delete;
    NoMemory& operator=(const NoMemory&) = delete;
};

class MemoryAccess : public ::testing::Test {
protected:
    void SetUp() override {
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        rig_.run_ms(5);  // the first passes of the background poll
        // A rig of 40 records on 10 fixtures.
        runtime::function_record_count = 40;
        setup::fixture_count = 10;
        for (int k = 1; k <= 5; ++k) {
            setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1), kShowDefaults[static_cast<size_t>(k)]);
        }
        tones_before_ = rig_.tones().size();
    }

    // Tones of this frequency and length sounded since the test began (an
    // interruptible tone runs a poll of 1 ms first).
    int tones(int32_t freq_hz, uint64_t duration_ms) const {
        const std::vector<platform::Tone> all = rig_.tones();
        return static_cast<int>(std::count_if(all.begin() + static_cast<std::ptrdiff_t>(tones_before_), all.end(),
                                              [&](const platform::Tone& t) {
                                                  return t.freq_hz == freq_hz && t.duration_ms >= duration_ms &&
                                                         t.duration_ms <= duration_ms + 1;
                                              }));
    }

    static void expect_not_set_work_buffers() {
        const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
        ASSERT_NE(b.values, nullptr);
        EXPECT_TRUE(std::all_of(b.values + 1, b.values + ui::kWorkValues, [](uint16_t v) { return v == 65535; }));
        EXPECT_TRUE(std::all_of(b.generators + 1, b.generators + ui::kWorkGenerators, [](uint8_t v) { return v == 255; }));
        EXPECT_TRUE(std::all_of(b.figures + 1, b.figures + ui::kWorkFigures, [](uint8_t v) { return v == 255; }));
        EXPECT_TRUE(std::all_of(b.time_flags + 1, b.time_flags + ui::kWorkTimes, [](uint8_t v) { return v == 0; }));
        for (size_t slot = 1; slot <= 15; ++slot) {
            const uint16_t expected = kShowDefaults[(slot - 1) % 5 + 1];
            EXPECT_EQ(b.times[time_at(1, slot)], expected) << slot;
            EXPECT_EQ(b.times[time_at(2048, slot)], expected) << slot;
        }
        for (size_t k = 1; k <= 5; ++k) EXPECT_EQ(ui::default_times[k], kShowDefaults[k]);
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
    size_t tones_before_ = 0;
};

TEST_F(MemoryAccess, MemoriesOutOfRangeUnpackAsNotSetOverWhateverWasThere) {
    set_memory(3, {{0, 1, 77}, {30, 2, 9}, {120, 5, 4}, {204, 6, 99}});
    for (const int16_t m : {int16_t{0}, int16_t{4001}}) {
        ui::unpack_memory(3);
        ASSERT_EQ(ui::memory_work_buffers.values[1], 77);
        ui::unpack_memory(m);
        expect_not_set_work_buffers();
    }
}

TEST_F(MemoryAccess, EachKindLandsInItsArrayAndLaterItemsWin) {
    set_memory(12, {{0, 3, 100},
                    {0, 3, 200},    // the later value of record 3 wins
                    {15, 4, 181},   // kinds decode by tens: parameter 1
                    {60, 4, 66},    // parameter 6
                    {100, 700, 1},  // figure parameter 1 of the last fixture
                    {190, 2, 10},   // figure parameter 10
                    {201, 5, 300},  // slot 1
                    {215, 5, 32000},
                    {61, 7, 5},     // kinds between the ranges are never placed
                    {99, 7, 5},
                    {216, 7, 5}});
    ui::unpack_memory(12);
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    EXPECT_EQ(b.values[3], 200);
    EXPECT_EQ(b.generators[generator_at(4, 1)], 181);
    EXPECT_EQ(b.generators[generator_at(4, 6)], 66);
    EXPECT_EQ(b.figures[figure_at(700, 1)], 1);
    EXPECT_EQ(b.figures[figure_at(2, 10)], 10);
    EXPECT_EQ(b.times[time_at(5, 1)], 300);
    EXPECT_EQ(b.times[time_at(5, 15)], 32000);
    EXPECT_EQ(b.time_flags[time_at(5, 1)], 1);
    EXPECT_EQ(b.time_flags[time_at(5, 15)], 1);
    EXPECT_EQ(b.time_flags[time_at(5, 2)], 0);
    EXPECT_EQ(b.times[time_at(5, 2)], kShowDefaults[2]);
    EXPECT_EQ(b.values[7], 65535);
    EXPECT_EQ(std::count_if(b.generators + 1, b.generators + ui::kWorkGenerators, [](uint8_t v) { return v != 255; }), 2);
    // The look-up answers with the first item that matches.
    EXPECT_EQ(ui::get_memory_channel_value(12, 3, 0), 100);
}

TEST_F(MemoryAccess, ItemsOutsideTheArraysAreNeverWritten) {
    runtime::function_record_capacity = 100;
    set_memory(2, {{0, 2049, 1}, {0, 101, 1}, {30, 65535, 1}, {110, 701, 1}, {205, 0, 1}, {0, 100, 42}});
    ui::unpack_memory(2);
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    EXPECT_EQ(b.values[100], 42);
    EXPECT_EQ(b.values[101], 65535);
    EXPECT_EQ(b.values[0], 65535);
    EXPECT_EQ(std::count(b.time_flags, b.time_flags + ui::kWorkTimes, uint8_t{1}), 0);
    EXPECT_EQ(std::count_if(b.figures, b.figures + ui::kWorkFigures, [](uint8_t v) { return v != 255; }), 0);
}

TEST_F(MemoryAccess, LookUpsGiveTheDefaultOfTheirKindWhenTheMemoryHasNoSuchItem) {
    set_memory(40, {{0, 9, 128}, {207, 9, 5}});
    struct Case {
        int16_t memory;
        int16_t index;
        uint16_t kind;
        uint16_t expected;
    };
    const std::vector<Case> cases = {
        {40, 9, 0, 128},   {40, 10, 0, 65535}, {40, 9, 207, 5},  {40, 10, 207, kShowDefaults[2]},
        {40, 9, 201, 11},  {40, 9, 215, 55},   {40, 9, 30, 255}, {40, 9, 150, 255},
        {0, 9, 0, 65535},  {4001, 9, 203, 33}, {41, 1, 60, 255}, {41, 1, 190, 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::get_memory_channel_value(c.memory, c.index, c.kind), c.expected)
            << c.memory << " " << c.index << " " << c.kind;
    }
    EXPECT_EQ(tones(800, 25), 0);
}

TEST_F(MemoryAccess, AnUnknownKindInALookUpBeepsAndGives255) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(ui::get_memory_channel_value(40, 9, 15), 255);  // only whole tens have a default
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "9:15 ");
    EXPECT_EQ(tones(800, 25), 1);
}

TEST_F(MemoryAccess, ACueMemoryUnpacksItsValidItemsWithOneBeepForTheSkippedOnes) {
    set_cue_memory(8, {{0, 2049, 7}, {0, 4, 90}, {20, 4, 300}, {20, 4, 0xFFFF}, {30, 4, 256}, {120, 701, 3},
                       {202, 4, 80}});
    ui::unpack_cue_memory(8, -1, 0);
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    EXPECT_EQ(b.values[4], 90);
    EXPECT_EQ(b.generators[generator_at(4, 2)], 255);  // 300 and -1 are refused
    EXPECT_EQ(b.generators[generator_at(4, 3)], 0);    // 256 passes the rule and wraps to a byte
    EXPECT_EQ(b.times[time_at(4, 2)], 80);
    EXPECT_EQ(tones(150, 500), 1);

    ui::unpack_cue_memory(8, -1, 123);  // a fade-in override replaces every FADE IN not in the list
    EXPECT_EQ(b.times[time_at(4, 2)], 80);
    EXPECT_EQ(b.times[time_at(5, 2)], 123);
    EXPECT_EQ(b.times[time_at(5, 7)], 123);
    EXPECT_EQ(b.times[time_at(5, 1)], kShowDefaults[1]);
    EXPECT_EQ(ui::default_times[2], kShowDefaults[2]);
    EXPECT_EQ(tones(150, 500), 2);
}

TEST_F(MemoryAccess, ThePackedProgrammerUnpacksOverTheTimesOfTheEditedPointCue) {
    playback::pointcue_edit_record.delay_in = 5;
    playback::pointcue_edit_record.fade_in = 6;
    playback::pointcue_edit_record.delay_out = 7;
    playback::pointcue_edit_record.fade_out = 8;
    playback::pointcue_edit_record.hold = 9;
    std::vector<MemoryItem> packed = {{0, 2, 80}, {50, 2, 3}, {202, 2, 15}, {0, 3000, 1}};
    memories::pack_buffer = packed.data();
    memories::pack_count = static_cast<int32_t>(packed.size());
    ui::unpack_base_memory();
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    EXPECT_EQ(b.values[2], 80);
    EXPECT_EQ(b.generators[generator_at(2, 5)], 3);
    EXPECT_EQ(b.times[time_at(2, 2)], 15);
    EXPECT_EQ(b.times[time_at(2, 7)], 6);   // FADE IN of the second group: the point cue's
    EXPECT_EQ(b.times[time_at(9, 5)], 9);
    EXPECT_EQ(ui::default_times[4], 8);

    memories::pack_buffer = nullptr;  // a count without a list
    ui::unpack_base_memory();
    EXPECT_EQ(ui::current_message(), "NULL POINTER FOR BASEMEMORY");
    EXPECT_EQ(tones(800, 3000), 2);
    EXPECT_EQ(b.values[2], 65535);
    memories::pack_count = 0;
}

// A point cue whose own times are 1 to 5 tenths, DELAY IN to HOLD.
playback::PointcueRecord own_times_record() {
    playback::PointcueRecord record;
    record.delay_in = 1;
    record.fade_in = 2;
    record.delay_out = 3;
    record.fade_out = 4;
    record.hold = 5;
    return record;
}

TEST_F(MemoryAccess, ACueSlotTakesItsPointCueTimes) {
    ui::unpack_cue_memory(8, 1221, 0);
    EXPECT_EQ(ui::default_times[3], kShowDefaults[3]);  // no point-cue record: the show defaults

    playback::PointcueRecord record = own_times_record();
    playback::cue_pointcue_table[1221] = &record;
    ui::unpack_cue_memory(8, 1221, 0);
    playback::cue_pointcue_table[1221] = nullptr;
    for (size_t k = 1; k <= 5; ++k) EXPECT_EQ(ui::default_times[k], k) << "the record's own times, in kind order";
}

TEST_F(MemoryAccess, AMissingListIsReportedAndLeavesTheBuffersNotSet) {
    set_cue_memory(9, {});
    datafiles::memcue_index[9].count = 3;
    ui::unpack_cue_memory(9, 17, 0);
    EXPECT_EQ(ui::current_message(), "NULL POINTER FOR CMEM 9 CUE 17");
    EXPECT_EQ(tones(800, 3000), 2);
    expect_not_set_work_buffers();

    memories::memory_index[30].count = 2;
    ui::unpack_memory(30);
    EXPECT_EQ(ui::current_message(), "NULL POINTER FOR MEMORY 30");
    EXPECT_EQ(tones(800, 3000), 4);
}

TEST_F(MemoryAccess, TracesReadTheCachedImageOfACueMemory) {
    set_cue_memory(5, {{0, 3, 140}, {40, 3, 7}, {170, 2, 9}, {203, 3, 250}});
    EXPECT_EQ(ui::trace_cue_values(5, 3, 0, -1, 0), 140);
    EXPECT_EQ(ui::trace_cue_values(5, 3, 40, -1, 0), 7);
    EXPECT_EQ(ui::trace_cue_values(5, 2, 170, -1, 0), 9);
    EXPECT_EQ(ui::trace_cue_values(5, 3, 203, -1, 0), 250);
    EXPECT_EQ(ui::trace_cue_values(5, 3, 204, -1, 0), kShowDefaults[4]);
    EXPECT_EQ(ui::trace_cue_values(5, 4, 0, -1, 0), -1);  // 65535
    const uint8_t slot = ui::cue_image_slot_of[5];
    ASSERT_EQ(slot, 1);
    // The image is not refreshed while cached: a change needs the cache emptied.
    set_cue_memory(5, {{0, 3, 10}});
    EXPECT_EQ(ui::trace_cue_values(5, 3, 0, -1, 0), 140);
    ui::free_cue_buffers();
    EXPECT_EQ(ui::cue_image_slots[1], nullptr);
    EXPECT_EQ(ui::cue_image_slot_of[5], 0);
    EXPECT_EQ(ui::trace_cue_values(5, 3, 0, -1, 0), 10);
}

TEST_F(MemoryAccess, The101stCueMemoryTakesTheImageOfTheLeastRecentlyUsed) {
    for (int16_t cm = 1; cm <= 101; ++cm) set_cue_memory(cm, {{0, 1, static_cast<uint16_t>(cm)}});
    for (int16_t cm = 1; cm <= 100; ++cm) {
        runtime::clock_ms = 1000u + static_cast<uint32_t>(cm);
        ASSERT_EQ(ui::trace_cue_values(cm, 1, 0, -1, 0), cm);
    }
    runtime::clock_ms = 5000;
    ui::trace_cue_values(1, 1, 0, -1, 0);  // cue memory 1 used again: 2 is now the oldest
    const uint8_t slot_of_2 = ui::cue_image_slot_of[2];
    runtime::clock_ms = 5001;
    EXPECT_EQ(ui::trace_cue_values(101, 1, 0, -1, 0), 101);
    EXPECT_EQ(ui::cue_image_slot_of[101], slot_of_2);
    EXPECT_EQ(ui::cue_image_slot_of[2], 0);
    EXPECT_NE(ui::cue_image_slot_of[1], 0);
    // Cue memory 2 is unpacked afresh when traced again, and takes 3's place.
    set_cue_memory(2, {{0, 1, 222}});
    const uint8_t slot_of_3 = ui::cue_image_slot_of[3];
    EXPECT_EQ(ui::trace_cue_values(2, 1, 0, -1, 0), 222);
    EXPECT_EQ(ui::cue_image_slot_of[2], slot_of_3);
    EXPECT_EQ(ui::cue_image_slot_of[3], 0);
}

// A reused image shows only its new cue memory: every value, generator,
// figure and time the memory before it wrote reads as not set (or the
// default) again, whether the new unpack has the same default times or a
// point cue's own.
TEST_F(MemoryAccess, AReusedImageKeepsNothingOfItsEarlierCueMemory) {
    playback::PointcueRecord record = own_times_record();
    struct Case {
        const char* what;
        int16_t cue_slot;  // of the reusing unpack
        std::array<uint16_t, 6> defaults;
    };
    const Case cases[] = {
        {"same defaults", -1, kShowDefaults},
        {"a point cue's own times", 1221, {0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        ui::free_cue_buffers();
        set_cue_memory(1, {{0, 4, 44}, {0, 900, 45}, {30, 7, 46}, {150, 3, 47}, {203, 5, 48}, {210, 2000, 49}});
        for (int16_t cm = 2; cm <= 101; ++cm) set_cue_memory(cm, {{0, 1, static_cast<uint16_t>(cm)}});
        runtime::clock_ms = 1000;
        ASSERT_EQ(ui::trace_cue_values(1, 4, 0, -1, 0), 44);
        ASSERT_EQ(ui::trace_cue_values(1, 5, 203, -1, 0), 48);
        const uint8_t slot = ui::cue_image_slot_of[1];
        for (int16_t cm = 2; cm <= 100; ++cm) {
            runtime::clock_ms = 2000u + static_cast<uint32_t>(cm);
            ui::trace_cue_values(cm, 1, 0, -1, 0);
        }
        playback::cue_pointcue_table[1221] = &record;
        runtime::clock_ms = 5000;
        EXPECT_EQ(ui::trace_cue_values(101, 1, 0, c.cue_slot, 0), 101) << c.what;
        playback::cue_pointcue_table[1221] = nullptr;
        ASSERT_EQ(ui::cue_image_slot_of[101], slot) << c.what;
        const ui::CueMemoryImage& image = *ui::cue_image_slots[slot];
        EXPECT_TRUE(std::all_of(image.values.begin() + 2, image.values.end(), [](uint16_t v) { return v == 65535; }))
            << c.what;
        EXPECT_TRUE(std::all_of(image.generators.begin() + 1, image.generators.end(), [](uint8_t v) { return v == 255; }))
            << c.what;
        EXPECT_TRUE(std::all_of(image.figures.begin() + 1, image.figures.end(), [](uint8_t v) { return v == 255; }))
            << c.what;
        EXPECT_TRUE(std::all_of(image.time_flags.begin() + 1, image.time_flags.end(), [](uint8_t v) { return v == 0; }))
            << c.what;
        for (const size_t r : {size_t{1}, size_t{5}, size_t{2000}, size_t{2048}}) {
            for (size_t t = 1; t <= 15; ++t) {
                EXPECT_EQ(image.times[time_at(r, t)], c.defaults[(t - 1) % 5 + 1]) << c.what << " record " << r << " slot " << t;
            }
        }
    }
}

TEST_F(MemoryAccess, ACueWithoutACueMemoryTracesAsNotSetAndLeavesTheCacheAlone) {
    for (const int16_t cm : {int16_t{0}, int16_t{-1}, int16_t{2001}, int16_t{5000}}) {
        EXPECT_EQ(ui::trace_cue_values(cm, 3, 0, -1, 0), -1) << cm;  // 65535
        EXPECT_EQ(ui::trace_cue_values(cm, 3, 50, -1, 0), 255) << cm;
        EXPECT_EQ(ui::trace_cue_values(cm, 3, 202, -1, 0), kShowDefaults[2]) << cm;
    }
    EXPECT_TRUE(std::all_of(ui::cue_image_slots.begin(), ui::cue_image_slots.end(),
                            [](const ui::CueMemoryImage* image) { return image == nullptr; }));
    EXPECT_TRUE(std::all_of(ui::cue_image_slot_of.begin(), ui::cue_image_slot_of.end(), [](uint8_t s) { return s == 0; }));
}

TEST_F(MemoryAccess, ATraceWithoutMemoryForAnImageIsAbandonedOrFallsBack) {
    set_cue_memory(6, {{0, 2, 99}});
    {
        const NoMemory no_memory;
        EXPECT_EQ(ui::trace_cue_values(6, 2, 0, -1, 1), ui::kTraceAbandoned);
        EXPECT_EQ(ui::current_message(), "MEMORY TOO LOW TO TRACE!!!");
        EXPECT_EQ(tones(800, 2000), 1);
        EXPECT_EQ(ui::trace_cue_values(6, 2, 0, -1, 0), 0);
        EXPECT_EQ(ui::current_message(), "SERIOUS MEMORY ERROR!");
        EXPECT_EQ(tones(800, 200), 2);
        EXPECT_EQ(ui::cue_image_slot_of[6], 0);
    }
    EXPECT_EQ(ui::trace_cue_values(6, 2, 0, -1, 1), 99);
}

TEST_F(MemoryAccess, TheProgrammersSourceDecidesWhereACueChannelValueComesFrom) {
    set_memory(14, {{0, 2, 33}});
    set_cue_memory(15, {{0, 2, 44}});
    memories::current_memory = 14;
    EXPECT_EQ(ui::get_cue_channel_value(2, 0), 33);
    memories::programmer_from_cue = 1;
    memories::programmer_cue_memory = 15;
    memories::programmer_cue_page = 2;
    memories::programmer_cue_number = 53;
    memories::programmer_cue_point = 1;
    playback::PointcueRecord record;  // page 2, cue 53, point 1: slot 1221
    record.fade_in = 77;
    playback::cue_pointcue_table[1221] = &record;
    EXPECT_EQ(ui::get_cue_channel_value(2, 0), 44);
    playback::cue_pointcue_table[1221] = nullptr;
    EXPECT_EQ(ui::default_times[2], 77) << "unpacked with the times of the programmer's cue slot";
    memories::programmer_cue_memory = -1;  // the cue has no cue memory
    EXPECT_EQ(ui::get_cue_channel_value(2, 0), 65535);
}

TEST_F(MemoryAccess, TheStartUpCheckRewritesAMemoryWithoutItsInvalidItems) {
    set_memory(9, {{0, 1, 50}, {20, 1, 300}, {0, 2049, 8}, {201, 3, 70}, {110, 2, 5}});
    memories::memory_used_count = 1;
    ui::check_memory_record(9);
    const Items repaired = {{0, 1, 50}, {110, 2, 5}, {201, 3, 70}};
    expect_items(memory_list(9), repaired);
    EXPECT_EQ(memories::memory_used[9], 1);
    EXPECT_EQ(memories::memory_used_count, 1);
    EXPECT_EQ(tones(150, 500), 2);
    // The programmer holds the repaired memory.
    EXPECT_EQ(runtime::programmer_values[1], 50);
    EXPECT_EQ(runtime::programmer_generators[generator_at(1, 2)], 255);
    EXPECT_EQ(runtime::programmer_figures[figure_at(2, 2)], 5);
    EXPECT_EQ(runtime::programmer_times[time_at(3, 1)], 70);
    EXPECT_EQ(runtime::programmer_time_set[time_at(3, 1)], 1);
    EXPECT_EQ(runtime::programmer_times[time_at(3, 2)], kShowDefaults[2]);
    // And so does the file.
    datafiles::load_memory_file();
    expect_items(memory_list(9), repaired);
}

TEST_F(MemoryAccess, TheStartUpCheckLeavesASoundMemoryAlone) {
    set_memory(10, {{0, 1, 50}, {60, 1, 256}, {99, 3000, 1}});
    const MemoryItem* before = memories::memory_items[10];
    ui::check_memory_record(10);
    EXPECT_EQ(memories::memory_items[10], before);
    EXPECT_EQ(tones(150, 500), 0);
}

TEST_F(MemoryAccess, RepackWritesTheSetEntriesInKindOrder) {
    std::vector<uint16_t> values(ui::kWorkValues, 65535);
    std::vector<uint8_t> generators(ui::kWorkGenerators, 255);
    std::vector<uint8_t> figures(ui::kWorkFigures, 255);
    std::vector<uint16_t> times(ui::kWorkTimes, 0);
    std::vector<uint8_t> flags(ui::kWorkTimes, 0);
    values[2] = 1012;
    generators[generator_at(2, 5)] = 190;
    figures[figure_at(1, 3)] = 4;
    times[time_at(1, 15)] = 32000;
    flags[time_at(1, 15)] = 1;
    times[time_at(2, 4)] = 12;  // no flag: not written
    ui::repack_memory(20, values.data(), generators.data(), figures.data(), times.data(), flags.data());
    expect_items(memory_list(20), {{0, 2, 1012}, {50, 2, 190}, {120, 1, 4}, {215, 1, 32000}});
    EXPECT_EQ(memories::memory_used[20], 1);
    EXPECT_EQ(memories::memory_used_count, 1);
    datafiles::load_memory_file();
    expect_items(memory_list(20), {{0, 2, 1012}, {50, 2, 190}, {120, 1, 4}, {215, 1, 32000}});

    // Nothing set: the memory is emptied and unmarked.
    std::fill(values.begin(), values.end(), 65535);
    std::fill(generators.begin(), generators.end(), 255);
    std::fill(figures.begin(), figures.end(), 255);
    std::fill(flags.begin(), flags.end(), 0);
    ui::repack_memory(20, values.data(), generators.data(), figures.data(), times.data(), flags.data());
    EXPECT_EQ(memories::memory_items[20], nullptr);
    EXPECT_EQ(memories::memory_index[20].count, 0);
    EXPECT_EQ(memories::memory_used[20], 0);
    EXPECT_EQ(memories::memory_used_count, 0);
}

TEST_F(MemoryAccess, ARepackWithoutMemoryLeavesTheMemoryAsItWas) {
    set_memory(21, {{0, 1, 5}, {0, 2, 6}});
    memories::memory_used_count = 1;
    const MemoryItem* before = memories::memory_items[21];
    std::vector<uint16_t> values(ui::kWorkValues, 65535);
    values[1] = 100;
    {
        const NoMemory no_memory;
        ui::repack_memory(21, values.data(), nullptr, nullptr, nullptr, nullptr);
    }
    EXPECT_EQ(ui::current_message(), "NOT ENOUGH MEMORY");
    EXPECT_EQ(tones(400, 2000), 1);
    EXPECT_EQ(memories::memory_items[21], before);
    expect_items(memory_list(21), {{0, 1, 5}, {0, 2, 6}});
    EXPECT_EQ(memories::memory_used[21], 1);
    EXPECT_EQ(memories::memory_used_count, 1);
}

// The level comes from the host's available bytes and from the free
// percentage of the whole: the host's figures with the program's own heap
// (its blocks in use allocated, its free blocks available).
TEST(MemoryStatus, TheHostsFiguresAndTheProgramsHeapGiveLevelAndPercent) {
    struct Case {
        uint32_t allocated;
        uint32_t available;
        memcheck::HeapUse heap;
        uint8_t level;
        int16_t percent;
    };
    const std::vector<Case> cases = {
        {2'000'000, 30'000'000, {0, 0}, 0, 93},
        {2'000'000, 30'000'000, {18'000'000, 0}, 0, 60},     // the heap in use counts as allocated
        {2'000'000, 30'000'000, {0, 10'000'000}, 0, 95},     // its free blocks as available
        {100'000, 900'000, {0, 0}, 2, 90},                   // under 1,000,000 bytes: critical whatever the percentage
        {100'000, 900'000, {0, 50'000'000}, 2, 99},          // the heap's free bytes do not lift the host's level
        {2'000'000, 5'000'000, {0, 0}, 1, 71},               // under 6,000,000 bytes: low
        {2'000'000, 8'000'000, {80'000'000, 0}, 1, 8},       // under 10 %: low
        {60'000'000, 6'000'000, {0, 0}, 1, 9},
        {0, 7'000'000, {200'000'000, 0}, 2, 3},              // under 5 %: critical
        {200'000'000, 8'000'000, {0, 0}, 2, 3},
        {0, 0, {0, 0}, 2, 0},
    };
    for (const Case& c : cases) {
        const ui::MemoryStatus status = ui::memory_status_of(c.allocated, c.available, c.heap);
        EXPECT_EQ(status.level, c.level) << c.allocated << " " << c.available << " " << c.heap.used_bytes;
        EXPECT_EQ(status.percent, c.percent) << c.allocated << " " << c.available << " " << c.heap.used_bytes;
    }
}

TEST_F(MemoryAccess, TheStatusLineShowsTheFreeMemoryAndIsRedrawnOnlyOnAChange) {
    // The background poll has measured the host's figures with the heap.
    platform::InterruptTable& host = rig_.machine().interrupts;
    ui::check_memory_status();
    const ui::MemoryStatus measured =
        ui::memory_status_of(host.dpmi_allocated_bytes, host.dpmi_available_bytes, memcheck::mc_heap_use());
    EXPECT_EQ(ui::status_percent, measured.percent);
    EXPECT_EQ(ui::status_level, measured.level);
    platform::Graphics& graphics = rig_.machine().graphics;
    graphics.clear_call_log();
    host.dpmi_available_bytes = 900'000;
    rig_.run_ms(5);
    EXPECT_EQ(ui::status_level, 2);
    const ui::MemoryStatus low =
        ui::memory_status_of(host.dpmi_allocated_bytes, host.dpmi_available_bytes, memcheck::mc_heap_use());
    const std::string text = "_outtextxy(175,240,\"" + std::to_string(low.percent) + " %\")";
    const std::vector<std::string> log = graphics.call_log();
    EXPECT_NE(std::find(log.begin(), log.end(), text), log.end()) << text;
    EXPECT_EQ(rig_.pixel(216, 240), 4);  // the mark in red
    graphics.clear_call_log();
    rig_.run_ms(50);
    const std::vector<std::string> quiet = graphics.call_log();
    EXPECT_EQ(std::count(quiet.begin(), quiet.end(), text), 0) << "no change, no redraw";
}

}  // namespace
