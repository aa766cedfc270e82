// The cue-memory file: records stored and loaded back, the place rule, a
// wrong tag refused while the rest loads, the count of cue memories in use,
// and compaction.
#include "datafiles/cue_memory_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data_dir.h"
#include "memcheck/memcheck.h"
#include "ui/message_line.h"

namespace {

using datafiles::MemoryItem;
using datafiles::memcue_index;
using datafiles::memcue_items;
using datafiles_test::i32_at;

constexpr const char* kFile = "data/memcues.dat";
constexpr size_t kFirstRecord = 24012;

size_t entry_at(int n) { return 12 + static_cast<size_t>(n - 1) * 12; }

std::vector<MemoryItem> items(int count, uint16_t first_value) {
    std::vector<MemoryItem> list;
    for (int i = 0; i < count; ++i) {
        list.push_back({static_cast<uint8_t>(200 + i % 10), static_cast<uint16_t>(3 + i), static_cast<uint16_t>(first_value + i)});
    }
    return list;
}

// Gives cue memory n the list, as storing a cue's look does.
void set_items(int n, const std::vector<MemoryItem>& list) {
    if (memcue_items[static_cast<size_t>(n)] != nullptr) memcheck::mc_free_at(memcue_items[static_cast<size_t>(n)], __FILE__, __LINE__);
    memcue_items[static_cast<size_t>(n)] = nullptr;
    if (!list.empty()) {
        auto* copy = static_cast<MemoryItem*>(memcheck::mc_malloc_at(list.size() * sizeof(MemoryItem), __FILE__, __LINE__));
        std::copy(list.begin(), list.end(), copy);
        memcue_items[static_cast<size_t>(n)] = copy;
    }
    memcue_index[static_cast<size_t>(n)].count = static_cast<int32_t>(list.size());
}

std::vector<MemoryItem> loaded(int n) {
    const MemoryItem* list = memcue_items[static_cast<size_t>(n)];
    if (list == nullptr) return {};
    return std::vector<MemoryItem>(list, list + memcue_index[static_cast<size_t>(n)].count);
}

bool same(const std::vector<MemoryItem>& a, const std::vector<MemoryItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const MemoryItem& x, const MemoryItem& y) {
        return x.kind == y.kind && x.index == y.index && x.value == y.value;
    });
}

class CueMemoryFile : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::show_table_allocator = memcheck::mc_malloc_at;
        datafiles::free_memcue_items();
        datafiles::clear_memcue_index();
        datafiles::init_memcue_file();
    }
    void TearDown() override {
        datafiles::free_memcue_items();
        DataDir::TearDown();
    }
    // A fresh load, as the next show start does.
    void reload() {
        datafiles::free_memcue_items();
        datafiles::clear_memcue_index();
        datafiles::load_memcue_file();
    }
};

TEST_F(CueMemoryFile, RecordsRoundTripThroughAFreshLoadAndAreCounted) {
    ASSERT_EQ(size_of(kFile), kFirstRecord);
    set_items(1, items(3, 10));
    set_items(2000, items(1, 99));
    set_items(40, items(2, 5));
    ASSERT_TRUE(datafiles::save_memcue_record(1));
    ASSERT_TRUE(datafiles::save_memcue_record(2000));
    ASSERT_TRUE(datafiles::save_memcue_record(40));

    const std::vector<uint8_t> file = read(kFile);
    ASSERT_EQ(entry_at(2000), 24000u);
    EXPECT_EQ(i32_at(file, entry_at(2000)), static_cast<int32_t>(kFirstRecord) + 8 + 15);  // behind cue memory 1's record
    EXPECT_EQ(i32_at(file, entry_at(2000) + 4), 1);
    EXPECT_EQ(i32_at(file, entry_at(2000) + 8), 1);
    EXPECT_EQ(datafiles_test::text_at(file, kFirstRecord, 8), "+-0001-+");
    EXPECT_EQ(file.at(kFirstRecord + 8), 200);
    EXPECT_EQ(datafiles_test::u16_at(file, kFirstRecord + 9), 3);
    EXPECT_EQ(datafiles_test::u16_at(file, kFirstRecord + 11), 10);

    reload();
    EXPECT_TRUE(same(loaded(1), items(3, 10)));
    EXPECT_TRUE(same(loaded(2000), items(1, 99)));
    EXPECT_TRUE(same(loaded(40), items(2, 5)));
    EXPECT_TRUE(loaded(2).empty());
    EXPECT_EQ(datafiles::memcue_used_count, 3);
    EXPECT_EQ(datafiles::memcue_used[40], 1);
    EXPECT_EQ(datafiles::memcue_used[41], 0);
}

