// Headless, what the console says: the text of the console's LCDs printed as
// it changes, so a scripted run shows the messages a person would read. The
// first display is the message display, to which the console mirrors its
// message line split over four lines; it is printed as one line again
// ("MESSAGE: ..."). The other displays print their four lines
// ("DISPLAY 2: ... | ... | ... | ..."). A display that goes blank prints
// nothing.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "platform/card_bus.h"

namespace host {

constexpr uint64_t kLcdEchoPeriod_ms = 100;  // how often the displays are looked at

class LcdEcho {
public:
    // The lines to print for the displays of the console card that changed
    // since the last call.
    std::vector<std::string> changes(const platform::CardBus& cards);

private:
    using DisplayText = std::array<std::string, platform::kLcdLines>;
    std::array<DisplayText, platform::kLcdDisplays> shown_{};
};

}  // namespace host
