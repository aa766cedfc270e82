// The memory file: a new file, storing one memory by the place rule, names,
// loading with bad records, running out of memory, compaction, and loading
// truncated and random files.
#include "datafiles/memory_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "runtime/show_tables.h"
#include "ui/bitmap_fonts.h"
#include "ui/helpers.h"

namespace {

using datafiles::MemoryItem;
using datafiles_test::i32_at;
using datafiles_test::text_at;
using memories::memory_index;
using memories::memory_items;
using memories::memory_used;

constexpr size_t kFirstRecord = 132012;
constexpr const char* kFile = "data/mem.dat";

size_t entry_at(int m) { return 12 + static_cast<size_t>(m - 1) * 33; }

std::vector<MemoryItem> items(int count, uint16_t first_value) {
    std::vector<MemoryItem> list;
    for (int i = 0; i < count; ++i) {
        list.push_back({static_cast<uint8_t>(i % 7), static_cast<uint16_t>(1 + i), static_cast<uint16_t>(first_value + i)});
    }
    return list;
}

// Gives memory m the list, as the programmer does before storing it.
void set_items(int m, const std::vector<MemoryItem>& list) {
    if (memory_items[m] != nullptr) memcheck::mc_free_at(memory_items[m], __FILE__, __LINE__);
    memory_items[m] = nullptr;
    if (!list.empty()) {
        memory_items[m] = static_cast<MemoryItem*>(memcheck::mc_malloc_at(list.size() * sizeof(MemoryItem), __FILE__, __LINE__));
        std::copy(list.begin(), list.end(), memory_items[m]);
    }
    memory_index[m].count = static_cast<int32_t>(list.size());
}

std::vector<MemoryItem> loaded_items(int m) {
    if (memory_items[m] == nullptr) return {};
    return std::vector<MemoryItem>(memory_items[m], memory_items[m] + memory_index[m].count);
}

void expect_same(const std::vector<MemoryItem>& got, const std::vector<MemoryItem>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, expected[i].kind) << i;
        EXPECT_EQ(got[i].index, expected[i].index) << i;
        EXPECT_EQ(got[i].value, expected[i].value) << i;
    }
}

void expect_items_at(const std::vector<uint8_t>& file, size_t at, const std::vector<MemoryItem>& list) {
    for (size_t i = 0; i < list.size(); ++i) {
        const size_t item = at + i * 5;
        EXPECT_EQ(file.at(item), list[i].kind) << i;
        EXPECT_EQ(datafiles_test::u16_at(file, item + 1), list[i].index) << i;
        EXPECT_EQ(datafiles_test::u16_at(file, item + 3), list[i].value) << i;
    }
}

class MemoryFile : public datafiles_test::DataDir {
public:
    // Memories 7 and 9 stored, then the tag of 7 made to read +-0008-+; the file's bytes.
    std::vector<uint8_t> store_7_and_9_with_a_wrong_tag_on_7() {
        set_items(7, items(5, 70));
        set_items(9, items(2, 90));
        EXPECT_TRUE(datafiles::save_memory_record(7));
        EXPECT_TRUE(datafiles::save_memory_record(9));
        std::vector<uint8_t> file = read(kFile);
        std::memcpy(file.data() + kFirstRecord, "+-0008-+", 8);
        write(kFile, file);
        return file;
    }


protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::show_table_allocator = memcheck::mc_malloc_at;
        datafiles::init_memory_file();
    }
    void TearDown() override {
        datafiles::free_memory_items();
        DataDir::TearDown();
    }
    int tones(int32_t freq_hz, uint64_t duration_ms) const {
        int count = 0;
        for (const platform::Tone& tone : machine_->speaker.tones.to_vector()) {
            count += tone.freq_hz == freq_hz && tone.duration_ms == duration_ms;
        }
        return count;
    }
};

TEST_F(MemoryFile, ANewFileHoldsTheHeaderAnd4000EmptyEntriesAndLoadsEmpty) {
    memory_index[5].count = 3;
    datafiles::init_memory_file();
    EXPECT_EQ(memory_index[5].count, 0);
    const std::vector<uint8_t> file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord);
    EXPECT_EQ(text_at(file, 0, 12), "VERSION 6.30");
    EXPECT_EQ(i32_at(file, entry_at(4000) + 21), -1);
    memory_used[9] = 1;
    datafiles::load_memory_file();
    for (int m = 1; m <= memories::kMemories; ++m) {
        ASSERT_EQ(memory_used[m], 0) << m;
        ASSERT_EQ(memory_items[m], nullptr) << m;
        ASSERT_EQ(memory_index[m].offset, -1) << m;
    }
    EXPECT_EQ(error_beeps(), 0);
    EXPECT_EQ(platform::_getcolor(), 12);
}

