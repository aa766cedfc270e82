// The demo rig with helpers for the edit tests: selecting fixtures, setting
// the edit mode and belt resolution, and reading programmer values.
#pragma once
#include <initializer_list>

#include "programmer/attribute_delta.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_selection.h"
#include "programmer/programmer_jobs.h"
#include "programmer/programmer_values.h"
#include "programmer_test_rig.h"
#include "runtime/console_flags.h"
#include "runtime/show_tables.h"

namespace programmer_test {

// Records of the demo rig used below.
constexpr int16_t kWash5Pan = 65, kWash5PanFine = 66, kWash5Intensity = 75;
constexpr int16_t kWash6Pan = 77;

class EditRig : public DemoRig {
protected:
    // Selects exactly these fixtures and makes the first current.
    static void select(std::initializer_list<int16_t> fixtures) {
        programmer::fixture_selected.fill(0);
        for (int16_t f : fixtures) programmer::fixture_selected[static_cast<size_t>(f)] = 1;
        programmer::make_fixture_current(*fixtures.begin());
    }
    static void set_edit_mode(int mode) {
        runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | (static_cast<uint32_t>(mode) << 30);
    }
    static void set_resolution(int16_t bits) { runtime::belt_resolution = bits; }
    static uint16_t value(int16_t record) { return runtime::programmer_values[record]; }
    static int16_t record(int16_t fixture, int16_t channel) {
        return programmer::get_function_record_index(fixture, channel);
    }
    // The value of a record and the fader of the current fixture's channel.
    static void set(int16_t record, uint16_t v) { programmer::edit_function_value(record, v); }
    static runtime::WheelState& fader(int16_t channel) { return runtime::wheel_states.functions[static_cast<size_t>(channel)]; }
};

}  // namespace programmer_test
