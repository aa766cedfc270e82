// The first entry into the fixture setup with 1000 libraries: the library
// list built from lib\fulllib.dat, and built by the scan of lib\set when the
// index is missing (each type file of 47097 bytes read and checked, each
// drawing's size looked up), then sorted with its 25 manufacturers.
//
//   BM_LoadLibrariesFromIndex   load_fixture_libraries with the index
//   BM_LoadLibrariesByScan      load_fixture_libraries without it
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafiles/library_files.h"
#include "platform/machine.h"
#include "runtime/config_records.h"
#include "setup/fixture_type.h"
#include "setup/library_browser_index.h"
#include "setup/library_list.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLibraries = 1000;
constexpr int kMakers = 25;

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string stem_of(int i) {
    char stem[9];
    std::snprintf(stem, sizeof stem, "LIB%04d", i);
    return stem;
}

// Library i: 1..32 channels, a name that sorts apart from its file order,
// one of 25 makers.
std::vector<uint8_t> type_library(int i) {
    std::vector<uint8_t> bytes(setup::kFixtureTypeDefBytes, 0);
    const std::string name = "TYPE " + std::to_string((i * 7919) % kLibraries);
    const std::string maker = "MAKER " + std::to_string(i % kMakers);
    std::memcpy(&bytes[setup::kTypeName], name.data(), name.size());
    std::memcpy(&bytes[setup::kTypeManufacturer], maker.data(), maker.size());
    bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(i % setup::kMaxTypeChannels + 1);
    return bytes;
}

struct ThousandLibraries {
    fs::path root = fs::temp_directory_path() / ("bravinox_bench_libs_" + std::to_string(::getpid()));
    fs::path home = root / "BRAVINOX";
    std::unique_ptr<platform::Machine> machine = std::make_unique<platform::Machine>();

    ThousandLibraries() {
        for (int i = 1; i <= kLibraries; ++i) {
            write_bytes(home / "lib" / "set" / (stem_of(i) + ".SET"), type_library(i));
            write_bytes(home / "lib" / "drw" / (stem_of(i) + ".DRW"), std::vector<uint8_t>(setup::kFixtureDrawingBytes, 1));
        }
        machine->dos.drive_c_root = root;
        platform::install_machine(machine.get());
        runtime::home_directory = "C:\\BRAVINOX";
        datafiles::build_library_index();
    }
    ~ThousandLibraries() {
        platform::install_machine(nullptr);
        std::error_code error;
        fs::remove_all(root, error);
    }
};

void load(benchmark::State& state) {
    for (auto _ : state) {
        setup::LibraryList list;
        setup::load_fixture_libraries(list);
        benchmark::DoNotOptimize(list.entries.data());
        if (list.entry_count != kLibraries || list.manufacturer_count != kMakers) {
            state.SkipWithError("the libraries did not load whole");
            return;
        }
    }
}

void BM_LoadLibrariesFromIndex(benchmark::State& state) {
    ThousandLibraries libraries;
    if (!fs::exists(libraries.home / "lib" / "fulllib.dat")) {
        state.SkipWithError("no index was built");
        return;
    }
    load(state);
}

void BM_LoadLibrariesByScan(benchmark::State& state) {
    ThousandLibraries libraries;
    fs::remove(libraries.home / "lib" / "fulllib.dat");
    load(state);
}

}  // namespace

BENCHMARK(BM_LoadLibrariesFromIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLibrariesByScan)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
