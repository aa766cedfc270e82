// Compressed show archives: what a save writes to the floppy entry by entry,
// what a load brings back, the update that keeps the old archive's other
// entries, and the archives a load must refuse without touching the show.
#include "datafiles/show_archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive_bytes.h"
#include "data_dir.h"
#include "datafiles/show_files.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using archive_test::Entry;
using archive_test::archive_of;
using archive_test::entries_of;
using archive_test::make_entry;
using archive_test::names_of;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

constexpr int kSetup = 1;
constexpr int kMemories = 3;
constexpr int kThresholds = 4;
constexpr int kCues = 5;
constexpr int kLists = 8;

Bytes text_bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

class ShowArchive : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        machine_->dos.drive_a_root = floppy_.path();
        write("data/mem.dat", memories_);
        write("data/memcues.dat", cue_memories_);
        write("data/memthrsh.dat", thresholds_);
        write("data/show1.lst", text_bytes("list one\r\n"));
        select_items({kMemories, kThresholds, kCues, kLists});
    }

    static void select_items(std::initializer_list<int> items) {
        datafiles::data_item_selected = {};
        for (const int item : items) datafiles::data_item_selected[static_cast<size_t>(item)] = 1;
        datafiles::build_data_item_patterns();
    }

    void write_floppy(const std::string& name, const Bytes& bytes) const {
        std::ofstream(floppy_.path() / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                   static_cast<std::streamsize>(bytes.size()));
    }
    Bytes read_floppy(const std::string& name) const {
        std::ifstream in(floppy_.path() / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    bool floppy_has(const std::string& name) const { return std::filesystem::exists(floppy_.path() / name); }

    // The three show files as the current show holds them, for "untouched" checks.
    std::vector<Bytes> show_files() const { return {read("data/mem.dat"), read("data/memcues.dat"), read("data/memthrsh.dat")}; }

    // The work files a load may leave behind: none, after any load.
    void expect_no_work_files() const {
        for (const std::string& name : data_folder_names()) {
            const std::string ext = name.substr(name.find('.') + 1);
            EXPECT_TRUE(ext != "da" && ext != "DA" && ext != "ls" && ext != "LS" && name != "temp.cmp") << name;
        }
    }

    std::mt19937 random_{7};
    Bytes memories_ = random_bytes(random_, 5000);
    Bytes cue_memories_ = Bytes(3000, 0x11);
    Bytes thresholds_ = text_bytes("thresholds, thresholds, thresholds");
    rig::TempDir floppy_;
};

TEST_F(ShowArchive, SaveWritesEachSelectedFileAsAnEntryInPatternOrder) {
    datafiles::save_show_archive("SHOW1");
    ASSERT_TRUE(floppy_has("SHOW1.cmp"));
    EXPECT_FALSE(has("data/temp.cmp"));
    const std::vector<Entry> entries = entries_of(read_floppy("SHOW1.cmp"));
    // MEMORIES, THRESHOLDS, CUES, LISTS in their patterns' order; names in capitals.
    EXPECT_EQ(names_of(entries), (Names{"MEM.DAT", "MEMTHRSH.DAT", "MEMCUES.DAT", "SHOW1.LST"}));
    const std::vector<Bytes> contents = {memories_, thresholds_, cue_memories_, text_bytes("list one\r\n")};
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.plain, contents[i]);
        EXPECT_EQ(e.header.uncompressed_size, contents[i].size());
        EXPECT_EQ(e.header.compressed_size, e.stream.size());
        EXPECT_EQ(e.header.crc32, archive_test::crc_of(contents[i]));
        EXPECT_EQ(e.header.attributes, platform::kDosAttrArchive);
        EXPECT_EQ(e.header.name_length, e.name.size());
        EXPECT_GE(e.header.date >> 9, 0);  // a DOS date: day 1-31, month 1-12
        EXPECT_GE(e.header.date & 31, 1);
        EXPECT_GE((e.header.date >> 5) & 15, 1);
        EXPECT_EQ(e.stream.at(0), 0);  // binary literals
        EXPECT_EQ(e.stream.at(1), 6);  // 4096-byte dictionary
    }
    // The runs compress.
    EXPECT_LT(entries.at(2).header.compressed_size, 100u);
}

