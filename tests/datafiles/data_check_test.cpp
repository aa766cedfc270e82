// The start-up check of the data folder, driven as the operator meets it: the
// console starts on a program directory, the questions appear on the text
// screen, Y or N is typed, and the files left in the data folder are checked.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "datafiles/data_check.h"
#include "datafiles/threshold_file.h"
#include "cue_file_bytes.h"
#include "data_dir.h"
#include "rig/console.h"
#include "runtime/config_records.h"
#include "runtime/main_loop.h"
#include "runtime/startup.h"
#include "ui/message_line.h"

namespace {

using datafiles_test::i32_at;
using datafiles_test::text_at;

constexpr uint32_t kWait_ms = 20'000;
constexpr int kBoxColumn = 15;

const std::string kQuestionTop = " ------------------ CHECKING FILES ------------------ ";
const std::string kQuestionBottom = " ---------------------------------------------------- ";

struct CurrentFile {
    const char* name;
    const char* not_found_row;
    const char* initialize_row;
    uintmax_t empty_size;  // version text and the empty index
    const char* version_text;
};

// In the order an empty data folder asks for them.
const std::array<CurrentFile, 7> kCurrentFiles = {{
    {"mem.dat", " FILE 'MEM.DAT' NOT FOUND !                           ",
     " INITIALIZE MEMORY-FILE ? (Y/N)                       ", 12 + 4000 * 33, "VERSION 6.30"},
    {"presets.dat", " FILE 'PRESETS.DAT' NOT FOUND !                       ",
     " INITIALIZE PRESETS-FILE ? (Y/N)                      ", 12 + 560 * 33, "VERSION 6.31"},
    {"memthrsh.dat", " FILE 'MEMTHRSH.DAT' NOT FOUND !                      ",
     " INITIALIZE THRESHOLD-FILE ? (Y/N)                    ", 70 * 101, ""},
    {"memcues.dat", " FILE 'MEMCUES.DAT' NOT FOUND !                       ",
     " INITIALIZE CUEMEMORIES FILE? (Y/N)?                  ", 12 + 2000 * 12, "VERSION 6.30"},
    {"cuemem.dat", " FILE 'CUEMEM.DAT' NOT FOUND !                      ",
     " INITIALIZE POINTCUE-FILE ? (Y/N)                    ", 12 + 11200 * 27, "VERSION 6.01"},
    {"cueseq.dat", " FILE 'CUESEQ.DAT' NOT FOUND !                      ",
     " INITIALIZE SEQUENCE-FILE ? (Y/N)                    ", 12 + 44800 * 5, "VERSION 6.01"},
    {"cueplayb.dat", " FILE 'CUEPLAYB.DAT' NOT FOUND !                    ",
     " INITIALIZE PLAYBACK-FILE ? (Y/N)                    ", 12 + 470400 * 5, "VERSION 6.01"},
}};

const std::vector<uint8_t> kSomeData = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};

// An item-list file with one record of one item under entry 1: what the show
// start loads and leaves as it is. Entries: a name of name_bytes (none for
// cue memories), then offset, capacity and count.
std::vector<uint8_t> item_list_file(const char* version, int entries, size_t name_bytes, const char* tag) {
    std::vector<uint8_t> bytes(version, version + 12);
    const int32_t first_record = static_cast<int32_t>(12 + static_cast<size_t>(entries) * (name_bytes + 12));
    for (int e = 1; e <= entries; ++e) {
        bytes.resize(bytes.size() + name_bytes, 0);
        for (int32_t field : {e == 1 ? first_record : -1, e == 1 ? 1 : 0, e == 1 ? 1 : 0}) {
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(field) >> (8 * i)));
        }
    }
    bytes.insert(bytes.end(), tag, tag + std::strlen(tag));
    for (uint8_t b : {0, 7, 0, 99, 0}) bytes.push_back(b);  // kind 0, index 7, value 99
    return bytes;
}

