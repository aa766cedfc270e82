// The submaster editor: which fixtures of the current fixture page follow
// SUB1 or SUB2. Every change reaches the output at once; the submaster's
// flash key keeps and saves, ESC puts the membership back as it was.
#pragma once
#include <array>
#include <cstdint>

#include "memories/submaster_cells.h"
#include "programmer/fixture_groups.h"

namespace memories {

// The membership of the submaster being edited, as it was on entry.
extern std::array<uint8_t, kSubmasterFixtures + 1> submaster_backup;

// The programmer's 32 group-selected flags, parked while the editor runs.
extern std::array<uint8_t, programmer::kGroups + 1> parked_group_flags;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_submaster_editor_globals();

// The editor of submaster s (1 SUB1, 2 SUB2).
void edit_master(int16_t submaster);

// The keys of the current page k1..k2 (either order, clamped to the page's
// fixtures): when every fixture of the range belongs to s, all leave; else
// all join. The change is marked for the output.
void toggle_submaster_range(int16_t submaster, int16_t first_key, int16_t last_key);
// ALL (join 1) or NONE (join 0) on the current page.
void set_submaster_page(int16_t submaster, uint8_t join);

// The key handlers of the editor. A fixture key (1..the page's count) waits
// for its release (the fixture joins or leaves) or another fixture key's
// press (the range); ALL and NONE take the whole page. A group key waits for
// its release (the group applied or no longer applied) or another group
// key's press (the range); the group bank key switches the bank. Any other
// key ends the handler with no change.
void edit_submaster_fixtures(int16_t submaster, int16_t key);
void edit_submaster_groups(int16_t submaster, int16_t key);

// Entry (backup), keep (file and used flag) and cancel: the membership back
// from the backup with the submaster's channels marked before and after, so
// that the stage shows the restored membership; nothing is written.
void begin_submaster_edit(int16_t submaster);
void keep_submaster_edit(int16_t submaster);
void cancel_submaster_edit(int16_t submaster);

}  // namespace memories
