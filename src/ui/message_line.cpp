#include "ui/message_line.h"

#include <cstdarg>
#include <cstdio>

#include "runtime/card_access.h"

namespace ui {

namespace {
std::string shown;
}

void show_message(const char* format, ...) {
    char text[101];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (shown == text) return;
    shown = text;
    runtime::show_console_message(text);
}

const std::string& current_message() { return shown; }

}  // namespace ui
