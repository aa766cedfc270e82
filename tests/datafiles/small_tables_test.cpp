// The small show tables (transparency, MIDI lists, soft patch): trusted only
// when the setup vouches for them and their size is exact, rebuilt from the
// defaults otherwise; whole writes set the flag and write setup.dat, which
// the setup loader reads back unchanged; single transparency entries are
// written in place; and the start-up optimisation checks every stored memory
// and clears the .old files unless this start reported damage.
#include "datafiles/small_tables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/data_files.h"
#include "datafiles/default_values.h"
#include "datafiles/load_report.h"
#include "datafiles/setup_file.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "runtime/step_log.h"
#include "setup/soft_patch.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace {

using datafiles::transp_table;
using datafiles_test::set_u16_at;
using datafiles_test::text_at;
using datafiles_test::u16_at;
using setup::setup_data;

class SmallTables : public datafiles_test::DataDir {
protected:
    // The flag bytes of the setup record as setup.dat on disk holds them.
    uint8_t flag_on_disk(size_t field) const { return read("data/setup.dat").at(12 + field); }
};

// ------------------------------------------------------------------ transparency

TEST_F(SmallTables, AnUnvouchedTranspFileIsRebuiltWithValuesAndSetup) {
    datafiles::load_default_values();  // as the show start has before
    remove("data/values.def");
    write("data/transp.dat", std::vector<uint8_t>(22402, 0));  // every cue OFF/OFF, but not vouched for
    datafiles::load_transp_file();

    EXPECT_EQ(transp_table[1], (std::array<uint8_t, 2>{2, 2}));
    EXPECT_EQ(transp_table[11200], (std::array<uint8_t, 2>{2, 2}));
    EXPECT_EQ(transp_table[11201], (std::array<uint8_t, 2>{1, 1}));
    EXPECT_EQ(datafiles::transp_show_default, 0x0101);
    const std::vector<uint8_t> bytes = read("data/transp.dat");
    ASSERT_EQ(bytes.size(), 22402u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[22399], 2);
    EXPECT_EQ(bytes[22400], 1);
    EXPECT_EQ(bytes[22401], 1);
    EXPECT_EQ(size_of("data/values.def"), 4096u);
    EXPECT_EQ(setup_data.u8(setup::kSetupTransparencySaved), 1);
    EXPECT_EQ(flag_on_disk(setup::kSetupTransparencySaved), 1);
}

TEST_F(SmallTables, AVouchedTranspFileIsReadWhole) {
    std::vector<uint8_t> bytes(22402, 0);
    bytes[2 * 41] = 1;      // cue slot 42: playbacks ON
    bytes[2 * 41 + 1] = 0;  // sequences OFF
    bytes[22400] = 1;       // show default: playbacks OFF, sequences ON
    bytes[22401] = 0;
    write("data/transp.dat", bytes);
    setup_data.set_u8(setup::kSetupTransparencySaved, 7);  // any non-zero value vouches
    datafiles::load_transp_file();

    EXPECT_EQ(transp_table[42], (std::array<uint8_t, 2>{1, 0}));
    EXPECT_EQ(transp_table[1], (std::array<uint8_t, 2>{0, 0}));
    EXPECT_EQ(datafiles::transp_show_default, 0x0001);
    EXPECT_EQ(read("data/transp.dat"), bytes);
    EXPECT_FALSE(has("data/values.def"));
}

TEST_F(SmallTables, ATranspFileOfAnotherSizeIsRebuilt) {
    setup_data.set_u8(setup::kSetupTransparencySaved, 1);
    write("data/transp.dat", std::vector<uint8_t>(22401, 0));
    datafiles::load_transp_file();
    EXPECT_EQ(transp_table[5], (std::array<uint8_t, 2>{2, 2}));
    EXPECT_EQ(size_of("data/transp.dat"), 22402u);
}

TEST_F(SmallTables, SavingTheShowDefaultEntryWritesItsTwoBytesOnly) {
    datafiles::load_transp_file();
    const std::vector<uint8_t> before = read("data/transp.dat");
    transp_table[11201] = {0, 2};
    transp_table[3] = {0, 0};  // changed but not saved
    ASSERT_TRUE(datafiles::save_transp_entry(11201));

    std::vector<uint8_t> expected = before;
    expected[22400] = 0;
    expected[22401] = 2;
    EXPECT_EQ(read("data/transp.dat"), expected);
    EXPECT_FALSE(datafiles::save_transp_entry(0));
    EXPECT_FALSE(datafiles::save_transp_entry(11202));
    EXPECT_EQ(read("data/transp.dat"), expected);
}

