// The timed point-cue fades: GO turns a point cue's memory into one fade
// record per element it defines (a channel, one of the six generator bytes
// of a function record, or one of the ten figure bytes of a fixture); once
// per poll the runner moves the cue screen's progress bars, lets the live
// layer step the fading elements and runs the armed whole-cue follow.
//
// Images of the point-cue source in runtime::sequence_step_buffers: slot 5
// previous = FROM (where the running fade starts), slot 5 current = TO
// (where it goes), slot 6 current = the GO target, taken over as TO when the
// pending start is reached.
//
// Every time of a record is in ms: the point memory's tenths times 100, and
// runtime::kEndlessTime_ms (32000 tenths) means endless. A pending start is
// never stored as 0, which means "nothing pending": a take-over due at show
// time 0 is stored as 1 ms.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/show_tables.h"

namespace playback {

constexpr uint16_t kEndlessTenths = 32000;
constexpr int kFadeTimes = 5;  // DELAY IN, FADE IN, DELAY OUT, FADE OUT, HOLD

// Fade-record states.
constexpr uint8_t kFadeIdle = 0;
constexpr uint8_t kFadeStarted = 1;
constexpr uint8_t kFadeDone1 = 2;
constexpr uint8_t kFadeDone2 = 3;
constexpr uint8_t kFadeStanding = 4;

// What load_linked_pointcue_element loads.
constexpr uint8_t kElementChannel = 0;
constexpr uint8_t kElementSubAttribute = 1;
constexpr uint8_t kElementExtra = 2;

// The executed point cue's progress bars: start show time (ms) and its five
// times in tenths (FADE IN as the fade-in override made it). The bar phase is
// playback::cue_fade_phase (0..3 that bar running, 5 four bars done, 10 all).
struct CueProgressState {
    uint32_t start_ms = 0;
    std::array<uint32_t, kFadeTimes> times_tenths{};
};
extern CueProgressState cue_progress_state;
constexpr uint8_t kBarPhaseFourDone = 5;
constexpr uint8_t kBarPhaseAllDone = 10;
constexpr int16_t kFullBar = 75;

// The armed whole-cue follow (0 none) and the show time it is due.
extern uint16_t pointcue_follow_cue;
extern uint32_t pointcue_follow_time;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_fades_globals();

// Starts the fade of cue slot 1..11200's point cue (fade_in 0: its own
// fade-in time, 1: none, else the override in tenths), arming the whole-cue
// follow.
void start_cue_fade(int16_t slot, uint16_t fade_in_tenths);
// The GO of a point cue: memory 1..2000 of cue slot 1..11200.
void go_pointcue(int16_t memory, uint16_t slot, uint8_t no_follow, uint16_t fade_in_override);
// Every element the point cue gives a value stands (state 4), the others
// are idle; the follow is disarmed.
void reset_cue_fades();
// The per-poll job.
void run_cue_fades();
// The phase machines: the fade position of one element (-1 none, 0..65535),
// advancing its state.
int32_t step_pointcue_channel_fade(int16_t record);
int32_t step_pointcue_sub_attribute_fade(int32_t sub_attribute);
int32_t step_pointcue_extra_fade(int32_t extra);
// Loads the linked cue into one element when its HOLD ends (kind 0 channel,
// 1 generator byte, 2 figure byte).
void load_linked_pointcue_element(int32_t element, uint8_t kind);
// Runs the armed whole-cue follow when it is due.
void follow_linked_cue();

// Helpers shared with the tracking and the premove.

// The function record of fixture f's PAN function, 0 when its type has none.
int16_t fixture_pan_record(int16_t fixture);
// Function records in use (0 while the show tables are missing).
int cue_fade_record_count();
// The five times (ms) of time group 0..2 of record r in a memory's time
// slots (1-based, 15 per record, with their set flags): a slot the memory
// sets, else the point cue's own time (fallback_tenths); also for arrays
// null or r 0.
std::array<uint32_t, kFadeTimes> group_times_ms(const uint16_t* times, const uint8_t* time_flags, int r, int group,
                                                const std::array<uint16_t, kFadeTimes>& fallback_tenths);
// The time group that times channel r, and the record that holds it: group 0
// of r itself, or of its fixture's PAN record for pan roles 1 and 2, group 1
// of the PAN record for tilt roles 3 and 4.
struct TimeSource {
    int record = 0;
    int group = 0;
};
TimeSource channel_time_source(int r);
// The point-cue record of a programmed cue slot that has a point memory,
// else null.
struct PointcueRecord;
const PointcueRecord* pointcue_with_memory(int slot);
// Tenths to ms (32000 endless stays 3,200,000).
constexpr uint32_t tenths_to_ms(uint32_t tenths) { return tenths * 100u; }
// A pending start: never 0, which means nothing pending.
constexpr uint32_t pending_start_at(uint32_t time_ms) { return time_ms == 0 ? 1u : time_ms; }

}  // namespace playback
