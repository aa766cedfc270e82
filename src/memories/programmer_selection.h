// The programmer selection dialog that take output, undo, clear and set to
// defaults share: while the command key is held, fixture keys, fader select
// keys, group keys, ALL and the class keys name what the command acts on,
// a key alone or a range from two keys of one kind, as often as the operator
// likes.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/show_tables.h"

namespace memories {

// What one choice of the dialog names.
enum class ChoiceKind : uint8_t {
    fixture_keys,  // keys first..last of the shown fixture page
    functions,     // function numbers first..last of the current fixture's type
    groups,        // groups first..last
    all,           // every fixture of the show
    single_key,    // a class key or another single key the command offers (key)
};

struct ProgrammerChoice {
    ChoiceKind kind = ChoiceKind::fixture_keys;
    int16_t first = 0;
    int16_t last = 0;
    int16_t key = 0;
};

// What a command brings to the shared dialog.
struct SelectionCommand {
    int16_t key = 0;              // the held command key
    const char* title = "";       // shown on the message line
    bool functions_in_any_bank = false;  // fader select keys choose outside fader bank 0 too
    bool offers_all = true;              // ALL is a choice
    // Single keys the command acts on (class keys, 186); null: none.
    bool (*offers_single_key)(int16_t key) = nullptr;
    // The LEDs of the command's own keys while the dialog runs and after it.
    void (*show_leds)() = nullptr;
    void (*restore_leds)() = nullptr;
    void (*act)(const ProgrammerChoice& choice) = nullptr;
};

// Runs the dialog until the command key is read again (its release or a new
// press) or ESC; each choice runs the command's action at once.
void run_programmer_selection(const SelectionCommand& command);

// The fixtures a fixture-key, group or ALL choice names, marked 1 in chosen
// (a fixture counts once however many of the groups hold it).
using FixtureMarks = std::array<uint8_t, runtime::kShowFixtures + 1>;
void mark_chosen_fixtures(const ProgrammerChoice& choice, FixtureMarks& chosen);

// Function number of fader select key 121..136 on the shown function page.
int16_t function_of_fader_key(int16_t key);
// The number of functions of the current fixture's type (0 without one).
int16_t current_function_count();
// The channels of fixture f (0 outside the show).
int16_t fixture_channel_count(int16_t fixture);
// The record of fixture f that carries function n of the current fixture's
// type (through the function map); 0 when f has none or it lies beyond f's
// channels.
int16_t mapped_function_record(int16_t fixture, int16_t function);
// Whether fixture f is selected in the programmer.
bool fixture_is_selected(int16_t fixture);

// Function record classes the class keys name.
bool is_pantilt_record(int16_t record);       // pan/tilt role 1..4
bool has_colour_preset_flag(int16_t record);
bool has_gobo_preset_flag(int16_t record);
bool is_dimmer_record(int16_t record);

// Resets the 15 time slots of record r to the default times, flags 0.
void reset_time_slots(int16_t record);

}  // namespace memories
