#include "ui/memory_access.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "playback/cue_tables.h"
#include "runtime/card_discovery.h"
#include "runtime/dpmi_services.h"
#include "runtime/fixture_tables.h"
#include "runtime/one_based.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"

namespace ui {

MemoryWorkBuffers memory_work_buffers;
std::array<uint16_t, kTimeKinds + 1> default_times{};
std::array<CueMemoryImage*, kCueImageSlots + 1> cue_image_slots{};
std::array<uint8_t, kCueMemoryCount + 1> cue_image_slot_of{};
uint8_t status_level = 0;
int16_t status_percent = 0;

namespace {

using datafiles::MemoryItem;
using runtime::at;
using runtime::kByteNotSet;
using runtime::kValueNotSet;

constexpr size_t kGeneratorsPerRecord = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFiguresPerFixture = runtime::kFigureBytesPerFixture;
constexpr size_t kTimeSlots = runtime::kTimeSlotsPerRecord;
constexpr int kMaxRecords = static_cast<int>(runtime::kShowRecords);
constexpr int kMaxFixtures = static_cast<int>(runtime::kShowFixtures);

// Memory status thresholds: bytes the host still has, and percent free.
constexpr uint32_t kCriticalAvailableBytes = 1'000'000;
constexpr uint32_t kLowAvailableBytes = 6'000'000;
constexpr int64_t kCriticalPercent = 5;
constexpr int64_t kLowPercent = 10;
constexpr uint8_t kLevelNormal = 0, kLevelLow = 1, kLevelCritical = 2;

constexpr int32_t kUnknownKindBeepHz = 800;
constexpr uint32_t kUnknownKindBeep_ms = 25;
constexpr int32_t kTraceLowBeepHz = 800;
constexpr uint32_t kTraceAbandonBeep_ms = 2000;
constexpr uint32_t kTraceLowBeep_ms = 200;

// The records an unpack fills: the work buffers' room cut to the console's records.
int record_limit() { return std::clamp<int>(runtime::function_record_capacity, 0, kMaxRecords); }

template <typename T>
T* allocate_array(size_t count) {
    return static_cast<T*>(runtime::show_table_allocator(count * sizeof(T), __FILE__, __LINE__));
}

// The five show defaults of the setup record.
std::array<uint16_t, kTimeKinds + 1> show_default_times() {
    std::array<uint16_t, kTimeKinds + 1> times{};
    for (int k = 1; k <= kTimeKinds; ++k) {
        times[at(k)] = setup::setup_data.u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1));
    }
    return times;
}

// The defaults of a cue slot's point cue; the show defaults for slot -1, or
// when the slot holds no record.
std::array<uint16_t, kTimeKinds + 1> cue_default_times(int16_t cue_slot) {
    if (cue_slot == -1) return show_default_times();
    std::array<uint16_t, kTimeKinds> record_times{};
    if (!datafiles::get_pointcue_times(cue_slot, record_times)) return show_default_times();
    std::array<uint16_t, kTimeKinds + 1> times{};
    std::copy(record_times.begin(), record_times.end(), times.begin() + 1);
    return times;
}

uint16_t time_kind_of_slot(size_t slot) { return static_cast<uint16_t>((slot - 1) % kTimeKinds + 1); }

// Time slots from..to (1-based, inclusive) at the five defaults, slot by
// slot as each record's fifteen slots take them.
void fill_default_times(uint16_t* times, size_t from, size_t to, const std::array<uint16_t, kTimeKinds + 1>& slot_times) {
    std::array<uint16_t, kTimeSlots> record_slots{};
    for (size_t k = 0; k < kTimeSlots; ++k) record_slots[k] = slot_times[time_kind_of_slot(k + 1)];
    size_t k = (from - 1) % kTimeSlots;
    for (size_t i = from; i <= to; ++i) {
        times[i] = record_slots[k];
        if (++k == kTimeSlots) k = 0;
    }
}

