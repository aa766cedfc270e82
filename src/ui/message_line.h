// The message line at the foot of the screen, mirrored to the console's
// message display.
#pragma once
#include <string>

namespace ui {

// Shows a formatted message (at most 100 characters); a message equal to the
// one shown is not shown again.
void show_message(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text the line shows now.
const std::string& current_message();

}  // namespace ui
