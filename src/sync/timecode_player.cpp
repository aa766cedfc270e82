#include "sync/timecode_player.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "memories/master_state.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_output.h"
#include "playback/key_groups.h"
#include "playback/output_merge.h"
#include "playback/playback_flash.h"
#include "playback/playback_jobs.h"
#include "playback/playback_state.h"
#include "playback/sequence_commands.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "sync/cd_requests.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_record.h"
#include "sync/sync_services.h"

namespace synchro {

TimecodePlayerState timecode_player;

namespace {

constexpr double kLargestStep_s = 1.0;
constexpr int32_t kFrozenLimit_ms = 5000;
constexpr int16_t kGoodTicksToLock = 4;  // lock at the fifth good poll
constexpr uint32_t kGeneratorResync_ms = 10000;
constexpr double kCdFloorMargin_s = 0.5;
constexpr int kCuePages = 16;
constexpr int kCuesPerPage = 70;
constexpr int kCuePoints = 10;
constexpr int kSequenceRunAction = 1;
constexpr int kSequenceDirectionAction = 2;
constexpr int kSequenceSyncAction = 3;
constexpr int kSequenceTriggerAction = 4;
constexpr int kSequenceGoAction = 5;

// The generator that follows the CD: the clock of its last resynchronisation.
uint32_t resync_stamp_ms = 0;
bool resync_stamp_set = false;

char event_letter(int32_t i) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(timecode_event(i).text[0])));
}

bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }

// The times before the first audio of the disc do not count on relock.
double relock_floor() {
    if (timecode_source != kTimecodeSourceCdrom || cd_state.disc_ready == 0) return 0.0;
    return cd_state.track_start[1] / static_cast<double>(kCdFramesPerSecond) + kCdFloorMargin_s;
}

int32_t first_event_at_or_after(double t) {
    const double floor = relock_floor();
    for (int32_t i = 1; i <= timecode_list.count - 1; ++i) {
        if (std::max(timecode_event(i).time, floor) >= t) return i;
    }
    return timecode_list.count;
}

// The events that make the show's state at the next event: from the last
// cue on.
void rebuild_from_last_cue(int32_t next) {
    int32_t cue = 0;
    for (int32_t i = next - 1; i >= 1 && cue == 0; --i) {
        if (event_letter(i) == 'C' || event_letter(i) == 'P') cue = i;
    }
    if (cue == 0) return;
    for (int s = 1; s <= playback::kSequences; ++s) {
        for (int32_t i = cue; i >= 1; --i) {
            int seq = 0, action = 0;
            if (event_letter(i) == 'S' &&
                std::sscanf(event_text(timecode_event(i)).data(), "%*c %d %d", &seq, &action) == 2 && seq == s &&
                action == kSequenceRunAction) {
                execute_timecode_event(i);
                break;
            }
        }
    }
    for (int32_t i = cue; i >= 1; --i) {
        if (event_letter(i) == 'R') {
            execute_timecode_event(i);
            break;
        }
    }
    execute_timecode_event(cue);
    runtime::run_flags &= ~runtime::RUN_EFFECTS_RUNNING;
    for (int32_t i = cue + 1; i < next; ++i) {
        const char letter = event_letter(i);
        if (letter != 'M' && letter != 'F' && letter != 'G') execute_timecode_event(i);
    }
    runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
}

void push_memory(int m) {
    if (m >= 1 && m <= memories::kMemories) memories::apply_memory_to_output(static_cast<int16_t>(m), 1);
}

// After a cue: the memories of the running sequences reach the output.
void push_running_sequences() {
    for (int s = playback::kSequences; s >= 1; --s) {
        const playback::SequenceRecord& r = playback::sequence_table[static_cast<size_t>(s)];
        if (playback::sequence_run_state(r) != 1) continue;
        push_memory(r.start_memory);
        if (playback::sequence_trigger(r) != 0) continue;
        for (int k = 1; k <= r.loop_length && k <= playback::kLoopMemories; ++k) {
            push_memory(r.loop_memories[static_cast<size_t>(k)]);
        }
        push_memory(r.end_memory);
    }
}

void rebuild_all_events(int32_t next) {
    runtime::run_flags &= ~runtime::RUN_EFFECTS_RUNNING;
    for (int32_t i = 1; i < next; ++i) {
        if (event_text(timecode_event(i))[0] == 'G') continue;
        execute_timecode_event(i);
        if (event_letter(i) == 'C' || event_letter(i) == 'P') push_running_sequences();
    }
    runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
}