TEST_F(MemoryFile, StoringAppendsThenRewritesInPlaceThenAppendsWhenTheListGrows) {
    set_items(7, items(10, 500));
    ASSERT_TRUE(datafiles::save_memory_record(7));
    std::vector<uint8_t> file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + 8 + 50);
    EXPECT_EQ(text_at(file, kFirstRecord, 8), "+-0007-+");
    expect_items_at(file, kFirstRecord + 8, items(10, 500));
    EXPECT_EQ(entry_at(7), 210u);
    EXPECT_EQ(i32_at(file, 210 + 21), 132012);
    EXPECT_EQ(i32_at(file, 210 + 25), 10);
    EXPECT_EQ(i32_at(file, 210 + 29), 10);

    set_items(7, items(8, 900));
    ASSERT_TRUE(datafiles::save_memory_record(7));
    file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + 58);
    expect_items_at(file, kFirstRecord + 8, items(8, 900));
    EXPECT_EQ(i32_at(file, 210 + 21), 132012);
    EXPECT_EQ(i32_at(file, 210 + 25), 10);
    EXPECT_EQ(i32_at(file, 210 + 29), 8);

    set_items(7, items(12, 40));
    ASSERT_TRUE(datafiles::save_memory_record(7));
    file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + 58 + 8 + 60);
    EXPECT_EQ(text_at(file, kFirstRecord + 58, 8), "+-0007-+");
    EXPECT_EQ(i32_at(file, 210 + 21), 132012 + 58);
    EXPECT_EQ(i32_at(file, 210 + 25), 12);
    EXPECT_EQ(i32_at(file, 210 + 29), 12);

    datafiles::load_memory_file();
    EXPECT_EQ(memory_used[7], 1);
    expect_same(loaded_items(7), items(12, 40));
}

TEST_F(MemoryFile, AClearedMemoryKeepsItsPlaceOnFileUntilCompaction) {
    set_items(3, items(4, 1));
    ASSERT_TRUE(datafiles::save_memory_record(3));
    set_items(3, {});
    ASSERT_TRUE(datafiles::save_memory_record(3));
    std::vector<uint8_t> file = read(kFile);
    EXPECT_EQ(file.size(), kFirstRecord + 8 + 20);
    EXPECT_EQ(i32_at(file, entry_at(3) + 21), 132012);
    EXPECT_EQ(i32_at(file, entry_at(3) + 25), 4);
    EXPECT_EQ(i32_at(file, entry_at(3) + 29), 0);

    datafiles::load_memory_file();
    EXPECT_EQ(memory_used[3], 0);
    EXPECT_EQ(memory_items[3], nullptr);
    ASSERT_TRUE(datafiles::compact_memory_file(true));
    file = read(kFile);
    EXPECT_EQ(file.size(), kFirstRecord);
    EXPECT_EQ(i32_at(file, entry_at(3) + 21), -1);
    EXPECT_EQ(i32_at(file, entry_at(3) + 25), 0);
    EXPECT_EQ(memory_index[3].offset, -1);
}

TEST_F(MemoryFile, AMemoryWithoutAListIsStoredEmptyWhateverItsCount) {
    memory_index[12].count = 6;
    ASSERT_TRUE(datafiles::save_memory_record(12));
    EXPECT_EQ(memory_index[12].count, 0);
    EXPECT_EQ(i32_at(read(kFile), entry_at(12) + 29), 0);
    EXPECT_EQ(size_of(kFile), kFirstRecord);
}

TEST_F(MemoryFile, OutOfRangeNumbersAndAMissingFileWriteNothing) {
    set_items(1, items(2, 1));
    EXPECT_FALSE(datafiles::save_memory_record(0));
    EXPECT_FALSE(datafiles::save_memory_record(4001));
    EXPECT_FALSE(datafiles::save_memory_name(-3));
    remove(kFile);
    EXPECT_FALSE(datafiles::save_memory_record(1));
    EXPECT_FALSE(datafiles::save_memory_name(1));
    EXPECT_FALSE(has(kFile));
    datafiles::load_memory_file();
    EXPECT_EQ(memory_items[1], nullptr);
    EXPECT_EQ(memory_index[1].count, 0);
}

