#include "setup/setup_types.h"

namespace setup {

SetupTypes setup_types{};

void reset_setup_types_globals() {
    setup_types = {};
}

int16_t setup_type_count() {
    if (setup_types.count < 0) return 0;
    return setup_types.count > kMaxFixtureTypes ? static_cast<int16_t>(kMaxFixtureTypes) : setup_types.count;
}

const char* setup_type_file_name(int16_t type) {
    if (type < 1 || type > setup_type_count()) return "";
    return setup_types.file_names[static_cast<size_t>(type)].data();
}

}  // namespace setup