void regain_lock() {
    TimecodePlayerState& p = timecode_player;
    p.unlocked = 0;
    p.next_event = 1;
    if (timecode_list.count == 0) return;
    p.next_event = first_event_at_or_after(p.relock_time);
    const uint8_t option = setup::setup_data.u8(setup::kSetupTimecodeOption);
    if (option == kRebuildFromLastCue) {
        rebuild_from_last_cue(p.next_event);
    } else if (option == kRebuildAllEvents) {
        rebuild_all_events(p.next_event);
    } else {
        return;
    }
    playback::mark_all_channels_dirty();
    p.now = read_timecode_seconds();
}

// With the CDROM source the card's generator carries the list time: it is
// restarted every 10 s while locked, stopped on losing lock and started on
// regaining it.
void keep_generator_with_cd(int16_t unlocked_on_entry) {
    if (timecode_source != kTimecodeSourceCdrom || runtime::sync_interface_selector == 0) return;
    const uint32_t clock = runtime::clock_ms;
    const int16_t unlocked = timecode_player.unlocked;
    if (unlocked == unlocked_on_entry) {
        if (unlocked == 0 && (clock < resync_stamp_ms || clock - resync_stamp_ms > kGeneratorResync_ms)) {
            stop_smpte_generator();
            follow_cd_with_generator();
            resync_stamp_ms = clock;
        }
        return;
    }
    if (unlocked != 0) {
        stop_smpte_generator();
    } else {
        follow_cd_with_generator();
    }
    resync_stamp_ms = clock;
}

}  // namespace

void reset_timecode_player_globals() {
    timecode_player = {};
    resync_stamp_ms = 0;
    resync_stamp_set = false;
}

void init_timecode_player() {
    reset_timecode_player_globals();
    timecode_mode = kTimecodeIdle;
    init_timecode_clock();
    free_timecode_list();
    reset_fader_overrides();
}

void end_expired_fader_overrides() {
    for (int m = 1; m <= memories::kMasters; ++m) {
        const auto i = static_cast<size_t>(m);
        if (memories::master_timecode_flash[i] != 0 && memories::master_timecode_remaining_s[i] < 0.0) {
            set_fader_event(m, 0, 0.0);
        }
    }
    for (int pb = 1; pb <= playback::kPlaybacks; ++pb) {
        const auto i = static_cast<size_t>(pb);
        if (playback::playback_timecode_flash[i] != 0 && playback::playback_timecode_remaining_s[i] < 0.0) {
            set_fader_event(kPlaybackFaderBase + pb, 0, 0.0);
        }
    }
}

void reset_timecode_player() {
    timecode_player = {};
}

void run_timecode_tick() {
    TimecodePlayerState& p = timecode_player;
    if (!resync_stamp_set) {
        resync_stamp_set = true;
        resync_stamp_ms = runtime::clock_ms;
    }
    const int16_t unlocked_on_entry = p.unlocked;
    p.now = read_timecode_seconds();
    const double d = p.now - p.previous;
    if (p.unlocked == 0) {
        p.frozen_ms = d == 0.0 ? p.frozen_ms + static_cast<int32_t>(runtime::clock_delta) : 0;
        if (d < -kLargestStep_s || d > kLargestStep_s || p.frozen_ms >= kFrozenLimit_ms) {
            p.unlocked = 1;
            p.frozen_ms = 0;
            p.good_ticks = 0;
        }
    } else {
        if (d > 0.0 && d <= kLargestStep_s) {
            if (p.good_ticks == 0) p.relock_time = p.previous;
            ++p.good_ticks;
        } else if (d != 0.0) {
            p.good_ticks = 0;
        }
        if (p.good_ticks > kGoodTicksToLock) regain_lock();
    }
    if (p.unlocked == 0 && p.next_event >= 1 && p.next_event <= timecode_list.count &&
        timecode_event(p.next_event).time <= p.now) {
        if (!execute_timecode_event(p.next_event) && timecode_mode == kTimecodePlay) timecode_mode = kTimecodeIdle;
        p.last_event = p.next_event;
        ++p.next_event;
    }
    end_expired_fader_overrides();
    draw_timecode_digits(p.now);
    p.previous = p.now;
    keep_generator_with_cd(unlocked_on_entry);
}