// Values not set, bytes not set, flags clear and every record's 15 slots at
// the defaults (FADE IN replaced by fade_in when that is not 0); the five
// defaults go to default_times.
void fill_not_set(const MemoryWorkBuffers& arrays, const std::array<uint16_t, kTimeKinds + 1>& defaults,
                  int16_t fade_in) {
    if (arrays.values != nullptr) std::fill_n(arrays.values, kWorkValues, kValueNotSet);
    if (arrays.generators != nullptr) std::fill_n(arrays.generators, kWorkGenerators, kByteNotSet);
    if (arrays.figures != nullptr) std::fill_n(arrays.figures, kWorkFigures, kByteNotSet);
    if (arrays.time_flags != nullptr) std::fill_n(arrays.time_flags, kWorkTimes, uint8_t{0});
    if (arrays.times != nullptr) {
        std::array<uint16_t, kTimeKinds + 1> slot_times = defaults;
        if (fade_in != 0) slot_times[2] = static_cast<uint16_t>(fade_in);
        arrays.times[0] = 0;
        fill_default_times(arrays.times, 1, kWorkTimes - 1, slot_times);
    }
    default_times = defaults;
}

// The work buffers, each allocated when still missing, then filled as not set.
void prepare_work_buffers(const std::array<uint16_t, kTimeKinds + 1>& defaults, int16_t fade_in) {
    MemoryWorkBuffers& b = memory_work_buffers;
    if (b.values == nullptr) b.values = allocate_array<uint16_t>(kWorkValues);
    if (b.generators == nullptr) b.generators = allocate_array<uint8_t>(kWorkGenerators);
    if (b.figures == nullptr) b.figures = allocate_array<uint8_t>(kWorkFigures);
    if (b.times == nullptr) b.times = allocate_array<uint16_t>(kWorkTimes);
    if (b.time_flags == nullptr) b.time_flags = allocate_array<uint8_t>(kWorkTimes);
    fill_not_set(b, defaults, fade_in);
}

// Puts one item where its kind says. An index outside the arrays (records
// beyond the console's, fixtures beyond 700) is never written.
void place_item(const MemoryWorkBuffers& arrays, const MemoryItem& item) {
    const int index = item.index;
    const int records = record_limit();
    const uint8_t kind = item.kind;
    if (kind == ITEM_VALUE) {
        if (index >= 1 && index <= records && arrays.values != nullptr) arrays.values[at(index)] = item.value;
    } else if (kind >= ITEM_FIRST_GENERATOR && kind <= ITEM_LAST_GENERATOR) {
        if (index < 1 || index > records || arrays.generators == nullptr) return;
        const size_t p = kind / 10u;
        arrays.generators[(at(index) - 1) * kGeneratorsPerRecord + p] = static_cast<uint8_t>(item.value);
    } else if (kind >= ITEM_FIRST_FIGURE && kind <= ITEM_LAST_FIGURE) {
        if (index < 1 || index > kMaxFixtures || arrays.figures == nullptr) return;
        const size_t p = kind / 10u - 9;
        arrays.figures[(at(index) - 1) * kFiguresPerFixture + p] = static_cast<uint8_t>(item.value);
    } else if (kind >= ITEM_FIRST_TIME && kind <= ITEM_LAST_TIME) {
        if (index < 1 || index > records) return;
        const size_t i = (at(index) - 1) * kTimeSlots + (kind - 200u);
        if (arrays.times != nullptr) arrays.times[i] = item.value;
        if (arrays.time_flags != nullptr) arrays.time_flags[i] = 1;
    }
}

// Places the items of a list; with check, only the valid ones. Returns how
// many were skipped as invalid.
int place_items(const MemoryWorkBuffers& arrays, std::span<const MemoryItem> items, bool check) {
    int skipped = 0;
    for (const MemoryItem& item : items) {
        if (check && !is_valid_item(item.kind, item.index, item.value)) {
            ++skipped;
            continue;
        }
        place_item(arrays, item);
    }
    return skipped;
}

