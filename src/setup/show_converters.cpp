#include "setup/show_converters.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "datafiles/cue_memory_file.h"
#include "datafiles/default_values.h"
#include "datafiles/group_files.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/threshold_file.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "memories/submaster_cells.h"
#include "programmer/fixture_groups.h"
#include "runtime/card_discovery.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "ui/memory_access.h"

namespace setup {

namespace {

using datafiles::MemoryItem;
using runtime::kByteNotSet;
using runtime::kValueNotSet;

constexpr size_t kGenerators = runtime::kGeneratorBytesPerRecord;  // 6 per record
constexpr size_t kFigures = runtime::kFigureBytesPerFixture;       // 10 per fixture
constexpr size_t kTimeSlots = runtime::kTimeSlotsPerRecord;        // 15 per record
constexpr size_t kFixtures = runtime::kShowFixtures;
constexpr int kLiveProgrammer = memories::kMemories + 1;  // the slots after the memories: 4001
constexpr int kLiveOutput = memories::kMemories + 2;
constexpr int kLiveLayer = memories::kMemories + 3;
constexpr uint16_t kUnpatchedDefault = 70;
constexpr size_t kLibraryDefaults = kTypeDefaultValues;  // byte 58 + channel of a type library

size_t at(int i) { return static_cast<size_t>(i); }

int capacity() { return std::clamp<int>(runtime::function_record_capacity, 0, runtime::kFunctionRecordCapacity); }

template <typename T>
T* allocate(size_t elements) {
    return static_cast<T*>(runtime::show_table_allocator(elements * sizeof(T), __FILE__, __LINE__));
}

template <typename T>
void free_table(T*& table) {
    if (table != nullptr) memcheck::mc_free_at(table, __FILE__, __LINE__);
    table = nullptr;
}

// One image of everything a memory may hold, 1-based as the programmer's
// arrays: values per record, six generator bytes per record, ten figure
// bytes per fixture, fifteen times per record with their set flags.
struct ConversionImage {
    std::array<uint16_t, ui::kWorkValues> values{};
    std::array<uint8_t, ui::kWorkGenerators> generators{};
    std::array<uint8_t, ui::kWorkFigures> figures{};
    std::array<uint16_t, ui::kWorkTimes> times{};
    std::array<uint8_t, ui::kWorkTimes> time_flags{};

