#include "datafiles/library_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "datafiles/record_files.h"
#include "datafiles/warning_bar.h"
#include "datafiles/whole_files.h"
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

// ------------------------------------------------------------------ library index

namespace {

constexpr const char* kLibraryChangeText = "LIBRARY CHANGE DETECTED! PLEASE WAIT...";
constexpr uint32_t kLibraryChange_ms = 300;
constexpr int kBarRed = 4;
constexpr const char* kNoManufacturer = "MANUFACTURER";
constexpr const char* kUploadManufacturer = "MARTIN UPLOAD";

std::string index_path() { return program_path("lib\\fulllib.dat"); }

// DOS date and time of a search entry as one number that grows with time.
uint32_t stamp_of(const platform::DosFindData& find) { return uint32_t{find.date} << 16 | find.time; }

// The names a search finds, in directory order, with their sizes and stamps.
struct FoundFile {
    std::string name;
    uint32_t size_bytes = 0;
    uint32_t stamp = 0;
};

std::vector<FoundFile> find_files(const std::string& pattern) {
    std::vector<FoundFile> found;
    platform::DosFindData find;
    for (bool more = platform::dos_findfirst(pattern.c_str(), &find, 0); more; more = platform::dos_findnext(&find)) {
        found.push_back({find.name.data(), find.size_bytes, stamp_of(find)});
    }
    return found;
}

// The name up to its extension, in capitals.
std::string stem_of(const std::string& name) {
    std::string stem = name.substr(0, name.rfind('.'));
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return stem;
}

template <size_t N>
void put_text(std::array<char, N>& field, std::string text) {
    field = {};
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field.begin());
}

// A NUL-terminated text field of a type definition, at most size - 1 characters.
std::string definition_text(const std::vector<uint8_t>& bytes, size_t at, size_t size) {
    std::string text;
    for (size_t i = 0; i + 1 < size && bytes[at + i] != 0; ++i) text.push_back(static_cast<char>(bytes[at + i]));
    return text;
}

// The index is stale when it does not hold its count of entries, or when a
// file it is built from is newer than it.
bool index_is_current(const FoundFile& index) {
    std::vector<uint8_t> head(2);
    if (index.size_bytes < 2 || !read_whole_file(index_path(), head)) return false;
    const auto count = static_cast<int16_t>(get_u16(head, 0));
    if (count < 0 || index.size_bytes != 2 + kLibraryEntryBytes * static_cast<size_t>(count)) return false;
    for (const char* pattern : {"lib\\set\\*.set", "lib\\drw\\*.drw", "lib\\xu3\\*.xu3"}) {
        for (const FoundFile& file : find_files(program_path(pattern))) {
            if (file.stamp > index.stamp) return false;
        }
    }
    return true;
}

}  // namespace

std::vector<LibraryEntry> scan_library_types() {
    std::vector<LibraryEntry> entries;
    std::vector<uint8_t> definition(setup::kFixtureTypeDefBytes);
    for (const FoundFile& file : find_files(program_path("lib\\set\\*.set"))) {
        if (file.size_bytes != setup::kFixtureTypeDefBytes) continue;
        if (!read_whole_file(program_path(("lib\\set\\" + file.name).c_str()), definition)) continue;
        const uint8_t channels = definition[setup::kTypeChannelCount];
        if (channels < 1 || channels > setup::kMaxTypeChannels) continue;
        const std::string stem = stem_of(file.name);
        uint32_t drawing_bytes = 0;
        if (!lookup_file_size(program_path(("lib\\drw\\" + stem + ".drw").c_str()), drawing_bytes) ||
            drawing_bytes != setup::kFixtureDrawingBytes) {
            continue;
        }
        LibraryEntry entry;
        put_text(entry.stem, stem);
        put_text(entry.type_name, definition_text(definition, setup::kTypeName, setup::kTypeNameBytes));
        const std::string maker = definition_text(definition, setup::kTypeManufacturer, kLibraryNameBytes);
        put_text(entry.manufacturer, maker.empty() ? kNoManufacturer : maker);
        entries.push_back(entry);
    }
    return entries;
}

namespace {

std::vector<LibraryEntry> collect_library_entries() {
    std::vector<LibraryEntry> entries = scan_library_types();
    for (const FoundFile& file : find_files(program_path("lib\\xu3\\*.xu3"))) {
        LibraryEntry entry;
        put_text(entry.stem, stem_of(file.name));
        put_text(entry.type_name, stem_of(file.name));
        put_text(entry.manufacturer, kUploadManufacturer);
        entries.push_back(entry);
    }
    return entries;
}

std::vector<uint8_t> encode_library_index(const std::vector<LibraryEntry>& entries) {
    std::vector<uint8_t> bytes(2 + kLibraryEntryBytes * entries.size());
    put_u16(bytes, 0, static_cast<uint16_t>(entries.size()));
    size_t at = 2;
    for (const LibraryEntry& entry : entries) {
        for (char c : entry.stem) bytes[at++] = static_cast<uint8_t>(c);
        for (char c : entry.type_name) bytes[at++] = static_cast<uint8_t>(c);
        for (char c : entry.manufacturer) bytes[at++] = static_cast<uint8_t>(c);
    }
    return bytes;
}

}  // namespace

std::vector<LibraryEntry> read_library_index() {
    uint32_t size_bytes = 0;
    if (!lookup_file_size(index_path(), size_bytes) || size_bytes < 2) return {};
    std::vector<uint8_t> bytes(size_bytes);
    if (!read_whole_file(index_path(), bytes)) return {};
    const auto count = static_cast<int16_t>(get_u16(bytes, 0));
    if (count < 0 || size_bytes != 2 + kLibraryEntryBytes * static_cast<size_t>(count)) return {};
    std::vector<LibraryEntry> entries(static_cast<size_t>(count));
    size_t at = 2;
    for (LibraryEntry& entry : entries) {
        for (char& c : entry.stem) c = static_cast<char>(bytes[at++]);
        for (char& c : entry.type_name) c = static_cast<char>(bytes[at++]);
        for (char& c : entry.manufacturer) c = static_cast<char>(bytes[at++]);
        entry.stem.back() = entry.type_name.back() = entry.manufacturer.back() = '\0';
    }
    return entries;
}

void build_library_index() {
    // Without a lib folder there is no library to index, nor a place for one.
    if (!platform::dos_exists(program_path("lib").c_str())) return;
    const std::vector<FoundFile> index = find_files(index_path());
    if (!index.empty() && index_is_current(index.front())) return;
    show_warning_bar(kLibraryChangeText, kLibraryChange_ms, BarEnd::stays);
    const std::vector<LibraryEntry> entries = collect_library_entries();
    replace_file(index_path(), encode_library_index(entries));
    fill_warning_bar(kBarRed);
}

}  // namespace datafiles
