#include "playback/playback_flash.h"

#include <algorithm>

#include "memories/master_state.h"
#include "memories/masters.h"
#include "memories/memory_index.h"
#include "playback/cue_editing.h"
#include "playback/cue_tables.h"
#include "playback/output_merge.h"
#include "playback/playback_labels.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "programmer/slave_consoles.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "setup/dmx_inputs.h"
#include "setup/setup_data.h"
#include "sync/midi_events.h"
#include "sync/midi_output.h"
#include "sync/sync_services.h"
#include "ui/edit_keys.h"
#include "ui/fader_widget.h"

namespace playback {

std::array<int32_t, kPlaybacks + 1> playback_fader_levels{};
std::array<int32_t, kPlaybacks + 1> playback_previous_fader_levels{};
std::array<int32_t, kPlaybacks + 1> playback_inverse_levels{};
std::array<uint8_t, kPlaybacks + 1> playback_flash_state{};
std::array<int32_t, kPlaybacks + 1> playback_flash_levels{};
std::array<uint32_t, kPlaybacks + 1> playback_flash_start_times{};
std::array<int32_t, kPlaybacks + 1> playback_flash_from_levels{};
std::array<uint32_t, kPlaybacks + 1> playback_beat_counts{};
std::array<uint8_t, kPlaybacks + 1> playback_beat_hold_counts{};

void reset_playback_flash_globals() {
    playback_fader_levels = {};
    playback_previous_fader_levels = {};
    playback_inverse_levels = {};
    playback_flash_state = {};
    playback_flash_levels = {};
    playback_flash_start_times = {};
    playback_flash_from_levels = {};
    playback_beat_counts = {};
    playback_beat_hold_counts = {};
}

namespace {

constexpr int kConsolePlaybacks = 10;
constexpr int16_t kLastDmxInStart = 496;
constexpr int32_t kLevelScale = 257;
constexpr int16_t kStartLevel = 5;
constexpr int kFaderEventBase = 100;  // the recorder numbers playbacks 101..142
constexpr uint8_t kBeatHoldPolls = 5;
constexpr uint8_t kBeatReleased = 2;
constexpr uint8_t kBeatJustPressed = 1;

size_t at(int n) { return static_cast<size_t>(n); }

bool valid_playback(int p) { return p >= 1 && p <= kPlaybacks; }
bool runs_a_memory(const PlaybackRecord& r) { return r.memory >= 1 && r.memory <= memories::kMemories; }

int32_t flash_master_level() {
    return std::clamp<int32_t>(memories::master_levels[memories::kFlashMaster], 0, 255) * kLevelScale;
}

bool has_hardware_fader(int p) {
    const runtime::HwOptionFlags& hw = runtime::hw_option_flags;
    return p <= kConsolePlaybacks ? hw.analogue_playbacks != 0 : hw.playback_wing != 0;
}

// One step of a flash phase towards target; true on arrival.
bool fade_towards(int p, int32_t target, uint16_t time_tenths, uint32_t elapsed_ms) {
    const uint32_t duration_ms = static_cast<uint32_t>(time_tenths) * 100;
    const auto step = elapsed_ms < duration_ms
                          ? static_cast<int32_t>(static_cast<double>(elapsed_ms) / duration_ms * 65535.0)
                          : int32_t{65535};
    const int32_t from = playback_flash_from_levels[at(p)];
    int32_t& level = playback_flash_levels[at(p)];
    if (from < target) {
        level = from + step;
        if (level < target) return false;
    } else {
        level = from - step;
        if (level > target) return false;
    }
    level = target;
    return true;
}

// A beat flashes the playback for four polls: press on the beat, release on
// the fifth poll without one. A beat on the poll right after a press
// releases first, and the next poll presses again.
void run_sound_trigger(int p, uint8_t band) {
    const uint32_t beats = synchro::audio_band_beats[at(band)];
    uint8_t& hold = playback_beat_hold_counts[at(p)];
    const auto fader = static_cast<int16_t>(kFaderEventBase + p);
    if (beats == playback_beat_counts[at(p)]) {
        hold = static_cast<uint8_t>(std::min<int>(hold + 1, 255));
        if (hold == kBeatHoldPolls) {
            handle_flash_key(static_cast<int16_t>(p), kFlashRelease);
            synchro::record_fader_event(fader, 0);
            hold = kBeatReleased;
        }
    } else if (hold == kBeatJustPressed) {
        handle_flash_key(static_cast<int16_t>(p), kFlashRelease);
        synchro::record_fader_event(fader, 0);
        hold = kBeatReleased;
    } else {
        playback_beat_counts[at(p)] = beats;
        handle_flash_key(static_cast<int16_t>(p), kFlashPress);
        synchro::record_fader_event(fader, 1);
        hold = kBeatJustPressed;
    }
}

int32_t source_level(int p) {
    int32_t s = 0;
    if (has_hardware_fader(p)) {
        const uint8_t band = get_playback_sound_band(playback_table[at(p)]);
        if (band != 0) run_sound_trigger(p, band);
        s = runtime::read_playback_fader(static_cast<int16_t>(p));
    } else {
        s = std::clamp<int32_t>(playback_fader_states[at(p)].screen_level, 0, 255);
    }
    if (p <= kConsolePlaybacks) {
        if (setup::dmx_in1_enabled == 1 && setup::dmx_in1_start >= 1 && setup::dmx_in1_start <= kLastDmxInStart) {
            s = std::max<int32_t>(s, runtime::read_dmx_in_playback_level(static_cast<int16_t>(p)));
        }
    } else if (setup::dmx_in2_enabled == 1 && setup::dmx_in2_start >= 1 && setup::dmx_in2_start <= kLastDmxInStart) {
        s = std::max<int32_t>(s, runtime::read_dmx_in_wing_level(static_cast<int16_t>(p - kConsolePlaybacks)));
    }
    return s;
}

// A flash is picked up when the fader moves through or onto its level.
void apply_pick_up(int p) {
    uint8_t& state = playback_flash_state[at(p)];
    if (state == kFlashIdle) return;
    const int32_t previous = playback_previous_fader_levels[at(p)];
    const int32_t flash = playback_flash_levels[at(p)];
    const int32_t now = playback_fader_levels[at(p)];
    const bool through = (previous < flash && flash < now) || (now < flash && flash < previous);
    const bool onto = previous != now && now == flash;
    if (through || onto || state == kFlashReachedFader) state = kFlashIdle;
}

int16_t bar_colour(uint8_t state) {
    if (state == kFlashIdle) return kBarIdle;
    return state <= kFlashHolding ? kBarFlashOn : kBarFlashOut;
}

bool same_cue_record(int p, int q) {
    const int origin = playback_cue_origin[at(p)];
    if (origin < 1 || origin > kCueSlots || playback_cue_origin[at(q)] != origin) return false;
    return cue_playback_table[at((origin - 1) * kPlaybacks + q)] != nullptr;
}

void start_flash(int p) {
    playback_flash_start_times[at(p)] = runtime::get_time_ms();
    playback_flash_from_levels[at(p)] = playback_levels[at(p)];
    playback_flash_state[at(p)] = kFlashFadingIn;
}

void end_flash(int p) {
    playback_flash_start_times[at(p)] = runtime::get_time_ms();
    playback_flash_from_levels[at(p)] = playback_levels[at(p)];
    playback_flash_state[at(p)] = kFlashFadingOut;
}

bool ends_flash(uint8_t action, uint8_t mode) {
    switch (action) {
    case kFlashRelease: return mode == kFlashModeFlash;
    case kFlashPress: return mode == kFlashModeToggle || mode == kFlashModeKill;
    case kFlashKilled: return mode == kFlashModeKill;
    default: return false;
    }
}

// The playback stopped: a load that waited for it happens now.
void after_stop(int p) {
    const int16_t linked = static_cast<int16_t>(playback_linked_cue[at(p)]);
    if (linked == 0) {
        if (playback_reload_pending[at(p)] != 0) load_pending_playback(static_cast<int16_t>(p));
        else draw_playback_label(static_cast<int16_t>(p), 0, kLabelNormal);
    } else if (ui::playback_freeze[at(p)] == 0) {
        load_playback_from_cue(linked, static_cast<int16_t>(p));
    } else {
        playback_linked_cue[at(p)] = 0;
        draw_playback_label(static_cast<int16_t>(p), 1, kLabelNormal);
    }
}

}  // namespace

void run_flash_fade(int16_t p) {
    if (!valid_playback(p)) return;
    const uint32_t now = runtime::get_time_ms();
    if (now < playback_flash_start_times[at(p)]) {
        playback_flash_start_times[at(p)] = now;
        playback_flash_from_levels[at(p)] = playback_flash_levels[at(p)];
    }
    const uint32_t elapsed = now - playback_flash_start_times[at(p)];
    const PlaybackRecord& record = playback_table[at(p)];
    uint8_t& state = playback_flash_state[at(p)];
    switch (state) {
    case kFlashFadingIn:
        if (fade_towards(p, flash_master_level(), record.fade_in, elapsed)) state = kFlashHolding;
        break;
    case kFlashHolding: playback_flash_levels[at(p)] = flash_master_level(); break;
    case kFlashFadingOut:
        if (fade_towards(p, playback_fader_levels[at(p)], record.fade_out, elapsed)) state = kFlashReachedFader;
        break;
    case kFlashReachedFader: playback_flash_levels[at(p)] = playback_fader_levels[at(p)]; break;
    default: playback_flash_levels[at(p)] = 0; break;
    }
}

void scan_playback_faders(uint8_t force) {
    for (int p = 1; p <= kPlaybacks; ++p) {
        run_flash_fade(static_cast<int16_t>(p));
        playback_fader_levels[at(p)] = source_level(p) * kLevelScale;
        apply_pick_up(p);
        const uint8_t state = playback_flash_state[at(p)];
        const int32_t level = state == kFlashIdle || state == kFlashReachedFader ? playback_fader_levels[at(p)]
                                                                                 : playback_flash_levels[at(p)];
        playback_levels[at(p)] = level;
        playback_inverse_levels[at(p)] = 65535 - level;
        ui::FaderWidget& widget = ui::playback_fader_widgets[at(p)];
        const int16_t colour = bar_colour(state);
        if (ui::get_fader_widget_bar_colour(widget) != colour) ui::set_fader_widget_bar_colour(widget, colour);
        const auto effective = static_cast<int16_t>(level / kLevelScale);
        PlaybackFaderRecord& fader = playback_fader_states[at(p)];
        if (effective != fader.effective_level || force == 1) {
            fader.effective_level = effective;
            apply_playback_fader(static_cast<int16_t>(p));
        }
        playback_previous_fader_levels[at(p)] = playback_fader_levels[at(p)];
    }
}

void handle_flash_key(int16_t p, uint8_t action) {
    if (!valid_playback(p)) return;
    const uint8_t mode = get_playback_flash_mode(playback_table[at(p)]);
    const uint8_t state = playback_flash_state[at(p)];
    if (state == kFlashFadingIn || state == kFlashHolding) {
        if (ends_flash(action, mode)) end_flash(p);
        return;
    }
    if (action != kFlashPress) return;
    start_flash(p);
    if (mode != kFlashModeKill) return;
    for (int q = 1; q <= kPlaybacks; ++q) {
        if (q == p || get_playback_flash_mode(playback_table[at(q)]) != kFlashModeKill) continue;
        if (same_cue_record(p, q)) handle_flash_key(static_cast<int16_t>(q), kFlashKilled);
    }
}

void apply_playback_fader(int16_t p) {
    if (!valid_playback(p)) return;
    const uint8_t selected = selected_playback;
    selected_playback = static_cast<uint8_t>(p);
    apply_playback_fader_level();
    selected_playback = selected;
}

void apply_playback_fader_level() {
    const int p = selected_playback;
    if (!valid_playback(p)) return;
    const int16_t e = playback_fader_states[at(p)].effective_level;
    ui::FaderWidget& widget = ui::playback_fader_widgets[at(p)];
    const auto bar = static_cast<int16_t>(e * 113 / 255);
    if (ui::get_fader_widget_level(widget) != bar) ui::set_fader_widget_level(widget, bar);
    const PlaybackRecord& record = playback_table[at(p)];
    if (runs_a_memory(record)) {
        if (e >= kStartLevel && playback_active[at(p)] == 0) {
            synchro::send_playback_midi_code(static_cast<int16_t>(p), 1);
            playback_active[at(p)] = 1;
            build_playback_fade_modes(static_cast<int16_t>(p));
            draw_playback_label(static_cast<int16_t>(p), 0, kLabelNormal);
        } else if (e < kStartLevel && playback_active[at(p)] != 0) {
            synchro::send_playback_midi_code(static_cast<int16_t>(p), 0);
            playback_active[at(p)] = 0;
            mark_playback_channels_dirty(static_cast<int16_t>(p));
            after_stop(p);
        }
    }
    if (programmer::slave_consoles != 0 && setup::setup_data.u8(setup::kSetupAutoManual) == 0) {
        programmer::send_slave_value(static_cast<int16_t>(p), static_cast<uint8_t>(std::clamp<int>(e, 0, 255)));
    }
    mark_playback_channels_dirty(static_cast<int16_t>(p));
}

void apply_trackerball_to_playback() {
    if (runtime::mouse_x == 0 && runtime::mouse_y == 0) return;
    const int p = selected_playback;
    if (!valid_playback(p) || has_hardware_fader(p)) return;
    int16_t& level = playback_fader_states[at(p)].screen_level;
    level = static_cast<int16_t>(std::clamp(level - runtime::mouse_y, 0, 255));
}

}  // namespace playback
