#include "playback/cue_tracking.h"

#include <algorithm>
#include <array>
#include <span>

#include "datafiles/cue_memory_file.h"
#include "playback/cue_fades.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/live_layer.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace playback {

int16_t premove_cursor = 0;

namespace {

using runtime::CueFadeRecord;
using runtime::kByteNotSet;
using runtime::kEndlessTime_ms;
using runtime::kValueNotSet;

constexpr int kPointCueSource = runtime::kStepSources;
constexpr int kGoTargetSource = 6;
constexpr int kGenerators = static_cast<int>(runtime::kGeneratorBytesPerRecord);
constexpr int kFigures = static_cast<int>(runtime::kFigureBytesPerFixture);
constexpr size_t kTimeSlots = runtime::kTimeSlotsPerRecord;
constexpr uint8_t kFineHalf = 1;
constexpr uint8_t kCoarseHalf = 2;
constexpr uint8_t kPageOn = 1;
constexpr uint8_t kPageGlobal = 0;
constexpr uint32_t kTrackedFadeIn_ms = 2000;
constexpr uint32_t kPreparedEffectFadeIn_ms = 1000;
constexpr uint16_t kNoSlot = 65535;
constexpr int kDelayOutTime = 2;  // index in a time group
constexpr int kHoldTime = 4;

enum class Kind : uint8_t { channel, sub_attribute, extra };

// One element waiting to be tracked, with the record and group that time it.
struct TrackElement {
    Kind kind = Kind::channel;
    int32_t index = 0;     // record, sub-attribute or extra
    int32_t lookup = 0;    // its slot in a memory image's values, generators or figures
    int16_t time_record = 0;  // 0: the point cue's own times
    int8_t group = 0;
};

// The elements the GO left to tracking, marked per kind, and how many are
// still untracked.
std::array<uint8_t, runtime::kShowRecords + 1> deferred_channels{};
std::array<uint8_t, runtime::kShowGeneratorBytes + 1> deferred_sub_attributes{};
std::array<uint8_t, runtime::kShowFigureBytes + 1> deferred_extras{};
int deferred_count = 0;
bool tracking_on = false;

bool mode_set(uint32_t bit) { return (runtime::mode_flags & bit) != 0; }

bool page_setting_on(size_t page_table, size_t global_item, int page) {
    if (page < 1 || page > setup::kCuePages) return false;
    const uint8_t own = setup::setup_data.u8(page_table + static_cast<size_t>(page - 1));
    if (own == kPageGlobal) return setup::setup_data.u8(global_item) == kPageOn;
    return own == kPageOn;
}

bool records_ready() {
    return runtime::cue_fade_records.channels != nullptr && runtime::cue_fade_records.sub_channels != nullptr &&
           runtime::cue_fade_records.extras != nullptr && runtime::function_record_table != nullptr &&
           runtime::sequence_step_buffers[kGoTargetSource].current_values != nullptr &&
           runtime::sequence_step_buffers[kGoTargetSource].current_generators != nullptr &&
           runtime::sequence_step_buffers[kGoTargetSource].current_figures != nullptr &&
           runtime::sequence_step_buffers[kPointCueSource].current_values != nullptr &&
           runtime::sequence_step_buffers[kPointCueSource].current_generators != nullptr &&
           runtime::sequence_step_buffers[kPointCueSource].current_figures != nullptr;
}

int fixtures_in_use() { return std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures)); }

const runtime::FunctionRecord& function_record(int r) { return runtime::function_record_table[r]; }

int fine_partner_of(int r) {
    const runtime::FunctionRecord& rec = function_record(r);
    if (rec.kind != kCoarseHalf) return 0;
    return rec.fine_partner >= 1 && rec.fine_partner <= cue_fade_record_count() ? rec.fine_partner : 0;
}

TrackElement channel_element(int16_t r) {
    const TimeSource source = channel_time_source(r);
    return {Kind::channel, r, r, static_cast<int16_t>(source.record), static_cast<int8_t>(source.group)};
}

TrackElement sub_attribute_element(int32_t j) {
    return {Kind::sub_attribute, j, j, static_cast<int16_t>((j - 1) / kGenerators + 1), 1};
}

TrackElement extra_element(int16_t f, int32_t e) { return {Kind::extra, e, e, fixture_pan_record(f), 2}; }

