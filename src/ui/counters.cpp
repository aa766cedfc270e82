#include "ui/counters.h"

namespace ui {

void draw_free_counters() {}

}  // namespace ui
