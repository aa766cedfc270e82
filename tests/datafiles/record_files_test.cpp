// The indexed record files: empty files of the exact sizes, fixed-length
// tags, the index-entry forms byte by byte, the slot rule of the item lists
// (in place when the slot holds the list, appended otherwise), fixed records,
// entry rewrites, reading a record back and whole-file replacement.
#include "datafiles/record_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data_dir.h"
#include "platform/dos_files.h"

namespace {

using datafiles::kNotOnFile;
using datafiles::MemoryItem;
using datafiles::RecordFileLayout;
using datafiles::RecordRead;
using datafiles_test::i32_at;
using datafiles_test::text_at;

class RecordFiles : public datafiles_test::DataDir {};

std::vector<MemoryItem> items(int count, uint16_t first_value) {
    std::vector<MemoryItem> list;
    for (int i = 0; i < count; ++i) {
        list.push_back({static_cast<uint8_t>(1 + i % 5), static_cast<uint16_t>(100 + i),
                        static_cast<uint16_t>(first_value + i)});
    }
    return list;
}

// The items as they lie on file behind a tag.
void expect_items_at(const std::vector<uint8_t>& file, size_t at, const std::vector<MemoryItem>& list) {
    for (size_t i = 0; i < list.size(); ++i) {
        const size_t item = at + i * datafiles::kMemoryItemBytes;
        EXPECT_EQ(file.at(item), list[i].kind) << "item " << i;
        EXPECT_EQ(datafiles_test::u16_at(file, item + 1), list[i].index) << "item " << i;
        EXPECT_EQ(datafiles_test::u16_at(file, item + 3), list[i].value) << "item " << i;
    }
}

// ------------------------------------------------------------------ empty files

TEST_F(RecordFiles, EmptyFilesHaveTheirExactSizesVersionTextsAndEmptyEntries) {
    struct Case {
        RecordFileLayout layout;
        const char* file;
        uintmax_t size;
    };
    const Case cases[] = {
        {datafiles::kMemoryFile, "data/mem.dat", 132012},
        {datafiles::kPresetFile, "data/presets.dat", 18492},
        {datafiles::kMemCueFile, "data/memcues.dat", 24012},
        {datafiles::kPointcueFile, "data/cuemem.dat", 302412},
        {datafiles::kCueSequenceFile, "data/cueseq.dat", 224012},
        {datafiles::kCuePlaybackFile, "data/cueplayb.dat", 2352012},
        {datafiles::kThresholdFile, "data/memthrsh.dat", 7070},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(datafiles::create_record_file(c.layout));
        const std::vector<uint8_t> file = read(c.file);
        ASSERT_EQ(file.size(), c.size);
        EXPECT_EQ(datafiles::index_end(c.layout), static_cast<int64_t>(c.size));
        const size_t header = std::string(c.layout.version_text).size();
        EXPECT_EQ(text_at(file, 0, header), c.layout.version_text);
        // The last entry is empty: offsets -1, everything else 0.
        const auto last = static_cast<size_t>(datafiles::index_position(c.layout, c.layout.entries));
        std::vector<uint8_t> expected(c.layout.entry_bytes, 0);
        switch (c.layout.entry_bytes) {
            case 33: datafiles_test::set_i32_at(expected, 21, -1); break;
            case 12: datafiles_test::set_i32_at(expected, 0, -1); break;
            case 27: datafiles_test::set_i32_at(expected, 23, -1); break;
            case 5: datafiles_test::set_i32_at(expected, 1, -1); break;
            case 101:
                for (size_t b = 1; b <= 16; ++b) datafiles_test::set_i32_at(expected, 33 + 4 * b, -1);
                break;
        }
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(last), file.end()), expected);
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(header),
                                       file.begin() + static_cast<std::ptrdiff_t>(header + expected.size())),
                  expected);
    }
}

TEST_F(RecordFiles, CreatingReplacesAnOldFileAndLeavesNoScratchFile) {
    write("data/presets.dat", std::vector<uint8_t>(50000, 0xAB));
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kPresetFile));
    EXPECT_EQ(size_of("data/presets.dat"), 18492u);
    EXPECT_EQ(data_folder_names(), std::vector<std::string>{"presets.dat"});
}

