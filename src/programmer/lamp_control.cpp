#include "programmer/lamp_control.h"

#include <algorithm>

#include "memcheck/memcheck.h"
#include "playback/commands.h"
#include "playback/key_groups.h"
#include "playback/output_merge.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/park_tables.h"
#include "programmer/programmer_jobs.h"
#include "runtime/channel_levels.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/lamp_commands.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/value_table.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> lamp_pending_command{};

void reset_lamp_control_globals() { lamp_pending_command = {}; }

namespace {

size_t at(int i) { return static_cast<size_t>(i); }
int last_fixture() { return std::min<int>(setup::fixture_count, kFixtures); }
bool patched(int n) { return n >= 1 && n <= last_fixture(); }

bool is_fixture_key(int16_t key) { return key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70; }
bool is_group_key(int16_t key) { return key >= runtime::KEY_GROUP_1 && key <= runtime::KEY_GROUP_16; }
bool cue_screen() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }

int16_t type_of(int16_t fixture) {
    const int record = runtime::fixture_channel_record(fixture, 1);
    if (record == 0 || runtime::function_record_table == nullptr) return -1;
    return runtime::function_record_table[record].type;
}

// The function record that carries function slot `function` (1..32) of the
// fixture's type on the fixture, 0 when the fixture has no such channel.
int16_t record_of_function(int16_t fixture, uint16_t function) {
    const int16_t type = type_of(fixture);
    if (type < 0 || type >= setup::kMaxFixtureTypes || function < 1 || function > runtime::kLampFunctions) return 0;
    const int channel = setup::setup_data.u8(setup::SetupData::type_function_map_field(type + 1, function - 1)) + 1;
    if (channel > runtime::kTypeChannels) return 0;
    const int record = runtime::fixture_channel_record(fixture, channel);
    if (record == 0) return 0;
    const runtime::FunctionRecord& r = runtime::function_record_table[record];
    if (r.fixture != fixture || r.channel != channel) return 0;
    return static_cast<int16_t>(record);
}

bool append_event(const runtime::LampEvent& event) {
    const auto count = static_cast<size_t>(runtime::lamp_event_count);
    void* grown =
        memcheck::mc_realloc_at(runtime::lamp_event_queue, (count + 1) * sizeof(runtime::LampEvent), __FILE__, __LINE__);
    if (grown == nullptr) return false;
    runtime::lamp_event_queue = static_cast<runtime::LampEvent*>(grown);
    runtime::lamp_event_queue[count] = event;
    runtime::lamp_event_count = static_cast<int16_t>(count + 1);
    return true;
}

// A fixture whose every queued step has run has no command pending any
// more, also when its macro has no release step (its channels stay held).
void finish_fixture_when_done(int16_t fixture) {
    for (int i = 0; i < runtime::lamp_event_count; ++i) {
        const runtime::LampEvent& e = runtime::lamp_event_queue[i];
        if (e.fixture == fixture && e.pending == 1 && e.done == 0) return;
    }
    if (patched(fixture) && lamp_pending_command[at(fixture)] == kLampQueued) lamp_pending_command[at(fixture)] = 0;
}

void run_lamp_event(runtime::LampEvent& event) {
    const int16_t record = record_of_function(event.fixture, event.function);
    event.done = 1;
    if (record != 0) {
        const auto r = at(record);
        if (event.value == runtime::kLampRelease) {
            park_flags[r] = 0;
            runtime::set_channel_level(record, park_values[r], 0, 0);
            // The merge kept its last-sent value while the channel was held;
            // forget it so that the next merge sends the level of now.
            if (runtime::last_sent_values != nullptr && record <= runtime::function_record_count) {
                runtime::last_sent_values[record] = runtime::kValueNotSet;
            }
            playback::mark_channel_dirty(record);
            if (patched(event.fixture)) lamp_pending_command[at(event.fixture)] = 0;
        } else {
            if (park_flags[r] == 0) {
                const int position = setup::channel_patch_tables[0][r];
                park_values[r] = runtime::get_channel_level(static_cast<int16_t>(position));
            }
            park_flags[r] = event.command;
            runtime::set_channel_level(record, static_cast<uint8_t>(std::min<uint16_t>(event.value, 255)), 1, 0);
        }
    }
    finish_fixture_when_done(event.fixture);
}

