// A machine whose drive C: holds the demo program directory with an empty
// data folder, the program directory set, graphics started and the beeper on, as
// the show-data loaders find them at a show start. Files go in and out
// through the program directory by their names ("data/curve.dat").
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "datafiles/load_report.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "rig/program_dir.h"
#include "runtime/config_records.h"
#include "runtime/show_tables.h"

namespace datafiles_test {

constexpr int32_t kErrorBeepHz = 400;
constexpr uint64_t kErrorBeep_ms = 1000;

class DataDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.map_drive(*machine_);
        platform::install_machine(machine_.get());
        runtime::home_directory = rig::ProgramDir::home_directory();
        runtime::console_config.set_u8(runtime::kCfgBeeper, 1);
        std::filesystem::create_directories(dir_.folder() / "data");
        std::filesystem::create_directories(dir_.folder() / "lib");
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        datafiles::clear_load_reports();
    }
    void TearDown() override { platform::install_machine(nullptr); }

    void write(const std::string& name, const std::vector<uint8_t>& bytes) const { dir_.write_file(name, bytes); }
    std::vector<uint8_t> read(const std::string& name) const { return dir_.read_file(name); }
    bool has(const std::string& name) const { return dir_.has_file(name); }
    // Removes a file when it is there.
    void remove(const std::string& name) const {
        std::error_code error;
        std::filesystem::remove(dir_.folder() / name, error);
    }
    uintmax_t size_of(const std::string& name) const {
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(dir_.folder() / name, error);
        return error ? 0 : size;
    }
    // Names in the data folder, to see that no scratch file is left behind.
    std::vector<std::string> data_folder_names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.folder() / "data")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Error beeps (400 Hz, 1000 ms) sounded so far.
    int error_beeps() const {
        int count = 0;
        for (const platform::Tone& tone : machine_->speaker.tones.to_vector()) {
            count += tone.freq_hz == kErrorBeepHz && tone.duration_ms == kErrorBeep_ms;
        }
        return count;
    }

    // Virtual milliseconds passed since the machine was switched on.
    uint64_t now_ms() const { return machine_->clock.now_ms; }

    static std::vector<uint8_t> random_bytes(std::mt19937& random, size_t size) {
        std::uniform_int_distribution<int> byte(0, 255);
        std::vector<uint8_t> bytes(size);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(byte(random));
        return bytes;
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo(false);  // an empty data folder
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// While it lives, the show tables get only `allowed` more allocations; then
// memory has run out.
class AllocationLimit {
public:
    explicit AllocationLimit(int allowed) {
        left() = allowed;
        runtime::show_table_allocator = [](size_t size, const char* file, unsigned line) -> void* {
            if (left()-- <= 0) return nullptr;
            return memcheck::mc_malloc_at(size, file, line);
        };
    }
    ~AllocationLimit() { runtime::show_table_allocator = memcheck::mc_malloc_at; }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

private:
    static int& left() {
        static int allowed = 0;
        return allowed;
    }
};

// Little-endian fields of a byte buffer.
inline uint16_t u16_at(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}
inline int32_t i32_at(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<int32_t>(uint32_t{bytes.at(at)} | uint32_t{bytes.at(at + 1)} << 8 |
                                uint32_t{bytes.at(at + 2)} << 16 | uint32_t{bytes.at(at + 3)} << 24);
}
inline void set_u16_at(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}
inline void set_i32_at(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}
// The 33-byte index entry at a place of a file's bytes.
inline datafiles::MemoryIndexEntry entry_on_file(const std::vector<uint8_t>& bytes, size_t at) {
    datafiles::MemoryIndexEntry entry;
    datafiles::decode(std::span<const uint8_t, datafiles::kMemoryIndexEntryBytes>(bytes.data() + at, 33), entry);
    return entry;
}
// The text the bytes hold there; shorter where they end early, so that a
// short file fails the comparison instead of being read past its end.
inline std::string text_at(const std::vector<uint8_t>& bytes, size_t at, size_t length) {
    const size_t from = std::min(at, bytes.size());
    const size_t to = std::min(at + length, bytes.size());
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

}  // namespace datafiles_test
