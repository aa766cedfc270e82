#include "setup/commands.h"

namespace setup {

void run_fixture_setup() {}

}  // namespace setup
