// The question a new fixture of a type already in the rig asks when it
// matched no old fixture: "FIXTURE %d (PAGE %d) IS NEW. SELECT FIXTURE TO
// COPY FROM...". The operator points out a fixture of the same type that
// took over old data (a fixture key on the shown page, BANK keys to change
// page), or leaves the new fixture empty (ESC, right button).
#pragma once
#include <cstdint>

#include "setup/fixture_map.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// Asks for new fixture f; the chosen candidate's fixture record, or 0 when
// the fixture stays new. Nothing is asked (0) when f has no candidate.
int16_t ask_copy_source(LibraryList& list, const SetupData& edited, const FixtureMap& map, const PageCounts& pages,
                        int f);
// After the questions: the shown page's fixture keys back in both colours.
void end_copy_source_questions(const SetupData& edited);

}  // namespace setup
