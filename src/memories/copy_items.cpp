#include "memories/copy_items.h"

#include <algorithm>

#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_store.h"
#include "memories/presets.h"
#include "memories/programmer_selection.h"
#include "playback/cue_picker.h"
#include "playback/commands.h"
#include "playback/cue_tables.h"
#include "playback/pointcue_programming.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fixture_functions.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace memories {

namespace {

constexpr size_t kGeneratorParams = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFigureParams = runtime::kFigureBytesPerFixture;
constexpr size_t kTimeSlots = runtime::kTimeSlotsPerRecord;
constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr uint8_t kByteNotSet = runtime::kByteNotSet;
constexpr int kTimeKinds = ui::kTimeKinds;
// Bytes above these are effect preset references (181..250) or not set.
constexpr uint8_t kSwingLimit = 127;      // SWING, X-SWING, Y-SWING
constexpr uint8_t kParameterLimit = 170;  // every other generator and figure parameter
constexpr uint8_t kFirstEffectReference = 181;
constexpr uint8_t kLastEffectReference = 250;
constexpr uint16_t kFirstValueReference = 1001;
constexpr uint16_t kLastValueReference = 1210;
constexpr uint16_t kLastDirectValue = 255;
// The cue memory number that tells the point-cue store to take a new one.
constexpr int16_t kNewCueMemory = 5000;

size_t at(int n) { return static_cast<size_t>(n); }

using DefaultTimes = std::array<uint16_t, kTimeKinds + 1>;

// The destination look while it is merged: the second image of the programmer.
struct Image {
    uint16_t* values = runtime::output_image_values;
    uint8_t* generators = runtime::output_image_generators;
    uint8_t* figures = runtime::output_image_figures;
    uint16_t* times = runtime::programmer_time_aux;
    uint8_t* time_flags = runtime::programmer_time_aux2;
    DefaultTimes defaults{};

    bool ready() const {
        return values != nullptr && generators != nullptr && figures != nullptr && times != nullptr &&
               time_flags != nullptr;
    }
};

int records() { return std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords)); }
int fixtures() { return std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures)); }

int16_t fixture_type(int16_t fixture) {
    return static_cast<int16_t>(setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureTypeIndex)));
}

// The record of channel c of fixture f, 0 when it lies outside the patched records.
int16_t channel_record(int16_t fixture, int channel) {
    if (channel < 1 || channel > fixture_channel_count(fixture)) return 0;
    const int16_t r = programmer::get_function_record_index(fixture, static_cast<int16_t>(channel));
    return r >= 1 && r <= records() ? r : 0;
}

size_t generator_byte(int record, size_t p) { return (static_cast<size_t>(record) - 1) * kGeneratorParams + p; }
size_t figure_byte(int fixture, size_t p) { return (static_cast<size_t>(fixture) - 1) * kFigureParams + p; }
size_t time_slot(int record, size_t s) { return (static_cast<size_t>(record) - 1) * kTimeSlots + s; }
size_t time_kind(size_t s) { return (s - 1) % kTimeKinds + 1; }
uint8_t generator_limit(size_t p) { return p == 1 ? kSwingLimit : kParameterLimit; }
uint8_t figure_limit(size_t p) { return p <= 2 ? kSwingLimit : kParameterLimit; }

bool has_pantilt(int16_t fixture) { return runtime::fixture_pantilt_table[at(fixture)].kind != 0; }

bool class_matches(int16_t record, const ClassFlags& classes) {
    return (classes[COPY_CLASS_PANTILT] != 0 && is_pantilt_record(record)) ||
           (classes[COPY_CLASS_GOBO] != 0 && has_gobo_preset_flag(record)) ||
           (classes[COPY_CLASS_COLOUR] != 0 && has_colour_preset_flag(record));
}

// The figures go along with the fixture's pan, pan fine, tilt or tilt fine
// function chosen, or with the figures flag.
bool figures_go_along(int16_t fixture, const FunctionChoice& functions, const ClassFlags& classes) {
    if (classes[COPY_CLASS_FIGURES] != 0) return true;
    const int count = std::min<int>(fixture_channel_count(fixture), kCopyFunctions);
    for (int k = 1; k <= count; ++k) {
        const int16_t r = channel_record(fixture, k);
        if (functions[at(k)] != 0 && r != 0 && is_pantilt_record(r)) return true;
    }
    return false;
}

