// The item-list engine of the record files on mem.dat: loading a full file
// (4000 memories of 100 items, compacted so that no seek is needed), loading
// 2 MB of random bytes (every record refused; the beeps take virtual time
// only), storing one memory in place, and compacting the full file (whose
// replacement is committed to the disk). Files live in a folder of the
// system's temporary directory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "datafiles/memory_file.h"
#include "datafiles/record_files.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/config_records.h"
#include "runtime/show_tables.h"

namespace {

constexpr int kItemsPerMemory = 100;

void* plain_allocator(size_t size, const char*, unsigned) { return std::malloc(size); }

// A machine whose drive C: holds C:\BRAVINOX\data, with graphics started.
class DataFolder {
public:
    DataFolder() {
        folder_ = std::filesystem::temp_directory_path() / ("bravinox_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_ / "BRAVINOX" / "data");
        machine_->dos.drive_c_root = folder_;
        platform::install_machine(machine_.get());
        runtime::home_directory = "C:\\BRAVINOX";
        runtime::show_table_allocator = plain_allocator;
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
    }
    ~DataFolder() {
        datafiles::free_memory_items();
        platform::install_machine(nullptr);
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    std::filesystem::path mem_dat() const { return folder_ / "BRAVINOX" / "data" / "mem.dat"; }

private:
    std::filesystem::path folder_;
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// Every memory with a list of kItemsPerMemory items, stored and compacted.
void write_full_file() {
    datafiles::clear_memory_index();
    datafiles::create_record_file(datafiles::kMemoryFile);
    for (int m = 1; m <= memories::kMemories; ++m) {
        auto* items = static_cast<datafiles::MemoryItem*>(std::malloc(kItemsPerMemory * sizeof(datafiles::MemoryItem)));
        for (int i = 0; i < kItemsPerMemory; ++i) {
            items[i] = {static_cast<uint8_t>(i % 7), static_cast<uint16_t>(i + 1), static_cast<uint16_t>(m)};
        }
        memories::memory_items[static_cast<size_t>(m)] = items;
        memories::memory_index[static_cast<size_t>(m)].count = kItemsPerMemory;
    }
    datafiles::compact_memory_file(true);
}

void BM_LoadFullMemoryFile(benchmark::State& state) {
    DataFolder folder;
    write_full_file();
    for (auto _ : state) {
        datafiles::load_memory_file();
        benchmark::DoNotOptimize(memories::memory_items[4000]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(folder.mem_dat())));
}

void BM_LoadRandomMemoryFile(benchmark::State& state) {
    DataFolder folder;
    std::mt19937 random(2'000'000);
    std::vector<char> bytes(2'000'000);
    for (char& b : bytes) b = static_cast<char>(random());
    std::ofstream(folder.mem_dat(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    for (auto _ : state) {
        datafiles::load_memory_file();
        benchmark::DoNotOptimize(memories::memory_index[1]);
    }
}

void BM_StoreMemoryInPlace(benchmark::State& state) {
    DataFolder folder;
    write_full_file();
    for (auto _ : state) {
        benchmark::DoNotOptimize(datafiles::save_memory_record(2000));
    }
}

void BM_CompactFullMemoryFile(benchmark::State& state) {
    DataFolder folder;
    write_full_file();
    for (auto _ : state) {
        benchmark::DoNotOptimize(datafiles::compact_memory_file(true));
    }
}

}  // namespace

BENCHMARK(BM_LoadFullMemoryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRandomMemoryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreMemoryInPlace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompactFullMemoryFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
