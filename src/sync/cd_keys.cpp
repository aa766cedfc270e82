#include "sync/cd_keys.h"

#include <array>

#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/config_records.h"
#include "runtime/timers.h"
#include "sync/cd_requests.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace synchro {

uint8_t cd_keys_active = 0;

int cd_track_holding(int32_t frames) {
    for (int t = 1; t <= cd_state.track_count; ++t) {
        const size_t i = static_cast<size_t>(t);
        if (frames >= cd_state.track_start[i] && frames <= cd_state.track_end[i]) return t;
    }
    return 1;
}

void reset_cd_keys_globals() { cd_keys_active = 0; }

namespace {

constexpr uint32_t kHoldMs = 750;
constexpr uint32_t kWindStepMs = 49;    // a wind step once more than this has passed
constexpr int32_t kStatusPollMs = 5001;
constexpr int32_t kWrapBackFrames = 750;  // 10 s before the disc's end
constexpr bool kClockAreaTrack = false;  // draw_timecode_clock: the track changed
constexpr bool kClockAreaDisc = true;    // draw_timecode_clock: the disc changed
constexpr int32_t kTriggerBeepHz = 800;
constexpr uint32_t kTriggerBeepMs = 200;

// The LEDs put out while the trigger time is entered.
constexpr std::array<int16_t, 8> kTriggerEntryDarkKeys = {
    runtime::KEY_PLUS,  runtime::KEY_MINUS, runtime::KEY_PAGE_UP,       runtime::KEY_PAGE_DOWN,
    runtime::KEY_COPY,  runtime::KEY_CLR,   runtime::KEY_INSERT_EVENTS, runtime::KEY_ADD_EVENTS};

bool key_held(int16_t key) { return runtime::key_down_table[static_cast<size_t>(key)] != 0; }

// Milliseconds the clock moved since the last call.
uint32_t moved_ms(uint32_t& seen_ms) {
    const uint32_t now_ms = runtime::clock_ms;
    const uint32_t moved = now_ms >= seen_ms ? now_ms - seen_ms : 0;
    seen_ms = now_ms;
    return moved;
}

// One pass of the background poll; a pending input is read and dropped
// (a release of the key handled updates the key table on the way).
void poll_and_drop_input() {
    runtime::run_background();
    if (runtime::is_input_pending()) {
        int16_t key = 0;
        runtime::get_key(&key);
    }
}

void show_cd_position() {
    const CdTime& p = cd_state.current_position;
    draw_timecode_digits(p.minutes * 60.0 + p.seconds + p.frames / static_cast<double>(kCdFramesPerSecond));
}


void store_trigger_time() {
    for (const int16_t key : kTriggerEntryDarkKeys) runtime::set_key_led(key, runtime::LED_OFF);
    const std::array<char, ui::kMessageTextBytes> kept = ui::last_message_text;
    ui::show_message("EDIT TRIGGER-TIME (ESC=CANCEL)");
    ui::beep(kTriggerBeepHz, kTriggerBeepMs);
    edit_start_time();
    cd_state.trigger_track = cd_state.current_track;
    cd_state.trigger_time = cd_state.current_position;
    ui::show_message("%s", kept.data());
}

void wind(int16_t key) {
    const int direction = key == runtime::KEY_PLUS ? 1 : -1;
    uint32_t seen_ms = runtime::clock_ms;
    uint32_t summed_ms = 0;
    while (cd_state.disc_ready != 0 && key_held(key)) {
        summed_ms += moved_ms(seen_ms);
        if (summed_ms > kWindStepMs) {
            summed_ms = 0;
            move_cd_position(direction);
        }
        poll_and_drop_input();
    }
}

}  // namespace

void edit_cd_trigger_time(int16_t key) {
    if (key != runtime::KEY_EDIT_VALUE && key != runtime::KEY_PLUS && key != runtime::KEY_MINUS) return;
    cd_keys_active = 1;
    runtime::set_key_led(key, runtime::LED_ON);
    stop_smpte_generator();
    const uint8_t play_state = cd_state.play_state;

    uint32_t seen_ms = runtime::clock_ms;
    uint32_t held_ms = 0;
    while (key_held(key) && held_ms < kHoldMs) {
        poll_and_drop_input();
        held_ms += moved_ms(seen_ms);
    }
    const bool was_playing = play_state == kCdPlaying && cd_state.disc_ready != 0;
    if (was_playing) stop_cd_audio();

    if (!key_held(key)) {
        if (key == runtime::KEY_MINUS) step_cd_track(-1);
        if (key == runtime::KEY_PLUS) step_cd_track(1);
        if (key == runtime::KEY_EDIT_VALUE) recall_cd_trigger();
    } else if (cd_state.disc_ready != 0) {
        if (key == runtime::KEY_EDIT_VALUE) {
            store_trigger_time();
        } else {
            wind(key);
        }
    }

    if (play_state == kCdPlaying && cd_state.disc_ready != 0) play_cd_from_current_position();
    runtime::set_key_led(key, runtime::LED_BLINK);
    cd_keys_active = 0;
}

void move_cd_position(int seconds) {
    if (!valid_cd_track(cd_state.track_count)) return;
    const int32_t first_start = cd_state.track_start[1];
    const int32_t last_end = cd_state.track_end[cd_state.track_count];
    int32_t frames = cd_position_frames() + kCdFramesPerSecond * seconds;
    if (frames > last_end) frames = first_start;
    if (frames < first_start) frames = last_end - kWrapBackFrames;
    cd_state.current_position = convert_frames_to_msf(frames);
    const int track = cd_track_holding(frames);
    if (track != cd_state.current_track) {
        cd_state.current_track = static_cast<uint8_t>(track);
        draw_timecode_clock(kClockAreaTrack);
    }
    show_cd_position();
}

void step_cd_track(int tracks) {
    go_to_cd_track_start(cd_track_after_step(tracks));
    show_cd_position();
    draw_timecode_clock(kClockAreaTrack);
}

void recall_cd_trigger() {
    const uint8_t track = cd_state.current_track;
    cd_state.current_track = cd_state.trigger_track;
    cd_state.current_position = cd_state.trigger_time;
    show_cd_position();
    if (cd_state.current_track != track) draw_timecode_clock(kClockAreaTrack);
}

void rewind_cd_to_start() {
    cd_keys_active = 1;
    const bool was_playing = cd_state.play_state == kCdPlaying;
    if (was_playing) stop_cd_audio();
    go_to_cd_track_start(1);
    show_cd_position();
    draw_timecode_clock(kClockAreaTrack);
    if (was_playing) play_cd_from_current_position();
    cd_keys_active = 0;
}

void poll_cd_status() {
    if (cd_state.status_poll_ms + static_cast<int32_t>(runtime::clock_delta) < kStatusPollMs) {
        cd_state.status_poll_ms += static_cast<int32_t>(runtime::clock_delta);
        return;
    }
    cd_state.status_poll_ms = 0;
    if (check_cd_disc()) draw_timecode_clock(kClockAreaDisc);
}

}  // namespace synchro
