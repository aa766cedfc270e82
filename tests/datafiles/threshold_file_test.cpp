// The threshold file: thresholds saved and loaded back, blocks of zeros not
// written, block places reused, the function record capacity ending the
// blocks (a last partial block padded), damaged blocks refused with the
// error beep while the rest loads, the progress number, and truncated and
// random files.
#include "datafiles/threshold_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "runtime/card_discovery.h"
#include "runtime/show_tables.h"
#include "ui/bitmap_fonts.h"
#include "ui/helpers.h"

namespace {

using datafiles::kNotOnFile;
using datafiles::threshold_index;
using datafiles::threshold_programmed;
using datafiles::threshold_tables;
using datafiles_test::i32_at;
using datafiles_test::text_at;

constexpr size_t kEntryBytes = 101;
constexpr size_t kIndexBytes = 7070;
constexpr size_t kBlockRecordBytes = 11 + 128;

class ThresholdFile : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        ASSERT_TRUE(datafiles::create_record_file(datafiles::kThresholdFile));
    }
    void TearDown() override {
        datafiles::free_threshold_tables();
        DataDir::TearDown();
    }

    // Threshold t with a name and the given bytes of function records.
    static void program(int16_t t, const char* name, const std::vector<std::pair<int, uint8_t>>& bytes) {
        std::snprintf(threshold_index[static_cast<size_t>(t)].name.data(), datafiles::kEntryNameBytes, "%s", name);
        uint8_t* table = datafiles::allocate_threshold_table(t);
        ASSERT_NE(table, nullptr);
        for (const auto& [record, value] : bytes) table[record] = value;
    }
    // Loads the file afresh into emptied tables.
    static void reload() {
        datafiles::free_threshold_tables();
        threshold_index.fill({});
        datafiles::load_threshold_file();
    }
    static std::string name_of(int16_t t) { return threshold_index[static_cast<size_t>(t)].name.data(); }
    static uint8_t byte_of(int16_t t, int record) {
        const uint8_t* table = threshold_tables[static_cast<size_t>(t)];
        return table == nullptr ? 0 : table[record];
    }
    std::vector<uint8_t> file() const { return read("data/memthrsh.dat"); }
};

// ------------------------------------------------------------------ saving and loading

TEST_F(ThresholdFile, AThresholdIsSavedByBlocksAndLoadsBack) {
    program(3, "SLOW IN", {{1, 255}, {200, 128}, {2048, 3}});
    datafiles::save_threshold_record(3);

    const std::vector<uint8_t> bytes = file();
    ASSERT_EQ(bytes.size(), kIndexBytes + 3 * kBlockRecordBytes);
    const size_t entry = 2 * kEntryBytes;
    EXPECT_EQ(text_at(bytes, entry, 8), std::string("SLOW IN\0", 8));
    for (size_t b = 1; b <= 16; ++b) {
        const bool present = b == 1 || b == 2 || b == 16;
        EXPECT_EQ(bytes[entry + 20 + b], present ? 1 : 0) << "block " << b;
        if (!present) {
            EXPECT_EQ(i32_at(bytes, entry + 33 + 4 * b), kNotOnFile) << "block " << b;
        }
    }
    // Blocks in block order at the end of the file, each behind its tag.
    EXPECT_EQ(i32_at(bytes, entry + 37), 7070);
    EXPECT_EQ(i32_at(bytes, entry + 41), 7070 + 139);
    EXPECT_EQ(i32_at(bytes, entry + 97), 7070 + 2 * 139);
    EXPECT_EQ(text_at(bytes, 7070, 11), "+-0003.01-+");
    EXPECT_EQ(text_at(bytes, 7070 + 139, 11), "+-0003.02-+");
    EXPECT_EQ(text_at(bytes, 7070 + 278, 11), "+-0003.16-+");
    EXPECT_EQ(bytes[7070 + 11 + 0], 255);             // record 1
    EXPECT_EQ(bytes[7070 + 139 + 11 + 71], 128);      // record 200: block 2, byte 72
    EXPECT_EQ(bytes.back(), 3);                       // record 2048

    reload();
    EXPECT_EQ(name_of(3), "SLOW IN");
    EXPECT_EQ(threshold_programmed[3], 1);
    EXPECT_EQ(byte_of(3, 1), 255);
    EXPECT_EQ(byte_of(3, 200), 128);
    EXPECT_EQ(byte_of(3, 2048), 3);
    EXPECT_EQ(byte_of(3, 2), 0);
    EXPECT_EQ(threshold_programmed[4], 0);
    EXPECT_EQ(threshold_tables[4], nullptr);
    EXPECT_EQ(error_beeps(), 0);
}

