// The millisecond clock and the timers that run from it.
//
// All time comes from one clock: the 32-bit millisecond counter of the clock
// card, or the BIOS tick count without a card. The timer step, once per
// periodic pass of the background poll, measures the time since the previous
// step (clock_delta), advances the speed-scaled show clock that drives the
// cue and sequence fades, the free-running counters and the countdowns of the
// timecode overrides and the slave trigger pulse.
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

constexpr uint32_t kClockCounterCell = 0x4A6;        // u32 millisecond counter of the clock card
constexpr uint32_t kClockLimit_ms = 2'000'000'000;   // a clock or counter beyond this restarts at 0
constexpr int kGeneralTimers = 20;
constexpr int kEffectSpeeds = 171;                   // effect speeds 0..170
constexpr int kEffectDirections = 2;                 // forward, backward

extern uint32_t clock_last;            // clock of the previous step
extern uint32_t clock_ms;              // clock of this step
extern uint32_t clock_delta;           // clock_ms - clock_last of this step
extern uint32_t show_time;             // show clock in ms; never decreases
extern int16_t show_speed;             // percent, 100 normal
extern int16_t show_speed_effective;   // show_speed, or 0 while show_time_frozen
extern uint32_t show_time_anchor;      // show time at the last re-anchoring
extern uint32_t clock_anchor;          // clock at the last re-anchoring
extern uint8_t show_time_frozen;

extern int32_t free_counter_a;         // ms, used by the value table
extern int32_t free_counter_b;         // ms, used by the waits
extern std::array<int32_t, kGeneralTimers + 1> general_timers;  // ms, 1..20
extern int32_t slave_trigger_countdown;  // ms of the slave trigger pulse still to run

// The effect phases that the timer start clears: the shared phase of each
// speed and direction, and the phases of the generator and figure previews.
extern std::array<std::array<long double, kEffectSpeeds>, kEffectDirections> shared_phases;
extern std::array<long double, 2> preview_phases;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timers_globals();

uint32_t get_time_ms();
void reset_card_clock();
void init_timers();
void update_timers();

}  // namespace runtime
