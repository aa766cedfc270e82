// The clean start of every test.
//
// The console is procedural over global tables, and ctest runs each test in
// a process of its own, but no test may rely on that: before every test the
// rig's main (rig/main.cpp) calls reset_global_state, so that a test binary
// also passes when run as one process, in any order (--gtest_shuffle).
//
// Each module that owns globals has a reset_<module>_globals() beside them
// that puts every one back to its value at program load, freeing the blocks
// it holds; reset_global_state calls them all, and nothing else. A new module
// with globals adds its reset there.
#pragma once

namespace rig {

void reset_global_state();

}  // namespace rig