// ------------------------------------------------------------------ tags and entries

TEST(RecordTags, AreZeroPaddedToTheirFixedLength) {
    struct Case {
        std::string tag;
        size_t length;
        const char* expected;
    };
    const Case cases[] = {
        {datafiles::record_tag(datafiles::kMemoryFile, 7), datafiles::tag_chars(datafiles::kMemoryFile), "+-0007-+"},
        {datafiles::record_tag(datafiles::kPresetFile, 7), datafiles::tag_chars(datafiles::kPresetFile), "+-007-+"},
        {datafiles::record_tag(datafiles::kMemCueFile, 2000), datafiles::tag_chars(datafiles::kMemCueFile), "+-2000-+"},
        {datafiles::record_tag(datafiles::kPointcueFile, 11200), datafiles::tag_chars(datafiles::kPointcueFile),
         "+-11200-+"},
        {datafiles::record_tag(datafiles::kCueSequenceFile, 5), datafiles::tag_chars(datafiles::kCueSequenceFile),
         "+-00005-+"},
        {datafiles::record_tag(datafiles::kCuePlaybackFile, 42), datafiles::tag_chars(datafiles::kCuePlaybackFile),
         "+-000042-+"},
        {datafiles::threshold_tag(3, 2), datafiles::tag_chars(datafiles::kThresholdFile), "+-0003.02-+"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.tag, c.expected);
        EXPECT_EQ(c.tag.size(), c.length) << c.expected;
    }
}

TEST(IndexEntries, AreWrittenFieldByFieldAtTheirOffsets) {
    datafiles::MemoryIndexEntry memory;
    std::snprintf(memory.name.data(), memory.name.size(), "WASH 3");
    memory.offset = 0x01020304;
    memory.capacity = 12;
    memory.count = -2;
    std::vector<uint8_t> bytes(33);
    datafiles::encode(memory, std::span<uint8_t, 33>(bytes.data(), 33));
    EXPECT_EQ(text_at(bytes, 0, 7), std::string("WASH 3\0", 7));
    EXPECT_EQ(bytes[21], 0x04);
    EXPECT_EQ(bytes[24], 0x01);
    EXPECT_EQ(i32_at(bytes, 25), 12);
    EXPECT_EQ(i32_at(bytes, 29), -2);

    datafiles::CueHeader header;
    header.programmed = 1;
    header.present = 1;
    header.offset = 302412;
    bytes.assign(27, 0xFF);
    datafiles::encode(header, std::span<uint8_t, 27>(bytes.data(), 27));
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[21], 1);
    EXPECT_EQ(bytes[22], 1);
    EXPECT_EQ(i32_at(bytes, 23), 302412);

    datafiles::ThresholdIndexEntry threshold;
    threshold.block_present[1] = 1;
    threshold.block_present[16] = 1;
    threshold.block_offsets[1] = 7070;
    threshold.block_offsets[16] = 7209;
    bytes.assign(101, 0);
    datafiles::encode(threshold, std::span<uint8_t, 101>(bytes.data(), 101));
    EXPECT_EQ(bytes[21], 1);   // block 1 at +20 + 1
    EXPECT_EQ(bytes[22], 0);
    EXPECT_EQ(bytes[36], 1);   // block 16 at +20 + 16
    EXPECT_EQ(i32_at(bytes, 37), 7070);   // block 1 at +33 + 4
    EXPECT_EQ(i32_at(bytes, 41), -1);
    EXPECT_EQ(i32_at(bytes, 97), 7209);   // block 16 at +33 + 64

    datafiles::ThresholdIndexEntry back;
    datafiles::decode(std::span<const uint8_t, 101>(bytes.data(), 101), back);
    EXPECT_EQ(back.block_present, threshold.block_present);
    EXPECT_EQ(back.block_offsets, threshold.block_offsets);
}