    void clear(uint16_t value, uint8_t byte) {
        values.fill(value);
        generators.fill(byte);
        figures.fill(byte);
        times.fill(kValueNotSet);
        time_flags.fill(0);
    }
};

// Where an image's data comes from: the arrays of the old rig (null reads as unset).
struct ImageSource {
    const uint16_t* values = nullptr;
    const uint8_t* generators = nullptr;
    const uint8_t* figures = nullptr;
    const uint16_t* times = nullptr;
    const uint8_t* time_flags = nullptr;
};

// The remap rule over one image: each pair's value, generator bytes and set
// times, and each fixture pair's figure bytes.
void remap_image(const ConversionPairs& pairs, const ImageSource& from, ConversionImage& to) {
    for (const RecordPair& pair : pairs.records) {
        const size_t n = at(pair.new_record);
        const size_t o = at(pair.old_record);
        if (from.values != nullptr) to.values[n] = from.values[o];
        if (from.generators != nullptr) {
            std::copy_n(from.generators + (o - 1) * kGenerators + 1, kGenerators, to.generators.begin() + static_cast<std::ptrdiff_t>((n - 1) * kGenerators + 1));
        }
        if (from.times == nullptr || from.time_flags == nullptr) continue;
        for (size_t s = 1; s <= kTimeSlots; ++s) {
            if (from.time_flags[(o - 1) * kTimeSlots + s] != 1) continue;
            to.times[(n - 1) * kTimeSlots + s] = from.times[(o - 1) * kTimeSlots + s];
            to.time_flags[(n - 1) * kTimeSlots + s] = 1;
        }
    }
    if (from.figures == nullptr) return;
    for (const FixturePair& pair : pairs.fixtures) {
        const size_t f = at(pair.new_fixture);
        const size_t o = at(pair.old_fixture);
        std::copy_n(from.figures + (o - 1) * kFigures + 1, kFigures, to.figures.begin() + static_cast<std::ptrdiff_t>((f - 1) * kFigures + 1));
    }
}

ImageSource work_buffer_source() {
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    return {b.values, b.generators, b.figures, b.times, b.time_flags};
}

// The packed image as an item list; false when memory ran out.
bool pack_image(const ConversionImage& image, MemoryItem*& items, int32_t& count) {
    const ui::PackResult packed = ui::pack_work_arrays(image.values.data(), image.generators.data(),
                                                       image.figures.data(), image.times.data(),
                                                       image.time_flags.data(), capacity(), static_cast<int>(kFixtures));
    if (packed.out_of_memory) return false;
    items = packed.items;
    count = static_cast<int32_t>(packed.count);
    return true;
}

// The status line's progress in whole percent: redrawn only on a change,
// so at most 100 times.
struct Progress {
    const char* format;
    int total;
    int shown = 0;
    void step(StatusWriter status, int n) {
        const int percent = std::min(n, total) * 100 / total;
        if (percent == shown || status == nullptr) return;
        shown = percent;
        std::array<char, 48> text{};
        std::snprintf(text.data(), text.size(), format, percent);
        status(text.data());
    }
};

// ------------------------------------------------------------------ the tables kept

struct KeptShowTables {
    std::array<datafiles::MemoryIndexEntry, memories::kMemories + 1> memory_index;
    std::array<MemoryItem*, memories::kMemories + 1> memory_items;
    std::array<uint8_t, memories::kMemories + 1> memory_used;
    uint16_t memory_used_count = 0;
    std::array<datafiles::MemCueIndexEntry, datafiles::kCueMemories + 1> memcue_index;
    std::array<MemoryItem*, datafiles::kCueMemories + 1> memcue_items;
    std::array<uint8_t, datafiles::kCueMemories + 1> memcue_used;
    uint16_t memcue_used_count = 0;
    std::array<datafiles::MemoryIndexEntry, memories::kPresetEntries + 1> preset_index;
    std::array<uint8_t, memories::kPresetEntries + 1> preset_used;
    std::array<uint16_t*, memories::kValuePresets + 1> value_presets;
    std::array<uint8_t*, memories::kEffectPresets + 1> generator_presets;
    std::array<uint8_t*, memories::kEffectPresets + 1> figure_presets;
    std::array<datafiles::ThresholdIndexEntry, datafiles::kThresholds + 1> threshold_index;
    std::array<uint8_t*, datafiles::kThresholds + 1> threshold_tables;
    std::array<uint8_t, datafiles::kThresholds + 1> threshold_programmed;
    decltype(programmer::group_table) groups;
    decltype(memories::submaster_table) submasters;
    decltype(programmer::grouping_table) groupings;
    decltype(programmer::grouping_members) grouping_members;
    std::vector<uint16_t> programmer_values, output_values, layer_values, default_values;
    std::vector<uint8_t> programmer_generators, programmer_figures, layer_generators, layer_figures;
    std::vector<runtime::GeneratorState> generator_states;
    std::vector<runtime::FigureState> figure_states;
};

std::unique_ptr<KeptShowTables> kept;

template <typename T>
std::vector<T> copy_of(const T* table, size_t elements) {
    return table == nullptr ? std::vector<T>{} : std::vector<T>(table, table + elements);
}

template <typename T>
void copy_back(const std::vector<T>& copy, T* table) {
    if (table != nullptr) std::copy(copy.begin(), copy.end(), table);
}

// Frees the lists of `drop` that `keep` does not hold too.
template <typename T, size_t N>
void free_replaced(std::array<T*, N>& drop, const std::array<T*, N>& keep) {
    for (size_t i = 0; i < N; ++i) {
        if (drop[i] != keep[i]) free_table(drop[i]);
    }
}

// The new table of a value, generator or figure preset, every entry unset.
template <typename T>
T* unset_table(size_t elements, T unset) {
    T* table = allocate<T>(elements);
    if (table != nullptr) std::fill_n(table, elements, unset);
    return table;
}

}  // namespace

void keep_show_tables() {
    kept = std::make_unique<KeptShowTables>();
    KeptShowTables& k = *kept;
    k.memory_index = memories::memory_index;
    k.memory_items = memories::memory_items;
    k.memory_used = memories::memory_used;
    k.memory_used_count = memories::memory_used_count;
    k.memcue_index = datafiles::memcue_index;
    k.memcue_items = datafiles::memcue_items;
    k.memcue_used = datafiles::memcue_used;
    k.memcue_used_count = datafiles::memcue_used_count;
    k.preset_index = memories::preset_index;
    k.preset_used = memories::preset_used_tables;
    k.value_presets = memories::value_preset_table;
    k.generator_presets = memories::effect_preset_generators;
    k.figure_presets = memories::effect_preset_figures;
    k.threshold_index = datafiles::threshold_index;
    k.threshold_tables = datafiles::threshold_tables;
    k.threshold_programmed = datafiles::threshold_programmed;
    k.groups = programmer::group_table;
    k.submasters = memories::submaster_table;
    k.groupings = programmer::grouping_table;
    k.grouping_members = programmer::grouping_members;
    k.programmer_values = copy_of(runtime::programmer_values, ui::kWorkValues);
    k.programmer_generators = copy_of(runtime::programmer_generators, ui::kWorkGenerators);
    k.programmer_figures = copy_of(runtime::programmer_figures, ui::kWorkFigures);
    k.output_values = copy_of(runtime::output_base_values, ui::kWorkValues);
    k.generator_states = copy_of(runtime::generator_states, ui::kWorkValues);
    k.figure_states = copy_of(runtime::figure_states, kFixtures + 1);
    k.layer_values = copy_of(runtime::layer_values[0], ui::kWorkValues);
    k.layer_generators = copy_of(runtime::layer_generators[0], ui::kWorkGenerators);
    k.layer_figures = copy_of(runtime::layer_figures[0], ui::kWorkFigures);
    k.default_values = copy_of(datafiles::default_values, datafiles::kDefaultValueRecords + 1);
}

void put_back_show_tables() {
    if (!kept) return;
    KeptShowTables& k = *kept;
    free_replaced(memories::memory_items, k.memory_items);
    free_replaced(datafiles::memcue_items, k.memcue_items);
    free_replaced(memories::value_preset_table, k.value_presets);
    free_replaced(memories::effect_preset_generators, k.generator_presets);
    free_replaced(memories::effect_preset_figures, k.figure_presets);
    free_replaced(datafiles::threshold_tables, k.threshold_tables);
    memories::memory_index = k.memory_index;
    memories::memory_items = k.memory_items;
    memories::memory_used = k.memory_used;
    memories::memory_used_count = k.memory_used_count;
    datafiles::memcue_index = k.memcue_index;
    datafiles::memcue_items = k.memcue_items;
    datafiles::memcue_used = k.memcue_used;
    datafiles::memcue_used_count = k.memcue_used_count;
    memories::preset_index = k.preset_index;
    memories::preset_used_tables = k.preset_used;
    memories::value_preset_table = k.value_presets;
    memories::effect_preset_generators = k.generator_presets;
    memories::effect_preset_figures = k.figure_presets;
    datafiles::threshold_index = k.threshold_index;
    datafiles::threshold_tables = k.threshold_tables;
    datafiles::threshold_programmed = k.threshold_programmed;
    programmer::group_table = k.groups;
    memories::submaster_table = k.submasters;
    programmer::grouping_table = k.groupings;
    programmer::grouping_members = k.grouping_members;
    copy_back(k.programmer_values, runtime::programmer_values);
    copy_back(k.programmer_generators, runtime::programmer_generators);
    copy_back(k.programmer_figures, runtime::programmer_figures);
    copy_back(k.output_values, runtime::output_base_values);
    copy_back(k.generator_states, runtime::generator_states);
    copy_back(k.figure_states, runtime::figure_states);
    copy_back(k.layer_values, runtime::layer_values[0]);
    copy_back(k.layer_generators, runtime::layer_generators[0]);
    copy_back(k.layer_figures, runtime::layer_figures[0]);
    copy_back(k.default_values, datafiles::default_values);
    kept.reset();
}

void release_kept_show_tables() {
    if (!kept) return;
    KeptShowTables& k = *kept;
    free_replaced(k.memory_items, memories::memory_items);
    free_replaced(k.memcue_items, datafiles::memcue_items);
    free_replaced(k.value_presets, memories::value_preset_table);
    free_replaced(k.generator_presets, memories::effect_preset_generators);
    free_replaced(k.figure_presets, memories::effect_preset_figures);
    free_replaced(k.threshold_tables, datafiles::threshold_tables);
    kept.reset();
}

// ------------------------------------------------------------------ memories and cue memories

namespace {

// Item list m of a list table replaced by the packed image; false when memory ran out.
template <typename Entry>
bool replace_list(MemoryItem*& items, Entry& entry, const ConversionImage& image) {
    MemoryItem* list = nullptr;
    int32_t count = 0;
    if (!pack_image(image, list, count)) return false;
    items = list;  // the list it had is kept until the save is committed
    entry.count = count;
    return true;
}

ImageSource programmer_source() {
    return {runtime::programmer_values, runtime::programmer_generators, runtime::programmer_figures, nullptr, nullptr};
}

void convert_programmer(const ConversionPairs& pairs, ConversionImage& image) {
    image.clear(kValueNotSet, kByteNotSet);
    remap_image(pairs, programmer_source(), image);
    if (runtime::programmer_values != nullptr) std::copy(image.values.begin(), image.values.end(), runtime::programmer_values);
    if (runtime::programmer_generators != nullptr) {
        std::copy(image.generators.begin(), image.generators.end(), runtime::programmer_generators);
    }
    if (runtime::programmer_figures != nullptr) std::copy(image.figures.begin(), image.figures.end(), runtime::programmer_figures);
}

// The running output: its values, and the effect states restarted from zero
// with their parameters carried over.
void convert_output(const ConversionPairs& pairs, ConversionImage& image) {
    image.clear(0, 0);
    std::vector<uint8_t> generators(ui::kWorkGenerators, 0);
    std::vector<uint8_t> figures(ui::kWorkFigures, 0);
    if (runtime::generator_states != nullptr) {
        for (size_t r = 1; r < ui::kWorkValues; ++r) {
            std::copy_n(runtime::generator_states[r].parameters.begin(), kGenerators, generators.begin() + static_cast<std::ptrdiff_t>((r - 1) * kGenerators + 1));
        }
    }
    if (runtime::figure_states != nullptr) {
        for (size_t f = 1; f <= kFixtures; ++f) {
            std::copy_n(runtime::figure_states[f].parameters.begin(), kFigures, figures.begin() + static_cast<std::ptrdiff_t>((f - 1) * kFigures + 1));
        }
    }
    remap_image(pairs, {runtime::output_base_values, generators.data(), figures.data(), nullptr, nullptr}, image);
    if (runtime::output_base_values != nullptr) std::copy(image.values.begin(), image.values.end(), runtime::output_base_values);
    if (runtime::generator_states != nullptr) {
        for (size_t r = 1; r < ui::kWorkValues; ++r) {
            runtime::generator_states[r] = runtime::GeneratorState{};
            std::copy_n(image.generators.begin() + static_cast<std::ptrdiff_t>((r - 1) * kGenerators + 1), kGenerators, runtime::generator_states[r].parameters.begin());
        }
    }
    if (runtime::figure_states != nullptr) {
        for (size_t f = 1; f <= kFixtures; ++f) {
            runtime::figure_states[f] = runtime::FigureState{};
            std::copy_n(image.figures.begin() + static_cast<std::ptrdiff_t>((f - 1) * kFigures + 1), kFigures, runtime::figure_states[f].parameters.begin());
        }
    }
}

void convert_live_layer(const ConversionPairs& pairs, ConversionImage& image) {
    image.clear(0, 0);
    remap_image(pairs, {runtime::layer_values[0], runtime::layer_generators[0], runtime::layer_figures[0], nullptr, nullptr},
                image);
    if (runtime::layer_values[0] != nullptr) std::copy(image.values.begin(), image.values.end(), runtime::layer_values[0]);
    if (runtime::layer_generators[0] != nullptr) {
        std::copy(image.generators.begin(), image.generators.end(), runtime::layer_generators[0]);
    }
    if (runtime::layer_figures[0] != nullptr) std::copy(image.figures.begin(), image.figures.end(), runtime::layer_figures[0]);
}

}  // namespace

bool convert_memories(const ConversionPairs& pairs, StatusWriter status) {
    const auto image = std::make_unique<ConversionImage>();
    Progress progress{"CONVERTING MEMORIES (%d %%)", memories::kMemories};
    for (int m = 1; m <= kLiveLayer; ++m) {
        if (m <= memories::kMemories) {
            MemoryItem*& items = memories::memory_items[at(m)];
            datafiles::MemoryIndexEntry& entry = memories::memory_index[at(m)];
            if (items != nullptr && entry.count > 0) {
                image->clear(kValueNotSet, kByteNotSet);
                ui::unpack_memory(static_cast<int16_t>(m));
                remap_image(pairs, work_buffer_source(), *image);
                if (!replace_list(items, entry, *image)) return false;
            } else if (items == nullptr) {
                entry.count = 0;
            }
        } else if (m == kLiveProgrammer) {
            convert_programmer(pairs, *image);
        } else if (m == kLiveOutput) {
            convert_output(pairs, *image);
        } else {
            convert_live_layer(pairs, *image);
        }
        progress.step(status, m);
    }
    if (status != nullptr) status("SAVING MEMORIES");
    return true;
}

bool convert_cue_memories(const ConversionPairs& pairs, StatusWriter status) {
    const auto image = std::make_unique<ConversionImage>();
    Progress progress{"CONVERTING CUEMEMS (%d %%)", datafiles::kCueMemories};
    for (int n = 1; n <= datafiles::kCueMemories; ++n) {
        MemoryItem*& items = datafiles::memcue_items[at(n)];
        datafiles::MemCueIndexEntry& entry = datafiles::memcue_index[at(n)];
        if (items != nullptr && entry.count > 0) {
            image->clear(kValueNotSet, kByteNotSet);
            ui::unpack_cue_memory(static_cast<int16_t>(n), -1, 0);
            remap_image(pairs, work_buffer_source(), *image);
            if (!replace_list(items, entry, *image)) return false;
        } else if (items == nullptr) {
            entry.count = 0;
        }
        progress.step(status, n);
    }
    if (status != nullptr) status("SAVING CUEMEMS");
    return true;
}

// ------------------------------------------------------------------ presets and thresholds

namespace {

// Every table of the list that is not null replaced by a new one of the same
// size, unset, into which move carries the data; false when memory ran out.
template <typename T, size_t N, typename Move>
bool convert_tables(std::array<T*, N>& tables, size_t elements, T unset, Move move) {
    for (T*& table : tables) {
        if (table == nullptr) continue;
        T* converted = unset_table<T>(elements, unset);
        if (converted == nullptr) return false;
        move(static_cast<const T*>(table), converted);
        table = converted;  // the table it had is kept until the save is committed
    }
    return true;
}

}  // namespace

bool convert_presets(const ConversionPairs& pairs) {
    return convert_tables(memories::value_preset_table, memories::kValuePresetValues, kValueNotSet,
                          [&](const uint16_t* from, uint16_t* to) {
                              for (const RecordPair& pair : pairs.records) to[at(pair.new_record)] = from[at(pair.old_record)];
                          });
}

bool convert_generator_presets(const ConversionPairs& pairs) {
    return convert_tables(memories::effect_preset_generators, memories::kGeneratorPartBytes, kByteNotSet,
                          [&](const uint8_t* from, uint8_t* to) {
                              for (const RecordPair& pair : pairs.records) {
                                  std::copy_n(from + (at(pair.old_record) - 1) * kGenerators, kGenerators,
                                              to + (at(pair.new_record) - 1) * kGenerators);
                              }
                          });
}

bool convert_figure_presets(const ConversionPairs& pairs) {
    return convert_tables(memories::effect_preset_figures, memories::kFigurePartBytes, kByteNotSet,
                          [&](const uint8_t* from, uint8_t* to) {
                              for (const FixturePair& pair : pairs.fixtures) {
                                  std::copy_n(from + (at(pair.old_fixture) - 1) * kFigures, kFigures,
                                              to + (at(pair.new_fixture) - 1) * kFigures);
                              }
                          });
}

bool convert_thresholds(const ConversionPairs& pairs) {
    return convert_tables(datafiles::threshold_tables, at(capacity()) + 1, uint8_t{0},
                          [&](const uint8_t* from, uint8_t* to) {
                              for (const RecordPair& pair : pairs.records) to[at(pair.new_record)] = from[at(pair.old_record)];
                          });
}

// ------------------------------------------------------------------ per-fixture tables

namespace {

template <size_t N>
void convert_fixture_row(const ConversionPairs& pairs, std::array<uint8_t, N>& row) {
    const std::array<uint8_t, N> old = row;
    row.fill(0);
    for (const FixturePair& pair : pairs.fixtures) {
        if (at(pair.new_fixture) < N && at(pair.old_fixture) < N) row[at(pair.new_fixture)] = old[at(pair.old_fixture)];
    }
}

}  // namespace

void convert_fixture_groups(const ConversionPairs& pairs) {
    for (size_t g = 1; g <= programmer::kGroups; ++g) convert_fixture_row(pairs, programmer::group_table[g]);
}

void convert_submasters(const ConversionPairs& pairs) {
    for (size_t s = 1; s <= memories::kSubmasters; ++s) convert_fixture_row(pairs, memories::submaster_table[s]);
}

void convert_groupings(const ConversionPairs& pairs) {
    constexpr int16_t kMemberStep = 34;  // a member is (fixture - 1) * 34
    for (size_t g = 1; g <= programmer::kGroupings; ++g) {
        programmer::Grouping& grouping = programmer::grouping_table[g];
        const std::vector<int16_t> old = programmer::grouping_members[g];
        std::vector<int16_t> members;
        size_t next = 0;
        grouping.subgroup_count = 0;
        for (size_t k = 1; k <= programmer::kSubgroups; ++k) {
            const int16_t old_count = std::max<int16_t>(grouping.member_counts[k], 0);
            int16_t count = 0;
            for (int16_t i = 0; i < old_count && next < old.size(); ++i, ++next) {
                const int16_t e = old[next];
                for (const FixturePair& pair : pairs.fixtures) {
                    if (e != (pair.old_fixture - 1) * kMemberStep) continue;
                    members.push_back(static_cast<int16_t>((pair.new_fixture - 1) * kMemberStep));
                    ++count;
                }
            }
            grouping.member_counts[k] = count;
            // The highest subgroup with members, as the grouping editor counts them.
            if (count > 0) grouping.subgroup_count = static_cast<uint8_t>(k);
        }
        programmer::grouping_members[g] = std::move(members);
    }
}

// ------------------------------------------------------------------ default values

bool rebuild_channel_defaults(const SetupData& edited, const FixtureMap& map, const ConversionPairs& pairs) {
    if (datafiles::default_values == nullptr) {
        datafiles::default_values = allocate<uint16_t>(datafiles::kDefaultValueRecords + 1);
        if (datafiles::default_values == nullptr) return false;
        std::fill_n(datafiles::default_values, datafiles::kDefaultValueRecords + 1, datafiles::kNoDefaultValue);
    }
    uint16_t* values = datafiles::default_values;
    std::array<uint16_t, datafiles::kDefaultValueRecords + 1> old{};
    std::copy_n(values, old.size(), old.begin());
    std::fill_n(values + 1, datafiles::kDefaultValueRecords, kUnpatchedDefault);
    for (const RecordPair& pair : pairs.records) values[at(pair.new_record)] = old[at(pair.old_record)];
    // Each type's library is read once, for its first fixture without a source.
    std::array<std::unique_ptr<std::array<uint8_t, kMaxTypeChannels>>, kMaxFixtureTypes + 1> library_defaults;
    const int count = rig_fixture_count(edited);
    for (int f = 1; f <= count; ++f) {
        if (map[at(f)] != 0) continue;
        const int type = edited.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) + 1;
        if (type < 1 || type > kMaxFixtureTypes) continue;
        auto& defaults = library_defaults[at(type)];
        if (!defaults) {
            defaults = std::make_unique<std::array<uint8_t, kMaxTypeChannels>>();
            std::vector<uint8_t> library(kFixtureTypeDefBytes);
            const std::string stem = edited.text(SetupData::type_file_name_field(type), kTypeFileNameBytes);
            // A library that can't be read leaves its channels at 0.
            if (datafiles::read_whole_file(datafiles::program_path(("lib\\set\\" + stem + ".set").c_str()), library)) {
                std::copy_n(library.begin() + kLibraryDefaults, kMaxTypeChannels, defaults->begin());
            }
        }
        const int first = edited.u16(SetupData::fixture_field(f, kFixtureFirstRecord));
        const int channels = std::min<int>(edited.u8(SetupData::fixture_field(f, kFixtureChannelCount)), kMaxTypeChannels);
        for (int k = 0; k < channels; ++k) {
            const int entry = edited.u8(SetupData::type_function_map_field(type, k));
            const int record = first + entry;
            if (first < 1 || entry >= channels || record > std::min(capacity(), datafiles::kDefaultValueRecords)) continue;
            values[at(record)] = (*defaults)[at(k)];
        }
    }
    return true;
}

