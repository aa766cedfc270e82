#include "ui/memory_access.h"

namespace ui {

uint8_t status_level = 0;
int16_t status_percent = 0;

}  // namespace ui