TEST(IndexEntries, ANameReadFromAFileIsCutToTwentyCharacters) {
    std::vector<uint8_t> bytes(33, 'X');
    datafiles::MemoryIndexEntry entry;
    datafiles::decode(std::span<const uint8_t, 33>(bytes.data(), 33), entry);
    EXPECT_EQ(std::string(entry.name.data()), std::string(20, 'X'));
}

// ------------------------------------------------------------------ item lists

// A memory of 10 items, then 12, then 5.
TEST_F(RecordFiles, AGrowingListMovesToTheEndAndAShorterOneReusesItsSlot) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kMemoryFile));
    const int32_t m = 7;
    const size_t entry_at = 12 + (m - 1) * 33;
    datafiles::MemoryIndexEntry entry;
    std::snprintf(entry.name.data(), entry.name.size(), "SPOTS");

    const std::vector<MemoryItem> ten = items(10, 1000);
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, m, entry, ten));
    EXPECT_EQ(entry.offset, 132012);
    EXPECT_EQ(entry.capacity, 10);
    EXPECT_EQ(entry.count, 10);
    std::vector<uint8_t> file = read("data/mem.dat");
    ASSERT_EQ(file.size(), 132012u + 8 + 50);
    EXPECT_EQ(text_at(file, 132012, 8), "+-0007-+");
    expect_items_at(file, 132020, ten);

    const std::vector<MemoryItem> twelve = items(12, 2000);
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, m, entry, twelve));
    EXPECT_EQ(entry.offset, 132070);
    EXPECT_EQ(entry.capacity, 12);
    EXPECT_EQ(entry.count, 12);
    file = read("data/mem.dat");
    ASSERT_EQ(file.size(), 132070u + 8 + 60);
    expect_items_at(file, 132020, ten);  // the old slot stays as dead space
    EXPECT_EQ(text_at(file, 132070, 8), "+-0007-+");
    expect_items_at(file, 132078, twelve);

    const std::vector<MemoryItem> five = items(5, 3000);
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, m, entry, five));
    EXPECT_EQ(entry.offset, 132070);
    EXPECT_EQ(entry.capacity, 12);
    EXPECT_EQ(entry.count, 5);
    file = read("data/mem.dat");
    ASSERT_EQ(file.size(), 132138u);
    expect_items_at(file, 132078, five);
    // The rest of the slot is left as it was.
    expect_items_at(file, 132078 + 5 * 5, std::vector<MemoryItem>(twelve.begin() + 5, twelve.end()));

    // The entry on file says the same.
    EXPECT_EQ(text_at(file, entry_at, 6), std::string("SPOTS\0", 6));
    EXPECT_EQ(i32_at(file, entry_at + 21), 132070);
    EXPECT_EQ(i32_at(file, entry_at + 25), 12);
    EXPECT_EQ(i32_at(file, entry_at + 29), 5);
    // Its neighbours are untouched.
    EXPECT_EQ(i32_at(file, entry_at - 33 + 21), -1);
    EXPECT_EQ(i32_at(file, entry_at + 33 + 21), -1);
}

TEST_F(RecordFiles, AnEmptyListRewritesOnlyTheEntryAndKeepsTheSlot) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kMemoryFile));
    datafiles::MemoryIndexEntry entry;
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, 4000, entry, items(8, 1)));
    const std::vector<uint8_t> before = read("data/mem.dat");

    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, 4000, entry, {}));
    EXPECT_EQ(entry.offset, 132012);
    EXPECT_EQ(entry.capacity, 8);
    EXPECT_EQ(entry.count, 0);
    std::vector<uint8_t> after = read("data/mem.dat");
    ASSERT_EQ(after.size(), before.size());
    const size_t entry_at = 12 + 3999 * 33;
    EXPECT_EQ(i32_at(after, entry_at + 29), 0);
    EXPECT_EQ(i32_at(after, entry_at + 21), 132012);
    EXPECT_EQ(i32_at(after, entry_at + 25), 8);
    after[entry_at + 29] = 8;  // the count is the only change
    EXPECT_EQ(after, before);

    // A later list that fits goes back into the kept slot.
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, 4000, entry, items(3, 9)));
    EXPECT_EQ(entry.offset, 132012);
    EXPECT_EQ(entry.count, 3);
    EXPECT_EQ(size_of("data/mem.dat"), before.size());
}

