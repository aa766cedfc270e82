#include "runtime/main_loop.h"

#include "memories/memories.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "platform/text_screen.h"
#include "programmer/fader_panel.h"
#include "programmer/function_belts.h"
#include "programmer/programmer_jobs.h"
#include "programmer/slave_consoles.h"
#include "playback/output_merge.h"
#include "playback/playback_jobs.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_reader.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "sync/cd_keys.h"
#include "sync/cd_requests.h"
#include "sync/audio_bands.h"
#include "sync/midi_input.h"
#include "sync/sync_services.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/mode_keys.h"
#include "ui/screens.h"
#include "ui/value_table.h"

namespace runtime {

int16_t input_pending_pc_key = 0;
int16_t input_pending_console_key = 0;
int16_t input_pending_key_ring = 0;
int16_t input_pending_remote_cue = 0;
int16_t input_pending_midi = 0;
int16_t pushed_back_key = 0;
uint64_t main_loop_passes = 0;

void reset_main_loop_globals() {
    input_pending_pc_key = 0;
    input_pending_console_key = 0;
    input_pending_key_ring = 0;
    input_pending_remote_cue = 0;
    input_pending_midi = 0;
    pushed_back_key = 0;
    main_loop_passes = 0;
}

namespace {

// Asks the sources in order; the first that answers sets its flag.
void poll_input() {
    if (platform::kbhit() != 0) {
        input_pending_pc_key = 1;
    } else if (is_console_key_pending()) {
        input_pending_console_key = 1;
    } else if (is_pc_key_pending()) {
        input_pending_key_ring = 1;
    } else if (poll_remote_cue_input()) {
        input_pending_remote_cue = 1;
    } else if (synchro::poll_midi_input()) {
        input_pending_midi = 1;
    }
}

void poll_cd_when_due() {
    if ((option_flags & OPT_TIMECODE_SCREEN) == 0 || synchro::cd_state.drive == synchro::kNoCdDrive ||
        synchro::timecode_source != synchro::kTimecodeSourceCdrom) {
        return;
    }
    STEP(synchro::poll_cd_status());
}

void run_periodic_jobs() {
    STEP(synchro::poll_audio_inputs());
    mode_flags &= ~MODE_BACKGROUND_READY;
    if ((synchro::timecode_mode == 1 || synchro::timecode_mode == 2) &&
        synchro::timecode_source != synchro::kTimecodeSourceManual && synchro::cd_keys_active == 0) {
        STEP(synchro::run_timecode_tick());
    }
    STEP(playback::run_sequences());
    STEP(ui::cycle_rate_step());
    STEP(memories::update_masters(0));
    STEP(playback::scan_playback_faders(0));
    STEP(playback::read_sequence_controls());
    STEP(programmer::poll_function_belts());
    STEP(playback::run_cue_fades());
    STEP(playback::update_dirty_outputs());
    STEP(playback::premove_dark_fixtures());
    STEP(programmer::run_lamp_command_queue());
    if (programmer::slave_consoles > 0 && programmer::slave_trigger_armed == 1 && slave_trigger_countdown <= 0) {
        STEP(programmer::send_slave_trigger(0));
    }
    STEP(programmer::follow_live_values());
    poll_cd_when_due();
    STEP(watch_wing());
    STEP(update_timers());
    STEP(ui::check_memory_status());
    mode_flags |= MODE_BACKGROUND_READY;
}

}  // namespace

bool is_input_pending() {
    return input_pending_pc_key != 0 || input_pending_console_key != 0 || input_pending_key_ring != 0 ||
           input_pending_remote_cue != 0 || input_pending_midi != 0 || pushed_back_key != 0;
}

void clear_input_pending_flags() {
    input_pending_pc_key = 0;
    input_pending_console_key = 0;
    input_pending_key_ring = 0;
    input_pending_remote_cue = 0;
    pushed_back_key = 0;
    input_pending_midi = 0;
}

void run_background() {
    platform::TextSettings saved_text_settings{};
    platform::_gettextsettings(saved_text_settings);
    const int saved_colour = platform::_getcolor();
    platform::idle_poll();  // the host's or the rig's turn: window, time, hand-over
    end_wing_tone_when_due();  // on every pass, also while input waits or the setup is open
    if (!is_input_pending()) poll_input();
    if (!is_input_pending() && restart_requested == 0 && (mode_flags & MODE_IN_SETUP) == 0 &&
        (mode_flags & MODE_BACKGROUND_READY) != 0) {
        run_periodic_jobs();
    }
    ui::set_text_style(static_cast<int16_t>(saved_text_settings.font), static_cast<int16_t>(saved_text_settings.direction),
                       static_cast<int16_t>(saved_text_settings.char_size));
    platform::_setcolor(saved_colour);
}

void run_main_loop() {
    clear_input_pending_flags();
    STEP(synchro::enable_card_midi());
    for (;;) {
        ++main_loop_passes;
        ui::show_output_values();
        if (display_mode == 1) {
            read_mouse(0);
            handle_mouse_click();
        } else {
            read_trackerball(0);
            step_mode_wheels();
        }
        run_background();
        if (!is_input_pending()) continue;
        int16_t key = 0;
        if (get_key(&key) && key != 0) {
            dispatch_key(key);
            if (restart_requested != 0 || quit_requested != 0) return;
        }
    }
}

}  // namespace runtime
