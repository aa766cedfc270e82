// Loading the show data of a full show, as every show start does: mem.dat
// with all 4000 memories holding an item for each of the 2048 function
// records, memcues.dat with all 2000 cue memories, and the three cue files
// with a record in every entry (11200 point cues, 44800 sequence and 470400
// playback snapshots), in a program directory in a temporary folder.
//
//   BM_LoadMemories   load_memory_file + load_memcue_file
//   BM_LoadCueFiles   the three cue loaders and the point-cue check
//   BM_LoadShowData   both, in the order of the show start
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "datafiles/record_files.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "playback/cue_tables.h"
#include "runtime/config_records.h"

namespace {

namespace fs = std::filesystem;
using datafiles::RecordFileLayout;

constexpr int kItemsPerMemory = 2048;
constexpr int kItemsPerCueMemory = 512;

void put_i32(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An item-list file with every entry holding `items` value items; the
// entry's fields lie at +name_bytes: offset, capacity, count.
std::vector<uint8_t> item_list_file(const RecordFileLayout& layout, size_t name_bytes, int items) {
    std::vector<uint8_t> bytes(static_cast<size_t>(datafiles::index_end(layout)));
    std::memcpy(bytes.data(), layout.version_text, 12);
    std::vector<uint8_t> record(static_cast<size_t>(items) * datafiles::kMemoryItemBytes);
    for (int i = 0; i < items; ++i) {
        const datafiles::MemoryItem item{0, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i % 256)};
        datafiles::encode(item, std::span<uint8_t, datafiles::kMemoryItemBytes>(record.data() + i * 5, 5));
    }
    for (int32_t n = 1; n <= layout.entries; ++n) {
        const auto entry = static_cast<size_t>(datafiles::index_position(layout, n)) + name_bytes;
        put_i32(bytes, entry, static_cast<int32_t>(bytes.size()));
        put_i32(bytes, entry + 4, items);
        put_i32(bytes, entry + 8, items);
        const std::string tag = datafiles::record_tag(layout, n);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

// A cue file with a present record in every entry; `present_at` is where
// the present byte lies in an entry (the offset follows it).
std::vector<uint8_t> cue_file(const RecordFileLayout& layout, size_t present_at, const std::vector<uint8_t>& record) {
    std::vector<uint8_t> bytes(static_cast<size_t>(datafiles::index_end(layout)));
    std::memcpy(bytes.data(), layout.version_text, 12);
    bytes.reserve(bytes.size() + static_cast<size_t>(layout.entries) * (datafiles::tag_chars(layout) + record.size()));
    for (int32_t n = 1; n <= layout.entries; ++n) {
        const auto entry = static_cast<size_t>(datafiles::index_position(layout, n));
        bytes[entry + present_at] = 1;
        put_i32(bytes, entry + present_at + 1, static_cast<int32_t>(bytes.size()));
        const std::string tag = datafiles::record_tag(layout, n);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

// Point cue k holds cue memory (k - 1) % 2000 + 1: the check then finds
// every cue memory used, and cue memories held twice warn; so only the
// first 2000 slots carry a cue memory, the others a linked cue alone.
std::vector<uint8_t> pointcue_file() {
    const RecordFileLayout& layout = datafiles::kPointcueFile;
    std::vector<uint8_t> bytes(static_cast<size_t>(datafiles::index_end(layout)));
    std::memcpy(bytes.data(), layout.version_text, 12);
    std::vector<uint8_t> record(playback::kPointcueRecordBytes);
    for (int32_t k = 1; k <= layout.entries; ++k) {
        playback::PointcueRecord point;
        point.flags = k <= datafiles::kCueMemories ? playback::CUE_RECORD_IN_CUE : playback::CUE_RECORD_MIDI;
        point.point_memory = static_cast<int16_t>(k <= datafiles::kCueMemories ? k : -1);
        point.fade_in = 20;
        datafiles::encode(point, std::span<uint8_t, playback::kPointcueRecordBytes>(record));
        const auto entry = static_cast<size_t>(datafiles::index_position(layout, k));
        bytes[entry + 22] = 1;
        put_i32(bytes, entry + 23, static_cast<int32_t>(bytes.size()));
        const std::string tag = datafiles::record_tag(layout, k);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

// A machine whose drive C: holds the full show's data folder.
struct FullShow {
    fs::path root = fs::temp_directory_path() / ("bravinox_show_bench_" + std::to_string(::getpid()));
    std::unique_ptr<platform::Machine> machine = std::make_unique<platform::Machine>();

    FullShow() {
        const fs::path data = root / "BRAVINOX" / "data";
        write_bytes(data / "mem.dat", item_list_file(datafiles::kMemoryFile, datafiles::kEntryNameBytes, kItemsPerMemory));
        write_bytes(data / "memcues.dat", item_list_file(datafiles::kMemCueFile, 0, kItemsPerCueMemory));
        write_bytes(data / "cuemem.dat", pointcue_file());
        playback::SequenceRecord sequence;
        sequence.flags = playback::CUE_RECORD_IN_CUE;
        sequence.start_memory = 1;
        std::vector<uint8_t> sequence_bytes(playback::kSequenceRecordBytes);
        datafiles::encode(sequence, std::span<uint8_t, playback::kSequenceRecordBytes>(sequence_bytes));
        write_bytes(data / "cueseq.dat", cue_file(datafiles::kCueSequenceFile, 0, sequence_bytes));
        playback::PlaybackRecord playback_record;
        playback_record.flags = playback::CUE_RECORD_IN_CUE;
        playback_record.memory = 1;
        std::vector<uint8_t> playback_bytes(playback::kPlaybackRecordBytes);
        datafiles::encode(playback_record, std::span<uint8_t, playback::kPlaybackRecordBytes>(playback_bytes));
        write_bytes(data / "cueplayb.dat", cue_file(datafiles::kCuePlaybackFile, 0, playback_bytes));

        machine->dos.drive_c_root = root;
        platform::install_machine(machine.get());
        runtime::home_directory = "C:\\BRAVINOX";
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        machine->graphics.log_calls = false;
    }
    ~FullShow() {
        datafiles::free_memory_items();
        datafiles::free_memcue_items();
        playback::free_cue_records();
        platform::install_machine(nullptr);
        std::error_code error;
        fs::remove_all(root, error);
    }
};

void load_memories() {
    datafiles::load_memory_file();
    datafiles::load_memcue_file();
}

void load_cue_files() {
    datafiles::load_pointcue_file();
    datafiles::load_cue_playback_file();
    datafiles::load_cue_sequence_file();
    datafiles::check_pointcue_consistency(0);
}

bool whole_show_loaded() {
    return memories::memory_items[4000] != nullptr && datafiles::memcue_used_count == datafiles::kCueMemories &&
           playback::cue_playback_table[playback::kCuePlaybackRecords] != nullptr &&
           playback::cue_sequence_table[playback::kCueSequenceRecords] != nullptr &&
           playback::cue_pointcue_table[playback::kCueSlots] != nullptr &&
           playback::cue_used_count == playback::kCueSlots;
}

void BM_LoadMemories(benchmark::State& state) {
    FullShow show;
    for (auto _ : state) {
        load_memories();
        benchmark::ClobberMemory();
    }
    if (memories::memory_items[4000] == nullptr) state.SkipWithError("the memories did not load whole");
}

void BM_LoadCueFiles(benchmark::State& state) {
    FullShow show;
    load_memories();
    for (auto _ : state) {
        load_cue_files();
        benchmark::ClobberMemory();
    }
    if (!whole_show_loaded()) state.SkipWithError("the cue files did not load whole");
}

void BM_LoadShowData(benchmark::State& state) {
    FullShow show;
    for (auto _ : state) {
        load_memories();
        load_cue_files();
        benchmark::ClobberMemory();
    }
    if (!whole_show_loaded()) state.SkipWithError("the show did not load whole");
}

}  // namespace

BENCHMARK(BM_LoadMemories)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCueFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadShowData)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
