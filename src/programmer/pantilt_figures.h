// Pan/tilt figures: every fixture with pan and tilt can trace a lissajous or
// a polygon around its base position. (A least body until the figures are
// built: the run already opens each pass of the shared effect phases.)
#pragma once

namespace programmer {

// Once per run of the output merge, before the channel generators: clears
// the shared-phase marks, so that the first engine of each speed and
// direction in this pass sets the reference.
void run_figures_tick();

}  // namespace programmer
