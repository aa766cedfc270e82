#include "rig/program_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <system_error>

#include "programdir/data_files_gen.h"
#include "programdir/program_dir_gen.h"

namespace rig {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramFolder = "BRAVINOX";

// The demo files are built once per test program: every test lays out the
// same bytes.
const progdir::ProgramDirFiles& demo_files() {
    static const progdir::ProgramDirFiles files = [] {
        progdir::ProgramDirFiles built;
        std::string error;
        if (!progdir::build_program_dir_files(BRAVINOX_PROGRAMDIR_SOURCE, built, error)) {
            ADD_FAILURE() << "demo program directory: " << error;
        }
        return built;
    }();
    return files;
}

const std::vector<progdir::DataFile>& empty_data_files() {
    static const std::vector<progdir::DataFile> files = progdir::build_empty_data_files();
    return files;
}

}  // namespace

ProgramDir::ProgramDir() : drive_c_(std::make_unique<TempDir>()) {
    std::error_code error;
    fs::create_directory(folder(), error);
    if (error) ADD_FAILURE() << "cannot create " << folder() << ": " << error.message();
}

ProgramDir ProgramDir::demo(bool with_data_files) {
    ProgramDir dir;
    const progdir::ProgramDirFiles& files = demo_files();
    dir.write_file(progdir::kConfigRecordName, files.config_record);
    dir.write_text(progdir::kKeyboardConfigName, files.keyboard_config);
    dir.write_text(progdir::kIniName, files.ini);
    dir.write_text(progdir::kMacroDefName, files.macro_def);
    dir.write_text(progdir::kMidiStatusesName, files.midi_statuses);
    dir.write_text(progdir::kSoundinName, files.soundin);
    dir.write_file(progdir::kDefaultFontName, files.default_font);
    dir.write_file(progdir::kSmallFontName, files.small_font);
    dir.write_file(progdir::kLogoName, files.logo);
    if (with_data_files) {
        for (const progdir::DataFile& file : empty_data_files()) {
            dir.write_file(std::string(progdir::kDataFolderName) + "/" + file.name, file.bytes);
        }
        dir.write_text(std::string(progdir::kDataFolderName) + "/" + progdir::kLoadListName, files.load_list);
    }
    return dir;
}

fs::path ProgramDir::folder() const { return drive_c() / kProgramFolder; }

void ProgramDir::map_drive(platform::Machine& machine) const { machine.dos.drive_c_root = drive_c(); }

void ProgramDir::write_file(const std::string& name, std::span<const uint8_t> bytes) const {
    const fs::path path = folder() / name;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

void ProgramDir::write_text(const std::string& name, std::string_view text) const {
    write_file(name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void ProgramDir::remove_file(const std::string& name) const {
    std::error_code error;
    if (!fs::remove(folder() / name, error)) ADD_FAILURE() << "no file " << name << " to remove";
}

bool ProgramDir::has_file(const std::string& name) const {
    std::error_code error;
    return fs::is_regular_file(folder() / name, error);
}

std::vector<uint8_t> ProgramDir::read_file(const std::string& name) const {
    std::ifstream in(folder() / name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ProgramDir::read_text(const std::string& name) const {
    const std::vector<uint8_t> bytes = read_file(name);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> demo_config_record() { return demo_files().config_record; }

std::string demo_keyboard_config() { return demo_files().keyboard_config; }

}  // namespace rig