void null_pointer_beeps() {
    beep_interruptible(kNullPointerBeepHz, kNullPointerBeep_ms);
    beep(kNullPointerBeepHz, kNullPointerBeep_ms);
}

// The list of entry n (1..last) of an item-list table, empty when n is out of
// range or holds no items; a null list with a count above 0 is reported
// through missing.
template <typename IndexTable, typename ItemTable>
std::span<const MemoryItem> item_list(const IndexTable& index, const ItemTable& lists, int16_t n, int last,
                                      bool& missing) {
    missing = false;
    if (n < 1 || n > last) return {};
    const int32_t count = index[at(n)].count;
    if (count <= 0) return {};
    const MemoryItem* items = lists[at(n)];
    if (items == nullptr) {
        missing = true;
        return {};
    }
    return {items, at(count)};
}

std::span<const MemoryItem> memory_list(int16_t memory, bool& missing) {
    return item_list(memories::memory_index, memories::memory_items, memory, kMemoryCount, missing);
}

std::span<const MemoryItem> cue_memory_list(int16_t cue_memory, bool& missing) {
    return item_list(datafiles::memcue_index, datafiles::memcue_items, cue_memory, kCueMemoryCount, missing);
}

// A cue memory's valid items into arrays, with the messages and beeps of a
// missing list or of skipped items.
void place_cue_memory(const MemoryWorkBuffers& arrays, int16_t cue_memory, int16_t cue_slot) {
    bool missing = false;
    const std::span<const MemoryItem> items = cue_memory_list(cue_memory, missing);
    if (missing) {
        show_message("NULL POINTER FOR CMEM %d CUE %d", cue_memory, cue_slot);
        null_pointer_beeps();
        return;
    }
    if (place_items(arrays, items, true) > 0) beep(kSkippedItemBeepHz, kSkippedItemBeep_ms);
}

MemoryWorkBuffers arrays_of(CueMemoryImage& image) {
    return {image.values.data(), image.generators.data(), image.figures.data(), image.times.data(),
            image.time_flags.data()};
}

// What an image of the trace cache holds besides the not-set fill: the
// defaults its times were filled with and the records and fixtures that its
// cue memory's items may have written. An image reused with the same
// defaults has only those written parts put back, not the whole image.
struct IndexSpan {
    int first = 0;
    int last = -1;  // empty while last < first
    void take(int i) {
        if (last < first) {
            first = last = i;
        } else {
            first = std::min(first, i);
            last = std::max(last, i);
        }
    }
};
struct ImageFill {
    bool known = false;  // false: the image's contents are not known (fresh or freed)
    std::array<uint16_t, kTimeKinds + 1> defaults{};
    IndexSpan records;
    IndexSpan fixtures;
};
std::array<ImageFill, kCueImageSlots + 1> image_fills{};

// The records and fixtures the items can write into (every item, valid or not).
void take_item_spans(ImageFill& fill, std::span<const MemoryItem> items) {
    fill.records = {};
    fill.fixtures = {};
    for (const MemoryItem& item : items) {
        const int index = item.index;
        if (item.kind >= ITEM_FIRST_FIGURE && item.kind <= ITEM_LAST_FIGURE) {
            if (index >= 1 && index <= kMaxFixtures) fill.fixtures.take(index);
        } else if (index >= 1 && index <= kMaxRecords) {
            fill.records.take(index);
        }
    }
}