// ------------------------------------------------------------------ flags and files

void recompute_used_flags() {
    memories::memory_used_count = 0;
    for (size_t m = 1; m <= memories::kMemories; ++m) {
        const datafiles::MemoryIndexEntry& entry = memories::memory_index[m];
        memories::memory_used[m] = entry.offset != datafiles::kNotOnFile && entry.count > 0 ? 1 : 0;
        memories::memory_used_count = static_cast<uint16_t>(memories::memory_used_count + memories::memory_used[m]);
    }
    datafiles::memcue_used_count = 0;
    for (size_t n = 1; n <= datafiles::kCueMemories; ++n) {
        const datafiles::MemCueIndexEntry& entry = datafiles::memcue_index[n];
        datafiles::memcue_used[n] = entry.offset != datafiles::kNotOnFile && entry.count > 0 ? 1 : 0;
        datafiles::memcue_used_count = static_cast<uint16_t>(datafiles::memcue_used_count + datafiles::memcue_used[n]);
    }
    for (size_t e = 1; e <= memories::kPresetEntries; ++e) {
        memories::preset_used_tables[e] = memories::preset_index[e].count > 0 ? 1 : 0;
    }
    for (size_t t = 1; t <= datafiles::kThresholds; ++t) {
        const datafiles::ThresholdIndexEntry& entry = datafiles::threshold_index[t];
        bool programmed = false;
        for (size_t b = 1; b <= datafiles::kThresholdBlocks; ++b) {
            programmed = programmed || (entry.block_present[b] == 1 && entry.block_offsets[b] != datafiles::kNotOnFile);
        }
        datafiles::threshold_programmed[t] = programmed ? 1 : 0;
    }
}

bool converted_file_images(std::vector<datafiles::FileImage>& files) {
    datafiles::FileImage memories_file;
    datafiles::FileImage cue_memories_file;
    datafiles::FileImage presets_file;
    if (!datafiles::memory_file_image(memories_file) || !datafiles::memcue_file_image(cue_memories_file) ||
        !datafiles::preset_file_image(presets_file)) {
        return false;
    }
    files.push_back(std::move(memories_file));
    files.push_back(std::move(cue_memories_file));
    files.push_back(std::move(presets_file));
    files.push_back({datafiles::record_file_path(datafiles::kThresholdFile), datafiles::threshold_file_bytes()});
    files.push_back({datafiles::data_file_path("groups"), datafiles::group_file_bytes()});
    files.push_back({datafiles::data_file_path("submast"), datafiles::submaster_file_bytes()});
    files.push_back({datafiles::data_file_path("groupa"), datafiles::grouping_file_bytes()});
    return true;
}

datafiles::FileImage default_values_image() {
    return {datafiles::values_file_path(), datafiles::values_file_bytes()};
}

}  // namespace setup
