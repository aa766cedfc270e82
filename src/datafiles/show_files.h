// Show and list save and load: the SAVE and LOAD keys, their dialogs, the
// shows saved as folders under data\ ("%s\data\%s"), the backup of the
// current show in data\backup, and the data items that choose which files
// of a show move.
//
// A save or a load checks every file it moves: a copy that fails ends the
// operation with an error on the message line. A load brings the show's
// files in under staging names first (file_moves.h) and puts them in place
// only once all arrived whole; when putting them in place fails, the files
// come back from the backup and the show does not restart.
//
// On the timecode screen the same keys save and load a timecode list
// ("%s\data\%s.lst") instead; the list format is the timecode module's.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace datafiles {

// The media of show_file_medium.
enum ShowFileMedium : uint8_t { kMediumInternal = 1, kMediumExternal = 2, kMediumList = 3 };
// show_file_operation (commands.h).
enum ShowFileOperation : uint8_t { kOperationSave = 1, kOperationLoad = 2 };

constexpr int kShowFileMedia = 3;
constexpr size_t kShowNameChars = 8;
constexpr int kDataItems = 9;          // item 9 is never shown and adds no file
constexpr int kShownDataItems = 8;
constexpr int kMaxDataFilePatterns = 25;
constexpr size_t kPatternChars = 12;
constexpr int kMaxItemPatterns = 8;

using ShowName = std::array<char, kShowNameChars + 1>;
using FilePattern = std::array<char, kPatternChars + 1>;

// One data item: the label shown in the browser and its file patterns.
struct DataItem {
    const char* label;
    std::array<const char*, kMaxItemPatterns> patterns;  // null after the last
};
extern const std::array<DataItem, kDataItems + 1> kDataItemTable;  // [1..9]

// Per medium 1..3 the name the browser chose (at most 8 characters).
extern std::array<ShowName, kShowFileMedia + 1> selected_file_names;
extern uint8_t show_file_medium;
// Per data item 1..9: 1 selected.
extern std::array<uint8_t, kDataItems + 1> data_item_selected;
// The patterns of the selected items, [1..data_file_pattern_count].
extern std::array<FilePattern, kMaxDataFilePatterns + 1> data_file_patterns;
extern uint8_t data_file_pattern_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_show_files_globals();

// The SAVE (112) or LOAD (111) key: held 1000 ms, it opens the list dialog
// on the timecode screen and the show dialog elsewhere.
void run_save_load_key(int16_t key);

void save_show_dialog();
void load_show_dialog();
void save_list_dialog();
void load_list_dialog();
// The titled box the show and list dialogs (and the list pickers) open with.
void draw_dialog_box(const char* title);

// On the chosen name of show_file_medium and on data_file_patterns.
void save_show_internal();
void save_show_external();
void load_show_internal();
void load_show_external();

// Fills data_file_patterns from data_item_selected; true when at least one
// pattern was produced.
bool build_data_item_patterns();

// Compacts the memory file, the cue-sequence, cue-playback and point-cue
// files and the memory-cue file, each replacing its file at once. A file
// whose last load left records unloaded is left as it is.
void optimize_show_data();

// Deletes the older per-page files (mem-*, fig-*, mid-*, pre-*, gen-*,
// cue-*) of the data folder.
void delete_old_page_files();

// True when the show folder holds both mem.dat and mem-0250.dat.
bool probe_show_format(const std::string& show_directory);

// Names a show may not be saved (or deleted) under internally, and a list
// not saved under; compared without regard to case, so that a folder
// spelled "backup" on the disk is protected as well.
bool is_protected_show_name(std::string_view name);
bool is_protected_list_name(std::string_view name);

// The chosen name of the current medium.
std::string selected_name();

// "%s\data" on the program directory, and its backup folder.
std::string data_directory();
std::string backup_directory();

// The backup before a load, when the current setup holds a fixture: the
// backup folder is made when missing and emptied of the files of every
// data item, then the selected files are copied into it. False when a step
// failed; nothing of the current show has changed then.
bool back_up_current_show();
// The selected files back from the backup folder into the data folder.
bool restore_from_backup();

// The operator's yes / no on the message line: ENTER true, ESC false.
bool ask_enter_or_esc(const char* question, uint32_t beep_ms);

// The error beep of these dialogs: 400 Hz for 2000 ms, interruptible or not.
void error_beep(bool interruptible);

}  // namespace datafiles
