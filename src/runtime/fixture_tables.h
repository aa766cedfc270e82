// Derived fixture tables: what the show start builds from the
// live setup (setup::setup_data) and the loaded fixture types
// (setup::fixture_type_defs), through which the rest of the console
// addresses the patched rig.
//
// Terms: a type's library functions are numbered 1..32; the setup's
// function map of a type gives, for function k, the offset map[k] of the
// record that carries it from the fixture's first function record F. A
// fixture's records are F .. F + channel count - 1; channel c is record
// F + c - 1. Every record index is checked against the records the console
// works with (function_record_capacity) before it is used, and
// map entries at or past the fixture's channel count are ignored.
//
// The function records themselves are runtime::function_record_table
// (show_tables.h), as are channel_flags, generator_flags, wheel_last_values
// and dark_fixture_list. All other tables are here, fixed arrays, 1-based.
#pragma once
#include <array>
#include <cstdint>

#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace runtime {

constexpr int kTypes = setup::kMaxFixtureTypes;
constexpr int kTypeChannels = setup::kMaxTypeChannels;
constexpr int kFixtures = setup::kMaxFixtures;
constexpr int kFigureFlagsPerFixture = 10;
constexpr uint16_t kNoDimmerChannel = 65535;

// The fixtures on the keys of each fixture page: [page 1..10][key 1..70] the
// fixture's 0-based index, and the number of fixtures on each page (they
// occupy keys 1 to count).
constexpr int kFixturePages = 10;
constexpr int kFixtureKeys = 70;
extern std::array<std::array<uint16_t, kFixtureKeys + 1>, kFixturePages + 1> fixture_bank_keys;
extern std::array<uint8_t, kFixturePages + 1> fixture_bank_counts;

// Records 1..function_record_count are in use (the sum of the channel counts
// of all fixtures, at most the table's 2048).
extern int16_t function_record_count;

// One per fixture 1..700.
struct PanTiltRecord {
    struct Channel {
        uint8_t channel = 0;     // 1-based channel of the fixture, 0 none
        uint16_t record = 0;     // its function record
    };
    uint8_t kind = 0;            // 0 none, 1 8-bit pan and tilt, 2 with fine channels
    Channel pan, oriented_pan, pan_fine, oriented_pan_fine;
    Channel tilt, oriented_tilt, tilt_fine, oriented_tilt_fine;
    uint8_t pan_invert = 0;
    uint8_t tilt_invert = 0;
};
extern std::array<PanTiltRecord, kFixtures + 1> fixture_pantilt_table;

// Per type 1..40 and 0-based channel position: the 0-based library function
// on that channel.
using TypeChannelBytes = std::array<std::array<uint8_t, kTypeChannels>, kTypes + 1>;
extern TypeChannelBytes type_channel_function;
// [type A 1..40][channel c 1..32][type B 1..40]: the 1-based channel of type
// B that carries the same named function as channel c of A (c itself when
// A = B), 0 when B has none.
extern std::array<std::array<std::array<uint8_t, kTypes + 1>, kTypeChannels + 1>, kTypes + 1> type_function_map;
// Per type and 0-based channel: the predefined entries (0-based) offered for
// its function, count first.
extern TypeChannelBytes type_predefined_counts;
extern std::array<std::array<std::array<uint8_t, setup::kPredefinedEntries>, kTypeChannels>, kTypes + 1>
    type_predefined_entries;
// The preset roles per type and 0-based channel (0 none).
extern TypeChannelBytes pantilt_role_table;
extern TypeChannelBytes gobo_role_table;
extern TypeChannelBytes colour_role_table;

// Per fixture 1..700: bytes 0..31 map channel c (0-based) to a channel
// (1-based, 0 none), bytes 32..63 the reverse; only for types with KNIFE1..8.
extern std::array<std::array<uint8_t, 64>, kFixtures + 1> function_remap_table;

// The slave consoles of the rig in setup order: the fixture's setup record
// index (16-bit: fixtures above 255 keep their index) and its
// kind (1 "ZELK SLAVE CONSOLE", 2 "ZELK SLAVE DESK V2", 3 "ZELK SLAVE WING").
struct SlaveConsole {
    uint16_t fixture = 0;
    uint8_t kind = 0;
};
extern std::array<SlaveConsole, kFixtures> slave_console_list;
extern int16_t slave_console_count;

// Entries 1..dark_fixture_count of runtime::dark_fixture_list are in use.
extern int16_t dark_fixture_count;
// The dimmer channels numbered for the dimmer command line: 0-based
// function record indexes, 65535 = none; entries 0..2047.
extern std::array<uint16_t, 2048> dimmer_channel_list;
// 10 flag words per fixture for the figure parameters: [1..7000].
extern std::array<uint16_t, kFixtures * kFigureFlagsPerFixture + 1> figure_flags;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fixture_tables_globals();

// The named-function roles of the preset tables.
constexpr uint8_t ROLE_PAN = 1, ROLE_PAN_FINE = 2, ROLE_TILT = 3, ROLE_TILT_FINE = 4, ROLE_PT_FOCUS = 5,
                  ROLE_PT_DIMMER = 6;
constexpr uint8_t ROLE_COLOUR_DIMMER = 9;
// Function classes of a record.
constexpr uint8_t CLASS_PANTILT = 1, CLASS_GOBO = 2, CLASS_COLOUR = 3, CLASS_EFFECT = 4, CLASS_IRIS = 5,
                  CLASS_ZOOM = 6, CLASS_FOCUS = 7, CLASS_DIMMER = 8;
// Flag-word bits.
constexpr uint16_t FLAG_INVERTED = 1u << 0;  // the library function's invert byte is 1
constexpr uint16_t FLAG_FADES = 1u << 1;     // its last flag byte is 1 (generators and figures: timed parameter)
constexpr uint16_t FLAG_FROZEN = 1u << 2;    // the fixture's freeze switch is on
constexpr uint16_t FLAG_MANUAL = 1u << 3;    // the held manual value is shown instead of the merge
constexpr uint16_t FLAG_CUE_FADE = 1u << 4;  // a point-cue fade of the element runs (bit 0 of its fade state)
// The step source 1..5 that last set its layer-0 value, 0 none.
constexpr uint16_t FLAG_STEP_SOURCE_SHIFT = 5;
constexpr uint16_t FLAG_STEP_SOURCE = 0xFu << FLAG_STEP_SOURCE_SHIFT;
constexpr uint16_t FLAG_PLAYBACK_OWNER = 0x7Fu << 9;  // the owning playback, 0 none

// The whole builder (in the order the tables depend on each other).
void init_fixture_tables();
// Start values of wheel_last_values; the fixture setup runs it too.
void init_wheel_last_values();

// The builders init_fixture_tables calls, in its order.
void count_function_records();
void build_type_function_maps();
void build_predefined_entry_lists();
void build_preset_kind_tables();
void build_function_records();
void build_fixture_banks();
void build_pantilt_records();
void build_knife_remap();
void build_dark_fixture_list();
void build_dimmer_channel_list();
void compile_patch_if_needed();

// The function record of channel c (1-based) of fixture f (1..fixture_count),
// 0 when f or c is out of range or the record lies beyond the capacity.
int fixture_channel_record(int f, int c);

// Empties every table here (tests start from it; the builder starts with it too).
void reset_fixture_tables();

}  // namespace runtime
