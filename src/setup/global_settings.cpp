#include "setup/global_settings.h"

namespace setup {

ConsoleStartupSettings console_startup_settings;

}  // namespace setup
