#include "datafiles/data_check.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "datafiles/data_files.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/record_files.h"
#include "datafiles/threshold_file.h"
#include "platform/dos_files.h"
#include "platform/machine.h"
#include "platform/text_screen.h"
#include "runtime/config_records.h"
#include "ui/dos_commands.h"

namespace datafiles {

namespace {

constexpr int kBoxColumn = 15;
constexpr int kBoxFirstRow = 10;
constexpr int kBoxRows = 4;

constexpr int kRed = 4;
constexpr int kYellow = 14;
constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kWhite = 15;

constexpr int kMemoryPages = 8;
constexpr int kMemoryPageStep = 250;
constexpr int kCuePages = 2;
constexpr int kCuePageStep = 560;

const char* const kQuestionTop = " ------------------ CHECKING FILES ------------------ ";
const char* const kQuestionBottom = " ---------------------------------------------------- ";
const char* const kInfoTop = " ---------------- INITIALIZING DATA ---------------- ";
const char* const kInfoWait = " PLEASE WAIT ...                                     ";
const char* const kInfoBottom = " --------------------------------------------------- ";

// One file's question and information box. The gen and fig rows carry the
// page number ("%04d"); the others take it and show nothing of it.
struct FileDialogue {
    const char* not_found_row;
    const char* initialize_row;
    const char* initializing_row;
    void (*initialiser)();  // none for the older page files
};

constexpr FileDialogue kMemoryDialogue{
    " FILE 'MEM.DAT' NOT FOUND !                           ",
    " INITIALIZE MEMORY-FILE ? (Y/N)                       ",
    " INITIALIZING MEM.DAT'                               ", init_memory_file};
constexpr FileDialogue kGeneratorPageDialogue{
    " FILE 'GEN-%04d.DAT' NOT FOUND !                      ",
    " INITIALIZE GENERATOR-FILE ? (Y/N)                    ",
    " INITIALIZING GEN-%04d.DAT'                          ", nullptr};
constexpr FileDialogue kFigurePageDialogue{
    " FILE 'FIG-%04d.DAT' NOT FOUND !                      ",
    " INITIALIZE FIGURE-FILE ? (Y/N)                       ",
    " INITIALIZING FIG-%04d.DAT'                          ", nullptr};
constexpr FileDialogue kPresetDialogue{
    " FILE 'PRESETS.DAT' NOT FOUND !                       ",
    " INITIALIZE PRESETS-FILE ? (Y/N)                      ",
    " INITIALIZING PRESETS.DAT'                           ", init_preset_file};
constexpr FileDialogue kThresholdDialogue{
    " FILE 'MEMTHRSH.DAT' NOT FOUND !                      ",
    " INITIALIZE THRESHOLD-FILE ? (Y/N)                    ",
    " INITIALIZING 'MEMTHRSH.DAT'                         ", init_threshold_file};
constexpr FileDialogue kMemCueDialogue{
    " FILE 'MEMCUES.DAT' NOT FOUND !                       ",
    " INITIALIZE CUEMEMORIES FILE? (Y/N)?                  ",
    " INITIALIZING 'MEMCUES.DAT'                          ", init_memcue_file};
constexpr FileDialogue kPointcueDialogue{
    " FILE 'CUEMEM.DAT' NOT FOUND !                      ",
    " INITIALIZE POINTCUE-FILE ? (Y/N)                    ",
    " INITIALIZING 'CUEMEM.DAT'                           ", init_pointcue_file};
constexpr FileDialogue kCueSequenceDialogue{
    " FILE 'CUESEQ.DAT' NOT FOUND !                      ",
    " INITIALIZE SEQUENCE-FILE ? (Y/N)                    ",
    " INITIALIZING 'CUESEQ.DAT'                           ", init_cue_sequence_file};
constexpr FileDialogue kCuePlaybackDialogue{
    " FILE 'CUEPLAYB.DAT' NOT FOUND !                    ",
    " INITIALIZE PLAYBACK-FILE ? (Y/N)                    ",
    " INITIALIZING 'CUEPLAYB.DAT'                         ", init_cue_playback_file};

// The older preset files, in the order they are tested.
const char* const kOldPresetFiles[] = {"pre-pan", "pre-col", "pre-gob", "pre-gen", "pre-fig"};

// The current cue files, in the order they are tested and asked for.
struct CueFile {
    const char* file_name;
    const FileDialogue* dialogue;
};
const CueFile kCueFiles[] = {
    {"cuemem.dat", &kPointcueDialogue},
    {"cueseq.dat", &kCueSequenceDialogue},
    {"cueplayb.dat", &kCuePlaybackDialogue},
};

// A file exists when it opens for reading.
bool file_exists(const std::string& path) {
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool data_file_exists(const char* file) { return file_exists(data_path(file)); }

bool page_file_exists(const char* kind, int page) {
    char name[32] = {};
    std::snprintf(name, sizeof name, "%s-%04d.dat", kind, page);
    return data_file_exists(name);
}

// One member of a group tested: a missing member turns "all" into "some";
// an existing one turns "none" into "all", or into "some" after a missing one.
void note_group_member(int& state, bool& missing_seen, bool exists) {
    if (!exists) {
        if (state == kGroupAll) state = kGroupSome;
        missing_seen = true;
    } else if (state == kGroupNone) {
        state = missing_seen ? kGroupSome : kGroupAll;
    }
}

int memory_page_state() {
    int state = kGroupNone;
    bool missing_seen = false;
    for (int i = 1; i <= kMemoryPages; ++i) {
        note_group_member(state, missing_seen, page_file_exists("mem", kMemoryPageStep * i));
    }
    return state;
}

int preset_file_state() {
    int state = kGroupNone;
    bool missing_seen = false;
    for (const char* name : kOldPresetFiles) {
        note_group_member(state, missing_seen, data_file_exists((std::string(name) + ".dat").c_str()));
    }
    return state;
}

void write_box(const char* top, const char* second, const char* third, const char* bottom, int page) {
    const char* const rows[kBoxRows] = {top, second, third, bottom};
    for (int r = 0; r < kBoxRows; ++r) {
        platform::gotoxy(kBoxColumn, kBoxFirstRow + r);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
        platform::cprintf(rows[r], page);
#pragma GCC diagnostic pop
    }
}

// Waits for Y or N (either case); every other key, and both halves of an
// extended key, are passed over. True for Y.
bool read_yes_or_no() {
    for (;;) {
        const int key = platform::getch();
        if (key == 0 || key == 0xE0) {
            platform::getch();
            continue;
        }
        const int upper = std::toupper(key);
        if (upper == 'Y') return true;
        if (upper == 'N') return false;
    }
}

// Asks for one file; N ends the program with exit code 1. On Y the
// information box replaces the question and the initialiser runs.
void ask_to_initialize(const FileDialogue& dialogue, int page = 0) {
    platform::highvideo();
    platform::textbackground(kRed);
    platform::textcolor(kYellow);
    write_box(kQuestionTop, dialogue.not_found_row, dialogue.initialize_row, kQuestionBottom, page);
    // The host shows the question before the answer is read, also when the
    // answers wait typed ahead in a pipe.
    platform::idle_poll();
    if (!read_yes_or_no()) {
        platform::textmode(platform::kTextModeColour80);
        platform::exit_program(1);
    }
    platform::textbackground(kBlack);
    platform::clrscr();
    platform::textbackground(kBlue);
    platform::textcolor(kWhite);
    write_box(kInfoTop, dialogue.initializing_row, kInfoWait, kInfoBottom, page);
    if (dialogue.initialiser != nullptr) dialogue.initialiser();
}

void ask_if_missing(const char* file, const FileDialogue& dialogue) {
    if (!data_file_exists(file)) ask_to_initialize(dialogue);
}

// Memory pages. Returns whether mem.dat is to be rebuilt from the pages in
// this start, which is when the cue memories must start afresh with it.
// With only some pages left and mem.dat missing, the pages stay where they
// are: the conversion at load takes the ones that exist, where a retirement
// to .old would have them deleted unconverted at the show start.
bool check_memory_files(int page_state) {
    if (page_state == kGroupAll) {
        ui::run_dos_command("del %s\\data\\mem.dat", runtime::home_directory.c_str());
        return true;
    }
    if (data_file_exists("mem.dat")) return false;
    ask_to_initialize(kMemoryDialogue);
    return page_state == kGroupSome;
}

void check_generator_and_figure_pages() {
    for (int i = 1; i <= kMemoryPages; ++i) {
        const int page = kMemoryPageStep * i;
        if (!page_file_exists("gen", page)) ask_to_initialize(kGeneratorPageDialogue, page);
    }
    for (int i = 1; i <= kMemoryPages; ++i) {
        const int page = kMemoryPageStep * i;
        if (!page_file_exists("fig", page)) ask_to_initialize(kFigurePageDialogue, page);
    }
}

// Preset files, as the memory pages: with only some of the older files left
// they stay where they are for the conversion at load, where a retirement
// to .old would have them deleted unconverted at the show start.
void check_preset_files() {
    if (preset_file_state() == kGroupAll) {
        ui::run_dos_command("del %s\\data\\presets.dat", runtime::home_directory.c_str());
        return;
    }
    ask_if_missing("presets.dat", kPresetDialogue);
}

// The cue memories belong to the memories of mem.dat: when mem.dat is rebuilt
// from the older pages they start afresh; otherwise only a missing file is
// asked for, so the operator's cue memories survive every start.
void check_memcue_file(bool memories_rebuilt) {
    if (memories_rebuilt) {
        init_memcue_file();
        return;
    }
    ask_if_missing("memcues.dat", kMemCueDialogue);
}

// The current cue file missing first, tested in order; none when all exist.
bool a_current_cue_file_missing() {
    for (const CueFile& cue_file : kCueFiles) {
        if (!data_file_exists(cue_file.file_name)) return true;
    }
    return false;
}

// Older cue pages, all four or only some, stay for the conversion at load,
// as the memory pages do.
void check_cue_files() {
    const bool all_older_present = page_file_exists("cue", kCuePageStep) &&
                                   page_file_exists("cue", kCuePages * kCuePageStep) &&
                                   page_file_exists("mid", kCuePageStep) &&
                                   page_file_exists("mid", kCuePages * kCuePageStep);
    if (all_older_present) return;  // the conversion at load takes them
    if (a_current_cue_file_missing()) {
        for (const CueFile& cue_file : kCueFiles) ask_if_missing(cue_file.file_name, *cue_file.dialogue);
    }
}

// Whole files that an interrupted replacement of an earlier version may
// have left missing, with their old copy beside them.
const char* const kReplacedFiles[] = {
    "mem.dat",    "presets.dat", "memthrsh.dat", "memcues.dat",  "cuemem.dat",   "cueseq.dat", "cueplayb.dat",
    "values.def", "setup.dat",   "curve.dat",    "dimpatch.dat", "ch-patch.dat", "ch-curve.dat",
};

void restore_replaced_files() {
    for (const char* file : kReplacedFiles) restore_replaced_file(data_path(file));
}

}  // namespace

void init_threshold_file() {
    for (int t = 1; t <= kThresholds; ++t) threshold_index[static_cast<size_t>(t)] = ThresholdIndexEntry{};
    create_record_file(kThresholdFile);
}

void check_data_files() {
    platform::clrscr();
    platform::_setcursortype(platform::kCursorHidden);
    // A program directory without its data folder (a first start): the
    // files asked for below are created in a new one.
    const std::string data_folder = program_path("data");
    if (!platform::dos_exists(data_folder.c_str())) platform::dos_mkdir(data_folder.c_str());
    restore_replaced_files();

    const int page_state = memory_page_state();
    const bool memories_rebuilt = check_memory_files(page_state);
    if (page_state == kGroupAll) check_generator_and_figure_pages();
    check_preset_files();
    ask_if_missing("memthrsh.dat", kThresholdDialogue);
    check_memcue_file(memories_rebuilt);
    check_cue_files();

    platform::textmode(platform::kTextModeColour80);
}

}  // namespace datafiles