// Puts the written parts of an image back to the not-set fill.
void clear_written(const MemoryWorkBuffers& arrays, const ImageFill& fill) {
    if (fill.records.last >= fill.records.first) {
        const auto first = static_cast<size_t>(fill.records.first);
        const auto last = static_cast<size_t>(fill.records.last);
        std::fill(arrays.values + first, arrays.values + last + 1, kValueNotSet);
        std::fill(arrays.generators + (first - 1) * kGeneratorsPerRecord + 1,
                  arrays.generators + last * kGeneratorsPerRecord + 1, kByteNotSet);
        std::fill(arrays.time_flags + (first - 1) * kTimeSlots + 1, arrays.time_flags + last * kTimeSlots + 1, uint8_t{0});
        fill_default_times(arrays.times, (first - 1) * kTimeSlots + 1, last * kTimeSlots, fill.defaults);
    }
    if (fill.fixtures.last >= fill.fixtures.first) {
        const auto first = static_cast<size_t>(fill.fixtures.first);
        const auto last = static_cast<size_t>(fill.fixtures.last);
        std::fill(arrays.figures + (first - 1) * kFiguresPerFixture + 1, arrays.figures + last * kFiguresPerFixture + 1,
                  kByteNotSet);
    }
}

// Image slot s := cue memory cm unpacked over the times of cue slot's point
// cue; only the parts the last unpack wrote are cleared when the defaults
// are the same.
void unpack_into_image(int s, CueMemoryImage& image, int16_t cue_memory, int16_t cue_slot) {
    const MemoryWorkBuffers arrays = arrays_of(image);
    const std::array<uint16_t, kTimeKinds + 1> defaults = cue_default_times(cue_slot);
    ImageFill& fill = image_fills[at(s)];
    if (fill.known && fill.defaults == defaults) {
        clear_written(arrays, fill);
        default_times = defaults;
    } else {
        fill_not_set(arrays, defaults, 0);
    }
    place_cue_memory(arrays, cue_memory, cue_slot);
    bool missing = false;
    take_item_spans(fill, cue_memory_list(cue_memory, missing));
    fill.defaults = defaults;
    fill.known = true;
}

// The slot for a cue memory not in the cache: the first empty one, else the
// least recently used (the first on a tie), whose owner loses its entry.
int take_cue_image_slot() {
    for (int s = 1; s <= kCueImageSlots; ++s) {
        if (cue_image_slots[at(s)] == nullptr) return s;
    }
    int oldest = 1;
    for (int s = 2; s <= kCueImageSlots; ++s) {
        if (cue_image_slots[at(s)]->last_use_ms < cue_image_slots[at(oldest)]->last_use_ms) oldest = s;
    }
    const int16_t owner = cue_image_slots[at(oldest)]->cue_memory;
    if (owner >= 1 && owner <= kCueMemoryCount) cue_image_slot_of[at(owner)] = 0;
    return oldest;
}

CueMemoryImage* allocate_image() {
    return static_cast<CueMemoryImage*>(
        runtime::show_table_allocator(sizeof(CueMemoryImage), __FILE__, __LINE__));
}

// The not-set value of an item kind, as a memory without the item gives it.
uint16_t not_set_value(int16_t index, uint16_t kind) {
    if (kind == ITEM_VALUE) return kValueNotSet;
    if ((kind >= ITEM_FIRST_GENERATOR && kind <= ITEM_LAST_GENERATOR && kind % 10 == 0) ||
        (kind >= ITEM_FIRST_FIGURE && kind <= ITEM_LAST_FIGURE && kind % 10 == 0)) {
        return kByteNotSet;
    }
    if (kind >= ITEM_FIRST_TIME && kind <= ITEM_LAST_TIME) {
        return show_default_times()[at(time_kind_of_slot(kind - 200u))];
    }
    std::printf("%d:%d ", index, kind);
    std::fflush(stdout);
    beep(kUnknownKindBeepHz, kUnknownKindBeep_ms);
    return kByteNotSet;
}

