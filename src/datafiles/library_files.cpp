#include "datafiles/library_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "runtime/console_state.h"
#include "setup/fixture_type.h"

namespace datafiles {

std::array<uint8_t*, kSymbolDrawingSlots> symbol_drawings{};
std::array<uint8_t*, kFigureDrawingSlots + 1> polygon_drawings{};
std::array<uint8_t*, kFigureDrawingSlots + 1> lissajous_drawings{};
std::array<uint8_t, kPolygonFigures + 1> polygon_figure_codes{};
std::array<std::array<uint8_t, 2>, kLissajousFigures + 1> lissajous_figure_codes{};
bool figure_drawings_loaded = false;

uint8_t color_library_kind = 0;
int16_t color_library_count = 0;
std::vector<ColorLibraryEntry> color_library_entries;
std::array<std::vector<ColorMixEntry>, setup::kMaxFixtureTypes + 1> color_library_mixes;
std::array<int16_t, setup::kMaxFixtureTypes + 1> color_library_selected{};
std::array<std::array<bool, setup::kMaxFixtureTypes + 1>, kColorLibraryKinds + 1> color_file_written{};

void reset_library_files_globals() {
    free_symbol_drawings();
    free_figure_drawings();
    polygon_figure_codes = {};
    lissajous_figure_codes = {};
    color_library_kind = 0;
    color_library_count = 0;
    color_library_entries.clear();
    color_library_mixes = {};
    color_library_selected = {};
    color_file_written = {};
}

namespace {

constexpr size_t kCatalogueLineBytes = 100;  // lines longer than 99 characters are read in pieces

// Folders of the symbol drawings by their last number.
struct DrawingFolder {
    int last;
    const char* folder;
};
constexpr std::array<DrawingFolder, 6> kFolders = {{
    {199, "gobos1"}, {399, "gobos2"}, {599, "gobos3"}, {774, "colors"}, {799, "prismas"}, {999, "specials"},
}};

constexpr std::array<std::array<uint8_t, 2>, kLissajousFigures> kLissajousCodes = {{
    {0, 0},    {20, 0},   {42, 0},   {63, 0},   {86, 0},   {65, 31},  {53, 31},  {42, 31},  {30, 31},
    {22, 31},  {86, 50},  {20, 50},  {42, 50},  {63, 50},  {0, 50},   {43, 68},  {49, 68},  {0, 68},
    {63, 68},  {72, 68},  {33, 93},  {29, 93},  {42, 93},  {57, 93},  {54, 93},  {86, 112}, {22, 112},
    {42, 112}, {63, 112}, {0, 112},  {60, 131}, {21, 131}, {0, 131},  {13, 131}, {43, 131}, {22, 150},
}};

constexpr std::array<const char*, kColorLibraryKinds + 1> kCatalogues = {"", "lee.def", "rosco.def", "gam.def"};
constexpr std::array<const char*, kColorLibraryKinds + 1> kColourExtensions = {"", "lee", "ros", "gam"};

// A 2336-byte image from a file of exactly that size; null otherwise.
uint8_t* load_drawing(const std::string& path) {
    uint32_t size_bytes = 0;
    if (!lookup_file_size(path, size_bytes) || size_bytes != kDrawingFileBytes) return nullptr;
    auto* block = static_cast<uint8_t*>(memcheck::mc_malloc_at(kDrawingFileBytes, __FILE__, __LINE__));
    if (block == nullptr) return nullptr;
    if (!read_whole_file(path, std::span<uint8_t>(block, kDrawingFileBytes))) {
        memcheck::mc_free_at(block, __FILE__, __LINE__);
        return nullptr;
    }
    return block;
}

std::string figure_path(const char* kind, int n) {
    std::array<char, 40> relative{};
    std::snprintf(relative.data(), relative.size(), "drawings\\figures\\%s.%03d", kind, n);
    return program_path(relative.data());
}

void release(uint8_t*& block) {
    if (block != nullptr) memcheck::mc_free_at(block, __FILE__, __LINE__);
    block = nullptr;
}

bool has_rgb(const setup::FixtureTypeDef& type) {
    using setup::NamedFunction;
    return type.named(NamedFunction::red) != 0 && type.named(NamedFunction::green) != 0 &&
           type.named(NamedFunction::blue) != 0;
}

// Reads the catalogue of the kind into the entries and the lookup; false
// when it had to be dropped.
bool read_catalogue(std::array<int16_t, kFilterNumbers>& lookup) {
    if (color_library_kind < 1 || color_library_kind > kColorLibraryKinds) return true;
    FILE* file = platform::dos_fopen(program_path(kCatalogues[color_library_kind]).c_str(), "rt");
    if (file == nullptr) return true;
    std::array<char, kCatalogueLineBytes> line{};
    bool kept = true;
    while (std::fgets(line.data(), static_cast<int>(line.size()), file) != nullptr) {
        int number = 0;
        std::array<char, kFilterNameBytes> name{};
        if (std::sscanf(line.data(), "%4d %30s", &number, name.data()) < 1) continue;
        if (number < 0 || number >= kFilterNumbers) {
            kept = false;
            break;
        }
        ColorLibraryEntry entry;
        entry.number = static_cast<int16_t>(number);
        entry.name = name;
        color_library_entries.push_back(entry);
        lookup[static_cast<size_t>(number)] = static_cast<int16_t>(color_library_entries.size());
    }
    std::fclose(file);
    return kept;
}

// The type's colour file: each record whose filter is in the catalogue sets
// that entry's mix.
void read_colour_file(int t, const std::array<int16_t, kFilterNumbers>& lookup) {
    FILE* file = platform::dos_fopen(colour_file_path(t, color_library_kind).c_str(), "rb");
    if (file == nullptr) return;
    std::array<uint8_t, kColorMixBytes> record{};
    while (std::fread(record.data(), 1, record.size(), file) == record.size()) {
        const int number = static_cast<int16_t>(get_u16(record, 0));
        if (number < 0 || number >= kFilterNumbers) continue;
        const int16_t entry = lookup[static_cast<size_t>(number)];
        if (entry < 1 || entry > color_library_count) continue;
        ColorMixEntry& mix = color_library_mixes[static_cast<size_t>(t)][static_cast<size_t>(entry - 1)];
        mix.red = record[2];
        mix.green = record[3];
        mix.blue = record[4];
    }
    std::fclose(file);
}

std::vector<uint8_t> encode_mixes(const std::vector<ColorMixEntry>& mixes) {
    std::vector<uint8_t> bytes(mixes.size() * kColorMixBytes);
    for (size_t i = 0; i < mixes.size(); ++i) {
        put_u16(bytes, i * kColorMixBytes, static_cast<uint16_t>(mixes[i].number));
        bytes[i * kColorMixBytes + 2] = mixes[i].red;
        bytes[i * kColorMixBytes + 3] = mixes[i].green;
        bytes[i * kColorMixBytes + 4] = mixes[i].blue;
    }
    return bytes;
}

}  // namespace

std::string symbol_drawing_path(int d) {
    if (d < 1 || d >= kSymbolDrawingSlots) return "";
    const auto folder = std::find_if(kFolders.begin(), kFolders.end(), [d](const DrawingFolder& f) { return d <= f.last; });
    std::array<char, 48> relative{};
    std::snprintf(relative.data(), relative.size(), "drawings\\%s\\drawing.%03d", folder->folder, d);
    return program_path(relative.data());
}

std::string colour_file_path(int type, int kind) {
    if (kind < 1 || kind > kColorLibraryKinds) return "";
    const std::string name = setup::setup_type_file_name(static_cast<int16_t>(type));
    if (name.empty()) return "";
    return program_path(("lib\\rgb\\" + name + "." + kColourExtensions[static_cast<size_t>(kind)]).c_str());
}

void free_symbol_drawings() {
    for (uint8_t*& block : symbol_drawings) release(block);
}

void free_figure_drawings() {
    for (uint8_t*& block : polygon_drawings) release(block);
    for (uint8_t*& block : lissajous_drawings) release(block);
    figure_drawings_loaded = false;
}

void load_symbol_drawings() {
    free_symbol_drawings();
    int loaded = 0;
    for (int t = 1; t <= setup::setup_type_count(); ++t) {
        const setup::FixtureTypeDef* type = setup::fixture_type_defs[static_cast<size_t>(t)];
        if (type == nullptr) continue;
        const int functions = std::min<int>(type->channel_count(), setup::kMaxTypeChannels);
        for (int f = 1; f <= functions; ++f) {
            for (int e = 0; e < setup::kPredefinedEntries; ++e) {
                if (e > 0 && type->entry_value(f, e) == 0) break;
                const int d = type->entry_symbol(f, e);
                if (d < 1 || d >= kSymbolDrawingSlots) continue;
                uint8_t*& slot = symbol_drawings[static_cast<size_t>(d)];
                if (slot != nullptr || loaded >= kMaxSymbolDrawingsLoaded) continue;
                slot = load_drawing(symbol_drawing_path(d));
                if (slot != nullptr) ++loaded;
            }
        }
    }
}

void load_figure_drawings() {
    if (figure_drawings_loaded) return;
    free_figure_drawings();
    for (int n = 1; n <= kPolygonFigures; ++n) {
        polygon_drawings[static_cast<size_t>(n)] = load_drawing(figure_path("polygon", n));
        polygon_figure_codes[static_cast<size_t>(n)] = static_cast<uint8_t>(150 + n);
    }
    for (int n = 1; n <= kLissajousFigures; ++n) {
        lissajous_drawings[static_cast<size_t>(n)] = load_drawing(figure_path("lisjous", n));
        lissajous_figure_codes[static_cast<size_t>(n)] = kLissajousCodes[static_cast<size_t>(n - 1)];
    }
    figure_drawings_loaded = true;
}

void clear_colour_library() {
    color_library_kind = 0;
    color_library_count = 0;
    color_library_entries.clear();
    for (auto& mixes : color_library_mixes) mixes.clear();
    color_library_selected.fill(0);
}

void reset_library_files() {
    free_symbol_drawings();
    free_figure_drawings();
    clear_colour_library();
    for (auto& kind : color_file_written) kind.fill(false);
}

void load_filter_catalogues() {
    clear_colour_library();
    std::array<int16_t, kFilterNumbers> lookup{};
    color_library_kind = setup::setup_data.u8(setup::kSetupColourLibrary);
    if (!read_catalogue(lookup)) color_library_entries.clear();
    color_library_count = static_cast<int16_t>(color_library_entries.size());
    if (color_library_count == 0) return;
    for (int t = 1; t <= setup::setup_type_count(); ++t) {
        const setup::FixtureTypeDef* type = setup::fixture_type_defs[static_cast<size_t>(t)];
        if (type == nullptr || !has_rgb(*type)) continue;
        std::vector<ColorMixEntry>& mixes = color_library_mixes[static_cast<size_t>(t)];
        for (const ColorLibraryEntry& entry : color_library_entries) mixes.push_back({entry.number, 0, 0, 0});
        read_colour_file(t, lookup);
    }
}

void save_filter_colour() {
    const int t = runtime::current_fixture_type + 1;
    const int kind = color_library_kind;
    if (t < 1 || t > setup::kMaxFixtureTypes) return;
    const std::string path = colour_file_path(t, kind);
    const std::vector<ColorMixEntry>& mixes = color_library_mixes[static_cast<size_t>(t)];
    if (path.empty() || mixes.empty()) return;
    const int selected = color_library_selected[static_cast<size_t>(t)];
    const size_t needed = static_cast<size_t>(std::max(selected, 1)) * kColorMixBytes;
    uint32_t size_bytes = 0;
    const bool file_holds_entry = lookup_file_size(path, size_bytes) && size_bytes >= needed;
    bool& written = color_file_written[static_cast<size_t>(kind)][static_cast<size_t>(t)];
    if (!written || !file_holds_entry) {
        if (replace_file(path, encode_mixes(mixes))) written = true;
        return;
    }
    if (selected < 1 || selected > static_cast<int>(mixes.size())) return;
    FILE* file = platform::dos_fopen(path.c_str(), "r+b");
    if (file == nullptr) return;
    const std::vector<ColorMixEntry> one{mixes[static_cast<size_t>(selected - 1)]};
    const std::vector<uint8_t> bytes = encode_mixes(one);
    if (std::fseek(file, static_cast<long>((selected - 1) * kColorMixBytes), SEEK_SET) == 0) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    std::fclose(file);
}

}  // namespace datafiles