TEST_F(ThresholdFile, AnAllZeroThresholdWritesNoBlockButItsName) {
    program(70, "EMPTY", {{5, 0}});
    datafiles::save_threshold_record(70);
    const std::vector<uint8_t> bytes = file();
    ASSERT_EQ(bytes.size(), kIndexBytes);
    const size_t entry = 69 * kEntryBytes;
    EXPECT_EQ(text_at(bytes, entry, 6), std::string("EMPTY\0", 6));
    for (size_t b = 1; b <= 16; ++b) {
        EXPECT_EQ(bytes[entry + 20 + b], 0);
        EXPECT_EQ(i32_at(bytes, entry + 33 + 4 * b), kNotOnFile);
    }
    reload();
    EXPECT_EQ(name_of(70), "EMPTY");
    EXPECT_EQ(threshold_programmed[70], 0);
    EXPECT_EQ(threshold_tables[70], nullptr);
}

TEST_F(ThresholdFile, SavingAgainReusesTheBlockPlaces) {
    program(1, "A", {{10, 9}, {300, 9}});
    datafiles::save_threshold_record(1);
    const auto offsets = threshold_index[1].block_offsets;
    const uintmax_t size = size_of("data/memthrsh.dat");

    threshold_tables[1][10] = 40;
    datafiles::save_threshold_record(1);
    EXPECT_EQ(size_of("data/memthrsh.dat"), size);
    EXPECT_EQ(threshold_index[1].block_offsets, offsets);

    // Block 1 emptied keeps its place; filled again later, it goes back there.
    threshold_tables[1][10] = 0;
    datafiles::save_threshold_record(1);
    EXPECT_EQ(threshold_index[1].block_present[1], 0);
    EXPECT_EQ(threshold_index[1].block_offsets[1], offsets[1]);
    threshold_tables[1][128] = 77;
    datafiles::save_threshold_record(1);
    EXPECT_EQ(size_of("data/memthrsh.dat"), size);
    EXPECT_EQ(threshold_index[1].block_offsets, offsets);

    reload();
    EXPECT_EQ(byte_of(1, 128), 77);
    EXPECT_EQ(byte_of(1, 10), 0);
    EXPECT_EQ(byte_of(1, 300), 9);
}

TEST_F(ThresholdFile, TwoThresholdsShareTheFileWithoutTouchingEachOther) {
    program(1, "ONE", {{1, 1}});
    datafiles::save_threshold_record(1);
    program(2, "TWO", {{1, 2}});
    datafiles::save_threshold_record(2);
    threshold_tables[1][1] = 11;
    datafiles::save_threshold_record(1);
    reload();
    EXPECT_EQ(byte_of(1, 1), 11);
    EXPECT_EQ(byte_of(2, 1), 2);
    EXPECT_EQ(name_of(2), "TWO");
    EXPECT_EQ(size_of("data/memthrsh.dat"), kIndexBytes + 2 * kBlockRecordBytes);
}

