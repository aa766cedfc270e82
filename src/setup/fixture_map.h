// Which old fixture each fixture of an edited rig takes its show data from,
// and the record pairs the show data move along: the engine side of the
// conversion to a changed rig (no drawing here).
//
// "Old" is the live setup, which still holds the rig the show data were
// made for; "new" is the edited working copy about to replace it. A fixture
// keeps its old first function record through the edit (fixtures added in
// the setup have 0 there) until the save numbers the records anew.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "setup/setup_data.h"
#include "setup/stage_plan_items.h"

namespace setup {

// [new fixture 1..700]: the old fixture whose data it takes over; 0 none.
using FixtureMap = std::array<int16_t, kMaxFixtures + 1>;

// The fixture records sorted by page and key; the soft patch list's
// fixtures follow their records to the new indexes.
void sort_fixtures_by_page(SetupData& setup);

// First function records as a running sum of the channel counts from 1.
void number_function_records(SetupData& setup);

// The three matching passes: the same fixture (type name and old first
// record), the same place (type name, address and card; claims are not
// looked at, so two new fixtures may take one old fixture's data), and the
// first unclaimed fixture of the same type name. The map is cleared first.
void match_fixtures(const SetupData& edited, const SetupData& live, FixtureMap& map);

// True when fixture g is one that unmatched fixture f may copy from: it
// took over an old fixture and has f's type.
bool copy_candidate(const SetupData& edited, const FixtureMap& map, int f, int g);

// 1 when the show data must be converted for the edited rig, 0 when they
// fit it as they are (or there are none: the live rig has no fixtures).
int check_patch_changed(const SetupData& edited, const SetupData& live, const FixtureMap& map);

// One function record's data moving: old record to new record, both
// within 1..capacity.
struct RecordPair {
    int16_t new_record = 0;
    int16_t old_record = 0;
};
// One fixture's data moving: old fixture o to new fixture f, both 1..700.
struct FixturePair {
    int16_t new_fixture = 0;
    int16_t old_fixture = 0;
};
struct ConversionPairs {
    std::vector<RecordPair> records;
    std::vector<FixturePair> fixtures;
};

// The pairs of every new fixture with a source, in fixture and channel
// order. The edited setup's records must be numbered. A fixture or source
// out of its rig, a type out of the type tables, a function map entry at or
// past the type's channel count and a record outside 1..capacity give no pair.
ConversionPairs conversion_pairs(const SetupData& edited, const SetupData& live, const FixtureMap& map, int capacity);

}  // namespace setup
