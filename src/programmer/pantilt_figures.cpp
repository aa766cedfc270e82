#include "programmer/pantilt_figures.h"

#include "programmer/channel_generators.h"

namespace programmer {

void run_figures_tick() { shared_phase_valid = {}; }

}  // namespace programmer
