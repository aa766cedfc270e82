// Show and list save and load as an operator works them: SAVE or LOAD held
// for a second, 1 (internal) or 2 (external), a name in the browser, the
// questions answered with ENTER or ESC. The files of the data folder, the
// show folders, the backup and the floppy are read back afterwards.
#include "datafiles/show_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive_bytes.h"
#include "datafiles/show_archive.h"
#include "rig/clean_start.h"
#include "rig/console.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/main_loop.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "sync/sync_services.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr uint32_t kSettle_ms = 60;
constexpr size_t kSetupFileHeader = 12;
constexpr size_t kCueTracking = 0xC364;  // setup byte of the global settings' row 26

Bytes text_bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

void press_key(rig::Rig& rig, int16_t key) {
    rig.press(key);
    rig.run_ms(kSettle_ms);
}
void type_text(rig::Rig& rig, const std::string& text) {
    rig.type(text);
    rig.run_ms(kSettle_ms);
}
// SAVE or LOAD held past its second, then 1 or 2.
void open_dialog(rig::Rig& rig, int16_t key, int medium) {
    rig.hold(key, 1100);
    rig.release(key, kSettle_ms);
    press_key(rig, digit_key(medium));
}
// The name typed in the browser and confirmed.
void enter_name(rig::Rig& rig, const std::string& text) {
    for (size_t i = 0; i < datafiles::kShowNameChars; ++i) press_key(rig, KEY_BACK);  // the name chosen last goes
    type_text(rig, text);
    press_key(rig, KEY_ENTER);
}
// The key pressed; true when the message line shows the text before the key
// is let go (a dialog that ends redraws the line).
bool press_and_see(rig::Rig& rig, int16_t key, const std::string& text) {
    rig.hold(key);
    const bool seen = rig.run_until([&] { return std::string(ui::current_message()) == text; }, 3000);
    rig.release(key, kSettle_ms);
    return seen;
}
// Lets a requested show restart run until the main loop is back.
void wait_restart(rig::Rig& rig) {
    const uint64_t passes = runtime::main_loop_passes;
    EXPECT_TRUE(rig.run_until(
        [passes] { return runtime::restart_requested == 0 && runtime::main_loop_passes > passes + 1; }, 60'000));
}
// The global settings' cue tracking changed and stored (NORMAL <-> FULL).
void toggle_cue_tracking(rig::Rig& rig) {
    rig.press(KEY_SETUP, 1500);
    press_key(rig, digit_key(2));
    press_key(rig, KEY_UP);
    press_key(rig, KEY_EDIT_ITEM);
    press_key(rig, KEY_ENTER);
}

class ShowFiles : public ::testing::Test {
protected:
    void SetUp() override {
        rig.machine().dos.drive_a_root = floppy.path();
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        rig.run_ms(kSettle_ms);
    }

    void open(int16_t key, int medium) { open_dialog(rig, key, medium); }
    void press(int16_t key) { press_key(rig, key); }
    void type(const std::string& text) { type_text(rig, text); }
    void name(const std::string& text) { enter_name(rig, text); }
    void run_restart() { wait_restart(rig); }
    // The name typed over the one chosen last.
    void retype(const std::string& text) {
        for (size_t i = 0; i < datafiles::kShowNameChars; ++i) press(KEY_BACK);
        type(text);
    }
    void expect_message_on(int16_t key, const std::string& text) {
        EXPECT_TRUE(press_and_see(rig, key, text)) << text << "; the line shows " << message();
    }

    void write(const std::string& name, const Bytes& bytes) const { dir.write_file(name, bytes); }
    Bytes read(const std::string& name) const { return dir.read_file(name); }
    bool has(const std::string& name) const { return dir.has_file(name); }
    Names folder(const std::string& name) const {
        Names names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(dir.folder() / name, error)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string message() const { return std::string(ui::current_message()); }

    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    rig::TempDir floppy;
};

// --- the keys ---------------------------------------------------------------------------

TEST_F(ShowFiles, SaveReleasedBeforeASecondDoesNothing) {
    const Names before = folder("data");
    rig.hold(KEY_SAVE, 500);
    rig.release(KEY_SAVE, kSettle_ms);
    press(KEY_DIGIT_1);
    EXPECT_EQ(runtime::run_flags & (runtime::RUN_SAVE_LOAD_KEY | runtime::RUN_SHOW_FILE_BUSY), 0u);
    EXPECT_NE(message(), "1=SAVE INTERNAL  2=SAVE EXTERNAL");
    EXPECT_EQ(folder("data"), before);
}

TEST_F(ShowFiles, HeldSaveOffersTheTwoMediaAndEscLeaves) {
    rig.hold(KEY_SAVE, 1300);
    EXPECT_EQ(message(), "1=SAVE INTERNAL  2=SAVE EXTERNAL");
    EXPECT_NE(runtime::run_flags & runtime::RUN_SHOW_FILE_BUSY, 0u);
    rig.release(KEY_SAVE, kSettle_ms);
    press(KEY_ESC);
    EXPECT_EQ(runtime::run_flags & (runtime::RUN_SAVE_LOAD_KEY | runtime::RUN_SHOW_FILE_BUSY), 0u);
    EXPECT_EQ(rig.key_led(KEY_SAVE), platform::LedState::off);
}

// --- internal shows -------------------------------------------------------------------------

TEST_F(ShowFiles, SaveChangeAndLoadBringsTheSavedShowBack) {
    // The show as saved: cue tracking NORMAL in the setup file.
    setup::setup_data.set_u8(kCueTracking, 0);
    rig.press(KEY_SETUP, 1500);
    press(digit_key(2));
    press(KEY_ENTER);
    ASSERT_EQ(read("data/setup.dat").at(kSetupFileHeader + kCueTracking), 0);

    open(KEY_SAVE, 1);
    name("DEMO1");
    EXPECT_EQ(message(), "OPTIMIZE SHOWDATA? (ENTER=Y ESC=N)");
    press(KEY_ESC);
    ASSERT_TRUE(has("data/DEMO1/setup.dat") || has("data/DEMO1/SETUP.DAT"));
    EXPECT_EQ(folder("data/DEMO1").size(), 0u + [&] {
        size_t n = 0;
        for (const std::string& f : folder("data")) n += datafiles::matches_selected_pattern(f);
        return n;
    }());

    // Changed: cue tracking FULL.
    toggle_cue_tracking(rig);
    ASSERT_EQ(setup::setup_data.u8(kCueTracking), 1);

    open(KEY_LOAD, 1);
    press(KEY_ENTER);  // the field keeps the name chosen last
    run_restart();
    EXPECT_EQ(setup::setup_data.u8(kCueTracking), 0);
    EXPECT_EQ(read("data/setup.dat").at(kSetupFileHeader + kCueTracking), 0);
    Names left;
    for (const std::string& f : folder("data")) {
        if (f.ends_with(".da") || f.ends_with(".DA") || f.ends_with(".$$C")) left.push_back(f);
    }
    EXPECT_TRUE(left.empty());
}

TEST_F(ShowFiles, EachDataItemSavesItsOwnFiles) {
    struct Item {
        int item;
        Names files;
    };
    const std::vector<Item> items = {
        {1, {"SETUP.DAT", "CH-0001.DAT", "VALUES.DEF", "TRANSP.DAT", "SOFT.DAT", "DIMPATCH.DAT", "CURVE.DAT", "GROUPA.DAT"}},
        {2, {"PRE-PAN.DAT", "DEF-1.DAT", "PRESETS.DAT"}},
        {3, {"MEM-0250.DAT", "GEN-1.DAT", "FIG-1.DAT", "MEM.DAT"}},
        {4, {"MEMTHRSH.DAT"}},
        {5, {"MEMCUES.DAT", "CUEMEM.DAT", "CUESEQ.DAT", "CUEPLAYB.DAT", "CUE-1.DAT", "MID-1.DAT"}},
        {6, {"GROUPS.DAT"}},
        {7, {"SUBMAST.DAT"}},
        {8, {"SHOW.LST"}},
    };
    // Every item's files in the data folder, with names in small letters as Linux tools write them.
    for (const Item& i : items) {
        for (const std::string& f : i.files) {
            std::string lower = f;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            write("data/" + lower, text_bytes("saved " + f));
        }
    }
    for (const Item& i : items) {
        SCOPED_TRACE(i.item);
        const std::string show = "ITEM" + std::to_string(i.item);
        open(KEY_SAVE, 1);
        for (size_t k = 0; k < datafiles::kShowNameChars; ++k) press(KEY_BACK);
        type(show);
        press(KEY_RIGHT);  // the data items: only this one stays selected
        for (int item = 1; item <= 8; ++item) {
            if (item != i.item) press(KEY_ENTER);
            press(KEY_DOWN);
        }
        press(KEY_LEFT);
        press(KEY_ENTER);
        press(KEY_ESC);  // no optimizing
        Names saved;
        for (std::string f : folder("data/" + show)) {
            for (char& c : f) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            saved.push_back(f);
        }
        Names expected = i.files;
        if (i.item == 1 && has("data/ch-patch.dat")) expected.push_back("CH-PATCH.DAT");  // the demo's patch
        if (i.item == 8 && has("data/load.lst")) expected.push_back("LOAD.LST");          // the demo's list
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(saved, expected);
        for (const std::string& f : i.files) {
            std::string lower = f;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_EQ(read("data/" + show + "/" + lower), text_bytes("saved " + f)) << f;
        }
    }
}

TEST_F(ShowFiles, ProtectedAndIllegalNamesAreRefused) {
    struct Case {
        std::string name;
        std::string message;
    };
    write("data/PLAIN", text_bytes("a file, not a show"));
    for (const Case& c : std::vector<Case>{{"BACKUP", "ERROR : 'BACKUP' IS A PROTECTED NAME"},
                                           {"EMPTY", "ERROR : 'EMPTY' IS A PROTECTED NAME"},
                                           {"PLAIN", "ERROR : ILLEGAL SHOW-NAME"}}) {
        SCOPED_TRACE(c.name);
        open(KEY_SAVE, 1);
        retype(c.name);
        expect_message_on(KEY_ENTER, c.message);
        rig.run_ms(2100);
    }
    // "backup" spelled in small letters on the disk is the same protected folder.
    EXPECT_TRUE(datafiles::is_protected_show_name("backup"));
    EXPECT_FALSE(datafiles::is_protected_show_name("AUTOSAVE"));
    EXPECT_TRUE(datafiles::is_protected_list_name("AutoSave"));
    EXPECT_FALSE(datafiles::is_protected_list_name("BACKUP"));
    EXPECT_EQ(read("data/PLAIN"), text_bytes("a file, not a show"));
}

TEST_F(ShowFiles, NoDataSelectedTouchesNoFile) {
    const Names before = folder("data");
    open(KEY_SAVE, 1);
    type("NODATA");
    press(KEY_RIGHT);  // to the data items
    for (int item = 1; item <= 8; ++item) {
        press(KEY_ENTER);
        press(KEY_DOWN);
    }
    press(KEY_LEFT);   // back to the name field
    expect_message_on(KEY_ENTER, "ERROR : NO DATA SELECTED");
    EXPECT_EQ(folder("data"), before);
}

TEST_F(ShowFiles, UpdatingAShowAsksAndEscLeavesItAsItWas) {
    write("data/OLD/MEM.DAT", text_bytes("old memories"));
    write("data/OLD/OTHER.TXT", text_bytes("not a data file"));
    open(KEY_SAVE, 1);
    name("OLD");
    EXPECT_EQ(message(), "UPDATE 'OLD'? (ENTER=Y ESC=N)");
    press(KEY_ESC);
    EXPECT_EQ(read("data/OLD/MEM.DAT"), text_bytes("old memories"));
    open(KEY_SAVE, 1);
    press(KEY_ENTER);
    press(KEY_ENTER);  // update
    press(KEY_ESC);    // no optimizing
    EXPECT_EQ(read("data/OLD/MEM.DAT"), read("data/mem.dat"));
    EXPECT_EQ(read("data/OLD/OTHER.TXT"), text_bytes("not a data file"));  // not covered by the patterns
}

TEST_F(ShowFiles, AFailedCopyEndsTheSaveWithAnError) {
    fs::create_directories(dir.folder() / "data" / "BAD" / "MEM.$$C");  // the copy's scratch name is taken
    open(KEY_SAVE, 1);
    name("BAD");
    press(KEY_ENTER);  // update
    expect_message_on(KEY_ESC, "ERROR OCCURED DURING SAVING...");  // no optimizing
    EXPECT_TRUE(has("data/BAD/memcues.dat") || has("data/BAD/MEMCUES.DAT"));  // the others were copied
}

TEST_F(ShowFiles, AFailedLoadChangesNothingAndDoesNotRestart) {
    write("data/SHOW2/MEM.DAT", text_bytes("show two"));
    write("data/SHOW2/MEMCUES.DAT", text_bytes("show two cues"));
    fs::create_directories(dir.folder() / "data" / "MEMCUES.$$C");  // the staging copy can't be written
    const Bytes memories = read("data/mem.dat");
    setup::fixture_count = 3;
    open(KEY_LOAD, 1);
    type("SHOW2");
    expect_message_on(KEY_ENTER, "ERROR OCCURED DURING LOADING...");
    EXPECT_EQ(runtime::restart_requested, 0);
    EXPECT_EQ(read("data/mem.dat"), memories);
    for (const std::string& f : folder("data")) EXPECT_FALSE(f == "MEM.DA" || f == "MEMCUES.DA") << f;
}

TEST_F(ShowFiles, AMissingShowIsNotFound) {
    open(KEY_LOAD, 1);
    type("NOSUCH");
    expect_message_on(KEY_ENTER, "ERROR : SHOW 'NOSUCH' NOT FOUND");
    EXPECT_EQ(runtime::restart_requested, 0);
}

// --- external shows -------------------------------------------------------------------------

TEST(ShowFilesOnTwoConsoles, AnArchiveSavedOnOneConsoleLoadsOnAFreshProgramDirectory) {
    rig::TempDir floppy;
    uint8_t tracking_saved = 0;
    {
        rig::Rig rig;
        rig::ProgramDir dir = rig::ProgramDir::demo();
        dir.write_file("data/tour.lst", text_bytes("the tour's list"));
        rig.machine().dos.drive_a_root = floppy.path();
        rig::start_console(rig, dir);
        toggle_cue_tracking(rig);
        tracking_saved = setup::setup_data.u8(kCueTracking);
        open_dialog(rig, KEY_SAVE, 2);
        enter_name(rig, "TOUR");
        EXPECT_EQ(std::string(ui::current_message()), "OPTIMIZE SHOWDATA? (ENTER=Y ESC=N)");
        press_key(rig, KEY_ENTER);
        rig.run_ms(500);
        ASSERT_TRUE(fs::exists(floppy.path() / "TOUR.cmp"));
        EXPECT_FALSE(dir.has_file("data/temp.cmp"));
        EXPECT_FALSE(fs::exists(floppy.path() / "w1x2y3z4"));
    }
    rig::reset_global_state();
    {
        rig::Rig rig;
        rig::ProgramDir dir = rig::ProgramDir::demo();
        rig.machine().dos.drive_a_root = floppy.path();
        rig::start_console(rig, dir);
        ASSERT_NE(setup::setup_data.u8(kCueTracking), tracking_saved);
        open_dialog(rig, KEY_LOAD, 2);
        press_key(rig, KEY_DOWN);   // to the list of archives
        press_key(rig, KEY_ENTER);  // TOUR, the only one
        press_key(rig, KEY_ENTER);  // confirmed
        wait_restart(rig);
        EXPECT_EQ(setup::setup_data.u8(kCueTracking), tracking_saved);
        EXPECT_EQ(dir.read_file("data/TOUR.LST"), text_bytes("the tour's list"));
        EXPECT_FALSE(dir.has_file("data/temp.cmp"));
    }
}

TEST_F(ShowFiles, ExternalLoadBringsTheArchiveIn) {
    std::vector<uint8_t> archive = archive_test::archive_of({archive_test::make_entry("TOUR.LST", text_bytes("from the floppy"))});
    std::ofstream(floppy.path() / "TOUR.cmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    open(KEY_LOAD, 2);
    press(KEY_DOWN);   // to the list of archives
    press(KEY_ENTER);  // TOUR
    press(KEY_ENTER);  // confirmed
    run_restart();
    EXPECT_EQ(read("data/TOUR.LST"), text_bytes("from the floppy"));
    EXPECT_FALSE(has("data/temp.cmp"));
}

TEST_F(ShowFiles, ExternalSaveWithoutADiskIsRefused) {
    rig.machine().dos.drive_a_root.clear();
    open(KEY_SAVE, 2);
    type("TOUR");
    expect_message_on(KEY_ENTER, "ERROR : EXTERNAL DISK IS NOT READY");
}

TEST_F(ShowFiles, ExternalSaveOverAnArchiveAsksToUpdate) {
    std::vector<uint8_t> archive = archive_test::archive_of({archive_test::make_entry("KEPT.LST", text_bytes("an old list"))});
    std::ofstream(floppy.path() / "TOUR.cmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    open(KEY_SAVE, 2);
    name("TOUR");
    EXPECT_EQ(message(), "UPDATE TOUR ? (ENTER=Y ESC=N)");
    press(KEY_ENTER);
    press(KEY_ESC);  // no optimizing
    rig.run_ms(500);
    std::ifstream in(floppy.path() / "TOUR.cmp", std::ios::binary);
    const Bytes saved{std::istreambuf_iterator<char>(in), {}};
    const auto entries = archive_test::entries_of(saved);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front().name, "KEPT.LST");
    EXPECT_GT(entries.size(), 1u);
}

// --- lists ----------------------------------------------------------------------------------

TEST_F(ShowFiles, OnTheTimecodeScreenTheKeysSaveAndLoadLists) {
    runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    rig.hold(KEY_SAVE, 1100);
    rig.release(KEY_SAVE, kSettle_ms);
    EXPECT_EQ(message(), "EDIT A LIST-NAME (ESC=CANCEL)");
    type("AUTOSAVE");
    expect_message_on(KEY_ENTER, "ERROR:'AUTOSAVE' IS A PROTECTED NAME");
    rig.run_ms(2100);
    EXPECT_FALSE(dir.has_file("data/autosave.lst"));

    rig.hold(KEY_SAVE, 1100);
    rig.release(KEY_SAVE, kSettle_ms);
    name("BACKUP");  // a legal list name
    EXPECT_TRUE(dir.has_file("data/BACKUP.lst"));
    EXPECT_EQ(runtime::current_list_name, "BACKUP");

    rig.hold(KEY_LOAD, 1100);
    rig.release(KEY_LOAD, kSettle_ms);
    press(KEY_ENTER);  // the name chosen last, saved above
    EXPECT_NE(message(), "ERROR : LIST 'BACKUP' NOT FOUND");
    EXPECT_EQ(runtime::current_list_name, "BACKUP");
    dir.remove_file("data/BACKUP.lst");
    rig.hold(KEY_LOAD, 1100);
    rig.release(KEY_LOAD, kSettle_ms);
    expect_message_on(KEY_ENTER, "ERROR : LIST 'BACKUP' NOT FOUND");
}

}  // namespace
