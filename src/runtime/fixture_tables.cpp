#include "runtime/fixture_tables.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "datafiles/patch_files.h"
#include "datafiles/small_tables.h"
#include "datafiles/setup_file.h"
#include "programmer/commands.h"
#include "programmer/fixture_functions.h"
#include "memories/masters.h"
#include "memories/thresholds.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_selection.h"
#include "programmer/slave_consoles.h"
#include "programmer/value_mapping.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/key_reader.h"
#include "runtime/lamp_commands.h"
#include "runtime/show_tables.h"
#include "setup/patch_compiler.h"
#include "setup/patch_conflicts.h"

namespace runtime {

int16_t function_record_count = 0;
std::array<std::array<uint16_t, kFixtureKeys + 1>, kFixturePages + 1> fixture_bank_keys{};
std::array<uint8_t, kFixturePages + 1> fixture_bank_counts{};
std::array<PanTiltRecord, kFixtures + 1> fixture_pantilt_table{};
TypeChannelBytes type_channel_function{};
std::array<std::array<std::array<uint8_t, kTypes + 1>, kTypeChannels + 1>, kTypes + 1> type_function_map{};
TypeChannelBytes type_predefined_counts{};
std::array<std::array<std::array<uint8_t, setup::kPredefinedEntries>, kTypeChannels>, kTypes + 1>
    type_predefined_entries{};
TypeChannelBytes pantilt_role_table{};
TypeChannelBytes gobo_role_table{};
TypeChannelBytes colour_role_table{};
std::array<std::array<uint8_t, 64>, kFixtures + 1> function_remap_table{};
std::array<SlaveConsole, kFixtures> slave_console_list{};
int16_t slave_console_count = 0;
int16_t dark_fixture_count = 0;
std::array<uint16_t, 2048> dimmer_channel_list{};
std::array<uint16_t, kFixtures * kFigureFlagsPerFixture + 1> figure_flags{};

void reset_fixture_tables_globals() {
    reset_fixture_tables();
    fixture_bank_keys = {};
    fixture_bank_counts = {};
}

namespace {

using setup::FixtureTypeDef;
using setup::NamedFunction;

constexpr size_t kGeneratorParameters = 6;   // SWING, SPEED, MODE, DELAY, SHIFT, WAIT
constexpr std::array<size_t, 3> kTimedGeneratorParameters = {0, 1, 3};  // SWING, SPEED, DELAY
constexpr std::array<size_t, 4> kTimedFigureParameters = {0, 1, 2, 7};  // X-SWING, Y-SWING, SPEED, DELAY
constexpr int kKnives = 8;
constexpr uint16_t kNotSet = 65535;

struct SlaveName {
    const char* name;
    uint8_t kind;
};
constexpr std::array<SlaveName, 3> kSlaveNames = {{
    {"ZELK SLAVE CONSOLE", 1}, {"ZELK SLAVE DESK V2", 2}, {"ZELK SLAVE WING", 3},
}};

int capacity() { return std::clamp<int>(function_record_capacity, 0, kFunctionRecordCapacity); }
int fixtures() { return std::clamp<int>(setup::fixture_count, 0, kFixtures); }
int types() { return setup::setup_type_count(); }

const FixtureTypeDef* type_def(int t) {
    if (t < 1 || t > kTypes) return nullptr;
    return setup::fixture_type_defs[static_cast<size_t>(t)];
}

// Library functions of type t: its definition's channel count, at most 32.
int type_functions(int t) {
    const FixtureTypeDef* type = type_def(t);
    if (type == nullptr) return 0;
    return std::min<int>(type->channel_count(), kTypeChannels);
}

// The 0-based channel of function k (1..32) of type t; -1 when the stored
// map points outside the type's 32 channels.
int function_channel(int t, int k) {
    if (k < 1 || k > kTypeChannels || t < 1 || t > kTypes) return -1;
    const uint8_t channel = setup::setup_data.u8(setup::SetupData::type_function_map_field(t, k - 1));
    return channel < kTypeChannels ? channel : -1;
}

// One fixture as the builders see it, with its record range checked.
struct Fixture {
    int f = 0;
    int t = 0;             // type 1..40
    int first = 0;         // first function record
    int channels = 0;      // 1..32
    const FixtureTypeDef* type = nullptr;
    setup::FixtureRecord record;

