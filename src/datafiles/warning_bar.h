// The notice of the show-data loaders at the foot of the screen: a solid red
// bar over (0, 460)-(640, 480) with yellow text centred at y 466, and a
// 400 Hz tone. The texts shown are kept for the start-up log and the tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

// How the bar ends once the tone is over.
enum class BarEnd : uint8_t {
    stays,          // the bar stays red
    black,          // painted black again, the drawing colour set to 4
};

void show_warning_bar(const char* text, uint32_t beep_ms, BarEnd end);
// The bar alone, solid in a colour (red 4 over a message that is done).
void fill_warning_bar(int colour);

// Every text shown on the bar since the last reset, oldest first.
extern std::vector<std::string> warning_bar_texts;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_warning_bar_globals();

}  // namespace datafiles
