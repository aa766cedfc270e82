// A program directory for a test.
//
// A fresh temporary folder stands for drive C:, and the program directory is
// its folder BRAVINOX, so the console started as C:\BRAVINOX\BRAVINOX.EXE
// finds its files there. demo() lays it out with the demo files, built by the
// same generator code and from the same descriptions as `make run` uses;
// a test then replaces, removes or adds files as it needs.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "rig/rig.h"

namespace rig {

class ProgramDir {
public:
    // An empty program directory.
    ProgramDir();
    // One laid out with the demo bravinox.cfg, keyboard.cfg, bravinox.ini, fonts
    // and logo, and (unless asked not to) the empty show data files.
    static ProgramDir demo(bool with_data_files = true);

    // Host folders of drive C: and of the program directory.
    const std::filesystem::path& drive_c() const { return drive_c_->path(); }
    std::filesystem::path folder() const;
    // The DOS path the console is started as, and its program directory.
    static std::string program_path() { return "C:\\BRAVINOX\\BRAVINOX.EXE"; }
    static std::string home_directory() { return "C:\\BRAVINOX"; }

    // Makes drive C: of the machine this folder.
    void map_drive(platform::Machine& machine) const;

    // Files by their name in the program directory ("keyboard.cfg",
    // "data/setup.dat"); writing replaces a file that is there.
    void write_file(const std::string& name, std::span<const uint8_t> bytes) const;
    void write_text(const std::string& name, std::string_view text) const;
    void remove_file(const std::string& name) const;
    bool has_file(const std::string& name) const;
    std::vector<uint8_t> read_file(const std::string& name) const;
    std::string read_text(const std::string& name) const;

private:
    std::unique_ptr<TempDir> drive_c_;
};

// The demo files themselves, for tests that change a byte or a line.
std::vector<uint8_t> demo_config_record();
std::string demo_keyboard_config();

}  // namespace rig
