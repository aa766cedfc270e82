// The programmer's values on their way to the stage: the value setter that
// carries an edited programmer value into the layer the stage shows, the
// colour in which a display shows whether the edit reaches the stage, and the
// edit step every value command follows.
//
// The programmer arrays themselves are runtime::programmer_values,
// programmer_generators, programmer_figures, programmer_times and
// programmer_time_set (show_tables.h), 1-based, reset at every show start.
#pragma once
#include <cstdint>

namespace programmer {

// Display colours of a value: it reaches the stage, or it is held back or
// overridden.
constexpr uint8_t kColourReachesStage = 14;  // yellow
constexpr uint8_t kColourHeldBack = 11;      // light cyan

// Writes value v of record r into the layer through which it reaches the
// stage and marks the channel for the output merge. The held manual layer
// takes it while the record is manual and its fixture selected; otherwise
// the live layer, unless blind, frozen, a sequence running, a point-cue fade
// on the record, or the value unchanged. The caller has written the
// programmer array. A record outside 1..function_record_count is refused.
void set_function_value(int16_t record, uint16_t value);

// kColourReachesStage or kColourHeldBack for record r.
uint8_t get_function_value_colour(int16_t record);

// The edit step of one record: the programmer value, the manual flag while
// live edit is on and blind off, the setter, then the value redrawn where the
// table shows it (show_edited_value). Refused outside the records in use.
void edit_function_value(int16_t record, uint16_t value);

// The last part of the edit step: unless the faders follow the output, the
// value of record r is drawn in its value-table cell in the colour that says
// whether it reaches the stage, with the effect and time marks in the
// channel bank.
void show_edited_value(int16_t record, uint16_t value);

// True while any of the four sequences has a non-zero run state.
bool any_sequence_running();

}  // namespace programmer
