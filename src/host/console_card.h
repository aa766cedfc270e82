// The card that carries the console surface (keys, LEDs, faders, belts,
// LCDs): the first card fitted, as on the demo console.
#pragma once
#include "platform/card_bus.h"

namespace host {

// The slot of the console surface's card; -1 when no card is fitted.
inline int console_surface_slot(const platform::CardBus& cards) {
    for (int slot = 0; slot < platform::kCardSlots; ++slot) {
        if (cards.fitted(slot)) return slot;
    }
    return -1;
}

}  // namespace host
