// Loading a full setup and building the derived fixture tables, as every show
// start does: setup.dat with 700 fixtures of 40 types on all 2048 function
// records, the 40 type libraries (47097 bytes each) and their symbols, in a
// program directory in a temporary folder.
//
//   BM_LoadFullSetup     load_setup_file + init_fixture_tables
//   BM_BuildFixtureTables  init_fixture_tables alone, on the loaded setup
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafiles/setup_file.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace {

namespace fs = std::filesystem;
using setup::NamedFunction;

constexpr int kTypes = 40;
constexpr int kFixtures = 700;
constexpr int kThreeChannelFixtures = 648;  // 648 x 3 + 52 x 2 = 2048 records

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string type_file(int t) {
    char name[9];
    std::snprintf(name, sizeof name, "TYPE%02d", t);
    return name;
}

// Type t: three functions (intensity, pan, tilt with 16-bit halves' ranges
// and a colour role), the last type two (intensity, colour).
std::vector<uint8_t> type_library(int t, int channels) {
    setup::FixtureTypeDef type;
    const std::string name = "BENCH TYPE " + std::to_string(t);
    std::memcpy(type.bytes.data(), name.data(), name.size());
    type.bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(channels);
    type.bytes[setup::kTypeDimmerFlags] = 1;
    const auto slot = [&type](NamedFunction s, int k) { type.bytes[setup::kTypeNamedSlots + static_cast<size_t>(s)] = static_cast<uint8_t>(k); };
    if (channels == 3) {
        slot(NamedFunction::pan, 2);
        slot(NamedFunction::tilt, 3);
    } else {
        slot(NamedFunction::color1, 2);
    }
    for (int k = 1; k <= channels; ++k) {
        const size_t sub = setup::FixtureTypeDef::sub_table(k);
        type.bytes[sub + setup::kSubCount] = 2;
        type.bytes[sub + setup::kSubFrom + 1] = 128;
        type.bytes[sub + setup::kSubTo] = 127;
        type.bytes[sub + setup::kSubTo + 1] = 255;
        type.bytes[sub + setup::kSubFade] = 1;
        const size_t def = setup::FixtureTypeDef::function_def(k);
        for (size_t e = 1; e <= 10; ++e) type.bytes[def + setup::kFunctionEntryValues + e] = static_cast<uint8_t>(20 * e);
    }
    return std::vector<uint8_t>(type.bytes.begin(), type.bytes.end());
}

std::vector<uint8_t> full_setup() {
    setup::SetupData d;
    d.set_u8(setup::kSetupColourLibrary, 1);
    d.set_u8(setup::kSetupTypeCount, kTypes);
    for (int t = 1; t <= kTypes; ++t) {
        d.set_text(setup::SetupData::type_file_name_field(t), setup::kTypeFileNameBytes, type_file(t));
        d.set_u8(setup::SetupData::type_channel_count_field(t), t == kTypes ? 2 : 3);
        for (int k = 0; k < setup::kMaxTypeChannels; ++k) d.set_u8(setup::SetupData::type_function_map_field(t, k), static_cast<uint8_t>(k));
    }
    int first = 1;
    for (int f = 1; f <= kFixtures; ++f) {
        setup::FixtureRecord r;
        const bool three = f <= kThreeChannelFixtures;
        r.type_index = static_cast<uint16_t>(three ? (f - 1) % (kTypes - 1) : kTypes - 1);
        r.number = static_cast<uint16_t>(f);
        r.card = 1;
        r.address = setup::kMultipatchAddress;
        r.orientation = static_cast<uint8_t>(f % 8);
        r.first_record = static_cast<uint16_t>(first);
        r.channel_count = static_cast<uint8_t>(three ? 3 : 2);
        setup::write_fixture(d, f, r);
        first += r.channel_count;
    }
    d.set_u16(setup::kSetupFixtureCount, kFixtures);
    d.set_u8(setup::kSetupPatchCompiled, 1);
    d.set_u8(setup::kSetupStartDefaults, 6);
    std::vector<uint8_t> file(12 + d.bytes.size());
    std::memcpy(file.data(), "VERSION 7.01", 12);
    std::copy(d.bytes.begin(), d.bytes.end(), file.begin() + 12);
    return file;
}

// A machine whose drive C: holds the full setup and its libraries.
struct FullSetup {
    fs::path root = fs::temp_directory_path() / ("bravinox_bench_" + std::to_string(::getpid()));
    std::unique_ptr<platform::Machine> machine = std::make_unique<platform::Machine>();

    FullSetup() {
        const fs::path home = root / "BRAVINOX";
        write_bytes(home / "data" / "setup.dat", full_setup());
        for (int t = 1; t <= kTypes; ++t) {
            write_bytes(home / "lib" / "set" / (type_file(t) + ".SET"), type_library(t, t == kTypes ? 2 : 3));
            write_bytes(home / "lib" / "drw" / (type_file(t) + ".DRW"), std::vector<uint8_t>(setup::kFixtureDrawingBytes, 1));
        }
        machine->dos.drive_c_root = root;
        platform::install_machine(machine.get());
        runtime::home_directory = "C:\\BRAVINOX";
        runtime::function_record_capacity = runtime::kFunctionRecordCapacity;
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        runtime::allocate_show_tables();
    }
    ~FullSetup() {
        datafiles::free_fixture_type_defs();
        runtime::free_tables();
        platform::install_machine(nullptr);
        std::error_code error;
        fs::remove_all(root, error);
    }
};

void BM_LoadFullSetup(benchmark::State& state) {
    FullSetup full;
    for (auto _ : state) {
        datafiles::load_setup_file();
        runtime::init_fixture_tables();
        benchmark::ClobberMemory();
    }
    if (setup::fixture_count != kFixtures || runtime::function_record_count != 2048 || !datafiles::setup_load_messages.empty()) {
        state.SkipWithError("the full setup did not load whole");
    }
}

void BM_BuildFixtureTables(benchmark::State& state) {
    FullSetup full;
    datafiles::load_setup_file();
    for (auto _ : state) {
        runtime::init_fixture_tables();
        benchmark::ClobberMemory();
    }
    if (runtime::function_record_count != 2048) state.SkipWithError("the full setup did not load whole");
}

}  // namespace

BENCHMARK(BM_LoadFullSetup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFixtureTables)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