// One value of a cached image by kind.
int16_t image_value(const CueMemoryImage& image, int16_t index, int16_t kind) {
    // Out-of-range indexes read element 0, which stays unused.
    const int records = record_limit();
    const size_t r = index >= 1 && index <= records ? at(index) : 0;
    const size_t f = index >= 1 && index <= kMaxFixtures ? at(index) : 0;
    if (kind == ITEM_VALUE) return static_cast<int16_t>(r == 0 ? kValueNotSet : image.values[r]);
    if (kind >= ITEM_FIRST_TIME && kind <= ITEM_LAST_TIME) {
        if (r == 0) return static_cast<int16_t>(default_times[time_kind_of_slot(at(kind) - 200)]);
        return static_cast<int16_t>(image.times[(r - 1) * kTimeSlots + at(kind) - 200]);
    }
    if (kind >= ITEM_FIRST_GENERATOR && kind <= ITEM_LAST_GENERATOR) {
        return r == 0 ? kByteNotSet : image.generators[(r - 1) * kGeneratorsPerRecord + at(kind) / 10];
    }
    if (kind >= ITEM_FIRST_FIGURE && kind <= ITEM_LAST_FIGURE) {
        return f == 0 ? kByteNotSet : image.figures[(f - 1) * kFiguresPerFixture + at(kind) / 10 - 9];
    }
    std::printf("%d:%d ", index, kind);
    std::fflush(stdout);
    return kByteNotSet;
}

}  // namespace

void reset_memory_access_globals() {
    for (CueMemoryImage*& image : cue_image_slots) {
        if (image != nullptr) memcheck::mc_free_at(image, __FILE__, __LINE__);
        image = nullptr;
    }
    cue_image_slot_of.fill(0);
    image_fills.fill(ImageFill{});
    MemoryWorkBuffers& b = memory_work_buffers;
    for (void* array : {static_cast<void*>(b.values), static_cast<void*>(b.generators), static_cast<void*>(b.figures),
                        static_cast<void*>(b.times), static_cast<void*>(b.time_flags)}) {
        if (array != nullptr) memcheck::mc_free_at(array, __FILE__, __LINE__);
    }
    memory_work_buffers = {};
    default_times = {};
    status_level = 0;
    status_percent = 0;
}

bool is_valid_item(uint8_t kind, uint16_t index, uint16_t value) {
    const bool record = index >= 1 && index <= kMaxRecords;
    if (kind == ITEM_VALUE || (kind >= ITEM_FIRST_TIME && kind <= ITEM_LAST_TIME)) return record;
    if (kind >= ITEM_FIRST_GENERATOR && kind <= ITEM_LAST_GENERATOR) {
        const auto signed_value = static_cast<int16_t>(value);
        return record && signed_value >= 0 && signed_value <= 256;
    }
    if (kind >= ITEM_FIRST_FIGURE && kind <= ITEM_LAST_FIGURE) return index >= 1 && index <= kMaxFixtures;
    return true;
}

void unpack_memory(int16_t memory) {
    prepare_work_buffers(show_default_times(), 0);
    bool missing = false;
    const std::span<const MemoryItem> items = memory_list(memory, missing);
    if (missing) {
        show_message("NULL POINTER FOR MEMORY %d", memory);
        null_pointer_beeps();
        return;
    }
    place_items(memory_work_buffers, items, false);
}

void unpack_base_memory() {
    std::array<uint16_t, kTimeKinds + 1> times{};
    const std::array<uint16_t, playback::kCueTimes> edit_times = playback::pointcue_times(playback::pointcue_edit_record);
    std::copy(edit_times.begin(), edit_times.end(), times.begin() + 1);
    prepare_work_buffers(times, 0);
    if (memories::pack_count <= 0) return;
    if (memories::pack_buffer == nullptr) {
        show_message("NULL POINTER FOR BASEMEMORY");
        null_pointer_beeps();
        return;
    }
    place_items(memory_work_buffers, {memories::pack_buffer, at(memories::pack_count)}, false);
}

void unpack_cue_memory(int16_t cue_memory, int16_t cue_slot, int16_t fade_in) {
    prepare_work_buffers(cue_default_times(cue_slot), fade_in);
    place_cue_memory(memory_work_buffers, cue_memory, cue_slot);
}