// What a test puts into a current data file and expects to find kept: the
// item-list files hold a record the show start reads, the point cues one
// that holds that cue memory, and the threshold file some bytes that only
// the check sees.
std::vector<uint8_t> kept_content(const std::string& name) {
    if (name == "mem.dat") return item_list_file("VERSION 6.30", 4000, 21, "+-0001-+");
    if (name == "presets.dat") return item_list_file("VERSION 6.31", 560, 21, "+-001-+");
    if (name == "memcues.dat") return item_list_file("VERSION 6.01", 2000, 0, "+-0001-+");
    if (name == "cuemem.dat") {
        // Slot 1 holds cue memory 1, which the start then keeps.
        datafiles_test::CueFileBytes pointcues(datafiles::kPointcueFile);
        playback::PointcueRecord point;
        point.flags = playback::CUE_RECORD_IN_CUE;
        point.point_memory = 1;
        pointcues.add(1, datafiles_test::pointcue_bytes(point));
        return pointcues.bytes;
    }
    if (name == "cueseq.dat") return datafiles_test::CueFileBytes(datafiles::kCueSequenceFile).bytes;
    if (name == "cueplayb.dat") return datafiles_test::CueFileBytes(datafiles::kCuePlaybackFile).bytes;
    return kSomeData;
}

class DataCheck : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_.folder() / "data"); }

    void start() {
        dir_.map_drive(rig_.machine());
        rig_.machine().cards.fit(0, rig::demo_console_card());
        rig_.start([] { runtime::console_main(rig::ProgramDir::program_path().c_str()); });
    }
    bool reaches_main_loop() {
        return rig_.run_until([] { return runtime::main_loop_passes > 0; }, kWait_ms);
    }

    // The text at column 15 of a row, as long as the expected text.
    std::string box_text(int row, size_t length) {
        return rig_.machine().text.row_text(row, true).substr(kBoxColumn - 1, length);
    }
    bool shows_question(const std::string& not_found_row) {
        return rig_.run_until([&] { return box_text(11, not_found_row.size()) == not_found_row; }, kWait_ms);
    }
    // Waits for the question, checks the whole box, then answers it.
    void answer(const std::string& not_found_row, const std::string& initialize_row, const char* key) {
        ASSERT_TRUE(shows_question(not_found_row)) << "row 11: " << rig_.text_row(11);
        EXPECT_EQ(box_text(10, kQuestionTop.size()), kQuestionTop);
        EXPECT_EQ(box_text(12, initialize_row.size()), initialize_row);
        EXPECT_EQ(box_text(13, kQuestionBottom.size()), kQuestionBottom);
        EXPECT_EQ(rig_.machine().text.attribute_at(kBoxColumn, 11), 0x4E);  // yellow on red
        EXPECT_EQ(rig_.machine().text.attribute_at(kBoxColumn - 1, 11) >> 4, 0);  // black outside the box
        rig_.type(key);
    }
    void answer(const CurrentFile& file, const char* key) { answer(file.not_found_row, file.initialize_row, key); }

    // Every current file present with some bytes of its own.
    void write_current_files() const {
        for (const CurrentFile& file : kCurrentFiles) write(file.name, kept_content(file.name));
    }
    void write(const std::string& data_file, const std::vector<uint8_t>& bytes) const {
        dir_.write_file("data/" + data_file, bytes);
    }
    bool has(const std::string& data_file) const { return dir_.has_file("data/" + data_file); }
    std::vector<uint8_t> read(const std::string& data_file) const { return dir_.read_file("data/" + data_file); }
    uintmax_t size_of(const std::string& data_file) const {
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(dir_.folder() / "data" / data_file, error);
        return error ? 0 : size;
    }
    void expect_empty_file(const CurrentFile& file) const {
        ASSERT_TRUE(has(file.name)) << file.name;
        EXPECT_EQ(size_of(file.name), file.empty_size) << file.name;
        const std::vector<uint8_t> bytes = read(file.name);
        const std::string version = file.version_text;
        EXPECT_EQ(text_at(bytes, 0, version.size()), version) << file.name;
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo(false);  // an empty data folder
    rig::Rig rig_;
};

const CurrentFile& current(const std::string& name) {
    for (const CurrentFile& file : kCurrentFiles) {
        if (name == file.name) return file;
    }
    return kCurrentFiles[0];
}

std::string page_name(const char* kind, int page, const char* extension) {
    char name[32] = {};
    std::snprintf(name, sizeof name, "%s-%04d.%s", kind, page, extension);
    return name;
}

TEST(DataCheckTexts, QuestionRowsHaveTheirLengths) {
    for (const CurrentFile& file : kCurrentFiles) {
        const bool cue_file = std::string(file.name).rfind("cue", 0) == 0;
        EXPECT_EQ(std::string(file.not_found_row).size(), cue_file ? 52u : 54u) << file.name;
        EXPECT_EQ(std::string(file.initialize_row).size(), cue_file ? 53u : 54u) << file.name;
    }
}