// The fixture on key k of the shown page, 0 none.
int16_t fixture_on_key(int key) {
    const int page = runtime::fixture_page;
    if (page < 1 || page > runtime::kFixturePages) return 0;
    if (key < 1 || key > runtime::fixture_bank_counts[at(page)]) return 0;
    const int n = runtime::fixture_bank_keys[at(page)][at(key)] + 1;
    return patched(n) ? static_cast<int16_t>(n) : 0;
}

int shown_page_count() {
    const int page = runtime::fixture_page;
    return page >= 1 && page <= runtime::kFixturePages ? runtime::fixture_bank_counts[at(page)] : 0;
}

// Occupied fixture keys of the page blink in both colours.
void blink_fixture_keys() {
    const int count = shown_page_count();
    for (int k = 1; k <= count && k <= runtime::kFixtureKeys; ++k) {
        runtime::set_key_led(runtime::fixture_key(k), runtime::LED_BLINK_BOTH);
    }
}


void refresh_values() {
    if (!cue_screen()) ui::refresh_table_view();
}

}  // namespace

void mark_fixture_range_command(int16_t first, int16_t last, uint8_t command) {
    const int low = std::max<int>(std::min(first, last), 1);
    const int high = std::min<int>(std::max(first, last), kFixtures);
    for (int n = low; n <= high; ++n) {
        if (lamp_pending_command[at(n)] == 0) lamp_pending_command[at(n)] = command;
    }
}

void mark_group_range_command(int16_t first, int16_t last, uint8_t command) {
    std::array<uint8_t, kFixtures + 1> collected{};
    const int low = std::max<int>(std::min(first, last), 1);
    const int high = std::min<int>(std::max(first, last), kGroups);
    for (int g = low; g <= high; ++g) {
        for (int n = 1; n <= kFixtures; ++n) {
            if (group_table[at(g)][at(n)] == 1) collected[at(n)] = 1;
        }
    }
    for (int n = 1; n <= kFixtures; ++n) {
        if (collected[at(n)] == 1 && lamp_pending_command[at(n)] == 0) lamp_pending_command[at(n)] = command;
    }
}

void queue_lamp_command(int16_t fixture, uint8_t command) {
    if (!patched(fixture)) return;
    lamp_pending_command[at(fixture)] = 0;
    uint32_t start = runtime::get_time_ms();
    if (command == runtime::LAMP_ON && runtime::lamp_event_queue != nullptr) {
        bool found = false;
        uint32_t latest = 0;
        for (int i = 0; i < runtime::lamp_event_count; ++i) {
            const runtime::LampEvent& e = runtime::lamp_event_queue[i];
            if (e.command != kIgnitionMarker) continue;
            if (!found || e.due > latest) latest = e.due;
            found = true;
        }
        if (found) start = std::max(start, latest + kIgnitionSpacing_ms);
    }
    const int16_t type = type_of(fixture);
    if (type < 0 || type >= runtime::kLampMacroTypes) return;
    const auto t = at(type + 1);
    const runtime::LampStep* steps = runtime::lamp_macro_steps[t];
    bool marker_placed = false;
    for (int i = 0; steps != nullptr && i < runtime::lamp_macro_step_count[t]; ++i) {
        const runtime::LampStep& step = steps[i];
        if (step.command != command) continue;
        runtime::LampEvent event;
        event.pending = 1;
        event.done = 0;
        event.due = start + step.delay * 100u;
        event.function = step.function;
        event.value = step.value;
        event.command = command;
        event.fixture = fixture;
        if (!append_event(event)) continue;
        lamp_pending_command[at(fixture)] = kLampQueued;
        if (command == runtime::LAMP_ON && !marker_placed) {
            event.done = 1;
            event.due = start;
            event.command = kIgnitionMarker;
            append_event(event);
            marker_placed = true;
        }
    }
}

