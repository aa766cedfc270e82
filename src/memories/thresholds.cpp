#include "memories/thresholds.h"

namespace memories {

ThresholdFunctionMarks threshold_function_marks{};

void reset_thresholds_globals() { threshold_function_marks = {}; }

}  // namespace memories