TEST_F(DataCheck, EmptyDataFolderAsksForEveryFileInTurnAndYesCreatesThemAll) {
    start();
    for (const CurrentFile& file : kCurrentFiles) {
        answer(file, "y");
        if (HasFatalFailure()) return;
    }
    ASSERT_TRUE(reaches_main_loop());
    for (const CurrentFile& file : kCurrentFiles) expect_empty_file(file);
}

// A program directory without a data folder at all: the same questions,
// and Y makes the folder and every file in it.
TEST_F(DataCheck, WithoutADataFolderYesCreatesTheFolderAndEveryFile) {
    std::filesystem::remove_all(dir_.folder() / "data");
    start();
    for (const CurrentFile& file : kCurrentFiles) {
        answer(file, "Y");
        if (HasFatalFailure()) return;
    }
    ASSERT_TRUE(reaches_main_loop());
    for (const CurrentFile& file : kCurrentFiles) expect_empty_file(file);
}

TEST_F(DataCheck, NewThresholdFileHoldsSeventyEmptyEntries) {
    write_current_files();
    dir_.remove_file("data/memthrsh.dat");
    start();
    answer(current("memthrsh.dat"), "Y");
    ASSERT_TRUE(reaches_main_loop());
    const std::vector<uint8_t> bytes = read("memthrsh.dat");
    ASSERT_EQ(bytes.size(), 7070u);
    for (size_t t = 1; t <= 70; ++t) {
        const size_t entry = (t - 1) * 101;
        EXPECT_EQ(bytes[entry], 0) << "threshold " << t;
        for (size_t b = 1; b <= 16; ++b) {
            EXPECT_EQ(bytes[entry + 20 + b], 0) << "threshold " << t << " block " << b;
            EXPECT_EQ(i32_at(bytes, entry + 33 + 4 * b), -1) << "threshold " << t << " block " << b;
        }
    }
}

TEST_F(DataCheck, InitThresholdFileEmptiesTheIndexInMemory) {
    dir_.map_drive(rig_.machine());
    runtime::home_directory = rig::ProgramDir::home_directory();
    datafiles::threshold_index[5].name[0] = 'A';
    datafiles::threshold_index[5].block_present[3] = 1;
    datafiles::threshold_index[5].block_offsets[3] = 7070;
    datafiles::init_threshold_file();
    EXPECT_EQ(datafiles::threshold_index[5].name[0], 0);
    EXPECT_EQ(datafiles::threshold_index[5].block_present[3], 0);
    EXPECT_EQ(datafiles::threshold_index[5].block_offsets[3], -1);
    EXPECT_EQ(size_of("memthrsh.dat"), 7070u);
}

TEST_F(DataCheck, NoEndsTheProgramWithExitCodeOneAndKeepsTheFilesMadeBefore) {
    start();
    answer(current("mem.dat"), "Y");
    answer(current("presets.dat"), "n");
    ASSERT_TRUE(rig_.run_until([&] { return rig_.finished(); }, kWait_ms));
    EXPECT_EQ(rig_.exit_code(), 1);
    expect_empty_file(current("mem.dat"));
    EXPECT_FALSE(has("presets.dat"));
    EXPECT_FALSE(has("memthrsh.dat"));
    EXPECT_EQ(rig_.machine().text.mode, platform::kTextModeColour80);
    EXPECT_EQ(rig_.text_row(11), "");
}

TEST_F(DataCheck, OtherKeysAreIgnoredWhileAQuestionIsShown) {
    write_current_files();
    dir_.remove_file("data/presets.dat");
    start();
    ASSERT_TRUE(shows_question(current("presets.dat").not_found_row));
    rig_.type("x1 q\r\x1b");
    rig_.machine().text.push_extended_key('Y');  // an extended key whose code is a 'Y'
    rig_.run_ms(500);
    EXPECT_FALSE(rig_.finished());
    EXPECT_FALSE(has("presets.dat"));
    EXPECT_EQ(box_text(11, 54), current("presets.dat").not_found_row);
    EXPECT_EQ(runtime::main_loop_passes, 0u);
    rig_.type("y");
    ASSERT_TRUE(reaches_main_loop());
    expect_empty_file(current("presets.dat"));
}

TEST_F(DataCheck, AllFilesPresentStartsWithoutAQuestionAndKeepsTheCueMemories) {
    write_current_files();
    start();
    ASSERT_TRUE(reaches_main_loop());
    for (const CurrentFile& file : kCurrentFiles) EXPECT_EQ(read(file.name), kept_content(file.name)) << file.name;
}

