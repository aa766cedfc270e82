#include "datafiles/old_formats.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/warning_bar.h"
#include "datafiles/whole_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/dos_commands.h"
#include "ui/helpers.h"

namespace datafiles {

using runtime::at;

int32_t old_records_not_held = 0;

void reset_old_formats_globals() { old_records_not_held = 0; }

namespace {

constexpr int16_t kStepTextX = 200;
constexpr int16_t kMemoryStepY = 135;
constexpr int16_t kPresetStepY = 145;
constexpr int16_t kPhaseX = 553;
constexpr int16_t kStepColour = 12;
constexpr int16_t kDoneColour = 14;
constexpr int16_t kErasedColour = 0;

// The banner strip at the foot of the screen.
constexpr int kBannerTop = 460;
constexpr int kBannerBottom = 480;
constexpr int kBannerTextY = 466;
constexpr int kScreenWidth = 640;
constexpr int kSolidFill = 1;
constexpr int kBannerColour = 4;
constexpr int kBannerTextColour = 14;
constexpr int32_t kBannerBeepHz = 400;
constexpr uint32_t kBannerBeep_ms = 300;

// The sizes of the current files when they hold nothing.
constexpr int64_t kEmptyMemoryFileBytes = 132012;
constexpr int64_t kEmptyPresetFileBytes = 18492;

// The older preset files, in the order they are retired.
const char* const kOldPresetFiles[] = {"pre-pan", "pre-col", "pre-gob", "pre-gen", "pre-fig"};

// The older memory pages: eight per kind, page k named with 250 * k.
constexpr int kOldPages = 8;
constexpr int kOldPageMemories = 250;
constexpr int kBlockRecords = 128;  // function records of a mem or gen block
constexpr size_t kOldValueBytes = 2;
constexpr int kFiguresPerBlock = 10;  // fixtures of a fig block
constexpr int kGeneratorParameters = 6;
constexpr uint8_t kByteNotSet = 255;
constexpr int16_t kValueNotSet = -1;
constexpr int16_t kHighestLevel = 255;
constexpr int16_t kFirstPresetReference = 1000;
constexpr int16_t kLastPresetReference = 2000;
constexpr uint8_t kGeneratorKindStep = 10;
constexpr uint8_t kFigureKindBase = 90;
constexpr uint8_t kFigureKindStep = 10;
constexpr int kFigureModeParameter = 4;

enum class PageKind { memory, generator, figure };

struct OldPageForm {
    PageKind kind;
    const char* prefix;  // "mem" as in "mem-0250.dat"
    size_t entry_bytes;
    int blocks;
    size_t body_bytes;
};

constexpr OldPageForm kMemoryPages{PageKind::memory, "mem", kOldPageEntryBytes, kOldPageBlocks,
                                   kBlockRecords * kOldValueBytes};
constexpr OldPageForm kGeneratorPages{PageKind::generator, "gen", kOldPageEntryBytes, kOldPageBlocks,
                                      kBlockRecords * kGeneratorParameters};
constexpr OldPageForm kFigurePages{PageKind::figure, "fig", kOldFigureEntryBytes, kOldFigureBlocks,
                                   kFiguresPerBlock * kOldFigureBytes};

// "mem-0250" for page 1.
std::string page_name(const char* prefix, int page) {
    std::array<char, 16> name{};
    std::snprintf(name.data(), name.size(), "%s-%04d", prefix, kOldPageMemories * page);
    return name.data();
}

std::string page_path(const char* prefix, int page) { return data_path((page_name(prefix, page) + ".dat").c_str()); }

bool data_file_exists(const char* file) {
    FILE* handle = platform::dos_fopen(data_path(file).c_str(), "rb");
    if (handle == nullptr) return false;
    std::fclose(handle);
    return true;
}

void fill_banner(int colour) {
    platform::_setfillstyle(kSolidFill, colour);
    platform::_bar(0, kBannerTop, kScreenWidth, kBannerBottom);
}

void draw_phase(const char* phase, int16_t colour) { ui::draw_bitmap_text(kPhaseX, kMemoryStepY, colour, phase); }

void load_current_memory_files() {
    STEP(load_memory_file());
    STEP(load_memcue_file());
    STEP(convert_memory_time_items());
    STEP(convert_memcue_time_items());
}

// A mem block is refused whole when any value is none of: not set, a level,
// a value-preset reference.
bool old_values_valid(std::span<const uint8_t> body) {
    for (size_t i = 0; i < body.size(); i += kOldValueBytes) {
        const auto value = static_cast<int16_t>(get_u16(body, i));
        const bool level = value >= kValueNotSet && value <= kHighestLevel;
        const bool reference = value >= kFirstPresetReference && value <= kLastPresetReference;
        if (!level && !reference) return false;
    }
    return true;
}

// The items of one accepted block b.
void block_items(const OldPageForm& form, int b, std::span<const uint8_t> body, bool oldest_figures,
                 std::vector<MemoryItem>& items) {
    items.clear();
    switch (form.kind) {
        case PageKind::memory:
            for (int j = 1; j <= kBlockRecords; ++j) {
                const uint16_t value = get_u16(body, at(j - 1) * kOldValueBytes);
                if (static_cast<int16_t>(value) == kValueNotSet) continue;
                items.push_back({0, static_cast<uint16_t>(kBlockRecords * (b - 1) + j), value});
            }
            break;
        case PageKind::generator:
            for (int j = 1; j <= kBlockRecords; ++j) {
                for (int p = 1; p <= kGeneratorParameters; ++p) {
                    const uint8_t value = body[at(j - 1) * kGeneratorParameters + at(p) - 1];
                    if (value == kByteNotSet) continue;
                    items.push_back({static_cast<uint8_t>(kGeneratorKindStep * p),
                                     static_cast<uint16_t>(kBlockRecords * (b - 1) + j), value});
                }
            }
            break;
        case PageKind::figure:
            for (int j = 1; j <= kFiguresPerBlock; ++j) {
                std::array<uint8_t, kOldFigureBytes> bytes{};
                const auto fixture = body.subspan(at(j - 1) * kOldFigureBytes).first<kOldFigureBytes>();
                if (oldest_figures) {
                    widen_old_figure_bytes(fixture, bytes);
                } else {
                    std::copy(fixture.begin(), fixture.end(), bytes.begin());
                }
                for (int p = 1; p <= kOldFigureBytes; ++p) {
                    const uint8_t value = bytes[at(p) - 1];
                    if (value == kByteNotSet) continue;
                    items.push_back({static_cast<uint8_t>(kFigureKindBase + kFigureKindStep * p),
                                     static_cast<uint16_t>(kFiguresPerBlock * (b - 1) + j), value});
                }
            }
            break;
    }
}

// Appends the items to memory m's list: one new list of the grown length,
// the old one freed. False, with the list as it was, when memory ran out.
bool append_memory_items(int m, std::span<const MemoryItem> items) {
    if (items.empty()) return true;
    MemoryItem*& list = memories::memory_items[at(m)];
    MemoryIndexEntry& entry = memories::memory_index[at(m)];
    const size_t count = list == nullptr ? 0 : static_cast<size_t>(std::max(entry.count, 0));
    auto* grown = static_cast<MemoryItem*>(
        runtime::show_table_allocator((count + items.size()) * sizeof(MemoryItem), __FILE__, __LINE__));
    if (grown == nullptr) return false;
    if (count > 0) std::copy(list, list + count, grown);
    std::copy(items.begin(), items.end(), grown + count);
    if (list != nullptr) memcheck::mc_free_at(list, __FILE__, __LINE__);
    list = grown;
    entry.count = static_cast<int32_t>(count + items.size());
    return true;
}

// Reads page k of a kind into the memories; true when the page had the
// oldest figure layout.
bool convert_old_page(const OldPageForm& form, int page) {
    const std::string path = page_path(form.prefix, page);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool oldest_figures = form.kind == PageKind::figure && !read_old_figure_version(file);
    std::vector<uint8_t> index(kOldPageMemories * form.entry_bytes);
    const size_t got = std::fread(index.data(), 1, index.size(), file);
    FileDamage damage;
    damage.entries = kOldPageMemories;
    damage.entries_read = static_cast<int32_t>(got / form.entry_bytes);
    Refusals refusals;
    std::vector<uint8_t> body(form.body_bytes);
    std::vector<MemoryItem> items;
    for (int j = 1; j <= damage.entries_read; ++j) {
        const int m = kOldPageMemories * (page - 1) + j;
        OldPageEntry entry;
        decode_old_page_entry(std::span<const uint8_t>(index).subspan(at(j - 1) * form.entry_bytes, form.entry_bytes),
                              form.blocks, entry);
        if (form.kind == PageKind::memory) memories::memory_index[at(m)].name = entry.name;
        for (int b = 1; b <= form.blocks; ++b) {
            if (entry.offsets[at(b)] == kNotOnFile) continue;
            // Records beyond what this console holds have no place.
            if (form.kind != PageKind::figure && kBlockRecords * b > runtime::function_record_capacity) break;
            const OldBlockRead read = read_old_block(file, entry.offsets[at(b)], threshold_tag(m, b), body);
            const bool accepted =
                read == OldBlockRead::ok && (form.kind != PageKind::memory || old_values_valid(body));
            if (!accepted) {
                refusals.refuse(read != OldBlockRead::bad_offset);
                continue;
            }
            if (entry.present[at(b)] != 1) continue;
            block_items(form, b, body, oldest_figures, items);
            if (!append_memory_items(m, items)) ++damage.unloaded;
        }
        if (memories::memory_index[at(m)].count > 0) memories::memory_used[at(m)] = 1;
    }
    std::fclose(file);
    damage.refused = refusals.count;
    report_old_file(path, damage);
    return oldest_figures;
}

// The eight pages of a kind; nothing when page 1 is missing. True when any
// page had the oldest figure layout.
bool convert_old_pages(const OldPageForm& form) {
    if (!data_file_exists((page_name(form.prefix, 1) + ".dat").c_str())) return false;
    bool oldest_figures = false;
    for (int page = 1; page <= kOldPages; ++page) {
        if (convert_old_page(form, page)) oldest_figures = true;
    }
    return oldest_figures;
}

void retire_old_memory_pages() {
    for (int page = 1; page <= kOldPages; ++page) {
        for (const char* prefix : {"mem", "gen", "fig"}) retire_old_file(page_name(prefix, page).c_str());
    }
}

}  // namespace

// ------------------------------------------------------------------ shared by the older layouts

void decode_old_page_entry(std::span<const uint8_t> bytes, int blocks, OldPageEntry& entry) {
    for (size_t i = 0; i < kEntryNameBytes; ++i) entry.name[i] = static_cast<char>(bytes[i]);
    entry.name[kEntryNameBytes - 1] = '\0';
    const size_t offsets_at = kEntryNameBytes + at(blocks);
    for (int b = 1; b <= blocks; ++b) {
        entry.present[at(b)] = bytes[kEntryNameBytes + at(b) - 1];
        entry.offsets[at(b)] = get_i32(bytes, offsets_at + 4 * (at(b) - 1));
    }
}

OldBlockRead read_old_block(FILE* file, int32_t offset, const std::string& tag, std::span<uint8_t> body) {
    if (offset < 0 || std::fseek(file, offset, SEEK_SET) != 0) return OldBlockRead::bad_offset;
    std::array<char, kOldBlockTagChars> read_tag{};
    if (std::fread(read_tag.data(), 1, read_tag.size(), file) != read_tag.size()) return OldBlockRead::short_read;
    if (std::string_view(read_tag.data(), read_tag.size()) != tag) return OldBlockRead::tag_mismatch;
    if (std::fread(body.data(), 1, body.size(), file) != body.size()) return OldBlockRead::short_read;
    return OldBlockRead::ok;
}

bool read_old_figure_version(FILE* file) {
    std::array<char, kOldFigureVersionChars> text{};
    const bool found = std::fread(text.data(), 1, text.size(), file) == text.size() &&
                       std::string_view(text.data(), text.size()) == kOldFigureVersion;
    if (!found) std::fseek(file, 0, SEEK_SET);
    return found;
}

void widen_old_figure_bytes(std::span<const uint8_t, kOldFigureBytes> old_bytes,
                            std::span<uint8_t, kOldFigureBytes> figure_bytes) {
    // The parameter of each byte position; 0: dropped.
    constexpr std::array<int, kOldFigureBytes> kParameterOf{1, 2, 3, 4, 6, 7, 8, 9, 0, 0};
    std::fill(figure_bytes.begin(), figure_bytes.end(), kByteNotSet);
    for (size_t p = 0; p < kParameterOf.size(); ++p) {
        const int parameter = kParameterOf[p];
        if (parameter == 0 || old_bytes[p] == kByteNotSet) continue;
        figure_bytes[at(parameter) - 1] = parameter == kFigureModeParameter ? 0 : old_bytes[p];
    }
}

void report_old_file(const std::string& path, const FileDamage& damage) {
    old_records_not_held += damage.unloaded;
    const bool cut_short = damage.entries_read < damage.entries;
    if (damage.refused == 0 && damage.unloaded == 0 && !cut_short) return;
    report_damaged_file(path, damage, keep_copy(path));
}

void retire_old_file(const char* name) {
    const char* home = runtime::home_directory.c_str();
    ui::run_dos_command("del %s\\data\\%s.old", home, name);
    ui::run_dos_command("ren %s\\data\\%s.dat *.old", home, name);
}

void show_conversion_banner(const char* text) {
    warning_bar_texts.emplace_back(text);
    fill_banner(kBannerColour);
    platform::_setcolor(kBannerTextColour);
    platform::_outtextxy((kScreenWidth - platform::_textwidth(text)) / 2 + 1, kBannerTextY, text);
    ui::beep(kBannerBeepHz, kBannerBeep_ms);
}

void clear_conversion_banner() { fill_banner(kErasedColour); }

bool keep_replaced_file(const std::string& path, int64_t empty_bytes) {
    uint32_t size_bytes = 0;
    if (!lookup_file_size(path, size_bytes) || size_bytes <= empty_bytes) return true;
    const std::string kept = keep_copy(path);
    if (kept.empty()) {
        report_file(path, "HOLDS DATA AND COULD NOT BE KEPT, NOT REPLACED", {});
        return false;
    }
    report_file(path, "REPLACED BY CONVERTED OLDER FILES", kept);
    return true;
}

// ------------------------------------------------------------------ memories

void convert_old_memories() {
    free_memory_items();
    clear_memory_index();
    memories::memory_used.fill(0);
    memories::memory_used_count = 0;
    old_records_not_held = 0;
    if (!data_file_exists("mem-0250.dat")) {
        ui::draw_bitmap_text(kStepTextX, kMemoryStepY, kStepColour, "  - Loading memories");
        load_current_memory_files();
        return;
    }
    show_conversion_banner("UPDATING DATA-FORMAT OF MEMORIES! PLEASE WAIT...");
    ui::draw_bitmap_text(kStepTextX, kMemoryStepY, kStepColour, "  - Updating Data-Format of memories");
    draw_phase("1/4", kStepColour);
    STEP(convert_old_memory_pages());
    draw_phase("1/4", kErasedColour);
    draw_phase("2/4", kStepColour);
    STEP(convert_old_generator_pages());
    draw_phase("2/4", kErasedColour);
    draw_phase("3/4", kStepColour);
    STEP(convert_old_figure_pages());
    draw_phase("3/4", kErasedColour);
    draw_phase("4/4", kStepColour);
    // The pages go only once mem.dat holds all that was read from them.
    const std::string memory_path = record_file_path(kMemoryFile);
    const bool held = old_records_not_held == 0;
    const bool written =
        held && keep_replaced_file(memory_path, kEmptyMemoryFileBytes) && STEP(compact_memory_file(true));
    if (written) {
        retire_old_memory_pages();
    } else {
        report_file(memory_path, held ? "NOT WRITTEN, OLDER MEMORY PAGES KEPT"
                                      : "NOT WRITTEN (MEMORY FULL), OLDER MEMORY PAGES KEPT", {});
    }
    draw_phase("4/4", kErasedColour);
    draw_phase("Done", kDoneColour);
    clear_conversion_banner();
    // The cue memories on file belong to the show whatever the memories
    // came from; without them the point cues would lose theirs.
    STEP(load_memcue_file());
    STEP(convert_memcue_time_items());
    memories::memory_used_count = static_cast<uint16_t>(
        std::count(memories::memory_used.begin() + 1, memories::memory_used.end(), uint8_t{1}));
}

void convert_old_memory_pages() { convert_old_pages(kMemoryPages); }
void convert_old_generator_pages() { convert_old_pages(kGeneratorPages); }

void convert_old_figure_pages() {
    if (!convert_old_pages(kFigurePages)) return;
    show_conversion_banner("UPDATING DATA-FORMAT OF FIGURE-MEMORIES! PLEASE WAIT...");
    clear_conversion_banner();
}

// ------------------------------------------------------------------ presets

void convert_old_presets() {
    free_preset_tables();
    clear_preset_index();
    old_records_not_held = 0;
    if (!data_file_exists("pre-pan.dat")) {
        ui::draw_bitmap_text(kStepTextX, kPresetStepY, kStepColour, "  - Loading Presets");
        STEP(load_preset_file());
        return;
    }
    show_conversion_banner("UPDATING DATA-FORMAT OF PRESETS! PLEASE WAIT...");
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kStepColour, "  - Updating Data-Format of Presets");
    STEP(convert_old_value_preset_file());
    STEP(convert_old_figure_preset_file());
    STEP(convert_old_generator_preset_file());
    const std::string preset_path = record_file_path(kPresetFile);
    const bool held = old_records_not_held == 0;
    const bool written =
        held && keep_replaced_file(preset_path, kEmptyPresetFileBytes) && STEP(compact_preset_file(true));
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kErasedColour, "  - Updating Data-Format of Presets");
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kStepColour, "  - Loading Presets");
    // Retire the older files only once their presets are safely on file;
    // otherwise the presets read from them stay in the tables for this show.
    if (written) {
        STEP(load_preset_file());
        for (const char* name : kOldPresetFiles) retire_old_file(name);
    } else {
        report_file(preset_path, held ? "NOT WRITTEN, OLDER PRESET FILES KEPT"
                                      : "NOT WRITTEN (MEMORY FULL), OLDER PRESET FILES KEPT", {});
    }
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kDoneColour, "                                      Done");
    clear_conversion_banner();
}

}  // namespace datafiles