// One cue slot as the walks see it: its point cue and its memory's image.
struct SlotMemory {
    const PointcueRecord* record = nullptr;
    const ui::CueMemoryImage* image = nullptr;
};

// The memory of slot s through the trace cache; out_of_memory when the
// cache (with strict set) gave up.
SlotMemory slot_memory(int s, uint8_t strict, bool& out_of_memory) {
    out_of_memory = false;
    SlotMemory out;
    out.record = pointcue_with_memory(s);
    if (out.record == nullptr) return out;
    const int16_t memory = out.record->point_memory;
    if (memory < 1 || memory > ui::kCueMemoryCount) return out;
    if (ui::trace_cue_values(memory, 1, ui::ITEM_VALUE, static_cast<int16_t>(s), strict) == ui::kTraceAbandoned &&
        strict == 1) {
        out_of_memory = true;
        return out;
    }
    const uint8_t cached = ui::cue_image_slot_of[static_cast<size_t>(memory)];
    if (cached != 0) out.image = ui::cue_image_slots[cached];
    return out;
}

// Time k (0..4) of the element's group in a memory, in tenths.
uint16_t element_time(const TrackElement& element, const SlotMemory& slot, int k) {
    const uint16_t own = pointcue_times(*slot.record)[static_cast<size_t>(k)];
    if (element.time_record == 0) return own;
    const size_t at = (static_cast<size_t>(element.time_record) - 1) * kTimeSlots +
                      static_cast<size_t>(element.group * kFadeTimes + k + 1);
    return slot.image->time_flags[at] != 0 ? slot.image->times[at] : own;
}

// The element's value in a memory, not-set as the memory gives it.
uint16_t element_value(const TrackElement& element, const ui::CueMemoryImage& image) {
    const auto at = static_cast<size_t>(element.lookup);
    switch (element.kind) {
        case Kind::channel: return image.values[at];
        case Kind::sub_attribute: return image.generators[at];
        default: return image.figures[at];
    }
}

bool is_set(const TrackElement& element, uint16_t value) {
    return element.kind == Kind::channel ? value != kValueNotSet : value != kByteNotSet;
}

CueFadeRecord& fade_record(Kind kind, int32_t index) {
    switch (kind) {
        case Kind::channel: return runtime::cue_fade_records.channels[index];
        case Kind::sub_attribute: return runtime::cue_fade_records.sub_channels[index];
        default: return runtime::cue_fade_records.extras[index];
    }
}

uint16_t go_target(Kind kind, int32_t index) {
    const runtime::SequenceStepBuffer& go = runtime::sequence_step_buffers[kGoTargetSource];
    switch (kind) {
        case Kind::channel: return go.current_values[index];
        case Kind::sub_attribute: return go.current_generators[index];
        default: return go.current_figures[index];
    }
}

// The GO target := value; true when it equals the TO value of the running fade.
bool set_target(Kind kind, int32_t index, uint16_t value) {
    runtime::SequenceStepBuffer& go = runtime::sequence_step_buffers[kGoTargetSource];
    const runtime::SequenceStepBuffer& fade = runtime::sequence_step_buffers[kPointCueSource];
    switch (kind) {
        case Kind::channel:
            go.current_values[index] = value;
            return fade.current_values[index] == value;
        case Kind::sub_attribute:
            go.current_generators[index] = static_cast<uint8_t>(value);
            return fade.current_generators[index] == value;
        default:
            go.current_figures[index] = static_cast<uint8_t>(value);
            return fade.current_figures[index] == value;
    }
}

// A fade to a value that then stands: no delays, the given fade-in.
void set_standing_fade(CueFadeRecord& rec, uint8_t fade_mode, uint32_t fade_in_ms, uint16_t cue) {
    rec.state = kFadeStarted;
    rec.pending_fade_mode = fade_mode;
    rec.pending_start = pending_start_at(runtime::show_time);
    rec.pending_delay_in = 0;
    rec.pending_fade_in = fade_in_ms;
    rec.pending_delay_out = kEndlessTime_ms;
    rec.pending_fade_out = 0;
    rec.pending_cue = cue;
}

bool pending_equals_running(const CueFadeRecord& rec) {
    return rec.pending_fade_mode == rec.running_fade_mode && rec.pending_delay_in == rec.running_delay_in &&
           rec.pending_fade_in == rec.running_fade_in && rec.pending_delay_out == rec.running_delay_out &&
           rec.pending_fade_out == rec.running_fade_out;
}