TEST_F(ShowArchive, HeaderFieldsLieAtTheirOffsets) {
    datafiles::ArchiveEntryHeader header;
    header.uncompressed_size = 0x04030201;
    header.compressed_size = 0x08070605;
    header.crc32 = 0x0C0B0A09;
    header.attributes = 0x20;
    header.time = 0x1211;
    header.date = 0x1413;
    header.name_length = 7;
    std::array<uint8_t, datafiles::kArchiveHeaderBytes> bytes{};
    datafiles::encode_archive_header(header, bytes);
    EXPECT_EQ(bytes, (std::array<uint8_t, 26>{0x44, 0x48, 0x09, 0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x20, 0,
                                               0, 0, 0x11, 0x12, 0x13, 0x14, 7, 0}));
    bytes[3] = 0x03;
    EXPECT_FALSE(datafiles::decode_archive_header(bytes, header));
}

TEST_F(ShowArchive, LoadBringsTheSavedFilesBackAndLeavesNoWorkFiles) {
    datafiles::save_show_archive("SHOW1");
    write("data/mem.dat", text_bytes("changed"));
    write("data/memthrsh.dat", text_bytes("changed too"));
    remove("data/show1.lst");
    EXPECT_TRUE(datafiles::load_show_archive("SHOW1"));
    EXPECT_EQ(read("data/mem.dat"), memories_);
    EXPECT_EQ(read("data/memthrsh.dat"), thresholds_);
    EXPECT_EQ(read("data/memcues.dat"), cue_memories_);
    EXPECT_EQ(read("data/SHOW1.LST"), text_bytes("list one\r\n"));
    expect_no_work_files();
}

TEST_F(ShowArchive, LoadTakesOnlyTheSelectedItemsOfTheArchive) {
    datafiles::save_show_archive("SHOW1");
    write("data/mem.dat", text_bytes("changed"));
    write("data/memthrsh.dat", text_bytes("changed too"));
    select_items({kThresholds});
    EXPECT_TRUE(datafiles::load_show_archive("SHOW1"));
    EXPECT_EQ(read("data/memthrsh.dat"), thresholds_);
    EXPECT_EQ(read("data/mem.dat"), text_bytes("changed"));
}

TEST_F(ShowArchive, LoadOfAnArchiveWrittenElsewhereMatchesNamesWithoutRegardToCase) {
    // Entries in capitals, data files on the disk in small letters: the files are replaced, not doubled.
    write_floppy("OTHER.cmp", archive_of({make_entry("MEM.DAT", text_bytes("other memories")),
                                          make_entry("VALUES.DEF", Bytes(4096, 2))}));
    write("data/values.def", Bytes(4096, 1));
    select_items({kSetup, kMemories});
    EXPECT_TRUE(datafiles::load_show_archive("OTHER"));
    EXPECT_EQ(read("data/mem.dat"), text_bytes("other memories"));
    EXPECT_EQ(read("data/values.def"), Bytes(4096, 2));
    const Names names = data_folder_names();
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n == "mem.dat" || n == "MEM.DAT"; }), 1);
    expect_no_work_files();
}

TEST_F(ShowArchive, AnEmptyArchiveLoadsAndChangesNothing) {
    write_floppy("EMPTY1.cmp", {});
    const auto before = show_files();
    EXPECT_TRUE(datafiles::load_show_archive("EMPTY1"));
    EXPECT_EQ(show_files(), before);
}

TEST_F(ShowArchive, AnEmptyFileRoundTrips) {
    write("data/groups.dat", {});
    select_items({6});
    datafiles::save_show_archive("SHOW1");
    const std::vector<Entry> entries = entries_of(read_floppy("SHOW1.cmp"));
    ASSERT_EQ(names_of(entries), (Names{"GROUPS.DAT"}));
    EXPECT_EQ(entries[0].stream, (Bytes{0x00, 0x06, 0x01, 0xFF}));
    write("data/groups.dat", text_bytes("groups"));
    EXPECT_TRUE(datafiles::load_show_archive("SHOW1"));
    EXPECT_TRUE(read("data/groups.dat").empty());
}

