// Lamp-command macros: per fixture type the timed steps that switch lamps on
// and off and reset the fixture, read from the type's lamp-command file, and
// the queue of lamp events that the lamp commands play.
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

constexpr int kLampMacroTypes = 40;
constexpr uint8_t LAMP_ON = 1;
constexpr uint8_t LAMP_OFF = 2;
constexpr uint8_t LAMP_RESET = 3;
constexpr int kLampFunctions = 32;       // a step's function is 1..32 of its fixture type
constexpr int kLampMaxLevel = 255;       // a step's value is a level 0..255
constexpr uint16_t kLampRelease = 65535;  // or the release of the channel

struct LampStep {
    uint32_t delay = 0;      // tenths of a second after the command's start
    uint16_t function = 0;   // function slot of the fixture type
    uint16_t value = 0;      // 65535 = release
    uint8_t command = 0;     // LAMP_ON, LAMP_OFF or LAMP_RESET
};

struct LampEvent {
    uint8_t pending = 0;
    uint8_t done = 0;
    uint32_t due = 0;        // ms of the millisecond clock
    uint16_t function = 0;
    uint16_t value = 0;
    uint8_t command = 0;     // 1..3; 10 = ignition marker
    int16_t fixture = 0;
};

// Per fixture type 1..40 (index 0 unused): a heap array of steps and its count.
extern std::array<LampStep*, kLampMacroTypes + 1> lamp_macro_steps;
extern std::array<int16_t, kLampMacroTypes + 1> lamp_macro_step_count;

// The lamp events waiting or played: a heap array of lamp_event_count entries.
extern LampEvent* lamp_event_queue;
extern int16_t lamp_event_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_lamp_commands_globals();

// Reads the lamp-command file of every fixture type of the setup. A type
// whose file is missing or holds no command line has no steps; a line whose
// function or value is out of range is skipped.
void load_reset_commands();
// Frees the steps of every type.
void free_lamp_macro_steps();
// Frees the lamp event queue; its count becomes 0.
void clear_lamp_event_queue();

}  // namespace runtime