TEST_F(RecordFiles, CueMemoryListsFollowTheSameRuleWithTwelveByteEntries) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kMemCueFile));
    datafiles::MemCueIndexEntry entry;
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemCueFile, 2000, entry, items(2, 5)));
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemCueFile, 2000, entry, items(4, 5)));
    const std::vector<uint8_t> file = read("data/memcues.dat");
    EXPECT_EQ(file.size(), 24012u + (8 + 10) + (8 + 20));
    const size_t entry_at = 12 + 1999 * 12;
    EXPECT_EQ(i32_at(file, entry_at), 24012 + 18);
    EXPECT_EQ(i32_at(file, entry_at + 4), 4);
    EXPECT_EQ(i32_at(file, entry_at + 8), 4);
    EXPECT_EQ(text_at(file, 24030, 8), "+-2000-+");
}

TEST_F(RecordFiles, ASlotOffsetInsideTheIndexIsNeverWrittenOver) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kPresetFile));
    datafiles::MemoryIndexEntry entry;
    entry.offset = 12;  // damaged: points at the index itself
    entry.capacity = 100;
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kPresetFile, 1, entry, items(2, 1)));
    EXPECT_EQ(entry.offset, 18492);
    EXPECT_EQ(entry.capacity, 2);
    const std::vector<uint8_t> file = read("data/presets.dat");
    EXPECT_EQ(text_at(file, 0, 12), "VERSION 6.31");
    EXPECT_EQ(i32_at(file, 12 + 33 + 21), -1);  // entry 2 intact
}

TEST_F(RecordFiles, AWriteToAMissingFileChangesNothing) {
    datafiles::MemoryIndexEntry entry;
    EXPECT_FALSE(datafiles::write_item_list_record(datafiles::kMemoryFile, 1, entry, items(3, 1)));
    EXPECT_EQ(entry.offset, kNotOnFile);
    EXPECT_EQ(entry.count, 0);
    EXPECT_FALSE(has("data/mem.dat"));

    datafiles::CueRecordIndexEntry record;
    record.present = 1;
    const std::vector<uint8_t> payload(444, 7);
    EXPECT_FALSE(datafiles::write_fixed_record(datafiles::kCueSequenceFile, 1, record, payload));
    EXPECT_EQ(record.offset, kNotOnFile);
}

TEST_F(RecordFiles, EntryNumbersOutsideTheIndexAreRefused) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kPresetFile));
    datafiles::MemoryIndexEntry entry;
    EXPECT_FALSE(datafiles::write_item_list_record(datafiles::kPresetFile, 0, entry, items(1, 1)));
    EXPECT_FALSE(datafiles::write_item_list_record(datafiles::kPresetFile, 561, entry, items(1, 1)));
    EXPECT_FALSE(datafiles::write_index_field(datafiles::kPresetFile, 561, 0, std::vector<uint8_t>(21)));
    EXPECT_EQ(size_of("data/presets.dat"), 18492u);
}

// ------------------------------------------------------------------ fixed records

TEST_F(RecordFiles, AFixedRecordIsAppendedOnceThenRewrittenInPlace) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kCueSequenceFile));
    datafiles::CueRecordIndexEntry entry;
    entry.present = 1;
    std::vector<uint8_t> payload(444, 0x11);
    ASSERT_TRUE(datafiles::write_fixed_record(datafiles::kCueSequenceFile, 5, entry, payload));
    EXPECT_EQ(entry.offset, 224012);
    payload.assign(444, 0x22);
    ASSERT_TRUE(datafiles::write_fixed_record(datafiles::kCueSequenceFile, 5, entry, payload));
    EXPECT_EQ(entry.offset, 224012);

    std::vector<uint8_t> file = read("data/cueseq.dat");
    ASSERT_EQ(file.size(), 224012u + 9 + 444);
    EXPECT_EQ(text_at(file, 224012, 9), "+-00005-+");
    EXPECT_EQ(file[224021], 0x22);
    EXPECT_EQ(file.back(), 0x22);
    EXPECT_EQ(file[12 + 4 * 5], 1);
    EXPECT_EQ(i32_at(file, 12 + 4 * 5 + 1), 224012);

    // Marked absent: only the entry is written; the record stays on file.
    entry.present = 0;
    ASSERT_TRUE(datafiles::write_fixed_record(datafiles::kCueSequenceFile, 5, entry, {}));
    file = read("data/cueseq.dat");
    EXPECT_EQ(file.size(), 224012u + 9 + 444);
    EXPECT_EQ(file[12 + 4 * 5], 0);
    EXPECT_EQ(i32_at(file, 12 + 4 * 5 + 1), 224012);
}

