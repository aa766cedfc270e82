#include "programmer/value_mapping.h"

#include <algorithm>
#include <cmath>

#include "runtime/console_state.h"

namespace programmer {

SubFunctionPositions subfunction_low_positions{};
SubFunctionPositions subfunction_high_positions{};

void reset_value_mapping_globals() {
    subfunction_low_positions = {};
    subfunction_high_positions = {};
}

namespace {

// Both conversions round a real result up only when its fraction is above a
// half: an exact half rounds down.
int round_half_down(double x) {
    const double whole = std::trunc(x);
    return std::fmod(x, 1.0) > 0.5 ? static_cast<int>(whole) + 1 : static_cast<int>(whole);
}

// The type and its sub-function count for f, or null when there is nothing
// to map (the count is cut to the tables' 10).
const setup::FixtureTypeDef* mapped_type(int type_index, int function, int& count) {
    count = 0;
    if (type_index < 0 || type_index >= setup::kMaxFixtureTypes) return nullptr;
    if (!setup::FixtureTypeDef::valid(function)) return nullptr;
    const setup::FixtureTypeDef* type = setup::type_def_of_index(type_index);
    if (type == nullptr) return nullptr;
    count = std::min<int>(type->sub_count(function), setup::kSubFunctions);
    return count == 0 ? nullptr : type;
}

}  // namespace

void init_subfunction_ranges() {
    subfunction_low_positions = {};
    subfunction_high_positions = {};
    for (int t = 1; t <= setup::kMaxFixtureTypes; ++t) {
        const setup::FixtureTypeDef* type = setup::fixture_type_defs[t];
        if (type == nullptr) continue;
        const int functions = std::min<int>(type->channel_count(), setup::kMaxTypeChannels);
        for (int f = 1; f <= functions; ++f) {
            const int count = std::min<int>(type->sub_count(f), setup::kSubFunctions);
            auto& low = subfunction_low_positions[t][f];
            auto& high = subfunction_high_positions[t][f];
            for (int k = 1; k <= count; ++k) {
                // The lower half of the gap above k, rounded down, goes to k
                // (8-bit arithmetic, as the library data is bytes).
                if (k < count) {
                    const uint8_t gap = static_cast<uint8_t>(type->sub_from(f, k + 1) - type->sub_to(f, k));
                    high[k] = static_cast<uint8_t>(type->sub_to(f, k) + gap / 2);
                } else {
                    high[k] = 255;
                }
                low[k] = k == 1 ? 0 : static_cast<uint8_t>(high[k - 1] + 1);
            }
        }
    }
}

uint8_t map_value_to_fader(int type_index, int function, uint8_t value) {
    int count = 0;
    const setup::FixtureTypeDef* type = mapped_type(type_index, function, count);
    if (type == nullptr) return 0;
    int k = 1;
    while (k < count && type->sub_to(function, k) < value) ++k;
    const int low = subfunction_low_positions[type_index + 1][function][k];
    const int high = subfunction_high_positions[type_index + 1][function][k];
    const int from = type->sub_from(function, k);
    const int to = type->sub_to(function, k);
    // A single-value sub-function shows at the first position of its range.
    int x = low;
    if (from != to) {
        const double real = static_cast<double>(value - from) / (to - from) * (high - low) + low;
        x = round_half_down(real);
    }
    x = std::clamp(x, std::min(low, high), std::max(low, high));
    if (type->sub_invert(function) == 1) x = 255 - x;
    return static_cast<uint8_t>(x);
}

uint8_t map_fader_to_value(int type_index, int function, uint8_t position) {
    int count = 0;
    const setup::FixtureTypeDef* type = mapped_type(type_index, function, count);
    if (type == nullptr) return 0;
    int p = position;
    if (type->sub_invert(function) == 1) p = 255 - p;
    const auto& highs = subfunction_high_positions[type_index + 1][function];
    int k = 1;
    while (k < count && highs[k] < p) ++k;
    const int low = subfunction_low_positions[type_index + 1][function][k];
    const int high = highs[k];
    const int from = type->sub_from(function, k);
    const int to = type->sub_to(function, k);
    int x = from;
    if (high != low) {
        const double real = static_cast<double>(p - low) / (high - low) * (to - from) + from;
        x = round_half_down(real);
    }
    return static_cast<uint8_t>(std::clamp(x, std::min(from, to), std::max(from, to)));
}

int find_predefined_entry(int function, int16_t value) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::current_fixture_type);
    if (type == nullptr || !setup::FixtureTypeDef::valid(function)) return 1;
    int i = 1;
    // Entry i + 1 is 0-based entry i; a zero value ends the list.
    while (i <= setup::kPredefinedEntries - 1) {
        const uint8_t next = type->entry_value(function, i);
        if (next == 0 || next > value) break;
        ++i;
    }
    return i;
}

uint8_t percent_to_level(int percent) {
    constexpr int kFull = 255;
    constexpr int kHundred = 100;
    const int p = std::clamp(percent, 0, kHundred);
    return static_cast<uint8_t>((p * kFull + kHundred - 1) / kHundred);
}

}  // namespace programmer