TEST_F(MemoryFile, ANameIsWrittenAloneAndReadBack) {
    set_items(4000, items(3, 7));
    ASSERT_TRUE(datafiles::save_memory_record(4000));
    std::strcpy(memory_index[4000].name.data(), "LAST SONG");
    ASSERT_TRUE(datafiles::save_memory_name(4000));
    const std::vector<uint8_t> file = read(kFile);
    EXPECT_EQ(text_at(file, entry_at(4000), 10), std::string("LAST SONG\0", 10));
    EXPECT_EQ(i32_at(file, entry_at(4000) + 21), 132012);
    EXPECT_EQ(i32_at(file, entry_at(4000) + 29), 3);
    datafiles::load_memory_file();
    EXPECT_EQ(memories::memory_name(4000), "LAST SONG");
    EXPECT_EQ(memory_used[4000], 1);
}

TEST_F(MemoryFile, ARecordUnderAnotherMemorysTagIsDroppedWithABeep) {
    const std::vector<uint8_t> file = store_7_and_9_with_a_wrong_tag_on_7();
    datafiles::load_memory_file();
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_EQ(memory_used[7], 0);
    EXPECT_EQ(memory_items[7], nullptr);
    EXPECT_EQ(memory_index[7].offset, -1);
    EXPECT_EQ(memory_index[7].capacity, 0);
    EXPECT_EQ(memory_used[9], 1);
    expect_same(loaded_items(9), items(2, 90));
}

TEST_F(MemoryFile, EntriesThatPointWrongAreDropped) {
    struct Case {
        const char* what;
        int32_t offset;
        int32_t capacity;
        int32_t count;
        int beeps;
    };
    const Case cases[] = {
        {"negative offset", -7, 5, 5, 0},
        {"offset inside the index", 100, 5, 5, 1},
        {"offset past the end", 900000, 5, 5, 1},
        {"count beyond the capacity", 132012, 5, 6, 1},
        {"count beyond the file", 132012, 50, 50, 1},
        {"negative count", 132012, 5, -2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine_->speaker.tones.clear();
        datafiles::init_memory_file();
        set_items(2, items(5, 20));
        set_items(3, items(1, 30));
        ASSERT_TRUE(datafiles::save_memory_record(2));
        ASSERT_TRUE(datafiles::save_memory_record(3));
        std::vector<uint8_t> file = read(kFile);
        datafiles_test::set_i32_at(file, entry_at(2) + 21, c.offset);
        datafiles_test::set_i32_at(file, entry_at(2) + 25, c.capacity);
        datafiles_test::set_i32_at(file, entry_at(2) + 29, c.count);
        write(kFile, file);
        datafiles::load_memory_file();
        EXPECT_EQ(error_beeps(), c.beeps);
        EXPECT_EQ(memory_items[2], nullptr);
        EXPECT_EQ(memory_used[2], 0);
        EXPECT_EQ(memory_index[2].offset, -1);
        EXPECT_EQ(memory_index[2].count, 0);
        expect_same(loaded_items(3), items(1, 30));
    }
}

TEST_F(MemoryFile, CompactionKeepsTheLiveRecordsInMemoryOrderWithCapacityEqualToCount) {
    set_items(30, items(3, 300));
    set_items(2, items(6, 200));
    set_items(17, items(2, 170));
    ASSERT_TRUE(datafiles::save_memory_record(30));
    ASSERT_TRUE(datafiles::save_memory_record(2));
    ASSERT_TRUE(datafiles::save_memory_record(17));
    set_items(2, items(4, 210));  // in place: capacity 6 stays
    ASSERT_TRUE(datafiles::save_memory_record(2));
    set_items(17, items(5, 171));  // grows: appended, the old record is dead space
    ASSERT_TRUE(datafiles::save_memory_record(17));

    ASSERT_TRUE(datafiles::compact_memory_file(true));
    const std::vector<uint8_t> file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + (8 + 20) + (8 + 25) + (8 + 15));
    EXPECT_EQ(text_at(file, 0, 12), "VERSION 6.30");
    EXPECT_EQ(text_at(file, kFirstRecord, 8), "+-0002-+");
    expect_items_at(file, kFirstRecord + 8, items(4, 210));
    EXPECT_EQ(text_at(file, kFirstRecord + 28, 8), "+-0017-+");
    EXPECT_EQ(text_at(file, kFirstRecord + 61, 8), "+-0030-+");
    const int memories_[] = {2, 17, 30};
    const int32_t offsets[] = {132012, 132040, 132073};
    const int32_t counts[] = {4, 5, 3};
    for (int i = 0; i < 3; ++i) {
        const size_t entry = entry_at(memories_[i]);
        EXPECT_EQ(i32_at(file, entry + 21), offsets[i]);
        EXPECT_EQ(i32_at(file, entry + 25), counts[i]);
        EXPECT_EQ(i32_at(file, entry + 29), counts[i]);
        EXPECT_EQ(memory_index[memories_[i]].offset, offsets[i]);
        EXPECT_EQ(memory_index[memories_[i]].capacity, counts[i]);
    }
    EXPECT_EQ(data_folder_names(), std::vector<std::string>{"mem.dat"});

    datafiles::load_memory_file();
    expect_same(loaded_items(2), items(4, 210));
    expect_same(loaded_items(17), items(5, 171));
    expect_same(loaded_items(30), items(3, 300));
    EXPECT_EQ(error_beeps(), 0);
}