uint16_t get_memory_channel_value(int16_t memory, int16_t index, uint16_t kind) {
    bool missing = false;
    for (const MemoryItem& item : memory_list(memory, missing)) {
        if (item.kind == kind && item.index == static_cast<uint16_t>(index)) return item.value;
    }
    return not_set_value(index, kind);
}

int16_t trace_cue_values(int16_t cue_memory, int16_t index, int16_t kind, int16_t cue_slot, uint8_t abandon) {
    // A cue without a cue memory (65535 "none", -1) never reaches the cache.
    if (cue_memory < 1 || cue_memory > kCueMemoryCount) {
        return static_cast<int16_t>(not_set_value(index, static_cast<uint16_t>(kind)));
    }
    uint8_t& slot_of = cue_image_slot_of[at(cue_memory)];
    if (slot_of == 0) {
        int slot = take_cue_image_slot();
        if (cue_image_slots[at(slot)] == nullptr) {
            cue_image_slots[at(slot)] = allocate_image();
            image_fills[at(slot)] = ImageFill{};
        }
        if (cue_image_slots[at(slot)] == nullptr) {
            free_cue_buffers();
            if (abandon == 1) {
                show_message("MEMORY TOO LOW TO TRACE!!!");
                beep_interruptible(kTraceLowBeepHz, kTraceAbandonBeep_ms);
                return kTraceAbandoned;
            }
            show_message("MEMORY IS LOW!!!");
            beep_interruptible(kTraceLowBeepHz, kTraceLowBeep_ms);
            slot = 1;
            cue_image_slots[1] = allocate_image();
            image_fills[1] = ImageFill{};
            if (cue_image_slots[1] == nullptr) {
                beep_interruptible(kTraceLowBeepHz, kTraceLowBeep_ms);
                show_message("SERIOUS MEMORY ERROR!");
                return 0;
            }
        }
        CueMemoryImage& image = *cue_image_slots[at(slot)];
        image.cue_memory = cue_memory;
        slot_of = static_cast<uint8_t>(slot);
        unpack_into_image(slot, image, cue_memory, cue_slot);
    }
    CueMemoryImage& image = *cue_image_slots[at(slot_of)];
    image.last_use_ms = runtime::clock_ms;
    return image_value(image, index, kind);
}

uint16_t get_cue_channel_value(int16_t index, uint16_t kind) {
    if (memories::programmer_from_cue == 0) return get_memory_channel_value(memories::current_memory, index, kind);
    const auto cue_slot = static_cast<int16_t>((memories::programmer_cue_page - 1) * 700 +
                                               (memories::programmer_cue_number - 1) * 10 +
                                               memories::programmer_cue_point);
    return static_cast<uint16_t>(
        trace_cue_values(memories::programmer_cue_memory, index, static_cast<int16_t>(kind), cue_slot, 0));
}

void free_cue_buffers() {
    for (int s = 1; s <= kCueImageSlots; ++s) {
        CueMemoryImage*& image = cue_image_slots[at(s)];
        if (image != nullptr) memcheck::mc_free_at(image, __FILE__, __LINE__);
        image = nullptr;
    }
    cue_image_slot_of.fill(0);
    image_fills.fill(ImageFill{});
}

void check_memory_record(int16_t memory) {
    bool missing = false;
    const std::span<const MemoryItem> items = memory_list(memory, missing);
    if (missing) {
        show_message("NULL POINTER FOR MEMORY %d", memory);
        null_pointer_beeps();
        return;
    }
    const bool any_invalid = std::any_of(items.begin(), items.end(), [](const MemoryItem& item) {
        return !is_valid_item(item.kind, item.index, item.value);
    });
    if (!any_invalid) return;
    beep(kSkippedItemBeepHz, kSkippedItemBeep_ms);
    repair_memory_record(memory);
}

