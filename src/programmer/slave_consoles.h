// Slave consoles: further consoles that follow this one over DMX. They are
// patched as fixtures of three slave types (runtime::slave_console_list, built
// at show start), and this console writes its playback and master levels, its
// cue page, cue and point numbers and a trigger pulse onto their channels
// through the channel level setter.
//
// Each value goes to one function slot (library function) of the slave; the
// slave type's own function map (setup data) gives the channel of the slot,
// and the level goes to the slave's first function record plus that channel.
//
//   slot    content                              kinds
//   1-10    level of playback 1-10               1, 2
//   1-32    level of playback 11-42 (n - 10)     3
//   11-14   level of master 1-4                  1, 2
//   15      cue page                             1, 2
//   16      cue number                           1, 2
//   17      trigger                              1, 2
//   18      point number minus 1                 2
//
// A go-to-cue sends the cue numbers and then a trigger of 255; the background
// poll lowers the trigger again once its 200 ms countdown
// (runtime::slave_trigger_countdown, run down by the timer tick) has ended.
#pragma once
#include <cstdint>

namespace programmer {

// Slave kinds by their type's name.
constexpr uint8_t SLAVE_CONSOLE = 1;  // "ZELK SLAVE CONSOLE"
constexpr uint8_t SLAVE_DESK_V2 = 2;  // "ZELK SLAVE DESK V2"
constexpr uint8_t SLAVE_WING = 3;     // "ZELK SLAVE WING"

// Slots of the console kinds (1 and 2).
constexpr int kSlaveMasterSlot = 10;   // master m on slot 10 + m
constexpr int kSlaveCuePageSlot = 15;
constexpr int kSlaveCueSlot = 16;
constexpr int kSlaveTriggerSlot = 17;
constexpr int kSlavePointSlot = 18;    // kind 2 only
// Playbacks 1..10 reach the console kinds, 11..42 the wing on slot n - 10.
constexpr int kSlaveConsolePlaybacks = 10;
constexpr int kPlaybacks = 42;
constexpr int kMasters = 4;

// A trigger level from this on starts the pulse; the pulse's length.
constexpr uint8_t kSlaveTriggerHigh = 128;
constexpr int32_t kSlaveTriggerPulse_ms = 200;

extern uint8_t slave_consoles;       // patched slave consoles (show start), 255 at most
extern uint8_t slave_trigger_armed;  // 1 while a trigger pulse is out

// Every global of this module back to its value at program load (a clean start for each test).
void reset_slave_consoles_globals();

// The level of playback n (1..42) to every slave that carries it.
void send_slave_value(int16_t playback, uint8_t level);
// The level of master m (1..4) to the console kinds.
void send_slave_control(int16_t master, uint8_t level);
// Cue page and cue to the console kinds; point - 1 to kind 2.
void send_slave_cue_numbers(uint8_t page, uint8_t cue, uint8_t point);
// The trigger level to the console kinds; a level of 128 or more arms the
// 200 ms time-out, a smaller one disarms it (whatever slaves there are).
void send_slave_trigger(uint8_t level);
// Lowers the trigger when any slave is patched (show start, leaving the
// fixture setup).
void reset_slave_triggers();

}  // namespace programmer