TEST_F(DataCheck, AllMemoryPagesDeleteMemDatRecreateCueMemoriesAndAskForEachMissingPage) {
    write_current_files();
    for (int i = 1; i <= 8; ++i) {
        write(page_name("mem", 250 * i, "dat"), kSomeData);
        if (i != 2) write(page_name("gen", 250 * i, "dat"), kSomeData);
        if (i != 8) write(page_name("fig", 250 * i, "dat"), kSomeData);
    }
    start();
    answer(" FILE 'GEN-0500.DAT' NOT FOUND !                      ",
           " INITIALIZE GENERATOR-FILE ? (Y/N)                    ", "y");
    answer(" FILE 'FIG-2000.DAT' NOT FOUND !                      ",
           " INITIALIZE FIGURE-FILE ? (Y/N)                       ", "y");
    ASSERT_TRUE(reaches_main_loop());
    // The show start then converts the pages (which hold nothing readable
    // here) into a new mem.dat and retires them.
    expect_empty_file(current("mem.dat"));
    expect_empty_file(current("memcues.dat"));
    EXPECT_FALSE(has("gen-0500.dat"));
    EXPECT_FALSE(has("fig-2000.dat"));
    EXPECT_EQ(read("mem-0250.old"), kSomeData);
    EXPECT_EQ(read("presets.dat"), kept_content("presets.dat"));
}

TEST_F(DataCheck, SomeMemoryPagesWithoutMemDatCreateItAndLeaveThePagesForTheConversion) {
    write_current_files();
    dir_.remove_file("data/mem.dat");
    write("mem-0250.dat", kSomeData);
    write("mem-0750.dat", kSomeData);
    write("gen-0250.dat", kSomeData);
    write("fig-0250.dat", kSomeData);
    write("mem-0250.old", {'o', 'l', 'd'});
    start();
    answer(current("mem.dat"), "y");
    ASSERT_TRUE(reaches_main_loop());
    expect_empty_file(current("mem.dat"));
    expect_empty_file(current("memcues.dat"));  // it belonged to the memories that are gone
    // The pages that exist are converted at the show start and retired; the
    // .old left by an earlier conversion gives way to the page.
    for (const char* page : {"mem-0250", "mem-0750", "gen-0250", "fig-0250"}) {
        EXPECT_EQ(read(std::string(page) + ".old"), kSomeData) << page;
        EXPECT_FALSE(has(std::string(page) + ".dat")) << page;
    }
}

TEST_F(DataCheck, SomeMemoryPagesWithMemDatLeaveEverythingAndKeepTheCueMemories) {
    write_current_files();
    write("mem-0500.dat", kSomeData);
    start();
    ASSERT_TRUE(reaches_main_loop());
    EXPECT_EQ(read("mem.dat"), kept_content("mem.dat"));
    EXPECT_EQ(read("memcues.dat"), kept_content("memcues.dat"));
    EXPECT_EQ(read("mem-0500.dat"), kSomeData);
}

TEST_F(DataCheck, AllOlderPresetFilesDeletePresetsDatWithoutAQuestion) {
    write_current_files();
    for (const char* name : {"pre-pan.dat", "pre-col.dat", "pre-gob.dat", "pre-gen.dat", "pre-fig.dat"}) {
        write(name, kSomeData);
    }
    start();
    ASSERT_TRUE(reaches_main_loop());
    // The show start then converts them: presets.dat is written from the
    // older files (which hold nothing readable here), and they are kept as .old.
    expect_empty_file(current("presets.dat"));
    EXPECT_FALSE(has("pre-pan.dat"));
    EXPECT_EQ(read("pre-pan.old"), kSomeData);
    EXPECT_EQ(read("memcues.dat"), kept_content("memcues.dat"));
}