void repair_memory_record(int16_t memory) {
    prepare_work_buffers(show_default_times(), 0);
    bool missing = false;
    const std::span<const MemoryItem> items = memory_list(memory, missing);
    if (missing) {
        show_message("NULL POINTER FOR MEMORY %d", memory);
        null_pointer_beeps();
        return;
    }
    if (place_items(memory_work_buffers, items, true) == 0) return;

    // The repaired contents go to the programmer, and from there to the memory.
    const MemoryWorkBuffers& b = memory_work_buffers;
    const std::array<uint16_t, kTimeKinds + 1> defaults = show_default_times();
    if (runtime::programmer_values != nullptr) {
        for (size_t i = 0; i < kWorkValues; ++i) runtime::programmer_values[i] = b.values ? b.values[i] : kValueNotSet;
    }
    if (runtime::programmer_generators != nullptr) {
        for (size_t i = 0; i < kWorkGenerators; ++i) {
            runtime::programmer_generators[i] = b.generators ? b.generators[i] : kByteNotSet;
        }
    }
    if (runtime::programmer_figures != nullptr) {
        for (size_t i = 0; i < kWorkFigures; ++i) runtime::programmer_figures[i] = b.figures ? b.figures[i] : kByteNotSet;
    }
    if (runtime::programmer_times != nullptr) {
        for (size_t i = 1; i < kWorkTimes; ++i) {
            runtime::programmer_times[i] = b.times ? b.times[i] : defaults[time_kind_of_slot((i - 1) % kTimeSlots + 1)];
        }
    }
    if (runtime::programmer_time_set != nullptr) {
        for (size_t i = 0; i < kWorkTimes; ++i) runtime::programmer_time_set[i] = b.time_flags ? b.time_flags[i] : 0;
    }
    repack_memory(memory, runtime::programmer_values, runtime::programmer_generators, runtime::programmer_figures,
                  runtime::programmer_times, runtime::programmer_time_set);
    beep(kSkippedItemBeepHz, kSkippedItemBeep_ms);
}

PackResult pack_work_arrays(const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                            const uint16_t* times, const uint8_t* time_flags, int records, int fixtures) {
    records = std::clamp<int>(records, 0, kMaxRecords);
    fixtures = std::clamp<int>(fixtures, 0, kMaxFixtures);
    const size_t generator_count = at(records) * kGeneratorsPerRecord;
    const size_t figure_count = at(fixtures) * kFiguresPerFixture;
    const size_t time_count = at(records) * kTimeSlots;

    // Count first, so that the list is made in one piece.
    PackResult result;
    size_t n = 0;
    if (values != nullptr) n += static_cast<size_t>(std::count_if(values + 1, values + 1 + records,
                                                                   [](uint16_t v) { return v != kValueNotSet; }));
    if (generators != nullptr) n += static_cast<size_t>(std::count_if(
        generators + 1, generators + 1 + generator_count, [](uint8_t v) { return v != kByteNotSet; }));
    if (figures != nullptr) n += static_cast<size_t>(std::count_if(
        figures + 1, figures + 1 + figure_count, [](uint8_t v) { return v != kByteNotSet; }));
    if (time_flags != nullptr) n += static_cast<size_t>(std::count(time_flags + 1, time_flags + 1 + time_count, uint8_t{1}));
    if (n == 0) return result;

    MemoryItem* list = static_cast<MemoryItem*>(runtime::show_table_allocator(n * sizeof(MemoryItem), __FILE__, __LINE__));
    if (list == nullptr) {
        result.out_of_memory = true;
        return result;
    }
    size_t k = 0;
    auto add = [&](uint8_t kind, size_t index, uint16_t value) {
        list[k++] = MemoryItem{kind, static_cast<uint16_t>(index), value};
    };
    if (values != nullptr) {
        for (size_t r = 1; r <= at(records); ++r) {
            if (values[r] != kValueNotSet) add(ITEM_VALUE, r, values[r]);
        }
    }
    if (generators != nullptr) {
        for (size_t i = 1; i <= generator_count; ++i) {
            if (generators[i] == kByteNotSet) continue;
            add(static_cast<uint8_t>(10 * ((i - 1) % kGeneratorsPerRecord) + 10), (i - 1) / kGeneratorsPerRecord + 1,
                generators[i]);
        }
    }
    if (figures != nullptr) {
        for (size_t i = 1; i <= figure_count; ++i) {
            if (figures[i] == kByteNotSet) continue;
            add(static_cast<uint8_t>(10 * ((i - 1) % kFiguresPerFixture) + 100), (i - 1) / kFiguresPerFixture + 1,
                figures[i]);
        }
    }
    if (time_flags != nullptr) {
        for (size_t i = 1; i <= time_count; ++i) {
            if (time_flags[i] != 1) continue;
            add(static_cast<uint8_t>((i - 1) % kTimeSlots + 201), (i - 1) / kTimeSlots + 1,
                times != nullptr ? times[i] : show_default_times()[time_kind_of_slot((i - 1) % kTimeSlots + 1)]);
        }
    }
    result.items = list;
    result.count = n;
    return result;
}

