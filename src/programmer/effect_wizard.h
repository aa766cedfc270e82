// The effect wizard (key 246 held, FIGURE pressed): the guided way to put an
// effect macro on fixtures and shape it. It runs its own input loop over the
// background poll until ESC, with the seven macro faders on the fader panel
// and a prompt per step: choose fixtures, pick a macro, a grouping, a WAVE
// and a STEP-LOOP spread, a direction and fade mode, and tune swing, speed
// and wait. The steps that choose from a list show the macro picker, whose
// cells the fixture keys or a trackerball click pick; the tuning steps take
// the trackerball. LAST and NEXT walk the ring of steps
// 1, 16, 5, 6, 4, 3; SWING (2) and WAIT (7) are reached by their fader keys.
#pragma once
#include <cstdint>

namespace programmer {

// The step NEXT and LAST lead to from a wizard step (1..7 or 16); step 1 for
// a step outside the ring.
int16_t next_wizard_step(int16_t step);
int16_t previous_wizard_step(int16_t step);

void run_effect_wizard();

}  // namespace programmer
