#include "programmer/programmer_values.h"

#include "playback/playback_state.h"
#include "programmer/commands.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/console_flags.h"
#include "ui/value_table.h"

namespace programmer {

namespace {

bool record_in_use(int16_t record) {
    return record >= 1 && record <= runtime::function_record_count &&
           record <= static_cast<int>(runtime::kShowRecords) && runtime::function_record_table != nullptr;
}

bool fixture_is_selected(int16_t fixture) {
    return fixture >= 1 && fixture <= kFixtures && fixture_selected[fixture] == 1;
}

// The fine record of a 16-bit pair marks its coarse record: the merge
// recomputes the pair from there.
void mark_dirty(int16_t record) {
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    int16_t target = record;
    if (entry.kind == setup::kKindFine && entry.fine_partner != 0 && record_in_use(entry.fine_partner)) {
        target = entry.fine_partner;
    }
    runtime::dirty_channels[target] = 1;
    const int16_t fixture = runtime::function_record_table[target].fixture;
    if (fixture >= 1 && fixture <= static_cast<int>(runtime::kShowFixtures)) runtime::dirty_fixtures[fixture] = 1;
}

}  // namespace

bool any_sequence_running() {
    for (int s = 1; s <= playback::kSequences; ++s) {
        if ((playback::sequence_table[s].mode & 3u) != 0) return true;
    }
    return false;
}

void set_function_value(int16_t record, uint16_t value) {
    if (!record_in_use(record)) return;
    const bool blind = (runtime::run_flags & runtime::RUN_BLIND) != 0;
    uint16_t* flags = runtime::channel_flags;
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];

    if (!blind && (flags[record] & runtime::FLAG_MANUAL) != 0 && fixture_is_selected(entry.fixture)) {
        if (runtime::manual_values[record] == value) return;
        runtime::manual_values[record] = value;
        // Hold the other half of the pair at its present output.
        const int16_t partner = entry.fine_partner;
        if (partner != 0 && record_in_use(partner) && (flags[partner] & runtime::FLAG_MANUAL) == 0) {
            flags[partner] |= runtime::FLAG_MANUAL;
            runtime::manual_values[partner] = runtime::output_base_values[partner];
        }
        mark_dirty(record);
        return;
    }

    if (blind) return;
    if ((flags[record] & runtime::FLAG_FROZEN) != 0) return;
    if (any_sequence_running()) return;
    if (runtime::cue_fade_records.channels[record].state != 0) return;
    uint16_t* live = runtime::layer_values[0];
    if (live[record] == value) return;
    live[record] = value;
    mark_dirty(record);
}

uint8_t get_function_value_colour(int16_t record) {
    if ((runtime::run_flags & runtime::RUN_BLIND) != 0) return kColourHeldBack;
    if (!record_in_use(record)) return kColourHeldBack;
    const uint16_t flags = runtime::channel_flags[record];
    if ((flags & runtime::FLAG_MANUAL) != 0) return kColourReachesStage;
    if ((flags & runtime::FLAG_FROZEN) != 0) return kColourHeldBack;
    if ((flags & runtime::FLAG_PLAYBACK_OWNER) != 0) return kColourHeldBack;
    if (runtime::cue_fade_records.channels[record].state != 0) return kColourHeldBack;
    if (any_sequence_running()) return kColourHeldBack;
    return kColourReachesStage;
}

void edit_function_value(int16_t record, uint16_t value) {
    if (!record_in_use(record)) return;
    runtime::programmer_values[record] = value;
    if ((runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0 && (runtime::run_flags & runtime::RUN_BLIND) == 0) {
        runtime::channel_flags[record] |= runtime::FLAG_MANUAL;
    }
    set_function_value(record, value);
    show_edited_value(record, value);
}

void show_edited_value(int16_t record, uint16_t value) {
    if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) != 0) return;
    const auto shown = static_cast<int16_t>(value == runtime::kValueNotSet ? ui::kCellEmpty : value);
    if (runtime::fader_bank == 0) {
        ui::refresh_preset_cells(record, 0, shown, ui::get_function_cell_colour(record), ui::get_library_cell_colour(record));
    } else {
        ui::refresh_preset_cells(record, 0, shown, 0, 0);
    }
}

}  // namespace programmer