// Numbers the text does not give leave the event without effect: an action
// runs only when every field it needs was read.
bool execute_timecode_event(int32_t i) {
    if (i < 1 || i > timecode_list.count) return true;
    const std::string text(event_text(timecode_event(i)));
    if (blind()) return true;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text.empty() ? ' ' : text[0])));
    int a = 0, b = 0, c = 0;
    double t = 0.0;
    switch (letter) {
        case 'M':
            if (std::sscanf(text.c_str(), "%*c %d", &a) == 1) call_memory_event(a);
            return true;
        case 'C':
            if (std::sscanf(text.c_str(), "%*c %d %d", &a, &b) == 2) call_cue_event(a, b, 1);
            return true;
        case 'P':
            if (std::sscanf(text.c_str(), "%*c %d %d %d", &a, &b, &c) == 3) call_cue_event(a, b, c);
            return true;
        case 'R': return true;
        case 'S':
            if (std::sscanf(text.c_str(), "%*c %d %d %d", &a, &b, &c) == 3) {
                run_sequence_event(a, b, c);
            } else if (std::sscanf(text.c_str(), "%*c %d %d", &a, &b) == 2 && b == kSequenceGoAction) {
                run_sequence_event(a, b, 0);
            }
            return true;
        case 'F':
            if (std::sscanf(text.c_str(), "%*c %d %lf", &a, &t) == 2) set_fader_event(a, 1, t);
            return true;
        case 'G':
            if (std::sscanf(text.c_str(), "%*c %lf", &t) == 1 &&
                (timecode_mode == kTimecodePlay || timecode_mode == kTimecodeRecord)) {
                jump_timecode(t);
            }
            return true;
        default: return text != "END";
    }
}

void call_memory_event(int n) {
    if (n >= 1 && n <= memories::kMemories) memories::recall_memory(static_cast<int16_t>(n), 0);
}

void call_cue_event(int page, int cue, int point) {
    if (page < 1 || page > kCuePages || cue < 1 || cue > kCuesPerPage || point < 1 || point > kCuePoints) return;
    const int slot = (page - 1) * kCuesPerPage * kCuePoints + (cue - 1) * kCuePoints + point;
    playback::go_to_cue(static_cast<uint16_t>(slot), 0, 0);
}

// Sequence 0 stands for every sequence with GO only; other numbers outside
// 1..4 have no sequence behind them.
void run_sequence_event(int s, int action, int value) {
    if (action == kSequenceGoAction) {
        if (s >= 0 && s <= playback::kSequences) playback::go_sequence(static_cast<int16_t>(s), 0);
        return;
    }
    if (s < 1 || s > playback::kSequences) return;
    const auto seq = static_cast<int16_t>(s);
    const playback::SequenceRecord& r = playback::sequence_table[static_cast<size_t>(s)];
    switch (action) {
        case kSequenceRunAction:
            if (playback::sequence_run_state(r) != value) playback::toggle_sequence_run(seq, 0);
            break;
        case kSequenceDirectionAction:
            if (playback::sequence_direction(r) != value) {
                playback::set_sequence_direction(seq, 0, static_cast<int16_t>(value));
            }
            break;
        case kSequenceSyncAction:
            if (playback::sequence_sync(r) != value) playback::toggle_sequence_sync(seq, 0);
            break;
        case kSequenceTriggerAction:
            if (playback::sequence_trigger(r) != value) {
                playback::set_sequence_trigger_mode(seq, 0, static_cast<int16_t>(value));
            }
            break;
        default: break;
    }
}

void set_fader_event(int n, int on, double seconds) {
    if (n >= 1 && n <= memories::kMasters) {
        const auto m = static_cast<size_t>(n);
        memories::master_timecode_flash[m] = on != 0 ? 1 : 0;
        if (on != 0) {
            memories::master_timecode_remaining_s[m] = seconds;
        } else {
            master_flash_pressed_at[m] = kNotPressed;
        }
    } else if (n >= kFirstPlaybackFader && n < kFirstPlaybackFader + playback::kPlaybacks) {
        const auto p = static_cast<size_t>(n - kPlaybackFaderBase);
        playback::playback_timecode_flash[p] = on != 0 ? 1 : 0;
        if (on != 0) {
            playback::playback_timecode_remaining_s[p] = seconds;
        } else {
            playback_flash_pressed_at[p] = kNotPressed;
        }
        playback::handle_flash_key(static_cast<int16_t>(p), on != 0 ? playback::kFlashPress : playback::kFlashRelease);
    }
}

void jump_timecode(double t) {
    if (timecode_source == kTimecodeSourcePcTimer) {
        anchor_pc_timer(t);
    } else if (timecode_source == kTimecodeSourceInternal && runtime::sync_interface_selector != 0) {
        display_time = t;
        stop_timecode_source();
        start_timecode_source();
    } else if (timecode_source == kTimecodeSourceCdrom && cd_state.disc_ready != 0) {
        place_cd_at(t, false);
        stop_timecode_source();
        start_timecode_source();
    }
}

}  // namespace synchro
