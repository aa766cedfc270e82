#include "programdir/program_dir_gen.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "programdir/config_record_gen.h"
#include "programdir/data_files_gen.h"
#include "programdir/font_gen.h"
#include "programdir/key_layout_gen.h"
#include "programdir/logo_gen.h"
#include "platform/machine_description.h"

namespace progdir {

namespace fs = std::filesystem;

namespace {

// Text with every line ended by CR LF, as DOS text files are.
std::string with_crlf(const std::string& text) {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += line + "\r\n";
        start = end + 1;
    }
    return out;
}

}  // namespace

bool read_text_file(const fs::path& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path.string();
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool write_file(const fs::path& path, const std::string& bytes, std::string& error) {
    fs::path temporary = path;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code code;
    fs::rename(temporary, path, code);
    if (code) {
        error = "cannot rename " + temporary.string() + ": " + code.message();
        return false;
    }
    return true;
}

bool build_program_dir_files(const fs::path& source_dir, ProgramDirFiles& files, std::string& error) {
    std::string record_description;
    std::string layout_description;
    std::string ini;
    if (!read_text_file(source_dir / kRecordDescriptionName, record_description, error)) return false;
    if (!read_text_file(source_dir / kKeyLayoutDescriptionName, layout_description, error)) return false;
    if (!read_text_file(source_dir / kIniSourceName, ini, error)) return false;
    if (!read_text_file(source_dir / kMachineSourceName, files.machine, error)) return false;
    if (!read_text_file(source_dir / kMacroDefName, files.macro_def, error)) return false;
    if (!read_text_file(source_dir / kMidiStatusesName, files.midi_statuses, error)) return false;
    if (!read_text_file(source_dir / kSoundinName, files.soundin, error)) return false;
    if (!read_text_file(source_dir / kLoadListName, files.load_list, error)) return false;
    if (!build_config_record(record_description, files.config_record, error)) {
        error = std::string(kRecordDescriptionName) + ", " + error;
        return false;
    }
    if (!build_keyboard_config(layout_description, files.keyboard_config, error)) {
        error = std::string(kKeyLayoutDescriptionName) + ", " + error;
        return false;
    }
    files.ini = with_crlf(ini);
    files.macro_def = with_crlf(files.macro_def);
    files.midi_statuses = with_crlf(files.midi_statuses);
    files.soundin = with_crlf(files.soundin);
    files.load_list = with_crlf(files.load_list);
    platform::MachineDescription machine;
    if (!platform::parse_machine_description(files.machine, machine, error)) {
        error = std::string(kMachineSourceName) + ", " + error;
        return false;
    }
    files.default_font = build_default_font();
    if (!build_small_font(files.small_font, error)) return false;
    return build_logo(kDemoLogoWidth, kDemoLogoHeight, files.logo, error);
}

// The empty show data files, only where none is there: a show the console
// has written is never replaced.
bool lay_out_data_files(const fs::path& target_dir, const ProgramDirFiles& files, std::string& error) {
    const fs::path data_dir = target_dir / kDataFolderName;
    std::error_code code;
    fs::create_directories(data_dir, code);
    for (const DataFile& file : build_empty_data_files()) {
        if (fs::exists(data_dir / file.name, code)) continue;
        if (!write_file(data_dir / file.name, std::string(file.bytes.begin(), file.bytes.end()), error)) return false;
    }
    if (!fs::exists(data_dir / kLoadListName, code) && !write_file(data_dir / kLoadListName, files.load_list, error)) {
        return false;
    }
    return true;
}

bool lay_out_program_dir(const fs::path& source_dir, const fs::path& target_dir, std::string& error) {
    ProgramDirFiles files;
    if (!build_program_dir_files(source_dir, files, error)) return false;
    std::error_code code;
    fs::create_directories(target_dir, code);
    if (code) {
        error = "cannot create " + target_dir.string() + ": " + code.message();
        return false;
    }
    const auto bytes = [](const std::vector<uint8_t>& data) { return std::string(data.begin(), data.end()); };
    return write_file(target_dir / kConfigRecordName, bytes(files.config_record), error) &&
           write_file(target_dir / kKeyboardConfigName, files.keyboard_config, error) &&
           write_file(target_dir / kIniName, files.ini, error) &&
           write_file(target_dir / kMachineName, files.machine, error) &&
           write_file(target_dir / kMacroDefName, files.macro_def, error) &&
           write_file(target_dir / kMidiStatusesName, files.midi_statuses, error) &&
           write_file(target_dir / kSoundinName, files.soundin, error) &&
           write_file(target_dir / kDefaultFontName, bytes(files.default_font), error) &&
           write_file(target_dir / kSmallFontName, bytes(files.small_font), error) &&
           write_file(target_dir / kLogoName, bytes(files.logo), error) && lay_out_data_files(target_dir, files, error);
}

}  // namespace progdir