TEST_F(ThresholdFile, TheRecordCapacityEndsTheBlocksAndALastPartialBlockIsKeptPadded) {
    // Written with 2048 records: blocks 1, 3 and 4.
    program(5, "WIDE", {{1, 10}, {300, 30}, {350, 35}, {400, 40}});
    datafiles::save_threshold_record(5);
    ASSERT_EQ(size_of("data/memthrsh.dat"), kIndexBytes + 3 * kBlockRecordBytes);

    // With 300 records blocks 1 to 3 are read, block 3 up to record 300 only.
    runtime::function_record_capacity = 300;
    EXPECT_EQ(datafiles::threshold_block_count(), 3);
    reload();
    EXPECT_EQ(byte_of(5, 1), 10);
    EXPECT_EQ(byte_of(5, 300), 30);
    // Block 4 keeps its place in the index, so a larger rig still finds it.
    EXPECT_EQ(threshold_index[5].block_present[4], 1);
    EXPECT_EQ(threshold_index[5].block_offsets[4], 7070 + 2 * 139);

    // Saving with 300 records writes block 3 in its place, padded with
    // zeros past record 300, and leaves block 4 alone.
    threshold_tables[5][257] = 99;
    datafiles::save_threshold_record(5);
    EXPECT_EQ(size_of("data/memthrsh.dat"), kIndexBytes + 3 * kBlockRecordBytes);
    runtime::function_record_capacity = 2048;
    reload();
    EXPECT_EQ(byte_of(5, 257), 99);
    EXPECT_EQ(byte_of(5, 300), 30);
    EXPECT_EQ(byte_of(5, 350), 0);
    EXPECT_EQ(byte_of(5, 400), 40);
}

TEST_F(ThresholdFile, ThresholdNumbersOutsideTheTableAreNotSaved) {
    const std::vector<uint8_t> before = file();
    datafiles::save_threshold_record(0);
    datafiles::save_threshold_record(71);
    datafiles::save_threshold_record(-1);
    EXPECT_EQ(file(), before);
}

// ------------------------------------------------------------------ failures

TEST_F(ThresholdFile, WithoutTheFileEveryThresholdIsEmpty) {
    program(2, "OLD", {{1, 5}});
    remove("data/memthrsh.dat");
    datafiles::load_threshold_file();
    for (size_t t = 1; t <= 70; ++t) {
        EXPECT_EQ(threshold_tables[t], nullptr);
        EXPECT_EQ(threshold_programmed[t], 0);
        EXPECT_EQ(threshold_index[t].name[0], '\0');
        EXPECT_EQ(threshold_index[t].block_offsets[1], kNotOnFile);
    }
    datafiles::save_threshold_record(2);  // nothing to update: not created either
    EXPECT_FALSE(has("data/memthrsh.dat"));
    EXPECT_EQ(error_beeps(), 0);
}

TEST_F(ThresholdFile, ADamagedBlockCostsOnlyItself) {
    program(7, "SEVEN", {{1, 1}, {129, 2}});
    datafiles::save_threshold_record(7);
    program(8, "EIGHT", {{1, 8}});
    datafiles::save_threshold_record(8);
    std::vector<uint8_t> bytes = file();
    bytes[7070 + 139 + 7] = '9';  // block 2 of threshold 7: "+-0007.92-+"
    write("data/memthrsh.dat", bytes);

    reload();
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_EQ(byte_of(7, 1), 1);
    EXPECT_EQ(byte_of(7, 129), 0);
    EXPECT_EQ(threshold_index[7].block_offsets[2], kNotOnFile);
    EXPECT_EQ(threshold_index[7].block_present[2], 0);
    EXPECT_EQ(threshold_programmed[7], 1);
    EXPECT_EQ(byte_of(8, 1), 8);
    // The file keeps the damaged bytes until the block is saved again.
    EXPECT_EQ(file(), bytes);
}

TEST_F(ThresholdFile, ACutOffBlockSoundsTheErrorBeep) {
    program(9, "NINE", {{1, 1}, {129, 2}});
    datafiles::save_threshold_record(9);
    std::vector<uint8_t> bytes = file();
    bytes.resize(bytes.size() - 1);
    write("data/memthrsh.dat", bytes);
    reload();
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_EQ(byte_of(9, 1), 1);
    EXPECT_EQ(threshold_index[9].block_offsets[2], kNotOnFile);
}

