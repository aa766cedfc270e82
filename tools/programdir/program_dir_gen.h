// Lays out a program directory from the sources in a description folder:
// bravinox.cfg from the record description, keyboard.cfg from the layout
// description, bravinox.ini and the definition files (macro.def,
// midispec.cfg, soundin.cfg) copied with CR LF line ends, the machine
// description copied once it reads without fault, and the two bitmap fonts
// and the logo, which are drawn by the generators themselves; the demo's
// timecode list load.lst goes into the data folder with CR LF line ends.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace progdir {

// Names of the sources in the description folder.
constexpr const char* kRecordDescriptionName = "config_record.txt";
constexpr const char* kKeyLayoutDescriptionName = "key_layout.txt";
constexpr const char* kIniSourceName = "bravinox.ini";
constexpr const char* kMachineSourceName = "machine.txt";
// The effect macros, the MIDI statuses and the sound-input tuning, copied
// under the same names.
constexpr const char* kMacroDefName = "macro.def";
constexpr const char* kMidiStatusesName = "midispec.cfg";
constexpr const char* kSoundinName = "soundin.cfg";
constexpr const char* kLoadListName = "load.lst";  // the list bravinox.ini names, in the data folder

// Names of the files in the program directory.
constexpr const char* kConfigRecordName = "bravinox.cfg";
constexpr const char* kKeyboardConfigName = "keyboard.cfg";
constexpr const char* kIniName = "bravinox.ini";
constexpr const char* kMachineName = "machine.txt";  // the simulated hardware of a real run
constexpr const char* kDefaultFontName = "DEFAULT.FNT";
constexpr const char* kSmallFontName = "SMALL.FNT";
constexpr const char* kLogoName = "logo";
constexpr const char* kDataFolderName = "data";

// The files' contents.
struct ProgramDirFiles {
    std::vector<uint8_t> config_record;
    std::string keyboard_config;
    std::string ini;
    std::string machine;
    std::string macro_def;
    std::string midi_statuses;
    std::string soundin;
    std::string load_list;
    std::vector<uint8_t> default_font;
    std::vector<uint8_t> small_font;
    std::vector<uint8_t> logo;
};

bool read_text_file(const std::filesystem::path& path, std::string& text, std::string& error);
// Writes through a temporary name renamed over the file.
bool write_file(const std::filesystem::path& path, const std::string& bytes, std::string& error);

bool build_program_dir_files(const std::filesystem::path& source_dir, ProgramDirFiles& files, std::string& error);
// Writes the empty show data files and the list into target_dir's data
// folder, each only when it is not there yet.
bool lay_out_data_files(const std::filesystem::path& target_dir, const ProgramDirFiles& files, std::string& error);
// Builds the files and writes them into target_dir (created when missing).
bool lay_out_program_dir(const std::filesystem::path& source_dir, const std::filesystem::path& target_dir,
                         std::string& error);

}  // namespace progdir