TEST_F(SmallTables, AnEntrySavedWithoutTheFileWritesTheWholeTable) {
    transp_table[7] = {1, 1};
    ASSERT_TRUE(datafiles::save_transp_entry(7));
    const std::vector<uint8_t> bytes = read("data/transp.dat");
    ASSERT_EQ(bytes.size(), 22402u);
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(bytes[13], 1);
}

// ------------------------------------------------------------------ MIDI lists

TEST_F(SmallTables, AMidiShowFileOfTheWrongSizeIsReplacedByEmptyEntries) {
    setup_data.set_u8(setup::kSetupMidiShowSaved, 1);
    write("data/mshow.dat", std::vector<uint8_t>(2305, 'X'));
    datafiles::load_midi_show_file();
    EXPECT_EQ(read("data/mshow.dat"), std::vector<uint8_t>(2304, 0));
    EXPECT_EQ(datafiles::midi_show_table[1][0], 0);
}

TEST_F(SmallTables, MidiListNamesRoundTripAtTheirOffsets) {
    datafiles::midi_show_table[128][0] = 'E';  // MIDI list 127 at 127 * 18
    datafiles::midi_show_table[128][1] = 'N';
    datafiles::midi_show_table[128][2] = 'D';
    datafiles::midi_show_table[1][17] = 9;
    ASSERT_TRUE(datafiles::save_midi_show_file());
    const std::vector<uint8_t> bytes = read("data/mshow.dat");
    EXPECT_EQ(text_at(bytes, 127 * 18, 3), "END");
    EXPECT_EQ(bytes[17], 9);
    EXPECT_EQ(flag_on_disk(setup::kSetupMidiShowSaved), 1);

    datafiles::midi_show_table = {};
    datafiles::load_midi_show_file();
    EXPECT_EQ(datafiles::midi_show_table[128][2], 'D');
    EXPECT_EQ(datafiles::midi_show_table[1][17], 9);
    EXPECT_EQ(read("data/mshow.dat"), bytes);
}

// ------------------------------------------------------------------ soft patch

TEST_F(SmallTables, SoftPatchEntriesRoundTripAtTheirOffsets) {
    setup::fixture_count = 700;  // the rig the entries name
    setup::clear_soft_patch_table();
    setup::soft_patch_table[1] = {12, 3, 2, 511};
    setup::soft_patch_table[2048] = {700, 105, 4, 1};
    ASSERT_TRUE(datafiles::save_soft_file());
    const std::vector<uint8_t> bytes = read("data/soft.dat");
    ASSERT_EQ(bytes.size(), 14336u);
    EXPECT_EQ(u16_at(bytes, 0), 12);
    EXPECT_EQ(u16_at(bytes, 2), 3);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(u16_at(bytes, 5), 511);
    EXPECT_EQ(u16_at(bytes, 7), 0xFFFF);  // slot 2 free
    EXPECT_EQ(u16_at(bytes, 2047 * 7 + 2), 105);
    EXPECT_EQ(setup_data.u8(setup::kSetupSoftPatchSaved), 1);

    setup::clear_soft_patch_table();
    datafiles::load_soft_file();
    EXPECT_EQ(setup::soft_patch_table[1].fixture, 12);
    EXPECT_EQ(setup::soft_patch_table[1].address, 511);
    EXPECT_EQ(setup::soft_patch_table[2].fixture, -1);
    EXPECT_EQ(setup::soft_patch_table[2048].function, 105);
    EXPECT_EQ(setup::soft_patch_table[2048].card, 4);
}

TEST_F(SmallTables, ASoftFileIsTrustedOnlyWithItsFlagExactlyOne) {
    std::vector<uint8_t> bytes(14336, 0);
    set_u16_at(bytes, 0, 3);  // slot 1: fixture 3
    write("data/soft.dat", bytes);
    setup_data.set_u8(setup::kSetupSoftPatchSaved, 2);
    datafiles::load_soft_file();
    EXPECT_EQ(setup::soft_patch_table[1].fixture, -1);
    EXPECT_EQ(u16_at(read("data/soft.dat"), 0), 0xFFFF);  // rewritten from the defaults
    EXPECT_EQ(setup_data.u8(setup::kSetupSoftPatchSaved), 1);
}

TEST_F(SmallTables, AFlagIsNotSetWhenTheTableFileCannotBeWritten) {
    std::filesystem::remove_all(dir_.folder() / "data");
    EXPECT_FALSE(datafiles::save_soft_file());
    EXPECT_FALSE(datafiles::save_transp_file());
    EXPECT_EQ(setup_data.u8(setup::kSetupSoftPatchSaved), 0);
    EXPECT_EQ(setup_data.u8(setup::kSetupTransparencySaved), 0);
}