TEST_F(CueMemoryFile, AChangedRecordIsRewrittenInPlaceWhenItFitsAndAppendedOtherwise) {
    set_items(7, items(4, 1));
    set_items(8, items(1, 1));
    ASSERT_TRUE(datafiles::save_memcue_record(7));
    ASSERT_TRUE(datafiles::save_memcue_record(8));
    const uintmax_t size = size_of(kFile);
    const int32_t place = memcue_index[7].offset;

    set_items(7, items(2, 50));  // fits the place of four
    ASSERT_TRUE(datafiles::save_memcue_record(7));
    EXPECT_EQ(memcue_index[7].offset, place);
    EXPECT_EQ(size_of(kFile), size);

    set_items(7, items(6, 60));  // does not
    ASSERT_TRUE(datafiles::save_memcue_record(7));
    EXPECT_EQ(memcue_index[7].offset, static_cast<int32_t>(size));
    EXPECT_EQ(size_of(kFile), size + 8 + 6 * 5);

    reload();
    EXPECT_TRUE(same(loaded(7), items(6, 60)));
    EXPECT_TRUE(same(loaded(8), items(1, 1)));
}

TEST_F(CueMemoryFile, ARecordWithAWrongTagIsRefusedWhileTheRestLoads) {
    set_items(3, items(2, 30));
    set_items(4, items(2, 40));
    ASSERT_TRUE(datafiles::save_memcue_record(3));
    ASSERT_TRUE(datafiles::save_memcue_record(4));
    std::vector<uint8_t> file = read(kFile);
    std::memcpy(file.data() + kFirstRecord, "+-0009-+", 8);
    write(kFile, file);

    reload();
    EXPECT_TRUE(loaded(3).empty());
    EXPECT_EQ(memcue_index[3].count, 0);
    EXPECT_TRUE(same(loaded(4), items(2, 40)));
    EXPECT_EQ(datafiles::memcue_used_count, 1);
    EXPECT_EQ(error_beeps(), 1);
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "MEMCUES.DAT: 1 RECORDS REFUSED");
    EXPECT_EQ(read(kFile), file);  // loading leaves the file as it is
}

TEST_F(CueMemoryFile, CompactionKeepsTheLiveRecordsInASmallerFile) {
    set_items(5, items(5, 1));
    ASSERT_TRUE(datafiles::save_memcue_record(5));
    set_items(5, items(9, 2));  // appended; the first place is dead space
    ASSERT_TRUE(datafiles::save_memcue_record(5));
    set_items(6, items(1, 3));
    ASSERT_TRUE(datafiles::save_memcue_record(6));
    const uintmax_t before = size_of(kFile);

    ASSERT_TRUE(datafiles::compact_memcue_file(true));
    EXPECT_EQ(size_of(kFile), kFirstRecord + (8 + 9 * 5) + (8 + 1 * 5));
    EXPECT_LT(size_of(kFile), before);
    EXPECT_FALSE(has("data/memcues.da"));
    reload();
    EXPECT_TRUE(same(loaded(5), items(9, 2)));
    EXPECT_TRUE(same(loaded(6), items(1, 3)));
}

TEST_F(CueMemoryFile, NumbersOutsideTheFileAreRefusedAndChangeNothing) {
    const std::vector<uint8_t> file = read(kFile);
    for (int16_t n : {int16_t{0}, int16_t{-1}, int16_t{2001}}) EXPECT_FALSE(datafiles::save_memcue_record(n)) << n;
    EXPECT_EQ(read(kFile), file);
}

}  // namespace

namespace {

TEST_F(CueMemoryFile, AStoreThatCannotBeWrittenIsReportedAndChangesNothing) {
    set_items(12, items(2, 1));
    remove(kFile);
    EXPECT_FALSE(datafiles::save_memcue_record(12));
    EXPECT_EQ(ui::current_message(), "ERROR SAVING MEMCUES.DAT");
    EXPECT_EQ(memcue_index[12].offset, -1);
    EXPECT_FALSE(has(kFile));
}

// A new file empties the tables: the lists held before are freed, not lost.
TEST_F(CueMemoryFile, ANewFileEmptiesTheTablesAndStartsWithVersion630) {
    set_items(3, items(2, 1));
    ASSERT_TRUE(datafiles::save_memcue_record(3));
    datafiles::memcue_used[3] = 1;
    datafiles::init_memcue_file();
    EXPECT_EQ(memcue_items[3], nullptr);
    EXPECT_EQ(memcue_index[3].offset, -1);
    EXPECT_EQ(memcue_index[3].count, 0);
    EXPECT_EQ(datafiles::memcue_used[3], 0);
    EXPECT_EQ(datafiles_test::text_at(read(kFile), 0, 12), "VERSION 6.30");
    EXPECT_EQ(size_of(kFile), kFirstRecord);
}

}  // namespace