    // The record of function k, 0 when there is none within the fixture
    // and the capacity.
    int record_of(int k) const {
        const int channel = function_channel(t, k);
        if (channel < 0 || channel >= channels) return 0;
        return record_at(channel);
    }
    // The record of 0-based channel c.
    int record_at(int c) const {
        const int r = first + c;
        return c >= 0 && c < channels && r >= 1 && r <= capacity() ? r : 0;
    }
};

bool read_fixture(int f, Fixture& out) {
    out = {};
    out.f = f;
    out.record = setup::read_fixture(setup::setup_data, f);
    out.t = out.record.type_index + 1;
    out.first = out.record.first_record;
    out.channels = std::min<int>(out.record.channel_count, kTypeChannels);
    out.type = type_def(out.t);
    return out.t <= types() && out.type != nullptr;
}

template <typename Fn>
void for_each_fixture(Fn fn) {
    Fixture fixture;
    for (int f = 1; f <= fixtures(); ++f) {
        if (read_fixture(f, fixture)) fn(fixture);
    }
}

FunctionRecord* record_at(int r) {
    if (function_record_table == nullptr || r < 1 || r > capacity()) return nullptr;
    return &function_record_table[r];
}

std::string capitals(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

uint8_t slave_kind(const FixtureTypeDef& type) {
    const std::string name = capitals(type.name());
    for (const SlaveName& slave : kSlaveNames) {
        if (name == slave.name) return slave.kind;
    }
    return 0;
}

// The 0-based channel of a named function of type t, -1 none.
int named_channel(int t, const FixtureTypeDef& type, NamedFunction slot) {
    const uint8_t k = type.named(slot);
    return k == 0 ? -1 : function_channel(t, k);
}

void set_role(TypeChannelBytes& table, int t, int channel, uint8_t role) {
    if (channel >= 0 && channel < kTypeChannels) table[static_cast<size_t>(t)][static_cast<size_t>(channel)] = role;
}

void set_named_role(TypeChannelBytes& table, int t, const FixtureTypeDef& type, NamedFunction slot, uint8_t role) {
    set_role(table, t, named_channel(t, type, slot), role);
}

bool is_named(const FixtureTypeDef& type, int k, std::initializer_list<NamedFunction> slots) {
    return std::any_of(slots.begin(), slots.end(), [&](NamedFunction s) { return type.named(s) == k; });
}

uint8_t function_class(const Fixture& fx, int k, const FunctionRecord& rec) {
    const FixtureTypeDef& type = *fx.type;
    const bool dimmer = type.is_dimmer(k);
    const bool focus = type.named(NamedFunction::focus) == k;
    using N = NamedFunction;
    if (rec.pantilt_role != 0 && !focus && !dimmer) return CLASS_PANTILT;
    const bool effect = is_named(type, k, {N::effect1, N::effect2, N::effect3, N::effectpar1, N::effectpar2});
    const bool iris = type.named(N::iris) == k;
    const bool zoom = type.named(N::zoom) == k;
    if (rec.gobo_role != 0 && !effect && !iris && !zoom && !focus) return CLASS_GOBO;
    if (rec.colour_role != 0 && !dimmer) return CLASS_COLOUR;
    if (effect) return CLASS_EFFECT;
    if (iris) return CLASS_IRIS;
    if (zoom) return CLASS_ZOOM;
    if (focus) return CLASS_FOCUS;
    if (dimmer) return CLASS_DIMMER;
    return 0;
}

uint8_t slave_group(uint8_t kind, int k) {
    if (kind == 3) return 1;
    if (kind != 1 && kind != 2) return 0;
    if (k <= 10) return 1;
    if (k <= 14) return 2;
    if (k <= 18) return 3;
    return 0;
}

void set_pantilt_channel(PanTiltRecord::Channel& channel, int value) {
    channel.channel = static_cast<uint8_t>(value);
    channel.record = 0;
}

void resolve(const Fixture& fx, PanTiltRecord::Channel& channel) {
    if (channel.channel != 0) channel.record = static_cast<uint16_t>(fx.record_at(channel.channel - 1));
}

// The lowest dimmer function of the fixture's type, 0 none.
int first_dimmer_function(const Fixture& fx) {
    for (int k = 1; k <= fx.channels; ++k) {
        if (fx.type->is_dimmer(k)) return k;
    }
    return 0;
}

void clear_console_fields() {
    current_fixture = -1;
    current_fixture_type = -1;
    selected_function = 0;
    selected_function_type = 0;
    function_count = 0;
    function_page = 1;
}

}  // namespace

int fixture_channel_record(int f, int c) {
    if (f < 1 || f > fixtures()) return 0;
    Fixture fx;
    read_fixture(f, fx);
    return fx.record_at(c - 1);
}

void reset_fixture_tables() {
    function_record_count = 0;
    fixture_pantilt_table.fill({});
    type_channel_function = {};
    type_function_map = {};
    type_predefined_counts = {};
    type_predefined_entries = {};
    pantilt_role_table = {};
    gobo_role_table = {};
    colour_role_table = {};
    function_remap_table = {};
    slave_console_list.fill({});
    slave_console_count = 0;
    dark_fixture_count = 0;
    dimmer_channel_list.fill(kNoDimmerChannel);
    figure_flags.fill(0);
}

void count_function_records() {
    int sum = 0;
    for (int f = 1; f <= fixtures(); ++f) {
        sum += std::min<int>(setup::setup_data.u8(setup::SetupData::fixture_field(f, setup::kFixtureChannelCount)),
                             kTypeChannels);
    }
    function_record_count = static_cast<int16_t>(std::min(sum, capacity()));
}

void build_type_function_maps() {
    type_channel_function = {};
    type_function_map = {};
    for (int t = 1; t <= types(); ++t) {
        for (int k = 1; k <= type_functions(t); ++k) {
            const int channel = function_channel(t, k);
            if (channel >= 0) type_channel_function[static_cast<size_t>(t)][static_cast<size_t>(channel)] = static_cast<uint8_t>(k - 1);
        }
    }
    for (int t = 1; t <= types(); ++t) {
        for (int c = 1; c <= type_functions(t); ++c) {
            for (int t2 = 1; t2 <= types(); ++t2) {
                const int mapped = t2 == t ? c : programmer::map_function_between_types(t - 1, c, t2 - 1);
                type_function_map[static_cast<size_t>(t)][static_cast<size_t>(c)][static_cast<size_t>(t2)] =
                    static_cast<uint8_t>(mapped);
            }
        }
    }
}

void build_predefined_entry_lists() {
    type_predefined_counts = {};
    type_predefined_entries = {};
    for (int t = 1; t <= types(); ++t) {
        const FixtureTypeDef* type = type_def(t);
        for (int c = 1; c <= type_functions(t); ++c) {
            const int k = type_channel_function[static_cast<size_t>(t)][static_cast<size_t>(c - 1)] + 1;
            uint8_t& count = type_predefined_counts[static_cast<size_t>(t)][static_cast<size_t>(c - 1)];
            for (int e = 0; e < setup::kPredefinedEntries; ++e) {
                if (type->entry_value(k, e) == 0 || type->entry_flag(k, e) == 1) continue;
                ++count;
                type_predefined_entries[static_cast<size_t>(t)][static_cast<size_t>(c - 1)][count - 1u] = static_cast<uint8_t>(e);
            }
        }
    }
}

void build_preset_kind_tables() {
    pantilt_role_table = {};
    gobo_role_table = {};
    colour_role_table = {};
    using N = NamedFunction;
    for (int t = 1; t <= types(); ++t) {
        const FixtureTypeDef* type = type_def(t);
        if (type == nullptr) continue;
        const uint8_t pan = type->named(N::pan);
        const uint8_t tilt = type->named(N::tilt);
        if (pan != 0 && tilt != 0) {
            const uint8_t pan_fine = type->linked_function(pan);
            const uint8_t tilt_fine = type->linked_function(tilt);
            const bool fine = pan_fine != 0 && tilt_fine != 0;
            set_role(pantilt_role_table, t, function_channel(t, pan), ROLE_PAN);
            if (fine) set_role(pantilt_role_table, t, function_channel(t, pan_fine), ROLE_PAN_FINE);
            set_role(pantilt_role_table, t, function_channel(t, tilt), ROLE_TILT);
            if (fine) set_role(pantilt_role_table, t, function_channel(t, tilt_fine), ROLE_TILT_FINE);
            set_named_role(pantilt_role_table, t, *type, N::focus, ROLE_PT_FOCUS);
            for (int k = 1; k <= type_functions(t); ++k) {
                if (type->is_dimmer(k)) set_role(pantilt_role_table, t, function_channel(t, k), ROLE_PT_DIMMER);
            }
        }
        constexpr std::array<N, 8> kColours = {N::color1, N::color2, N::color3, N::color4,
                                               N::colorpar, N::red, N::green, N::blue};
        for (size_t i = 0; i < kColours.size(); ++i) {
            set_named_role(colour_role_table, t, *type, kColours[i], static_cast<uint8_t>(i + 1));
        }
        for (int k = 1; k <= type_functions(t); ++k) {
            if (type->is_dimmer(k)) set_role(colour_role_table, t, function_channel(t, k), ROLE_COLOUR_DIMMER);
        }
        struct GoboRole {
            N slot;
            uint8_t role;
        };
        constexpr std::array<GoboRole, 27> kGobos = {{
            {N::gobo1, 1}, {N::gobo2, 2}, {N::gobo3, 3}, {N::gobo4, 4}, {N::goboindex1, 5},
            {N::knife1, 6}, {N::knife2, 7}, {N::knife3, 8}, {N::knife4, 9}, {N::knife5, 10},
            {N::knife6, 11}, {N::knife7, 12}, {N::knife8, 13}, {N::knifepar, 14},
            {N::effect1, 15}, {N::effect2, 16}, {N::effect3, 17}, {N::iris, 18}, {N::zoom, 19},
            {N::focus, 20}, {N::goboindex2, 21}, {N::effectpar1, 22}, {N::effectpar2, 23}, {N::frost, 24},
            {N::prisma1, 25}, {N::prisma2, 25}, {N::prisma3, 25},
        }};
        for (const GoboRole& g : kGobos) set_named_role(gobo_role_table, t, *type, g.slot, g.role);
    }
}

void build_function_records() {
    if (function_record_table == nullptr) return;
    std::fill_n(function_record_table, kFunctionRecordCapacity + 1, FunctionRecord{});
    // 1: type, fixture and channel of every record.
    for_each_fixture([](const Fixture& fx) {
        for (int c = 1; c <= fx.channels; ++c) {
            FunctionRecord* rec = record_at(fx.record_at(c - 1));
            if (rec == nullptr) continue;
            rec->type = static_cast<uint8_t>(fx.t - 1);
            rec->fixture = static_cast<int16_t>(fx.f);
            rec->channel = static_cast<uint8_t>(c);
        }
    });
    // 2: dimmers; 3: strobe.
    for_each_fixture([](const Fixture& fx) {
        for (int k = 1; k <= fx.channels; ++k) {
            if (FunctionRecord* rec = record_at(fx.record_of(k)); rec != nullptr && fx.type->is_dimmer(k)) rec->dimmer = 1;
        }
    });
    for_each_fixture([](const Fixture& fx) {
        const uint8_t strobo = fx.type->named(NamedFunction::strobo);
        if (FunctionRecord* rec = record_at(fx.record_of(strobo)); rec != nullptr && strobo != 0) rec->strobe = 1;
    });
    // 4: first sub-function range, channel kind and fine partner.
    for_each_fixture([](const Fixture& fx) {
        for (int k = 1; k <= fx.channels; ++k) {
            FunctionRecord* rec = record_at(fx.record_of(k));
            if (rec == nullptr) continue;
            rec->range_min = fx.type->sub_from(k, 1);
            rec->range_max = fx.type->sub_to(k, 1);
            rec->kind = fx.type->channel_kind(k);
            const uint8_t g = fx.type->linked_function(k);
            if (g != 0) rec->fine_partner = static_cast<int16_t>(fx.record_of(g));
        }
    });
    // 5: the preset roles of each channel.
    for_each_fixture([](const Fixture& fx) {
        for (int c = 1; c <= fx.channels; ++c) {
            FunctionRecord* rec = record_at(fx.record_at(c - 1));
            if (rec == nullptr) continue;
            const auto t = static_cast<size_t>(fx.t);
            const auto ch = static_cast<size_t>(c - 1);
            rec->pantilt_role = pantilt_role_table[t][ch];
            rec->gobo_role = gobo_role_table[t][ch];
            rec->colour_role = colour_role_table[t][ch];
        }
    });
    // 6: classes; 7: slave groups.
    for_each_fixture([](const Fixture& fx) {
        const uint8_t kind = slave_kind(*fx.type);
        for (int k = 1; k <= fx.channels; ++k) {
            FunctionRecord* rec = record_at(fx.record_of(k));
            if (rec == nullptr) continue;
            rec->function_class = function_class(fx, k, *rec);
            rec->slave_group = slave_group(kind, k);
        }
    });
}

void build_fixture_banks() {
    for (auto& keys : fixture_bank_keys) keys.fill(0);
    fixture_bank_counts.fill(0);
    for (int f = 1; f <= fixtures(); ++f) {
        const int n = setup::setup_data.u16(setup::SetupData::fixture_field(f, setup::kFixtureNumber));
        if (n < 1 || n > kFixturePages * kFixtureKeys) continue;
        const auto page = static_cast<size_t>((n - 1) / kFixtureKeys + 1);
        const auto key = static_cast<size_t>((n - 1) % kFixtureKeys + 1);
        ++fixture_bank_counts[page];
        fixture_bank_keys[page][key] = static_cast<uint16_t>(f - 1);
    }
    slave_console_list.fill({});
    slave_console_count = 0;
    for_each_fixture([](const Fixture& fx) {
        const uint8_t kind = slave_kind(*fx.type);
        if (kind == 0) return;
        slave_console_list[static_cast<size_t>(slave_console_count)] = {static_cast<uint16_t>(fx.f), kind};
        ++slave_console_count;
    });
    programmer::slave_consoles = static_cast<uint8_t>(std::min<int>(slave_console_count, 255));
    programmer::fixture_selected.fill(0);
    programmer::group_selected.fill(0);
    // What the last show kept per fixture and per type index means nothing
    // for this rig: freeze switches, each type's page and fader, the
    // functions marked for a threshold.
    programmer::fixture_freeze.fill(0);
    programmer::remembered_page.fill(0);
    programmer::remembered_fader.fill(0);
    for (auto& marks : memories::threshold_function_marks) marks.fill(0);
    clear_console_fields();
}

void build_pantilt_records() {
    fixture_pantilt_table.fill({});
    for_each_fixture([](const Fixture& fx) {
        PanTiltRecord& pt = fixture_pantilt_table[static_cast<size_t>(fx.f)];
        const uint8_t pan = fx.type->named(NamedFunction::pan);
        const uint8_t tilt = fx.type->named(NamedFunction::tilt);
        if (pan != 0 && tilt != 0) {
            const auto channel_of = [&fx](int k) {
                const int c = function_channel(fx.t, k);
                return k != 0 && c >= 0 && c < fx.channels ? c + 1 : 0;
            };
            set_pantilt_channel(pt.pan, channel_of(pan));
            set_pantilt_channel(pt.pan_fine, channel_of(fx.type->linked_function(pan)));
            set_pantilt_channel(pt.tilt, channel_of(tilt));
            set_pantilt_channel(pt.tilt_fine, channel_of(fx.type->linked_function(tilt)));
            const int o = fx.record.orientation;
            pt.pan_invert = (o == 0 || o == 3 || o == 6 || o == 7) ? 1 : 0;
            pt.tilt_invert = (o == 2 || o == 3 || o == 5 || o == 6) ? 1 : 0;
            const bool swap = o == 1 || o == 3 || o == 5 || o == 7;
            pt.oriented_pan = swap ? pt.tilt : pt.pan;
            pt.oriented_tilt = swap ? pt.pan : pt.tilt;
            pt.oriented_pan_fine = swap ? pt.tilt_fine : pt.pan_fine;
            pt.oriented_tilt_fine = swap ? pt.pan_fine : pt.tilt_fine;
        }
        for (PanTiltRecord::Channel* channel : {&pt.pan, &pt.oriented_pan, &pt.pan_fine, &pt.oriented_pan_fine,
                                                &pt.tilt, &pt.oriented_tilt, &pt.tilt_fine, &pt.oriented_tilt_fine}) {
            resolve(fx, *channel);
        }
        pt.kind = 0;
        if (pt.pan.channel != 0 && pt.tilt.channel != 0) {
            pt.kind = pt.pan_fine.channel != 0 && pt.tilt_fine.channel != 0 ? 2 : 1;
        }
    });
}

void build_knife_remap() {
    function_remap_table = {};
    using N = NamedFunction;
    constexpr std::array<N, kKnives> kKnifeSlots = {N::knife1, N::knife2, N::knife3, N::knife4,
                                                    N::knife5, N::knife6, N::knife7, N::knife8};
    for_each_fixture([&kKnifeSlots](const Fixture& fx) {
        std::array<int, kKnives> channel{};
        for (int i = 0; i < kKnives; ++i) {
            const uint8_t k = fx.type->named(kKnifeSlots[static_cast<size_t>(i)]);
            channel[static_cast<size_t>(i)] = k == 0 ? -1 : function_channel(fx.t, k);
            if (channel[static_cast<size_t>(i)] < 0) return;  // all eight or none
        }
        int shift = 0;
        switch (fx.record.orientation) {
            case 1: case 5: shift = 6; break;
            case 2: case 4: shift = 4; break;
            case 3: case 7: shift = 2; break;
            default: shift = 0; break;
        }
        auto& remap = function_remap_table[static_cast<size_t>(fx.f)];
        for (int i = 0; i < kKnives; ++i) {
            const int j = (i + shift) % kKnives;
            remap[static_cast<size_t>(channel[static_cast<size_t>(i)])] = static_cast<uint8_t>(channel[static_cast<size_t>(j)] + 1);
        }
        // The reverse map, in the same form: channel v - 1 back to channel c + 1.
        for (int c = 0; c < kTypeChannels; ++c) {
            const uint8_t v = remap[static_cast<size_t>(c)];
            if (v != 0) remap[static_cast<size_t>(32 + v - 1)] = static_cast<uint8_t>(c + 1);
        }
    });
}

void build_dark_fixture_list() {
    dark_fixture_count = 0;
    if (dark_fixture_list != nullptr) std::fill_n(dark_fixture_list, kFunctionRecordCapacity + 1, DarkFixtureEntry{});
    for_each_fixture([](const Fixture& fx) {
        const int dimmer = first_dimmer_function(fx);
        bool other = false;
        for (int k = 1; k <= fx.channels; ++k) other = other || !fx.type->is_dimmer(k);
        const int r = fx.record_of(dimmer);
        if (dimmer == 0 || !other || r == 0 || dark_fixture_list == nullptr) return;
        ++dark_fixture_count;
        dark_fixture_list[dark_fixture_count] = {static_cast<uint16_t>(r), 0, kNotSet, kNotSet};
    });
    // The flag words.
    if (channel_flags != nullptr) std::fill_n(channel_flags, kFunctionRecordCapacity + 1, uint16_t{0});
    if (generator_flags != nullptr) {
        std::fill_n(generator_flags, kGeneratorParameters * kFunctionRecordCapacity + 1, uint16_t{0});
        for (size_t r = 1; r <= static_cast<size_t>(kFunctionRecordCapacity); ++r) {
            for (size_t p : kTimedGeneratorParameters) generator_flags[(r - 1) * kGeneratorParameters + p + 1] = FLAG_FADES;
        }
    }
    figure_flags.fill(0);
    for (size_t f = 1; f <= static_cast<size_t>(kFixtures); ++f) {
        for (size_t p : kTimedFigureParameters) figure_flags[(f - 1) * kFigureFlagsPerFixture + p + 1] = FLAG_FADES;
    }
    if (channel_flags == nullptr) return;
    for_each_fixture([](const Fixture& fx) {
        for (int k = 1; k <= fx.channels; ++k) {
            const int r = fx.record_of(k);
            if (r == 0) continue;
            uint16_t flags = 0;
            if (fx.type->sub_invert(k) == 1) flags |= FLAG_INVERTED;
            if (fx.type->fade_flag(k) == 1) flags |= FLAG_FADES;
            channel_flags[r] = flags;
        }
    });
}

void build_dimmer_channel_list() {
    dimmer_channel_list.fill(kNoDimmerChannel);
    size_t count = 0;
    for_each_fixture([&count](const Fixture& fx) {
        for (int k = 1; k <= fx.channels; ++k) {
            const bool counted = (fx.record.function_settings[static_cast<size_t>(k - 1)] & setup::kDimmerNotCounted) == 0;
            const int r = fx.record_of(k);
            if (!fx.type->is_dimmer(k) || !counted || r == 0 || count >= dimmer_channel_list.size()) continue;
            dimmer_channel_list[count++] = static_cast<uint16_t>(r - 1);
        }
    });
}

void compile_patch_if_needed() {
    if (setup::setup_data.u8(setup::kSetupPatchCompiled) != 0) return;
    // The show's own address state; the stored soft patch takes part.
    setup::AddressState show_state;
    setup::init_address_state(show_state);
    datafiles::load_soft_file();
    setup::load_soft_patch_list();
    setup::compile_channel_patch(show_state);
    load_reset_commands();
    datafiles::save_channel_patch_files();
    datafiles::save_setup_file();
}

void init_fixture_tables() {
    reset_fixture_tables();
    count_function_records();
    build_type_function_maps();
    build_predefined_entry_lists();
    build_preset_kind_tables();
    build_function_records();
    build_fixture_banks();
    build_pantilt_records();
    build_knife_remap();
    build_dark_fixture_list();
    // The submasters' and groups' used flags from the loaded tables, and the
    // sub-function fader ranges.
    memories::init_submasters();
    programmer::update_group_used_flags();
    programmer::init_subfunction_ranges();
    build_dimmer_channel_list();
    compile_patch_if_needed();
    // A new show starts with no patch conflicts listed.
    setup::clear_patch_conflicts();
    const bool solo = setup::setup_data.i16(setup::kSetupSoloMemory) >= 1;
    mode_flags = (mode_flags & ~MODE_SOLO_MEMORY) | (solo ? MODE_SOLO_MEMORY : 0);
}

void init_wheel_last_values() {
    if (wheel_last_values == nullptr) return;
    std::fill_n(wheel_last_values, kFunctionRecordCapacity + 1, uint16_t{0});
    if (function_record_table == nullptr) return;
    for (int r = 1; r <= capacity(); ++r) {
        const FunctionRecord& rec = function_record_table[r];
        if (rec.fixture < 1 || rec.fixture > kFixtures) continue;
        const PanTiltRecord& pt = fixture_pantilt_table[static_cast<size_t>(rec.fixture)];
        const bool pan = (rec.pantilt_role == ROLE_PAN || rec.pantilt_role == ROLE_PAN_FINE) && pt.pan_invert != 0;
        const bool tilt = (rec.pantilt_role == ROLE_TILT || rec.pantilt_role == ROLE_TILT_FINE) && pt.tilt_invert != 0;
        if (pan || tilt) wheel_last_values[r] = 255;
    }
}

}  // namespace runtime