// --- archives a load refuses --------------------------------------------------------------

struct CraftedCase {
    const char* what;
    std::function<Bytes()> archive;
};

Bytes good_archive() {
    return archive_of({make_entry("MEM.DAT", text_bytes("new memories")), make_entry("MEMCUES.DAT", Bytes(100, 5))});
}

Bytes with_entry(const Entry& extra) {
    Bytes archive = good_archive();
    archive_test::append_entry(archive, extra);
    return archive;
}

TEST_F(ShowArchive, CraftedArchivesFailTheLoadAndLeaveTheShowUntouched) {
    const std::vector<CraftedCase> cases = {
        {"header cut short between entries",
         [] {
             Bytes a = good_archive();
             a.insert(a.end(), {0x44, 0x48, 0x09, 0x02, 1, 2, 3});
             return a;
         }},
        {"a lone byte after the last entry",
         [] {
             Bytes a = good_archive();
             a.push_back(0x44);
             return a;
         }},
        {"compressed data cut short",
         [] {
             Bytes a = good_archive();
             a.erase(a.end() - 3, a.end());
             return a;
         }},
        {"bad CRC",
         [] {
             Entry e = make_entry("MEMTHRSH.DAT", text_bytes("thresholds"));
             e.header.crc32 ^= 1;
             return with_entry(e);
         }},
        {"wrong uncompressed size",
         [] {
             Entry e = make_entry("MEMTHRSH.DAT", text_bytes("thresholds"));
             e.header.uncompressed_size += 1;
             return with_entry(e);
         }},
        {"bad signature in the middle",
         [] {
             Bytes a = good_archive();
             const Bytes first = archive_of({make_entry("MEM.DAT", text_bytes("new memories"))});
             a.at(first.size()) = 'X';
             return a;
         }},
        {"name of 13 characters",
         [] {
             Entry e = make_entry("MEMTHRSH.DATX", text_bytes("x"));
             return with_entry(e);
         }},
        {"name with ..", [] { return with_entry(make_entry("..\\..\\X.DAT", text_bytes("escape"))); }},
        {"name with a slash", [] { return with_entry(make_entry("../X.DAT", text_bytes("escape"))); }},
        {"name with a backslash", [] { return with_entry(make_entry("A\\X.DAT", text_bytes("escape"))); }},
        {"name with a drive", [] { return with_entry(make_entry("C:X.DAT", text_bytes("escape"))); }},
        {"empty name", [] { return with_entry(make_entry("", text_bytes("nothing"))); }},
        {"name not 8.3", [] { return with_entry(make_entry("LONGNAMES.DAT", text_bytes("long"))); }},
        {"extension too long", [] { return with_entry(make_entry("X.DATA", text_bytes("long"))); }},
        {"damaged stream",
         [] {
             Entry e = make_entry("MEMTHRSH.DAT", text_bytes("thresholds"));
             e.stream[1] = 9;  // no dictionary code
             return with_entry(e);
         }},
    };
    select_items({kSetup, 2, kMemories, kThresholds, kCues, 6, 7, kLists});
    setup::fixture_count = 1;  // a rig in the setup: the load makes a backup first
    for (const CraftedCase& c : cases) {
        SCOPED_TRACE(c.what);
        write_floppy("BAD.cmp", c.archive());
        const auto before = show_files();
        const uint64_t tones_before = machine_->speaker.tones.to_vector().size();
        EXPECT_FALSE(datafiles::load_show_archive("BAD"));
        EXPECT_EQ(ui::current_message(), "ERROR OCCURED DURING LOADING...");
        EXPECT_EQ(show_files(), before);
        EXPECT_GT(machine_->speaker.tones.to_vector().size(), tones_before);
        expect_no_work_files();
        EXPECT_FALSE(std::filesystem::exists(dir_.folder() / "X.DAT"));
        EXPECT_FALSE(std::filesystem::exists(dir_.drive_c() / "X.DAT"));
        EXPECT_FALSE(has("data/X.DAT"));
    }
}