TEST_F(SmallTables, AFlagGoesBackWhenSetupDatCannotBeWritten) {
    datafiles::setup_file_kept = true;  // a refused setup on disk is never overwritten
    EXPECT_TRUE(datafiles::save_midi_show_file());
    EXPECT_EQ(size_of("data/mshow.dat"), 2304u);
    EXPECT_EQ(setup_data.u8(setup::kSetupMidiShowSaved), 0);
    EXPECT_FALSE(has("data/setup.dat"));
}

// ------------------------------------------------------------------ setup writer

TEST_F(SmallTables, TheSetupWriterWritesARecordTheLoaderReadsBackUnchanged) {
    for (size_t i = 0; i < setup::kSetupDataBytes; ++i) setup_data.bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    setup_data.set_i16(setup::kSetupFixtureCount, 0);
    setup_data.set_u8(setup::kSetupTypeCount, 0);
    setup_data.set_u8(setup::kSetupStartDefaults, 6);  // start settings already made
    const setup::SetupData written = setup_data;
    ASSERT_TRUE(datafiles::save_setup_file());

    const std::vector<uint8_t> bytes = read("data/setup.dat");
    ASSERT_EQ(bytes.size(), 115207u);
    EXPECT_EQ(text_at(bytes, 0, 12), "VERSION 7.01");
    EXPECT_EQ(bytes[12 + setup::kSetupDefaultTimes], written.bytes[setup::kSetupDefaultTimes]);

    setup::reset_setup_data();
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, datafiles::SetupFileState::loaded);
    EXPECT_TRUE(setup_data.bytes == written.bytes);
    EXPECT_EQ(read("data/setup.dat"), bytes);  // nothing to write back
}

// ------------------------------------------------------------------ optimisation

TEST_F(SmallTables, TheOptimisationChecksEveryStoredMemoryAndRemovesOldFiles) {
    // Memories 1 and 4000 each hold an item past the last record: the check
    // rewrites them with the items a record holds (none: no rig is patched
    // here). Memory 2 has no items and 17 is not on file: not checked.
    const auto give = [](int16_t m, int32_t count) {
        auto* list = static_cast<datafiles::MemoryItem*>(
            memcheck::mc_malloc_at(2 * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        list[0] = {ui::ITEM_VALUE, 1, 100};
        list[1] = {ui::ITEM_VALUE, 2049, 5};
        memories::memory_items[static_cast<size_t>(m)] = list;
        memories::memory_index[static_cast<size_t>(m)].count = count;
        memories::memory_used[static_cast<size_t>(m)] = 1;
    };
    memories::memory_index[1] = {{}, 132012, 4, 2};
    memories::memory_index[2] = {{}, 132100, 4, 0};
    memories::memory_index[17] = {{}, datafiles::kNotOnFile, 0, 3};
    memories::memory_index[4000] = {{}, 140000, 2, 2};
    give(1, 2);
    give(4000, 2);
    write("data/pre-pan.old", {1});
    write("data/cue-0560.old", {2});
    write("data/keep.dat", {3});
    datafiles::note_old_files_before_loading();
    write("data/mem-0250.old", {4});  // retired by this start's conversion: kept until the next
    datafiles::optimize_data_at_start();

    EXPECT_EQ(memories::memory_index[1].count, 0);
    EXPECT_EQ(memories::memory_index[4000].count, 0);
    EXPECT_EQ(memories::memory_index[17].count, 3);
    EXPECT_EQ(memories::memory_index[2].count, 0);
    EXPECT_EQ(data_folder_names(), (std::vector<std::string>{"keep.dat", "mem-0250.old"}));
}

TEST_F(SmallTables, OldFilesStayWhileThisStartReportedDamageOrAConversionWaits) {
    write("data/pre-pan.old", {1});
    datafiles::note_old_files_before_loading();
    datafiles::report_damaged_file(datafiles::data_path("pre-pan.dat"), 2, {});
    datafiles::optimize_data_at_start();
    EXPECT_TRUE(has("data/pre-pan.old"));

    datafiles::clear_load_reports();
    write("data/GEN-0500.DAT", {5});  // an older page still to be converted
    datafiles::optimize_data_at_start();
    EXPECT_TRUE(has("data/pre-pan.old"));

    remove("data/GEN-0500.DAT");
    datafiles::optimize_data_at_start();
    EXPECT_FALSE(has("data/pre-pan.old"));
}

}  // namespace
