#include "programmer/slave_consoles.h"

#include <algorithm>

#include "runtime/channel_levels.h"
#include "runtime/fixture_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"

namespace programmer {

uint8_t slave_consoles = 0;
uint8_t slave_trigger_armed = 0;

void reset_slave_consoles_globals() {
    slave_consoles = 0;
    slave_trigger_armed = 0;
}

namespace {

// The function record that carries slot k of slave fixture f: its first
// record plus the channel its own type's map gives the slot; 0 when the type,
// the slot or the record lies outside what the show has.
int16_t slave_slot_record(int fixture, int slot) {
    if (fixture < 1 || fixture > setup::fixture_count || slot < 1 || slot > setup::kMaxTypeChannels) return 0;
    using setup::SetupData;
    const int type = setup::setup_data.u16(SetupData::fixture_field(fixture, setup::kFixtureTypeIndex)) + 1;
    if (type > setup::setup_type_count()) return 0;
    const int first = setup::setup_data.u16(SetupData::fixture_field(fixture, setup::kFixtureFirstRecord));
    const int channels = setup::setup_data.u8(SetupData::fixture_field(fixture, setup::kFixtureChannelCount));
    const int channel = setup::setup_data.u8(SetupData::type_function_map_field(type, slot - 1));
    if (channel >= std::min(channels, setup::kMaxTypeChannels)) return 0;
    const int record = first + channel;
    return record >= 1 && record <= runtime::function_record_count ? static_cast<int16_t>(record) : 0;
}

void send_to_slot(const runtime::SlaveConsole& slave, int slot, uint8_t level) {
    const int16_t record = slave_slot_record(slave.fixture, slot);
    if (record != 0) runtime::set_channel_level(record, level, 0, 0);
}

bool console_kind(const runtime::SlaveConsole& slave) {
    return slave.kind == SLAVE_CONSOLE || slave.kind == SLAVE_DESK_V2;
}

// Calls fn for every slave in list order.
template <typename Fn>
void for_each_slave(Fn fn) {
    const int count = std::clamp<int>(runtime::slave_console_count, 0, static_cast<int>(runtime::slave_console_list.size()));
    for (int i = 0; i < count; ++i) fn(runtime::slave_console_list[static_cast<size_t>(i)]);
}

}  // namespace

void send_slave_value(int16_t playback, uint8_t level) {
    if (playback < 1 || playback > kPlaybacks) return;
    for_each_slave([playback, level](const runtime::SlaveConsole& slave) {
        if (console_kind(slave) && playback <= kSlaveConsolePlaybacks) send_to_slot(slave, playback, level);
        if (slave.kind == SLAVE_WING && playback > kSlaveConsolePlaybacks) {
            send_to_slot(slave, playback - kSlaveConsolePlaybacks, level);
        }
    });
}

void send_slave_control(int16_t master, uint8_t level) {
    if (master < 1 || master > kMasters) return;
    for_each_slave([master, level](const runtime::SlaveConsole& slave) {
        if (console_kind(slave)) send_to_slot(slave, kSlaveMasterSlot + master, level);
    });
}

void send_slave_cue_numbers(uint8_t page, uint8_t cue, uint8_t point) {
    for_each_slave([page, cue, point](const runtime::SlaveConsole& slave) {
        if (!console_kind(slave)) return;
        send_to_slot(slave, kSlaveCuePageSlot, page);
        send_to_slot(slave, kSlaveCueSlot, cue);
        if (slave.kind == SLAVE_DESK_V2) send_to_slot(slave, kSlavePointSlot, static_cast<uint8_t>(point > 0 ? point - 1 : 0));
    });
}

void send_slave_trigger(uint8_t level) {
    for_each_slave([level](const runtime::SlaveConsole& slave) {
        if (console_kind(slave)) send_to_slot(slave, kSlaveTriggerSlot, level);
    });
    // The pulse is timed whatever the slaves: the poll lowers it only while
    // a slave is patched.
    const bool high = level >= kSlaveTriggerHigh;
    slave_trigger_armed = high ? 1 : 0;
    runtime::slave_trigger_countdown = high ? kSlaveTriggerPulse_ms : 0;
}

void reset_slave_triggers() {
    if (slave_consoles > 0) send_slave_trigger(0);
}

}  // namespace programmer
