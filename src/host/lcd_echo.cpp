#include "host/lcd_echo.h"

#include "host/console_card.h"

namespace host {

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<std::string> LcdEcho::changes(const platform::CardBus& cards) {
    std::vector<std::string> printed;
    const int slot = console_surface_slot(cards);
    if (slot < 0) return printed;
    for (int d = 0; d < platform::kLcdDisplays; ++d) {
        DisplayText now;
        for (int l = 0; l < platform::kLcdLines; ++l) now[static_cast<size_t>(l)] = cards.lcd_line(slot, d, l);
        DisplayText& shown = shown_[static_cast<size_t>(d)];
        if (now == shown) continue;
        shown = now;
        std::string text;
        bool blank = true;
        for (int l = 0; l < platform::kLcdLines; ++l) {
            const std::string line = trimmed(now[static_cast<size_t>(l)]);
            blank = blank && line.empty();
            if (d == 0) {
                // The message, split at spaces, joined again.
                if (!line.empty()) text += (text.empty() ? "" : " ") + line;
            } else {
                text += (l == 0 ? "" : " | ") + line;
            }
        }
        if (blank) continue;
        printed.push_back(d == 0 ? "MESSAGE: " + text : "DISPLAY " + std::to_string(d + 1) + ": " + text);
    }
    return printed;
}

}  // namespace host