// Tracking found cue slot s for the element: the element takes its value from there.
void apply_tracked(const TrackElement& element, uint16_t value, int s, const SlotMemory& slot, uint8_t no_follow) {
    CueFadeRecord& rec = fade_record(element.kind, element.index);
    const bool same_target = set_target(element.kind, element.index, value);
    const uint8_t old_state = rec.state;
    set_standing_fade(rec, slot.record->fade_mode, kTrackedFadeIn_ms, static_cast<uint16_t>(s));
    rec.hold = tenths_to_ms(element_time(element, slot, kHoldTime));
    if (rec.hold != kEndlessTime_ms) rec.hold_end = runtime::show_time + rec.hold;
    const auto linked = static_cast<uint16_t>(std::max<int16_t>(slot.record->linked_cue, 0));
    if (element.kind == Kind::channel) {
        rec.linked_cue = no_follow != 0 ? 0 : linked;
        if (no_follow != 0) rec.hold = kEndlessTime_ms;
    }
    if (pending_equals_running(rec) && same_target) {
        rec.state = old_state;
        rec.pending_start = 0;
        return;
    }
    if (element.kind != Kind::channel) {
        rec.linked_cue = no_follow != 0 ? 0 : linked;
        return;
    }
    if (const int fine = fine_partner_of(element.index); fine != 0) {
        runtime::cue_fade_records.channels[fine].state = kFadeStarted;
        runtime::sequence_step_buffers[kGoTargetSource].current_values[fine] = slot.image->values[static_cast<size_t>(fine)];
    }
}

// Whether slot s gives the element a standing value; applies it when so.
bool try_slot(const TrackElement& element, int s, const SlotMemory& slot, uint8_t no_follow) {
    if (slot.image == nullptr) return false;
    const uint16_t value = element_value(element, *slot.image);
    if (!is_set(element, value)) return false;
    if (element_time(element, slot, kDelayOutTime) != kEndlessTenths) return false;
    apply_tracked(element, value, s, slot, no_follow);
    return true;
}

// Tracking of one element on its own.
bool track_one(const TrackElement& element, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow) {
    if (!records_ready()) return true;
    for (int s = go_slot - 1; s >= static_cast<int>(from_slot) && s >= 1; --s) {
        bool out_of_memory = false;
        const SlotMemory slot = slot_memory(s, 1, out_of_memory);
        if (out_of_memory) return false;
        if (try_slot(element, s, slot, no_follow)) return true;
    }
    return true;
}

template <size_t N>
void defer(std::array<uint8_t, N>& marks, int32_t index) {
    if (!tracking_on || marks[static_cast<size_t>(index)] != 0) return;
    marks[static_cast<size_t>(index)] = 1;
    ++deferred_count;
}

void clear_deferred() {
    deferred_channels.fill(0);
    deferred_sub_attributes.fill(0);
    deferred_extras.fill(0);
    deferred_count = 0;
}

// The item list of a cue memory (empty when it has none).
std::span<const datafiles::MemoryItem> memory_items(int16_t memory) {
    if (memory < 1 || memory > ui::kCueMemoryCount) return {};
    const datafiles::MemoryItem* items = datafiles::memcue_items[static_cast<size_t>(memory)];
    const int32_t count = datafiles::memcue_index[static_cast<size_t>(memory)].count;
    if (items == nullptr || count <= 0) return {};
    return {items, static_cast<size_t>(count)};
}

// The mark of the untracked element an item names, null when it names none.
uint8_t* deferred_mark(const datafiles::MemoryItem& item, int& element, int& fixture) {
    const int index = item.index;
    fixture = 0;
    if (item.kind == ui::ITEM_VALUE) {
        if (index < 1 || index > cue_fade_record_count()) return nullptr;
        element = index;
        return deferred_channels[static_cast<size_t>(element)] != 0 ? &deferred_channels[static_cast<size_t>(element)]
                                                                     : nullptr;
    }
    if (item.kind >= ui::ITEM_FIRST_GENERATOR && item.kind <= ui::ITEM_LAST_GENERATOR) {
        if (index < 1 || index > cue_fade_record_count()) return nullptr;
        element = (index - 1) * kGenerators + item.kind / 10;
        uint8_t& mark = deferred_sub_attributes[static_cast<size_t>(element)];
        return mark != 0 ? &mark : nullptr;
    }
    if (item.kind >= ui::ITEM_FIRST_FIGURE && item.kind <= ui::ITEM_LAST_FIGURE) {
        if (index < 1 || index > fixtures_in_use()) return nullptr;
        fixture = index;
        element = (index - 1) * kFigures + item.kind / 10 - 9;
        uint8_t& mark = deferred_extras[static_cast<size_t>(element)];
        return mark != 0 ? &mark : nullptr;
    }
    return nullptr;
}