TEST_F(MemoryFile, CompactionWithoutReplaceLeavesTheNewCopyBeside) {
    set_items(5, items(2, 5));
    ASSERT_TRUE(datafiles::save_memory_record(5));
    set_items(5, items(9, 5));
    ASSERT_TRUE(datafiles::save_memory_record(5));
    const std::vector<uint8_t> before = read(kFile);
    ASSERT_TRUE(datafiles::compact_memory_file(false));
    EXPECT_EQ(read(kFile), before);
    const std::vector<uint8_t> copy = read("data/mem.da");
    ASSERT_EQ(copy.size(), kFirstRecord + 8 + 45);
    EXPECT_EQ(i32_at(copy, entry_at(5) + 21), 132012);
}

TEST_F(MemoryFile, RunningOutOfMemoryStopsTheLoadAndKeepsTheFileFromCompaction) {
    for (int m = 1; m <= 4; ++m) {
        set_items(m, items(m, static_cast<uint16_t>(m * 10)));
        ASSERT_TRUE(datafiles::save_memory_record(m));
    }
    datafiles::free_memory_items();
    ui::load_fonts();
    {
        const datafiles_test::AllocationLimit limit(2);
        datafiles::load_memory_file();
    }
    EXPECT_EQ(memory_used[1], 1);
    EXPECT_EQ(memory_used[2], 1);
    EXPECT_EQ(memory_used[3], 0);
    EXPECT_EQ(memory_used[4], 0);
    EXPECT_EQ(memory_index[3].count, 0);
    EXPECT_EQ(memory_items[4], nullptr);
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_EQ(tones(400, 1500), 1);
    EXPECT_GT(platform::count_pixels(4, platform::Rect{376, 135, 376 + 18 * 8 - 1, 135 + 7}), 0);
    EXPECT_TRUE(datafiles::memory_load_incomplete());

    const std::vector<uint8_t> before = read(kFile);
    EXPECT_FALSE(datafiles::compact_memory_file(true));
    EXPECT_EQ(read(kFile), before);
}

TEST_F(MemoryFile, TheCounterShowsTheLastMemoryRead) {
    ui::load_fonts();
    datafiles::load_memory_file();
    const platform::Rect number{376, 135, 376 + 32 - 1, 135 + 8 - 1};
    const std::string shown = platform::region_text(number);
    platform::_cleardevice();
    ui::draw_bitmap_text(376, 135, 14, "4000");
    EXPECT_EQ(shown, platform::region_text(number));
}

