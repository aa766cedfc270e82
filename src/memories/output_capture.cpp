#include "memories/output_capture.h"

#include "memories/programmer_selection.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/programmer_values.h"
#include "runtime/channel_levels.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/value_table.h"

namespace memories {

namespace {

constexpr int kCardChannels = 512;
constexpr int kCards = 4;

int16_t fixture_field_i16(int16_t fixture, size_t field) {
    return static_cast<int16_t>(setup::setup_data.u16(setup::SetupData::fixture_field(fixture, field)));
}

// Output position of channel c of fixture f (cards one after another, 512
// channels each); 0 when the channel has no place on a card.
int16_t output_position(int16_t fixture, int16_t channel) {
    const int card = setup::setup_data.u8(setup::SetupData::fixture_field(fixture, setup::kFixtureCard));
    const int address = fixture_field_i16(fixture, setup::kFixtureAddress);
    const int on_card = address + channel - 1;
    if (card < 1 || card > kCards || address < 1 || on_card > kCardChannels) return 0;
    return static_cast<int16_t>((card - 1) * kCardChannels + on_card);
}

// The record that drives channel c of fixture f: its first record plus the
// type's channel map entry.
int16_t record_of_channel(int16_t fixture, int16_t channel) {
    const int type = setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureTypeIndex)) + 1;
    const int first = setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureFirstRecord));
    const int offset = setup::setup_data.u8(setup::SetupData::type_function_map_field(type, channel - 1));
    return static_cast<int16_t>(first + offset);
}

}  // namespace

void read_outputs_into_programmer() {
    ui::beep_interruptible(800, 25);
    for (int16_t f = 1; f <= setup::fixture_count; ++f) {
        if (!fixture_is_selected(f)) continue;
        const int16_t channels = fixture_channel_count(f);
        for (int16_t c = 1; c <= channels; ++c) {
            const int16_t position = output_position(f, c);
            const int16_t record = record_of_channel(f, c);
            if (position == 0 || record < 1 || record > runtime::function_record_count) continue;
            const uint8_t level = runtime::get_output_level(position);
            runtime::programmer_values[record] = level;
            programmer::set_function_value(record, level);
        }
    }
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) return;
    programmer::update_fixture_key_leds();
    ui::refresh_table_view();
    programmer::refresh_faders();
}

}  // namespace memories