bool names_untracked(std::span<const datafiles::MemoryItem> items) {
    int element = 0;
    int fixture = 0;
    return std::any_of(items.begin(), items.end(),
                       [&](const datafiles::MemoryItem& item) { return deferred_mark(item, element, fixture) != nullptr; });
}

// Tracks, from slot s, every untracked element that the slot's memory holds
// an item for: only those can take a value there.
void track_from_slot(int s, const SlotMemory& slot, std::span<const datafiles::MemoryItem> items, uint8_t no_follow) {
    for (const datafiles::MemoryItem& item : items) {
        if (deferred_count == 0) return;
        int element = 0;
        int fixture = 0;
        uint8_t* mark = deferred_mark(item, element, fixture);
        if (mark == nullptr) continue;
        const TrackElement tracked = fixture != 0                          ? extra_element(static_cast<int16_t>(fixture), element)
                                     : item.kind == ui::ITEM_VALUE ? channel_element(static_cast<int16_t>(element))
                                                                   : sub_attribute_element(element);
        if (try_slot(tracked, s, slot, no_follow)) {
            *mark = 0;
            --deferred_count;
        }
    }
}

// The prepared fade of one element of a dark fixture. An element already
// moving to (or standing at) this value for cue s is left to run on: the
// fixture is found dark again every other visit, and a fade started anew
// each time would never arrive. False when left.
bool prepare_element(Kind kind, int32_t index, uint16_t value, int s, uint8_t fade_mode, uint32_t fade_in_ms) {
    CueFadeRecord& rec = fade_record(kind, index);
    if (rec.state != kFadeIdle && rec.pending_cue == s && go_target(kind, index) == value) return false;
    set_target(kind, index, value);
    set_standing_fade(rec, fade_mode, fade_in_ms, static_cast<uint16_t>(s));
    rec.hold = kEndlessTime_ms;
    rec.linked_cue = 0;
    return true;
}

// The first function record and the channel count of fixture f.
struct FixtureRecords {
    int first = 0;
    int count = 0;
};
FixtureRecords records_of(int f) {
    if (f < 1 || f > fixtures_in_use()) return {};
    const setup::FixtureRecord fx = setup::read_fixture(setup::setup_data, f);
    const int records = cue_fade_record_count();
    const int first = std::max<int>(fx.first_record, 1);
    const int last = std::min<int>(fx.first_record + fx.channel_count - 1, records);
    return {first, std::max(0, last - first + 1)};
}

// Whether the memory opens the dimmer: a value of 1 or more, or a dimmer
// effect (SWING above 0).
bool opens_dimmer(const ui::CueMemoryImage& image, int d) {
    const uint16_t value = image.values[static_cast<size_t>(d)];
    if (value != kValueNotSet && value >= 1) return true;
    const uint8_t swing = image.generators[(static_cast<size_t>(d) - 1) * kGenerators + 1];
    return swing > 0 && swing != kByteNotSet;
}

}  // namespace

void reset_cue_tracking_globals() {
    premove_cursor = 0;
    clear_deferred();
    tracking_on = false;
}

bool cue_page_tracing_on(int page) {
    return page_setting_on(setup::kSetupCuePageTracing, setup::kSetupAutotrace, page);
}

bool cue_page_preparation_on(int page) {
    return page_setting_on(setup::kSetupCuePagePreparation, setup::kSetupAutoprepare, page);
}

bool track_channel_value(int16_t record, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow) {
    if (record < 1 || record > cue_fade_record_count()) return true;
    return track_one(channel_element(record), from_slot, go_slot, no_follow);
}

