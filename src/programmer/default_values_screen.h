// The default values of the function records edited like a memory on the
// "DEFAULTMEMORY" screen: belts and trackerball move the selected fixtures'
// defaults (apply_wheel_to_functions, programmer_jobs.h), key 198 copies the
// present output into them, key 141 puts them back to the fixture library's
// values. ESC restores every default from the copy taken when the screen
// opened; key 143 keeps them and writes values.def and setup.dat. The
// screen itself is run_default_values_screen (fixture_pages.h).
#pragma once
#include <cstdint>

namespace programmer {

// Copy classes of key 151/148, 153 and 152.
constexpr int kCopyPanTilt = 1;
constexpr int kCopyColourPresets = 2;
constexpr int kCopyGoboPresets = 3;

// The defaults as the screen opened them, null while it is closed.
extern uint16_t* default_values_backup;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_default_values_screen_globals();

// "SELECT FIXTURES/FUNCTIONS TO COPY" (key 198) and its copies of the
// present output (output_base_values) into the defaults, lower to higher.
void take_outputs_as_defaults();
void copy_function_outputs(int16_t first, int16_t last);   // channels of the selected fixtures
void copy_fixture_outputs(int16_t first, int16_t last);    // every channel of patch indexes
void copy_group_outputs(int16_t first, int16_t last);      // every channel of the groups' members
void copy_class_outputs(int16_t copy_class);               // one class of channels of the selection
void copy_function_output(int16_t fixture, int16_t channel);  // one channel, fader bank 0 only

// "SELECT FIXTURES TO RESET" (key 141): library defaults by fixture or group.
void reset_defaults_to_library();
void reset_fixture_defaults(int16_t first, int16_t last);
void reset_group_defaults(int16_t first, int16_t last);
// The library default of channel c of fixture f.
uint8_t get_library_default_value(int16_t fixture, int16_t channel);

}  // namespace programmer