TEST_F(RecordFiles, APointCueHeaderKeepsItsNameAndFlags) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kPointcueFile));
    datafiles::CueHeader header;
    std::snprintf(header.name.data(), header.name.size(), "INTRO");
    header.programmed = 1;
    header.present = 1;
    ASSERT_TRUE(datafiles::write_fixed_record(datafiles::kPointcueFile, 11200, header, std::vector<uint8_t>(23, 3)));
    const std::vector<uint8_t> file = read("data/cuemem.dat");
    const size_t entry_at = 12 + 11199 * 27;
    EXPECT_EQ(text_at(file, entry_at, 6), std::string("INTRO\0", 6));
    EXPECT_EQ(file[entry_at + 21], 1);
    EXPECT_EQ(file[entry_at + 22], 1);
    EXPECT_EQ(i32_at(file, entry_at + 23), 302412);
    EXPECT_EQ(text_at(file, 302412, 9), "+-11200-+");
    EXPECT_EQ(file.size(), 302412u + 9 + 23);
}

TEST_F(RecordFiles, APayloadOfTheWrongSizeIsRefused) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kCuePlaybackFile));
    datafiles::CueRecordIndexEntry entry;
    entry.present = 1;
    EXPECT_FALSE(datafiles::write_fixed_record(datafiles::kCuePlaybackFile, 1, entry, std::vector<uint8_t>(15)));
    EXPECT_EQ(size_of("data/cueplayb.dat"), 2352012u);
}

// ------------------------------------------------------------------ entry rewrites

TEST_F(RecordFiles, ANameIsRewrittenInItsEntryAlone) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kPresetFile));
    const std::vector<uint8_t> before = read("data/presets.dat");
    std::vector<uint8_t> name(21, 0);
    std::snprintf(reinterpret_cast<char*>(name.data()), name.size(), "RED");
    ASSERT_TRUE(datafiles::write_index_field(datafiles::kPresetFile, 7, 0, name));
    const std::vector<uint8_t> after = read("data/presets.dat");
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        const bool in_name = i >= 12 + 6 * 33 && i < 12 + 6 * 33 + 21;
        if (!in_name) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(text_at(after, 12 + 6 * 33, 4), std::string("RED\0", 4));
}

// ------------------------------------------------------------------ reading

TEST_F(RecordFiles, ARecordReadsBackOnlyWithItsTagAndWholePayload) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kCuePlaybackFile));
    datafiles::CueRecordIndexEntry entry;
    entry.present = 1;
    std::vector<uint8_t> payload(16);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i + 1);
    ASSERT_TRUE(datafiles::write_fixed_record(datafiles::kCuePlaybackFile, 9, entry, payload));

    FILE* file = platform::dos_fopen("C:\\BRAVINOX\\data\\cueplayb.dat", "rb");
    ASSERT_NE(file, nullptr);
    const int64_t size = datafiles::stream_size(file);
    EXPECT_EQ(size, 2352012 + 10 + 16);
    EXPECT_TRUE(datafiles::check_version_text(file, "VERSION 6.01"));
    const int64_t first = datafiles::index_end(datafiles::kCuePlaybackFile);
    struct Case {
        const char* what;
        int64_t offset;
        std::string tag;
        RecordRead expected;
    };
    const Case cases[] = {
        {"its own record", entry.offset, "+-000009-+", RecordRead::ok},
        {"another entry's tag", entry.offset, "+-000008-+", RecordRead::tag_mismatch},
        {"inside the index", 12, "+-000009-+", RecordRead::tag_mismatch},
        {"payload past the end", entry.offset + 1, "-000009-+\x01", RecordRead::short_read},
        {"past the end", size + 100, "+-000009-+", RecordRead::short_read},
        {"negative", -5, "+-000009-+", RecordRead::bad_offset},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> got(16, 0);
        EXPECT_EQ(datafiles::read_tagged_record(file, size, first, c.offset, c.tag, got), c.expected) << c.what;
        if (c.expected == RecordRead::ok) {
            EXPECT_EQ(got, payload);
        }
    }
    std::fclose(file);
}