DefaultTimes show_default_times() {
    DefaultTimes times{};
    for (int k = 1; k <= kTimeKinds; ++k) {
        times[at(k)] = setup::setup_data.u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1));
    }
    return times;
}

void clear_image(Image& image, const DefaultTimes& defaults) {
    image.defaults = defaults;
    std::fill_n(image.values, runtime::kShowRecords + 1, kNotSet);
    std::fill_n(image.generators, runtime::kShowGeneratorBytes + 1, kByteNotSet);
    std::fill_n(image.figures, runtime::kShowFigureBytes + 1, kByteNotSet);
    for (size_t s = 1; s <= runtime::kShowTimeSlots; ++s) {
        image.times[s] = defaults[time_kind(s)];
        image.time_flags[s] = 0;
    }
}

// The image := the unpack buffers of the last unpack; a part that could not
// be had stays not set.
void take_work_buffers(Image& image) {
    clear_image(image, ui::default_times);
    const ui::MemoryWorkBuffers& work = ui::memory_work_buffers;
    if (work.values != nullptr) std::copy_n(work.values, ui::kWorkValues, image.values);
    if (work.generators != nullptr) std::copy_n(work.generators, ui::kWorkGenerators, image.generators);
    if (work.figures != nullptr) std::copy_n(work.figures, ui::kWorkFigures, image.figures);
    if (work.times != nullptr && work.time_flags != nullptr) {
        std::copy_n(work.times, ui::kWorkTimes, image.times);
        std::copy_n(work.time_flags, ui::kWorkTimes, image.time_flags);
    }
}

// One merge of the programmer's chosen entries into the image. The first
// entry that would replace one of the image asks; ESC cancels everything.
class Merge {
public:
    Merge(Image& image, const FunctionChoice& functions, const ClassFlags& classes)
        : image_(image), functions_(functions), classes_(classes) {
        const int count = std::min<int>(current_function_count(), kCopyFunctions);
        all_chosen_ = count > 0;
        for (int k = 1; k <= count; ++k) all_chosen_ = all_chosen_ && functions[at(k)] != 0;
        figures_ = figures_go_along(runtime::current_fixture, functions, classes);
    }

    // False when the operator declined.
    bool run() {
        const int16_t count = static_cast<int16_t>(fixtures());
        for (int16_t f = 1; f <= count; ++f) {
            if (fixture_is_selected(f) && !merge_values(f)) return false;
        }
        for (int16_t f = 1; f <= count; ++f) {
            if (fixture_is_selected(f) && !merge_generators(f)) return false;
        }
        for (int16_t f = 1; f <= count && figures_; ++f) {
            if (fixture_is_selected(f) && has_pantilt(f) && !merge_figures(f)) return false;
        }
        for (int16_t f = 1; f <= count; ++f) {
            if (fixture_is_selected(f) && !merge_times(f)) return false;
        }
        return true;
    }

private:
    // A function of fixture f is chosen through the current type's function
    // that answers to it, all functions chosen, or a class of its record.
    bool chosen(int16_t fixture, int channel, int16_t record) const {
        if (all_chosen_) return true;
        if (runtime::current_fixture_type >= 0) {
            const int k = programmer::map_function_between_types(fixture_type(fixture), channel,
                                                                 runtime::current_fixture_type);
            if (k >= 1 && k <= kCopyFunctions && functions_[at(k)] != 0) return true;
        }
        return class_matches(record, classes_);
    }

    bool may_replace(bool occupied) {
        if (!occupied || asked_) return true;
        asked_ = true;
        return confirm_replace_memory();
    }

    template <typename Visit>
    bool each_chosen_record(int16_t fixture, Visit visit) {
        const int count = std::min<int>(fixture_channel_count(fixture), kCopyFunctions);
        for (int c = 1; c <= count; ++c) {
            const int16_t r = channel_record(fixture, c);
            if (r != 0 && chosen(fixture, c, r) && !visit(r)) return false;
        }
        return true;
    }

    bool merge_values(int16_t fixture) {
        return each_chosen_record(fixture, [&](int16_t r) {
            const uint16_t v = runtime::programmer_values[r];
            if (v == kNotSet) return true;
            if (!may_replace(image_.values[r] != kNotSet)) return false;
            image_.values[r] = v;
            return true;
        });
    }

