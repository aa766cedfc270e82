#include "sync/timecode_record.h"

#include <algorithm>
#include <cstdio>

#include "memories/master_state.h"
#include "memories/memories.h"
#include "playback/key_groups.h"
#include "playback/playback_flash.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "sync/midi_events.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_player.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/value_table.h"

namespace synchro {

std::array<double, memories::kMasters + 1> master_flash_pressed_at{};
std::array<double, playback::kPlaybacks + 1> playback_flash_pressed_at{};
TimecodeEvent learned_event;

namespace {

// Room for an event formatted from 16-bit numbers ("P -32768 -32768 -32768");
// the list keeps its first characters.
constexpr size_t kFormattedEventBytes = 24;

using namespace runtime::keys;

constexpr size_t kSeedEvents = 5;
constexpr int32_t kConfirmHz = 800;
constexpr int32_t kErrorHz = 400;
constexpr uint32_t kErrorMs = 2000;
constexpr const char* kStopPrompt = "PRESS 'STOP' TO STOP RECORDING...";

// Shown once per recording when the list is full, so that the operator
// knows that later actions are not recorded.
bool list_full_reported = false;

void not_enough_memory() {
    timecode_mode = kTimecodeIdle;
    ui::show_message("NOT ENOUGH MEMORY...");
    ui::beep(kErrorHz, kErrorMs);
}

bool list_has_room() {
    if (timecode_list.count < kMostRecordedEvents) return true;
    if (!list_full_reported) {
        list_full_reported = true;
        ui::show_message("LIST FULL...");
    }
    return false;
}

// An event inserted after every event at or before `at`; the player keeps
// pointing at the same next event.
bool insert_recorded_event(double at, const char* text) {
    int32_t i = 1;
    while (i <= timecode_list.count && timecode_event(i).time <= at) ++i;
    if (!insert_timecode_event(i, at, text)) {
        not_enough_memory();
        return false;
    }
    if (i <= timecode_player.next_event) ++timecode_player.next_event;
    return true;
}

void learn(const char* text) {
    learned_event.flags = EVENT_MARK_1;
    set_event_text(learned_event, text);
}

// A hook's event: inserted at the list time while recording, learned while
// capturing.
bool record_event(const char* text) {
    if (timecode_mode == kTimecodeRecord) {
        if (!list_has_room()) return true;
        return insert_recorded_event(read_timecode_seconds(), text);
    }
    if (timecode_mode == kTimecodeCapture && timecode_list.count < kMostRecordedEvents) learn(text);
    return true;
}

double& pressed_at(int16_t fader) {
    if (fader >= 1 && fader <= memories::kMasters) return master_flash_pressed_at[static_cast<size_t>(fader)];
    return playback_flash_pressed_at[static_cast<size_t>(fader - kPlaybackFaderBase)];
}

bool valid_fader(int16_t fader) {
    return (fader >= 1 && fader <= memories::kMasters) ||
           (fader >= kFirstPlaybackFader && fader < kFirstPlaybackFader + playback::kPlaybacks);
}

bool seed_empty_list() {
    if (timecode_list.count != 0) return true;
    if (timecode_list.capacity < static_cast<int32_t>(kSeedEvents) && !reserve_timecode_event()) {
        not_enough_memory();
        return false;
    }
    char text[kFormattedEventBytes];
    std::snprintf(text, sizeof text, "C %d %d", playback::current_cue_page, playback::current_cue);
    insert_timecode_event(1, 0.0, text);
    for (int s = 1; s <= playback::kSequences; ++s) {
        std::snprintf(text, sizeof text, "S %d 1 %d", s,
                      playback::sequence_run_state(playback::sequence_table[static_cast<size_t>(s)]));
        insert_timecode_event(s + 1, 0.0, text);
    }
    return true;
}

bool key_left_to_recording(int16_t key) {
    return key == KEY_LOAD || key == KEY_LOAD + 1 || key == KEY_LOAD + 2 || key == KEY_COPY ||
           (key >= KEY_PLAY && key <= KEY_TIMECODE_MODE);
}

}  // namespace

void reset_timecode_record_globals() {
    master_flash_pressed_at = {};
    playback_flash_pressed_at = {};
    learned_event = {};
    list_full_reported = false;
}

void reset_fader_overrides(double at) {
    memories::master_timecode_flash.fill(0);
    memories::master_timecode_remaining_s.fill(0.0);
    playback::playback_timecode_flash.fill(0);
    playback::playback_timecode_remaining_s.fill(0.0);
    playback::playback_flash_state.fill(0);
    master_flash_pressed_at.fill(at);
    playback_flash_pressed_at.fill(at);
}

void record_timecode_events() {
    if (timecode_source == kTimecodeSourceManual) {
        ui::show_message("PLEASE SELECT ANOTHER MODE...");
        ui::beep_interruptible(kErrorHz, kErrorMs);
        return;
    }
    sort_timecode_events();
    int16_t key = 0;
    if (timecode_source == kTimecodeSourceMidi || timecode_source == kTimecodeSourceSmpte) {
        ui::show_message("PRESS 'REC' TO START RECORDING...");
        ui::beep(kConfirmHz, 200);
        while (!runtime::get_key(&key)) {
        }
    } else {
        ui::show_message("EDIT TIME AND PRESS 'REC'...");
        ui::beep(kConfirmHz, 200);
        key = edit_start_time();
    }
    if (key != KEY_REC && key != KEY_ENTER) {
        ui::show_message("RECORDING CANCELLED");
        ui::beep(kErrorHz, 800);
        return;
    }
    ui::show_message(kStopPrompt);
    start_timecode_source();
    run_timecode_record_loop();
    stop_timecode_source();
    draw_timecode_digits(display_time);
    ui::show_message("END OF RECORDING...");
    ui::beep(kConfirmHz, 400);
}

bool run_timecode_record_loop() {
    const int32_t count_before = timecode_list.count;
    if (!seed_empty_list()) return false;
    timecode_mode = kTimecodeRecord;
    list_full_reported = false;
    reset_timecode_player();
    if (timecode_source == kTimecodeSourcePcTimer) anchor_pc_timer(display_time);
    reset_fader_overrides(kNotPressed);
    while (timecode_mode == kTimecodeRecord) {
        runtime::read_trackerball(0);
        runtime::step_mode_wheels();
        runtime::run_background();
        ui::show_output_values();
        if (!runtime::is_input_pending()) continue;
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_STOP) {
            finish_timecode_recording();
        } else if (!key_left_to_recording(key)) {
            runtime::dispatch_key(key);
            ui::show_message(kStopPrompt);
        }
    }
    if (timecode_list.count != count_before) save_timecode_list("autosave");
    reset_fader_overrides(kNotPressed);
    timecode_mode = kTimecodeIdle;
    return true;
}