TEST_F(MemoryFile, ATruncatedFileKeepsEveryMemoryWhoseEntryAndRecordAreWhole) {
    for (int m = 1; m <= 40; ++m) {
        set_items(m, items(1 + m % 9, static_cast<uint16_t>(m)));
        ASSERT_TRUE(datafiles::save_memory_record(m));
    }
    const std::vector<uint8_t> whole = read(kFile);
    const size_t cuts[] = {0, 5, 12, 40, 500, 132011, kFirstRecord, kFirstRecord + 3, kFirstRecord + 30,
                           kFirstRecord + 200, whole.size() - 1};
    for (size_t cut : cuts) {
        SCOPED_TRACE(cut);
        const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        write(kFile, bytes);
        datafiles::load_memory_file();
        for (int m = 1; m <= 40; ++m) {
            const size_t record_end = static_cast<size_t>(i32_at(whole, entry_at(m) + 21)) + 8 + (1 + m % 9) * 5;
            const bool whole_on_file = entry_at(m) + 33 <= cut && record_end <= cut;
            ASSERT_EQ(memory_used[m], whole_on_file ? 1 : 0) << m;
            if (whole_on_file) {
                expect_same(loaded_items(m), items(1 + m % 9, static_cast<uint16_t>(m)));
            }
        }
        // The file is read, never rewritten, by the loader.
        EXPECT_EQ(read(kFile), bytes);
    }
}

TEST_F(MemoryFile, RandomFilesLoadWithoutHarm) {
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        std::vector<uint8_t> bytes = random_bytes(random, kFirstRecord + 400);
        if (round % 2 == 0) {
            // Mostly sensible entries with random places and counts.
            for (int m = 1; m <= 40; ++m) {
                datafiles_test::set_i32_at(bytes, entry_at(m) + 21, static_cast<int32_t>(kFirstRecord + random() % 500));
                datafiles_test::set_i32_at(bytes, entry_at(m) + 25, static_cast<int32_t>(random() % 100));
                datafiles_test::set_i32_at(bytes, entry_at(m) + 29, static_cast<int32_t>(random() % 100));
            }
        }
        write(kFile, bytes);
        datafiles::load_memory_file();
        for (int m = 1; m <= memories::kMemories; ++m) {
            if (memory_items[m] != nullptr) {
                ASSERT_EQ(memory_used[m], 1);
            }
        }
        EXPECT_LE(memories::memory_name(1).size(), 20u);
        EXPECT_EQ(read(kFile), bytes);
    }
}

// A mem.dat of random bytes: every record is refused, but only the first
// three beep (a second each); one message names the file and the count, and
// the bytes stay on disk as they were.
TEST_F(MemoryFile, ARandomFileLoadsWithinSecondsAndIsNamedOnce) {
    std::mt19937 random(2'000'000);
    const std::vector<uint8_t> bytes = random_bytes(random, 2'000'000);
    write(kFile, bytes);
    ui::load_fonts();
    const uint64_t started_ms = now_ms();
    datafiles::load_memory_file();
    EXPECT_LT(now_ms() - started_ms, 5'000u);
    EXPECT_EQ(error_beeps(), 3);
    int refused = 0;
    for (int m = 1; m <= memories::kMemories; ++m) {
        const datafiles::MemoryIndexEntry& entry = datafiles_test::entry_on_file(bytes, entry_at(m));
        refused += entry.offset != -1 && entry.count != 0;
    }
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "MEM.DAT: " + std::to_string(refused) + " RECORDS REFUSED");
    EXPECT_GT(platform::count_pixels(4, platform::Rect{200, 255, 639, 262}), 0);
    EXPECT_EQ(read(kFile), bytes);
    EXPECT_EQ(data_folder_names(), std::vector<std::string>{"mem.dat"});
}

