// What the numeric entry dialogs call in modules that are not built yet.
// Each name is declared in its owner's namespace; the owner's own module
// takes it over and these least bodies go.
#pragma once
#include <cstdint>

namespace programmer {

// Makes page the current fixture page and shows the fixture screen (leaving
// the cue screen).
void set_fixture_page(int16_t page);

}  // namespace programmer