TEST_F(ShowArchive, TheLoadFailureToneSoundsWithTheBeeperOff) {
    runtime::console_config.set_u8(runtime::kCfgBeeper, 0);
    write_floppy("BAD.cmp", Bytes{1, 2, 3});
    EXPECT_FALSE(datafiles::load_show_archive("BAD"));
    const auto tones = machine_->speaker.tones.to_vector();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    EXPECT_EQ(tones.back().duration_ms, 2000u);
}

// --- the update of an existing archive ------------------------------------------------------

TEST_F(ShowArchive, UpdateWithMemoriesOnlyKeepsTheOtherEntriesFirst) {
    datafiles::save_show_archive("SHOW1");
    const Bytes new_memories = text_bytes("the memories of today");
    write("data/mem.dat", new_memories);
    select_items({kMemories});
    ASSERT_TRUE(datafiles::check_existing_archive("SHOW1"));
    datafiles::save_show_archive("SHOW1");
    const std::vector<Entry> entries = entries_of(read_floppy("SHOW1.cmp"));
    EXPECT_EQ(names_of(entries), (Names{"MEMTHRSH.DAT", "MEMCUES.DAT", "SHOW1.LST", "MEM.DAT"}));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].plain, thresholds_);
    EXPECT_EQ(entries[1].plain, cue_memories_);
    EXPECT_EQ(entries[3].plain, new_memories);
    EXPECT_EQ(entries[3].header.crc32, archive_test::crc_of(new_memories));
}

TEST_F(ShowArchive, UpdateKeepsAnEntryWhoseFileIsGoneEvenWhenItsItemIsSelected) {
    datafiles::save_show_archive("SHOW1");
    remove("data/memthrsh.dat");
    ASSERT_TRUE(datafiles::check_existing_archive("SHOW1"));
    datafiles::save_show_archive("SHOW1");
    EXPECT_EQ(names_of(entries_of(read_floppy("SHOW1.cmp"))),
              (Names{"MEMTHRSH.DAT", "MEM.DAT", "MEMCUES.DAT", "SHOW1.LST"}));
}

TEST_F(ShowArchive, UpdateRefusesADamagedArchive) {
    Bytes damaged = good_archive();
    damaged.insert(damaged.end(), {0x44, 0x48});  // a header cut short
    write_floppy("SHOW1.cmp", damaged);
    EXPECT_FALSE(datafiles::check_existing_archive("SHOW1"));
    write_floppy("SHOW1.cmp", with_entry(make_entry("..\\X.DAT", text_bytes("escape"))));
    EXPECT_FALSE(datafiles::check_existing_archive("SHOW1"));
}

// --- the copy to the floppy -------------------------------------------------------------------

TEST_F(ShowArchive, AFailedCopyToTheFloppyKeepsTheOldArchiveAndTheWorkFile) {
    const Bytes old_archive = good_archive();
    write_floppy("SHOW1.cmp", old_archive);
    // The copy's scratch name is taken by a folder: the copy cannot be written.
    std::filesystem::create_directory(floppy_.path() / "SHOW1.$$C");
    datafiles::save_show_archive("SHOW1");
    EXPECT_EQ(ui::current_message(), "ERROR OCCURED DURING SAVING...");
    EXPECT_EQ(read_floppy("SHOW1.cmp"), old_archive);
    EXPECT_TRUE(has("data/temp.cmp"));
    EXPECT_FALSE(floppy_has("SHOW1.$$C/SHOW1.cmp"));
}

TEST_F(ShowArchive, ANearlyFullFloppyTakesAnArchiveThatGrowsByLessThanItsFreeSpace) {
    // 40 free sectors beside an old archive of 30 sectors: a new archive of
    // 50 sectors fits only in place of the old one.
    const Bytes old_archive = Bytes(30 * 512, 7);
    write_floppy("SHOW1.cmp", old_archive);
    write("data/mem.dat", random_bytes(random_, 50 * 512 - 200));
    select_items({kMemories});
    machine_->dos.floppy_capacity_bytes = (30 + 40) * 512;
    datafiles::save_show_archive("SHOW1");
    EXPECT_EQ(ui::current_message(), "SAVING TO EXTERNAL DISK...");
    const std::vector<Entry> entries = entries_of(read_floppy("SHOW1.cmp"));
    ASSERT_EQ(names_of(entries), (Names{"MEM.DAT"}));
    EXPECT_EQ(entries[0].plain, read("data/mem.dat"));
    EXPECT_FALSE(has("data/temp.old"));
}