void repack_memory(int16_t memory, const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                   const uint16_t* times, const uint8_t* time_flags) {
    if (memory < 1 || memory > kMemoryCount) return;
    const PackResult packed = pack_work_arrays(values, generators, figures, times, time_flags,
                                               runtime::function_record_count, setup::fixture_count);
    if (packed.out_of_memory) {
        // The memory keeps its list, count and used flag.
        show_message("NOT ENOUGH MEMORY");
        beep_interruptible(kNotEnoughMemoryBeepHz, kNotEnoughMemoryBeep_ms);
        return;
    }
    MemoryItem* list = packed.items;
    const size_t n = packed.count;

    MemoryItem*& items = memories::memory_items[at(memory)];
    if (items != nullptr) memcheck::mc_free_at(items, __FILE__, __LINE__);
    items = list;
    memories::memory_index[at(memory)].count = static_cast<int32_t>(n);
    uint8_t& used = memories::memory_used[at(memory)];
    const uint8_t now_used = n > 0 ? 1 : 0;
    if (used == 1 && now_used == 0 && memories::memory_used_count > 0) --memories::memory_used_count;
    if (used != 1 && now_used == 1) ++memories::memory_used_count;
    used = now_used;
    datafiles::save_memory_record(memory);
}

MemoryStatus memory_status_of(uint32_t host_allocated, uint32_t host_available, const memcheck::HeapUse& heap) {
    uint8_t level = kLevelNormal;
    if (host_available < kCriticalAvailableBytes) {
        level = kLevelCritical;
    } else if (host_available < kLowAvailableBytes) {
        level = kLevelLow;
    }
    // The heap's free blocks count as available, its blocks in use as allocated.
    const uint64_t available = host_available + heap.free_bytes;
    const uint64_t allocated = host_allocated + heap.used_bytes;
    const int64_t free_k = static_cast<int64_t>(available / 1000);
    const int64_t total_k = free_k + static_cast<int64_t>(allocated / 1000);
    const int64_t percent = total_k > 0 ? free_k * 100 / total_k : 0;
    if (level < kLevelCritical && percent < kCriticalPercent) {
        level = kLevelCritical;
    } else if (level == kLevelNormal && percent < kLowPercent) {
        level = kLevelLow;
    }
    return {level, static_cast<int16_t>(percent)};
}

void check_memory_status() {
    std::array<uint8_t, runtime::kDpmiMemoryInfoBytes> info{};
    runtime::get_dpmi_memory_info(info);
    auto dword = [&](size_t offset) {
        return static_cast<uint32_t>(info[offset] | info[offset + 1] << 8 | info[offset + 2] << 16 |
                                     static_cast<uint32_t>(info[offset + 3]) << 24);
    };
    const MemoryStatus status = memory_status_of(dword(4), dword(8), memcheck::mc_heap_use());
    if (status.level == status_level && status.percent == status_percent) return;
    status_level = status.level;
    status_percent = status.percent;
    draw_memory_percent();
}

}  // namespace ui
