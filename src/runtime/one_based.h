// The console's tables are numbered from 1 with element 0 left empty (memory
// 1..4000, playback 1..42, cue slot 1..11200 ...), and the numbers that reach
// them are the signed 16-bit values the console passes around. `at` turns
// such a number into the index of its element, so that a table reads as
// `memory_index[at(m)]`. The caller range-checks the number first; in the
// checked build the table's own bounds check catches one that slips through.
#pragma once
#include <concepts>
#include <cstddef>

namespace runtime {

constexpr size_t at(std::integral auto n) { return static_cast<size_t>(n); }

}  // namespace runtime