TEST_F(RecordFiles, AnOlderVersionTextIsSeen) {
    write("data/mem.dat", std::vector<uint8_t>{'V', 'E', 'R', 'S', 'I', 'O', 'N', ' ', '6', '.', '0', '1'});
    FILE* file = platform::dos_fopen("C:\\BRAVINOX\\data\\mem.dat", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(datafiles::check_version_text(file, "VERSION 6.30"));
    std::fclose(file);
    write("data/mem.dat", std::vector<uint8_t>{'V', 'E', 'R'});
    file = platform::dos_fopen("C:\\BRAVINOX\\data\\mem.dat", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(datafiles::check_version_text(file, "VERSION 6.30"));
    std::fclose(file);
}

TEST(ItemCounts, AreBoundedByTheSlotAndByTheFile) {
    const RecordFileLayout& mem = datafiles::kMemoryFile;
    const int32_t at = 132012;
    const int64_t size = at + 8 + 10 * 5;  // room for ten items
    struct Case {
        const char* what;
        int32_t offset, capacity, count;
        int32_t expected;
    };
    const Case cases[] = {
        {"as written", at, 10, 10, 10},
        {"count above the capacity", at, 6, 10, 6},
        {"more than the file holds", at, 1000000, 1000000, 10},
        {"negative count", at, 10, -3, 0},
        {"negative capacity", at, -1, 5, 0},
        {"not on file", kNotOnFile, 10, 10, 0},
        {"inside the index", 40, 10, 10, 0},
        {"behind the end", static_cast<int32_t>(size), 10, 10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(datafiles::bounded_item_count(mem, c.offset, c.capacity, c.count, size), c.expected) << c.what;
    }
}

// ------------------------------------------------------------------ whole files

TEST_F(RecordFiles, AFileReplacedWholeKeepsItsOldContentWhenTheNewOneCannotBeWritten) {
    write("data/curve.dat", std::vector<uint8_t>(4096, 9));
    // A directory where the scratch copy would go: the new copy can't be made.
    std::filesystem::create_directories(dir_.folder() / "data" / "curve.$$$");
    EXPECT_FALSE(datafiles::replace_file("C:\\BRAVINOX\\data\\curve.dat", std::vector<uint8_t>(10, 1)));
    EXPECT_EQ(read("data/curve.dat"), std::vector<uint8_t>(4096, 9));

    std::filesystem::remove(dir_.folder() / "data" / "curve.$$$");
    EXPECT_TRUE(datafiles::replace_file("C:\\BRAVINOX\\data\\curve.dat", std::vector<uint8_t>(10, 1)));
    EXPECT_EQ(read("data/curve.dat"), std::vector<uint8_t>(10, 1));
    EXPECT_EQ(data_folder_names(), std::vector<std::string>{"curve.dat"});
}

TEST_F(RecordFiles, AReplacementIsCommittedAndRenamedOverTheOldFileInOneStep) {
    write("data/curve.dat", std::vector<uint8_t>(4096, 9));
    // Where an old copy would go, nothing can be made: the file is never moved aside.
    std::filesystem::create_directories(dir_.folder() / "data" / "curve.$$O");
    const uint32_t files_before = machine_->dos.files_committed;
    const uint32_t folders_before = machine_->dos.directories_committed;
    EXPECT_TRUE(datafiles::replace_file("C:\\BRAVINOX\\data\\curve.dat", std::vector<uint8_t>(10, 1)));
    EXPECT_EQ(read("data/curve.dat"), std::vector<uint8_t>(10, 1));
    EXPECT_EQ(machine_->dos.files_committed, files_before + 1);
    EXPECT_EQ(machine_->dos.directories_committed, folders_before + 1);
    EXPECT_EQ(data_folder_names(), (std::vector<std::string>{"curve.$$O", "curve.dat"}));
}

TEST_F(RecordFiles, ALeftOverOldCopyIsKeptAndALeftOverNewCopyOfAPresentFileIsWrittenOver) {
    write("data/values.def", std::vector<uint8_t>(4, 1));
    write("data/values.$$$", std::vector<uint8_t>(7, 2));
    write("data/values.$$O", std::vector<uint8_t>(7, 3));
    EXPECT_TRUE(datafiles::replace_file("C:\\BRAVINOX\\data\\values.def", std::vector<uint8_t>(4096, 5)));
    EXPECT_EQ(read("data/values.def"), std::vector<uint8_t>(4096, 5));
    EXPECT_EQ(read("data/values.$$O"), std::vector<uint8_t>(7, 3));
    EXPECT_EQ(data_folder_names(), (std::vector<std::string>{"values.$$O", "values.def"}));
}

TEST_F(RecordFiles, ALeftOverNewCopyOfAMissingFileIsKeptAsideNotWrittenOver) {
    write("data/setup.$$$", std::vector<uint8_t>(9, 4));
    write("data/setup.k01", std::vector<uint8_t>(1, 1));
    EXPECT_TRUE(datafiles::replace_file("C:\\BRAVINOX\\data\\setup.dat", std::vector<uint8_t>(3, 6)));
    EXPECT_EQ(read("data/setup.dat"), std::vector<uint8_t>(3, 6));
    EXPECT_EQ(read("data/setup.k02"), std::vector<uint8_t>(9, 4));
    EXPECT_EQ(read("data/setup.k01"), std::vector<uint8_t>(1, 1));
    EXPECT_FALSE(has("data/setup.$$$"));
}

TEST_F(RecordFiles, AMissingFileIsRestoredFromItsOldCopyAndAPresentOneIsLeftAlone) {
    write("data/curve.$$O", std::vector<uint8_t>(5, 8));
    EXPECT_TRUE(datafiles::restore_replaced_file("C:\\BRAVINOX\\data\\curve.dat"));
    EXPECT_EQ(read("data/curve.dat"), std::vector<uint8_t>(5, 8));
    EXPECT_EQ(data_folder_names(), std::vector<std::string>{"curve.dat"});

    write("data/curve.$$O", std::vector<uint8_t>(2, 7));
    EXPECT_FALSE(datafiles::restore_replaced_file("C:\\BRAVINOX\\data\\curve.dat"));
    EXPECT_EQ(read("data/curve.dat"), std::vector<uint8_t>(5, 8));
    EXPECT_EQ(read("data/curve.$$O"), std::vector<uint8_t>(2, 7));
    EXPECT_FALSE(datafiles::restore_replaced_file("C:\\BRAVINOX\\data\\ch-curve.dat"));
}

TEST_F(RecordFiles, CopiesAreKeptUnderTheFirstFreeNumber) {
    write("data/presets.dat", std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(datafiles::keep_copy("C:\\BRAVINOX\\data\\presets.dat"), "C:\\BRAVINOX\\data\\presets.k01");
    write("data/presets.dat", std::vector<uint8_t>{4});
    EXPECT_EQ(datafiles::keep_copy("C:\\BRAVINOX\\data\\presets.dat"), "C:\\BRAVINOX\\data\\presets.k02");
    EXPECT_EQ(read("data/presets.k01"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(read("data/presets.k02"), std::vector<uint8_t>{4});
    EXPECT_EQ(datafiles::keep_copy("C:\\BRAVINOX\\data\\mem.dat"), "");
    EXPECT_EQ(datafiles::shown_file_name("C:\\BRAVINOX\\data\\presets.k02"), "PRESETS.K02");
}

// ------------------------------------------------------------------ places kept for reuse

// An entry's place that does not lie within the file is never written into:
// the list goes to the end of the file instead.
TEST_F(RecordFiles, AStoreNeverWritesOutsideTheRoomOfItsPlace) {
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kMemoryFile));
    datafiles::MemoryIndexEntry other;
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, 3, other, items(2, 30)));
    const uintmax_t size = size_of("data/mem.dat");
    struct Case {
        const char* what;
        int32_t offset;
        int32_t capacity;
    };
    const Case cases[] = {
        {"far past the end", 50'000'000, 10},
        {"room running past the end", 132012, 100'000},
        {"inside the index", 40, 50},
        {"no room", 132012, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(datafiles::create_record_file(datafiles::kMemoryFile));
        other = datafiles::MemoryIndexEntry{};
        ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, 3, other, items(2, 30)));
        datafiles::MemoryIndexEntry entry;
        entry.offset = c.offset;
        entry.capacity = c.capacity;
        ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemoryFile, 2, entry, items(1, 20)));
        EXPECT_EQ(entry.offset, static_cast<int32_t>(size));
        EXPECT_EQ(entry.capacity, 1);
        EXPECT_EQ(size_of("data/mem.dat"), size + 8 + 5);
    }
}

