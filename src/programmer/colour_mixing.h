// Colour mixing from the filter libraries: the colour screen of the COLOR
// command. (Least body until the colour screen is built.)
#pragma once

namespace programmer {

// The colour screen loop of the current fixture type; returns on ESC.
void run_rgb_color_screen();

}  // namespace programmer