TEST_F(DataCheck, SomeOlderPresetFilesWithoutPresetsDatStayForTheConversionAfterYes) {
    write_current_files();
    dir_.remove_file("data/presets.dat");
    write("pre-col.dat", kSomeData);
    write("pre-fig.dat", kSomeData);
    write("pre-col.old", {'o', 'l', 'd'});
    start();
    answer(current("presets.dat"), "y");
    ASSERT_TRUE(reaches_main_loop());
    expect_empty_file(current("presets.dat"));
    EXPECT_EQ(read("pre-col.dat"), kSomeData);
    EXPECT_EQ(read("pre-fig.dat"), kSomeData);
    EXPECT_EQ(read("pre-col.old"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(has("pre-fig.old"));
}

TEST_F(DataCheck, AllFourOlderCueFilesMeanNoCueQuestion) {
    write_current_files();
    for (const char* name : {"cuemem.dat", "cueseq.dat", "cueplayb.dat"}) dir_.remove_file(std::string("data/") + name);
    for (const char* name : {"cue-0560.dat", "cue-1120.dat", "mid-0560.dat", "mid-1120.dat"}) write(name, kSomeData);
    start();
    ASSERT_TRUE(reaches_main_loop());
    // The conversion at the show start writes the cue files and retires the pages.
    expect_empty_file(current("cuemem.dat"));
    expect_empty_file(current("cueplayb.dat"));
    EXPECT_EQ(read("cue-0560.old"), kSomeData);
}

TEST_F(DataCheck, SomeOlderCueFilesAskForTheMissingCueFilesAndStayForTheConversion) {
    write_current_files();
    dir_.remove_file("data/cueseq.dat");
    dir_.remove_file("data/cueplayb.dat");
    write("cue-0560.dat", kSomeData);
    write("mid-1120.dat", kSomeData);
    start();
    answer(current("cueseq.dat"), "y");
    answer(current("cueplayb.dat"), "y");
    ASSERT_TRUE(reaches_main_loop());
    // The show start converts the pages into the cue files; the cue file that
    // held data is kept as a copy before it is replaced.
    EXPECT_EQ(read("cuemem.k01"), kept_content("cuemem.dat"));
    expect_empty_file(current("cuemem.dat"));
    expect_empty_file(current("cueseq.dat"));
    expect_empty_file(current("cueplayb.dat"));
    EXPECT_EQ(read("cue-0560.old"), kSomeData);
    EXPECT_EQ(read("mid-1120.old"), kSomeData);
}

TEST_F(DataCheck, SomeOlderCueFilesBesideTheCurrentOnesAreConvertedAndTheCurrentOnesKeptAsCopies) {
    write_current_files();
    write("cue-1120.dat", kSomeData);
    start();
    ASSERT_TRUE(reaches_main_loop());
    // The page is converted at the show start; a cue file it replaces that
    // held a record is kept as a copy first.
    EXPECT_EQ(read("cue-1120.old"), kSomeData);
    EXPECT_EQ(read("cuemem.k01"), kept_content("cuemem.dat"));
    EXPECT_FALSE(has("cueplayb.k01"));  // it held nothing
}

// ------------------------------------------------------------------ left-overs of a replacement

TEST_F(DataCheck, AFileMissingAfterAnInterruptedReplacementIsRestoredFromItsOldCopyWithoutAQuestion) {
    write_current_files();
    dir_.remove_file("data/presets.dat");
    write("presets.$$O", kept_content("presets.dat"));
    dir_.remove_file("data/memthrsh.dat");
    write("memthrsh.$$O", kSomeData);
    start();
    ASSERT_TRUE(reaches_main_loop());
    EXPECT_EQ(read("presets.dat"), kept_content("presets.dat"));
    EXPECT_EQ(read("memthrsh.dat"), kSomeData);
    EXPECT_FALSE(has("presets.$$O"));
}

TEST_F(DataCheck, LeftOverCopiesBesideAPresentFileAreNotDeletedAtStart) {
    write_current_files();
    write("mem.$$$", {'n', 'e', 'w'});
    write("mem.$$O", {'o', 'l', 'd'});
    start();
    ASSERT_TRUE(reaches_main_loop());
    EXPECT_EQ(read("mem.dat"), kept_content("mem.dat"));
    EXPECT_EQ(read("mem.$$$"), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(read("mem.$$O"), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

// ------------------------------------------------------------------ a damaged file at the show start

// A memthrsh.dat of random bytes: the start goes on after three beeps, and
// the message line names the file once the main screen is up.
TEST_F(DataCheck, ADamagedFileDoesNotStallTheStartAndIsNamedOnTheMessageLine) {
    write_current_files();
    std::mt19937 random(9);
    std::vector<uint8_t> bytes(300'000);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    for (size_t t = 0; t < 70; ++t) {
        for (size_t b = 1; b <= 16; ++b) {
            datafiles_test::set_i32_at(bytes, t * 101 + 33 + 4 * b, static_cast<int32_t>(7070 + random() % 200'000));
        }
    }
    write("memthrsh.dat", bytes);
    start();
    ASSERT_TRUE(reaches_main_loop());
    EXPECT_LT(rig_.machine().clock.now_ms, 60'000u);
    EXPECT_EQ(ui::current_message(), "MEMTHRSH.DAT: 1120 RECORDS REFUSED");
    EXPECT_EQ(read("memthrsh.dat"), bytes);
}

}  // namespace
