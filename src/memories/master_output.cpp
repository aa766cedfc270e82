#include "memories/master_output.h"

#include <algorithm>
#include <array>

#include "memories/copy_command.h"
#include "memories/master_state.h"
#include "memories/masters.h"
#include "memories/submaster_cells.h"
#include "programmer/commands.h"
#include "runtime/channel_levels.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace memories {

namespace {

constexpr int16_t kStrobeCloseBelow = 5;
// The type record carries no strobe values: a strobe channel closes at 0 and opens at 255.
constexpr int kStrobeClosed = 0;
constexpr int kStrobeOpen = 255;

bool record_ok(int16_t record) {
    return record >= 1 && record <= runtime::function_record_count &&
           record <= static_cast<int>(runtime::kShowRecords) && runtime::last_sent_values != nullptr &&
           runtime::function_record_table != nullptr && runtime::channel_flags != nullptr;
}

bool owned_by_playback(int16_t record) { return (runtime::channel_flags[record] & runtime::FLAG_PLAYBACK_OWNER) != 0; }

// In fixture step mode a record of an unselected fixture is held (a frozen
// record keeps what the freeze gave it).
bool held(int16_t record) {
    if ((runtime::mode_flags & runtime::MODE_FIXTURE_STEP) == 0) return false;
    const int16_t fixture = runtime::function_record_table[record].fixture;
    // The COPY command chooses fixtures without moving the stage: it keeps
    // the selection from before it started in copy_source_state.
    const auto& selection = (runtime::run_flags & runtime::RUN_COPY_MEMORY_DIALOG) != 0 ? copy_source_state
                                                                                         : programmer::fixture_selected;
    const bool selected =
        fixture >= 1 && fixture <= programmer::kFixtures && selection[static_cast<size_t>(fixture)] == 1;
    return !selected && (runtime::channel_flags[record] & runtime::FLAG_FROZEN) == 0;
}

bool solo_on() { return (runtime::mode_flags & runtime::MODE_SOLO_MEMORY) != 0; }

// The solo memory's value for the record, or `otherwise` when it holds none.
uint16_t solo_value(int16_t record, uint16_t otherwise) {
    const int16_t memory = setup::setup_data.i16(setup::kSetupSoloMemory);
    const uint16_t v = ui::get_memory_channel_value(memory, record, 0);
    return v <= 255 ? v : otherwise;
}

uint16_t held_value(int16_t record, int closed) {
    const auto c = static_cast<uint16_t>(closed);
    return solo_on() ? solo_value(record, c) : c;
}

void send_if_changed(int16_t record, uint16_t value) {
    if (runtime::last_sent_values[record] == value) return;
    runtime::last_sent_values[record] = value;
    runtime::set_channel_level(record, static_cast<uint8_t>(value & 255u), 0, 0);
}

int16_t level_of(int master) { return std::clamp<int16_t>(master_levels[static_cast<size_t>(master)], 0, 255); }

// The effect engines send every dimmer on every pass, mostly with the same
// value under the same masters. The scaled value is a pure function of the
// value, the type's closed value and the master levels that apply to the
// fixture (a submaster it is not in counts as -1), so each record keeps its
// last inputs and result and the extended-precision arithmetic runs only
// when one of them changed.
struct ScaledDimmer {
    uint16_t value = 0;
    int16_t closed = -1;
    int16_t grand = -1;
    int16_t sub1 = -1;
    int16_t sub2 = -1;
    uint16_t scaled = 0;
};
std::array<ScaledDimmer, runtime::kShowRecords + 1> scaled_dimmers{};

uint16_t scaled_dimmer_value(int16_t record, int16_t fixture, uint16_t value, int closed) {
    const int16_t grand = level_of(kGrandMaster);
    const int16_t sub1 = in_submaster(1, fixture) ? level_of(kFirstSubmasterMaster) : int16_t{-1};
    const int16_t sub2 = in_submaster(2, fixture) ? level_of(kFirstSubmasterMaster + 1) : int16_t{-1};
    ScaledDimmer& memo = scaled_dimmers[static_cast<size_t>(record)];
    if (memo.value == value && memo.closed == closed && memo.grand == grand && memo.sub1 == sub1 && memo.sub2 == sub2) {
        return memo.scaled;
    }
    memo = {value, static_cast<int16_t>(closed), grand, sub1, sub2,
            scale_dimmer_value(value, closed, master_factor(fixture))};
    return memo.scaled;
}

}  // namespace

uint16_t scale_dimmer_value(uint16_t value, int closed, double factor) {
    // The product and the difference in extended precision, truncated: a
    // full value often lands one step below the exact ratio (GRAND 128: 255
    // gives 127), as the console has always sent it.
    const long double moved = static_cast<long double>(closed - static_cast<int>(value)) * static_cast<long double>(factor);
    const long double scaled = static_cast<long double>(closed) - moved;
    return static_cast<uint16_t>(std::clamp(static_cast<int>(scaled), 0, 65535));
}

double master_factor(int16_t fixture) {
    // Each step in extended precision and stored as a double once: rounding
    // the submaster's product to a double before the division would leave
    // many factors one step low (GRAND 102, SUB1 130: 255 must give 52).
    auto scaled = [](double factor, int16_t level) {
        return static_cast<double>(static_cast<long double>(factor) * level / 255.0L);
    };
    double factor = scaled(1.0, level_of(kGrandMaster));
    if (in_submaster(1, fixture)) factor = scaled(factor, level_of(kFirstSubmasterMaster));
    if (in_submaster(2, fixture)) factor = scaled(factor, level_of(kFirstSubmasterMaster + 1));
    return factor;
}

void output_function_value(int16_t record, uint16_t value) {
    if (!record_ok(record)) return;
    if (held(record) && solo_on() && !owned_by_playback(record)) value = solo_value(record, value);
    send_if_changed(record, value);
}

void output_function_value_with_masters(int16_t record, uint16_t value) {
    if (!record_ok(record)) return;
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    const int16_t fixture = entry.fixture;
    const bool free_to_scale = !held(record) || owned_by_playback(record);
    if (entry.dimmer != 0) {
        int closed = 0;
        int open = 255;
        if (const setup::FixtureTypeDef* type = setup::type_def_of_index(entry.type); type != nullptr) {
            closed = type->u8(setup::kTypeDimmerClosed);
            open = type->u8(setup::kTypeDimmerClosed + 1);
        }
        if (value >= std::min(closed, open) && value <= std::max(closed, open)) {
            value = free_to_scale ? scaled_dimmer_value(record, fixture, value, closed) : held_value(record, closed);
        }
    } else if (entry.strobe != 0) {
        if (value >= kStrobeClosed && value <= kStrobeOpen) {
            if (!free_to_scale) {
                value = held_value(record, kStrobeClosed);
            } else if (level_of(kGrandMaster) < kStrobeCloseBelow ||
                       (in_submaster(1, fixture) && level_of(kFirstSubmasterMaster) < kStrobeCloseBelow) ||
                       (in_submaster(2, fixture) && level_of(kFirstSubmasterMaster + 1) < kStrobeCloseBelow)) {
                value = kStrobeClosed;
            }
        }
    }
    send_if_changed(record, value);
}

}  // namespace memories
