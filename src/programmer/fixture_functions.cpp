#include "programmer/fixture_functions.h"

#include <array>

#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace programmer {

namespace {

using setup::FixtureTypeDef;
using setup::NamedFunction;

// The slots compared by rule 5, in their order.
constexpr std::array<NamedFunction, 26> kSameSlot = {
    NamedFunction::red, NamedFunction::green, NamedFunction::blue,
    NamedFunction::color1, NamedFunction::color2, NamedFunction::color3, NamedFunction::color4, NamedFunction::colorpar,
    NamedFunction::gobo1, NamedFunction::gobo2, NamedFunction::gobo3, NamedFunction::gobo4,
    NamedFunction::goboindex1, NamedFunction::goboindex2,
    NamedFunction::effect1, NamedFunction::effect2, NamedFunction::effect3,
    NamedFunction::effectpar1, NamedFunction::effectpar2,
    NamedFunction::prisma1, NamedFunction::prisma2, NamedFunction::prisma3,
    NamedFunction::iris, NamedFunction::zoom, NamedFunction::focus, NamedFunction::frost,
};

// Library function fB of B that answers fA of A (rules 2 to 4), 0 none.
int counterpart(const FixtureTypeDef& a, int fa, const FixtureTypeDef& b) {
    const uint8_t a_strobo = a.named(NamedFunction::strobo);
    if (a_strobo != 0 && fa == a_strobo) return b.named(NamedFunction::strobo);
    if (a.is_dimmer(fa)) {
        const int b_functions = b.channel_count() < setup::kMaxTypeChannels ? b.channel_count() : setup::kMaxTypeChannels;
        for (int f = 1; f <= b_functions; ++f) {
            if (b.is_dimmer(f)) return f;
        }
        return 0;
    }
    for (NamedFunction axis : {NamedFunction::pan, NamedFunction::tilt}) {
        const uint8_t a_axis = a.named(axis);
        if (a_axis != 0 && fa == a_axis) return b.named(axis);
        if (a_axis != 0 && a.linked_function(fa) == a_axis) {
            const uint8_t b_axis = b.named(axis);
            return b_axis == 0 ? 0 : b.linked_function(b_axis);
        }
    }
    for (NamedFunction slot : kSameSlot) {
        const uint8_t a_slot = a.named(slot);
        if (a_slot != 0 && fa == a_slot) return b.named(slot);
    }
    return 0;
}

}  // namespace

int16_t get_function_record_index(int16_t fixture, int16_t channel) {
    if (fixture < 1 || fixture > setup::kMaxFixtures) return 0;
    const uint16_t first =
        setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureFirstRecord));
    return static_cast<int16_t>(first + channel - 1);
}

int map_function_between_types(int type_a, int channel, int type_b) {
    const FixtureTypeDef* a = setup::type_def_of_index(type_a);
    const FixtureTypeDef* b = setup::type_def_of_index(type_b);
    if (a == nullptr || b == nullptr || channel < 1 || channel > setup::kMaxTypeChannels) return 0;
    const int fa = runtime::type_channel_function[static_cast<size_t>(type_a + 1)][static_cast<size_t>(channel - 1)] + 1;
    const int fb = counterpart(*a, fa, *b);
    if (fb == 0) return 0;
    const uint8_t b_channel = setup::setup_data.u8(setup::SetupData::type_function_map_field(type_b + 1, fb - 1));
    return b_channel < setup::kMaxTypeChannels ? b_channel + 1 : 0;
}

void function_range(int16_t record, int& lo, int& hi) {
    lo = 0;
    hi = 255;
    if (record < 1 || record > runtime::function_record_count || record > static_cast<int>(runtime::kShowRecords) ||
        runtime::function_record_table == nullptr) {
        return;
    }
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    const FixtureTypeDef* type = setup::type_def_of_index(entry.type);
    if (type == nullptr || entry.channel < 1 || entry.channel > runtime::kTypeChannels) return;
    const int function = runtime::type_channel_function[static_cast<size_t>(entry.type) + 1][entry.channel - 1u] + 1;
    if (type->sub_count(function) == 0) return;
    lo = entry.range_min;
    hi = entry.range_max;
    if (hi < lo) {  // a range that runs backwards (a damaged type) counts as the whole byte
        lo = 0;
        hi = 255;
    }
}

}  // namespace programmer