    bool merge_generators(int16_t fixture) {
        return each_chosen_record(fixture, [&](int16_t r) {
            if (is_pantilt_record(r)) return true;
            for (size_t p = 1; p <= kGeneratorParams; ++p) {
                const size_t k = generator_byte(r, p);
                const uint8_t b = runtime::programmer_generators[k];
                if (b == kByteNotSet) continue;
                if (!may_replace(image_.generators[k] != kByteNotSet)) return false;
                image_.generators[k] = b;
            }
            return true;
        });
    }

    bool merge_figures(int16_t fixture) {
        for (size_t p = 1; p <= kFigureParams; ++p) {
            const size_t k = figure_byte(fixture, p);
            const uint8_t b = runtime::programmer_figures[k];
            if (b == kByteNotSet) continue;
            if (!may_replace(image_.figures[k] != kByteNotSet)) return false;
            image_.figures[k] = b;
        }
        return true;
    }

    // Only times the operator set go along, and only a time the destination
    // stores itself is asked about (the marker of an unset time is the flag,
    // not a time value).
    bool merge_times(int16_t fixture) {
        return each_chosen_record(fixture, [&](int16_t r) {
            for (size_t s = 1; s <= kTimeSlots; ++s) {
                const size_t k = time_slot(r, s);
                if (runtime::programmer_time_set[k] != 1) continue;
            if (!may_replace(image_.time_flags[k] == 1)) return false;
                const uint16_t t = runtime::programmer_times[k];
                image_.times[k] = t;
                if (t != image_.defaults[time_kind(s)]) image_.time_flags[k] = 1;
            }
            return true;
        });
    }

    Image& image_;
    const FunctionChoice& functions_;
    const ClassFlags& classes_;
    bool all_chosen_ = false;
    bool figures_ = false;
    bool asked_ = false;
};

void cancelled() {
    ui::show_message("CANCELLED");
    ui::beep_interruptible(400, 800);
}

// The image's entries in the packing order, into list (null: only counted).
size_t gather_image(datafiles::MemoryItem* list, const Image& image) {
    size_t n = 0;
    const auto add = [&](size_t kind, size_t index, uint16_t value) {
        if (list != nullptr) {
            list[n] = datafiles::MemoryItem{static_cast<uint8_t>(kind), static_cast<uint16_t>(index), value};
        }
        ++n;
    };
    const size_t r_count = at(records());
    for (size_t r = 1; r <= r_count; ++r) {
        if (image.values[r] != kNotSet) add(0, r, image.values[r]);
    }
    for (size_t i = 1; i <= r_count * kGeneratorParams; ++i) {
        if (image.generators[i] != kByteNotSet) add(10 * ((i - 1) % kGeneratorParams + 1), (i - 1) / kGeneratorParams + 1, image.generators[i]);
    }
    for (size_t i = 1; i <= at(fixtures()) * kFigureParams; ++i) {
        if (image.figures[i] != kByteNotSet) add(100 + 10 * ((i - 1) % kFigureParams), (i - 1) / kFigureParams + 1, image.figures[i]);
    }
    for (size_t i = 1; i <= r_count * kTimeSlots; ++i) {
        if (image.time_flags[i] == 1) add(201 + (i - 1) % kTimeSlots, (i - 1) / kTimeSlots + 1, image.times[i]);
    }
    return n;
}

