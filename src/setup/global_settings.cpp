#include "setup/global_settings.h"

namespace setup {

ConsoleStartupSettings console_startup_settings;

void reset_global_settings_globals() {
    console_startup_settings = {};
}

}  // namespace setup
