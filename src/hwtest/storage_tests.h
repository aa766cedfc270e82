// Tests of the RAM (L), the hard disk (M) and the floppy drive (N). Each
// clears its pass flag, shows its result box and returns true when passed;
// Esc, read whenever a PC key is waiting between blocks, cancels.
//
// The RAM test fills, copies and compares two large blocks of random bytes.
// Its size comes from the CMOS, but a block is taken only when the DPMI host
// still has room for it and never beyond kRamBlockCapBytes: on a machine that
// hands out memory lazily, a block of nearly the whole RAM would prove nothing.
//
// The disk tests write a file of ten random blocks, copy it and compare the
// two files; both files are always removed at the end.
#pragma once
#include <cstddef>
#include <cstdint>

namespace hwtest {

constexpr uint32_t kRamBlockCapBytes = 32'000'000;  // the first RAM block at most

bool test_ram();
bool test_harddisk();
bool test_diskdrive();

// The copy between the two halves of a RAM block: a plain copy on a sound
// machine. A test puts a faulty one in its place to stand for a bad chip.
using RamCopy = void (*)(uint8_t* to, const uint8_t* from, size_t bytes);
extern RamCopy ram_copy;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_storage_tests_globals();

}  // namespace hwtest
