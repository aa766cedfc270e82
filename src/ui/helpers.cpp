#include "ui/helpers.h"

#include "platform/machine.h"
#include "platform/speaker.h"
#include "runtime/config_records.h"

namespace ui {

void beep(int freq_hz, uint32_t duration_ms) {
    const bool audible = runtime::console_config.beeper() != 0;
    if (audible) platform::sound(freq_hz);
    platform::delay_ms(duration_ms);
    if (audible) platform::nosound();
}

}  // namespace ui
