#include "host/fader_keys.h"

#include <algorithm>
#include <string_view>

#include "host/console_card.h"

namespace host {

namespace {

// Position i is playback fader i + 1.
constexpr std::string_view kFaderDigits = "1234567890";
static_assert(kFaderDigits.size() == kConsolePlaybackFaders);
constexpr int kRawTop = 255;

}  // namespace

FaderMove fader_move_of(char key, bool shift) {
    const size_t at = kFaderDigits.find(key);
    if (key == '\0' || at == std::string_view::npos) return {};
    return {static_cast<int>(at) + 1, shift ? -kFaderKeyStep : kFaderKeyStep};
}

int move_console_playback_fader(platform::CardBus& cards, const FaderMove& move) {
    if (move.playback < 1 || move.playback > kConsolePlaybackFaders) return -1;
    const int slot = console_surface_slot(cards);
    if (slot < 0) return -1;
    const int raw = std::clamp(cards.playback_fader(slot, move.playback) + move.change, 0, kRawTop);
    cards.set_playback_fader(slot, move.playback, static_cast<uint8_t>(raw));
    return raw;
}

}  // namespace host
