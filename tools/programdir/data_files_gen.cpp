#include "programdir/data_files_gen.h"

#include <cstring>

namespace progdir {

namespace {

struct IndexLayout {
    const char* name;
    const char* version;     // written without a terminator; empty for none
    uint32_t entries;
    uint32_t entry_bytes;
    uint32_t offset_at;      // the entry's i32 record offset
    uint32_t offset_count;   // offsets per entry (blocks)
};

constexpr IndexLayout kLayouts[] = {
    {"mem.dat", "VERSION 6.30", 4000, 33, 21, 1},
    {"presets.dat", "VERSION 6.31", 560, 33, 21, 1},
    {"memthrsh.dat", "", 70, 101, 37, 16},
    {"memcues.dat", "VERSION 6.30", 2000, 12, 0, 1},
    {"cuemem.dat", "VERSION 6.01", 11200, 27, 23, 1},
    {"cueseq.dat", "VERSION 6.01", 44800, 5, 1, 1},
    {"cueplayb.dat", "VERSION 6.01", 470400, 5, 1, 1},
};

std::vector<uint8_t> empty_index_file(const IndexLayout& layout) {
    const size_t header = std::strlen(layout.version);
    std::vector<uint8_t> bytes(header + static_cast<size_t>(layout.entries) * layout.entry_bytes, 0);
    std::memcpy(bytes.data(), layout.version, header);
    for (uint32_t e = 0; e < layout.entries; ++e) {
        const size_t entry = header + static_cast<size_t>(e) * layout.entry_bytes;
        for (uint32_t k = 0; k < layout.offset_count; ++k) {
            std::memset(bytes.data() + entry + layout.offset_at + 4 * k, 0xFF, 4);  // offset -1: no record
        }
    }
    return bytes;
}

}  // namespace

std::vector<DataFile> build_empty_data_files() {
    std::vector<DataFile> files;
    for (const IndexLayout& layout : kLayouts) files.push_back({layout.name, empty_index_file(layout)});
    return files;
}

}  // namespace progdir