TEST_F(ThresholdFile, AnOffsetThatCannotBeReachedEmptiesTheBlockSilently) {
    std::vector<uint8_t> bytes = file();
    datafiles_test::set_i32_at(bytes, 4 * kEntryBytes + 37, -77);  // threshold 5, block 1
    bytes[4 * kEntryBytes + 21] = 1;
    write("data/memthrsh.dat", bytes);
    reload();
    EXPECT_EQ(error_beeps(), 0);
    EXPECT_EQ(threshold_index[5].block_offsets[1], kNotOnFile);
    EXPECT_EQ(threshold_programmed[5], 0);
}

TEST_F(ThresholdFile, AThresholdWhoseTableCannotBeAllocatedHasNoData) {
    program(1, "ONE", {{1, 1}});
    datafiles::save_threshold_record(1);
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    reload();
    runtime::show_table_allocator = memcheck::mc_malloc_at;
    EXPECT_EQ(threshold_tables[1], nullptr);
    EXPECT_EQ(threshold_programmed[1], 0);
    EXPECT_EQ(name_of(1), "ONE");
}

TEST_F(ThresholdFile, TruncatedAndRandomFilesLoadWithoutHarm) {
    program(1, "ONE", {{1, 1}, {2048, 2}});
    datafiles::save_threshold_record(1);
    const std::vector<uint8_t> good = file();
    std::mt19937 random(7070);
    for (size_t size : {size_t{0}, size_t{50}, size_t{101}, size_t{7069}, size_t{7071}, good.size() - 1}) {
        SCOPED_TRACE(size);
        write("data/memthrsh.dat", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(std::min(size, good.size()))));
        reload();
        if (size < 101) {
            EXPECT_EQ(name_of(1), "");
        }
    }
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> bytes = random_bytes(random, 7070 + static_cast<size_t>(round) * 500);
        // Offsets that point into the file now and then.
        for (size_t t = 0; t < 70; t += 3) datafiles_test::set_i32_at(bytes, t * kEntryBytes + 37, 7070 + round);
        write("data/memthrsh.dat", bytes);
        reload();
        for (size_t t = 1; t <= 70; ++t) {
            ASSERT_LE(std::strlen(threshold_index[t].name.data()), 20u);
            ASSERT_EQ(threshold_programmed[t], threshold_tables[t] != nullptr ? 1 : 0);
        }
    }
}

// A memthrsh.dat of random bytes: of its many bad blocks only the first
// three beep, one message names the file and the count, and the file stays.
TEST_F(ThresholdFile, ARandomFileLoadsWithinSecondsAndIsNamedOnce) {
    std::mt19937 random(70);
    std::vector<uint8_t> bytes = random_bytes(random, 200'000);
    int on_file = 0;
    for (size_t t = 0; t < 70; ++t) {
        for (size_t b = 1; b <= 16; ++b) {
            // Offsets within the file, so that each block is read and refused by its tag.
            const auto offset = static_cast<int32_t>(7070 + random() % 100'000);
            datafiles_test::set_i32_at(bytes, t * kEntryBytes + 33 + 4 * b, offset);
            ++on_file;
        }
    }
    write("data/memthrsh.dat", bytes);
    ui::load_fonts();
    const uint64_t started_ms = now_ms();
    reload();
    EXPECT_LT(now_ms() - started_ms, 5'000u);
    EXPECT_EQ(error_beeps(), 3);
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "MEMTHRSH.DAT: " + std::to_string(on_file) + " RECORDS REFUSED");
    EXPECT_EQ(file(), bytes);
}

// ------------------------------------------------------------------ progress

TEST_F(ThresholdFile, TheNumberOfTheLastThresholdReadIsShown) {
    ui::load_fonts();
    datafiles::load_threshold_file();
    const platform::Rect number{376, 155, 376 + 16 - 1, 155 + 8 - 1};
    const std::string shown = platform::region_text(number);
    platform::_cleardevice();
    ui::draw_bitmap_text(376, 155, 14, "70");
    EXPECT_EQ(shown, platform::region_text(number));
    EXPECT_GT(platform::count_pixels(14, number), 0);
}

}  // namespace