bool finish_timecode_recording() {
    if (timecode_mode != kTimecodeRecord) return true;
    timecode_mode = kTimecodeIdle;
    double end = read_timecode_seconds();
    for (int32_t i = 1; i <= timecode_list.count; ++i) end = std::max(end, timecode_event(i).time);
    int32_t found = 0;
    for (int32_t i = 1; i <= timecode_list.count && found == 0; ++i) {
        if (event_text(timecode_event(i)) == "END") found = i;
    }
    if (found != 0) {
        timecode_event(found).time = end;
    } else {
        if (!reserve_one_timecode_event()) {
            not_enough_memory();
            return false;
        }
        insert_timecode_event(timecode_list.count + 1, end, "END");
    }
    if (timecode_source != kTimecodeSourceManual) sort_timecode_events();
    return true;
}

// Each hook also records its call in the step log: the operations that call
// them are tested by what they passed, whether or not a list records.
bool record_memory_event(int16_t memory) {
    runtime::log_call("synchro::record_memory_event", {memory});
    char text[kFormattedEventBytes];
    std::snprintf(text, sizeof text, "M %d", memory);
    return record_event(text);
}

bool record_cue_event(int16_t page, int16_t cue, int16_t point) {
    runtime::log_call("synchro::record_cue_event", {page, cue, point});
    char text[kFormattedEventBytes];
    std::snprintf(text, sizeof text, "P %d %d %d", page, cue, point);
    return record_event(text);
}

bool record_sequence_event(int16_t sequence, int16_t action, int16_t value) {
    runtime::log_call("synchro::record_sequence_event", {sequence, action, value});
    char text[kFormattedEventBytes];
    std::snprintf(text, sizeof text, "S %d %d %d", sequence, action, value);
    return record_event(text);
}

// A flash held while recording becomes one F event at its press time that
// holds the flash as long as it was held.
bool record_fader_event(int16_t fader, uint8_t pressed) {
    runtime::log_call("synchro::record_fader_event", {fader, pressed});
    if (!valid_fader(fader)) return true;
    char text[kFormattedEventBytes];
    if (timecode_mode == kTimecodeRecord) {
        if (!list_has_room()) return true;
        const double now = read_timecode_seconds();
        double& at = pressed_at(fader);
        if (pressed != 0) {
            at = now;
            return true;
        }
        const double down = at;
        at = kNotPressed;
        if (down == kNotPressed || down > now) return true;
        std::snprintf(text, sizeof text, "F %d %09.3lf", fader, now - down);
        return insert_recorded_event(down, text);
    }
    if (timecode_mode == kTimecodeCapture && pressed != 0 && timecode_list.count < kMostRecordedEvents) {
        std::snprintf(text, sizeof text, "F %d %09.3lf", fader, 0.5);
        learn(text);
    }
    return true;
}

}  // namespace synchro
