#include "sync/commands.h"

namespace synchro {

void run_timecode_screen(int16_t) {}

}  // namespace synchro
