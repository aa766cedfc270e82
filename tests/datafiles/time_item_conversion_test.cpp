// The time items of the older encoding, rewritten after memories and cue
// memories are loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "data_dir.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"

namespace {

using datafiles::MemoryItem;

MemoryItem* copy_of(const std::vector<MemoryItem>& list) {
    auto* copy = static_cast<MemoryItem*>(memcheck::mc_malloc_at(list.size() * sizeof(MemoryItem), __FILE__, __LINE__));
    std::copy(list.begin(), list.end(), copy);
    return copy;
}

bool same(const MemoryItem* items, int32_t count, const std::vector<MemoryItem>& expected) {
    if (items == nullptr) return expected.empty();
    return std::equal(items, items + count, expected.begin(), expected.end(), [](const MemoryItem& x, const MemoryItem& y) {
        return x.kind == y.kind && x.index == y.index && x.value == y.value;
    });
}

class TimeItems : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::show_table_allocator = memcheck::mc_malloc_at;
        datafiles::free_memory_items();
        datafiles::free_memcue_items();
        datafiles::init_memory_file();
        datafiles::init_memcue_file();
        datafiles::clear_memcue_index();
    }
    void TearDown() override {
        datafiles::free_memory_items();
        datafiles::free_memcue_items();
        DataDir::TearDown();
    }
    int beeps(int32_t freq_hz) const {
        int count = 0;
        for (const platform::Tone& tone : machine_->speaker.tones.to_vector()) {
            count += tone.freq_hz == freq_hz && tone.duration_ms == 1000;
        }
        return count;
    }
};

TEST_F(TimeItems, AnOldTimeItemFillsTwoTimeSlotGroupsAndTheFileIsRewrittenOnce) {
    const std::vector<MemoryItem> old = {{3, 17, 40}, {0, 5, 255}};
    memories::memory_items[9] = copy_of(old);
    memories::memory_index[9].count = 2;
    ASSERT_TRUE(datafiles::save_memory_record(9));
    memories::memory_items[12] = copy_of({{1, 2, 9}, {5, 2, 10}});
    memories::memory_index[12].count = 2;
    ASSERT_TRUE(datafiles::save_memory_record(12));
    datafiles::load_memory_file();

    datafiles::convert_memory_time_items();
    const std::vector<MemoryItem> converted = {{203, 17, 40}, {0, 5, 255}, {208, 17, 40}};
    EXPECT_EQ(memories::memory_index[9].count, 3);
    EXPECT_TRUE(same(memories::memory_items[9], 3, converted));
    EXPECT_TRUE(same(memories::memory_items[12], 4, {{201, 2, 9}, {205, 2, 10}, {206, 2, 9}, {210, 2, 10}}));
    EXPECT_EQ(beeps(400), 1);
    // The compacted file holds exactly the grown lists.
    EXPECT_EQ(size_of("data/mem.dat"), 132012u + (8 + 3 * 5) + (8 + 4 * 5));
    datafiles::load_memory_file();
    EXPECT_TRUE(same(memories::memory_items[9], memories::memory_index[9].count, converted));

    // Converted once: a second pass finds nothing and writes nothing.
    const std::vector<uint8_t> file = read("data/mem.dat");
    datafiles::convert_memory_time_items();
    EXPECT_EQ(read("data/mem.dat"), file);
    EXPECT_EQ(beeps(400), 1);
}

TEST_F(TimeItems, CueMemoriesAreConvertedWithTheHigherBeep) {
    datafiles::memcue_items[2000] = copy_of({{2, 1, 50}});
    datafiles::memcue_index[2000].count = 1;
    ASSERT_TRUE(datafiles::save_memcue_record(2000));
    datafiles::load_memcue_file();
    datafiles::convert_memcue_time_items();
    EXPECT_TRUE(same(datafiles::memcue_items[2000], datafiles::memcue_index[2000].count, {{202, 1, 50}, {207, 1, 50}}));
    EXPECT_EQ(beeps(600), 1);
    datafiles::load_memcue_file();
    EXPECT_TRUE(same(datafiles::memcue_items[2000], datafiles::memcue_index[2000].count, {{202, 1, 50}, {207, 1, 50}}));
}

TEST_F(TimeItems, AShowWithoutOldTimeItemsIsNotRewrittenAndNothingBeeps) {
    memories::memory_items[1] = copy_of({{0, 1, 1}, {201, 1, 3}, {206, 1, 3}, {6, 1, 1}});
    memories::memory_index[1].count = 4;
    ASSERT_TRUE(datafiles::save_memory_record(1));
    datafiles::load_memory_file();
    const std::vector<uint8_t> file = read("data/mem.dat");
    datafiles::convert_memory_time_items();
    datafiles::convert_memcue_time_items();
    EXPECT_EQ(memories::memory_index[1].count, 4);
    EXPECT_EQ(read("data/mem.dat"), file);
    EXPECT_EQ(beeps(400) + beeps(600), 0);
}

TEST_F(TimeItems, WhenMemoryRunsOutTheListStaysAsItWas) {
    MemoryItem* items = copy_of({{4, 8, 80}});
    int32_t count = 1;
    {
        datafiles_test::AllocationLimit none(0);
        EXPECT_EQ(datafiles::convert_time_items(items, count), 0);
    }
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(same(items, count, {{4, 8, 80}}));
    memcheck::mc_free_at(items, __FILE__, __LINE__);
}

}  // namespace
