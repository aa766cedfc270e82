// A full show saved as a compressed archive to drive A: and loaded back:
// every data item selected, the data folder holding a full memory file
// (4000 memories of 100 items), the setup, presets, cue memories and the
// small tables at their sizes. The save compresses into the work file and
// copies it to the floppy with its read-back check; the load copies it back,
// expands it under the staging names with the CRC checks and swaps the files
// in. Files live in a folder of the system's temporary directory, whose
// writes are committed to the disk as the console commits them.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "datafiles/show_archive.h"
#include "datafiles/show_files.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/config_records.h"
#include "setup/setup_data.h"

namespace {

constexpr int kMemories = 4000;
constexpr int kItemsPerMemory = 100;
constexpr int kItemBytes = 5;
constexpr uint32_t kBigFloppyBytes = 16u << 20;  // room for the show whatever it compresses to

// A machine whose drive C: holds C:\BRAVINOX\data and whose drive A: is a
// folder beside it, with graphics started.
class ShowFolders {
public:
    ShowFolders() {
        root_ = std::filesystem::temp_directory_path() / ("bravinox_archive_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_ / "C" / "BRAVINOX" / "data");
        std::filesystem::create_directories(root_ / "A");
        machine_->dos.drive_c_root = root_ / "C";
        machine_->dos.drive_a_root = root_ / "A";
        machine_->dos.floppy_capacity_bytes = kBigFloppyBytes;
        platform::install_machine(machine_.get());
        runtime::home_directory = "C:\\BRAVINOX";
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        setup::fixture_count = 0;  // no backup: the load itself is measured
        datafiles::data_item_selected.fill(1);
        datafiles::build_data_item_patterns();
    }
    ~ShowFolders() {
        platform::install_machine(nullptr);
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    ShowFolders(const ShowFolders&) = delete;
    ShowFolders& operator=(const ShowFolders&) = delete;

    // Writes a data file; returns its size.
    int64_t write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(root_ / "C" / "BRAVINOX" / "data" / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<int64_t>(bytes.size());
    }

private:
    std::filesystem::path root_;
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// Items as memories hold them: kind, function record, value.
std::vector<uint8_t> memory_file_bytes(std::mt19937& random) {
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(kMemories) * kItemsPerMemory * kItemBytes + 132012);
    bytes.resize(132012, 0);  // the version text and the index
    for (int m = 1; m <= kMemories; ++m) {
        for (int i = 0; i < kItemsPerMemory; ++i) {
            const auto record = static_cast<uint16_t>(1 + (m * 7 + i) % 2048);
            const auto value = static_cast<uint16_t>(random() % 256);
            bytes.insert(bytes.end(), {static_cast<uint8_t>(i % 7 == 0 ? 10 : 0), static_cast<uint8_t>(record),
                                       static_cast<uint8_t>(record >> 8), static_cast<uint8_t>(value),
                                       static_cast<uint8_t>(value >> 8)});
        }
    }
    return bytes;
}

std::vector<uint8_t> sparse_bytes(std::mt19937& random, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    for (size_t i = 0; i < size; i += 1 + random() % 16) bytes[i] = static_cast<uint8_t>(random());
    return bytes;
}

// The show's files; returns their total size.
int64_t write_full_show(const ShowFolders& folders) {
    std::mt19937 random(14);
    int64_t total = folders.write("mem.dat", memory_file_bytes(random));
    total += folders.write("setup.dat", sparse_bytes(random, 115207));
    total += folders.write("presets.dat", sparse_bytes(random, 18492 + 420 * 4096 / 8));
    total += folders.write("memcues.dat", sparse_bytes(random, 24012 + 200000));
    total += folders.write("transp.dat", sparse_bytes(random, 22402));
    total += folders.write("soft.dat", sparse_bytes(random, 14336));
    total += folders.write("groupa.dat", sparse_bytes(random, 29200));
    total += folders.write("values.def", sparse_bytes(random, 4096));
    total += folders.write("groups.dat", sparse_bytes(random, 32 * 700 + 32 * 11));
    total += folders.write("show.lst", sparse_bytes(random, 8000));
    return total;
}

void BM_SaveFullShowArchive(benchmark::State& state) {
    ShowFolders folders;
    const int64_t total = write_full_show(folders);
    for (auto _ : state) {
        datafiles::save_show_archive("FULL");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * total);
}

void BM_LoadFullShowArchive(benchmark::State& state) {
    ShowFolders folders;
    const int64_t total = write_full_show(folders);
    datafiles::save_show_archive("FULL");
    for (auto _ : state) {
        if (!datafiles::load_show_archive("FULL")) state.SkipWithError("the archive did not load");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * total);
}

}  // namespace

BENCHMARK(BM_SaveFullShowArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFullShowArchive)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
