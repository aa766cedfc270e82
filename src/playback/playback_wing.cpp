#include "playback/playback_wing.h"

#include "runtime/card_access.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"

namespace playback {

namespace {
constexpr int kLinesPerBank = 16;
}  // namespace

void select_wing_lcd_bank(uint8_t bank) {
    if (bank > 1 || bank == wing_bank) return;
    wing_bank = bank;
    runtime::set_key_led(runtime::KEY_WING_BANK_1, bank == 0 ? runtime::LED_ON : runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_WING_BANK_2, bank == 0 ? runtime::LED_OFF : runtime::LED_ON);
    const int first = bank * kLinesPerBank + 1;
    for (int n = first; n < first + kLinesPerBank; ++n) runtime::show_playback_name(static_cast<int16_t>(n));
}

}  // namespace playback
