#include "setup/rig_conversion.h"

#include <algorithm>

#include "runtime/step_log.h"

namespace setup {

void renumber_fixtures_by_page(SetupData&) { runtime::log_call("setup::renumber_fixtures_by_page"); }

namespace {

// The fixtures as the show data see them: count, and per fixture its type
// and its first function record as the running sum of channel counts.
bool same_fixtures(const SetupData& a, const SetupData& b) {
    const int count = a.stored_fixture_count();
    if (count != b.stored_fixture_count() || count < 0 || count > kMaxFixtures) return false;
    int first_a = 1;
    int first_b = 1;
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord ra = read_fixture(a, f);
        const FixtureRecord rb = read_fixture(b, f);
        if (ra.type_index != rb.type_index || ra.channel_count != rb.channel_count || first_a != first_b) return false;
        first_a += ra.channel_count;
        first_b += rb.channel_count;
    }
    return true;
}

}  // namespace

bool convert_show_data(const SetupData& edited, LibraryList&) {
    runtime::log_call("setup::convert_show_data");
    return same_fixtures(edited, setup_data);
}

}  // namespace setup