bool track_sub_attribute_value(int32_t sub_attribute, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow) {
    if (sub_attribute < 1 || sub_attribute > cue_fade_record_count() * kGenerators) return true;
    return track_one(sub_attribute_element(sub_attribute), from_slot, go_slot, no_follow);
}

bool track_extra_value(int16_t fixture, int16_t k, int32_t extra, uint16_t from_slot, uint16_t go_slot,
                       uint8_t no_follow) {
    if (fixture < 1 || fixture > fixtures_in_use() || k < 1 || k > kFigures || extra != (fixture - 1) * kFigures + k) {
        return true;
    }
    return track_one(extra_element(fixture, extra), from_slot, go_slot, no_follow);
}

void begin_cue_tracking(bool on) {
    tracking_on = on;
    clear_deferred();
}

bool cue_tracking_active() { return tracking_on; }

void defer_channel_tracking(int16_t record) {
    if (record >= 1 && record <= cue_fade_record_count()) defer(deferred_channels, record);
}

void defer_sub_attribute_tracking(int32_t sub_attribute) {
    if (sub_attribute >= 1 && sub_attribute <= cue_fade_record_count() * kGenerators) {
        defer(deferred_sub_attributes, sub_attribute);
    }
}

void defer_extra_tracking(int16_t fixture, int16_t k, int32_t extra) {
    if (fixture >= 1 && fixture <= fixtures_in_use() && k >= 1 && k <= kFigures &&
        extra == (fixture - 1) * kFigures + k) {
        defer(deferred_extras, extra);
    }
}

bool run_deferred_tracking(uint16_t from_slot, uint16_t go_slot, uint8_t no_follow) {
    if (!tracking_on) return false;
    for (int s = go_slot - 1; s >= static_cast<int>(from_slot) && s >= 1 && deferred_count > 0 && records_ready();
         --s) {
        // A memory that names no untracked element is not unpacked.
        const PointcueRecord* record = pointcue_with_memory(s);
        if (record == nullptr) continue;
        const std::span<const datafiles::MemoryItem> items = memory_items(record->point_memory);
        if (!names_untracked(items)) continue;
        bool out_of_memory = false;
        const SlotMemory slot = slot_memory(s, 1, out_of_memory);
        if (out_of_memory) {
            tracking_on = false;
            break;
        }
        if (slot.image != nullptr) track_from_slot(s, slot, items, no_follow);
    }
    clear_deferred();
    return tracking_on;
}

void forget_prepared_cues() {
    if (runtime::dark_fixture_list == nullptr) return;
    for (int i = 1; i <= runtime::dark_fixture_count; ++i) {
        runtime::dark_fixture_list[i].prepared_slot = kNoSlot;
        runtime::dark_fixture_list[i].found_slot = kNoSlot;
    }
}

void premove_dark_fixtures() {
    const int count = runtime::dark_fixture_count;
    if (!cue_page_preparation_on(current_cue_page) || count <= 0 || !mode_set(runtime::MODE_CUE_TIMING)) return;
    if (runtime::dark_fixture_list == nullptr || !records_ready() || runtime::output_base_values == nullptr ||
        runtime::generator_states == nullptr) {
        return;
    }
    premove_cursor = static_cast<int16_t>(premove_cursor >= count || premove_cursor < 0 ? 1 : premove_cursor + 1);
    runtime::DarkFixtureEntry& entry = runtime::dark_fixture_list[premove_cursor];
    const int d = entry.dimmer_record;
    if (d < 1 || d > cue_fade_record_count()) return;
    const CueFadeRecord& dimmer = runtime::cue_fade_records.channels[d];
    if (dimmer.state == kFadeIdle) return;

    const bool dark = runtime::output_base_values[d] == 0 && runtime::generator_states[d].parameters[0] == 0 &&
                      dimmer.state != kFadeStarted;
    if (!dark) {
        entry.armed = 0;
        entry.prepared_slot = kNoSlot;
        entry.found_slot = kNoSlot;
        return;
    }
    if (entry.armed == 0) {
        entry.armed = 1;
        return;
    }
    const int current = current_cue_slot();
    entry.found_slot = static_cast<uint16_t>(premove_fixture_to_next_cue(static_cast<int16_t>(d), static_cast<uint16_t>(current)));
    entry.prepared_slot = static_cast<uint16_t>(current);
    entry.armed = 0;
    rebuild_fading_channel_list();
}