// ------------------------------------------------------------------ the engine on the cue-memory form

datafiles::MemCueIndexEntry cue_index[2001];
uint8_t cue_used[2001];
std::vector<MemoryItem> cue_lists[2001];

datafiles::ItemListTables<datafiles::MemCueIndexEntry> cue_tables() {
    return {cue_index, cue_used,
            [](int32_t n, std::span<const MemoryItem> items) {
                cue_lists[n].assign(items.begin(), items.end());
                return true;
            },
            [](int32_t n, std::vector<MemoryItem>&) { return std::span<const MemoryItem>(cue_lists[n]); }};
}

TEST_F(RecordFiles, TheItemListEngineLoadsAndCompactsTwelveByteEntriesToo) {
    constexpr datafiles::ItemListFile kCueMemories{datafiles::kMemCueFile, "memcues.da", true, 430,
                                                   "%d MEMORY FULL !!!"};
    ASSERT_TRUE(datafiles::create_record_file(datafiles::kMemCueFile));
    datafiles::MemCueIndexEntry entry;
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemCueFile, 9, entry, items(2, 90)));
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemCueFile, 9, entry, items(3, 91)));  // appended
    datafiles::MemCueIndexEntry last;
    ASSERT_TRUE(datafiles::write_item_list_record(datafiles::kMemCueFile, 2000, last, items(1, 5)));
    for (auto& list : cue_lists) list.clear();

    datafiles::ItemListLoad load =
        datafiles::load_item_list_file(kCueMemories, cue_tables(), datafiles::ItemListRewrite::never);
    EXPECT_TRUE(load.found);
    EXPECT_FALSE(load.damaged());
    EXPECT_EQ(cue_used[9], 1);
    EXPECT_EQ(cue_used[2000], 1);
    EXPECT_EQ(cue_lists[9].size(), 3u);
    EXPECT_EQ(cue_lists[2000][0].value, 5);
    EXPECT_EQ(cue_index[9].offset, 24012 + 18);

    ASSERT_TRUE(datafiles::compact_item_list_file(kCueMemories, cue_tables(), load, true));
    const std::vector<uint8_t> file = read("data/memcues.dat");
    ASSERT_EQ(file.size(), 24012u + (8 + 15) + (8 + 5));
    EXPECT_EQ(text_at(file, 24012, 8), "+-0009-+");
    EXPECT_EQ(i32_at(file, 12 + 8 * 12), 24012);
    EXPECT_EQ(i32_at(file, 12 + 8 * 12 + 4), 3);
    EXPECT_EQ(text_at(file, 24035, 8), "+-2000-+");
    EXPECT_EQ(i32_at(file, 12 + 1999 * 12), 24035);
    EXPECT_EQ(cue_index[2000].offset, 24035);
}

}  // namespace