void run_lamp_command_queue() {
    for (int n = 1; n <= last_fixture(); ++n) {
        const uint8_t pending = lamp_pending_command[at(n)];
        if (pending >= 1 && pending <= 9) {
            queue_lamp_command(static_cast<int16_t>(n), pending);
            break;
        }
    }
    if (runtime::lamp_event_queue == nullptr) return;
    const uint32_t now = runtime::get_time_ms();
    bool waiting = false;
    for (int i = 0; i < runtime::lamp_event_count; ++i) {
        runtime::LampEvent& event = runtime::lamp_event_queue[i];
        if (event.pending != 1 || event.done != 0) continue;
        if (static_cast<int32_t>(now - event.due) < 0) {
            waiting = true;
            continue;
        }
        run_lamp_event(event);
    }
    if (!waiting) runtime::clear_lamp_event_queue();
}

void run_lamp_command_screen(int16_t key) {
    if (key < runtime::KEY_IGNITE || key > runtime::KEY_LAMP_RESET) return;
    const auto command = static_cast<uint8_t>(key - runtime::KEY_IGNITE + 1);
    static constexpr const char* kPrompts[] = {"SELECT FIXTURES TO IGNITE", "SELECT FIXTURES TO SHUT OFF",
                                               "SELECT FIXTURES TO RESET"};
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    ui::beep(800, 25);
    ui::show_message("%s", kPrompts[command - 1]);
    runtime::set_key_led(key, runtime::LED_ON);
    runtime::set_key_led(runtime::KEY_ALL, runtime::LED_BLINK_BOTH);
    const bool was_cue_screen = cue_screen();
    if (was_cue_screen) set_fixture_page(runtime::fixture_page);
    show_group_bank_leds(runtime::LED_BLINK_BOTH);
    blink_fixture_keys();

    for (;;) {
        int16_t event = 0;
        if (!runtime::get_key(&event)) continue;
        if (event == key || event == runtime::KEY_ESC) break;
        int16_t second = 0;
        if (is_fixture_key(event) && event - runtime::KEY_FIXTURE_1 + 1 <= shown_page_count()) {
            const ui::KeyPair pair = ui::read_second_key(event, key, is_fixture_key, &second);
            if (pair == ui::KeyPair::end) break;
            const int key_a = event - runtime::KEY_FIXTURE_1 + 1;
            const int key_b = pair == ui::KeyPair::range ? std::min(second - runtime::KEY_FIXTURE_1 + 1, shown_page_count()) : key_a;
            const int16_t a = fixture_on_key(key_a);
            const int16_t b = fixture_on_key(key_b);
            if (a != 0 && b != 0) mark_fixture_range_command(a, b, command);
            refresh_values();
        } else if (is_group_key(event)) {
            const ui::KeyPair pair = ui::read_second_key(event, key, is_group_key, &second);
            if (pair == ui::KeyPair::end) break;
            const int16_t g1 = group_of_key(event);
            const int16_t g2 = pair == ui::KeyPair::range ? group_of_key(second) : g1;
            mark_group_range_command(g1, g2, command);
            refresh_values();
        } else if (event == runtime::KEY_ALL) {
            if (last_fixture() > 0) mark_fixture_range_command(1, static_cast<int16_t>(last_fixture()), command);
            refresh_values();
        }
    }

    runtime::set_key_led(runtime::KEY_ALL, runtime::LED_OFF);
    update_group_leds();
    ui::clear_message();  // the message box back to the memory state
    update_fixture_key_leds();
    if (was_cue_screen) playback::show_cue_page(playback::current_cue_page);
    runtime::set_key_led(key, runtime::LED_OFF);
}

}  // namespace programmer
