// The hardware test program on Linux: the simulated PC, the host, then the
// test program's own start.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "host/host.h"
#include "hwtest/test_menu.h"
#include "platform/dos_files.h"
#include "platform/machine.h"

namespace {

std::filesystem::path setting_or(const char* name, const std::filesystem::path& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::filesystem::path(value) : fallback;
}

}  // namespace

int main() {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());

    // The binary lives in the program directory; drive C: is the folder above it.
    const std::filesystem::path binary = std::filesystem::canonical("/proc/self/exe");
    const std::filesystem::path program_dir = binary.parent_path();
    platform::DosFiles& dos = machine->dos;
    dos.drive_c_root = setting_or("BRAVINOX_DRIVE_C", program_dir.parent_path());
    dos.drive_a_root = setting_or("BRAVINOX_DRIVE_A", program_dir / "floppy");
    dos.printer_spool = setting_or("BRAVINOX_PRINTER", program_dir / "printer.prn");
    std::filesystem::create_directories(dos.drive_a_root);

    host::open(*machine);
    const std::string program_path = platform::dos_program_path(binary);
    const char* const arguments[] = {program_path.c_str(), nullptr};
    hwtest::quandrix_main(1, arguments);
}