// The cue work buffer := the image packed, for the point-cue store. False,
// with the buffer left as it was, when memory runs out.
bool pack_image_into_work_buffer(const Image& image) {
    const size_t n = gather_image(nullptr, image);
    datafiles::MemoryItem* list = nullptr;
    if (n > 0) {
        list = static_cast<datafiles::MemoryItem*>(
            runtime::show_table_allocator(n * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        if (list == nullptr) {
            ui::show_message("NOT ENOUGH MEMORY");
            ui::beep_interruptible(400, 2000);
            return false;
        }
        gather_image(list, image);
    }
    if (pack_buffer != nullptr) memcheck::mc_free_at(pack_buffer, __FILE__, __LINE__);
    pack_buffer = list;
    pack_count = static_cast<int32_t>(n);
    return true;
}

bool cue_panel_shown() { return (runtime::option_flags & runtime::OPT_CUE_PANEL) != 0; }

// ------------------------------------------------------------------ copy to fixtures

// Value v of A's channel n as B's channel u would show it at the same fader
// position. A function without sub-functions has the plain 0..255 scale.
uint16_t rescale_value(int16_t type_a, int n, int16_t type_b, int u, uint16_t v) {
    const auto library_function = [](int16_t type, int channel) {
        return runtime::type_channel_function[at(type + 1)][at(channel - 1)] + 1;
    };
    const auto scaled = [](int16_t type) {
        return type >= 0 && type < setup::kMaxFixtureTypes && setup::type_def_of_index(type) != nullptr;
    };
    const int fa = library_function(type_a, n);
    const int fb = library_function(type_b, u);
    uint8_t position = static_cast<uint8_t>(v);
    if (scaled(type_a) && setup::type_def_of_index(type_a)->sub_count(fa) > 0) {
        position = programmer::map_value_to_fader(type_a, fa, position);
    }
    if (scaled(type_b) && setup::type_def_of_index(type_b)->sub_count(fb) > 0) {
        return programmer::map_fader_to_value(type_b, fb, position);
    }
    return position;
}

bool programmer_faders_shown() {
    return runtime::fader_bank == 0 && (runtime::run_flags & runtime::RUN_DEFAULT_MODE) == 0 &&
           (runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0;
}

void copy_value(int16_t a_record, int16_t b_record, bool same_type, int16_t type_a, int n, int16_t type_b, int u) {
    const uint16_t v = runtime::programmer_values[a_record];
    if (v <= kLastDirectValue) {
        const uint16_t out = same_type ? v : rescale_value(type_a, n, type_b, u, v);
        runtime::programmer_values[b_record] = out;
        programmer::set_function_value(b_record, out);
        if (programmer_faders_shown()) {
            ui::refresh_preset_cells(b_record, 0, static_cast<int16_t>(out), ui::get_function_cell_colour(b_record),
                                     ui::get_library_cell_colour(b_record));
        }
    } else if (v >= kFirstValueReference && v <= kLastValueReference) {
        runtime::programmer_values[b_record] = v;
        apply_preset_to_function(static_cast<int16_t>(v - kValueReferenceBase), b_record);
    }
}

void copy_generator_bytes(int16_t a_record, int16_t b_record) {
    for (size_t p = 1; p <= kGeneratorParams; ++p) {
        const uint8_t b = runtime::programmer_generators[generator_byte(a_record, p)];
        const size_t to = generator_byte(b_record, p);
        if (b <= generator_limit(p)) {
            runtime::programmer_generators[to] = b;
            programmer::set_generator_param(static_cast<int16_t>(to), b);
        } else if (b >= kFirstEffectReference && b <= kLastEffectReference) {
            runtime::programmer_generators[to] = b;
            apply_effect_preset_generator(static_cast<int16_t>(b - kEffectReferenceBase), static_cast<int16_t>(to));
        }
    }
}

void copy_figure_bytes(int16_t a, int16_t b) {
    for (size_t p = 1; p <= kFigureParams; ++p) {
        const uint8_t v = runtime::programmer_figures[figure_byte(a, p)];
        const size_t to = figure_byte(b, p);
        if (v <= figure_limit(p)) {
            runtime::programmer_figures[to] = v;
            programmer::set_figure_param(static_cast<int16_t>(to), v);
        } else if (v >= kFirstEffectReference && v <= kLastEffectReference) {
            runtime::programmer_figures[to] = v;
            apply_effect_preset_figure(static_cast<int16_t>(v - kEffectReferenceBase), static_cast<int16_t>(to));
        }
    }
}

// B's slots that B has not set itself take A's times; a time equal to its
// kind's default is not marked as set.
void copy_times(int16_t a_record, int16_t b_record) {
    for (size_t s = 1; s <= kTimeSlots; ++s) {
        const size_t to = time_slot(b_record, s);
        if (runtime::programmer_time_set[to] != 0) continue;
        const uint16_t t = runtime::programmer_times[time_slot(a_record, s)];
        runtime::programmer_times[to] = t;
        runtime::programmer_time_set[to] = t == ui::default_times[time_kind(s)] ? 0 : 1;
    }
}

}  // namespace

int16_t pick_destination_cue() {
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    ui::redraw_cue_panel();
    playback::CuePickerSetup setup;
    setup.box_word = "TO";
    setup.message = "GIVE DESTINATION CUE";
    setup.refusal = playback::CueEntryRefusal::leave;  // the caller sounds the refusal
    const playback::CuePick pick = playback::run_cue_picker(setup);
    const bool cue_screen = (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0;
    runtime::set_key_led(runtime::KEY_CUE, cue_screen ? runtime::LED_ON : runtime::LED_OFF);
    for (int d = 0; d <= 9; ++d) runtime::set_key_led(runtime::digit_key(d), runtime::LED_OFF);
    for (const int16_t key : {runtime::KEY_POINT, runtime::KEY_ESC, runtime::KEY_ENTER}) {
        runtime::set_key_led(key, runtime::LED_OFF);
    }
    playback::update_point_cue_leds();
    if (!pick.entered) return 0;
    const playback::CuePosition& p = pick.position;
    return static_cast<int16_t>(playback::cue_slot_of(p.page, p.cue, p.point));
}

void copy_items_into_cue_memory(int16_t slot, const FunctionChoice& functions, const ClassFlags& classes) {
    Image image;
    if (!playback::valid_cue_slot(slot) || !image.ready()) return;
    const playback::PointcueRecord* record = playback::programmed_pointcue(slot);
    int16_t cue_memory = kNewCueMemory;
    if (record != nullptr && record->point_memory >= 1 && record->point_memory <= datafiles::kCueMemories) {
        cue_memory = record->point_memory;
        ui::unpack_cue_memory(cue_memory, slot, 0);
        take_work_buffers(image);
    } else {
        clear_image(image, show_default_times());
    }
    const auto page = static_cast<int16_t>(playback::cue_slot_page(slot));
    const auto cue = static_cast<int16_t>(playback::cue_slot_cue(slot));
    const auto point = static_cast<int16_t>(playback::cue_slot_point(slot));
    if (cue_panel_shown()) ui::draw_current_memory_label(current_memory, page, cue, point, cue_memory);
    if (!Merge(image, functions, classes).run()) {
        cancelled();
        return;
    }
    ui::show_message("WRITING MEMORY TO DISK...");
    if (!pack_image_into_work_buffer(image)) return;
    playback::program_pointcue(1, cue, point, page);
}

void copy_items_into_memory(int16_t memory, const FunctionChoice& functions, const ClassFlags& classes) {
    Image image;
    if (memory < 1 || memory > kMemories || !image.ready()) return;
    ui::unpack_memory(memory);
    take_work_buffers(image);
    if (!Merge(image, functions, classes).run()) {
        cancelled();
        return;
    }
    ui::show_message("WRITING MEMORY TO DISK...");
    pack_memory(memory, image.values, image.generators, image.figures, image.times, image.time_flags);
}

void copy_fixture_to_selection(int16_t source, const FunctionChoice& functions, const ClassFlags& classes) {
    if (source < 1 || source > fixtures()) return;
    const int16_t type_a = fixture_type(source);
    const int count = std::min<int>(fixture_channel_count(source), kCopyFunctions);
    const bool figures = figures_go_along(source, functions, classes);
    for (int16_t b = 1; b <= fixtures(); ++b) {
        if (b == source || !fixture_is_selected(b)) continue;
        const int16_t type_b = fixture_type(b);
        for (int n = 1; n <= count; ++n) {
            const int16_t a_record = channel_record(source, n);
            if (a_record == 0) continue;
            const bool by_function = functions[at(n)] != 0;
            const bool by_value_class = class_matches(a_record, classes);
            const bool by_effect_class = (classes[COPY_CLASS_GOBO] != 0 && has_gobo_preset_flag(a_record)) ||
                                         (classes[COPY_CLASS_COLOUR] != 0 && has_colour_preset_flag(a_record));
            if (!by_function && !by_value_class) continue;
            const int u = type_a == type_b ? n : programmer::map_function_between_types(type_a, n, type_b);
            const int16_t b_record = u == 0 ? 0 : channel_record(b, u);
            if (b_record == 0) continue;
            copy_value(a_record, b_record, type_a == type_b, type_a, n, type_b, u);
            if (!by_function && !by_effect_class) continue;
            if (!is_pantilt_record(a_record)) copy_generator_bytes(a_record, b_record);
            copy_times(a_record, b_record);
        }
        if (figures && has_pantilt(b)) copy_figure_bytes(source, b);
    }
    ui::refresh_table_view();
}

}  // namespace memories
