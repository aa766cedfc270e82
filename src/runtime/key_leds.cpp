#include "runtime/key_leds.h"

#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"

namespace runtime {

namespace {
constexpr uint32_t kLedRingReadCell = 0x42A;
constexpr uint32_t kLedRingWriteCell = 0x42C;
}  // namespace

void set_key_led(int16_t key, uint8_t state) {
    if (key < 0 || key >= kKeyCodes) return;
    key_led_cache[static_cast<size_t>(key)] = state;
}

void reset_led_rings() {
    for (int card = 1; card <= interface_card_count; ++card) {
        const uint16_t selector = dmx_card_selectors[static_cast<size_t>(card)];
        poke_card_word(selector, kLedRingReadCell, peek_card_word(selector, kLedRingWriteCell));
    }
    key_led_cache.fill(0);
}

}  // namespace runtime