// Neither the new archive nor the old one can be written over the old one:
// the old archive's only whole copy leaves the temporary name that a show
// start deletes (every *.old) and the message says where it is.
TEST_F(ShowArchive, WhenTheOldArchiveCannotBeWrittenBackItIsKeptUnderANameTheStartLeaves) {
    const Bytes old_archive = Bytes(30 * 512, 7);
    write_floppy("SHOW1.cmp", old_archive);
    write("data/mem.dat", random_bytes(random_, 50 * 512 - 200));
    select_items({kMemories});
    machine_->dos.floppy_capacity_bytes = (30 + 40) * 512;
    machine_->dos.floppy_write_protected = true;
    datafiles::save_show_archive("SHOW1");
    EXPECT_EQ(ui::current_message(), "SAVING FAILED : OLD ARCHIVE KEPT IN DATA\\SHOW1.KEP");
    EXPECT_FALSE(has("data/temp.old"));
    ASSERT_TRUE(has("data/SHOW1.KEP"));
    EXPECT_EQ(read("data/SHOW1.KEP"), old_archive);
}

TEST_F(ShowArchive, AnArchiveLargerThanTheFreeSpaceIsRefused) {
    const Bytes old_archive = Bytes(30 * 512, 7);
    write_floppy("SHOW1.cmp", old_archive);
    write("data/mem.dat", random_bytes(random_, 80 * 512));
    select_items({kMemories});
    machine_->dos.floppy_capacity_bytes = (30 + 40) * 512;
    datafiles::save_show_archive("SHOW1");
    EXPECT_EQ(ui::current_message(), "ERROR : INSUFFICIENT DISK SPACE");
    EXPECT_EQ(read_floppy("SHOW1.cmp"), old_archive);
    EXPECT_FALSE(has("data/temp.cmp"));
}

// --- names and patterns ------------------------------------------------------------------------

TEST(ArchiveNames, PatternsMatchNameAndExtensionApartWithoutRegardToCase) {
    datafiles::data_item_selected = {};
    datafiles::data_item_selected[kSetup] = 1;
    datafiles::data_item_selected[kLists] = 1;
    datafiles::build_data_item_patterns();
    struct Case {
        const char* path;
        bool matches;
    };
    for (const Case& c : std::initializer_list<Case>{{"SETUP.DAT", true},
                                                     {"setup.dat", true},
                                                     {"C:\\BX\\DATA\\Setup.Dat", true},
                                                     {"SETUP.DA", false},
                                                     {"SETUP.DATX", false},
                                                     {"SETUPX.DAT", false},
                                                     {"CH-1.DAT", true},
                                                     {"ch-0042.dat", true},
                                                     {"CH.DAT", false},
                                                     {"VALUES.DEF", true},
                                                     {"SHOW1.LST", true},
                                                     {"show1.lst", true},
                                                     {"SHOW1.LS", false},
                                                     {"MEM.DAT", false}}) {
        EXPECT_EQ(datafiles::matches_selected_pattern(c.path), c.matches) << c.path;
    }
}

TEST(ArchiveNames, OnlyPlainEightThreeNamesAreSafe) {
    for (const char* name : {"MEM.DAT", "A", "ABCDEFGH.ABC", "CH-0001.DAT", "X.", "SHOW1.LST"}) {
        EXPECT_TRUE(datafiles::is_safe_entry_name(name)) << name;
    }
    for (const char* name : {"", "..", "..\\X.DAT", "../X.DAT", "A/B", "A\\B", "C:X", "ABCDEFGHI.DAT", "A.BCDE", "A.B.C",
                             ".DAT", "A B.DAT", "A*.DAT", "A?.DAT"}) {
        EXPECT_FALSE(datafiles::is_safe_entry_name(name)) << name;
    }
}

}  // namespace
