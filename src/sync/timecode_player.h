// The timecode player: once per background poll while a list plays or
// records it reads the list time, keeps or regains lock to it (rebuilding
// the show's state on relock), and fires the events that are due; and the
// executor of the events' actions.
#pragma once
#include <cstdint>

namespace synchro {

// timecode_mode (sync_services.h).
constexpr uint8_t kTimecodeIdle = 0;
constexpr uint8_t kTimecodePlay = 1;
constexpr uint8_t kTimecodeRecord = 2;
constexpr uint8_t kTimecodeCapture = 3;

// Fader numbers in events: masters 1..4, playbacks 101..142.
constexpr int kFirstPlaybackFader = 101;
constexpr int kPlaybackFaderBase = 100;

// Rebuild on relock (the show's setup byte): 0 from the last cue on, 1 every
// event replayed.
constexpr uint8_t kRebuildFromLastCue = 0;
constexpr uint8_t kRebuildAllEvents = 1;

struct TimecodePlayerState {
    double now = 0.0;
    double previous = 0.0;
    int32_t next_event = 1;
    int32_t last_event = 0;
    int16_t unlocked = 1;
    int16_t good_ticks = 0;
    double relock_time = 0.0;
    int32_t frozen_ms = 0;
};
extern TimecodePlayerState timecode_player;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timecode_player_globals();

// init_timecode_player and run_timecode_tick: sync_services.h.
// Play and record start unlocked at event 1.
void reset_timecode_player();
bool execute_timecode_event(int32_t i);
// The flash overrides of masters and playbacks whose time ran out are ended.
void end_expired_fader_overrides();

void call_memory_event(int n);
void call_cue_event(int page, int cue, int point);
void run_sequence_event(int s, int action, int value);
void set_fader_event(int n, int on, double seconds);
void jump_timecode(double t);

}  // namespace synchro