int32_t premove_fixture_to_next_cue(int16_t dimmer_record, uint16_t current_slot) {
    if (!cue_page_preparation_on(current_cue_page)) return -1;
    const int d = dimmer_record;
    if (!records_ready() || d < 1 || d > cue_fade_record_count()) return kNoSlot;
    const int last = std::min(current_cue_page * kCuesPerPage * kPointsPerCue, kCueSlots);

    // Only a memory whose items name the fixture is unpacked.
    const int f = function_record(d).fixture;
    const FixtureRecords fixture = records_of(f);
    const auto names_fixture = [&](int s) {
        const PointcueRecord* record = pointcue_with_memory(s);
        if (record == nullptr) return false;
        const std::span<const datafiles::MemoryItem> items = memory_items(record->point_memory);
        return std::any_of(items.begin(), items.end(), [&](const datafiles::MemoryItem& item) {
            if (item.kind >= ui::ITEM_FIRST_FIGURE && item.kind <= ui::ITEM_LAST_FIGURE) return item.index == f;
            return item.index >= fixture.first && item.index < fixture.first + fixture.count;
        });
    };

    int found = 0;
    for (int s = current_slot + 1; s <= last && found == 0; ++s) {
        if (!names_fixture(s)) continue;
        bool out_of_memory = false;
        const SlotMemory slot = slot_memory(s, 0, out_of_memory);
        if (slot.image != nullptr && opens_dimmer(*slot.image, d)) found = s;
    }
    if (found == 0) return kNoSlot;

    // The fixture's other attributes take their last definition up to the
    // cue found: the walk goes back from it, and each element is prepared
    // once, by the latest cue that defines it.
    std::array<bool, setup::kMaxTypeChannels> value_done{};
    std::array<bool, setup::kMaxTypeChannels * kGenerators> generator_done{};
    std::array<bool, kFigures> figure_done{};
    const int channels = std::min<int>(fixture.count, setup::kMaxTypeChannels);
    for (int s = found; s > static_cast<int>(current_slot); --s) {
        if (!names_fixture(s)) continue;
        bool out_of_memory = false;
        const SlotMemory slot = slot_memory(s, 0, out_of_memory);
        if (slot.image == nullptr) continue;
        const ui::CueMemoryImage& image = *slot.image;
        const uint8_t mode = slot.record->fade_mode;
        for (int c = 0; c < channels; ++c) {
            const int r = fixture.first + c;
            const runtime::FunctionRecord& rec = function_record(r);
            if (rec.dimmer != 0 || rec.kind == kFineHalf) continue;
            const uint16_t value = image.values[static_cast<size_t>(r)];
            if (value != kValueNotSet && !value_done[static_cast<size_t>(c)]) {
                value_done[static_cast<size_t>(c)] = true;
                const int fine = fine_partner_of(r);
                if (prepare_element(Kind::channel, r, value, s, mode, kTrackedFadeIn_ms) && fine != 0) {
                    runtime::cue_fade_records.channels[fine].state = kFadeStarted;
                    runtime::sequence_step_buffers[kGoTargetSource].current_values[fine] = image.values[static_cast<size_t>(fine)];
                }
            }
            if (rec.pantilt_role == 0 || rec.pantilt_role > 4) {
                for (int p = 1; p <= kGenerators; ++p) {
                    const int j = (r - 1) * kGenerators + p;
                    const uint8_t byte = image.generators[static_cast<size_t>(j)];
                    bool& done = generator_done[static_cast<size_t>(c * kGenerators + p - 1)];
                    if (byte == kByteNotSet || done) continue;
                    done = true;
                    prepare_element(Kind::sub_attribute, j, byte, s, mode, kPreparedEffectFadeIn_ms);
                }
            } else {
                for (int k = 1; k <= kFigures && f >= 1; ++k) {
                    const int e = (f - 1) * kFigures + k;
                    const uint8_t byte = image.figures[static_cast<size_t>(e)];
                    bool& done = figure_done[static_cast<size_t>(k - 1)];
                    if (byte == kByteNotSet || done) continue;
                    done = true;
                    prepare_element(Kind::extra, e, byte, s, mode, kPreparedEffectFadeIn_ms);
                }
            }
        }
    }
    return found;
}

}  // namespace playback
