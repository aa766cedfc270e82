#include "host/drives.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/dos_files.h"

namespace host {

namespace {

std::filesystem::path setting_or(const char* name, const std::filesystem::path& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::filesystem::path(value) : fallback;
}

}  // namespace

std::filesystem::path program_folder() {
    std::error_code error;
    return std::filesystem::canonical("/proc/self/exe", error).parent_path();
}

std::string map_drives(platform::Machine& machine) {
    std::error_code error;
    const std::filesystem::path binary = std::filesystem::canonical("/proc/self/exe", error);
    const std::filesystem::path program_dir = binary.parent_path();
    platform::DosFiles& dos = machine.dos;
    dos.drive_c_root = setting_or("BRAVINOX_DRIVE_C", program_dir.parent_path());
    dos.drive_a_root = setting_or("BRAVINOX_DRIVE_A", program_dir / "floppy");
    dos.printer_spool = setting_or("BRAVINOX_PRINTER", program_dir / "printer.prn");
    std::filesystem::create_directories(dos.drive_a_root, error);
    return platform::dos_program_path(binary);
}

}  // namespace host