// Places on file that a later store would write outside of its own room:
// inside the index, past the end, or over another memory's record.
TEST_F(MemoryFile, PlacesThatDoNotLieWithinTheirOwnRoomAreNotKeptForReuse) {
    struct Case {
        const char* what;
        int32_t offset;  // -2: memory 3's record
        int32_t capacity;
        int32_t count;
    };
    const Case cases[] = {
        {"empty, inside the index", 100, 50, 0},
        {"empty, far past the end", 500'000'000, 10, 0},
        {"empty, room past the end", -3, 100'000, 0},
        {"empty, over memory 3's record", -2, 1, 0},
        {"empty, no room", -3, 0, 0},
        {"loaded, room past the end", -4, 100'000, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        datafiles::init_memory_file();
        set_items(2, items(2, 20));
        set_items(3, items(1, 30));
        ASSERT_TRUE(datafiles::save_memory_record(2));
        ASSERT_TRUE(datafiles::save_memory_record(3));
        set_items(2, items(4, 21));
        ASSERT_TRUE(datafiles::save_memory_record(2));  // appended last
        std::vector<uint8_t> file = read(kFile);
        const int32_t third = i32_at(file, entry_at(3) + 21);
        const int32_t second = i32_at(file, entry_at(2) + 21);
        const auto dead = static_cast<int32_t>(kFirstRecord);  // memory 2's first record, now dead space
        const int32_t offset = c.offset == -2 ? third : c.offset == -3 ? dead : c.offset == -4 ? second : c.offset;
        datafiles_test::set_i32_at(file, entry_at(2) + 21, offset);
        datafiles_test::set_i32_at(file, entry_at(2) + 25, c.capacity);
        datafiles_test::set_i32_at(file, entry_at(2) + 29, c.count);
        write(kFile, file);
        datafiles::load_memory_file();
        EXPECT_EQ(memory_index[2].offset, -1);
        EXPECT_EQ(memory_index[2].capacity, 0);
        EXPECT_EQ(memory_used[2], c.count > 0 ? 1 : 0);
        EXPECT_EQ(datafiles::load_reports().size(), 1u);
        datafiles::clear_load_reports();

        set_items(2, items(1, 22));
        ASSERT_TRUE(datafiles::save_memory_record(2));
        EXPECT_EQ(memory_index[2].offset, static_cast<int32_t>(file.size()));
        EXPECT_EQ(size_of(kFile), file.size() + 8 + 5);
        datafiles::load_memory_file();
        expect_same(loaded_items(3), items(1, 30));
        expect_same(loaded_items(2), items(1, 22));
    }
}

// Two entries whose records overlap: neither keeps a place to write into.
TEST_F(MemoryFile, RecordsThatOverlapKeepTheirItemsButNotTheirPlaces) {
    set_items(4, items(3, 40));
    ASSERT_TRUE(datafiles::save_memory_record(4));
    std::vector<uint8_t> file = read(kFile);
    // Memory 5's record begins inside memory 4's items.
    const std::string tag = "+-0005-+";
    file.resize(kFirstRecord + 8 + 10);
    file.insert(file.end(), tag.begin(), tag.end());
    file.resize(file.size() + 5, 0);
    datafiles_test::set_i32_at(file, entry_at(5) + 21, static_cast<int32_t>(kFirstRecord + 18));
    datafiles_test::set_i32_at(file, entry_at(5) + 25, 1);
    datafiles_test::set_i32_at(file, entry_at(5) + 29, 1);
    write(kFile, file);
    datafiles::load_memory_file();
    EXPECT_EQ(memory_used[4], 1);
    EXPECT_EQ(memory_used[5], 1);
    EXPECT_EQ(memory_index[4].offset, -1);
    EXPECT_EQ(memory_index[5].offset, -1);
    EXPECT_EQ(memory_index[4].count, 3);
}

TEST_F(MemoryFile, RunningOutOfMemoryAtTheLastMemoryAlsoKeepsTheFileFromCompaction) {
    set_items(1, items(1, 1));
    set_items(4000, items(2, 4000));
    ASSERT_TRUE(datafiles::save_memory_record(1));
    ASSERT_TRUE(datafiles::save_memory_record(4000));
    datafiles::free_memory_items();
    {
        const datafiles_test::AllocationLimit limit(1);
        datafiles::load_memory_file();
    }
    EXPECT_EQ(memory_used[1], 1);
    EXPECT_EQ(memory_used[4000], 0);
    EXPECT_TRUE(datafiles::memory_load_incomplete());
    const std::vector<uint8_t> before = read(kFile);
    EXPECT_FALSE(datafiles::compact_memory_file(true));
    EXPECT_EQ(read(kFile), before);
}

TEST_F(MemoryFile, ACompactionAfterADamagedLoadKeepsTheFileAsACopyFirst) {
    const std::vector<uint8_t> file = store_7_and_9_with_a_wrong_tag_on_7();
    datafiles::load_memory_file();
    ASSERT_TRUE(datafiles::compact_memory_file(true));
    EXPECT_EQ(read("data/mem.k01"), file);
    EXPECT_EQ(size_of(kFile), kFirstRecord + 8 + 10);
    ASSERT_TRUE(datafiles::compact_memory_file(true));  // one copy of the damaged file is enough
    EXPECT_EQ(data_folder_names(), (std::vector<std::string>{"mem.dat", "mem.k01"}));
}

}  // namespace
